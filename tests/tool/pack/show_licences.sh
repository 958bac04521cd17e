# needs: windows linux web
# A quiz names the licences its player carries, each component with its own:
# the Windows player's resource, the Linux player's section, the web page's
# text; a quiz folder's .zip has them in a file of its own, which packing
# passes over. A .res bundle has no player, an older player none to carry.
make_quiz q
for quiz in q.exe q-linux q.html q.res; do
    brivel pack q -o "$quiz" >/dev/null 2>&1 && brivel show "$quiz" | grep '^licences: '
done
cp "$NOTICES/zip.txt" q/LICENCES.txt && zip_folder q.zip q "" && brivel show q.zip | grep '^lic'
brivel pack q.zip -o zip.res 2>&1 | grep -v ': warning: '
cmp q.res zip.res && echo same quiz
cp "$PLAYERS/linux" old && objcopy --remove-section=.brivel_notices old
brivel pack q -o q-old --player old >/dev/null 2>&1 && brivel show q-old | grep '^licences: '
