# help works as a command and as an option; usage lines say brivel, not the
# path the tool was started by.
brivel grade --help
brivel help pack | head -2
brivel --help | head -2
