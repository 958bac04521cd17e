#!/usr/bin/env python3
"""Builds Brivel Studio's page: the template with its style, its script (the
field numbers written into it), the WebAssembly module and the three players
it packs, each gzip-compressed, in base64. The page opens them with the
browser's DecompressionStream."""
import base64
import gzip
import sys

GENERATED = "/*BRIVEL:GENERATED*/"


def packed(path):
    data = open(path, "rb").read()
    # mtime 0: one build gives one page.
    return base64.b64encode(gzip.compress(data, compresslevel=9, mtime=0)).decode("ascii")


def main():
    if len(sys.argv) != 10:
        sys.exit("usage: make_studio.py TEMPLATE CSS JS FIELDS_JS WASM WINDOWS LINUX WEB OUT")
    template, css, js, fields, wasm, windows, linux, web, out = sys.argv[1:]
    page = open(template, encoding="utf-8").read()
    script = open(js, encoding="utf-8").read()
    if script.count(GENERATED) != 1:
        sys.exit(f"{js}: {GENERATED} must appear exactly once")
    script = script.replace(GENERATED, open(fields, encoding="utf-8").read().rstrip("\n"))
    parts = {
        "/*BRIVEL:STYLE*/": open(css, encoding="utf-8").read(),
        "/*BRIVEL:SCRIPT*/": script,
        "/*BRIVEL:WASM*/": base64.b64encode(open(wasm, "rb").read()).decode("ascii"),
        "/*BRIVEL:WINDOWS*/": packed(windows),
        "/*BRIVEL:LINUX*/": packed(linux),
        "/*BRIVEL:WEB*/": packed(web),
    }
    for marker, text in parts.items():
        if page.count(marker) != 1:
            sys.exit(f"{template}: {marker} must appear exactly once")
        if "</script" in text.lower():
            sys.exit(f"{marker}: the text must not close its element")
    for marker, text in parts.items():
        page = page.replace(marker, text)
    with open(out, "w", encoding="utf-8", newline="\n") as f:
        f.write(page)


if __name__ == "__main__":
    main()
