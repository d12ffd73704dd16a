// Draws one frame on the headless context and writes it as a PPM, to look at the scene the
// way a user would. Not a test.
//
//   render_snapshot OUT.ppm [filled] [plain] [hidebones] [normals] [textured] [ik]
//                           [angle=DEGREES] [frames=N] [zero]
//
// filled: skin drawn filled (wireframe off); plain: textures off; textured: checker textures on
// both surfaces; ik: IK mode with the target at (1.2, 2.6, 0.3); frames: frames drawn before
// the one written (the solver moves once per frame); zero: the state before the scene set-up.

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "demo/demo_state.h"
#include "render/gl_check.h"
#include "render/gl_state.h"
#include "render/renderer.h"
#include "tests/render/scene_support.h"
#include "tests/support/offscreen_gl.h"

namespace {

double viewAngle = 0.0;
int frames = 1;

void ApplyOption(const char *option) {
    if (!std::strcmp(option, "zero"))
        ResetScene(true);
    else if (!std::strcmp(option, "filled"))
        demoState.wireframe = 0;
    else if (!std::strcmp(option, "plain"))
        demoState.texturesOff = 1;
    else if (!std::strcmp(option, "hidebones"))
        demoState.hideBones = 1;
    else if (!std::strcmp(option, "normals"))
        demoState.showNormals = 1;
    else if (!std::strcmp(option, "textured")) {
        skinTexture = MakeCheckerTexture(64, Colour{255, 230, 200}, Colour{200, 120, 90});
        floorTexture = MakeCheckerTexture(64, Colour{230, 230, 230}, Colour{90, 90, 110});
    } else if (!std::strcmp(option, "ik")) {
        demoState.ikMode = 1;
        demoState.target = Vector3{1.2f, 2.6f, 0.3f};
    } else if (!std::strncmp(option, "angle=", 6))
        viewAngle = std::atof(option + 6);
    else if (!std::strncmp(option, "frames=", 7))
        frames = std::atoi(option + 7);
    else
        std::fprintf(stderr, "ignored option: %s\n", option);
}

} // namespace

int main(int argc, char **argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: render_snapshot OUT.ppm [options]\n");
        return 2;
    }
    if (!UseOffscreenGl())
        return 1;
    InitGlState();
    ResetScene();
    for (int i = 2; i < argc; ++i)
        ApplyOption(argv[i]);
    for (int i = 0; i < frames; ++i)
        RenderScene(KeepInBackBuffer, viewAngle);
    unsigned int error = TakeGlError();
    if (error)
        std::fprintf(stderr, "GL error 0x%04X\n", error);
    if (!WritePpm(ReadFrame(), argv[1])) {
        std::fprintf(stderr, "cannot write %s\n", argv[1]);
        return 1;
    }
    return error ? 1 : 0;
}
