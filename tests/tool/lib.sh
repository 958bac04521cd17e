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

# needs_command CMD PACKAGE: where CMD is missing, the case is skipped (run-case
# exits 77) saying why; under CI it fails instead.
needs_command() {
    command -v "$1" >/dev/null && return 0
    echo "$1 is not installed (Debian package $2; scripts/bootstrap installs it)"
    [ "${CI:-}" = true ] || exit 77
}

# extract_and_pack ZIP TOOL: ZIP extracted by TOOL (unzip, bsdtar or zipfile),
# its files listed, then checked and packed to TOOL.res.
extract_and_pack() {
    mkdir "$2"
    case $2 in
        unzip) unzip -q "$1" -d "$2" ;;
        bsdtar) bsdtar -xf "$1" -C "$2" ;;
        zipfile) python3 -m zipfile -e "$1" "$2" ;;
    esac
    ls -l "$2" | awk 'NR > 1 { print $1, $NF }'
    brivel check "$2" 2>&1 | grep -v ': info: \|: warning: '
    brivel pack "$2" -o "$2.res" >/dev/null 2>&1
}
