#include "bench/support/ik_limits_search.h"
#include "demo/demo_ik.h"
#include "demo/frame_record.h"
#include "ik/ik_solvers.h"
#include "ik/kinematics.h"
#include "lab/ik_lab.h"
#include "math/vec3d.h"
#include "skinning/skinning.h"
#include "tests/support/limb_fixture.h"

#include <algorithm>
#include <cmath>
#include <vector>

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

// Bone b's twist about its own length, degrees, from its matrix: the rotation as a quaternion
// (w, x, y, z); its part about +Y, w + y j, is the twist.
double TwistOfMatrix(int b) {
    const float *m = bones[b].matrix.m; // column-major: row r, column c at m[4 * c + r]
    double w = 0.5 * std::sqrt(std::max(0.0, 1.0 + m[0] + m[5] + m[10]));
    double y = 0.5 * std::sqrt(std::max(0.0, 1.0 - m[0] + m[5] - m[10]));
    y = std::copysign(y, (double)m[8] - m[2]);
    return 2.0 * std::atan2(y, w) / DegreesToRadians;
}

// The elbow's turn from bone 1's own matrix: where it takes +Y, as a bend about X toward +Z and
// a lean sideways out of that plane, degrees.
void ElbowTurnOfMatrix(double &bend, double &side) {
    const float *m = bones[1].matrix.m;
    side = std::asin(std::max(-1.0, std::min(1.0, -(double)m[4]))) / DegreesToRadians;
    bend = std::atan2((double)m[6], (double)m[5]) / DegreesToRadians;
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
        // The bones keep their lengths and turn without twisting.
        EXPECT_NEAR(Distance(Elbow(), bones[0].pivot), 1.5, 1e-5);
        EXPECT_NEAR(Distance(EndEffectorPosition(), Elbow()), 1.5, 1e-5);
        EXPECT_NEAR(TwistOfMatrix(0), 0.0, 0.5);
        EXPECT_NEAR(TwistOfMatrix(1), 0.0, 0.5);
    }
}

TEST_F(IkSolvers, CcdFabrikAndDlsConvergeOnTheSameTargets) {
    for (int solver : {IkSolverCcd, IkSolverFabrik, IkSolverDls}) {
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
                // The elbow bends one way only, within its range, whatever angles hold it...
                double bend, side;
                ElbowTurnOfMatrix(bend, side);
                ASSERT_GE(bend, -1e-3);
                ASSERT_LE(bend, 120.0 + 1e-3);
                ASSERT_LE(std::abs(side), 60.0 + 1e-3);
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
                ASSERT_TRUE(SamePose(ikLab.comparison.chains[shown].pose, PoseOfBones()));
            }
            for (int solver = 0; solver < IkSolverCount; ++solver)
                EXPECT_TRUE(SamePose(ikLab.comparison.chains[solver].pose, alone[solver][leg]))
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
        double softZone;
        int frames;
        int status;
        const char *heldBy; // what the panel says holds the chain, under the status
    };
    // A unit above the root: the elbow bent as far as it goes, the lower bone leaning back.
    const char *const leanAndBend =
        "held by the lower bone's 17-degree tilt and the elbow's 120-degree limit";
    const Case cases[] = {
        {IkSolverAnalytic, {1.0f, 2.5f, 0.0f}, 0, 0.0, 1, IkStatusReached, ""},
        {IkSolverAnalytic, {2.5f, 3.5f, 2.5f}, 0, 0.0, 1, IkStatusPointingOutOfReach, ""},
        // The limits hold it from the first update on: stalled once 50 updates have not
        // moved it, and not before.
        {IkSolverAnalytic, {0.0f, 1.0f, 0.0f}, 1, 0.0, 3, IkStatusStill, leanAndBend},
        {IkSolverAnalytic, {0.0f, 1.0f, 0.0f}, 1, 0.0, 50, IkStatusApproaching, ""},
        {IkSolverAnalytic, {0.0f, 1.0f, 0.0f}, 1, 0.0, 51, IkStatusStalled, leanAndBend},
        // Out of reach 16 degrees from upright, straight at it: the elbow sits on its least
        // bend, but no limit keeps the chain from the target.
        {IkSolverAnalytic, {1.0f, 3.5f, 0.0f}, 1, 0.0, 5, IkStatusPointingOutOfReach, ""},
        // Soft reach stops short by design, in the zone and past full reach, at once and later.
        {IkSolverAnalytic, {0.0f, 2.8f, 0.0f}, 0, 0.3, 3, IkStatusEasedBySoftReach, ""},
        {IkSolverAnalytic, {1.0f, 3.5f, 0.0f}, 0, 0.3, 60, IkStatusEasedBySoftReach, ""},
        {IkSolverAnalytic, {1.0f, 3.5f, 0.0f}, 1, 0.3, 60, IkStatusEasedBySoftReach, ""},
        {IkSolverIncremental, {1.0f, 2.5f, 0.0f}, 0, 0.0, 5, IkStatusApproaching, ""},
        {IkSolverIncremental, {2.5f, 1.0f, 2.5f}, 0, 0.0, 5, IkStatusIgnoredTooFar, ""},
        {IkSolverIncremental, {0.0f, 3.5f, 0.0f}, 0, 0.0, 5, IkStatusIgnoredInLine, ""},
    };
    for (const Case &c : cases) {
        SetUp();
        Start(c.solver, c.target);
        demoState.ik.jointLimits = c.limits;
        demoState.ik.softZone = c.softZone;
        for (int frame = 0; frame < c.frames; ++frame)
            UpdateSkeletonAndSkin();
        SCOPED_TRACE(::testing::Message() << IkSolverName(c.solver) << " toward (" << c.target.x
                                          << ", " << c.target.y << ", " << c.target.z << ")");
        EXPECT_EQ(ikLab.progress.status, c.status) << IkStatusText(ikLab.progress.status);
        EXPECT_EQ(ikLab.progress.updatesSinceTargetMoved, c.frames);
        EXPECT_FLOAT_EQ(ikLab.progress.distance, Distance(EndEffectorPosition(), c.target));
        EXPECT_STREQ(IkLimitsText(ikLab.progress.heldBy), c.heldBy);
        // The soft-reach plot: only while soft reach is on, with the target's distance on it.
        EXPECT_EQ(ikLab.softReach.made, c.softZone > 0.0 && c.solver == IkSolverAnalytic);
        if (ikLab.softReach.made) {
            EXPECT_FLOAT_EQ(ikLab.softReach.target, VectorLength(c.target));
        }
    }
    demoState.ik.softZone = 0.0;

    // A distance that goes up and down by turns for 10 updates is oscillating, not by turns
    // getting closer and moving away.
    IkProgress progress;
    ResetIkProgress(progress);
    IkPose poses[2] = {};
    poses[0].rotX[1] = 10.0;
    poses[1].rotX[1] = 30.0;
    for (int update = 0; update < 14; ++update) {
        RecordIkUpdate(progress, IkSolverDls, poses[update % 2], poses[(update + 1) % 2],
                       Vector3{0.0f, 2.5f, 1.0f}, demoState.ik);
        EXPECT_EQ(progress.status == IkStatusOscillating, update >= 10)
            << update << ": " << IkStatusText(progress.status);
    }

    // A moved target restarts the count; the history runs on, the oldest dropping out.
    SetUp();
    Start(IkSolverIncremental, Vector3{1.0f, 2.5f, 0.0f});
    for (int frame = 0; frame < 250; ++frame)
        UpdateSkeletonAndSkin();
    demoState.target = Vector3{1.0f, 2.4f, 0.0f};
    for (int frame = 0; frame < 100; ++frame)
        UpdateSkeletonAndSkin();
    EXPECT_EQ(ikLab.progress.updatesSinceTargetMoved, 100);
    ASSERT_EQ(ikLab.progress.historyCount, IkHistoryLength);
    int newest = (ikLab.progress.historyOffset + IkHistoryLength - 1) % IkHistoryLength;
    EXPECT_EQ(ikLab.progress.history[newest], ikLab.progress.distance);
    EXPECT_EQ(ikLab.progress.historyOffset, 350 % IkHistoryLength);

    // Frozen, the solver waits; each step is exactly one update.
    IkPose before = PoseOfBones();
    demoState.ikFrozen = 1;
    UpdateSkeletonAndSkin();
    EXPECT_TRUE(SamePose(PoseOfBones(), before));
    StepIk();
    UpdateSkeletonAndSkin();
    UpdateSkeletonAndSkin();
    EXPECT_FALSE(SamePose(PoseOfBones(), before));
    EXPECT_EQ(ikLab.progress.updatesSinceTargetMoved, 101);
}

} // namespace

namespace {

// The solvers that answer in one go or by passes, rather than by the incremental nudges.
std::vector<int> ChainSolvers() {
    std::vector<int> kinds;
    for (int kind = 0; kind < IkSolverCount; ++kind)
        if (kind != IkSolverIncremental)
            kinds.push_back(kind);
    return kinds;
}

// The side of the line from the root to the target the elbow is on.
Vec3d ElbowSide(const Vector3 &target) {
    Vec3d axis = DirectionOr(ToVec3d(target), Vec3d{0.0, 1.0, 0.0});
    return Across(ToVec3d(Elbow()), axis);
}

TEST_F(IkSolvers, AnswersNeverTwistABoneNorFlipTheElbow) {
    for (int solver : ChainSolvers()) {
        for (int limits = 0; limits <= 1; ++limits) {
            TargetDraw draw = {7};
            Start(solver, draw.InBox());
            demoState.ik.jointLimits = limits;
            // The target moved about as a learner moves it: every answer starts from the last.
            for (int i = 0; i < 60; ++i) {
                demoState.target = draw.InBox();
                Vec3d sideBefore = {0.0, 0.0, 0.0};
                for (int frame = 0; frame < 8; ++frame) {
                    UpdateSkeletonAndSkin();
                    for (int b = 0; b < BoneCount; ++b) {
                        ASSERT_NEAR(TwistOfMatrix(b), 0.0, 0.5)
                            << IkSolverName(solver) << " target " << i << " bone " << b;
                        for (double angle : {bones[b].rotX, bones[b].rotY, bones[b].rotZ}) {
                            ASSERT_GT(angle, -180.0);
                            ASSERT_LE(angle, 180.0);
                        }
                    }
                    // Updates toward the same target keep the elbow on its side of the line
                    // (dls, which follows its gradient in small steps rather than choosing
                    // an answer, may swing it round the line on the way).
                    Vec3d side = ElbowSide(demoState.target);
                    if (solver != IkSolverDls && frame > 0 && Length(side) > 0.05 &&
                        Length(sideBefore) > 0.05) {
                        ASSERT_GT(Dot(side, sideBefore), 0.0)
                            << IkSolverName(solver) << " target " << i << " frame " << frame;
                    }
                    sideBefore = side;
                }
            }
        }
    }
}

TEST_F(IkSolvers, WithLimitsEveryUpdateGainsAndEndsAsNearAsTheLimitsAllow) {
    TargetDraw draw = {11};
    for (int i = 0; i < 60; ++i) {
        Vector3 target = draw.InBox();
        double closest = ClosestWithinLimits(target);
        // Half from the straight start, half bent within the limits (plain swings: one angle).
        double lean = draw.Next(-15.0, 15.0), bend = draw.Next(10.0, 110.0);
        for (int solver : ChainSolvers()) {
            Start(solver, target);
            demoState.ik.jointLimits = 1;
            if (i % 2) {
                (i % 4 == 1 ? bones[0].rotX : bones[0].rotZ) = lean;
                bones[1].rotX = bend;
            }
            BuildBoneMatrices();
            double before = Distance(EndEffectorPosition(), target);
            for (int frame = 0; frame < 60; ++frame) {
                UpdateSkeletonAndSkin();
                double after = Distance(EndEffectorPosition(), target);
                ASSERT_LE(after, before + 1e-6)
                    << IkSolverName(solver) << " target " << i << " update " << frame;
                before = after;
            }
            ASSERT_TRUE(PoseWithinLimits(PoseOfBones(), 1e-3));
            EXPECT_LE(before, closest + 0.002)
                << IkSolverName(solver) << " target " << i << " (" << target.x << ", " << target.y
                << ", " << target.z << ")";
            EXPECT_GE(before, closest - 1e-4) << "the search missed the best";
        }
    }
}

// At the least damping, toward a target beyond reach, the damped step near a straight chain is
// huge: bounded, every update leaves the end no farther away and the chain above the floor, and
// the chain ends pointing at the target instead of flailing.
TEST_F(IkSolvers, DlsAtTheLeastDampingNeverFlailsTowardATargetBeyondReach) {
    TargetDraw draw = {7};
    for (int i = 0; i < 6; ++i) {
        Vector3 target = i == 0 ? Vector3{0.1f, 3.5f, 0.0f} : draw.OutOfReach();
        SetUp();
        Start(IkSolverDls, target);
        demoState.ik.damping = IkMinDamping;
        double before = Distance(EndEffectorPosition(), target);
        for (int frame = 0; frame < 990; ++frame) {
            UpdateSkeletonAndSkin();
            double after = Distance(EndEffectorPosition(), target);
            ASSERT_LE(after, before + 1e-6) << "target " << i << " update " << frame;
            ASSERT_GT(Elbow().y, 0.0f) << "target " << i << " update " << frame;
            ASSERT_GT(EndEffectorPosition().y, 0.0f) << "target " << i << " update " << frame;
            before = after;
        }
        EXPECT_EQ(ikLab.progress.status, IkStatusPointingOutOfReach)
            << "target " << i << ": " << IkStatusText(ikLab.progress.status);
    }
    demoState.ik.damping = IkSettings().damping;
}

// A straight chain with the target on its line is where the Jacobian loses a direction: the
// miss lies along the chain, which no joint's turn moves. Whatever the damping, the update
// stays finite, never leaves the end farther away, reaches what it can and leaves a target
// beyond reach as it is, pointed at.
TEST_F(IkSolvers, DlsOnAStraightChainInLineWithTheTarget) {
    const float onLine[] = {0.0f, 0.5f, 2.0f, 2.9f, 3.0f, 3.5f};
    for (double lambda : {IkMinDamping, 0.3, IkMaxDamping}) {
        for (float y : onLine) {
            Start(IkSolverDls, Vector3{0.0f, y, 0.0f});
            BuildBoneMatrices();
            demoState.ik.damping = lambda;
            double before = Distance(EndEffectorPosition(), demoState.target);
            for (int frame = 0; frame < 30; ++frame) {
                UpdateSkeletonAndSkin();
                ASSERT_TRUE(FiniteAngles());
                double after = Distance(EndEffectorPosition(), demoState.target);
                if (y < 3.0f) { // a reachable target: no update loses ground
                    ASSERT_LE(after, before + 1e-6) << lambda << " " << y << " " << frame;
                }
                before = after;
            }
            if (y < 3.0f)
                EXPECT_LE(before, demoState.ik.tolerance + 1e-6) << lambda << " " << y;
            else
                ExpectStraightToward(demoState.target, 1e-6);
        }
    }
}

// Soft reach: the analytic solver aims at (L - ds) + ds * (1 - e^(-(d - (L - ds)) / ds)) from
// the root for a target d away in the zone below full reach L, and at d itself below it. As a
// target moves out through L in small steps, the softened chain's elbow moves at a pace like
// the target's, where the plain chain's snaps straight.
TEST_F(IkSolvers, SoftReachStraightensTheChainSmoothlyThroughFullReach) {
    const double reach = 3.0, zone = 0.3, step = 0.002;
    const Vector3 along = {0.0f, 0.8f, 0.6f};
    double fastest[2] = {0.0, 0.0}; // the elbow's move over the target's, plain and softened
    for (int softened = 0; softened <= 1; ++softened) {
        Start(IkSolverAnalytic, Vector3{0.0f, 2.0f, 0.0f});
        demoState.ik.softZone = softened ? zone : 0.0;
        Vector3 elbowBefore = {}, endBefore = {};
        for (int i = 0; i <= 500; ++i) {
            double d = 2.2 + step * i; // out to 3.2, through full reach at 3.0
            demoState.target =
                Vector3{(float)(along.x * d), (float)(along.y * d), (float)(along.z * d)};
            UpdateSkeletonAndSkin();
            double aimed = d;
            if (softened && d > reach - zone)
                aimed = reach - zone + zone * (1.0 - std::exp(-(d - (reach - zone)) / zone));
            else if (!softened && d > reach)
                aimed = reach;
            ASSERT_NEAR(VectorLength(EndEffectorPosition()), aimed, 2e-5) << d;
            if (i > 0) {
                fastest[softened] =
                    std::max(fastest[softened], Distance(Elbow(), elbowBefore) / step);
                ASSERT_LE(Distance(EndEffectorPosition(), endBefore), 1.01 * step) << d;
            }
            elbowBefore = Elbow();
            endBefore = EndEffectorPosition();
        }
    }
    EXPECT_GT(fastest[0], 10.0); // the snap
    EXPECT_LT(fastest[1], 2.0);

    // The panel's plot of it holds the same curves, plain and softened.
    UpdateSoftReachPlot(ikLab.softReach, zone);
    const IkSoftReachPlot &plot = ikLab.softReach;
    for (int i = 0; i < IkSoftReachSamples; ++i) {
        double d = plot.from + (plot.to - plot.from) * i / (IkSoftReachSamples - 1);
        double soft = d > reach - zone
                          ? reach - zone + zone * (1.0 - std::exp(-(d - (reach - zone)) / zone))
                          : d;
        EXPECT_NEAR(plot.softened[i], soft, 2e-5) << d;
        EXPECT_NEAR(plot.plain[i], std::min(d, reach), 2e-5) << d;
    }
}

// The scene's guides: the pole's arrow from the elbow along the level direction the pole angle
// names (0 toward -z, 90 toward -x), the lower bone's cone 17 degrees round the vertical at the
// root, and the elbow's outline at the edges of its range in the lower bone's frame.
TEST_F(IkSolvers, GuidesDrawThePoleAndTheLimitsAsTheSolversUseThem) {
    Start(IkSolverAnalytic, Vector3{0.3f, 2.4f, 0.2f});
    demoState.ik.jointLimits = 1;
    demoState.ik.poleAngle = 90.0;
    for (int frame = 0; frame < 3; ++frame)
        UpdateSkeletonAndSkin();
    IkGuides guides;
    MakeIkGuides(guides);
    ASSERT_TRUE(guides.pole && guides.limits);
    EXPECT_VEC_NEAR(guides.poleFrom, Elbow().x, Elbow().y, Elbow().z, 1e-6);
    Vector3 arrow = Subtract(guides.poleTo, guides.poleFrom);
    Vector3 axis = demoState.target; // from the root at the origin
    float across = (float)(Dot(ToVec3d(Vector3{-1.0f, 0.0f, 0.0f}), ToVec3d(axis)) /
                           Dot(ToVec3d(axis), ToVec3d(axis)));
    Vec3d expected = DirectionOr(Minus(Vec3d{-1.0, 0.0, 0.0}, Times(ToVec3d(axis), across)),
                                 Vec3d{0.0, 0.0, 0.0});
    EXPECT_NEAR(Dot(ToVec3d(arrow), expected) / VectorLength(arrow), 1.0, 1e-5);
    for (const Vector3 &p : guides.coneRim) {
        EXPECT_NEAR(VectorLength(p), 1.5, 1e-5);
        EXPECT_NEAR(std::acos(p.y / 1.5) / DegreesToRadians, 17.0, 1e-3);
    }
    // Back into the lower bone's frame (its matrix's rotation, transposed), each outline point
    // is an elbow turn on the edge of the range: bend 0 or 120, or side 60 either way.
    const float *m = bones[0].matrix.m;
    Vector3 elbow = Elbow();
    for (const Vector3 &p : guides.elbowOutline) {
        Vector3 w = Subtract(p, elbow);
        Vec3d local = {m[0] * w.x + m[1] * w.y + m[2] * w.z, m[4] * w.x + m[5] * w.y + m[6] * w.z,
                       m[8] * w.x + m[9] * w.y + m[10] * w.z};
        ASSERT_NEAR(Length(local), 0.6, 1e-5);
        double side = std::asin(-local.x / 0.6) / DegreesToRadians;
        double bend = std::atan2(local.z, local.y) / DegreesToRadians;
        double edge = std::min(
            {std::abs(bend), std::abs(bend - 120.0), std::abs(side - 60.0), std::abs(side + 60.0)});
        EXPECT_LT(edge, 1e-3) << bend << " " << side;
        EXPECT_TRUE(bend > -1e-3 && bend < 120.0 + 1e-3 && std::abs(side) < 60.0 + 1e-3);
    }
    // Compared chains that lie on one another say so: straight at a target right above the
    // straight chain, which the incremental solver ignores and the others only point at, every
    // chain is the incremental one's; moved off the line, the incremental chain lags behind
    // and the analytic one, the first to get there, is on no earlier chain.
    demoState.ik.jointLimits = 0;
    demoState.ikCompare = 1;
    demoState.ikSolver = IkSolverAnalytic;
    Start(IkSolverAnalytic, Vector3{0.0f, 3.5f, 0.0f});
    const SceneViewport view = {0, 0, 800, 600};
    for (int frame = 0; frame < 3; ++frame)
        UpdateFrame(frameRecord, 0.0, view);
    for (int kind = 1; kind < IkSolverCount; ++kind)
        EXPECT_EQ(frameRecord.compared[kind].sameAs, IkSolverIncremental) << IkSolverName(kind);
    demoState.target = Vector3{1.0f, 2.0f, 0.5f};
    for (int frame = 0; frame < 3; ++frame)
        UpdateFrame(frameRecord, 0.0, view);
    EXPECT_EQ(frameRecord.compared[IkSolverAnalytic].sameAs, -1);
    EXPECT_EQ(frameRecord.compared[IkSolverIncremental].sameAs, -1);

    // None of it for the incremental solver on its own, whose rules know neither.
    demoState.ikCompare = 0;
    demoState.ikSolver = IkSolverIncremental;
    MakeIkGuides(guides);
    EXPECT_FALSE(guides.pole || guides.limits);
}

} // namespace
