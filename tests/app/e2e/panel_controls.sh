#!/bin/sh
# F1 opens the panel; a click on its Wireframe box fills the limb, and the Bone markers box shows
# at once that the markers went with the wireframe; the main row's + (the = key, unshifted)
# raises the speed as the numeric pad's does.
. "$(dirname "$0")/common.sh" "$1" "$2"
start_x 1024x768
start_demo --stats
focus_demo
window_geometry

xdotool key p r # a still scene
await_still closed || fail "the scene did not stop"
panel_closed=$(count closed lit 0 0 330 300)
xdotool key F1
panel_shown() {
    [ "$(count open lit 0 0 330 300)" -gt $((panel_closed + 20000)) ]
}
await 300 open panel_shown ||
    fail "F1 did not open the panel ($panel_closed lit pixels, then $(count open lit 0 0 330 300))"
panel_open=$(count open lit 0 0 330 300)

# The panel's layout is fixed: its Wireframe box is the first on the row below the modes, the
# Bone markers box the second.
green_before=$(count open greenish 340 0 $((WIDTH - 340)) "$HEIGHT")
xdotool mousemove --window "$WID" 24 88 click 1
filled() {
    [ "$(count filled greenish 340 0 $((WIDTH - 340)) "$HEIGHT")" -gt $((green_before * 2)) ]
}
await 300 filled filled ||
    fail "the Wireframe box did not fill the limb ($green_before green pixels, then" \
        "$(count filled greenish 340 0 $((WIDTH - 340)) "$HEIGHT"))"
green_after=$(count filled greenish 340 0 $((WIDTH - 340)) "$HEIGHT")

# The click changed the markers too (a filled limb hides them): their box shows it, though the
# frames after the click have nothing new in the scene to draw.
await_change 300 boxes open 172 78 20 20 ||
    fail "the Bone markers box still shows its old state after the click"

xdotool key equal equal minus plus
xdotool key Escape
wait_exit 30
[ "$EXIT_CODE" -eq 0 ] || fail "exit code $EXIT_CODE"
grep -q "speed 2.0" "$WORK/demo.out" || fail "speed not raised: $(cat "$WORK/demo.out")"
echo "ok: panel $panel_closed -> $panel_open lit pixels; limb $green_before -> $green_after" \
    "green pixels; Bone markers box redrawn; $(grep -o 'speed [0-9.]*' "$WORK/demo.out")"
