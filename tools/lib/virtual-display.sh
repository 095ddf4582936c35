# Sourced by tools/test and tools/run: a private Xvfb display and a private
# Wine prefix under build/. Both are stopped by the process ids started here.

LUMARIND_ROOT=${LUMARIND_ROOT:-$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)}
export WINEPREFIX="$LUMARIND_ROOT/build/wineprefix"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree="
export WINEARCH=win64

xvfb_pid=""

# Starts Xvfb on a display number it picks itself and exports DISPLAY. The
# screen is 1280x1024 unless a size such as 2560x1600 is given.
start_virtual_display() {
    local number_file size=${1:-1280x1024}
    number_file=$(mktemp)
    Xvfb -displayfd 3 -nolisten tcp -screen 0 "${size}x24" 3>"$number_file" 2>/dev/null &
    xvfb_pid=$!
    local deadline=$((SECONDS + 20))
    until [ -s "$number_file" ]; do
        if [ $SECONDS -ge $deadline ] || ! kill -0 "$xvfb_pid" 2>/dev/null; then
            echo "cannot start Xvfb" >&2
            rm -f "$number_file"
            return 1
        fi
        sleep 0.05
    done
    export DISPLAY=":$(head -n1 "$number_file")"
    rm -f "$number_file"
}

stop_virtual_display() {
    if [ -n "$xvfb_pid" ]; then
        kill "$xvfb_pid" 2>/dev/null || true
        wait "$xvfb_pid" 2>/dev/null || true
        xvfb_pid=""
    fi
}

# Creates the prefix on first use; later runs reuse it.
prepare_wine_prefix() {
    mkdir -p "$(dirname "$WINEPREFIX")"
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
        echo "preparing the Wine prefix (first run only)..." >&2
        wineboot -i >/dev/null 2>&1 || true
    fi
    wineserver -w
}

stop_wine() {
    wineserver -k 2>/dev/null || true
}
