# The starter names two pictures that are not there yet: two errors, status 1.
brivel new new >/dev/null
brivel check new
# With its pictures in place the starter passes, warning only of their size.
cp "$DATA/tiny.jpg" new/01.jpg && cp "$DATA/tiny.png" new/02.jpg
brivel check new 2>/dev/null
brivel check new 2>&1 >/dev/null | grep -c ': warning: .*not 640 x 480'
