#include "app/scene.h"

#include "image/textures.h"
#include "platform/message_box.h"
#include "render/renderer.h"
#include "skeleton/demo_state.h"
#include "skeleton/skin_mesh.h"

namespace {

// The loader's messages go into the error box, or onto standard error where no box can show.
void ReportImageError(const char *fileName, const char *text) {
    if (!ShowErrorBox(text))
        PrintImageError(fileName, text);
}

} // namespace

void InitScene() {
    SetImageErrorReporter(ReportImageError);
    if (!LoadTextures(&skinTexture, &floorTexture))
        demoState.texturesOff = 1;
    InitSkinAndBones();
}
