# bash completion for brivel: its commands, then each command's options (once,
# and only after a "-") and file names where it takes them.
_brivel() {
    local cur=${COMP_WORDS[COMP_CWORD]} prev=${COMP_WORDS[COMP_CWORD - 1]}
    local command="" argument="" word words="" options="" files=""
    local given=" ${COMP_WORDS[*]:1:COMP_CWORD-1} "
    COMPREPLY=()
    for word in "${COMP_WORDS[@]:1:COMP_CWORD-1}"; do
        case $word in
            -*) ;;
            *) if [[ -z $command ]]; then command=$word; elif [[ -z $argument ]]; then argument=$word; fi ;;
        esac
    done
    case $prev in
        --platform) mapfile -t COMPREPLY < <(compgen -W "res windows linux web scorm scorm2004" -- "$cur"); return ;;
        --picture | --found | --fit | --quality | -j | --jobs) return ;;
    esac
    case $command in
        "") options="--version --licences"
            words="new check pack players studio show unpack preview grade picture lzw licences help" ;;
        help) [[ -n $argument ]] ||
                  words="new check pack players studio show unpack preview grade picture lzw licences" ;;
        lzw) [[ -n $argument ]] || words="encode decode" ;;
        players | licences) ;;
        new | check | studio) files=yes ;;
        pack) options="-o --output --platform --player --keep-pictures --quality -j --jobs" files=yes ;;
        show) options="--answers" files=yes ;;
        unpack) options="-o --output --force" files=yes ;;
        preview) options="--picture --found -o --output" files=yes ;;
        grade) options="--batch --quiz --picture" files=yes ;;
        picture) options="--fit -o --output" files=yes ;;
    esac
    if [[ $cur == -* ]]; then
        # An option already given, by either of its names, is not offered again.
        for word in $options -h --help; do
            case $word in -o | --output) [[ $given == *" -o "* || $given == *" --output "* ]] && continue ;; esac
            case $word in -j | --jobs) [[ $given == *" -j "* || $given == *" --jobs "* ]] && continue ;; esac
            case $word in -h | --help) [[ $given == *" -h "* || $given == *" --help "* ]] && continue ;; esac
            [[ $given == *" $word "* ]] || mapfile -t -O "${#COMPREPLY[@]}" COMPREPLY < <(compgen -W "$word" -- "$cur")
        done
    elif [[ -n $words ]]; then
        mapfile -t COMPREPLY < <(compgen -W "$words" -- "$cur")
    elif [[ -n $files ]]; then
        mapfile -t COMPREPLY < <(compgen -f -- "$cur")
    fi
}
complete -o filenames -F _brivel brivel
