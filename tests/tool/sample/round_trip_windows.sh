# needs: windows
# The sample packed by the build comes back byte for byte through unpack and pack.
brivel unpack "$SAMPLES/sample.exe" -o sample >/dev/null
brivel pack sample -o again.exe --platform windows --player "$PLAYERS/windows-i686.exe" >/dev/null
cmp "$SAMPLES/sample.exe" again.exe && echo same
