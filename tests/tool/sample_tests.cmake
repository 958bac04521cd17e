# The sample quiz: it checks clean (no warning: every text fits its box in the
# players), every form the build packed comes back byte for byte through
# unpack and pack, and its whole window can be previewed.
set(SAMPLE_SOURCE ${CMAKE_SOURCE_DIR}/samples/sample)
set(SAMPLE_TMP ${CMAKE_CURRENT_BINARY_DIR}/sample-tmp)
file(MAKE_DIRECTORY ${SAMPLE_TMP})

add_test(NAME tool.sample.check COMMAND sh -c [["$1" check "$2" 2>&1; echo "exit=$?"]]
         sh $<TARGET_FILE:brivel> ${SAMPLE_SOURCE})
set_tests_properties(tool.sample.check PROPERTIES PASS_REGULAR_EXPRESSION "^ok: 21 pictures\nexit=0\n$")

# The whole window as a PNG of 670 x 640 (its IHDR's width and height).
add_test(NAME tool.sample.preview_window
         COMMAND sh -c [[
             "$1" preview "$2/sample.res" --picture 7 --found 7 -o "$3/window.png" || exit 1
             od -An -tu1 -j16 -N8 "$3/window.png" | tr -s ' \n' ' ']]
             sh $<TARGET_FILE:brivel> ${BRIVEL_SAMPLE_DIR} ${SAMPLE_TMP})
set_tests_properties(tool.sample.preview_window PROPERTIES PASS_REGULAR_EXPRESSION
    "^wrote [^
]*/window.png: the window at picture 7, 7 / 21 found
 0 0 2 158 0 0 2 128 ?\n?$")

# brivel_sample_round_trip(FILE PLATFORM [PLAYER])
function(brivel_sample_round_trip file platform)
    set(player "")
    if(ARGC GREATER 2)
        set(player ${ARGV2})
    endif()
    add_test(NAME tool.sample.round_trip_${platform}
             COMMAND sh -c [[
                 set -e
                 rm -rf "$3/$4" && "$1" unpack "$2/$4" -o "$3/$4" >/dev/null
                 "$1" pack "$3/$4" -o "$3/again-$4" --platform "$5" ${6:+--player "$6"} >/dev/null
                 cmp "$2/$4" "$3/again-$4" && echo same]]
                 sh $<TARGET_FILE:brivel> ${BRIVEL_SAMPLE_DIR} ${SAMPLE_TMP} ${file} ${platform}
                 ${player})
    set_tests_properties(tool.sample.round_trip_${platform} PROPERTIES
                         PASS_REGULAR_EXPRESSION "^same\n$")
endfunction()

brivel_sample_round_trip(sample.res res)
if(TARGET brivel-player)
    brivel_sample_round_trip(sample linux ${BRIVEL_PLAYERS_DIR}/linux)
endif()
if(BRIVEL_BUILD_WINDOWS_PLAYERS)
    brivel_sample_round_trip(sample.exe windows ${BRIVEL_PLAYERS_DIR}/windows-i686.exe)
endif()
