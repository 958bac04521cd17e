# bash completion for brivel: commands, their options, files for the rest.
_brivel() {
    local cur=${COMP_WORDS[COMP_CWORD]} prev=${COMP_WORDS[COMP_CWORD - 1]}
    local command="" word options=""
    for word in "${COMP_WORDS[@]:1:COMP_CWORD-1}"; do
        case $word in -*) ;; *) command=$word; break ;; esac
    done
    case $command in
        "") options="new check pack players studio show unpack preview grade picture lzw help --help --version" ;;
        help) options="new check pack players studio show unpack preview grade picture lzw" ;;
        lzw) options="encode decode" ;;
        pack) options="--output --platform --player --keep-pictures --quality" ;;
        show) options="--answers" ;;
        unpack) options="--output --force" ;;
        preview) options="--picture --found --output" ;;
        grade) options="--batch --quiz --picture" ;;
        picture) options="--fit --output" ;;
    esac
    case $prev in
        --platform) mapfile -t COMPREPLY < <(compgen -W "res windows linux web" -- "$cur"); return ;;
        --picture | --found | --fit | --quality) return ;;
    esac
    if [[ -z $command || $command == lzw || $command == help || $cur == -* ]]; then
        mapfile -t COMPREPLY < <(compgen -W "$options --help" -- "$cur")
    else
        mapfile -t COMPREPLY < <(compgen -f -- "$cur")
    fi
}
complete -o filenames -F _brivel brivel
