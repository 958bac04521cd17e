# A pair, then lines of pairs: in batch mode only the line end is removed. A
# phone's typographic apostrophe: the web page's verdict beside the desktop
# players'.
brivel grade "Chateau de sable" "chato de sable"
printf 'Chat\t  chat \nChien\tchein\nChat\t\nl'"'"'eau\tl’eau\n' | brivel grade --batch
brivel grade "l'eau" "l‘eau"
printf 'le "bon" mot\tle “bon” mot\nle "bon" mot\tle ”bon“ mot\n' | brivel grade --batch
