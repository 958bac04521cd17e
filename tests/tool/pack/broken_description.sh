# A broken description is reported and leaves no quiz, not even a temporary one.
make_quiz broken
sed -i 's/^answer = "Œuf"$/answer = "a|b"/' broken/quiz.toml
brivel pack broken -o broken.res 2>&1 | grep -v ': warning: '
ls
