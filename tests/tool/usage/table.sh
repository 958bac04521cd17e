# Usage errors: a word that no command takes is named before anything missing,
# every message starts with "brivel:" or "brivel COMMAND:", the status is 2.
# brivel alone prints its usage.
brivel 2>&1 | head -2
for line in "--frobnicate" "--frob pack" "pack --frob" "pack -x dir" "lzw foo" "grade a b c" \
    "players x" "help pack extra" "chek" "help chek" "lzw" "pack" "pack dir" "grade onlyone" \
    "grade --quiz q" "grade --batch a" "picture x -o y.ppm --fit 0x1" \
    "pack dir -o x.res --platform foo" "pack dir -o x.res --player nope" \
    "pack dir -o x.res --quality 101" "pack dir -o x.res -j 0" "pack dir -o x.res --jobs x" "preview q -o y.png --found x"; do
    echo "\$ brivel $line"
    brivel $line 2>&1 >/dev/null
done
