#!/bin/sh
# Fails when a folder of the model core includes a folder that is not below it: the arrows of
# docs/development.md's layout, checked on every #include "folder/file.h" line.
set -eu
cd "$(dirname "$0")/.."

# What each core folder may include besides itself and math/.
allowed() {
    case $1 in
    math | rig | mesh | view) echo "" ;;
    skinning) echo "rig mesh" ;;
    model) echo "skinning rig mesh" ;;
    gltf) echo "model skinning rig mesh" ;;
    ik) echo "rig" ;;
    lab) echo "model skinning ik view rig mesh" ;;
    demo) echo "lab gltf model skinning ik view rig mesh" ;;
    esac
}

status=0
for folder in math rig mesh view skinning model gltf ik lab demo; do
    for file in "$folder"/*.h "$folder"/*.cpp; do
        [ -f "$file" ] || continue
        for used in $(sed -n 's/^#include "\([a-z_]*\)\/.*/\1/p' "$file" | sort -u); do
            [ "$used" = "$folder" ] || [ "$used" = math ] && continue
            case " $(allowed "$folder") " in
            *" $used "*) ;;
            *)
                echo "$file includes $used/, which is not below $folder/" >&2
                status=1
                ;;
            esac
        done
    done
done
exit $status
