# Smoke tests of `brivel lzw`: the tool is handed to each script as $1.

brivel_tool_output(tool.lzw.encode_abc "^ 30 98 8c 70 00\n"
                   [[printf abc | "$1" lzw encode | od -An -tx1; printf abc | "$1" lzw encode >/dev/null]])
# Over 65,535 bytes, so the round trip passes through several dictionary resets.
add_test(NAME tool.lzw.roundtrip
         COMMAND sh -c [[
             expected=$(seq 1 20000 | cksum)
             actual=$(seq 1 20000 | "$1" lzw encode | "$1" lzw decode | cksum)
             [ "$expected" = "$actual" ] && echo same]] sh $<TARGET_FILE:brivel>)
set_tests_properties(tool.lzw.roundtrip PROPERTIES PASS_REGULAR_EXPRESSION "^same\n$")

# Second code 511 while 259 is the next free one: refused, nothing on stdout.
add_test(NAME tool.lzw.decode_garbage
         COMMAND sh -c [[
             error=$(printf '\377\377\377\377' | "$1" lzw decode 2>&1 >/dev/null)
             status=$?
             written=$(printf '\377\377\377\377' | "$1" lzw decode 2>/dev/null | wc -c)
             echo "exit=$status out=$((written)) $error"]] sh $<TARGET_FILE:brivel>)
set_tests_properties(tool.lzw.decode_garbage PROPERTIES
                     PASS_REGULAR_EXPRESSION "^exit=1 out=0 status -7: invalid code\n$")

add_test(NAME tool.lzw.encode_empty
         COMMAND sh -c [[
             error=$("$1" lzw encode </dev/null 2>&1 >/dev/null)
             echo "exit=$? $error"]] sh $<TARGET_FILE:brivel>)
set_tests_properties(tool.lzw.encode_empty PROPERTIES
                     PASS_REGULAR_EXPRESSION "^exit=1 status -5: empty or truncated input\n$")

add_test(NAME tool.lzw.needs_subcommand COMMAND $<TARGET_FILE:brivel> lzw)
set_tests_properties(tool.lzw.needs_subcommand PROPERTIES WILL_FAIL TRUE)
