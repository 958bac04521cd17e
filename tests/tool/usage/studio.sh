# needs: studio
# brivel studio copies the build's page into a folder, made when it is new
# (a page named without .html opens in no browser), then never over it.
mkdir studio && brivel studio studio && cmp studio/brivel-studio.html "$PLAYERS/../studio/brivel-studio.html"
brivel studio studio/brivel-studio.html
brivel studio new && cmp new/brivel-studio.html "$PLAYERS/../studio/brivel-studio.html"
brivel studio page.HTML && cmp page.HTML "$PLAYERS/../studio/brivel-studio.html"
brivel studio missing/new
