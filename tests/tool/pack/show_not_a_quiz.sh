# Files of no quiz form, and damaged ones, are refused with the reason.
cp "$DATA/tiny.png" png.res && brivel show png.res
make_quiz cut && brivel pack cut -o whole.res >/dev/null 2>&1
head -c 40 whole.res > cut.res && brivel show cut.res
