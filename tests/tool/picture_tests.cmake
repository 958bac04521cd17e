# Smoke tests of `brivel picture`: the tool is handed to each script as $1,
# the pictures folder as $2, a scratch folder as $3.
set(PICTURE_DATA ${CMAKE_CURRENT_SOURCE_DIR}/../data)
set(PICTURE_TMP ${CMAKE_CURRENT_BINARY_DIR}/picture-tmp)
file(MAKE_DIRECTORY ${PICTURE_TMP})

# Natural size: a P6 header of 16 x 12 and 16 x 12 x 3 bytes of pixels.
add_test(NAME tool.picture.jpeg_to_ppm
         COMMAND sh -c [[
             rm -f "$3/jpeg.ppm"
             "$1" picture "$2/tiny.jpg" -o "$3/jpeg.ppm" || exit 1
             echo "$(head -c 13 "$3/jpeg.ppm" | tr '\n' ' ')" $(wc -c < "$3/jpeg.ppm")]]
             sh $<TARGET_FILE:brivel> ${PICTURE_DATA} ${PICTURE_TMP})
set_tests_properties(tool.picture.jpeg_to_ppm PROPERTIES
                     PASS_REGULAR_EXPRESSION "^P6 16 12 255  589\n$")

# Fitted, written as PNG, and read back by our own decoder: 16 x 12 into 8 x 8 is 8 x 6.
add_test(NAME tool.picture.png_fit_roundtrip
         COMMAND sh -c [[
             rm -f "$3/fit.png" "$3/fit.ppm"
             "$1" picture "$2/tiny.png" --fit 8x8 -o "$3/fit.png" &&
             "$1" picture "$3/fit.png" -o "$3/fit.ppm" || exit 1
             echo "$(head -c 11 "$3/fit.ppm" | tr '\n' ' ')"]]
             sh $<TARGET_FILE:brivel> ${PICTURE_DATA} ${PICTURE_TMP})
set_tests_properties(tool.picture.png_fit_roundtrip PROPERTIES
                     PASS_REGULAR_EXPRESSION "^P6 8 6 255 \n$")

# Undecodable: status 1, the decoder's error, and no output file.
add_test(NAME tool.picture.bad_png
         COMMAND sh -c [[
             rm -f "$3/bad.ppm"
             error=$("$1" picture "$2/bad-data.png" -o "$3/bad.ppm" 2>&1)
             status=$?
             [ -e "$3/bad.ppm" ] && echo "output left behind"
             echo "exit=$status $error"]]
             sh $<TARGET_FILE:brivel> ${PICTURE_DATA} ${PICTURE_TMP})
set_tests_properties(tool.picture.bad_png PROPERTIES
                     PASS_REGULAR_EXPRESSION "^exit=1 [^\n]*bad-data.png: PNG error BadFile \\(0x2000\\)\n$")

add_test(NAME tool.picture.bad_jpeg
         COMMAND sh -c [[
             rm -f "$3/bad.ppm"
             printf '\377\330\377\340 not a JPEG after all' > "$3/bad.jpg"
             error=$("$1" picture "$3/bad.jpg" -o "$3/bad.ppm" 2>&1)
             status=$?
             [ -e "$3/bad.ppm" ] && echo "output left behind"
             echo "exit=$status $error"]]
             sh $<TARGET_FILE:brivel> ${PICTURE_DATA} ${PICTURE_TMP})
set_tests_properties(tool.picture.bad_jpeg PROPERTIES
                     PASS_REGULAR_EXPRESSION "^exit=1 [^\n]*bad.jpg: JPEG error: [^\n]+\n$")

# A box with a side of 0 and an output of another type are usage errors.
add_test(NAME tool.picture.usage
         COMMAND sh -c [[
             "$1" picture "$2/tiny.jpg" --fit 0x5 -o "$3/u.ppm" 2>/dev/null; a=$?
             "$1" picture "$2/tiny.jpg" -o "$3/u.bmp" 2>/dev/null; b=$?
             echo "$a $b"]]
             sh $<TARGET_FILE:brivel> ${PICTURE_DATA} ${PICTURE_TMP})
set_tests_properties(tool.picture.usage PROPERTIES PASS_REGULAR_EXPRESSION "^2 2\n$")
