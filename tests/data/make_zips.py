#!/usr/bin/env python3
"""Makes quiz-folder.zip in this folder (run in it): a quiz folder at some
depth in a .zip, as file managers write them. Its entries are deflated and
stored, one in a sub-folder; names in UTF-8 said so, in UTF-8 unsaid (a
Mac's, its accents apart) and in the DOS code page; a deeper quiz.toml and a
file outside the folder, which are not the quiz's."""

import os
import zipfile

jpeg = open("tiny.jpg", "rb").read()
png = open("tiny.png", "rb").read()
toml = """title = "Dossier"
author = "Zip"
[[picture]]
file = "01.jpg"
answer = "un"
code = "A"
[[picture]]
file = "sous/02.png"
answer = "deux"
code = "B"
[[picture]]
file = "été.jpg"
answer = "trois"
code = "C"
[[picture]]
file = "île.jpg"
answer = "quatre"
code = "D"
[[picture]]
file = "çà.jpg"
answer = "cinq"
code = "E"
"""
# Names that Python would flag as UTF-8, written under ASCII stand-ins of the
# same length, then put in place byte for byte.
cp437 = "\x82t\x82.jpg".encode("latin-1")  # été.jpg in the DOS code page
mac = "c\u0327a\u0300.jpg".encode("utf-8")  # çà.jpg, decomposed
stand_ins = {b"X" * len(cp437): cp437, b"Y" * len(mac): mac}
with zipfile.ZipFile("quiz-folder.zip.tmp", "w") as z:
    z.writestr("lisez-moi.txt", "hors du quiz")
    z.writestr("Mon quiz/", "")
    z.writestr("Mon quiz/quiz.toml", toml, zipfile.ZIP_DEFLATED)
    z.writestr("Mon quiz/01.jpg", jpeg, zipfile.ZIP_DEFLATED)
    z.writestr("Mon quiz/sous/02.png", png, zipfile.ZIP_STORED)
    z.writestr("Mon quiz/" + "X" * len(cp437), jpeg, zipfile.ZIP_DEFLATED)
    z.writestr("Mon quiz/île.jpg", jpeg, zipfile.ZIP_DEFLATED)
    z.writestr("Mon quiz/" + "Y" * len(mac), jpeg, zipfile.ZIP_STORED)
    z.writestr("Mon quiz/vieux/quiz.toml", "pas lu", zipfile.ZIP_DEFLATED)
data = open("quiz-folder.zip.tmp", "rb").read()
for stand_in, name in stand_ins.items():
    assert data.count(stand_in) == 2
    data = data.replace(stand_in, name)
open("quiz-folder.zip", "wb").write(data)
os.remove("quiz-folder.zip.tmp")
