# The man page and the bash completion against the tool's own --help: every
# command and every option it has (long and short) is in both, and the man
# page names no command the tool no longer has.
man=$SOURCE/packaging/brivel.1 completion=$SOURCE/packaging/brivel.bash
options_of() { brivel $1 --help | awk '/^  -/ { print $1 }' | tr , '\n' | sort -u; }
commands=$(brivel --help | sed -n '/^Subcommands:/,$p' | awk 'NR > 1 && /^  [a-z]/ { print $1 }')
top=$(grep -m1 '^ *words=' "$completion")
for command in "" $commands; do
    [ -z "$command" ] || grep -q "^\.SS \"brivel $command[ \"]" "$man" || echo "no section for $command"
    [ -z "$command" ] || [[ " ${top//\"/ } " == *" $command "* ]] || echo "$command is not completed"
    for option in $(options_of "$command"); do
        [ "$option" = --help ] || [ "$option" = -h ] && continue
        grep -qF -- "${option//-/\\-}" "$man" || echo "the man page misses $command $option"
        grep -qE -- "^ *${command:-\"\"}\) options=\"([^\"]* )?$option[ \"]" "$completion" ||
            echo "$command $option is not completed"
    done
done
for documented in $(sed -n 's/^\.SS "brivel \([a-z]*\).*/\1/p' "$man"); do
    grep -qx "$documented" <<<"$commands" || echo "the man page names $documented, no longer a command"
done
echo "$(wc -w <<<"$commands") commands"
