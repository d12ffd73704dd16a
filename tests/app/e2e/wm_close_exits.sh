#!/bin/sh
# Closing the window from the window manager ends the program with exit code 0.
. "$(dirname "$0")/common.sh" "$1" "$2"
start_x 1024x768
start_wm
start_demo
wmctrl -c "$TITLE" || fail "wmctrl could not close the window"
wait_exit 20
[ "$EXIT_CODE" -eq 0 ] || fail "exit code $EXIT_CODE"
echo "ok: window-manager close, exit code 0"
