# A known stream, then over 65,535 bytes, so that the round trip passes
# through several dictionary resets.
printf abc | brivel lzw encode | od -An -tx1
seq 1 20000 | brivel lzw encode | brivel lzw decode | cmp - <(seq 1 20000) && echo same
