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
        DEPENDS brivel_window_description
        INSTALL_COMMAND ""
        BUILD_ALWAYS ON
        BUILD_BYPRODUCTS ${binary_dir}/brivel-player.html
        USES_TERMINAL_BUILD ON)
    set(BRIVEL_WEB_PLAYER ${binary_dir}/brivel-player.html)
endif()
