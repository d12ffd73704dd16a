#!/bin/sh
# One-step set-up for a fresh Debian 12 machine.
#   sh tools/setup.sh demo   install what the demo needs, build it, run it
#   sh tools/setup.sh web    install what the web page needs, build it into build-web/site/ and
#                            serve it gzipped on 127.0.0.1 (PORT, default 8000)
#   sh tools/setup.sh test   install what the tests need, build everything (the web page too),
#                            run every test
#   sh tools/setup.sh fuzz   build the glTF loader's fuzz target with clang and run it a bounded
#                            number of times (FUZZ_RUNS) under AddressSanitizer and UBSan
# Environment knobs (used by CI): BUILD_DIR (default build), CMAKE_ARGS (extra -D options),
# SKIP_INSTALL=1 (packages already present), SKIP_WEB=1 (test without the web page).
set -eu

mode=${1:-}
here=$(cd "$(dirname "$0")/.." && pwd)
build_dir=${BUILD_DIR:-build}
cmake_args=${CMAKE_ARGS:-}
web_dir=$here/build-web
imgui_dir=$web_dir/deps/imgui
port=${PORT:-8000}

demo_packages="build-essential cmake pkg-config libsdl2-dev libgl-dev libglu1-mesa-dev
  libgl1-mesa-dri libegl-mesa0 libimgui-dev libstb-dev libtinygltf-dev nlohmann-json3-dev"
test_packages="$demo_packages libgtest-dev libbenchmark-dev xvfb xauth xdotool imagemagick
  x11-utils openbox wmctrl clang libclang-rt-14-dev"
# Emscripten (which brings Node.js and Python), and dpkg-dev to unpack Dear ImGui's sources.
web_packages="cmake make libstb-dev libtinygltf-dev nlohmann-json3-dev emscripten dpkg-dev"

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

# apt-get source needs the archive's source entries, which a fresh machine may lack: they are
# added beside the binary ones, from the same mirrors.
add_source_entries() {
    [ "${SKIP_INSTALL:-0}" = 1 ] && return 0
    apt-cache showsrc imgui 2>/dev/null | grep -q '^Package:' && return 0
    if [ -f /etc/apt/sources.list.d/debian.sources ]; then
        sed 's/^Types: deb$/Types: deb-src/' /etc/apt/sources.list.d/debian.sources |
            as_root tee /etc/apt/sources.list.d/skinning-demo-src.sources >/dev/null
    elif grep -q '^deb ' /etc/apt/sources.list 2>/dev/null; then
        sed -n 's/^deb /deb-src /p' /etc/apt/sources.list |
            as_root tee /etc/apt/sources.list.d/skinning-demo-src.list >/dev/null
    else
        echo "setup.sh: no Debian archive entry to add source entries for" >&2
        exit 1
    fi
    as_root apt-get update
}

# Dear ImGui's sources, from Debian's source package, kept in the build folder for later runs.
fetch_imgui_sources() {
    [ -f "$imgui_dir/imgui.cpp" ] && return 0
    add_source_entries
    rm -rf "$web_dir/deps/fetch"
    mkdir -p "$web_dir/deps/fetch"
    (cd "$web_dir/deps/fetch" && apt-get source imgui)
    mv "$web_dir"/deps/fetch/imgui-*/ "$imgui_dir"
    rm -rf "$web_dir/deps/fetch"
}

# The web page, built with Emscripten into build-web/site/.
build_web() {
    fetch_imgui_sources
    emcmake cmake -S "$here" -B "$web_dir" -DCMAKE_BUILD_TYPE=Release \
        -DSKIN_IMGUI_SOURCE_DIR="$imgui_dir"
    cmake --build "$web_dir" -j "$(nproc)" --target skinning_demo
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
web)
    install_packages "$web_packages"
    build_web
    echo "Open http://127.0.0.1:$port/ in a web browser (Ctrl+C stops the server)."
    exec python3 "$here/tools/serve_web.py" "$web_dir/site" "$port" --bind 127.0.0.1
    ;;
test)
    if [ "${SKIP_WEB:-0}" = 1 ]; then
        install_packages "$test_packages"
        build "-DSKIN_TESTS=ON -DSKIN_WEB_SITE="
    else
        # Chromium for the browser test, and npm where the machine's Node.js has none.
        command -v npm >/dev/null 2>&1 || npm_package=npm
        install_packages "$test_packages $web_packages chromium ${npm_package:-}"
        build_web
        (cd "$here/tests/web" && npm ci --no-audit --no-fund)
        (cd "$here/tests/gltf/validator" && npm ci --no-audit --no-fund)
        build "-DSKIN_TESTS=ON -DSKIN_WEB_SITE=$web_dir/site"
    fi
    ctest --test-dir "$here/$build_dir" --output-on-failure -j "$(nproc)"
    ;;
fuzz)
    # The glTF loader's fuzz target under AddressSanitizer and UndefinedBehaviorSanitizer, built
    # by clang for its libFuzzer, run a bounded number of times from a fixed seed on the shipped
    # models (FUZZ_RUNS, default 20000): the same inputs every run, so a pass stays a pass.
    install_packages "$test_packages python3"
    CC=clang CXX=clang++ cmake -S "$here" -B "$here/build-fuzz" -DSKIN_FUZZ=ON \
        -DSKIN_SANITIZE=ON -DSKIN_TESTS=OFF -DSKIN_BENCH=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo
    cmake --build "$here/build-fuzz" -j "$(nproc)" --target gltf_fuzz
    corpus=$(mktemp -d)
    python3 "$here/tools/fuzz_seeds.py" "$here/tests/gltf/models" "$corpus"
    (cd "$corpus" && "$here/build-fuzz/gltf_fuzz" -seed=1 -runs="${FUZZ_RUNS:-20000}" \
        -max_len=131072 -rss_limit_mb=2048 "$corpus")
    rm -rf "$corpus"
    ;;
*)
    echo "usage: sh tools/setup.sh demo|web|test|fuzz" >&2
    exit 2
    ;;
esac
