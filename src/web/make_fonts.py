#!/usr/bin/env python3
"""Makes the fonts the web page carries from the Linux player's faces (DejaVu
Sans Book, Bold and Bold Oblique, as installed): each cut down to the
characters of Windows-1252, which is all a quiz can hold, as WOFF2 in the
page's @font-face rules (fonts.css), and the same fonts' metrics for the core's
line breaking in the page and the studio's fit warnings (carried_fonts.h, read by
src/text/carried_text.cpp). `brivel check` measures the header texts in these
faces: the page then draws and breaks them alike, so that its warnings hold for
the web page too.

  make_fonts.py OUT_DIR BOOK.ttf BOLD.ttf BOLD_OBLIQUE.ttf
"""
import base64
import io
import os
import sys

from fontTools import subset

# The CSS family the page's style asks for, and each face's weight and style.
FAMILY = "DejaVu Sans"
FACES = [("Book", 400, "normal"), ("Bold", 700, "normal"), ("BoldOblique", 700, "italic")]
CP1252 = bytes(range(256)).decode("cp1252", errors="ignore")


def subset_font(path):
    options = subset.Options()
    options.flavor = "woff2"
    # The Linux player's fontconfig asks for slight hinting, which leaves the
    # font's own instructions unused: without them the faces are a third of the size.
    options.hinting = False
    # Xft draws glyph after glyph at its advance, with no kerning.
    options.layout_features = []
    options.drop_tables += ["GPOS", "GSUB", "GDEF", "kern", "MATH", "FFTM"]
    # The copyright and the licence travel with every copy of the fonts.
    options.name_IDs = [0, 1, 2, 13, 14]
    options.notdef_outline = True
    font = subset.load_font(path, options)
    subsetter = subset.Subsetter(options)
    subsetter.populate(unicodes=[ord(c) for c in CP1252 if " " <= c != "\x7f"])
    subsetter.subset(font)
    return font, options


def metrics(font):
    """The face's name as fontconfig gives it (family and style), and FreeType's
    inputs for Xft's widths and heights: the em, the ascender and descender it
    scales, and each Windows-1252 byte's advance (the missing glyph's where the
    byte has no character)."""
    cmap = font.getBestCmap()
    hmtx = font["hmtx"]
    advances = []
    for byte in range(256):
        text = bytes([byte]).decode("cp1252", errors="ignore")
        glyph = cmap.get(ord(text), ".notdef") if text else ".notdef"
        advances.append(hmtx[glyph][0])
    name = f'{font["name"].getDebugName(1)} {font["name"].getDebugName(2)}'
    return name, font["head"].unitsPerEm, font["hhea"].ascent, font["hhea"].descent, advances


def main():
    if len(sys.argv) != 5:
        sys.exit("usage: make_fonts.py OUT_DIR BOOK.ttf BOLD.ttf BOLD_OBLIQUE.ttf")
    out = sys.argv[1]
    rules = []
    tables = []
    for (name, weight, style), path in zip(FACES, sys.argv[2:]):
        font, options = subset_font(path)
        data = io.BytesIO()
        subset.save_font(font, data, options)
        woff2 = base64.b64encode(data.getvalue()).decode("ascii")
        rules.append(f'@font-face {{ font-family: "{FAMILY}"; font-weight: {weight}; '
                     f'font-style: {style}; font-display: block;\n'
                     f'  src: url(data:font/woff2;base64,{woff2}) format("woff2"); }}\n')
        title, em, ascender, descender, advances = metrics(font)
        rows = ",\n".join("    " + ", ".join(map(str, advances[k:k + 16]))
                          for k in range(0, 256, 16))
        tables.append(f"// DejaVu Sans {name}, from {os.path.basename(path)}.\n"
                      f"inline constexpr CarriedFace k{name}Face{{\"{title}\", {em}, {ascender}, "
                      f"{descender}, {{\n"
                      f"{rows}}}}};\n")
    os.makedirs(out, exist_ok=True)
    with open(os.path.join(out, "fonts.css"), "w", encoding="ascii", newline="\n") as f:
        f.write("/* The Linux player's faces, carried: written by the build (make_fonts.py). */\n")
        f.write("".join(rules))
    with open(os.path.join(out, "carried_fonts.h"), "w", encoding="ascii", newline="\n") as f:
        f.write("#pragma once\n\n// The metrics of the faces the page carries, written by the build"
                " (make_fonts.py).\n\nnamespace brivel {\n\n"
                "struct CarriedFace {\n    const char* name;\n    int unitsPerEm;\n    int ascender;\n"
                "    int descender;\n    unsigned short advances[256];  // by Windows-1252 byte\n"
                "};\n\n" + "\n".join(tables) + "\n}  // namespace brivel\n")


if __name__ == "__main__":
    main()
