# A tool moved out of its build tree finds its players in ../share/brivel/players
# beside itself, and names where it looked when one is missing. The tool stands
# in for the Linux player.
make_quiz moved
mkdir -p tree/bin tree/share/brivel/players
cp "$BRIVEL" tree/bin/brivel && cp "$BRIVEL" tree/share/brivel/players/linux
(cd tree/bin && BRIVEL=./brivel brivel pack ../../moved -o ../../moved.exe 2>&1 | grep -v warning)
ls | grep -c '^moved\.exe'
(cd tree/bin && BRIVEL=./brivel brivel pack ../../moved -o ../../moved-quiz 2>/dev/null)
brivel show moved-quiz | head -1
(cd tree/bin && BRIVEL=./brivel brivel players 2>/dev/null | sed 's/ [0-9]* KB / N KB /')
