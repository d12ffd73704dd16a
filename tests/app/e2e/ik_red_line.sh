#!/bin/sh
# I, then Up several times: the target rises above the chain's end and the red line from the
# end to the target appears above the limb.
. "$(dirname "$0")/common.sh" "$1" "$2"
start_x 1024x768
start_demo
focus_demo

xdotool key --delay 30 i
sleep 0.5
shot before
xdotool key --delay 30 Up Up Up Up Up Up
sleep 0.7
shot after

window_geometry
lit=$(count after lit 0 0 "$WIDTH" "$HEIGHT")
[ "$lit" -gt 2000 ] || fail "the scene is missing ($lit lit pixels)"
# The line runs up the middle of the window, above the limb's top.
middle=$((WIDTH / 2))
red_before=$(count before red $((middle - 40)) 0 80 $((HEIGHT / 2)))
red_after=$(count after red $((middle - 40)) 0 80 $((HEIGHT / 2)))
red_anywhere=$(count after red 0 0 "$WIDTH" "$HEIGHT")
[ "$red_after" -ge $((red_before + 15)) ] ||
    fail "no red line: $red_before red pixels before, $red_after after"
[ "$red_anywhere" -le $((red_after + 5)) ] || fail "red outside the middle ($red_anywhere)"
echo "ok: red pixels above the limb $red_before -> $red_after"
