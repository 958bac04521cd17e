# A Linux quiz is any ELF program with the bundle appended: the tool itself
# stands in for the player here, and for a bare one. Every reading command
# takes it like a .res.
make_quiz linux
brivel pack linux -o linux-quiz --player "$BRIVEL" >/dev/null 2>&1
test -x linux-quiz && brivel show linux-quiz | sed -n '1p;6p'
cp "$BRIVEL" bare && brivel show bare
brivel grade --quiz linux-quiz --picture 1 "Œuf"
brivel grade --quiz linux-quiz --picture 2 "Mont Saint-Michl"
brivel grade --quiz linux-quiz --picture 3 "x"
brivel preview linux-quiz --found 3 -o linux.ppm
brivel preview linux-quiz --picture 2 -o linux.ppm >/dev/null && head -c 15 linux.ppm
brivel pack linux -o linux-again --player linux-quiz >/dev/null 2>&1
cmp linux-quiz linux-again && echo repacked
