# In a folder of photos, one [[picture]] per picture in name order (a WebP,
# which pack prepares, among them), a HEIC in comments with its conversion;
# hidden files, text and folders are none. check asks for each answer, then
# names the pictures the quiz leaves out (a converted HEIC is not one), the
# first ten by name. A second new leaves
# the description as it is.
mkdir -p photos/sub.jpg
for n in IMG_0010.JPG IMG_0002.jpg 10.jpg 2.jpg ete.jpg 'E\314\201te\314\201.jpg' ._2.jpg .DS_Store Thumbs.db; do
    cp "$DATA/tiny.jpg" "photos/$(printf "$n")"
done
cp "$DATA/tiny.png" photos/b.png && echo notes > photos/notes.txt
convert "$DATA/tiny.jpg" photos/IMG_0005.webp
printf '\000\000\000\030ftypheic' > photos/IMG_0006.heic
brivel new photos
echo $(grep -e '^file =' -e '^# file =' photos/quiz.toml | sed 's/.*= //')
brivel check photos >/dev/null
sed -i 's/^answer = ""$/answer = "x"/' photos/quiz.toml && cp "$DATA/tiny.jpg" photos/IMG_0011.jpg
brivel check photos 2>/dev/null
cp "$DATA/tiny.jpg" photos/IMG_0006.jpg && printf '[[picture]]\nfile = "IMG_0006.jpg"\nanswer = "y"\ncode = ""\n' >> photos/quiz.toml
for i in 1 2 3 4 5 6 7 8 9 10 11; do cp "$DATA/tiny.jpg" "photos/n$i.jpg"; done
brivel check photos 2>/dev/null | sed -n '1p;10,$p'
cp photos/quiz.toml written.toml && brivel new photos
cmp photos/quiz.toml written.toml && echo kept
