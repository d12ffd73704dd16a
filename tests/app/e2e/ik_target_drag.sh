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
red_x() {
    set -- $(centre "$1" red 0 0 "$WIDTH" "$HEIGHT")
    echo "$1"
}
line_shown() {
    [ "$(red_x raised)" != none ]
}
await 300 raised line_shown || fail "no red line after raising the target"
await_still raised || fail "the scene did not settle"
before=$(red_x raised)
fromX=$((WIDTH * 3 / 4))
fromY=$((HEIGHT * 3 / 4))
drag 3 "$fromX" "$fromY" $((fromX + 120)) "$fromY"
line_followed() {
    after=$(red_x dragged)
    [ "$after" != none ] && [ "$after" -gt $((before + 20)) ]
}
await 300 dragged line_followed || fail "the red line did not follow: x $before -> $(red_x dragged)"
echo "ok: red line at x $before, $(red_x dragged) after the drag"
