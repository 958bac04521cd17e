# Second code 511 while 259 is the next free one: refused, nothing on
# standard output; no input at all; no subcommand.
printf '\377\377\377\377' | brivel lzw decode 2>/dev/null | wc -c
printf '\377\377\377\377' | brivel lzw decode >/dev/null
brivel lzw encode </dev/null >/dev/null
brivel lzw >/dev/null
