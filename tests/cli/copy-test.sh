#!/usr/bin/env bash
# lumarind-cli --copy against a real xclip on the caller's X display: what
# `xclip -o` reads back is byte for byte what the same command writes to
# standard output, for every format, encoding and several files; a failure
# leaves the clipboard as it was; without any clipboard tool the message
# names them. With a Windows build given (run under Wine), its --copy goes
# through Wine's clipboard to X11 and reads back the same. Prints "PASS name"
# or "FAIL name" per check.
set -uo pipefail

native=$(realpath "$1")
windows=${2:+$(realpath "$2")}
work=$(mktemp -d)
holder=""
trap '[ -n "$holder" ] && kill "$holder" 2>/dev/null; rm -rf "$work"' EXIT

check() {
    local name=$1
    shift
    if "$@" >/dev/null 2>&1; then echo "PASS $name"; else echo "FAIL $name"; fi
}

clipboard() { xclip -o -selection clipboard 2>/dev/null; }
# What another program put there: an xclip of this script's own, in the
# foreground, so that its process id is known.
hold_text() {
    [ -n "$holder" ] && kill "$holder" 2>/dev/null && wait "$holder" 2>/dev/null
    printf '%s' "$1" | xclip -quiet -selection clipboard -i >/dev/null 2>&1 &
    holder=$!
    local deadline=$((SECONDS + 10))
    until [ "$(clipboard)" = "$1" ]; do
        [ $SECONDS -ge $deadline ] && return 1
        sleep 0.05
    done
}

cd "$work" || exit 1
printf '\x89PNG\r\n\x1a\n' >dot.png
printf 'Привет, мир!\n' >привет.txt
printf 'a;b c\n' >"semi colon.css"

copies_as_printed() {  # arguments...
    "$native" "$@" >expected || return 1
    "$native" --copy "$@" || return 1
    clipboard >actual && cmp expected actual
}
for options in "" "-1" "-f css" "-f html" "-f markdown" "-e percent" "-e auto -t auto" "--charset=koi8-r -1"; do
    # shellcheck disable=SC2086  # the options are words
    check "copy: xclip -o reads what lumarind-cli $options prints" copies_as_printed $options привет.txt
done
check "copy: several files, one line each" copies_as_printed -f line dot.png привет.txt "semi colon.css"
check "copy: -c is --copy" bash -c "'$native' -c -1 dot.png && [ \"\$(xclip -o -selection clipboard)\" = 'data:image/png;base64,iVBORw0KGgo=' ]"

hold_text "someone else's"
fails_and_keeps() {
    "$native" -c -1 dot.png missing.png 2>stderr
    [ $? -eq 1 ] && grep -q "cannot read 'missing.png'" stderr && [ "$(clipboard)" = "someone else's" ]
}
check "copy: a file that cannot be read leaves the clipboard as it was" fails_and_keeps
names_the_tools() {
    PATH=/nonexistent "$native" -c dot.png 2>stderr
    [ $? -eq 1 ] && grep -q "wl-copy" stderr && grep -q "xclip" stderr && grep -q "xsel" stderr &&
        [ "$(clipboard)" = "someone else's" ]
}
check "copy: without wl-copy, xclip or xsel the message names them" names_the_tools
usage() { "$native" -c -o out.txt dot.png 2>/dev/null; [ $? -eq 2 ] && [ ! -e out.txt ]; }
check "copy: --copy with --output is a usage error" usage

if [ -n "$windows" ]; then
    windows_copies_as_printed() {  # arguments...
        "$native" "$@" >expected || return 1
        wine "$windows" --copy "$@" 2>/dev/null || return 1
        local deadline=$((SECONDS + 10))
        until clipboard >actual && cmp -s expected actual; do
            [ $SECONDS -ge $deadline ] && return 1
            sleep 0.1
        done
    }
    check "copy: lumarind-cli.exe --copy reaches X11 as it prints" windows_copies_as_printed -1 dot.png
    check "copy: lumarind-cli.exe --copy, a snippet with a Cyrillic name" windows_copies_as_printed -f html привет.txt
    hold_text "kept"
    windows_fails_and_keeps() {
        wine "$windows" -c -1 dot.png missing.png 2>/dev/null
        [ $? -eq 1 ] && [ "$(clipboard)" = "kept" ]
    }
    check "copy: lumarind-cli.exe leaves the clipboard as it was when a file cannot be read" windows_fails_and_keeps
fi
