# needs: studio
# brivel studio copies the build's page into a folder, then never over it.
mkdir studio && brivel studio studio && cmp studio/brivel-studio.html "$PLAYERS/../studio/brivel-studio.html"
brivel studio studio/brivel-studio.html
