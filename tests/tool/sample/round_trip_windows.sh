# needs: windows
# The sample packed by the build comes back byte for byte through unpack and pack.
brivel unpack "$SAMPLES/sample.exe" -o sample >/dev/null
brivel pack sample -o again.exe --platform windows --player "$PLAYERS/windows-i686.exe" >/dev/null
cmp "$SAMPLES/sample.exe" again.exe && echo same
# Kept pictures are read as the Windows quiz lays them out, JPEGs before PNGs.
mkdir kept && cp "$DATA/tiny.png" kept/a.png && cp "$DATA/tiny.jpg" kept/b.jpg
printf 'title = "t"\nauthor = "a"\n' > kept/quiz.toml
printf '[[picture]]\nfile = "%s"\nanswer = "%s"\ncode = "B"\n' a.png png b.jpg jpeg >> kept/quiz.toml
for jobs in 1 2; do
    brivel pack kept -o kept$jobs.exe -j $jobs --keep-pictures --player "$PLAYERS/windows-i686.exe" >/dev/null 2>&1
done
brivel unpack kept2.exe -o back >/dev/null && cmp kept1.exe kept2.exe && cmp kept/a.png back/01.png &&
    cmp kept/b.jpg back/02.jpg && echo kept
