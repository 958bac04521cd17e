# A quiz needs a player of its platform: anything else is refused with the
# reason and nothing is written. --platform takes any case; a name that says
# another platform, or no form at all, is a warning; a name that cannot be a
# quiz's is a usage error.
make_quiz quiz
brivel pack quiz -o quiz.exe --player "$DATA/tiny.png" 2>&1 | grep -v warning
brivel pack quiz -o quiz.exe --player "$BRIVEL" 2>&1 | grep -v warning
brivel pack quiz -o quiz-linux --platform Linux --player "$DATA/tiny.png" 2>&1 | grep -v warning
ls
brivel pack quiz -o quiz.exe --platform RES 2>&1 | grep -v quiz.toml
for out in "" "$PWD/.EXE" "$PWD/"; do brivel pack quiz -o "$out" 2>&1 | sed -n '1p;$p'; done
brivel pack quiz -o quiz.zip --player "$BRIVEL" 2>&1 | grep -v quiz.toml
