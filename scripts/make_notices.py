#!/usr/bin/env python3
"""Writes the notices of every form Brivel makes from packaging/notices.toml.

    make_notices.py LIST COPYRIGHT ROOT OUT

into OUT: FORM.txt for each form of the list and NOTICES.txt (every
component), FORM.cpp and NOTICES.cpp holding the same text for a program to
carry (zip.cpp for the maker library to write into the quiz folder's .zip),
and static-built-using, the package's field: each carried component's Debian
source and version, as dpkg knows them here.
"""

import subprocess
import sys
import textwrap
import tomllib
from pathlib import Path

# Debian's copyright points to these texts under /usr/share/common-licenses;
# carried out of Debian, a notice points to where anyone can read them.
PUBLIC_TEXTS = {
    "Apache-2.0": "https://www.apache.org/licenses/LICENSE-2.0",
    "CC0-1.0": "https://creativecommons.org/publicdomain/zero/1.0/legalcode",
    "GPL-3": "https://www.gnu.org/licenses/gpl-3.0.txt",
    "LGPL-2": "https://www.gnu.org/licenses/old-licenses/lgpl-2.0.txt",
}


def stanzas(copyright_text):
    """Each stanza of a machine-readable copyright file, by its Files field."""
    found = {}
    for paragraph in copyright_text.split("\n\n"):
        fields, name = {}, None
        for line in paragraph.splitlines():
            if line[:1] in (" ", "\t") and name:
                fields[name].append(line[1:])
            elif ":" in line:
                name, value = line.split(":", 1)
                fields[name] = [value.strip()] if value.strip() else []
        if "Files" in fields:
            found[" ".join(" ".join(fields["Files"]).split())] = fields
    return found


def licence_text(lines):
    """A stanza's licence text, its Debian pointers replaced by public addresses."""
    paragraphs = "\n".join("" if line == "." else line for line in lines).split("\n\n")
    for i, paragraph in enumerate(paragraphs):
        if "/usr/share/common-licenses" in paragraph:
            names = [name for name in PUBLIC_TEXTS if "common-licenses/" + name in paragraph]
            paragraphs[i] = "\n".join("Texte de la licence : " + PUBLIC_TEXTS[name] for name in names)
    return "\n\n".join(paragraphs)


def component_notice(component, copyright_stanzas, root):
    heading = component["name"]
    parts = [heading + "\n" + "=" * len(heading), textwrap.fill(component["about"], 78)]
    if "text" in component:
        parts.append((root / component["text"]).read_text(encoding="utf-8").strip())
    for files in component.get("stanzas", []):
        if files not in copyright_stanzas:
            sys.exit(f"make_notices.py: no stanza 'Files: {files}' in the copyright file")
        stanza = copyright_stanzas[files]
        owners = "\n".join(" " * 18 + line.strip() for line in stanza["Copyright"])
        licence = stanza["License"]
        parts.append("Droits d'auteur : " + owners.lstrip() + "\nLicence : " + licence[0] +
                     ("\n\n" + licence_text(licence[1:]) if len(licence) > 1 else ""))
    return "\n\n".join(parts)


def notices(intro, components, copyright_stanzas, root):
    names = [c["name"] for c in components]
    listed = ", ".join(names[:-1]) + " et " + names[-1] if len(names) > 1 else names[0]
    opening = textwrap.fill(f"{intro} : {listed}. Voici les droits d'auteur de chacun et "
                            "le texte de sa licence.", 78)
    bodies = [component_notice(c, copyright_stanzas, root) for c in components]
    return "\n\n\n".join(["Licences\n========\n\n" + opening] + bodies) + "\n"


# The forms whose notices a program writes out rather than carries: their
# text is a constant of its own, in no section (the tool carries its own).
WRITTEN = {"zip": "kZipNotices"}


def cpp(text, form):
    """The text as a C++ definition a program keeps in a section of its own."""
    lines = []
    for line in text.splitlines(keepends=True):
        escaped = "".join(chr(b) if 32 <= b < 127 and chr(b) not in '"\\?' else f"\\{b:03o}"
                          for b in line.encode("utf-8"))
        lines.append(f'    "{escaped}"')
    name = WRITTEN.get(form, "kNotices")
    kept = "" if form in WRITTEN else '__attribute__((used, section(".brivel_notices"))) '
    return ("// Written by scripts/make_notices.py from packaging/notices.toml.\n"
            "namespace brivel {\n"
            f"extern const char {name}[];\n"
            f"{kept}const char {name}[] =\n" +
            "\n".join(lines) + ";\n}  // namespace brivel\n")


def source_of(package):
    try:
        return subprocess.run(
            ["dpkg-query", "-W", "-f", "${source:Package} (= ${source:Version})", package],
            check=True, capture_output=True, text=True).stdout
    except (OSError, subprocess.CalledProcessError) as error:
        sys.exit(f"make_notices.py: dpkg-query cannot name the source of {package}: {error} "
                 "(run scripts/bootstrap)")


def main():
    if len(sys.argv) != 5:
        sys.exit("usage: make_notices.py LIST COPYRIGHT ROOT OUT")
    listing = tomllib.loads(Path(sys.argv[1]).read_text(encoding="utf-8"))
    copyright_stanzas = stanzas(Path(sys.argv[2]).read_text(encoding="utf-8"))
    root, out = Path(sys.argv[3]), Path(sys.argv[4])
    out.mkdir(parents=True, exist_ok=True)
    components = listing["component"]
    for component in components:
        unknown = set(component["forms"]) - set(listing["forms"])
        if unknown:
            sys.exit(f"make_notices.py: {component['name']}: no form {', '.join(sorted(unknown))}")
    for form, intro in listing["forms"].items():
        carried = components if form == "all" else [c for c in components if form in c["forms"]]
        text = notices(intro, carried, copyright_stanzas, root)
        name = "NOTICES" if form == "all" else form
        (out / f"{name}.txt").write_text(text, encoding="utf-8")
        (out / f"{name}.cpp").write_text(cpp(text, form), encoding="utf-8")
    sources = sorted({source_of(c["package"]) for c in components if "package" in c})
    (out / "static-built-using").write_text(", ".join(sources) + "\n", encoding="utf-8")


if __name__ == "__main__":
    main()
