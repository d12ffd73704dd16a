#!/bin/sh
# In the forward mode a held arrow key turns its joint, and releasing it stops the joint.
. "$(dirname "$0")/common.sh" "$1" "$2"
start_x 1024x768
start_demo
focus_demo

xdotool key f # the camera and the play animation stop
await_still still || fail "the scene did not stop in the forward mode"
xdotool keydown Left
await_change_by 300 held1 still 200 || fail "the joint did not turn while Left was held"
await_change_by 300 held2 held1 200 || fail "the joint stopped while the key was held"
xdotool keyup Left
await_still released || fail "the joint still turns after release"
echo "ok: turned while held, still after release"
