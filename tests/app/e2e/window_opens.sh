#!/bin/sh
# The window opens with its exact title at 800 by 600 outer size, clamped to the screen.
#   window_opens.sh DEMO PROBE SCREEN EXPECTED_WIDTH EXPECTED_HEIGHT [openbox]
. "$(dirname "$0")/common.sh" "$1" "$2"
screen=$3
expected_width=$4
expected_height=$5
with_wm=${6:-}

start_x "$screen"
[ "$with_wm" = openbox ] && start_wm
start_demo

name=$(xdotool getwindowname "$WID")
[ "$name" = "$TITLE" ] || fail "title is '$name'"

# The frame is fitted once the window manager has reported it: wait for the size to settle.
outer_size() {
    window_geometry
    left=0 right=0 top=0 bottom=0
    if [ "$with_wm" = openbox ]; then
        extents=$(xprop -id "$WID" _NET_FRAME_EXTENTS | sed -n 's/.*= *//p' | tr -d ' ')
        [ -n "$extents" ] || return 1
        IFS=, read -r left right top bottom <<END
$extents
END
    fi
    outer_width=$((WIDTH + left + right))
    outer_height=$((HEIGHT + top + bottom))
}
expected_size() {
    outer_size && [ "$outer_width" = "$expected_width" ] && [ "$outer_height" = "$expected_height" ]
}
if ! wait_for 300 expected_size; then
    outer_size || fail "the window manager reports no frame"
    fail "outer size ${outer_width}x${outer_height} (client ${WIDTH}x${HEIGHT}), expected" \
        "${expected_width}x${expected_height} on a $screen screen"
fi
echo "ok: '$name' ${outer_width}x${outer_height} on $screen${with_wm:+ with $with_wm}"
