# The whole window as a PNG of 670 x 640 (its IHDR's width and height).
brivel preview "$SAMPLES/sample.res" --picture 7 --found 7 -o window.png
od -An -tu1 -j16 -N8 window.png
