#include "app/scene.h"

#include "image/textures.h"
#include "skeleton/demo_state.h"
#include "skeleton/skin_mesh.h"

void InitScene() {
    if (!LoadTextures())
        demoState.texturesOff = 1;
    InitSkinAndBones();
}
