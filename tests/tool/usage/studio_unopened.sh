# needs: studio
# Where the page cannot be opened, one line says why, and the page's path is
# printed: no display, no xdg-open, an xdg-open that finds no browser (and
# whose chatter the maker does not see).
env -u DISPLAY -u WAYLAND_DISPLAY "$BRIVEL" studio; echo "[exit $?]"
DISPLAY=:99 PATH=/nonexistent "$BRIVEL" studio; echo "[exit $?]"
mkdir bin && printf '#!/bin/sh\necho "xdg-open: no method available for opening" >&2; exit 3\n' >bin/xdg-open
chmod +x bin/xdg-open
DISPLAY=:99 PATH=$PWD/bin:/usr/bin:/bin "$BRIVEL" studio; echo "[exit $?]"
