# The notices each form carries (Brivel's licence and those of the code and
# fonts of others it holds), written from packaging/notices.toml by
# scripts/make_notices.py into notices/ of this build: FORM.txt for the
# windows, linux, web, studio, zip and tool forms, NOTICES.txt for them all,
# the same as C++ (FORM.cpp) for a program to carry, and the package's
# Static-Built-Using (static-built-using). The Linux player carries linux.cpp,
# the tool NOTICES.cpp, which `brivel licences` prints; the Windows players
# take windows.txt as a resource (cmake/WindowsPlayers.cmake), the web
# player's and the studio's pages web.txt and studio.txt as a section a reader
# opens (src/web/make_page.py); the maker library writes zip.cpp's text into
# the quiz folder's .zip (here, and in the studio's module: src/studio).
#
# Sets BRIVEL_NOTICES_DIR, BRIVEL_NOTICES_DIGEST (which changes with anything
# the notices are written from) and the target brivel_notices.
set(BRIVEL_NOTICES_DIR ${CMAKE_BINARY_DIR}/notices)
set(notices_inputs ${CMAKE_SOURCE_DIR}/packaging/notices.toml ${CMAKE_SOURCE_DIR}/packaging/copyright
                   ${CMAKE_SOURCE_DIR}/LICENSE ${CMAKE_SOURCE_DIR}/scripts/make_notices.py)
set(notices_outputs ${BRIVEL_NOTICES_DIR}/static-built-using)
foreach(form IN ITEMS windows linux web studio zip tool NOTICES)
    list(APPEND notices_outputs ${BRIVEL_NOTICES_DIR}/${form}.txt ${BRIVEL_NOTICES_DIR}/${form}.cpp)
endforeach()
find_program(BRIVEL_PYTHON NAMES python3 REQUIRED)
add_custom_command(
    OUTPUT ${notices_outputs}
    COMMAND ${BRIVEL_PYTHON} ${CMAKE_SOURCE_DIR}/scripts/make_notices.py
            ${CMAKE_SOURCE_DIR}/packaging/notices.toml ${CMAKE_SOURCE_DIR}/packaging/copyright
            ${CMAKE_SOURCE_DIR} ${BRIVEL_NOTICES_DIR}
    DEPENDS ${notices_inputs}
    COMMENT "Writing the notices of every form"
    VERBATIM)
add_custom_target(brivel_notices ALL DEPENDS ${notices_outputs})

set(BRIVEL_NOTICES_DIGEST "")
foreach(input IN LISTS notices_inputs)
    file(MD5 ${input} digest)
    string(APPEND BRIVEL_NOTICES_DIGEST ${digest})
endforeach()
string(MD5 BRIVEL_NOTICES_DIGEST "${BRIVEL_NOTICES_DIGEST}")
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${notices_inputs})

foreach(carrier IN ITEMS brivel-player:linux brivel:NOTICES brivel_maker:zip)
    string(REPLACE ":" ";" carrier ${carrier})
    list(GET carrier 0 program)
    list(GET carrier 1 form)
    if(TARGET ${program})
        target_sources(${program} PRIVATE ${BRIVEL_NOTICES_DIR}/${form}.cpp)
        add_dependencies(${program} brivel_notices)
    endif()
endforeach()
