#!/usr/bin/env python3
"""Builds the bare web player: the page template with its style, its script
and the WebAssembly core (base64) written in. The carried fonts' rules and the
window's geometry (CSS) go before the style, and the script's generated
constants in its place in the script. The quiz slot stays empty: the bare page
runs in test mode, and `brivel pack --platform web` fills it."""
import base64
import sys

GENERATED = "/*BRIVEL:GENERATED*/"


def script_with(js, constants):
    """The script js with the build's generated constants in their place."""
    script = open(js, encoding="utf-8").read()
    if script.count(GENERATED) != 1:
        sys.exit(f"{js}: {GENERATED} must appear exactly once")
    return script.replace(GENERATED, open(constants, encoding="utf-8").read().rstrip("\n"))


def write_page(template, parts, out):
    """The template with each marker of parts replaced by its text, to out."""
    page = open(template, encoding="utf-8").read()
    for marker, text in parts.items():
        if page.count(marker) != 1:
            sys.exit(f"{template}: {marker} must appear exactly once")
        if "</script" in text.lower():
            sys.exit(f"{marker}: the text must not close its element")
    for marker, text in parts.items():
        page = page.replace(marker, text)
    with open(out, "w", encoding="utf-8", newline="\n") as f:
        f.write(page)


def main():
    if len(sys.argv) != 9:
        sys.exit("usage: make_page.py TEMPLATE CSS JS GEOMETRY_CSS CONSTANTS_JS FONTS_CSS WASM OUT")
    template, css, js, geometry, constants, fonts, wasm, out = sys.argv[1:]
    write_page(template, {
        "/*BRIVEL:STYLE*/": open(fonts, encoding="utf-8").read() +
                            open(geometry, encoding="utf-8").read() +
                            open(css, encoding="utf-8").read(),
        "/*BRIVEL:SCRIPT*/": script_with(js, constants),
        "/*BRIVEL:WASM*/": base64.b64encode(open(wasm, "rb").read()).decode("ascii"),
    }, out)


if __name__ == "__main__":
    main()
