# Smoke tests of `brivel new` and `brivel check`: the tool is handed to each
# script as $1, the pictures folder as $2, a scratch folder as $3.
set(DESCRIPTION_DATA ${CMAKE_CURRENT_SOURCE_DIR}/../data)
set(DESCRIPTION_TMP ${CMAKE_CURRENT_BINARY_DIR}/description-tmp)
file(MAKE_DIRECTORY ${DESCRIPTION_TMP})

# The starter names two pictures that are not there yet: two errors, status 1.
add_test(NAME tool.description.new_then_check
         COMMAND sh -c [[
             rm -rf "$3/new" && "$1" new "$3/new" >/dev/null || exit 1
             "$1" check "$3/new" 2>&1; echo "exit=$?"]]
             sh $<TARGET_FILE:brivel> ${DESCRIPTION_DATA} ${DESCRIPTION_TMP})
set_tests_properties(tool.description.new_then_check PROPERTIES PASS_REGULAR_EXPRESSION
    "^[^\n]*/new/quiz.toml:[0-9]+: error: picture\\[1\\].file: picture 01.jpg not found\n[^\n]*: error: picture\\[2\\].file: picture 02.jpg not found\nexit=1\n$")

# With its pictures in place the starter passes, warning only of their size.
add_test(NAME tool.description.starter_with_pictures
         COMMAND sh -c [[
             rm -rf "$3/full" && "$1" new "$3/full" >/dev/null || exit 1
             cp "$2/tiny.jpg" "$3/full/01.jpg" && cp "$2/tiny.png" "$3/full/02.jpg" || exit 1
             "$1" check "$3/full" 2>/dev/null; echo "exit=$?"
             "$1" check "$3/full" 2>&1 >/dev/null | grep -c ': warning: .*not 640 x 480']]
             sh $<TARGET_FILE:brivel> ${DESCRIPTION_DATA} ${DESCRIPTION_TMP})
set_tests_properties(tool.description.starter_with_pictures PROPERTIES
                     PASS_REGULAR_EXPRESSION "^ok: 2 pictures\nexit=0\n2\n$")

# In a folder of photos, one [[picture]] per picture in name order, a WebP
# in comments with its conversion; hidden files, text and folders are none.
# check asks for each answer, then names the pictures the quiz leaves out
# (a converted WebP is not one), the first ten by name. A second new leaves
# the description as it is.
add_test(NAME tool.description.new_from_pictures
         COMMAND sh -c [==[
             rm -rf "$3/photos" && mkdir -p "$3/photos/sub.jpg" && cd "$3" || exit 1
             for n in IMG_0010.JPG IMG_0002.jpg 10.jpg 2.jpg ete.jpg 'E\314\201te\314\201.jpg' ._2.jpg .DS_Store Thumbs.db; do
                 cp "$2/tiny.jpg" "photos/$(printf "$n")" || exit 1
             done
             cp "$2/tiny.png" photos/b.png && echo notes > photos/notes.txt || exit 1
             printf 'RIFF\044\000\000\000WEBPVP8 ' > photos/IMG_0005.webp
             "$1" new photos 2>&1; echo "exit=$?"
             echo $(grep -e '^file =' -e '^# file =' photos/quiz.toml | sed 's/.*= //')
             "$1" check photos 2>&1 >/dev/null | grep ': error: ' | sed 's/.*: error: picture.[0-9]*.\.answer: empty: write between its quotes what the players type to find .*/E/' | tr -d '\n'
             "$1" check photos >/dev/null 2>&1; echo " exit=$?"
             sed -i 's/^answer = ""$/answer = "x"/' photos/quiz.toml && cp "$2/tiny.jpg" photos/IMG_0011.jpg
             "$1" check photos 2>/dev/null; echo "exit=$?"
             cp "$2/tiny.jpg" photos/IMG_0005.jpg && printf '[[picture]]\nfile = "IMG_0005.jpg"\nanswer = "y"\ncode = ""\n' >> photos/quiz.toml
             for i in 1 2 3 4 5 6 7 8 9 10 11; do cp "$2/tiny.jpg" "photos/n$i.jpg"; done
             "$1" check photos 2>/dev/null | sed -n '1p;10,$p'
             cp photos/quiz.toml written.toml && "$1" new photos 2>&1; echo "exit=$?"
             cmp photos/quiz.toml written.toml && echo kept]==]
             sh $<TARGET_FILE:brivel> ${DESCRIPTION_DATA} ${DESCRIPTION_TMP})
set_tests_properties(tool.description.new_from_pictures PROPERTIES PASS_REGULAR_EXPRESSION
    "^brivel new: warning: photos/IMG_0005.webp: a WebP picture, which the players cannot show: convert it to JPEG [^\n]*\nwrote photos/quiz.toml: 7 pictures in name order, 1 more to convert first, in comments. write each answer in it, then run: brivel check photos\nexit=0\n\"2.jpg\" \"10.jpg\" \"b.png\" \"ete.jpg\" \"Été.jpg\" \"IMG_0002.jpg\" \"IMG_0005.webp\" \"IMG_0010.JPG\"\nEEEEEEE exit=1\nphotos/IMG_0005.webp: info: not in the quiz. a WebP picture[^\n]*\nphotos/IMG_0011.jpg: info: not in the quiz: give it a \\[\\[picture\\]\\] to use it\nok: 7 pictures\nexit=0\nphotos/IMG_0011.jpg: info: [^\n]*\nphotos/n9.jpg: info: [^\n]*\nphotos: info: 2 more pictures not in the quiz\nok: 8 pictures\nbrivel new: photos/quiz.toml: already exists, left as it is\nexit=1\nkept\n$")

# An existing description is never overwritten.
add_test(NAME tool.description.new_refuses_existing
         COMMAND sh -c [[
             rm -rf "$3/kept" && mkdir -p "$3/kept" && echo 'mine' > "$3/kept/quiz.toml"
             "$1" new "$3/kept" 2>/dev/null; echo "exit=$? $(cat "$3/kept/quiz.toml")"]]
             sh $<TARGET_FILE:brivel> ${DESCRIPTION_DATA} ${DESCRIPTION_TMP})
set_tests_properties(tool.description.new_refuses_existing PROPERTIES
                     PASS_REGULAR_EXPRESSION "^exit=1 mine\n$")

# A folder where a file belongs is an error that names it, never an abort.
add_test(NAME tool.description.folder_for_a_file
         COMMAND sh -c [[
             rm -rf "$3/folders" && mkdir -p "$3/folders/quiz.toml" || exit 1
             "$1" check "$3/folders" 2>&1; echo "exit=$?"
             rm -r "$3/folders/quiz.toml" && "$1" new "$3/folders" >/dev/null || exit 1
             mkdir "$3/folders/01.jpg" && cp "$2/tiny.jpg" "$3/folders/02.jpg" || exit 1
             { "$1" pack "$3/folders" -o "$3/folders.res" 2>&1; echo "exit=$?"; } | grep -v warning]]
             sh $<TARGET_FILE:brivel> ${DESCRIPTION_DATA} ${DESCRIPTION_TMP})
set_tests_properties(tool.description.folder_for_a_file PROPERTIES PASS_REGULAR_EXPRESSION
    "^brivel check: [^\n]*/folders/quiz.toml: is a folder, not a file\nexit=1\n[^\n]*/folders/quiz.toml:[0-9]+: error: picture\\[1\\].file: picture 01.jpg: is a folder, not a file\nbrivel pack: [^\n]*folders.res: nothing written\nexit=1\n$")

# A code step and a title wider than their boxes: warned of, naming what shows,
# also where the bold italic title is the bold face slanted by fontconfig (a
# system with fonts-dejavu-core alone).
add_test(NAME tool.description.text_cut
         COMMAND sh -c [[
             rm -rf "$3/cut" && "$1" new "$3/cut" >/dev/null || exit 1
             cp "$2/tiny.jpg" "$3/cut/01.jpg" && cp "$2/tiny.jpg" "$3/cut/02.jpg" || exit 1
             sed -i 's/^code = "B"$/code = "CHAPEAU, TU AS TOUT TROUVÉ"/; s/^title = .*/title = "Les monuments de Paris et de toute la France"/' "$3/cut/quiz.toml"
             "$1" check "$3/cut" 2>&1 | grep -e 'does not fit'; "$1" check "$3/cut" >/dev/null 2>&1; echo "exit=$?"
             mkdir -p "$3/upright" && ln -sf "$4/DejaVuSans.ttf" "$4/DejaVuSans-Bold.ttf" "$3/upright/" || exit 1
             printf '<fontconfig><dir>%s/upright</dir><cachedir>%s/upright</cachedir><include>/etc/fonts/conf.d</include></fontconfig>\n' "$3" "$3" > "$3/upright.conf"
             FONTCONFIG_FILE="$3/upright.conf" "$1" check "$3/cut" 2>&1 | grep -e 'title: .*does not fit']]
             sh $<TARGET_FILE:brivel> ${DESCRIPTION_DATA} ${DESCRIPTION_TMP} /usr/share/fonts/truetype/dejavu)
set_tests_properties(tool.description.text_cut PROPERTIES PASS_REGULAR_EXPRESSION
    "^[^\n]*/cut/quiz.toml:[0-9]+: warning: title: \"Les monuments de Paris et de toute la France\" does not fit its 260 x 18 box: the players show \"Les monuments de Paris et de\" \\(measured in the Linux player's [^\n]*\\)\n[^\n]*: warning: picture\\[1\\].code: [^\n]*the players show \"CHAPEA\"[^\n]*\nexit=0\n[^\n]*: warning: title: [^\n]* the players show \"Les monuments de Paris et de\" \\(measured in the Linux player's DejaVu Sans Bold 15 px\\)\n$")
