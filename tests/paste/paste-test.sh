#!/usr/bin/env bash
# Images pasted into the window, checked with ImageMagick: 32-bit pixels with
# alpha as CF_DIBV5 and 24-bit ones as CF_DIB come out as PNGs of the same
# pixels; a PNG offered from X11 (as a Linux program copies one) comes out
# byte for byte; so does the PNG inside a data URL copied there as text, and
# either dragged onto the window as data.
# Runs under the caller's display and Wine prefix. Prints "PASS name" or
# "FAIL name" per check. With a folder as second argument, screenshots of a
# pasted image and of a pasted data URL are saved there.
set -uo pipefail

bin=$1
shots=${2:-}
source "$(dirname "$0")/../drop/windows.sh"
work=$(mktemp -d)
xclip_pid=""
stop_xclip() {
    if [ -n "$xclip_pid" ]; then
        kill "$xclip_pid" 2>/dev/null
        wait "$xclip_pid" 2>/dev/null
        xclip_pid=""
    fi
}
trap 'stop_xclip; rm -rf "$work"' EXIT

probe() { wine "$bin/paste_probe.exe" "$@" 2>"$work/probe.log"; }
same_pixels() {  # expected actual
    local differing
    differing=$(compare -metric AE "$1" "$2" null: 2>&1) && [ "$differing" = 0 ]
}
# Offers the file on the X11 clipboard under the type (-quiet: xclip stays
# in the foreground, so that its process id is this one's to stop).
offer_from_x11() {  # type file
    xclip -quiet -selection clipboard -t "$1" -i "$2" >/dev/null 2>&1 &
    xclip_pid=$!
}
# Pastes what X11 offers, keeping the window until a screenshot is taken.
paste_and_shoot() {  # out shot
    local shown="$work/shown"
    rm -f "$shown"
    probe clipboard "$(winepath -w "$1")" "$(winepath -w "$shown")" &
    local pid=$!
    wait_until shown "Lumarind - [вставка.png]" && import -window root "$2"
    touch "$shown"
    wait "$pid"
}

# A picture with every level of alpha: a colour gradient across, an alpha
# gradient down. The tall one is encoded in several bands of rows, which
# must come out in their order.
picture() {  # width height name
    convert -size "$1x$2" gradient:'#ff2000-#0040ff' \( -size "$2x$1" gradient:white-black -rotate 90 \) \
        -alpha off -compose copy_opacity -composite PNG32:"$work/$3.png"
    convert "$work/$3.png" -depth 8 bgra:"$work/$3.bgra"
    convert "$work/$3.png" -alpha off PNG24:"$work/$3-opaque.png"
    convert "$work/$3.png" -alpha off -depth 8 bgr:"$work/$3.bgr"
}
picture 24 16 ref
picture 200 800 tall

for size in "24 16 ref" "200 800 tall"; do
    read -r width height pic <<<"$size"
    label="${width}x$height"
    dibv5() { probe dibv5 "$(winepath -w "$work/$pic.bgra")" "$width" "$height" "$(winepath -w "$work/$pic-dibv5.png")"; }
    check "paste: CF_DIBV5 with alpha is pasted ($label)" dibv5
    check "paste: the PNG made of CF_DIBV5 has the same pixels, alpha and all ($label)" \
        same_pixels "$work/$pic.png" "$work/$pic-dibv5.png"
    has_alpha() { [ "$(identify -format '%A' "$1")" != False ] && [ "$(identify -format '%A' "$1")" != Undefined ]; }
    check "paste: the PNG made of CF_DIBV5 keeps an alpha channel ($label)" has_alpha "$work/$pic-dibv5.png"

    dib() { probe dib "$(winepath -w "$work/$pic.bgr")" "$width" "$height" "$(winepath -w "$work/$pic-dib.png")"; }
    check "paste: CF_DIB is pasted ($label)" dib
    check "paste: the PNG made of CF_DIB has the same pixels ($label)" \
        same_pixels "$work/$pic-opaque.png" "$work/$pic-dib.png"
done

shot_image="$work/shot-image.png"
shot_dataurl="$work/shot-dataurl.png"
offer_from_x11 image/png "$work/ref.png"
check "paste: a PNG offered from X11 is pasted" paste_and_shoot "$work/x11.png" "$shot_image"
stop_xclip
check "paste: a PNG offered from X11 is kept byte for byte" cmp "$work/ref.png" "$work/x11.png"

printf 'data:image/png;base64,%s\n' "$(base64 -w 0 "$work/ref.png")" >"$work/dataurl.txt"
offer_from_x11 UTF8_STRING "$work/dataurl.txt"
check "paste: a data URL copied as text on X11 is pasted" paste_and_shoot "$work/dataurl.png" "$shot_dataurl"
stop_xclip
check "paste: the data URL's PNG is kept byte for byte" cmp "$work/ref.png" "$work/dataurl.png"

# The same data dragged onto the window from an X11 program, as from a
# browser: taken as the paste of it is.
drag_as() {  # type file out
    probe dragged "$(winepath -w "$3")" &
    local pid=$!
    "$(dirname "$0")/../drop/xdnd-drop.py" --as "$1" Lumarind "$2"
    local dropped=$?
    wait "$pid" && [ "$dropped" = 0 ]
}
check "drop: a PNG dragged as data is taken" drag_as image/png "$work/ref.png" "$work/dragged.png"
check "drop: the dragged PNG is kept byte for byte" cmp "$work/ref.png" "$work/dragged.png"
check "drop: a data URL dragged as text is taken" drag_as UTF8_STRING "$work/dataurl.txt" "$work/dragged-url.png"
check "drop: the dragged data URL's PNG is kept byte for byte" cmp "$work/ref.png" "$work/dragged-url.png"

if [ -n "$shots" ]; then
    mkdir -p "$shots"
    cp "$shot_image" "$shots/pasted-image.png" 2>/dev/null
    cp "$shot_dataurl" "$shots/pasted-data-url.png" 2>/dev/null
fi
[ -s "$work/probe.log" ] && cat "$work/probe.log" >&2
exit 0
