// Whole frames compared with small committed reference pictures, one per combination of drawing
// flags, so that a changed GL state, camera, winding, material, texture coordinate or drawing
// order shows even where no targeted check looks.
//
// Each frame is drawn at 800 x 600 from the start state in a pose and view angle of its own,
// with MakeRampTexture's texture on whatever is textured, shrunk to 100 x 75 by averaging 8 x 8
// pixel blocks and compared with tests/render/reference/NAME.ppm (binary PPM, top row first).
//
// Tolerance. Mesa releases round lighting and texture filtering differently by a level or two
// and may give an edge or line pixel to the other side at ties; Mesa's two software rasterisers
// (GALLIUM_DRIVER=softpipe against the default llvmpipe) even draw lines differently. So a block
// may differ by 3 levels anywhere, and by more where the reference itself steps between
// neighbouring blocks (an edge or a line), up to that step; and in the whole picture at most 24
// channel values may differ by more than 16. Pictures from either rasteriser pass. A changed
// light, material or texture coordinate moves the flat areas by more than 3; a changed camera,
// winding, pose or drawing order moves edges and lines across many blocks.
//
// To regenerate after an intended change to the picture (from the build directory):
//
//   SKIN_WRITE_REFERENCES=1 tests/render/render_tests --gtest_filter='ReferencePicture.*'
//
// This rewrites the committed pictures and leaves each full-size frame as NAME-full.ppm in the
// current directory; a failed comparison leaves NAME-full.ppm and the small NAME-actual.ppm there
// too. Before accepting regenerated pictures, look at the full-size frames, not the small ones,
// and check that they differ from the old ones only as intended: the floor square lit evenly,
// with the ramp running red toward +x and green toward -z (from the left front corner, red
// grows to the right and green into the distance when seen from angle 0); the limb standing on
// the floor's centre and bent as BendLimb says (a positive turn about x leans toward +z, one
// about z toward -x); filled surfaces lit from the viewer's side, brightest where they
// face the viewer, with no holes or inside faces showing; each bone marker inside its half of
// the limb; the normal lines standing out of the surface on every side; the red line running
// from the limb's tip to the target, on which a magenta three-axis cross sits.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>

#include "demo/demo_state.h"
#include "render/renderer.h"
#include "rig/bones.h"
#include "tests/render/scene_test.h"

#ifndef RENDER_REFERENCE_DIR
#error "RENDER_REFERENCE_DIR must name tests/render/reference"
#endif

namespace {

const int BlockSize = 8;
const int FlatTolerance = 3;
const int LargeDifference = 16;
const int LargeDifferencesAllowed = 24;

Frame Shrink(const Frame &frame) {
    Frame small;
    small.width = frame.width / BlockSize;
    small.height = frame.height / BlockSize;
    small.rgb.assign((size_t)small.width * small.height * 3, 0);
    const int area = BlockSize * BlockSize;
    for (int by = 0; by < small.height; ++by) {
        for (int bx = 0; bx < small.width; ++bx) {
            int sum[3] = {0, 0, 0};
            for (int y = by * BlockSize; y < (by + 1) * BlockSize; ++y) {
                for (int x = bx * BlockSize; x < (bx + 1) * BlockSize; ++x) {
                    Colour c = PixelAt(frame, x, y);
                    sum[0] += c.r;
                    sum[1] += c.g;
                    sum[2] += c.b;
                }
            }
            for (int k = 0; k < 3; ++k)
                small.rgb[((size_t)by * small.width + bx) * 3 + k] =
                    (unsigned char)((sum[k] + area / 2) / area);
        }
    }
    return small;
}

int Channel(const Frame &frame, int x, int y, int k) {
    return frame.rgb[((size_t)y * frame.width + x) * 3 + k];
}

// The largest step in channel k between block (x, y) and its neighbours.
int StepToNeighbours(const Frame &frame, int x, int y, int k) {
    int step = 0;
    for (int ny = std::max(y - 1, 0); ny <= std::min(y + 1, frame.height - 1); ++ny)
        for (int nx = std::max(x - 1, 0); nx <= std::min(x + 1, frame.width - 1); ++nx)
            step = std::max(step, std::abs(Channel(frame, nx, ny, k) - Channel(frame, x, y, k)));
    return step;
}

// Empty when the pictures agree within the tolerance, otherwise what differs.
std::string Disagreement(const Frame &actual, const Frame &reference) {
    int outside = 0, large = 0, firstX = -1, firstY = -1;
    for (int y = 0; y < actual.height; ++y) {
        for (int x = 0; x < actual.width; ++x) {
            for (int k = 0; k < 3; ++k) {
                int difference = std::abs(Channel(actual, x, y, k) - Channel(reference, x, y, k));
                large += difference > LargeDifference;
                if (difference > FlatTolerance + StepToNeighbours(reference, x, y, k)) {
                    if (outside++ == 0) {
                        firstX = x;
                        firstY = reference.height - 1 - y;
                    }
                }
            }
        }
    }
    if (outside == 0 && large <= LargeDifferencesAllowed)
        return "";
    return std::to_string(outside) + " channel values beyond the tolerance (the first in block " +
           std::to_string(firstX) + ", " + std::to_string(firstY) + " from the top left), " +
           std::to_string(large) + " differing by more than " + std::to_string(LargeDifference);
}

void ExpectMatchesReference(const Frame &frame, const std::string &name) {
    Frame small = Shrink(frame);
    std::string reference = std::string(RENDER_REFERENCE_DIR) + "/" + name + ".ppm";
    std::string full = name + "-full.ppm";
    if (std::getenv("SKIN_WRITE_REFERENCES")) {
        ASSERT_TRUE(WritePpm(small, reference.c_str())) << reference;
        ASSERT_TRUE(WritePpm(frame, full.c_str())) << full;
        return;
    }
    Frame expected;
    ASSERT_TRUE(ReadPpm(reference.c_str(), expected)) << "cannot read " << reference;
    ASSERT_EQ(expected.width, small.width);
    ASSERT_EQ(expected.height, small.height);
    std::string disagreement = Disagreement(small, expected);
    if (!disagreement.empty()) {
        WritePpm(small, (name + "-actual.ppm").c_str());
        WritePpm(frame, full.c_str());
        ADD_FAILURE() << name << " differs from " << reference << ": " << disagreement;
    }
}

// Both joints bent, so that the blend weights, the bone order and the markers' turns all show.
void BendLimb() {
    bones[0].rotX = 17.0;
    bones[0].rotZ = -12.0;
    bones[1].rotX = 60.0;
    bones[1].rotZ = 10.0;
}

} // namespace

using ReferencePicture = SceneTest;

// The markers turn Y, X, Z like the bones; the skin's texture is not applied to lines.
TEST_F(ReferencePicture, WireframeWithMarkersOnRampFloor) {
    skinTexture = RampTexture(64);
    floorTexture = RampTexture(64);
    BendLimb();
    bones[1].rotY = 30.0;
    ExpectMatchesReference(DrawFrame(30.0), "wireframe");
}

TEST_F(ReferencePicture, FilledAndTextured) {
    skinTexture = RampTexture(64);
    floorTexture = RampTexture(64);
    demoState.wireframe = 0;
    BendLimb();
    ExpectMatchesReference(DrawFrame(200.0), "textured");
}

TEST_F(ReferencePicture, FilledPlainWithNormals) {
    skinTexture = RampTexture(64);
    floorTexture = RampTexture(64);
    demoState.wireframe = 0;
    demoState.texturesOff = 1;
    demoState.showNormals = 1;
    BendLimb();
    ExpectMatchesReference(DrawFrame(320.0), "normals");
}

// The markers show the pose before the frame's solver step, the skin and the line the pose
// after it.
TEST_F(ReferencePicture, InverseKinematicsOverlays) {
    demoState.ikMode = 1;
    demoState.playAnimation = 0;
    demoState.target = Vector3{-0.5f, 2.9f, -0.6f};
    BendLimb();
    ExpectMatchesReference(DrawFrame(80.0), "ik");
}
