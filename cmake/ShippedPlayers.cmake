# The players `brivel pack` copies into quizzes, stripped of their debug
# sections and symbol tables into players/ of this build, where a tool run
# from this build finds them, and installed from there by cmake/Install.cmake.
# Their names are the tool's (tools/brivel/players.cpp).
set(BRIVEL_PLAYERS_DIR ${CMAKE_BINARY_DIR}/players)

# The date the shipped files carry, so that two builds of one commit ship the
# same bytes: SOURCE_DATE_EPOCH when given, else the last commit's date (a new
# commit configures again), else the date of this tree's files.
if(DEFINED ENV{SOURCE_DATE_EPOCH})
    set(BRIVEL_SOURCE_DATE_EPOCH $ENV{SOURCE_DATE_EPOCH})
else()
    execute_process(COMMAND git -C ${CMAKE_SOURCE_DIR} log -1 --format=%ct
                    OUTPUT_VARIABLE BRIVEL_SOURCE_DATE_EPOCH OUTPUT_STRIP_TRAILING_WHITESPACE
                    RESULT_VARIABLE no_git ERROR_QUIET)
    execute_process(COMMAND git -C ${CMAKE_SOURCE_DIR} rev-parse --absolute-git-dir
                    OUTPUT_VARIABLE git_dir OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
    if(no_git OR NOT BRIVEL_SOURCE_DATE_EPOCH)
        file(TIMESTAMP ${CMAKE_SOURCE_DIR}/CMakeLists.txt BRIVEL_SOURCE_DATE_EPOCH "%s" UTC)
    elseif(EXISTS ${git_dir}/logs/HEAD)
        set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${git_dir}/logs/HEAD)
    endif()
endif()

# brivel_ship_player(NAME FILE [STRIP PROGRAM] [DEPENDS TARGET...]): FILE into
# players/NAME, stripped by PROGRAM (binutils' strip for FILE's format) when
# given, copied as it is otherwise. strip writes a PE's time stamp anew, the
# source date (and so does every quiz packed from it).
function(brivel_ship_player name file)
    cmake_parse_arguments(PARSE_ARGV 2 arg "" "STRIP" "DEPENDS")
    set(out ${BRIVEL_PLAYERS_DIR}/${name})
    if(arg_STRIP)
        set(make ${CMAKE_COMMAND} -E env SOURCE_DATE_EPOCH=${BRIVEL_SOURCE_DATE_EPOCH}
                 ${arg_STRIP} --strip-all -o ${out} ${file})
    else()
        set(make ${CMAKE_COMMAND} -E copy ${file} ${out})
    endif()
    add_custom_command(
        OUTPUT ${out}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${BRIVEL_PLAYERS_DIR}
        COMMAND ${make}
        DEPENDS ${file} ${arg_DEPENDS}
        COMMENT "Shipping the player ${name}"
        VERBATIM)
    set_property(GLOBAL APPEND PROPERTY brivel_shipped_players ${out})
endfunction()

if(BRIVEL_BUILD_WINDOWS_PLAYERS)
    foreach(arch IN ITEMS i686 x86_64)
        find_program(BRIVEL_MINGW_STRIP_${arch} ${arch}-w64-mingw32-strip REQUIRED)
        brivel_ship_player(windows-${arch}.exe ${BRIVEL_WINDOWS_PLAYER_${arch}}
                           STRIP ${BRIVEL_MINGW_STRIP_${arch}} DEPENDS brivel_win32_${arch})
    endforeach()
endif()
if(TARGET brivel-player)
    brivel_ship_player(linux $<TARGET_FILE:brivel-player> STRIP ${CMAKE_STRIP} DEPENDS brivel-player)
endif()

if(BRIVEL_WEB_PLAYER)
    brivel_ship_player(web.html ${BRIVEL_WEB_PLAYER} DEPENDS brivel_web)
endif()

get_property(shipped GLOBAL PROPERTY brivel_shipped_players)
add_custom_target(brivel_players ALL DEPENDS ${shipped})
