#!/bin/sh
# F12 saves the frame on screen as skinning-demo-001.png in the working directory: a PNG of the
# window's size holding what the window shows. The animation and the camera are stopped first,
# so the screen holds still while it is compared.
. "$(dirname "$0")/common.sh" "$1" "$2"
start_x 1024x768
start_demo
focus_demo

xdotool key --delay 30 p r
await_still still || fail "the scene did not stop"
xdotool key F12
wait_for 100 test -s "$WORK/demo.out" || fail "no line about a saved screenshot"
[ "$(cat "$WORK/demo.out")" = "saved skinning-demo-001.png" ] ||
    fail "the demo printed: $(cat "$WORK/demo.out")"
shot screen

png=$WORK/skinning-demo-001.png
size=$(identify -format '%m %w %h' "$png") || fail "ImageMagick cannot read $png"
window_geometry
[ "$size" = "PNG $WIDTH $HEIGHT" ] || fail "$png is '$size', the window ${WIDTH}x${HEIGHT}"
convert "$png" -depth 8 "$WORK/saved.ppm" || fail "cannot convert $png"
convert "$WORK/screen.ppm" -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage "$WORK/window.ppm" ||
    fail "cannot crop the screen"
lit=$(count screen lit 0 0 "$WIDTH" "$HEIGHT")
[ "$lit" -gt 2000 ] || fail "the scene is missing ($lit lit pixels)"
different=$(differences saved window)
[ "$different" -eq 0 ] || fail "$different pixels differ between the file and the window"
echo "ok: F12 saved a ${WIDTH}x${HEIGHT} PNG of what the window shows"
