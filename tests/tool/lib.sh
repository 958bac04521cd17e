# The cases' helpers, read by run-case before each case.

# The tool under test: a status other than 0 follows its messages on standard
# error, as "[exit N]".
brivel() {
    "$BRIVEL" "$@"
    set -- $?
    [ "$1" -eq 0 ] || echo "[exit $1]" >&2
    return "$1"
}

# make_quiz DIR: a quiz of a JPEG and a PNG, with texts outside ASCII.
make_quiz() {
    mkdir -p "$1" && cp "$DATA/tiny.jpg" "$1/a.jpg" && cp "$DATA/tiny.png" "$1/b.png" &&
        cat >"$1/quiz.toml" <<'TOML'
title = "Château \"fort\""
author = "Zoé"
kind = 2
colour = [1, 2, 3]
[[picture]]
file = "a.jpg"
answer = "Œuf"
extra = "un\ttab"
code = "B"
[[picture]]
file = "b.png"
answer = "Mont Saint-Michel"
location = "Normandie"
code = "BR"
TOML
}

# zip_folder ZIP DIR PREFIX: DIR's files in ZIP, deflated, each named PREFIX then its name.
zip_folder() {
    python3 - "$@" <<'PY'
import os, sys, zipfile
archive, folder, prefix = sys.argv[1:]
with zipfile.ZipFile(archive, "w", zipfile.ZIP_DEFLATED) as z:
    for name in sorted(os.listdir(folder)):
        z.write(os.path.join(folder, name), prefix + name)
PY
}
