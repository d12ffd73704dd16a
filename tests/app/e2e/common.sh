# Shared by the end-to-end scripts: a private X server on a display of its own, an optional
# window manager, the demo started in a scratch folder (no textures there, so it takes the source
# tree's; F12 writes there), screenshots and clean-up of exactly the processes started here.
# Usage from a script:
#   . "$(dirname "$0")/common.sh" DEMO_BINARY IMAGE_PROBE
set -u
DEMO=$1
PROBE=$2
TITLE='Mesh Skinning - Curlwhip Demo'
WORK=$(mktemp -d "${TMPDIR:-/tmp}/skinning_e2e.XXXXXX")
XVFB_PID=
WM_PID=
DEMO_PID=
WID=

# Ends each process started here, forcibly if it has not gone within five seconds.
stop() {
    kill "$1" 2>/dev/null || return 0
    tries=50
    while kill -0 "$1" 2>/dev/null && [ "$tries" -gt 0 ]; do
        tries=$((tries - 1))
        sleep 0.1
    done
    kill -9 "$1" 2>/dev/null
    wait "$1" 2>/dev/null
}

cleanup() {
    for pid in $DEMO_PID $WM_PID $XVFB_PID; do
        stop "$pid"
    done
    rm -rf "$WORK"
}
trap cleanup EXIT

fail() {
    echo "FAIL: $*" >&2
    for log in demo.err wm.log xvfb.log; do
        if [ -s "$WORK/$log" ]; then
            echo "--- $log:" >&2
            cat "$WORK/$log" >&2
        fi
    done
    exit 1
}

# Waits up to $1 tenths of a second for the command in the remaining arguments to succeed.
# Scripts wait for what they need to see, never for a fixed time, so that a busy machine only
# makes them slower: the limits are far above what an idle machine needs.
wait_for() {
    tries=$1
    shift
    while ! "$@" >/dev/null 2>&1; do
        tries=$((tries - 1))
        [ "$tries" -gt 0 ] || return 1
        sleep 0.1
    done
}

# start_x WIDTHxHEIGHT: a server on a display number of its own. The number is drawn at random
# from a wide range rather than taken as the lowest free one: a number another script has just
# given up can still be held for a moment by its dying server, and a client that connects then
# reaches the wrong server and fails. A number already in use makes the server stop at once, and
# another is drawn.
start_x() {
    attempts=20
    while [ "$attempts" -gt 0 ]; do
        attempts=$((attempts - 1))
        number=$(($(od -An -N2 -tu2 /dev/urandom) % 30000 + 100))
        : >"$WORK/display"
        # -noreset: by default the server resets whenever its last client leaves, and a client
        # that connects meanwhile (the demo, while xdotool polls for its window) is refused.
        Xvfb ":$number" -displayfd 3 -screen 0 "${1}x24" -nolisten tcp -noreset 3>"$WORK/display" \
            2>"$WORK/xvfb.log" &
        XVFB_PID=$!
        tries=200
        while [ ! -s "$WORK/display" ] && kill -0 "$XVFB_PID" 2>/dev/null && [ "$tries" -gt 0 ]; do
            tries=$((tries - 1))
            sleep 0.1
        done
        if [ -s "$WORK/display" ]; then
            DISPLAY=:$(cat "$WORK/display")
            export DISPLAY
            return 0
        fi
        stop "$XVFB_PID"
        XVFB_PID=
    done
    fail "Xvfb did not start"
}

start_wm() {
    openbox --sm-disable >"$WORK/wm.log" 2>&1 &
    WM_PID=$!
    wait_for 200 wmctrl -m || fail "openbox did not start"
}

# start_demo [OPTIONS]: runs the demo in the scratch folder and waits for its window.
start_demo() {
    (cd "$WORK" && exec "$DEMO" "$@") >"$WORK/demo.out" 2>"$WORK/demo.err" &
    DEMO_PID=$!
    find_window() {
        WID=$(xdotool search --onlyvisible --name "^$TITLE\$" | head -n 1)
        [ -n "$WID" ]
    }
    tries=600
    while ! find_window 2>/dev/null; do
        if ! kill -0 "$DEMO_PID" 2>/dev/null; then
            status=0
            wait "$DEMO_PID" || status=$?
            DEMO_PID=
            fail "the demo ended with code $status before showing its window on $DISPLAY:" \
                "$(cat "$WORK/demo.out")"
        fi
        tries=$((tries - 1))
        [ "$tries" -gt 0 ] || fail "no window titled '$TITLE'"
        sleep 0.1
    done
    # The scene comes with the timer's frames after the set-up: wait until it is on screen.
    await 600 started scene_shown || fail "the window never showed the scene"
}

scene_shown() {
    window_geometry
    [ "$(count started lit 0 0 "$WIDTH" "$HEIGHT")" -gt 2000 ]
}

focus_demo() {
    if [ -n "$WM_PID" ]; then
        xdotool windowactivate --sync "$WID"
    else
        xdotool windowfocus --sync "$WID"
    fi
    xdotool mousemove --window "$WID" 5 5
}

# wait_exit SECONDS: waits for the demo to end and sets EXIT_CODE.
wait_exit() {
    tries=$(($1 * 10))
    while kill -0 "$DEMO_PID" 2>/dev/null; do
        tries=$((tries - 1))
        [ "$tries" -gt 0 ] || fail "the demo did not end within $1 s"
        sleep 0.1
    done
    EXIT_CODE=0
    wait "$DEMO_PID" || EXIT_CODE=$?
    DEMO_PID=
}

# window_geometry: sets X, Y, WIDTH and HEIGHT of the demo's window (client area, on screen).
window_geometry() {
    eval "$(xdotool getwindowgeometry --shell "$WID")"
}

# shot NAME: the whole screen, as NAME.ppm in the scratch folder.
shot() {
    import -window root -depth 8 "$WORK/$1.ppm" || fail "screenshot $1 failed"
}

# count NAME CLASS X Y W H: pixels of CLASS in a rectangle given in window coordinates.
count() {
    window_geometry
    "$PROBE" count "$WORK/$1.ppm" "$2" $((X + $3)) $((Y + $4)) "$5" "$6"
}

# centre NAME CLASS X Y W H: mean position of the pixels of CLASS in the rectangle (window
# coordinates), as "X Y" relative to the rectangle, or "none".
centre() {
    window_geometry
    "$PROBE" centre "$WORK/$1.ppm" "$2" $((X + $3)) $((Y + $4)) "$5" "$6"
}

# drag BUTTON FROM_X FROM_Y TO_X TO_Y: presses, moves in steps and releases, window coordinates.
drag() {
    xdotool mousemove --window "$WID" "$2" "$3" mousedown "$1"
    steps=10
    i=1
    while [ "$i" -le "$steps" ]; do
        xdotool mousemove --window "$WID" $(($2 + ($4 - $2) * i / steps)) $(($3 + ($5 - $3) * i / steps))
        sleep 0.02
        i=$((i + 1))
    done
    xdotool mouseup "$1"
}

# differences NAME1 NAME2 [X Y W H]: pixels that differ between two shots, in the whole screen
# or in a rectangle given in window coordinates.
differences() {
    if [ $# -eq 2 ]; then
        "$PROBE" diff "$WORK/$1.ppm" "$WORK/$2.ppm"
    else
        window_geometry
        "$PROBE" diff "$WORK/$1.ppm" "$WORK/$2.ppm" $((X + $3)) $((Y + $4)) "$5" "$6"
    fi
}

# await TENTHS NAME CONDITION...: takes the screenshot NAME again and again until the command
# CONDITION succeeds after it; returns 1 when TENTHS tenths of a second pass first.
await() {
    tenths=$1
    name=$2
    shift 2
    while :; do
        shot "$name"
        "$@" && return 0
        tenths=$((tenths - 1))
        [ "$tenths" -gt 0 ] || return 1
        sleep 0.1
    done
}

# await_still NAME: waits until the screen holds still (five shots in a row the same, half a
# second or more) and keeps the last as NAME. Returns 1 after 60 seconds of change.
await_still() {
    shot "$1"
    same=0
    tries=600
    while [ "$same" -lt 4 ]; do
        sleep 0.1
        mv "$WORK/$1.ppm" "$WORK/$1.previous.ppm"
        shot "$1"
        if [ "$(differences "$1.previous" "$1")" -eq 0 ]; then
            same=$((same + 1))
        else
            same=0
        fi
        tries=$((tries - 1))
        [ "$tries" -gt 0 ] || return 1
    done
}

# await_change TENTHS NAME FROM [X Y W H]: waits until the screen differs from the shot FROM (in
# the rectangle, when given) and keeps it as NAME.
await_change() {
    tenths=$1
    name=$2
    from=$3
    shift 3
    await "$tenths" "$name" differs "$from" "$name" "$@"
}

differs() {
    [ "$(differences "$@")" -gt 0 ]
}

# await_change_by TENTHS NAME FROM PIXELS: as await_change, until more than PIXELS differ.
await_change_by() {
    await "$1" "$2" differs_by "$4" "$3" "$2"
}

differs_by() {
    [ "$(differences "$2" "$3")" -gt "$1" ]
}
