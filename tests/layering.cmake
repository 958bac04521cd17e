# The folders of src/ as layers: a lower folder never includes a higher one,
# and a portable folder never includes a platform header.
#   cmake -DSRC=<repo>/src -P layering.cmake
set(platform "<(windows|winuser|wingdi|ole2|olectl|unistd)\\.h|<(FL|X11)/")
set(rules
    "text|\"(quiz|play|pictures|app|io|maker|services)/|${platform}"
    "services|\"(quiz|play|pictures|app|io|maker|text)/|${platform}"
    "io|\"(quiz|play|pictures|app|maker)/|${platform}"
    "pictures|\"(quiz|play|app|maker)/|${platform}"
    "quiz|\"(play|pictures|app|maker)/|${platform}"
    "play|\"(pictures|app|maker)/|${platform}"
    "app|\"maker/|${platform}"
    "maker|${platform}"
)
set(problems "")
foreach(rule IN LISTS rules)
    string(FIND "${rule}" "|" bar)
    string(SUBSTRING "${rule}" 0 ${bar} folder)
    math(EXPR bar "${bar} + 1")
    string(SUBSTRING "${rule}" ${bar} -1 banned)
    file(GLOB files ${SRC}/${folder}/*.h ${SRC}/${folder}/*.cpp)
    foreach(file IN LISTS files)
        file(STRINGS ${file} includes REGEX "^#include ")
        foreach(line IN LISTS includes)
            if(line MATCHES "^#include (${banned})")
                list(APPEND problems "${file}: ${line}")
            endif()
        endforeach()
    endforeach()
endforeach()
if(problems)
    list(JOIN problems "\n" text)
    message(FATAL_ERROR "Includes against the layers:\n${text}")
endif()
