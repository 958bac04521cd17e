# The folders of src/ as layers: a portable folder never includes a platform
# header, and a lower folder never includes a higher one. Each rule: a folder,
# then the include prefixes its files may not use.
#   cmake -DSRC=<repo>/src -P layering.cmake
set(rules
    "text|quiz/ play/ pictures/ app/ io/ maker/ services/"
    "services|quiz/ play/ pictures/ app/ io/ maker/ text/"
    "io|quiz/ play/ pictures/ app/ maker/"
    "pictures|quiz/ play/ app/ maker/"
    "quiz|play/ pictures/ app/ maker/"
    "play|pictures/ app/ maker/"
    "app|maker/"
)
set(platform_headers windows.h winuser.h wingdi.h ole2.h olectl.h FL/ X11/ unistd.h emscripten)
set(portable text services io pictures quiz play app maker)
set(problems "")
foreach(rule IN LISTS rules)
    string(REPLACE "|" ";" parts "${rule}")
    list(GET parts 0 folder)
    list(GET parts 1 banned)
    separate_arguments(banned)
    file(GLOB files ${SRC}/${folder}/*.h ${SRC}/${folder}/*.cpp)
    foreach(file IN LISTS files)
        file(STRINGS ${file} includes REGEX "^#include \"")
        foreach(line IN LISTS includes)
            foreach(prefix IN LISTS banned)
                if(line MATCHES "^#include \"${prefix}")
                    list(APPEND problems "${file}: ${line}")
                endif()
            endforeach()
        endforeach()
    endforeach()
endforeach()
foreach(folder IN LISTS portable)
    file(GLOB files ${SRC}/${folder}/*.h ${SRC}/${folder}/*.cpp)
    foreach(file IN LISTS files)
        file(STRINGS ${file} includes REGEX "^#include <")
        foreach(line IN LISTS includes)
            foreach(header IN LISTS platform_headers)
                if(line MATCHES "^#include <${header}")
                    list(APPEND problems "${file}: ${line}")
                endif()
            endforeach()
        endforeach()
    endforeach()
endforeach()
if(problems)
    list(JOIN problems "\n" text)
    message(FATAL_ERROR "Includes against the layers:\n${text}")
endif()
