#!/bin/sh
# Drags on the panel follow the pointer: a joint slider dragged in the forward mode turns its
# joint by the angle the slider's scale gives. The open panel is a strip at the window's left
# edge: dragged by its title bar, it stays there, so it can never be lost off-screen.
. "$(dirname "$0")/common.sh" "$1" "$2"
start_x 1024x768
start_demo --stats
focus_demo
window_geometry

xdotool key f F1 # the forward mode, still, with its joint sliders
panel_shown() {
    [ "$(count open lit 0 0 330 260)" -gt 30000 ]
}
await 300 open panel_shown || fail "F1 did not open the panel"
xdotool mousemove --window "$WID" 600 500
await_still before || fail "the scene did not stop"

# "Lower bone X" spans -180 to 180 degrees over its 214-pixel frame, less 2 pixels of padding at
# each end and the 10-pixel grab: 360 degrees over 200 pixels. Its grab sits at 0, mid-frame.
drag 1 114 177 154 177
xdotool mousemove --window "$WID" 600 500
await_change 300 slid before 8 168 214 18 || fail "the slider did not move"

# The title bar, away from its arrow, dragged 300 to the right and 200 down: the panel stays.
drag 1 200 9 500 209
xdotool mousemove --window "$WID" 600 500
await_still after_drag || fail "the scene did not stop after the drag"
[ "$(count after_drag lit 0 0 300 200)" -gt 30000 ] ||
    fail "the panel left its place at the left edge ($(count after_drag lit 0 0 300 200) lit pixels)"

# A value typed into "Upper bone Z" after a Ctrl+click: the keys go to its text field, not to
# the key table (Escape there cancels a second edit instead of ending the demo).
ctrl_click() {
    xdotool mousemove --window "$WID" "$1" "$2" keydown ctrl
    sleep 0.3 # a hand holds Ctrl across frames; so must the test, however busy the machine
    xdotool click 1
    sleep 0.3
    xdotool keyup ctrl
}
ctrl_click 60 223
xdotool type --delay 50 -- "-45"
xdotool key Return
ctrl_click 60 223
xdotool type --delay 50 -- "7"
xdotool key Escape
xdotool mousemove --window "$WID" 600 500
typed() {
    [ "$(count typed lit 8 214 214 18)" -gt 0 ]
}
await 300 typed typed || fail "the typed value did not show"
kill -0 "$DEMO_PID" 2>/dev/null || fail "Escape in the text field ended the demo"

xdotool key Escape
wait_exit 30
[ "$EXIT_CODE" -eq 0 ] || fail "exit code $EXIT_CODE"
angle=$(sed -n 's/^bone 0: x \(-*[0-9]*\)\..*/\1/p' "$WORK/demo.out")
[ -n "$angle" ] || fail "no pose in the statistics: $(cat "$WORK/demo.out")"
# 40 pixels: 72 degrees.
[ "$angle" -ge 64 ] && [ "$angle" -le 80 ] || fail "a 40-pixel drag turned bone 0 by $angle degrees"
grep -q '^bone 1: x .*, z -45.00$' "$WORK/demo.out" ||
    fail "typing -45 into Upper bone Z gave: $(grep '^bone 1' "$WORK/demo.out")"
echo "ok: a 40-pixel drag turned bone 0 to $angle degrees; the panel kept its place; -45 typed"
