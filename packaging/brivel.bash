# bash completion for brivel: commands, their options, files for the rest.
_brivel() {
    local cur=${COMP_WORDS[COMP_CWORD]} prev=${COMP_WORDS[COMP_CWORD - 1]}
    local command="" word options=""
    for word in "${COMP_WORDS[@]:1:COMP_CWORD-1}"; do
        case $word in -*) ;; *) command=$word; break ;; esac
    done
    case $command in
        "") options="new check pack players show unpack preview grade picture lzw --help --version" ;;
        lzw) options="encode decode" ;;
        pack) options="--output --platform --player" ;;
        show) options="--answers" ;;
        unpack) options="--output" ;;
        preview) options="--picture --output" ;;
        grade) options="--batch --quiz --picture" ;;
        picture) options="--fit --output" ;;
    esac
    case $prev in
        --platform) mapfile -t COMPREPLY < <(compgen -W "res windows linux" -- "$cur"); return ;;
        --picture | --fit) return ;;
    esac
    if [[ -z $command || $command == lzw || $cur == -* ]]; then
        mapfile -t COMPREPLY < <(compgen -W "$options --help" -- "$cur")
    else
        mapfile -t COMPREPLY < <(compgen -f -- "$cur")
    fi
}
complete -o filenames -F _brivel brivel
