# What bash completion offers after each command line (| marks the cursor):
# each word once, nothing where a command takes no more, file names where it
# takes them.
source "$SOURCE/packaging/brivel.bash"
touch quiz.res
for line in "" "-" "p" "lzw " "lzw encode " "lzw encode -" "players " "players -" "licences " \
    "help " "help pack " "pack -" "pack -o x -" "pack --output x --help -" "pack " \
    "pack --platform " "pack --quality " "pack -j 2 -" "show --answers -" "grade -"; do
    read -ra COMP_WORDS <<<"brivel $line"
    [[ $line == *" " || -z $line ]] && COMP_WORDS+=("")
    COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
    _brivel
    echo "brivel $line| ${COMPREPLY[*]}"
done
