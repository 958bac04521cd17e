# pack never writes over what it reads, however OUT is spelt (a link, ./, a
# hard link), and its temporary file never takes a name that may be the user's.
make_quiz inputs
cp -r inputs before && cp "$BRIVEL" player
ln -s inputs/quiz.toml link.res && ln inputs/a.jpg hard.res
for out in inputs/quiz.toml inputs/./b.png link.res hard.res; do
    brivel pack inputs -o "$out" 2>&1 | grep -v warning
done
brivel pack inputs -o player --player player 2>&1 | grep -v warning
brivel pack inputs -o inputs 2>&1 | grep -v warning
diff -r before inputs && cmp "$BRIVEL" player && echo intact
echo mine > inputs.res.tmp && brivel pack inputs -o inputs.res >/dev/null 2>&1
cat inputs.res.tmp && ls -A | grep -c '^\.'
