#!/bin/sh
# Escape ends the program with exit code 0, here from the inverse-kinematics mode.
. "$(dirname "$0")/common.sh" "$1" "$2"
start_x 1024x768
start_demo
focus_demo
xdotool key --delay 50 f i Escape
wait_exit 20
[ "$EXIT_CODE" -eq 0 ] || fail "exit code $EXIT_CODE"
[ ! -s "$WORK/demo.out" ] || fail "the demo printed: $(cat "$WORK/demo.out")"
echo "ok: Escape, exit code 0"
