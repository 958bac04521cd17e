#!/usr/bin/env python3
"""Builds the bare web player: the page template with its style, its script,
the WebAssembly core (base64) and its notices (as HTML text) written in. The
styles go in the order given (the carried fonts' rules and the window's
geometry before the page's own); the script is the build's generated
constants, then each script file in order, in one scope. The quiz slot stays
empty: the bare page runs in test mode, and `brivel pack --platform web`
fills it."""
import argparse
import base64
import html
import os
import sys


def read(path):
    with open(path, encoding="utf-8") as f:
        return f.read()


def script_of(constants, scripts):
    """The page's one script: the constants and the files in one function's
    scope, so that nothing of the page reaches the window unless it says so.
    Each file's declarations are seen by those after it."""
    parts = ['"use strict";', "(() => {", read(constants).rstrip("\n")]
    for path in scripts:
        parts += [f"// ---- {os.path.basename(path)}", read(path).rstrip("\n")]
    return "\n".join(parts + ["})();"])


def write_page(template, parts, out):
    """The template with each marker of parts replaced by its text, to out."""
    page = read(template)
    for marker, text in parts.items():
        if page.count(marker) != 1:
            sys.exit(f"{template}: {marker} must appear exactly once")
        if "</script" in text.lower():
            sys.exit(f"{marker}: the text must not close its element")
    for marker, text in parts.items():
        page = page.replace(marker, text)
    with open(out, "w", encoding="utf-8", newline="\n") as f:
        f.write(page)


def base64_of(path):
    with open(path, "rb") as f:
        return base64.b64encode(f.read()).decode("ascii")


def notices_of(path):
    """The notices a page carries, as the text of the element they go in."""
    return html.escape(read(path), quote=False)


def arguments(description, *extra):
    """The options every page takes, and extra ones (name, help)."""
    parser = argparse.ArgumentParser(description=description)
    parser.add_argument("--template", required=True)
    parser.add_argument("--style", action="append", required=True, help="in order")
    parser.add_argument("--constants", required=True, help="the build's generated constants")
    parser.add_argument("--script", action="append", required=True, help="in order")
    parser.add_argument("--wasm", required=True)
    parser.add_argument("--notices", required=True, help="the page's notices (make_notices.py)")
    for name, text in extra:
        parser.add_argument(name, required=True, help=text)
    parser.add_argument("--out", required=True)
    return parser.parse_args()


def main():
    args = arguments("Writes the web player's page.")
    write_page(args.template, {
        "/*BRIVEL:STYLE*/": "".join(read(path) for path in args.style),
        "/*BRIVEL:SCRIPT*/": script_of(args.constants, args.script),
        "/*BRIVEL:WASM*/": base64_of(args.wasm),
        "/*BRIVEL:NOTICES*/": notices_of(args.notices),
    }, args.out)


if __name__ == "__main__":
    main()
