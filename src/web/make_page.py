#!/usr/bin/env python3
"""Builds the bare web player: the page template with its style, its script
and the WebAssembly core (base64) written in. The quiz slot stays empty: the
bare page runs in test mode, and `brivel pack --platform web` fills it."""
import base64
import sys


def main():
    if len(sys.argv) != 6:
        sys.exit("usage: make_page.py TEMPLATE CSS JS WASM OUT")
    template, css, js, wasm, out = sys.argv[1:]
    page = open(template, encoding="utf-8").read()
    parts = {
        "/*BRIVEL:STYLE*/": open(css, encoding="utf-8").read(),
        "/*BRIVEL:SCRIPT*/": open(js, encoding="utf-8").read(),
        "/*BRIVEL:WASM*/": base64.b64encode(open(wasm, "rb").read()).decode("ascii"),
    }
    for marker, text in parts.items():
        if page.count(marker) != 1:
            sys.exit(f"{template}: {marker} must appear exactly once")
        if "</script" in text.lower() and marker != "/*BRIVEL:WASM*/":
            sys.exit(f"{marker}: the text must not close its element")
    for marker, text in parts.items():
        page = page.replace(marker, text)
    with open(out, "w", encoding="utf-8", newline="\n") as f:
        f.write(page)


if __name__ == "__main__":
    main()
