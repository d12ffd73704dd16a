#!/bin/sh
# F1 opens the panel; a click on its Wireframe box fills the limb; the main row's + (the =
# key, unshifted) raises the speed as the numeric pad's does.
. "$(dirname "$0")/common.sh" "$1" "$2"
start_x 1024x768
start_demo --stats
focus_demo
window_geometry

xdotool key p r # a still scene
sleep 0.3
shot closed
xdotool key F1
sleep 0.3
shot open
panel_closed=$(count closed lit 0 0 330 300)
panel_open=$(count open lit 0 0 330 300)
[ "$panel_open" -gt $((panel_closed + 20000)) ] ||
    fail "F1 did not open the panel ($panel_closed lit pixels, then $panel_open)"

# The panel's layout is fixed: its Wireframe box is the first on the row below the modes.
green_before=$(count open greenish 340 0 $((WIDTH - 340)) "$HEIGHT")
xdotool mousemove --window "$WID" 24 88 click 1
sleep 0.3
shot filled
green_after=$(count filled greenish 340 0 $((WIDTH - 340)) "$HEIGHT")
[ "$green_after" -gt $((green_before * 2)) ] ||
    fail "the Wireframe box did not fill the limb ($green_before green pixels, then $green_after)"

xdotool key equal equal minus plus
xdotool key Escape
wait_exit 10
[ "$EXIT_CODE" -eq 0 ] || fail "exit code $EXIT_CODE"
grep -q "speed 2.0" "$WORK/demo.out" || fail "speed not raised: $(cat "$WORK/demo.out")"
echo "ok: panel $panel_closed -> $panel_open lit pixels; limb $green_before -> $green_after" \
    "green pixels; $(grep -o 'speed [0-9.]*' "$WORK/demo.out")"
