#!/bin/sh
# A left drag turns the scene with the pointer and the wheel brings the camera closer.
#
# The demo's own key script straightens the limb (I), holds it in the forward mode (F: camera
# from the side, nothing moving) and bends the upper bone about Z by 37 degrees (Page Down held
# for 37 ticks), which leans the limb's top toward the camera, whatever the machine's load.
# Turning the scene by a drag to the right must then carry the top to the right; a drag to the
# left, to the left.
. "$(dirname "$0")/common.sh" "$1" "$2"
start_x 1024x768
start_demo --keys "1:I 2:F 3+PageDown 40-PageDown"
focus_demo
window_geometry

# The mean x of the limb's lines in the top third of the window, or "none".
top_x() {
    set -- $(centre "$1" greenish 0 0 "$WIDTH" $((HEIGHT / 3)))
    echo "$1"
}
bent() {
    [ "$(top_x side)" != none ]
}
await 300 side bent || fail "the limb's top is out of sight"
await_still side || fail "the limb did not stop bending"
side=$(top_x side)
# Well away from the panel's title bar at the top left.
fromX=$((WIDTH / 2))
fromY=$((HEIGHT * 3 / 4))

moved_right() {
    right=$(top_x right)
    [ "$right" != none ] && [ "$right" -gt $((side + 20)) ]
}
drag 1 "$fromX" "$fromY" $((fromX + 60)) "$fromY"
await 300 right moved_right || fail "a drag to the right moved the top from $side to $(top_x right)"

moved_left() {
    left=$(top_x left)
    [ "$left" != none ] && [ "$left" -lt $((side - 20)) ]
}
drag 1 "$fromX" "$fromY" $((fromX - 120)) "$fromY"
await 300 left moved_left || fail "a drag to the left moved the top from $side to $(top_x left)"
await_still left || fail "the scene did not settle after the drag"

lit_before=$(count left lit 0 0 "$WIDTH" "$HEIGHT")
closer() {
    [ "$(count closer lit 0 0 "$WIDTH" "$HEIGHT")" -gt $((lit_before * 11 / 10)) ]
}
xdotool mousemove --window "$WID" "$fromX" "$fromY" click 4 click 4 click 4
await 300 closer closer ||
    fail "the wheel did not bring the scene closer ($lit_before lit pixels, then" \
        "$(count closer lit 0 0 "$WIDTH" "$HEIGHT"))"
echo "ok: top at x $side, $(top_x right) after a drag right, $(top_x left) after a drag left;" \
    "lit pixels $lit_before -> $(count closer lit 0 0 "$WIDTH" "$HEIGHT") after zooming"
