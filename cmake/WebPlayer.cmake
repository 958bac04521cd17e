# The web player: the portable core compiled to WebAssembly by a sub-build
# with its own toolchain (cmake/toolchains/wasm32-wasi.cmake) in web/ of this
# build folder, written into one page with its style and script.
#
# Sets BRIVEL_WEB_PLAYER to the bare page's path and the target brivel_web.
include(ExternalProject)

get_filename_component(brivel_root "${CMAKE_CURRENT_LIST_DIR}/.." ABSOLUTE)

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
        INSTALL_COMMAND ""
        BUILD_ALWAYS ON
        BUILD_BYPRODUCTS ${binary_dir}/brivel-player.html
        USES_TERMINAL_BUILD ON)
    set(BRIVEL_WEB_PLAYER ${binary_dir}/brivel-player.html)
endif()
