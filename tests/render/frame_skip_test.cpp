#include <gtest/gtest.h>

#include <vector>

#include "demo/demo_ik.h"
#include "demo/demo_state.h"
#include "demo/frame_record.h"
#include "lab/ik_lab.h"
#include "render/renderer.h"
#include "rig/bones.h"
#include "skinning/skinning.h"
#include "tests/render/scene_test.h"

namespace {

int presents = 0;

void CountPresent() {
    ++presents;
}

// A frame as the program paints one on screen: the update always, the drawing only when the
// picture could change or must be drawn. Returns 1 when drawn.
// What the last frame shown was drawn from; each run starts with none.
SceneTracker shown;

int PaintIfChanged(double viewAngle, int mustDraw) {
    UpdateFrame(frameRecord, viewAngle, SceneView());
    if (!SceneInputsChanged(shown, frameRecord) && !mustDraw)
        return 0;
    DrawScene(frameRecord);
    CountPresent();
    return 1;
}

// The bones' angles after each of 3000 frames in the IK mode: the target starts on the chain's
// end (nothing moves), is then put within reach (the solver works every frame) and finally out
// of reach (the solver stops). Returns the frames presented.
int RunIk(bool skipIdleFrames, std::vector<double> &path) {
    ResetScene();
    shown = SceneTracker{};
    demoState.clientWidth = 80; // small, to keep 6000 frames quick; the size does not matter
    demoState.clientHeight = 60;
    demoState.ikMode = 1;
    demoState.target = Vector3{0.0f, 3.0f, 0.0f};
    presents = 0;
    for (int frame = 0; frame < 3000; ++frame) {
        if (frame == 100)
            demoState.target = Vector3{1.0f, 2.5f, 0.0f};
        if (frame == 2000)
            demoState.target = Vector3{-2.5f, 1.0f, -2.5f};
        if (skipIdleFrames)
            PaintIfChanged(90.0, frame == 0);
        else
            RenderScene(CountPresent, 90.0);
        for (const Bone &bone : bones) {
            path.push_back(bone.rotX);
            path.push_back(bone.rotZ);
        }
    }
    return presents;
}

TEST_F(SceneTest, IdleFramesAreSkippedWithoutSlowingTheSolver) {
    std::vector<double> everyFrame, skipping;
    EXPECT_EQ(RunIk(false, everyFrame), 3000);
    int presented = RunIk(true, skipping);
    EXPECT_EQ(skipping, everyFrame); // exactly, angle by angle
    // Drawn while the target moves the chain, skipped while nothing changes.
    EXPECT_GT(presented, 100);
    EXPECT_LT(presented, 2000);

    // Nothing has changed, but a frame that must be drawn is.
    presents = 0;
    EXPECT_EQ(PaintIfChanged(90.0, 0), 0);
    EXPECT_EQ(PaintIfChanged(90.0, 1), 1);
    // Any drawing input counts: here the camera.
    EXPECT_EQ(PaintIfChanged(91.0, 0), 1);
    demoState.showNormals = 1;
    EXPECT_EQ(PaintIfChanged(91.0, 0), 1);
    EXPECT_EQ(presents, 3);
}

// While the solvers are compared, the chains beside the limb move on their own: with the
// analytic solver on screen the limb stands still after its first update, while the incremental
// chain creeps on. Every frame in which it moved must be drawn.
TEST_F(SceneTest, ComparedChainsAreDrawnWhileTheyMoveBesideAStillLimb) {
    ResetScene();
    ResetIkLab();
    shown = SceneTracker{};
    demoState.clientWidth = 80;
    demoState.clientHeight = 60;
    demoState.ikMode = 1;
    demoState.ikSolver = IkSolverAnalytic;
    demoState.ikCompare = 1;
    demoState.target = Vector3{1.0f, 2.5f, 0.0f};
    PaintIfChanged(90.0, 1);
    IkPose limb = PoseOfBones();
    int moved = 0, missed = 0;
    for (int frame = 0; frame < 100; ++frame) {
        IkPose before = ikLab.comparison.chains[IkSolverIncremental].pose;
        int drawn = PaintIfChanged(90.0, 0);
        if (!SamePose(before, ikLab.comparison.chains[IkSolverIncremental].pose)) {
            ++moved;
            missed += !drawn;
        }
    }
    EXPECT_TRUE(SamePose(PoseOfBones(), limb));
    EXPECT_EQ(moved, 100);
    EXPECT_EQ(missed, 0);
}

} // namespace
