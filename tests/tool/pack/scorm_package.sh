# needs: web
# A learning platform's package of each edition: its whole manifest, well
# formed (what a platform reads: the edition, one SCO and its page, the title
# from the quiz), the identifier aside, which is the quiz's own; and the web
# quiz's page marked with the edition, nothing else. A player that is not the
# web player's page is refused.
make_quiz quiz
for form in scorm SCORM2004; do
    brivel pack quiz --platform $form -o $form.zip 2>&1 | grep -v warning
    python3 - $form.zip <<'PY'
import re, sys, xml.etree.ElementTree, zipfile
package = zipfile.ZipFile(sys.argv[1])
print(package.namelist())
manifest = package.read("imsmanifest.xml").decode()
xml.etree.ElementTree.fromstring(manifest)  # well formed
print(re.sub(r'identifier="brivel-[0-9a-f]{16}"', 'identifier="ID"', manifest), end="")
print([line for line in package.read("quiz.html").decode().splitlines()
       if line.startswith('<meta name="brivel-scorm"')])
PY
done
brivel pack quiz --platform scorm -o quiz.html 2>&1 | grep 'platform makes'
brivel pack quiz --platform scorm -o bad.zip --player "$DATA/tiny.png" 2>&1 | grep -v warning
