# Pictures are stored as the players show them: a photo with an EXIF
# orientation comes back upright (16 x 12 turned to 12 x 16), check says so
# beforehand, a pack that is not on a terminal prints no progress, and
# --keep-pictures stores the file as it is. ImageMagick's transparent palette
# PNG, a 16-bit PNG and a CMYK JPEG become JPEGs; kept, the two that some
# players cannot show as the others do are warned of. The quiz is the same
# whatever the number of jobs. A WebP is prepared as a photo, its transparent
# areas on the quiz colour; one that does not decode is refused as damaged.
mkdir prepared
{ printf '\377\330\377\341\000\042Exif\000\000MM\000\052\000\000\000\010\000\001'
  printf '\001\022\000\003\000\000\000\001\000\006\000\000\000\000\000\000'
  tail -c +3 "$DATA/tiny.jpg"; } > prepared/a.jpg
printf 'title = "t"\nauthor = "a"\n[[picture]]\nfile = "a.jpg"\nanswer = "x"\ncode = "B"\n' > prepared/quiz.toml
brivel check prepared 2>/dev/null
brivel pack prepared -o prepared.res 2>&1 >/dev/null | grep -v ': warning: '
brivel unpack prepared.res -o out >/dev/null
brivel picture out/01.jpg -o upright.ppm >/dev/null && head -c 9 upright.ppm | tail -c 6
brivel pack prepared -o kept.res --keep-pictures >/dev/null 2>&1
brivel unpack kept.res -o kept >/dev/null && cmp prepared/a.jpg kept/01.jpg && echo kept
brivel pack prepared -o q.res --quality 0 >/dev/null
convert -size 16x12 xc:none -fill red -draw 'rectangle 0,0 7,11' PNG8:prepared/b.png
convert -size 16x12 gradient: -depth 16 prepared/c.png
convert -size 16x12 xc:red -colorspace CMYK prepared/d.jpg
for f in b.png c.png d.jpg; do
    printf '[[picture]]\nfile = "%s"\nanswer = "%s"\ncode = "B"\n' $f $f >> prepared/quiz.toml
done
brivel check prepared 2>/dev/null
brivel pack prepared -o kept.res --keep-pictures 2>&1 >/dev/null | grep -v ': warning: picture'
brivel pack prepared -o all.res >/dev/null 2>&1 && brivel unpack all.res -o all >/dev/null && echo $(ls all)
for keep in "" --keep-pictures; do
    for jobs in 1 2 4; do brivel pack prepared -o jobs$jobs.res -j $jobs $keep >/dev/null 2>&1; done
    cmp jobs1.res jobs2.res && cmp jobs1.res jobs4.res && echo "the same with 1, 2 and 4 jobs" $keep
done
convert -size 20x10 xc:none -fill blue -draw 'rectangle 0,0 9,9' prepared/e.webp
printf '[[picture]]\nfile = "e.webp"\nanswer = "e"\ncode = "B"\n' >> prepared/quiz.toml
brivel check prepared 2>/dev/null | grep e.webp
brivel pack prepared -o webp.res >/dev/null 2>&1 && brivel unpack webp.res -o webp >/dev/null
brivel picture webp/05.jpg -o webp.ppm >/dev/null && head -c 9 webp.ppm | tail -c 6
printf 'RIFF\044\000\000\000WEBPVP8 ' > prepared/d.jpg && brivel check prepared 2>&1 | grep error
