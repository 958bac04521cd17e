# Smoke tests of `brivel pack`, `show` and `unpack`: the tool is handed to each
# script as $1, the pictures folder as $2, a scratch folder as $3.
set(PACK_DATA ${CMAKE_CURRENT_SOURCE_DIR}/../data)
set(PACK_TMP ${CMAKE_CURRENT_BINARY_DIR}/pack-tmp)
file(MAKE_DIRECTORY ${PACK_TMP})

# A quiz of a JPEG and a PNG, with texts outside ASCII, in folder $3/$4.
set(PACK_MAKE_QUIZ [==[
    rm -rf "$3/$4" && mkdir -p "$3/$4" || exit 1
    cp "$2/tiny.jpg" "$3/$4/a.jpg" && cp "$2/tiny.png" "$3/$4/b.png" || exit 1
    cat > "$3/$4/quiz.toml" <<'TOML'
title = "Château \"fort\""
author = "Zoé"
kind = 2
colour = [1, 2, 3]
[[picture]]
file = "a.jpg"
answer = "Œuf"
extra = "un\ttab"
code = "B"
[[picture]]
file = "b.png"
answer = "Mont Saint-Michel"
location = "Normandie"
code = "BR"
TOML
]==])

set(PACK_SCRIPT_1 [[
             "$1" pack "$3/$4" -o "$3/$4.res" >/dev/null 2>&1 || exit 1
             "$1" show --answers "$3/$4.res"; echo "exit=$?"]])
add_test(NAME tool.pack.show
         COMMAND sh -c "${PACK_MAKE_QUIZ}${PACK_SCRIPT_1}"
             sh $<TARGET_FILE:brivel> ${PACK_DATA} ${PACK_TMP} show)
set_tests_properties(tool.pack.show PROPERTIES PASS_REGULAR_EXPRESSION
    "^title: Château \"fort\"\nauthor: Zoé\nexplanation: \npictures: 2\ncolour: 1, 2, 3\nform: a .res bundle\n1: Œuf \\(code after 1 found: \"B\"\\)\n2: Mont Saint-Michel \\(code after 2 found: \"BR\"\\)\nexit=0\n$")

# Unpacking then packing again gives the same bytes; the pictures keep their kind.
set(PACK_SCRIPT_2 [[
             "$1" pack "$3/$4" -o "$3/$4.res" >/dev/null 2>&1 || exit 1
             rm -rf "$3/$4-out" && "$1" unpack "$3/$4.res" -o "$3/$4-out" >/dev/null || exit 1
             "$1" pack "$3/$4-out" -o "$3/$4-again.res" >/dev/null 2>&1 || exit 1
             cmp "$3/$4.res" "$3/$4-again.res" && ls "$3/$4-out"
             rm "$3/$4-out/quiz.toml" && echo mine > "$3/$4-out/02.png"
             "$1" unpack "$3/$4.res" -o "$3/$4-out" 2>&1; echo "again=$? $(cat "$3/$4-out/02.png")"
             "$1" unpack "$3/$4.res" -o "$3/$4-out" --force >/dev/null && cmp "$2/tiny.png" "$3/$4-out/02.png" && echo forced
             "$1" unpack "$3/$4.res" -o "$3/$4.res" 2>&1; echo "exit=$?"]])
add_test(NAME tool.pack.unpack_round_trip
         COMMAND sh -c "${PACK_MAKE_QUIZ}${PACK_SCRIPT_2}"
             sh $<TARGET_FILE:brivel> ${PACK_DATA} ${PACK_TMP} trip)
set_tests_properties(tool.pack.unpack_round_trip PROPERTIES PASS_REGULAR_EXPRESSION
    "^01.jpg\n02.png\nquiz.toml\nbrivel unpack: [^\n]*/trip-out/01.jpg, [^\n]*/trip-out/02.png: already there, left as they are. --force replaces them\nagain=1 mine\nforced\nbrivel unpack: [^\n]*/trip.res: is a file, not a folder\nexit=1\n$")

# A broken description is reported and leaves no quiz, not even a temporary one.
set(PACK_SCRIPT_3 [[
             sed -i 's/^answer = "Œuf"$/answer = "a|b"/' "$3/$4/quiz.toml"
             "$1" pack "$3/$4" -o "$3/$4.res" 2>&1 | grep -c ': error: picture\[1\].answer:'
             "$1" pack "$3/$4" -o "$3/$4.res" 2>/dev/null; echo "exit=$?"
             ls "$3" | grep -c "^$4\.res"]])
add_test(NAME tool.pack.broken_description
         COMMAND sh -c "${PACK_MAKE_QUIZ}${PACK_SCRIPT_3}"
             sh $<TARGET_FILE:brivel> ${PACK_DATA} ${PACK_TMP} broken)
set_tests_properties(tool.pack.broken_description PROPERTIES
                     PASS_REGULAR_EXPRESSION "^1\nexit=1\n0\n$")

# A Linux quiz is any ELF program with the bundle appended: the tool itself
# stands in for the player here, and for a bare one. Every reading command
# takes it like a .res.
set(PACK_SCRIPT_4 [[
             "$1" pack "$3/$4" -o "$3/$4-quiz" --player "$1" >/dev/null 2>&1 || exit 1
             test -x "$3/$4-quiz" && "$1" show "$3/$4-quiz" | sed -n '1p;6p'
             "$1" show "$1" 2>&1
             "$1" grade --quiz "$3/$4-quiz" --picture 1 "Œuf"
             "$1" grade --quiz "$3/$4-quiz" --picture 2 "Mont Saint-Michl"
             "$1" grade --quiz "$3/$4-quiz" --picture 3 "x" 2>&1; echo "exit=$?"
             "$1" preview "$3/$4-quiz" --found 3 -o "$3/$4.ppm" 2>&1; echo "exit=$?"
             "$1" preview "$3/$4-quiz" --picture 2 -o "$3/$4.ppm" >/dev/null && head -c 15 "$3/$4.ppm"
             "$1" pack "$3/$4" -o "$3/$4-again" --player "$3/$4-quiz" >/dev/null 2>&1 || exit 1
             cmp "$3/$4-quiz" "$3/$4-again" && echo "repacked"]])
add_test(NAME tool.pack.linux_quiz
         COMMAND sh -c "${PACK_MAKE_QUIZ}${PACK_SCRIPT_4}"
             sh $<TARGET_FILE:brivel> ${PACK_DATA} ${PACK_TMP} linux)
set_tests_properties(tool.pack.linux_quiz PROPERTIES PASS_REGULAR_EXPRESSION
    "^title: Château \"fort\"\nform: a Linux quiz\nbrivel show: [^\n]*/brivel: a bare Linux player, with no quiz in it\nBRAVO\nQuasiment\n[^\n]*picture 3: the quiz has pictures 1 to 2\nexit=1\nbrivel preview: [^\n]*-quiz: --found 3: the quiz has 2 pictures to find\nexit=1\nP6\n640 480\n255\nrepacked\n$")

# A quiz needs a player of its platform: anything else is refused with the
# reason and nothing is written. --platform takes any case; a name that says
# another platform, or no form at all, is a warning; a name that cannot be a
# quiz's is a usage error.
set(PACK_SCRIPT_5 [[
             rm -f "$3/$4.exe"
             "$1" pack "$3/$4" -o "$3/$4.exe" --player "$2/tiny.png" 2>/dev/null; echo "exit=$?"
             "$1" pack "$3/$4" -o "$3/$4.exe" --player "$2/tiny.png" 2>&1 | grep -v warning
             "$1" pack "$3/$4" -o "$3/$4.exe" --player "$1" 2>&1 | grep -v warning
             "$1" pack "$3/$4" -o "$3/$4-linux" --platform Linux --player "$2/tiny.png" 2>&1 | grep -v warning
             ls "$3" | grep -c "^$4\.exe"
             "$1" pack "$3/$4" -o "$3/$4.exe" --platform RES 2>&1 | grep -v quiz.toml
             for out in "" "$3/.EXE" "$3/"; do "$1" pack "$3/$4" -o "$out" 2>&1 | head -1; done
             "$1" pack "$3/$4" -o "$3/$4.zip" --player "$1" 2>&1 | grep -v quiz.toml]])
add_test(NAME tool.pack.not_a_player
         COMMAND sh -c "${PACK_MAKE_QUIZ}${PACK_SCRIPT_5}"
             sh $<TARGET_FILE:brivel> ${PACK_DATA} ${PACK_TMP} notplayer)
set_tests_properties(tool.pack.not_a_player PROPERTIES PASS_REGULAR_EXPRESSION
    "^exit=1\n[^\n]*tiny.png: not a Windows program we can read: [^\n]+\nbrivel pack: [^\n]*notplayer.exe: nothing written\n[^\n]*/brivel: a Linux program, not a Windows player\nbrivel pack: [^\n]*notplayer.exe: nothing written\n[^\n]*tiny.png: not a Linux program \\(no ELF header\\)\nbrivel pack: [^\n]*notplayer-linux: nothing written\n0\nbrivel pack: warning: [^\n]*notplayer.exe: its name asks for a Windows quiz, but --platform makes a .res bundle\nwrote [^\n]*notplayer.exe: 2 pictures\n--output: an empty name: [^\n]*\n--output: [^\n]*/.EXE is an extension without a name: write NAME.EXE\n--output: [^\n]*/ names a folder: [^\n]*\nbrivel pack: warning: [^\n]*notplayer.zip: .zip names no quiz form: writing a Linux quiz [^\n]*\nwrote [^\n]*notplayer.zip: 2 pictures\n$")

# pack never writes over what it reads, however OUT is spelt (a link, ./, a
# hard link), and its temporary file never takes a name that may be the user's.
set(PACK_SCRIPT_6 [[
             rm -rf "$3/$4-before" && cp -r "$3/$4" "$3/$4-before" && cp "$1" "$3/$4-player" || exit 1
             ln -sf "$4/quiz.toml" "$3/$4-link.res" && ln -f "$3/$4/a.jpg" "$3/$4-hard.res" || exit 1
             for out in "$3/$4/quiz.toml" "$3/$4/./b.png" "$3/$4-link.res" "$3/$4-hard.res"; do
                 { "$1" pack "$3/$4" -o "$out" 2>&1; echo "exit=$?"; } | grep -v warning
             done
             "$1" pack "$3/$4" -o "$3/$4-player" --player "$3/$4-player" 2>&1 | grep -v warning
             "$1" pack "$3/$4" -o "$3/$4" 2>&1 | grep -v warning
             diff -r "$3/$4-before" "$3/$4" && cmp "$1" "$3/$4-player" && echo intact
             echo mine > "$3/$4.res.tmp" && "$1" pack "$3/$4" -o "$3/$4.res" >/dev/null 2>&1
             echo "$(cat "$3/$4.res.tmp") $(ls -a "$3" | grep -c "^\.$4")"]])
add_test(NAME tool.pack.never_overwrites_inputs
         COMMAND sh -c "${PACK_MAKE_QUIZ}${PACK_SCRIPT_6}"
             sh $<TARGET_FILE:brivel> ${PACK_DATA} ${PACK_TMP} inputs)
set_tests_properties(tool.pack.never_overwrites_inputs PROPERTIES PASS_REGULAR_EXPRESSION
    "^brivel pack: [^\n]*/quiz.toml: is one of the files pack reads. name another file to write\n[^\n]*/quiz.toml: nothing written\nexit=1\nbrivel pack: [^\n]*/./b.png: is the same file as [^\n]*/b.png, which pack reads. [^\n]*\n[^\n]*/b.png: nothing written\nexit=1\nbrivel pack: [^\n]*-link.res: is the same file as [^\n]*/quiz.toml, [^\n]*\n[^\n]*-link.res: nothing written\nexit=1\nbrivel pack: [^\n]*-hard.res: is the same file as [^\n]*/a.jpg, [^\n]*\n[^\n]*-hard.res: nothing written\nexit=1\nbrivel pack: [^\n]*-player: is one of the files pack reads. [^\n]*\n[^\n]*-player: nothing written\nbrivel pack: [^\n]*/inputs: is a folder. name a file to write\n[^\n]*/inputs: nothing written\nintact\nmine 0\n$")

# Files of no quiz form, and damaged ones, are refused with the reason.
add_test(NAME tool.pack.show_not_a_quiz
         COMMAND sh -c [[
             cp "$2/tiny.png" "$3/png.res" && "$1" show "$3/png.res" 2>&1; echo "exit=$?"
             head -c 40 "$3/trip.res" > "$3/cut.res" && "$1" show "$3/cut.res" 2>&1; echo "exit=$?"]]
             sh $<TARGET_FILE:brivel> ${PACK_DATA} ${PACK_TMP})
set_tests_properties(tool.pack.show_not_a_quiz PROPERTIES
                     DEPENDS tool.pack.unpack_round_trip
                     PASS_REGULAR_EXPRESSION "neither a .res bundle nor a Windows, Linux or web quiz [^\n]+\nexit=1\n[^\n]*damaged quiz resources: [^\n]+\nexit=1\n$")

# A web quiz is the web player's page with the bundle in its quiz element: a
# page of that shape stands in for the player. A page saved with CRLF still
# reads; packing into a packed page replaces its quiz; a page without the
# element is refused, a bare one has no quiz.
set(PACK_SCRIPT_6 [[
             printf '<!DOCTYPE html>\n<div id="brivel-quiz" hidden></div>\n' > "$3/bare.html"
             "$1" pack "$3/$4" -o "$3/$4.html" --player "$3/bare.html" >/dev/null 2>&1 || exit 1
             "$1" show "$3/$4.html" | head -1
             sed 's/$/\r/' "$3/$4.html" > "$3/$4-crlf.html" && "$1" show "$3/$4-crlf.html" | head -1
             "$1" grade --quiz "$3/$4.html" --picture 1 "Œuf"
             "$1" pack "$3/$4" -o "$3/$4-again.htm" --player "$3/$4.html" >/dev/null 2>&1 || exit 1
             cmp "$3/$4.html" "$3/$4-again.htm" && echo "repacked"
             "$1" show "$3/bare.html" 2>&1; echo "exit=$?"
             "$1" pack "$3/$4" -o "$3/$4-2" --platform web --player "$2/tiny.png" 2>&1 | grep -v warning
             ls "$3" | grep -c "^$4-2"]])
add_test(NAME tool.pack.web_quiz
         COMMAND sh -c "${PACK_MAKE_QUIZ}${PACK_SCRIPT_6}"
             sh $<TARGET_FILE:brivel> ${PACK_DATA} ${PACK_TMP} web)
set_tests_properties(tool.pack.web_quiz PROPERTIES PASS_REGULAR_EXPRESSION
    "^title: Château \"fort\"\ntitle: Château \"fort\"\nBRAVO\nrepacked\n[^\n]*bare.html: a bare web player, with no quiz in it\nexit=1\n[^\n]*not a web player page\n[^\n]*web-2: nothing written\n0\n$")

# Pictures are stored as the players show them: a photo with an EXIF
# orientation comes back upright (16 x 12 turned to 12 x 16), check says so
# beforehand, a pack that is not on a terminal prints no progress, and
# --keep-pictures stores the file as it is. ImageMagick's transparent palette
# PNG, a 16-bit PNG and a CMYK JPEG become JPEGs; kept, the two that some
# players cannot show as the others do are warned of. A WebP is named.
set(PACK_SCRIPT_PREPARED [==[
             rm -rf "$3/$4" && mkdir -p "$3/$4" || exit 1
             { printf '\377\330\377\341\000\042Exif\000\000MM\000\052\000\000\000\010\000\001'
               printf '\001\022\000\003\000\000\000\001\000\006\000\000\000\000\000\000'
               tail -c +3 "$2/tiny.jpg"; } > "$3/$4/a.jpg"
             printf 'title = "t"\nauthor = "a"\n[[picture]]\nfile = "a.jpg"\nanswer = "x"\ncode = "B"\n' \
                 > "$3/$4/quiz.toml"
             "$1" check "$3/$4" 2>/dev/null
             "$1" pack "$3/$4" -o "$3/$4.res" 2>&1 >/dev/null | grep -v ': warning: '
             rm -rf "$3/$4-out" && "$1" unpack "$3/$4.res" -o "$3/$4-out" >/dev/null || exit 1
             "$1" picture "$3/$4-out/01.jpg" -o "$3/$4.ppm" >/dev/null && head -c 9 "$3/$4.ppm" | tail -c 6
             "$1" pack "$3/$4" -o "$3/$4-kept.res" --keep-pictures >/dev/null 2>&1 || exit 1
             rm -rf "$3/$4-kept" && "$1" unpack "$3/$4-kept.res" -o "$3/$4-kept" >/dev/null || exit 1
             cmp "$3/$4/a.jpg" "$3/$4-kept/01.jpg" && echo kept
             "$1" pack "$3/$4" -o "$3/$4-q.res" --quality 0 >/dev/null 2>&1; echo "quality=$?"
             convert -size 16x12 xc:none -fill red -draw 'rectangle 0,0 7,11' "PNG8:$3/$4/b.png" &&
                 convert -size 16x12 gradient: -depth 16 "$3/$4/c.png" &&
                 convert -size 16x12 xc:red -colorspace CMYK "$3/$4/d.jpg" || exit 1
             for f in b.png c.png d.jpg; do
                 printf '[[picture]]\nfile = "%s"\nanswer = "%s"\ncode = "B"\n' $f $f >> "$3/$4/quiz.toml"
             done
             "$1" check "$3/$4" 2>/dev/null | sed 's/.*prepared by pack: //'
             "$1" pack "$3/$4" -o "$3/$4-kept.res" --keep-pictures 2>&1 >/dev/null | grep -v ': warning: picture'
             rm -rf "$3/$4-all" && "$1" pack "$3/$4" -o "$3/$4.res" 2>/dev/null >&2 &&
                 "$1" unpack "$3/$4.res" -o "$3/$4-all" >/dev/null && echo $(ls "$3/$4-all")
             printf 'RIFF\044\000\000\000WEBPVP8 ' > "$3/$4/d.jpg" && "$1" check "$3/$4" 2>&1 | grep error]==])
add_test(NAME tool.pack.prepared_pictures
         COMMAND sh -c "${PACK_SCRIPT_PREPARED}" sh $<TARGET_FILE:brivel> ${PACK_DATA} ${PACK_TMP}
             prepared)
set_tests_properties(tool.pack.prepared_pictures PROPERTIES PASS_REGULAR_EXPRESSION
    "^[^\n]*/a.jpg: info: prepared by pack: 16 x 12 JPEG, EXIF orientation 6: turned upright[^\n]*\nok: 1 picture\n12 16\nkept\nquality=2\n16 x 12 JPEG[^\n]*\n16 x 12 PNG: transparent areas laid on the quiz colour, stored as a JPEG of quality 90\n16 x 12 PNG: 16-bit samples made 8-bit, stored as a JPEG of quality 90\n16 x 12 JPEG: CMYK made RGB, stored as a JPEG of quality 90\nok: 4 pictures\nbrivel pack: warning: [^\n]*/b.png: a transparent PNG: the Windows and Linux players show [^\n]*\nbrivel pack: warning: [^\n]*/d.jpg: a CMYK JPEG, which the Windows and Linux players show as nothing[^\n]*\n01.jpg 02.jpg 03.jpg 04.jpg quiz.toml\n[^\n]*: error: picture.4..file: picture d.jpg is a WebP picture, which the players cannot show: convert it to JPEG [^\n]*\n$")

# A tool moved out of its build tree finds its players in ../share/brivel/players
# beside itself, and names where it looked when one is missing. The tool stands
# in for the Linux player.
set(PACK_SCRIPT_MOVED [[
             rm -rf "$3/$4-tree" && mkdir -p "$3/$4-tree/bin" "$3/$4-tree/share/brivel/players"
             cp "$1" "$3/$4-tree/bin/brivel" && cp "$1" "$3/$4-tree/share/brivel/players/linux"
             cd "$3/$4-tree/bin" || exit 1
             ./brivel pack "$3/$4" -o "$3/$4.exe" 2>&1 | grep -v warning; ls "$3" | grep -c "^$4\.exe"
             ./brivel pack "$3/$4" -o "$3/$4-quiz" 2>/dev/null && "$1" show "$3/$4-quiz" | head -1
             ./brivel players 2>/dev/null]])
add_test(NAME tool.pack.players_beside_the_tool
         COMMAND sh -c "${PACK_MAKE_QUIZ}${PACK_SCRIPT_MOVED}"
             sh $<TARGET_FILE:brivel> ${PACK_DATA} ${PACK_TMP} moved)
set_tests_properties(tool.pack.players_beside_the_tool PROPERTIES PASS_REGULAR_EXPRESSION
    "^brivel pack: no windows player: looked for [^\n]*/moved-tree/share/brivel/players/windows-i686.exe; name one with --player FILE\n[^\n]*moved.exe: nothing written\n0\nwrote [^\n]*\ntitle: Château \"fort\"\nlinux +ELF x86-64 +[0-9]+ KB  [^\n]*/moved-tree/share/brivel/players/linux\n$")

# Run from its build tree, the tool lists the stripped players of that tree.
if(BRIVEL_BUILD_WINDOWS_PLAYERS AND TARGET brivel-player)
    set(web_line "")
    if(BRIVEL_WEB_PLAYER)
        set(web_line "web +HTML \\+ wasm32 +[0-9]+ KB  ${BRIVEL_PLAYERS_DIR}/web.html\n")
    endif()
    add_test(NAME tool.players COMMAND $<TARGET_FILE:brivel> players)
    set_tests_properties(tool.players PROPERTIES PASS_REGULAR_EXPRESSION
        "^windows +PE32 i386 +[0-9]+ KB  ${BRIVEL_PLAYERS_DIR}/windows-i686.exe\nwindows +PE32\\+ AMD64 +[0-9]+ KB  ${BRIVEL_PLAYERS_DIR}/windows-x86_64.exe  \\(with --player\\)\nlinux +ELF x86-64 +[0-9]+ KB  ${BRIVEL_PLAYERS_DIR}/linux\n${web_line}$")
endif()
