# needs: linux
# The sample packed by the build comes back byte for byte through unpack and pack.
brivel unpack "$SAMPLES/sample" -o sample >/dev/null
brivel pack sample -o again --platform linux --player "$PLAYERS/linux" >/dev/null
cmp "$SAMPLES/sample" again && echo same
