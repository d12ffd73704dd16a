#!/bin/sh
# Remakes the README's pictures in docs/ with the program itself, headless, so they show exactly
# what the program draws. Run from anywhere after a build:
#   sh tools/make_docs_pictures.sh [PROGRAM]   (default: build/app/skinning_demo)
# Each picture's options are, word for word, the command its guide gives the reader (the Guides
# tests hold them to that), so the pictures show what those commands show.
set -eu
here=$(cd "$(dirname "$0")/.." && pwd)
demo=${1:-$here/build/app/skinning_demo}
docs=$here/docs
mkdir -p "$docs"

# picture NAME FRAMES [OPTION]...: the frame after FRAMES ticks of a run with those options.
picture() {
    name=$1 frames=$2
    shift 2
    "$demo" --headless --frames "$frames" --screenshot "$docs/$name.png" "$@"
    echo "made docs/$name.png"
}

# The start: the play animation in wireframe, bone markers showing, the camera turning.
picture start 40
# The animation paused in a bent pose, the limb filled and textured, its normals showing.
picture filled-normals 90 --keys "80:P 80:R 80:T 80:N"
# The inverse mode with the panel open: the target raised and moved aside, the solver bending
# the chain toward it.
picture inverse-panel 1500 --keys "1:I 2:F1 3:PageUp 4:PageUp 5:PageUp 6:PageUp 7:PageUp 8:PageUp 9:PageUp 10:PageUp 11:Down 12:Down 13:Down 14:Down 15:Down 16:Down 17:Right 18:Right 19:Right 20:Right 21:Right 22:Right 23:Right 24:Right"
# The compare view: the comparison on (C), the target step raised to 0.25 and the target moved
# aside; the other solvers' chains have arrived while the incremental one on the limb creeps.
picture inverse-compare 60 --keys "1:I 2:F1 3:C 4:Plus 5:Plus 6:Plus 7:PageUp 8:PageUp 9:PageUp 10:PageUp 11:Right 12:Right 13:Right 14:Down 15:Down 16:Down"
# The skinning lab: bone 1 bent 90 degrees under linear blending, filled, in the volume view, the
# panel open on its colour scale and the limb's volume.
picture skinning-volume 10 --pose bend-90 --keys "1:F1 2:V 3:T"
# Every method side by side, half a turn of twist, in the radius view: the linear copy pinched.
picture skinning-side-by-side 10 --pose twist-180 --side-by-side --keys "1:F1 2:D 3:T"
# The same in the stretch view: rigid's torn band dark red, linear's crushed one dark blue.
picture skinning-stretch 10 --pose twist-180 --side-by-side --keys "1:F1 2:A 3:T"
# The joint limits holding the analytic solver short of a target a unit above the root, with the
# cone, the elbow's allowed directions and the pole's arrow in the scene.
picture inverse-limits 60 --ik-solver analytic --ik-limits --keys "1:I 2:F1 3:Down 4:Down 5:Down 6:Down 7:Down 8:Down 9:Down 10:Down 11:Down 12:Down 13:Down 14:Down 15:Down 16:Down 17:Down 18:Down 19:Down 20:Down 21:Down 22:Down"
# The tentacle's long chain with the panel open and every solver's chain drawn: the target low and
# to the side.
picture tentacle-compare 30 --model tentacle --target -1.5,1.2,0.8 --keys "1:F1 2:C"
# Any chain of a skeleton: only the tentacle's top four joints move.
picture tentacle-chain 30 --model tentacle --ik-chain tentacle7:4 --target 1,1.8,0.5 --keys "1:C"
# The shipped figure, one arm raised at the shoulder, once per method side by side.
picture figure-methods 2 --model tests/gltf/models/RiggedFigure/RiggedFigure.gltf --turn "node 16:-100,0,0" --side-by-side --view filled --camera 0,10,21
# An upper arm twisted half a turn in the radius view: linear pulls it in, dual quaternions keep it.
picture figure-twist-linear 2 --model tests/gltf/models/RiggedFigure/RiggedFigure.gltf --turn "node 17:0,150,0" --view filled,radius --camera 330,5,7
picture figure-twist-dual 2 --model tests/gltf/models/RiggedFigure/RiggedFigure.gltf --turn "node 17:0,150,0" --view filled,radius --camera 330,5,7 --skinning dual-quaternion
# The arm raised under rigid skinning in the stretch view: a triangle torn at the shoulder.
picture figure-rigid-stretch 2 --model tests/gltf/models/RiggedFigure/RiggedFigure.gltf --turn "node 16:-100,0,0" --skinning rigid --view filled,stretch --camera 300,5,8
