#!/usr/bin/env bash
# Drops files on the window of the given Lumarind.exe from outside, through
# X11 drag and drop (XDND), as a Linux file manager does; Wine turns the
# drop into WM_DROPFILES. Runs under the caller's display and Wine prefix.
# Prints "PASS name" or "FAIL name" per check.
set -uo pipefail

exe=$1
source "$(dirname "$0")/windows.sh"
work=$(mktemp -d)
program=""
cleanup() {
    [ -n "$program" ] && kill "$program" 2>/dev/null && wait "$program" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT

head -c 3000 /dev/urandom >"$work/Фото отпуска.png"
printf 'GIF89a' >"$work/second.gif"
echo text >"$work/third.txt"
mkdir "$work/a folder"

remembered() { wine reg query 'HKCU\Software\Tolvarn\Lumarind\OFN Paths' 2>/dev/null | tr -d '\r'; }
wine reg add 'HKCU\Software\Tolvarn\Lumarind\OFN Paths' /v 'Last open in file directory' /d 'C:\in' /f >/dev/null 2>&1
wine reg add 'HKCU\Software\Tolvarn\Lumarind\OFN Paths' /v 'Last open out file directory' /d 'C:\out' /f >/dev/null 2>&1
before=$(remembered)

wine "$exe" >/dev/null 2>&1 &
program=$!
check "drop: the window starts" wait_until shown Lumarind
check "drop: of two files only the first loads, Cyrillic name and all" \
    drop_and_expect "$work/Фото отпуска.png" "$work/second.gif"
check "drop: a second drop replaces the document" drop_and_expect "$work/second.gif"
folder_gives_box() { drop_files "$work/a folder" && wait_until shown "$kBoxTitle"; }
escape_cancels_box() { press_key Escape && wait_until not_shown "$kBoxTitle"; }
check "drop: a folder gives the read error box" folder_gives_box
# The window is disabled while the box is up; a drop then must not load. Esc
# (Cancel) is handled after the dropped file would have loaded.
drop_files "$work/third.txt" >/dev/null 2>&1
check "drop: Esc cancels the box" escape_cancels_box
check "drop: no drop is taken while a box is up; the earlier document stays" shown "Lumarind - [second.gif]"
check "drop: the remembered folders do not change" test "$(remembered)" = "$before"
