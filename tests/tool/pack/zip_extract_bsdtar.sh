# The quiz folder's .zip (zip_extract) extracted by libarchive's bsdtar, as
# desktop archive managers do.
make_quiz trip && mv trip/a.jpg trip/19-Été.jpg && sed -i 's/"a.jpg"/"19-Été.jpg"/' trip/quiz.toml
brivel pack trip -o trip.res >/dev/null 2>&1
brivel pack trip --platform folder -o quiz.zip >/dev/null 2>&1
needs_command bsdtar libarchive-tools
extract_and_pack quiz.zip bsdtar && cmp trip.res bsdtar.res && echo "bsdtar: the same quiz"
