#!/usr/bin/env python3
"""Builds Brivel Studio's page as the web player's is built (make_page.py),
with the three players it packs, each gzip-compressed, in base64. The page
opens them with the browser's DecompressionStream."""
import base64
import gzip
import os
import sys

# The source tree gets no compiled copy of it.
sys.dont_write_bytecode = True
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "web"))
from make_page import arguments, base64_of, notices_of, read, script_of, write_page  # noqa: E402


def packed(path):
    with open(path, "rb") as f:
        data = f.read()
    # mtime 0: one build gives one page.
    return base64.b64encode(gzip.compress(data, compresslevel=9, mtime=0)).decode("ascii")


def main():
    players = ("windows", "linux", "web")
    args = arguments("Writes Brivel Studio's page.",
                     *((f"--{name}", f"the {name} player") for name in players))
    write_page(args.template, {
        "/*BRIVEL:STYLE*/": "".join(read(path) for path in args.style),
        "/*BRIVEL:SCRIPT*/": script_of(args.constants, args.script),
        "/*BRIVEL:WASM*/": base64_of(args.wasm),
        "/*BRIVEL:NOTICES*/": notices_of(args.notices),
        **{f"/*BRIVEL:{name.upper()}*/": packed(getattr(args, name)) for name in players},
    }, args.out)


if __name__ == "__main__":
    main()
