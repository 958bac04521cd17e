# Brivel Studio: one offline page in which a quiz is made. The maker library
# compiled to WebAssembly by a sub-build (src/studio, as the web player's in
# cmake/WebPlayer.cmake), then the page written around it with the players it
# packs, compressed: build/<preset>/studio/brivel-studio.html.
#
# Sets BRIVEL_STUDIO_PAGE and the target brivel_studio_page.
# It carries all three players it packs.
if(NOT BRIVEL_BUILD_WEB_PLAYER OR NOT BRIVEL_BUILD_LINUX_PLAYER OR NOT BRIVEL_BUILD_WINDOWS_PLAYERS)
    return()
endif()

add_executable(brivel_describe_studio ${brivel_root}/src/studio/describe_studio.cpp)
set_target_properties(brivel_describe_studio PROPERTIES OUTPUT_NAME describe-studio)
target_include_directories(brivel_describe_studio PRIVATE ${brivel_root}/src)
target_link_libraries(brivel_describe_studio PRIVATE brivel_warnings)

set(studio_dir ${CMAKE_BINARY_DIR}/studio)
add_custom_command(
    OUTPUT ${studio_dir}/fields.js
    COMMAND ${CMAKE_COMMAND} -E make_directory ${studio_dir}
    COMMAND brivel_describe_studio ${studio_dir}/fields.js
    DEPENDS brivel_describe_studio
    COMMENT "Describing the studio's fields"
    VERBATIM)

# Where scripts/bootstrap unpacks libjpeg-turbo's source, for the module's decoder.
set(BRIVEL_JPEG_SOURCE ${brivel_root}/build/sources/libjpeg-turbo CACHE PATH
    "libjpeg-turbo's source, unpacked (scripts/bootstrap)")
set(studio_wasm_dir ${CMAKE_BINARY_DIR}/studio-wasm)
ExternalProject_Add(brivel_studio_wasm
    SOURCE_DIR ${brivel_root}/src/studio
    BINARY_DIR ${studio_wasm_dir}
    CMAKE_GENERATOR ${CMAKE_GENERATOR}
    # Built for speed, unlike the web player's: the page's threads inflate
    # and fit PNGs of some 30 MB, a fifth slower at -Os, for 70 KB more.
    CMAKE_ARGS
        -DCMAKE_TOOLCHAIN_FILE=${brivel_root}/cmake/toolchains/wasm32-wasi.cmake
        -DCMAKE_BUILD_TYPE=Release
        -DBRIVEL_WARNINGS_AS_ERRORS=${BRIVEL_WARNINGS_AS_ERRORS}
        -DBRIVEL_FONTS_DIR=${CMAKE_BINARY_DIR}/fonts
        -DBRIVEL_NOTICES_DIR=${BRIVEL_NOTICES_DIR}
        -DBRIVEL_JPEG_SOURCE=${BRIVEL_JPEG_SOURCE}
    DEPENDS brivel_web_fonts brivel_notices
    ${BRIVEL_SUB_BUILD_COMMAND}
    INSTALL_COMMAND ""
    BUILD_ALWAYS ON
    BUILD_BYPRODUCTS ${studio_wasm_dir}/brivel-studio.wasm
    USES_TERMINAL_BUILD ON)

find_program(BRIVEL_PYTHON NAMES python3 REQUIRED)
set(BRIVEL_STUDIO_PAGE ${studio_dir}/brivel-studio.html)
set(studio_source ${brivel_root}/src/studio)
set(studio_template ${studio_source}/studio.html)
set(studio_style ${studio_source}/studio.css)
set(studio_constants ${studio_dir}/fields.js)
# In order: each file sees what those before it declare; the page's owner last.
set(studio_scripts ${brivel_root}/src/web/bridge.js
    ${studio_source}/picture_codecs.js ${studio_source}/picture_threads.js
    ${studio_source}/draft_store.js ${studio_source}/rows.js ${studio_source}/messages.js
    ${studio_source}/summary.js ${studio_source}/preview.js ${studio_source}/downloads.js
    ${studio_source}/studio.js)
list(TRANSFORM studio_scripts PREPEND --script= OUTPUT_VARIABLE studio_script_args)
set(studio_windows ${BRIVEL_PLAYERS_DIR}/windows-i686.exe)
set(studio_linux ${BRIVEL_PLAYERS_DIR}/linux)
set(studio_web ${BRIVEL_PLAYERS_DIR}/web.html)
add_custom_command(
    OUTPUT ${BRIVEL_STUDIO_PAGE}
    COMMAND ${BRIVEL_PYTHON} ${studio_source}/make_studio.py --template=${studio_template}
            --style=${studio_style} --constants=${studio_constants} ${studio_script_args}
            --wasm=${studio_wasm_dir}/brivel-studio.wasm
            --windows=${studio_windows} --linux=${studio_linux} --web=${studio_web}
            --notices=${BRIVEL_NOTICES_DIR}/studio.txt --out=${BRIVEL_STUDIO_PAGE}
    DEPENDS ${studio_template} ${studio_style} ${studio_constants} ${studio_scripts}
            ${BRIVEL_NOTICES_DIR}/studio.txt
            ${studio_source}/make_studio.py ${brivel_root}/src/web/make_page.py brivel_studio_wasm
            ${studio_wasm_dir}/brivel-studio.wasm brivel_players ${studio_windows} ${studio_linux}
            ${studio_web}
    COMMENT "Writing Brivel Studio's page"
    VERBATIM)
add_custom_target(brivel_studio_page ALL DEPENDS ${BRIVEL_STUDIO_PAGE})
# Beside the players, where `brivel studio` finds it (tools/brivel/studio_command.cpp).
install(FILES ${BRIVEL_STUDIO_PAGE} DESTINATION ${CMAKE_INSTALL_DATADIR}/brivel/studio)
