#!/bin/sh
# I, then Up several times: the target rises above the chain's end and the red line from the
# end to the target appears above the limb.
. "$(dirname "$0")/common.sh" "$1" "$2"
start_x 1024x768
start_demo
focus_demo
window_geometry
middle=$((WIDTH / 2))

xdotool key i
await_still before || fail "the scene did not stop in the inverse mode"
red_before=$(count before red $((middle - 40)) 0 80 $((HEIGHT / 2)))
xdotool key --delay 30 Up Up Up Up Up Up
line_shown() {
    [ "$(count after red $((middle - 40)) 0 80 $((HEIGHT / 2)))" -ge $((red_before + 15)) ]
}
await 300 after line_shown || fail "no red line above the limb ($red_before red pixels before)"
await_still after || fail "the scene did not settle"

lit=$(count after lit 0 0 "$WIDTH" "$HEIGHT")
[ "$lit" -gt 2000 ] || fail "the scene is missing ($lit lit pixels)"
red_after=$(count after red $((middle - 40)) 0 80 $((HEIGHT / 2)))
red_anywhere=$(count after red 0 0 "$WIDTH" "$HEIGHT")
[ "$red_anywhere" -le $((red_after + 5)) ] || fail "red outside the middle ($red_anywhere)"
echo "ok: red pixels above the limb $red_before -> $red_after"
