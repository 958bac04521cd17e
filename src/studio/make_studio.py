#!/usr/bin/env python3
"""Builds Brivel Studio's page: the template with its style, its script (the
field numbers written into it), the WebAssembly module and the three players
it packs, each gzip-compressed, in base64. The page opens them with the
browser's DecompressionStream."""
import base64
import gzip
import os
import sys

# The source tree gets no compiled copy of it.
sys.dont_write_bytecode = True
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "web"))
from make_page import script_with, write_page  # noqa: E402  (the web player's page builder)


def packed(path):
    data = open(path, "rb").read()
    # mtime 0: one build gives one page.
    return base64.b64encode(gzip.compress(data, compresslevel=9, mtime=0)).decode("ascii")


def main():
    if len(sys.argv) != 10:
        sys.exit("usage: make_studio.py TEMPLATE CSS JS FIELDS_JS WASM WINDOWS LINUX WEB OUT")
    template, css, js, fields, wasm, windows, linux, web, out = sys.argv[1:]
    write_page(template, {
        "/*BRIVEL:STYLE*/": open(css, encoding="utf-8").read(),
        "/*BRIVEL:SCRIPT*/": script_with(js, fields),
        "/*BRIVEL:WASM*/": base64.b64encode(open(wasm, "rb").read()).decode("ascii"),
        "/*BRIVEL:WINDOWS*/": packed(windows),
        "/*BRIVEL:LINUX*/": packed(linux),
        "/*BRIVEL:WEB*/": packed(web),
    }, out)


if __name__ == "__main__":
    main()
