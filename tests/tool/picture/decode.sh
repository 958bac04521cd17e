# Natural size: a P6 header of 16 x 12 and 16 x 12 x 3 bytes of pixels.
brivel picture "$DATA/tiny.jpg" -o jpeg.ppm && head -c 13 jpeg.ppm | tr '\n' ' ' && wc -c < jpeg.ppm
# Fitted, written as PNG, and read back by our own decoder: 16 x 12 into 8 x 8 is 8 x 6.
brivel picture "$DATA/tiny.png" --fit 8x8 -o fit.png && brivel picture fit.png -o fit.ppm &&
    head -c 11 fit.ppm | tr '\n' ' ' && echo
