# The players `brivel pack` copies into quizzes, stripped of their debug
# sections and symbol tables into players/ of this build, where a tool run
# from this build finds them, and installed from there by cmake/Install.cmake.
# Their names are the tool's (tools/brivel/players.cpp).
set(BRIVEL_PLAYERS_DIR ${CMAKE_BINARY_DIR}/players)

# brivel_ship_player(NAME FILE [STRIP PROGRAM] [DEPENDS TARGET...]): FILE into
# players/NAME, stripped by PROGRAM (binutils' strip for FILE's format) when
# given, copied as it is otherwise.
function(brivel_ship_player name file)
    cmake_parse_arguments(PARSE_ARGV 2 arg "" "STRIP" "DEPENDS")
    set(out ${BRIVEL_PLAYERS_DIR}/${name})
    if(arg_STRIP)
        set(make ${arg_STRIP} --strip-all -o ${out} ${file})
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
