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
