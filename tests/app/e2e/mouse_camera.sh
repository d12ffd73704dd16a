#!/bin/sh
# A left drag turns the scene with the pointer and the wheel brings the camera closer.
#
# I straightens the limb, F then holds it in the forward mode (camera from the side, nothing
# moving), and Page Down bends the upper bone about Z, which leans the limb's top toward the
# camera. Turning the scene by a drag to
# the right must then carry the top to the right; a drag to the left, to the left.
. "$(dirname "$0")/common.sh" "$1" "$2"
start_x 1024x768
start_demo
focus_demo
window_geometry

xdotool key i f
xdotool keydown Next
sleep 0.6
xdotool keyup Next
sleep 0.3
# Well away from the panel's title bar at the top left.
fromX=$((WIDTH / 2))
fromY=$((HEIGHT * 3 / 4))
# The mean x of the limb's lines in the top third of the window, or "none".
top_x() {
    set -- $(centre "$1" greenish 0 0 "$WIDTH" $((HEIGHT / 3)))
    echo "$1"
}
shot side
drag 1 "$fromX" "$fromY" $((fromX + 60)) "$fromY"
sleep 0.3
shot right
drag 1 "$fromX" "$fromY" $((fromX - 120)) "$fromY"
sleep 0.3
shot left
side=$(top_x side)
right=$(top_x right)
left=$(top_x left)
[ "$side" != none ] && [ "$right" != none ] && [ "$left" != none ] ||
    fail "the limb's top is out of sight: $side, $right, $left"
[ "$right" -gt $((side + 20)) ] || fail "a drag to the right moved the top from $side to $right"
[ "$left" -lt $((side - 20)) ] || fail "a drag to the left moved the top from $side to $left"

lit_before=$(count left lit 0 0 "$WIDTH" "$HEIGHT")
xdotool mousemove --window "$WID" "$fromX" "$fromY" click 4 click 4 click 4
sleep 0.3
shot closer
lit_after=$(count closer lit 0 0 "$WIDTH" "$HEIGHT")
[ "$lit_after" -gt $((lit_before * 11 / 10)) ] ||
    fail "the wheel did not bring the scene closer ($lit_before lit pixels, then $lit_after)"
echo "ok: top at x $side, $right after a drag right, $left after a drag left;" \
    "lit pixels $lit_before -> $lit_after after zooming"
