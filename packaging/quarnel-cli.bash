# SPDX-License-Identifier: GPL-3.0-or-later
# Copyright (C) 2026 The Quarnel developers
# bash completion for quarnel-cli
_quarnel_cli() {
    local cur prev words cword
    _init_completion || return

    case $prev in
        -A | --authentication-file | --path)
            _filedir
            return
            ;;
        --format)
            COMPREPLY=($(compgen -W 'table csv json' -- "$cur"))
            return
            ;;
        -U | --user-auth | --user | --base | --message | --server)
            return
            ;;
    esac

    local command='' word
    for word in "${words[@]:1:cword-1}"; do
        case $word in
            files | shares | share | resolve | send)
                command=$word
                break
                ;;
        esac
    done

    local signin='-U --user-auth -A --authentication-file -k --kerberos'
    if [[ -z $command ]]; then
        COMPREPLY=($(compgen -W "files shares share resolve send $signin --help --version" -- "$cur"))
        return
    fi
    if [[ $cur == -* ]]; then
        local options
        case $command in
            files) options='--base --user --path --format' ;;
            shares | share) options='--format' ;;
            resolve) options='--format' ;;
            send) options='--message --server' ;;
        esac
        COMPREPLY=($(compgen -W "$options $signin --help" -- "$cur"))
    elif [[ $command == resolve ]]; then
        _filedir
    fi
} &&
    complete -F _quarnel_cli quarnel-cli
