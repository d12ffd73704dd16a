#include "skeleton/frame_record.h"
#include "skeleton/ik_lab.h"
#include "skeleton/ik_solvers.h"
#include "skeleton/kinematics.h"
#include "skeleton/skinning.h"
#include "tests/skeleton/skeleton_fixture.h"

#include <cmath>

namespace {

const int NewSolvers[] = {IkSolverAnalytic, IkSolverCcd, IkSolverFabrik};

// A fixed sequence of points in the target's box, so every run sees the same targets.
struct TargetDraw {
    unsigned long long state;
    double Next(double low, double high) {
        state = state * 6364136223846793005ull + 1442695040888963407ull;
        return low + (high - low) * (double)(state >> 11) / 9007199254740992.0;
    }
    Vector3 InBox() {
        return Vector3{(float)Next(TargetMinXZ, TargetMaxXZ), (float)Next(TargetMinY, TargetMaxY),
                       (float)Next(TargetMinXZ, TargetMaxXZ)};
    }
    // Closer to the root than the chain's full reach of 3, or farther.
    Vector3 Reachable() {
        for (;;) {
            Vector3 t = InBox();
            if (VectorLength(t) < 3.0)
                return t;
        }
    }
    Vector3 OutOfReach() {
        for (;;) {
            Vector3 t = InBox();
            if (VectorLength(t) > 3.05)
                return t;
        }
    }
};

// The chain's joints as the bone matrices place them.
Vector3 Elbow() {
    Vector4 moved;
    TransformPoint(moved, bones[0].matrix, AsPoint(bones[1].pivot));
    return DropW(moved);
}

double Distance(const Vector3 &a, const Vector3 &b) {
    return VectorLength(Subtract(a, b));
}

int FiniteAngles() {
    for (const Bone &bone : bones)
        if (!std::isfinite(bone.rotX) || !std::isfinite(bone.rotY) || !std::isfinite(bone.rotZ))
            return 0;
    return 1;
}

class IkSolvers : public SceneTest {
  protected:
    void SetUp() override {
        SceneTest::SetUp();
        BuildBoneMatrices();
        demoState.ikMode = 1;
    }

    // The pose the inverse mode starts in, with solver and target.
    void Start(int solver, const Vector3 &target) {
        for (Bone &bone : bones)
            bone.rotX = bone.rotY = bone.rotZ = 0.0;
        demoState.ikSolver = solver;
        demoState.target = target;
    }

    // Frames until the chain's end is within reach of the target (stopping after limit).
    int FramesToWithin(double within, int limit) {
        for (int frame = 1; frame <= limit; ++frame) {
            UpdateSkeletonAndSkin();
            if (Distance(EndEffectorPosition(), demoState.target) <= within)
                return frame;
        }
        return limit + 1;
    }

    // Both bones along the line from the root to the target, at their own lengths.
    void ExpectStraightToward(const Vector3 &target, double tolerance) {
        float r = (float)VectorLength(target);
        Vector3 axis = {target.x / r, target.y / r, target.z / r};
        EXPECT_VEC_NEAR(Elbow(), 1.5f * axis.x, 1.5f * axis.y, 1.5f * axis.z, tolerance);
        EXPECT_VEC_NEAR(EndEffectorPosition(), 3.0f * axis.x, 3.0f * axis.y, 3.0f * axis.z,
                        tolerance);
    }
};

TEST_F(IkSolvers, AnalyticReachesEveryReachableTargetInOneUpdate) {
    TargetDraw draw = {1};
    for (int i = 0; i < 200; ++i) {
        Vector3 target = draw.Reachable();
        Start(IkSolverAnalytic, target);
        UpdateSkeletonAndSkin();
        ASSERT_LT(Distance(EndEffectorPosition(), target), 1e-4) << "target " << i;
        // Only the X and Z angles turn: the bones keep their lengths and their Y angles.
        EXPECT_NEAR(Distance(Elbow(), bones[0].pivot), 1.5, 1e-5);
        EXPECT_NEAR(Distance(EndEffectorPosition(), Elbow()), 1.5, 1e-5);
        EXPECT_EQ(bones[0].rotY, 0.0);
        EXPECT_EQ(bones[1].rotY, 0.0);
    }
}

TEST_F(IkSolvers, CcdAndFabrikConvergeOnTheSameTargets) {
    for (int solver : {IkSolverCcd, IkSolverFabrik}) {
        TargetDraw draw = {1};
        for (int i = 0; i < 200; ++i) {
            Vector3 target = draw.Reachable();
            Start(solver, target);
            EXPECT_LE(FramesToWithin(demoState.ik.tolerance + 1e-6, 300), 300)
                << IkSolverName(solver) << " target " << i;
        }
    }
}

TEST_F(IkSolvers, OutOfReachTheChainPointsStraightAtTheTarget) {
    for (int solver : NewSolvers) {
        TargetDraw draw = {2};
        for (int i = 0; i < 30; ++i) {
            Start(solver, draw.Reachable()); // from a bent chain
            FramesToWithin(0.0, 20);
            Vector3 target = draw.OutOfReach();
            demoState.target = target;
            FramesToWithin(0.0, 100);
            ExpectStraightToward(target, 1e-3);
        }
    }
}

TEST_F(IkSolvers, LimitsHoldOnEveryUpdate) {
    const double cosMaxTilt = std::cos(17.0 * DegreesToRadians);
    TargetDraw draw = {3};
    for (int solver : NewSolvers) {
        for (int i = 0; i < 40; ++i) {
            Start(solver, draw.InBox());
            demoState.ik.jointLimits = 1;
            if (i % 2) { // from a pose outside the limits, as another solver may leave it
                bones[0].rotZ = 60.0;
                bones[1].rotX = -50.0;
                bones[1].rotZ = 400.0;
                if (i % 4 == 3) { // and already on its target: still within the limits at once
                    BuildBoneMatrices();
                    demoState.target = EndEffectorPosition();
                }
            }
            for (int frame = 0; frame < 20; ++frame) {
                UpdateSkeletonAndSkin();
                // The elbow bends one way only, within its range...
                ASSERT_GE(bones[1].rotX, 0.0);
                ASSERT_LE(bones[1].rotX, 120.0);
                ASSERT_LE(std::abs(bones[1].rotZ), 60.0);
                // ...the lower bone stays near upright...
                ASSERT_GE(Elbow().y, 1.5 * cosMaxTilt - 1e-5);
                // ...and no part of the skin goes into the floor.
                for (const SkinVertex &vertex : skinVertices)
                    ASSERT_GE(vertex.position.y, -1e-6) << IkSolverName(solver);
            }
        }
    }
    // Within the limits, a target the limited chain can touch is still reached.
    Start(IkSolverAnalytic, Vector3{0.0f, 2.0f, 1.2f});
    demoState.ik.jointLimits = 1;
    EXPECT_LE(FramesToWithin(1e-4, 1), 1);
}

TEST_F(IkSolvers, DegenerateTargetsGiveFiniteAnglesAndASensiblePose) {
    const Vector3 reachable[] = {
        {0.0f, 2.9f, 0.0f}, // on the straight chain's line: only the pole gives a bend plane
        {0.0f, 1.0f, 0.0f}, // the same, below the elbow
        {1.8f, 2.4f, 0.0f}, // at full reach
        {0.0f, 0.0f, 3.0f}, // at full reach, level with the root
        {0.0f, 0.0f, 0.0f}, // on the root's pivot
    };
    for (int limits = 0; limits <= 1; ++limits) {
        for (int solver = 0; solver < IkSolverCount; ++solver) {
            for (const Vector3 &target : reachable) {
                Start(solver, target);
                demoState.ik.jointLimits = limits;
                int frames = FramesToWithin(1e-3, 200);
                ASSERT_TRUE(FiniteAngles()) << IkSolverName(solver);
                if (solver != IkSolverIncremental && !limits) {
                    EXPECT_LE(frames, 200) << IkSolverName(solver) << " " << target.x << " "
                                           << target.y << " " << target.z;
                }
            }
            // Straight above the straight chain and out of reach: it already points at it.
            Start(solver, Vector3{0.0f, 3.5f, 0.0f});
            demoState.ik.jointLimits = limits;
            FramesToWithin(0.0, 50);
            ASSERT_TRUE(FiniteAngles());
            ExpectStraightToward(demoState.target, 1e-5);
        }
    }
}

TEST_F(IkSolvers, ThePoleChoosesTheBendForAStraightChainOrAlways) {
    // The level direction the elbow goes to: -z, turned about +y by the pole angle.
    struct Case {
        double poleAngle;
        Vector3 side;
    };
    const Case cases[] = {
        {0.0, {0.0f, 0.0f, -1.0f}}, {90.0, {-1.0f, 0.0f, 0.0f}}, {180.0, {0.0f, 0.0f, 1.0f}}};
    for (const Case &c : cases) {
        for (int solver : NewSolvers) {
            Start(solver, Vector3{0.0f, 2.2f, 0.0f}); // on the straight chain's line
            demoState.ik.poleAngle = c.poleAngle;
            FramesToWithin(1e-4, 100);
            Vector3 elbow = Elbow();
            EXPECT_GT(elbow.x * c.side.x + elbow.z * c.side.z, 0.5) << IkSolverName(solver);
        }
        // A bent chain keeps its plane, unless the pole is to decide always.
        Start(IkSolverAnalytic, Vector3{0.0f, 2.2f, 0.0f});
        bones[0].rotX = 20.0; // the elbow toward +z
        demoState.ik.poleAngle = c.poleAngle;
        demoState.ik.poleFixed = 0;
        UpdateSkeletonAndSkin();
        EXPECT_GT(Elbow().z, 0.5f);
        demoState.ik.poleFixed = 1;
        UpdateSkeletonAndSkin();
        EXPECT_GT(Elbow().x * c.side.x + Elbow().z * c.side.z, 0.5);
    }
}

TEST_F(IkSolvers, ComparedChainsMatchTheSolversRunAlone) {
    const Vector3 first = {-1.0f, 2.2f, 1.2f}, second = {0.6f, 1.4f, -0.9f};
    const int framesPerTarget = 40;
    for (int shown = 0; shown < IkSolverCount; ++shown) {
        // Each solver alone from the mode's start pose, then on from the shown solver's pose
        // when the target moves.
        IkPose alone[IkSolverCount][2];
        IkPose shownAtMove = {};
        for (int pass = 0; pass < 2; ++pass) {
            for (int solver = 0; solver < IkSolverCount; ++solver) {
                if (pass == 0 && solver != shown) // the shown solver's pose at the move first
                    continue;
                SetUp();
                Start(solver, first);
                for (int frame = 0; frame < framesPerTarget; ++frame)
                    UpdateSkeletonAndSkin();
                alone[solver][0] = PoseOfBones();
                if (pass == 0) {
                    shownAtMove = alone[solver][0];
                    continue;
                }
                SetBonesToPose(shownAtMove);
                demoState.target = second;
                for (int frame = 0; frame < framesPerTarget; ++frame)
                    UpdateSkeletonAndSkin();
                alone[solver][1] = PoseOfBones();
            }
        }
        // The same with every solver compared beside the shown one.
        SetUp();
        Start(shown, first);
        demoState.ikCompare = 1;
        for (int leg = 0; leg < 2; ++leg) {
            demoState.target = leg == 0 ? first : second;
            for (int frame = 0; frame < framesPerTarget; ++frame) {
                UpdateSkeletonAndSkin();
                ASSERT_TRUE(SamePose(ikComparison.chains[shown].pose, PoseOfBones()));
            }
            for (int solver = 0; solver < IkSolverCount; ++solver)
                EXPECT_TRUE(SamePose(ikComparison.chains[solver].pose, alone[solver][leg]))
                    << "shown " << IkSolverName(shown) << ", compared " << IkSolverName(solver)
                    << ", target " << leg;
        }
    }
}

TEST_F(IkSolvers, ProgressTellsTheSituationsApart) {
    struct Case {
        int solver;
        Vector3 target;
        int limits;
        int frames;
        int status;
    };
    const Case cases[] = {
        {IkSolverAnalytic, {1.0f, 2.5f, 0.0f}, 0, 1, IkStatusReached},
        {IkSolverAnalytic, {2.5f, 3.5f, 2.5f}, 0, 1, IkStatusPointingOutOfReach},
        {IkSolverAnalytic, {0.0f, 1.0f, 0.0f}, 1, 3, IkStatusStalled}, // the limits hold it
        {IkSolverIncremental, {1.0f, 2.5f, 0.0f}, 0, 5, IkStatusApproaching},
        {IkSolverIncremental, {2.5f, 1.0f, 2.5f}, 0, 5, IkStatusIgnoredTooFar},
        {IkSolverIncremental, {0.0f, 3.5f, 0.0f}, 0, 5, IkStatusIgnoredInLine},
    };
    for (const Case &c : cases) {
        SetUp();
        Start(c.solver, c.target);
        demoState.ik.jointLimits = c.limits;
        for (int frame = 0; frame < c.frames; ++frame)
            UpdateSkeletonAndSkin();
        EXPECT_EQ(ikProgress.status, c.status) << IkStatusText(ikProgress.status);
        EXPECT_EQ(ikProgress.updatesSinceTargetMoved, c.frames);
        EXPECT_FLOAT_EQ(ikProgress.distance, Distance(EndEffectorPosition(), c.target));
    }

    // A moved target restarts the count; the history runs on, the oldest dropping out.
    SetUp();
    Start(IkSolverIncremental, Vector3{1.0f, 2.5f, 0.0f});
    for (int frame = 0; frame < 250; ++frame)
        UpdateSkeletonAndSkin();
    demoState.target = Vector3{1.0f, 2.4f, 0.0f};
    for (int frame = 0; frame < 100; ++frame)
        UpdateSkeletonAndSkin();
    EXPECT_EQ(ikProgress.updatesSinceTargetMoved, 100);
    ASSERT_EQ(ikProgress.historyCount, IkHistoryLength);
    int newest = (ikProgress.historyOffset + IkHistoryLength - 1) % IkHistoryLength;
    EXPECT_EQ(ikProgress.history[newest], ikProgress.distance);
    EXPECT_EQ(ikProgress.historyOffset, 350 % IkHistoryLength);

    // Frozen, the solver waits; each step is exactly one update.
    IkPose before = PoseOfBones();
    demoState.ikFrozen = 1;
    UpdateSkeletonAndSkin();
    EXPECT_TRUE(SamePose(PoseOfBones(), before));
    StepIk();
    UpdateSkeletonAndSkin();
    UpdateSkeletonAndSkin();
    EXPECT_FALSE(SamePose(PoseOfBones(), before));
    EXPECT_EQ(ikProgress.updatesSinceTargetMoved, 101);
}

} // namespace
