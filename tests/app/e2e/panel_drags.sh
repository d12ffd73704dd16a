#!/bin/sh
# Drags on the panel follow the pointer: a joint slider dragged in the forward mode turns its
# joint by the angle the slider's scale gives, and the panel dragged by its title bar moves.
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
drag 1 122 185 162 185
xdotool mousemove --window "$WID" 600 500
await_change 300 slid before 16 176 214 18 || fail "the slider did not move"

# The title bar, away from its arrow, carried 300 to the right and 200 down.
drag 1 200 17 500 217
moved() {
    [ "$(count moved lit 0 0 300 200)" -lt 5000 ] && [ "$(count moved lit 308 208 330 200)" -gt 20000 ]
}
await 300 moved moved ||
    fail "the panel did not follow its title bar ($(count moved lit 0 0 300 200) lit pixels" \
        "left at its old place)"

xdotool key Escape
wait_exit 30
[ "$EXIT_CODE" -eq 0 ] || fail "exit code $EXIT_CODE"
angle=$(sed -n 's/^bone 0: x \(-*[0-9]*\)\..*/\1/p' "$WORK/demo.out")
[ -n "$angle" ] || fail "no pose in the statistics: $(cat "$WORK/demo.out")"
# 40 pixels: 72 degrees.
[ "$angle" -ge 64 ] && [ "$angle" -le 80 ] || fail "a 40-pixel drag turned bone 0 by $angle degrees"
echo "ok: a 40-pixel drag turned bone 0 to $angle degrees; the panel followed its title bar"
