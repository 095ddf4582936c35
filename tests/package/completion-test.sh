#!/usr/bin/env bash
# Loads each completion the Debian package installs into its own shell (bash
# with bash-completion, zsh with compinit, fish) and asks it to complete
# partial command lines; the words that come back must be the expected ones.
#
#     tests/package/completion-test.sh DEB
#
# Prints "PASS name" or "FAIL name" per check.
set -uo pipefail

deb=$(realpath "$1")
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
dpkg-deb -x "$deb" "$scratch/package"
share="$scratch/package/usr/share"
program="$scratch/package/usr/bin/lumarind-cli"
mkdir "$scratch/here" && cd "$scratch/here" || exit 1
touch 'picture one.png' notes.txt

# Each prints the completions of the line, one per line.
complete_in_bash() {
    bash --norc --noprofile -c '
        source /usr/share/bash-completion/bash_completion
        source "$1"
        function=$(complete -p lumarind-cli | sed -n "s/.*-F \([^ ]*\) .*/\1/p")
        COMP_LINE=$2 COMP_POINT=${#2}
        read -ra COMP_WORDS <<<"$2"
        [[ $2 == *" " ]] && COMP_WORDS+=("")
        COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
        "$function" lumarind-cli "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD - 1]}"
        printf "%s\n" "${COMPREPLY[@]}"' _ "$share/bash-completion/completions/lumarind-cli" "$1"
}

# zsh completes only at an interactive prompt: one runs in a pseudo-terminal,
# gets the line and a Tab, and reports every word the completion offers.
complete_in_zsh() {
    local home="$scratch/zsh" found="$scratch/zsh/found"
    rm -rf "$home" && mkdir -p "$home"
    cat >"$home/.zshrc" <<EOF
fpath=('$share/zsh/vendor-completions' \$fpath)
autoload -Uz compinit && compinit -u -D
compadd() {
    if [[ \${@[1,(i)(-|--)]} == *-(O|A|D)\ * ]]; then
        builtin compadd "\$@"
        return
    fi
    local -a hits
    builtin compadd -O hits "\$@"
    (( \$#hits )) && print -rl -- \${(Q)hits} >>'$found'
    builtin compadd "\$@"
}
completed() { print -r -- '-- completed --' >>'$found' }
comppostfuncs=(completed)
EOF
    zsh -f -c '
        zmodload zsh/zpty
        zpty shell ZDOTDIR="$1" zsh -i
        zpty -w -n shell "$2"$'"'"'\t'"'"'
        for attempt in {1..100}; do
            grep -qx -- "-- completed --" "$3" 2>/dev/null && break
            sleep 0.1
        done
        zpty -d shell' _ "$home" "$1" "$found"
    grep -vx -- '-- completed --' "$found" 2>/dev/null
}

complete_in_fish() {
    fish --no-config -c 'source $argv[1]; complete -C $argv[2]' \
        "$share/fish/vendor_completions.d/lumarind-cli.fish" "$1" | cut -f1
}

# The words, sorted and unique, are exactly the expected ones.
offers() {  # shell line expected-words...
    local shell=$1 line=$2
    shift 2
    local got expected
    got=$("complete_in_$shell" "$line" | LC_ALL=C sort -u | tr '\n' ' ')
    expected=$(printf '%s\n' "$@" | LC_ALL=C sort -u | tr '\n' ' ')
    [ "$got" = "$expected" ] || { echo "'$line' offers: $got; expected: $expected"; return 1; }
}

# The values offered for an option are those the program names when it
# refuses another: "unknown format '?' (text, line, css, html or markdown)".
values_are_the_programs() {  # option
    local offered accepted
    offered=$(complete_in_fish "lumarind-cli $1 " | LC_ALL=C sort | tr '\n' ' ')
    accepted=$("$program" "$1" '?' 2>&1 >/dev/null | sed -n 's/.*(\([^()]*\))$/\1/p' | sed 's/,/ /g; s/ or / /g' |
        tr ' ' '\n' | grep . | LC_ALL=C sort | tr '\n' ' ')
    [ -n "$accepted" ] && [ "$offered" = "$accepted" ] || { echo "offered: $offered; accepted: $accepted"; return 1; }
}

long_options=$("$program" --help | grep -oE '^ {2,6}-[^ ].*' | grep -oE -- '--[a-z0-9-]+' | sort -u)
check() {
    local name=$1
    shift
    if "$@" >"$scratch/check.log" 2>&1; then echo "PASS $name"; else echo "FAIL $name"; sed 's/^/    /' "$scratch/check.log"; fi
}
for shell in bash zsh fish; do
    check "$shell completion: 'lumarind-cli -f ' offers the formats" \
        offers "$shell" 'lumarind-cli -f ' text line css html markdown
    check "$shell completion: 'lumarind-cli --enc' offers --encoding" offers "$shell" 'lumarind-cli --enc' --encoding
    check "$shell completion: 'lumarind-cli --encoding ' offers the encodings" \
        offers "$shell" 'lumarind-cli --encoding ' base64 percent auto
    check "$shell completion: 'lumarind-cli -t image/s' offers the web table's image/svg+xml" \
        offers "$shell" 'lumarind-cli -t image/s' image/svg+xml
    check "$shell completion: 'lumarind-cli -t aut' offers auto" offers "$shell" 'lumarind-cli -t aut' auto
    check "$shell completion: 'lumarind-cli -o pic' offers the file" offers "$shell" 'lumarind-cli -o pic' 'picture one.png'
    check "$shell completion: 'lumarind-cli --' offers every long option of --help" \
        offers "$shell" 'lumarind-cli --' $long_options
done
check "completion: the formats offered are those lumarind-cli accepts" values_are_the_programs --format
check "completion: the encodings offered are those lumarind-cli accepts" values_are_the_programs --encoding
