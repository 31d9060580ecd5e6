# bash completion for nalo-convert: tools, then each tool's options as its --help names them.
_nalo_convert() {
    local cur=${COMP_WORDS[COMP_CWORD]}
    if [ "$COMP_CWORD" -eq 1 ]; then
        COMPREPLY=($(compgen -W "tgapcx b2j cdepth ico avi2gif bj2a g2g a2bj cd2mp3 help --help --version" -- "$cur"))
        return
    fi
    local tool=${COMP_WORDS[1]}
    [ "$tool" = help ] && { COMPREPLY=($(compgen -W "tgapcx b2j cdepth ico avi2gif bj2a g2g a2bj cd2mp3" -- "$cur")); return; }
    local i
    for ((i = 2; i < COMP_CWORD; i++)); do
        [ "${COMP_WORDS[i]}" = -- ] && { COMPREPLY=($(compgen -f -- "$cur")); return; }
    done
    if [[ $cur == -* ]]; then
        local opts
        opts=$("${COMP_WORDS[0]}" "$tool" --help 2>/dev/null | grep -oE -- '(^|[ ,])--?[A-Za-z][A-Za-z0-9-]*' | tr -d ' ,' | sort -u)
        COMPREPLY=($(compgen -W "$opts" -- "$cur"))
        return
    fi
    case ${COMP_WORDS[COMP_CWORD - 1]} in
    -o | --out | --image) COMPREPLY=($(compgen -f -- "$cur")) ;;
    *) COMPREPLY=($(compgen -f -- "$cur")) ;;
    esac
}
complete -o filenames -F _nalo_convert nalo-convert
