# Undecodable: status 1, the decoder's error, and no output file.
brivel picture "$DATA/bad-data.png" -o bad.ppm
printf '\377\330\377\340 not a JPEG after all' > bad.jpg
brivel picture bad.jpg -o bad.ppm 2>&1 | sed 's/JPEG error: .*/JPEG error: REASON/'
ls
# A box with a side of 0 and an output of another type are usage errors.
brivel picture "$DATA/tiny.jpg" --fit 0x5 -o u.ppm 2>/dev/null
brivel picture "$DATA/tiny.jpg" -o u.bmp 2>/dev/null
