# BRIVEL_SANITIZERS is a comma-separated list handed to -fsanitize, e.g.
# "address,undefined". Applied to every target of the build.
set(BRIVEL_SANITIZERS "" CACHE STRING "Sanitizers to build with (-fsanitize=...)")
if(BRIVEL_SANITIZERS)
    add_compile_options(-fsanitize=${BRIVEL_SANITIZERS} -fno-omit-frame-pointer
                        -fno-sanitize-recover=all)
    add_link_options(-fsanitize=${BRIVEL_SANITIZERS})
endif()
