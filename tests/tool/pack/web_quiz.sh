# A web quiz is the web player's page with the bundle in its quiz element: a
# page of that shape stands in for the player. A page saved with CRLF still
# reads; packing into a packed page replaces its quiz; a page without the
# element is refused, a bare one has no quiz.
make_quiz web
printf '<!DOCTYPE html>\n<div id="brivel-quiz" hidden></div>\n' > bare.html
brivel pack web -o web.html --player bare.html >/dev/null 2>&1
brivel show web.html | head -1
sed 's/$/\r/' web.html > web-crlf.html && brivel show web-crlf.html | head -1
brivel grade --quiz web.html --picture 1 "Œuf"
brivel pack web -o web-again.htm --player web.html >/dev/null 2>&1
cmp web.html web-again.htm && echo repacked
brivel show bare.html
brivel pack web -o web-2 --platform web --player "$DATA/tiny.png" 2>&1 | grep -v warning
ls | grep -c '^web-2'
