# The sample packed by the build comes back byte for byte through unpack and pack.
brivel unpack "$SAMPLES/sample.res" -o sample >/dev/null
brivel pack sample -o again.res --platform res >/dev/null
cmp "$SAMPLES/sample.res" again.res && echo same
