# The web player's core: clang's wasm32 target with Debian's wasi-libc and
# libc++ (wasi-libc, libc++-14-dev-wasm32, libclang-rt-14-dev-wasm32, lld).
set(CMAKE_SYSTEM_NAME WASI)
set(CMAKE_SYSTEM_PROCESSOR wasm32)

find_program(BRIVEL_WASM_CLANG NAMES clang++-14 clang++ REQUIRED)
set(CMAKE_CXX_COMPILER ${BRIVEL_WASM_CLANG})
set(CMAKE_CXX_COMPILER_TARGET wasm32-wasi)
# C for the studio's JPEG decoder (libjpeg-turbo), which only it enables.
find_program(BRIVEL_WASM_CLANG_C NAMES clang-14 clang REQUIRED)
set(CMAKE_C_COMPILER ${BRIVEL_WASM_CLANG_C})
set(CMAKE_C_COMPILER_TARGET wasm32-wasi)
# No main: the page's script calls the exports after _initialize.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-mexec-model=reactor -Wl,--gc-sections")
# A static library is all that is made besides the module itself.
set(CMAKE_TRY_COMPILE_TARGET_TYPE STATIC_LIBRARY)

set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
