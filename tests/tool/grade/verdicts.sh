# A pair, then lines of pairs: in batch mode only the line end is removed.
brivel grade "Chateau de sable" "chato de sable"
printf 'Chat\t  chat \nChien\tchein\nChat\t\n' | brivel grade --batch
