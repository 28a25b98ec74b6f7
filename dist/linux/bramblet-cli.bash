# bash completion for bramblet-cli.
# The commands and options are read from the program's own usage each time, so they are those
# of the program being completed, whichever version it is.

# Prints the commands and options that PROGRAM's usage text on standard input names, one a
# line: "command write", "option --port". Commands are the words after PROGRAM on its usage
# lines, or the entries of a "Commands:" list; options are the words that begin with "--", or
# a dash and one letter, wherever they stand. An option whose entry in an options list names
# its value is also given with that name: "value --log FILE".
_bramblet_help_words() {
    awk -v name="$1" '
        function word_after(text) {
            sub(/^[[:space:]]*([Uu]sage:)?[[:space:]]*/, "", text)
            if (index(text, name " ") != 1) return ""
            text = substr(text, length(name) + 2)
            sub(/^[[:space:]]+/, "", text)
            return match(text, /^[a-z][a-z0-9-]*/) ? substr(text, 1, RLENGTH) : ""
        }
        /^[A-Za-z ]*[Cc]ommands:[[:space:]]*$/ { listing = 1; next }
        match($0, /^  +(-[[:alpha:]], )?--?[[:alpha:]][[:alnum:]-]* [A-Z]/) {
            entry = substr($0, 1, RLENGTH)
            sub(/^ +(-[[:alpha:]], )?/, "", entry)
            split(entry, parts, " ")
            value = substr($0, RLENGTH)
            sub(/ .*/, "", value)
            print "value " parts[1] " " value
        }
        listing && /^[[:space:]]*$/ { listing = 0 }
        listing && match($0, /^  +[a-z][a-z0-9-]*/) {
            entry = substr($0, 1, RLENGTH); sub(/^ +/, "", entry); print "command " entry
        }
        {
            command = word_after($0)
            if (command != "") print "command " command
            rest = $0
            while (match(rest, /(^|[^[:alnum:]-])--?[[:alpha:]][[:alnum:]-]*/)) {
                token = substr(rest, RSTART, RLENGTH)
                rest = substr(rest, RSTART + RLENGTH)
                sub(/^[^-]/, "", token)
                if (token ~ /^--/ || length(token) == 2) print "option " token
            }
        }' | sort -u
}

# The ports the window would list, when the program can tell them; else any file, since a port
# may be any device path or a simulated chip's link.
_bramblet_cli_ports() {
    local cli=$1 listed=$2
    if grep -qx 'command ports' <<<"$listed"; then
        local IFS=$'\n'
        # The names only: what each port is follows it on indented lines.
        COMPREPLY=($(compgen -W "$("$cli" ports 2>/dev/null | grep -v '^[[:space:]]')" -- "$cur"))
    fi
    ((${#COMPREPLY[@]})) || _filedir
}

_bramblet_cli() {
    local cur prev words cword
    _init_completion || return

    local cli=${words[0]}
    [[ $cli == "~"/* ]] && cli=$HOME${cli#"~"}
    local usage listed
    # Read in English, whatever language the user chose: the reader knows its words.
    usage=$(BRAMBLET_LANG=en "$cli" --help 2>/dev/null)
    # The command's own usage too, where the program has one: it may name more options.
    ((cword > 1)) && [[ ${words[1]} != -* ]] && usage+=$'\n'$(BRAMBLET_LANG=en "$cli" "${words[1]}" --help 2>/dev/null)
    listed=$(_bramblet_help_words "${cli##*/}" <<<"$usage")$'\n'
    local commands options
    commands=$(awk '$1 == "command" { print $2 }' <<<"$listed")
    options=$(awk '$1 == "option" { print $2 }' <<<"$listed")

    # The value after an option, by what its usage calls it.
    case $prev in
        --family)
            COMPREPLY=($(compgen -W 'R8C M16C M32C R8CM' -- "$cur"))
            return
            ;;
        --baud)
            COMPREPLY=($(compgen -W '9600 19200 38400 57600 115200' -- "$cur"))
            return
            ;;
        --verify-by)
            COMPREPLY=($(compgen -W 'read sum' -- "$cur"))
            return
            ;;
        --lang)
            COMPREPLY=($(compgen -W 'en ja' -- "$cur"))
            return
            ;;
    esac
    local value
    value=$(awk -v option="$prev" '$1 == "value" && $2 == option { print $3; exit }' <<<"$listed")
    case $value in
        PORT)
            _bramblet_cli_ports "$cli" "$listed"
            return
            ;;
        FILE)
            _filedir
            return
            ;;
        COMMAND)
            # A program: by its path, else by name from the PATH.
            if [[ $cur == */* ]]; then
                _filedir
            else
                COMPREPLY=($(compgen -c -- "$cur"))
            fi
            return
            ;;
        ?*)
            # Addresses, codes and sequences: nothing a list can offer.
            return
            ;;
    esac

    if [[ $cur == -* ]]; then
        # Before a command, only the options its usage gives without one (--help, --version).
        ((cword == 1)) && options=$(grep -E "^[[:space:]]*(usage:)?[[:space:]]*${cli##*/} -" <<<"$usage" |
            _bramblet_help_words "${cli##*/}" | awk '$1 == "option" { print $2 }')
        COMPREPLY=($(compgen -W "$options" -- "$cur"))
    elif ((cword == 1)); then
        COMPREPLY=($(compgen -W "$commands" -- "$cur"))
    elif [[ ${words[1]} == @(check|write|verify|erase|info) ]]; then
        # The write file (for erase and info, the one beside its ID file): any file, since its
        # content tells its format (an ELF file often has no extension at all).
        _filedir
    fi
    # Other commands take an address range or nothing, which no list can offer.
}
complete -F _bramblet_cli bramblet-cli
