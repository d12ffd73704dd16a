#!/bin/sh
# In the forward mode a held arrow key turns its joint, and releasing it stops the joint.
. "$(dirname "$0")/common.sh" "$1" "$2"
start_x 1024x768
start_demo
focus_demo

xdotool key f  # the camera and the play animation stop
sleep 0.5
shot still
xdotool keydown Left
sleep 0.5
shot held1
sleep 0.5
shot held2
xdotool keyup Left
sleep 0.5
shot released1
sleep 0.7
shot released2

turned=$(differences still held1)
turning=$(differences held1 held2)
after=$(differences released1 released2)
[ "$turned" -gt 200 ] || fail "the joint did not turn ($turned pixels changed)"
[ "$turning" -gt 200 ] || fail "the joint stopped while the key was held ($turning)"
[ "$after" -eq 0 ] || fail "the joint still turns after release ($after pixels changed)"
echo "ok: changed $turned and $turning pixels while held, $after after release"
