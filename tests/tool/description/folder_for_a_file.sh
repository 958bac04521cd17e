# A folder where a file belongs is an error that names it, never an abort.
mkdir -p folders/quiz.toml
brivel check folders
rm -r folders/quiz.toml && brivel new folders >/dev/null
mkdir folders/01.jpg && cp "$DATA/tiny.jpg" folders/02.jpg
brivel pack folders -o folders.res 2>&1 | grep -v warning
