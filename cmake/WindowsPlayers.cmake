# The Windows players, cross-built with MinGW-w64 as sub-builds of this one:
# the i686 player is the shipped program, the x86_64 one is what runs under
# Wine here. Each sub-build lives in win32-<arch> of this build folder.
#
# Sets BRIVEL_WINDOWS_PLAYER_<arch> to the bare player's path, and the targets
# brivel_win32_<arch>; the x86_64 one also builds brivel-bitmap-test.exe. Test quizzes: put their .rc files in
# BRIVEL_WINDOWS_QUIZ_RC_DIR and add_dependencies(brivel_win32_x86_64 <target
# that writes them>); each becomes win32-x86_64/<name>.exe.
include(ExternalProject)

get_filename_component(brivel_root "${CMAKE_CURRENT_LIST_DIR}/.." ABSOLUTE)

# Under ninja, each sub-build (here, in cmake/WebPlayer.cmake and
# cmake/Studio.cmake) runs its own, which would take every core: it is held to
# the top build's job limit (scripts/sub-build). make shares its jobserver.
if(CMAKE_GENERATOR MATCHES "Ninja")
    set(BRIVEL_SUB_BUILD_COMMAND BUILD_COMMAND ${brivel_root}/scripts/sub-build ${CMAKE_COMMAND}
                                 <BINARY_DIR>)
else()
    set(BRIVEL_SUB_BUILD_COMMAND "")
endif()

option(BRIVEL_BUILD_WINDOWS_PLAYERS "Cross-build the Windows players with MinGW-w64" ON)
set(BRIVEL_WINDOWS_QUIZ_RC_DIR "${CMAKE_BINARY_DIR}/win32-quizzes"
    CACHE PATH "Folder of test quiz .rc files for the Windows players")

if(BRIVEL_BUILD_WINDOWS_PLAYERS)
    foreach(arch IN ITEMS i686 x86_64)
        find_program(BRIVEL_MINGW_CXX_${arch} ${arch}-w64-mingw32-g++-win32)
        if(NOT BRIVEL_MINGW_CXX_${arch})
            message(FATAL_ERROR
                "${arch}-w64-mingw32-g++-win32 not found: run scripts/bootstrap, "
                "or configure with -DBRIVEL_BUILD_WINDOWS_PLAYERS=OFF")
        endif()
    endforeach()
    file(MAKE_DIRECTORY ${BRIVEL_WINDOWS_QUIZ_RC_DIR})

    # The sub-builds take the host's build type (or RelWithDebInfo) and warning
    # policy; sanitizers stay on the host side.
    set(windows_build_type ${CMAKE_BUILD_TYPE})
    if(NOT windows_build_type)
        set(windows_build_type RelWithDebInfo)
    endif()

    foreach(arch IN ITEMS i686 x86_64)
        set(binary_dir ${CMAKE_BINARY_DIR}/win32-${arch})
        # Test quizzes run under Wine, so only the x86_64 player gets them.
        set(quiz_rc_dir "")
        set(wine_tests OFF)
        set(byproducts ${binary_dir}/brivel-player.exe)
        if(arch STREQUAL x86_64)
            set(quiz_rc_dir ${BRIVEL_WINDOWS_QUIZ_RC_DIR})
            set(wine_tests ON)
            list(APPEND byproducts ${binary_dir}/brivel-bitmap-test.exe)
        endif()
        ExternalProject_Add(brivel_win32_${arch}
            SOURCE_DIR ${brivel_root}/src/win32
            BINARY_DIR ${binary_dir}
            CMAKE_GENERATOR ${CMAKE_GENERATOR}
            CMAKE_ARGS
                -DCMAKE_TOOLCHAIN_FILE=${brivel_root}/cmake/toolchains/mingw-${arch}.cmake
                -DCMAKE_BUILD_TYPE=${windows_build_type}
                -DBRIVEL_WARNINGS_AS_ERRORS=${BRIVEL_WARNINGS_AS_ERRORS}
                -DBRIVEL_QUIZ_RC_DIR=${quiz_rc_dir}
                -DBRIVEL_BUILD_WINE_TESTS=${wine_tests}
                # The players carry notices/windows.txt as a resource; its
                # digest recompiles them when the notices change.
                "-DCMAKE_RC_FLAGS=-I${CMAKE_BINARY_DIR} -DBRIVEL_NOTICES=${BRIVEL_NOTICES_DIGEST}"
            DEPENDS brivel_notices
            ${BRIVEL_SUB_BUILD_COMMAND}
            INSTALL_COMMAND ""
            # The sub-build's own ninja decides what is out of date.
            BUILD_ALWAYS ON
            BUILD_BYPRODUCTS ${byproducts}
            USES_TERMINAL_BUILD ON)
        set(BRIVEL_WINDOWS_PLAYER_${arch} ${binary_dir}/brivel-player.exe)
    endforeach()
endif()
