#!/bin/sh
# The glTF test files, checked with the format's own validator: the loader's tests write their
# generated cases into a fresh folder, then validate.mjs reads them and the shipped models.
# Usage: validate_generated.sh GLTF_TESTS_BINARY WORK_FOLDER
set -eu
here=$(cd "$(dirname "$0")" && pwd)
models="$here/../models"
rm -rf "$2"
mkdir -p "$2"
SKIN_GLTF_WRITE_DIR="$2" "$1" --gtest_filter='GltfGenerated.*'
# RiggedFigure ships with 31 vertices whose weights do not sum to 1, which the loader renormalises.
node "$here/validate.mjs" "$2"/*.gltf \
    "$models/RiggedFigure/RiggedFigure.gltf=ACCESSOR_WEIGHTS_NON_NORMALIZED" \
    "$models/RiggedSimple/RiggedSimple.gltf" "$models/simple_skin/simple_skin.gltf"
