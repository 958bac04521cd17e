# An unknown command is named, with the commands and the likely one.
brivel chek q
