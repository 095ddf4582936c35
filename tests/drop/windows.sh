# Sourced by the drop and package checks: drops files on Lumarind's window
# from outside, as a Linux file manager does, and watches what the X display
# shows. Every wait polls with a deadline.

drop_tools=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
readonly kBoxTitle="Tolvarn - Lumarind"

# Runs the command until it succeeds or 30 seconds have passed.
wait_until() {
    local deadline=$((SECONDS + 30))
    until "$@"; do
        [ $SECONDS -ge $deadline ] && return 1
        sleep 0.1
    done
}

shown() { "$drop_tools/shown-windows.py" | grep -qxF -- "$1"; }
not_shown() { ! shown "$1"; }
# The window's caption reads "Lumarind - [NAME]".
wait_for_caption() { wait_until shown "Lumarind - [$1]"; }

# Drops the files on the window whose caption starts with "Lumarind".
drop_files() { "$drop_tools/xdnd-drop.py" Lumarind "$@"; }

# Drops the files and waits for the caption to name the first.
drop_and_expect() {
    drop_files "$@" && wait_for_caption "$(basename "$1")"
}

press_key() { "$drop_tools/press-key.py" "$1"; }

check() {
    local name=$1
    shift
    if "$@" >/dev/null 2>&1; then echo "PASS $name"; else echo "FAIL $name"; fi
}
