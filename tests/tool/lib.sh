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
