#!/bin/sh
# One-step set-up for a fresh Debian 12 machine.
#   sh tools/setup.sh demo   install what the demo needs, build it, run it
#   sh tools/setup.sh test   install what the tests need, build everything, run every test
# Environment knobs (used by CI): BUILD_DIR (default build), CMAKE_ARGS (extra -D options),
# SKIP_INSTALL=1 (packages already present).
set -eu

mode=${1:-}
here=$(cd "$(dirname "$0")/.." && pwd)
build_dir=${BUILD_DIR:-build}
cmake_args=${CMAKE_ARGS:-}

demo_packages="build-essential cmake pkg-config libsdl2-dev libgl-dev libglu1-mesa-dev
  libgl1-mesa-dri libegl-mesa0 libimgui-dev libstb-dev"
test_packages="$demo_packages libgtest-dev libbenchmark-dev xvfb xauth xdotool imagemagick
  x11-utils openbox wmctrl clang libclang-rt-14-dev"

as_root() {
    if [ "$(id -u)" = 0 ]; then "$@"; else sudo "$@"; fi
}

install_packages() {
    [ "${SKIP_INSTALL:-0}" = 1 ] && return 0
    as_root apt-get update
    # shellcheck disable=SC2086
    as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends $1
}

# Builds everything, or only the targets named. $1: extra configure options.
build() {
    extra=$1
    shift
    # shellcheck disable=SC2086
    cmake -S "$here" -B "$here/$build_dir" $extra $cmake_args
    if [ $# -eq 0 ]; then
        cmake --build "$here/$build_dir" -j "$(nproc)"
    else
        cmake --build "$here/$build_dir" -j "$(nproc)" --target "$@"
    fi
}

case "$mode" in
demo)
    install_packages "$demo_packages"
    # The demo alone: no test suite or benchmarks, so neither GoogleTest nor Google Benchmark.
    build "-DSKIN_TESTS=OFF -DSKIN_BENCH=OFF" skinning_demo
    # The demo finds the textures in the source tree's assets/ from any working directory; it
    # stays where the script was started, so that the screenshots F12 saves land there and not
    # among the assets.
    exec "$here/$build_dir/app/skinning_demo"
    ;;
test)
    install_packages "$test_packages"
    build "-DSKIN_TESTS=ON"
    ctest --test-dir "$here/$build_dir" --output-on-failure -j "$(nproc)"
    ;;
*)
    echo "usage: sh tools/setup.sh demo|test" >&2
    exit 2
    ;;
esac
