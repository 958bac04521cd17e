# Warnings as an interface target: every target of ours links it, nothing we
# install exports it.
add_library(brivel_warnings INTERFACE)
target_compile_options(brivel_warnings INTERFACE
    -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor -Wold-style-cast
    -Wcast-align -Woverloaded-virtual -Wimplicit-fallthrough
    $<$<BOOL:${BRIVEL_WARNINGS_AS_ERRORS}>:-Werror>)
