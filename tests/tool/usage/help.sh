# help works as a command and as an option; usage lines say brivel, not the
# path the tool was started by. No help shows the parser's type labels, nor
# goes past 80 columns.
brivel grade --help
brivel help pack | head -2
brivel --help | head -2
for command in "" $(brivel --help | awk '/^Subcommands:/ { on = 1; next } on && /^  [a-z]/ { print $1 }'); do
    brivel $command --help
done | LC_ALL=C.UTF-8 awk 'length > 80 || / (TEXT|INT|REQUIRED|Excludes:|Needs:)/'
