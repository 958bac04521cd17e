# The quiz folder's .zip, as the studio downloads it: made on Unix, each file
# mode 0644, its name in UTF-8 and said to be, dated when made (here by
# SOURCE_DATE_EPOCH). Info-ZIP's unzip and Python's zipfile extract
# "19-Été.jpg" under its name; the folder each gives checks and packs to the
# folder's own quiz.
make_quiz trip && mv trip/a.jpg trip/19-Été.jpg && sed -i 's/"a.jpg"/"19-Été.jpg"/' trip/quiz.toml
brivel pack trip -o trip.res >/dev/null 2>&1
SOURCE_DATE_EPOCH=1765000000 brivel pack trip --platform folder -o quiz.zip 2>&1 | grep -v warning
python3 - <<'PY'
import zipfile
for entry in zipfile.ZipFile("quiz.zip").infolist():
    print(entry.filename, entry.create_system, oct(entry.external_attr >> 16),
          hex(entry.flag_bits), entry.date_time)
PY
needs_command unzip unzip
for tool in unzip zipfile; do
    extract_and_pack quiz.zip "$tool" && cmp trip.res "$tool.res" && echo "$tool: the same quiz"
done
brivel pack trip --platform folder --keep-pictures -o kept.zip
