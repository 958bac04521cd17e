# A quiz folder's .zip stands for the folder, at any depth in it and its
# entries deflated: pack gives the folder's quiz, unpack a folder that packs
# to it again. A damaged .zip, or one with no quiz.toml, is refused with the
# reason and nothing is written.
make_quiz trip
brivel pack trip -o trip.res >/dev/null 2>&1
zip_folder quiz.zip trip "Mon quiz/"
brivel pack quiz.zip -o zip.res 2>&1 | grep -v ': warning: '
cmp trip.res zip.res && echo same quiz
brivel unpack quiz.zip -o out && brivel pack out -o out.res >/dev/null 2>&1
cmp trip.res out.res && ls out
head -c 300 quiz.zip > cut.zip && brivel pack cut.zip -o cut.res
brivel unpack cut.zip -o cut
cp quiz.zip bad.zip && printf 'x' | dd of=bad.zip bs=1 seek=100 conv=notrunc 2>/dev/null
brivel unpack bad.zip -o bad
rm trip/quiz.toml && zip_folder photos.zip trip "" && brivel pack photos.zip -o photos.res
ls
