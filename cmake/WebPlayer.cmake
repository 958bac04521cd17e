# The web player: the portable core compiled to WebAssembly by a sub-build
# with its own toolchain (cmake/toolchains/wasm32-wasi.cmake) in web/ of this
# build folder, written into one page with its style and script.
#
# Sets BRIVEL_WEB_PLAYER to the bare page's path and the target brivel_web.
#
# First the window's description (src/app/window_layout.h) is written out for
# what cannot include it: the page's geometry and field numbers, and
# window.json for the end-to-end tests (BRIVEL_WINDOW_JSON).
include(ExternalProject)

get_filename_component(brivel_root "${CMAKE_CURRENT_LIST_DIR}/.." ABSOLUTE)

add_executable(brivel_describe_window ${brivel_root}/tools/describe_window.cpp)
set_target_properties(brivel_describe_window PROPERTIES OUTPUT_NAME describe-window)
target_include_directories(brivel_describe_window PRIVATE ${brivel_root}/src)
target_link_libraries(brivel_describe_window PRIVATE brivel_warnings)
set(BRIVEL_WINDOW_DIR ${CMAKE_BINARY_DIR}/window)
set(BRIVEL_WINDOW_JSON ${BRIVEL_WINDOW_DIR}/window.json)
add_custom_command(
    OUTPUT ${BRIVEL_WINDOW_DIR}/window.css ${BRIVEL_WINDOW_DIR}/page.js ${BRIVEL_WINDOW_JSON}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${BRIVEL_WINDOW_DIR}
    COMMAND brivel_describe_window ${BRIVEL_WINDOW_DIR}
    DEPENDS brivel_describe_window
    COMMENT "Describing the player's window"
    VERBATIM)
add_custom_target(brivel_window_description ALL
    DEPENDS ${BRIVEL_WINDOW_DIR}/window.css ${BRIVEL_WINDOW_DIR}/page.js ${BRIVEL_WINDOW_JSON})

option(BRIVEL_BUILD_WEB_PLAYER "Build the web player (clang's wasm32 target)" ON)

if(BRIVEL_BUILD_WEB_PLAYER)
    if(NOT EXISTS /usr/include/wasm32-wasi/c++/v1 AND
       NOT EXISTS /usr/lib/llvm-14/include/wasm32-wasi/c++/v1)
        message(FATAL_ERROR "libc++ for wasm32 not found: run scripts/bootstrap, "
                            "or configure with -DBRIVEL_BUILD_WEB_PLAYER=OFF")
    endif()
    # The Linux player's faces, which `brivel check` measures with, carried
    # by the page: cut to Windows-1252 as WOFF2, with their metrics for the
    # core's line breaking (src/web/make_fonts.py).
    set(dejavu /usr/share/fonts/truetype/dejavu)
    set(faces "")
    foreach(face DejaVuSans DejaVuSans-Bold DejaVuSans-BoldOblique)
        find_file(BRIVEL_FONT_${face} ${face}.ttf PATHS ${dejavu} NO_DEFAULT_PATH)
        if(NOT BRIVEL_FONT_${face})
            message(FATAL_ERROR "${dejavu}/${face}.ttf not found: run scripts/bootstrap")
        endif()
        list(APPEND faces ${BRIVEL_FONT_${face}})
    endforeach()
    # fontTools and brotli come from Debian's packages, for Debian's own python3.
    find_program(BRIVEL_SYSTEM_PYTHON python3 PATHS /usr/bin NO_DEFAULT_PATH)
    if(NOT BRIVEL_SYSTEM_PYTHON)
        find_program(BRIVEL_SYSTEM_PYTHON python3 REQUIRED)
    endif()
    execute_process(COMMAND ${BRIVEL_SYSTEM_PYTHON} -c "import fontTools.subset, brotli"
                    RESULT_VARIABLE no_font_tools OUTPUT_QUIET ERROR_QUIET)
    if(no_font_tools)
        message(FATAL_ERROR "${BRIVEL_SYSTEM_PYTHON} cannot import fontTools and brotli: run "
                            "scripts/bootstrap (python3-fonttools, python3-brotli)")
    endif()
    set(fonts_dir ${CMAKE_BINARY_DIR}/fonts)
    add_custom_command(
        OUTPUT ${fonts_dir}/fonts.css ${fonts_dir}/carried_fonts.h
        COMMAND ${BRIVEL_SYSTEM_PYTHON} ${brivel_root}/src/web/make_fonts.py ${fonts_dir} ${faces}
        DEPENDS ${brivel_root}/src/web/make_fonts.py ${faces}
        COMMENT "Cutting the page's fonts"
        VERBATIM)
    add_custom_target(brivel_web_fonts ALL
        DEPENDS ${fonts_dir}/fonts.css ${fonts_dir}/carried_fonts.h)

    set(binary_dir ${CMAKE_BINARY_DIR}/web)
    ExternalProject_Add(brivel_web
        SOURCE_DIR ${brivel_root}/src/web
        BINARY_DIR ${binary_dir}
        CMAKE_GENERATOR ${CMAKE_GENERATOR}
        CMAKE_ARGS
            -DCMAKE_TOOLCHAIN_FILE=${brivel_root}/cmake/toolchains/wasm32-wasi.cmake
            # Small and fast whatever the host's build type: it is shipped in every page.
            -DCMAKE_BUILD_TYPE=MinSizeRel
            -DBRIVEL_WARNINGS_AS_ERRORS=${BRIVEL_WARNINGS_AS_ERRORS}
            -DBRIVEL_WINDOW_DIR=${BRIVEL_WINDOW_DIR}
            -DBRIVEL_FONTS_DIR=${fonts_dir}
            -DBRIVEL_NOTICES_DIR=${BRIVEL_NOTICES_DIR}
        DEPENDS brivel_window_description brivel_web_fonts brivel_notices
        ${BRIVEL_SUB_BUILD_COMMAND}
        INSTALL_COMMAND ""
        BUILD_ALWAYS ON
        BUILD_BYPRODUCTS ${binary_dir}/brivel-player.html
        USES_TERMINAL_BUILD ON)
    set(BRIVEL_WEB_PLAYER ${binary_dir}/brivel-player.html)
endif()
