#include "ik/chain_ik.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace {

const int ChainSolvers[] = {IkSolverCcd, IkSolverFabrik, IkSolverDls};

// A straight chain of n joints standing up from base, its bones along +Y.
IkChainShape StraightChain(int n, double boneLength) {
    IkChainShape shape;
    shape.base = Vec3d{0.5, 0.25, -0.5};
    shape.bones.assign(n, Vec3d{0.0, boneLength, 0.0});
    return shape;
}

double Miss(const IkChainShape &shape, const IkChainPose &pose, const Vec3d &target) {
    return Length(Minus(target, IkChainEnd(shape, pose)));
}

TEST(ChainIk, EverySolverReachesReachableTargetsOnLongStraightChains) {
    IkSettings settings;
    for (int n : {4, 8, 16}) {
        IkChainShape shape = StraightChain(n, 2.0 / n);
        // Off to every side, low and folded back, and one on the chain's own line below its end
        // (where no turn of a straight chain helps until it is bent).
        const Vec3d offsets[] = {{1.2, 0.9, 0.3},
                                 {-0.4, 0.2, 0.9},
                                 {0.3, -0.6, -0.2},
                                 {0.0, 1.1, 0.0},
                                 {-1.5, 1.0, -0.6}};
        for (int kind : ChainSolvers)
            for (const Vec3d &offset : offsets) {
                Vec3d target = Plus(shape.base, offset);
                IkChainPose pose = IkChainRest(shape);
                for (int update = 0; update < 400 && Miss(shape, pose, target) > 0.001; ++update)
                    UpdateIkChain(kind, shape, pose, target, settings);
                EXPECT_LE(Miss(shape, pose, target), 0.001)
                    << ikSolvers[kind].name << ", " << n << " joints, target " << target.x << ","
                    << target.y << "," << target.z;
            }
    }
}

TEST(ChainIk, OutOfReachTheChainPointsStraightAtTheTarget) {
    IkSettings settings;
    IkChainShape shape = StraightChain(8, 0.25);
    Vec3d target = Plus(shape.base, Vec3d{2.5, -1.0, 1.5});
    double expected = Length(Minus(target, shape.base)) - 2.0;
    for (int kind : ChainSolvers) {
        IkChainPose pose = IkChainRest(shape);
        UpdateIkChain(kind, shape, pose, target, settings);
        EXPECT_NEAR(Miss(shape, pose, target), expected, 1e-9) << ikSolvers[kind].name;
        std::vector<Vec3d> points;
        IkChainPoints(shape, pose, points);
        Vec3d toTarget = DirectionOr(Minus(target, shape.base), shape.base);
        for (size_t i = 1; i < points.size(); ++i)
            EXPECT_LT(Length(Cross(DirectionOr(Minus(points[i], shape.base), toTarget), toTarget)),
                      1e-9)
                << ikSolvers[kind].name << ", joint " << i;
    }
}

// The test's own walk of a chain along +Y: each bone's direction given in its parent bone's
// frame by a lean (from the parent's direction) and a heading about it. Which way the heading
// counts from does not matter for the ends the chain reaches, so the frame at right angles to
// each bone is any one.
struct Lean {
    double lean, heading; // radians
};

Vec3d Turned(const Vec3d &v, const Vec3d &axis, double radians) {
    double c = std::cos(radians), s = std::sin(radians);
    return Plus(Plus(Times(v, c), Times(Cross(axis, v), s)), Times(axis, Dot(axis, v) * (1 - c)));
}

Vec3d EndOfLeans(const Vec3d &base, const double *lengths, const Lean *leans, int n) {
    Vec3d d = {0.0, 1.0, 0.0}, across = {1.0, 0.0, 0.0}, end = base;
    for (int i = 0; i < n; ++i) {
        Vec3d axis = Turned(across, d, leans[i].heading);
        d = Turned(d, axis, leans[i].lean);
        across = Turned(across, axis, leans[i].lean);
        end = Plus(end, Times(d, lengths[i]));
    }
    return end;
}

// The nearest any limit-keeping pose of the three-joint chain comes to target: every lean and
// heading on a grid, then the best one refined by a grid of all six round it, shrinking.
double BruteForceBest(const Vec3d &base, const double *lengths, const double *maxLean,
                      const Vec3d &target) {
    const int LeanSteps = 4, HeadingSteps = 12;
    Lean best[3] = {}, leans[3];
    double bestMiss = 1e30;
    auto tryLeans = [&](const Lean *l) {
        double miss = Length(Minus(target, EndOfLeans(base, lengths, l, 3)));
        if (miss < bestMiss) {
            bestMiss = miss;
            for (int i = 0; i < 3; ++i)
                best[i] = l[i];
        }
    };
    const int Picks = (LeanSteps + 1) * HeadingSteps;
    for (int a = 0; a < Picks; ++a)
        for (int b = 0; b < Picks; ++b)
            for (int c = 0; c < Picks; ++c) {
                const int picks[3] = {a, b, c};
                for (int i = 0; i < 3; ++i)
                    leans[i] = Lean{maxLean[i] * (picks[i] % (LeanSteps + 1)) / LeanSteps,
                                    2.0 * M_PI * (picks[i] / (LeanSteps + 1)) / HeadingSteps};
                tryLeans(leans);
            }
    double span[2] = {0.5 * maxLean[0] / LeanSteps, M_PI / HeadingSteps};
    for (int round = 0; round < 40; ++round, span[0] *= 0.6, span[1] *= 0.6) {
        Lean centre[3] = {best[0], best[1], best[2]};
        for (int code = 0; code < 729; ++code) {
            int digits = code;
            for (int i = 0; i < 3; ++i) {
                int dl = digits % 3 - 1, dh = digits / 3 % 3 - 1;
                digits /= 9;
                double lean = centre[i].lean + dl * span[0];
                leans[i] = Lean{std::fmin(std::fmax(lean, 0.0), maxLean[i]),
                                centre[i].heading + dh * span[1]};
            }
            tryLeans(leans);
        }
    }
    return bestMiss;
}

TEST(ChainIk, WithLimitsNoUpdateMakesThingsWorseAndTheEndComesAsNearAsTheLimitsAllow) {
    IkChainShape shape;
    shape.base = Vec3d{0.0, 0.5, 0.0};
    const double lengths[3] = {1.0, 0.8, 0.6};
    const double maxSwing[3] = {40.0, 35.0, 30.0};
    for (int i = 0; i < 3; ++i) {
        shape.bones.push_back(Vec3d{0.0, lengths[i], 0.0});
        shape.limits.push_back(IkJointLimits{maxSwing[i], -10.0, 20.0});
    }
    double maxLean[3];
    for (int i = 0; i < 3; ++i)
        maxLean[i] = maxSwing[i] * M_PI / 180.0;
    IkSettings settings;
    settings.jointLimits = 1;
    // A start outside the limits: leaning 60 degrees and twisted 45 at every joint.
    IkChainPose outside = IkChainRest(shape);
    for (IkTurn &turn : outside.turns)
        turn = TurnTimes(TurnAbout(Vec3d{1.0, 0.0, 0.0}, 60.0), TurnAbout(Vec3d{0, 1, 0}, 45.0));
    // Beyond what the cones allow to the side and below, folded back over the root, and one the
    // limits let the chain reach.
    const Vec3d targets[] = {
        {2.2, -0.4, 0.4}, {-0.9, -0.6, -1.5}, {0.2, 0.9, 0.3}, {0.5, 2.7, 0.3}};
    for (const Vec3d &target : targets) {
        double best = BruteForceBest(shape.base, lengths, maxLean, target);
        for (int kind : ChainSolvers) {
            IkChainPose pose = outside;
            double last = 1e30;
            for (int update = 0; update < 60; ++update) {
                UpdateIkChain(kind, shape, pose, target, settings);
                double miss = Miss(shape, pose, target);
                ASSERT_LE(miss, last + 1e-12) << ikSolvers[kind].name << ", update " << update;
                ASSERT_TRUE(IkChainWithinLimits(shape, pose, 1e-6)) << ikSolvers[kind].name;
                last = miss;
            }
            EXPECT_LE(last, best + 0.002) << ikSolvers[kind].name << ", target " << target.x << ","
                                          << target.y << "," << target.z;
        }
    }
}

} // namespace
