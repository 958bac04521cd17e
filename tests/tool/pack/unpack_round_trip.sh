# Unpacking then packing again gives the same bytes; the pictures keep their
# kind. unpack leaves what is there unless forced, and never takes a file for
# its folder.
make_quiz trip
brivel pack trip -o trip.res >/dev/null 2>&1
brivel unpack trip.res -o trip-out >/dev/null
brivel pack trip-out -o trip-again.res >/dev/null 2>&1
cmp trip.res trip-again.res && ls trip-out
rm trip-out/quiz.toml && echo mine > trip-out/02.png
brivel unpack trip.res -o trip-out
cat trip-out/02.png
brivel unpack trip.res -o trip-out --force >/dev/null && cmp "$DATA/tiny.png" trip-out/02.png && echo forced
brivel unpack trip.res -o trip.res
