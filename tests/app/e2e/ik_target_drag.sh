#!/bin/sh
# In the inverse mode a right drag carries the target, and with it the red line from the
# chain's end, across the screen.
. "$(dirname "$0")/common.sh" "$1" "$2"
start_x 1024x768
start_demo
focus_demo
window_geometry

xdotool key i
xdotool key --delay 30 Up Up Up Up Up
sleep 0.5
shot raised
fromX=$((WIDTH * 3 / 4))
fromY=$((HEIGHT * 3 / 4))
drag 3 "$fromX" "$fromY" $((fromX + 120)) "$fromY"
sleep 0.5
shot dragged
set -- $(centre raised red 0 0 "$WIDTH" "$HEIGHT")
before=$1
set -- $(centre dragged red 0 0 "$WIDTH" "$HEIGHT")
after=$1
[ "$before" != none ] && [ "$after" != none ] || fail "no red line ($before, $after)"
[ "$after" -gt $((before + 20)) ] || fail "the red line did not follow: x $before -> $after"
echo "ok: red line at x $before, $after after the drag"
