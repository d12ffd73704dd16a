#!/bin/sh
# Installs the build into a temporary prefix, moves the installed tree elsewhere, and runs the
# installed program from / with the source tree's assets/ hidden: its frame must be exactly the
# one the build's program draws in assets/ (both textures), not the untextured one. Hiding the
# source assets takes a private mount namespace; where that cannot be had, the run goes ahead
# with them visible and the test ends as skipped (exit 77), having shown only that the installed
# program runs and draws textured.
#   install_test.sh CMAKE BUILD_DIR DEMO SOURCE_ASSETS
set -u
CMAKE=$1
BUILD=$2
DEMO=$3
ASSETS=$4
WORK=$(mktemp -d "${TMPDIR:-/tmp}/skinning_install.XXXXXX")
trap 'rm -rf "$WORK"' EXIT

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

# run_from_root OUT.png PROGRAM [ARGUMENTS...]: a short deterministic run from /, filled limb,
# its last frame saved as OUT.png.
run_from_root() {
    out=$1
    shift
    (cd / && "$@" --headless --frames 5 --no-ui --keys 1:T --screenshot "$out") ||
        fail "the run for $out failed"
}

"$CMAKE" --install "$BUILD" --prefix "$WORK/prefix" >"$WORK/install.log" 2>&1 ||
    fail "cmake --install: $(cat "$WORK/install.log")"
mv "$WORK/prefix" "$WORK/moved"
installed=$WORK/moved/bin/skinning_demo
for file in bin/skinning_demo share/skinning_demo/curlwhip.bmp share/skinning_demo/floor.bmp; do
    [ -f "$WORK/moved/$file" ] || fail "$file was not installed"
done

# The references: the build's program where the textures are, and with textures off.
(cd "$ASSETS" && "$DEMO" --headless --frames 5 --no-ui --keys 1:T \
    --screenshot "$WORK/textured.png") ||
    fail "the reference run failed"
run_from_root "$WORK/plain.png" "$DEMO" --keys 1:O
cmp -s "$WORK/textured.png" "$WORK/plain.png" && fail "textures make no difference to the frame"

mkdir "$WORK/empty"
hidden=1
unshare --mount sh -c 'mount --bind "$1" "$2" && [ ! -e "$2/floor.bmp" ]' sh "$WORK/empty" "$ASSETS" \
    2>/dev/null || hidden=0
if [ "$hidden" = 1 ]; then
    # The bind mount lives in the new namespace only, so nothing else sees assets/ empty.
    run_from_root "$WORK/installed.png" unshare --mount sh -c \
        'mount --bind "$1" "$2" && shift 2 && exec "$@"' sh "$WORK/empty" "$ASSETS" "$installed"
else
    run_from_root "$WORK/installed.png" "$installed"
fi
cmp -s "$WORK/textured.png" "$WORK/installed.png" ||
    fail "the installed program's frame differs from the textured one"
if [ "$hidden" = 0 ]; then
    echo "skipped: cannot hide $ASSETS (no private mount namespace), so the textures may have" \
        "come from there"
    exit 77
fi
echo "ok: the installed, moved program found both textures in its own share/skinning_demo"
