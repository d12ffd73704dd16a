// How the inverse-kinematics solvers converge, and what an update costs.
//
//   ik_bench [ITERATIONS] [--chain N]
//
// Draws 500 reachable targets in the target's box (closer than 3 units to the root) and 100
// beyond reach, with a fixed seed, and runs every solver on each from the pose the inverse mode
// starts in (every angle 0) for up to 3000 updates, measuring the distance on the real chain
// (the bone matrices). ITERATIONS (default 10) are the ccd, fabrik and dls passes per update.
// The first table has a row per solver, and one more for analytic with soft reach (zone 0.2,
// which on purpose leaves targets within 0.2 of full reach short). It prints:
//   - median and 95th percentile of the updates to get within 0.01 and within 0.001;
//   - the share of reachable targets never within 0.001 after 3000 updates;
//   - the final error: median and largest distance left on reachable targets, and for the
//     out-of-reach ones the largest angle, degrees, between either bone and the line from the
//     root to the target;
//   - nanoseconds per update (the first update toward each target, as the frame makes it) and
//     its ratio to the incremental solver's, measured in the same run.
// The second table has the joint limits on: 100 targets of the box (reachable or not), half
// from the straight start and half from a bent, limit-keeping one, 60 updates each, against
// the closest end any limit-keeping pose reaches (a brute-force search): the gap left at the
// end (median and worst), the median updates to within 0.002 of that best, and how many
// updates left the end farther from the target than before (more than 1e-6).
// A third table has the first one's measure for straight chains of 4, 8 and 16 joints sharing
// the limb's full reach (ccd, fabrik and dls), with the passes each made until the end came
// within 0.001; --chain N prints that table alone, for a chain of N joints.

#include "bench/support/ik_limits_search.h"
#include "demo/demo_ik.h"
#include "demo/demo_state.h"
#include "ik/chain_ik.h"
#include "ik/ik_solvers.h"
#include "ik/kinematics.h"
#include "mesh/skin_mesh.h"
#include "model/limb_model.h"
#include "rig/bones.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

const int ReachableCount = 500;
const int OutOfReachCount = 100;
const int TargetCount = ReachableCount + OutOfReachCount;
const int MaxUpdates = 3000;
const int Never = MaxUpdates + 1;
const int TimingPasses = 40;

Vector3 targets[TargetCount];

// splitmix64: a fixed sequence on every machine and compiler.
unsigned long long seed = 20240613ull;
double Uniform(double low, double high) {
    unsigned long long z = (seed += 0x9e3779b97f4a7c15ull);
    z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ull;
    z = (z ^ (z >> 27)) * 0x94d049bb133111ebull;
    z ^= z >> 31;
    return low + (high - low) * (double)(z >> 11) / 9007199254740992.0;
}

void DrawTargets() {
    int reachable = 0, outOfReach = 0;
    while (reachable < ReachableCount || outOfReach < OutOfReachCount) {
        Vector3 t = {(float)Uniform(TargetMinXZ, TargetMaxXZ),
                     (float)Uniform(TargetMinY, TargetMaxY),
                     (float)Uniform(TargetMinXZ, TargetMaxXZ)};
        double r = VectorLength(t);
        if (r < 3.0 && reachable < ReachableCount)
            targets[reachable++] = t;
        else if (r > 3.0 && outOfReach < OutOfReachCount)
            targets[ReachableCount + outOfReach++] = t;
    }
}

IkPose StartPose() {
    IkPose pose = {};
    return pose;
}

double DistanceOf(const IkPose &pose, const Vector3 &target, Vector3 &elbow, Vector3 &end) {
    PoseChainPoints(pose, elbow, end);
    return VectorLength(Subtract(target, end));
}

double AngleBetween(const Vector3 &a, const Vector3 &b) {
    double dot = (double)a.x * b.x + (double)a.y * b.y + (double)a.z * b.z;
    double c = dot / (VectorLength(a) * VectorLength(b));
    return std::acos(std::min(1.0, std::max(-1.0, c))) / DegreesToRadians;
}

struct Run {
    int within01, within001; // updates until first within 0.01, 0.001 (Never if not)
    double finalError;       // distance left
    double offLine;          // largest angle of a bone off the root-target line, degrees
};

Run RunToward(int kind, const Vector3 &target, const IkSettings &settings) {
    Run run = {Never, Never, 0.0, 0.0};
    IkPose pose = StartPose();
    Vector3 elbow, end;
    double distance = DistanceOf(pose, target, elbow, end);
    for (int update = 1; update <= MaxUpdates; ++update) {
        IkPose before = pose;
        RunIkUpdate(kind, pose, target, settings);
        if (SamePose(pose, before))
            break; // nothing moves any more, now or in any later update
        distance = DistanceOf(pose, target, elbow, end);
        if (distance < 0.01 && run.within01 == Never)
            run.within01 = update;
        if (distance < 0.001 && run.within001 == Never)
            run.within001 = update;
    }
    run.finalError = distance;
    Vector3 root = bones[0].pivot;
    Vector3 line = Subtract(target, root);
    run.offLine = std::max(AngleBetween(Subtract(elbow, root), line),
                           AngleBetween(Subtract(end, elbow), line));
    return run;
}

// Nearest-rank percentile of n sorted counts.
int Percentile(const int *sorted, int n, double share) {
    int rank = (int)std::ceil(share * n);
    return sorted[std::max(1, rank) - 1];
}

void PrintCount(int count) {
    if (count == Never)
        std::printf(" %7s", "never");
    else
        std::printf(" %7d", count);
}

// The frame's update as the program makes it on the bones for solver kind.
void FrameUpdate(int kind, const Vector3 &target, const IkSettings &settings) {
    if (kind == IkSolverIncremental) {
        demoState.target = target;
        SolveIkStep();
        return;
    }
    IkPose pose = PoseOfBones();
    RunIkUpdate(kind, pose, target, settings);
    SetBonesToPose(pose);
}

double Now() {
    return std::chrono::duration<double, std::nano>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// A row of the first table: a solver with its settings.
struct Row {
    int kind;
    IkSettings settings;
    char label[24];
};

const double BenchSoftZone = 0.2;
const int RowCount = IkSolverCount + 1;

// Nanoseconds of the first update toward each reachable target from the start pose, for every
// row: the quickest of several passes over all of them, less the quickest pass that only
// resets the pose. The rows take turns within each pass, so that a machine busy for a while
// slows them alike.
void MeasureNanosecondsPerUpdate(const Row *rows, double *nanoseconds) {
    IkPose start = StartPose();
    double bestUpdates[RowCount], bestResets = -1.0;
    volatile double sink = 0.0;
    for (int pass = 0; pass < TimingPasses; ++pass) {
        for (int r = 0; r < RowCount; ++r) {
            double t0 = Now();
            for (int i = 0; i < ReachableCount; ++i) {
                SetBonesToPose(start);
                FrameUpdate(rows[r].kind, targets[i], rows[r].settings);
            }
            double t1 = Now();
            if (pass == 0 || t1 - t0 < bestUpdates[r])
                bestUpdates[r] = t1 - t0;
        }
        double t0 = Now();
        for (int i = 0; i < ReachableCount; ++i) {
            SetBonesToPose(start);
            sink = sink + bones[1].matrix.m[13];
        }
        double t1 = Now();
        if (pass == 0 || t1 - t0 < bestResets)
            bestResets = t1 - t0;
    }
    for (int r = 0; r < RowCount; ++r)
        nanoseconds[r] = (bestUpdates[r] - bestResets) / ReachableCount;
}

void ConvergenceTable(const IkSettings &settings) {
    Row rows[RowCount];
    for (int kind = 0; kind < IkSolverCount; ++kind) {
        rows[kind] = Row{kind, settings, ""};
        std::snprintf(rows[kind].label, sizeof rows[kind].label, "%s", IkSolverName(kind));
    }
    rows[IkSolverCount] = Row{IkSolverAnalytic, settings, ""};
    rows[IkSolverCount].settings.softZone = BenchSoftZone;
    std::snprintf(rows[IkSolverCount].label, sizeof rows[IkSolverCount].label, "analytic soft");

    std::printf("%d reachable and %d out-of-reach targets, %d updates at most, ccd, fabrik and "
                "dls at %d iterations, dls damping %g, tolerance %g; analytic soft: zone %g\n\n",
                ReachableCount, OutOfReachCount, MaxUpdates, settings.iterations, settings.damping,
                settings.tolerance, BenchSoftZone);
    std::printf("%-14s %15s %15s %7s %21s %9s %12s\n", "", "updates to .01", "updates to .001",
                "never", "final error", "out", "ns/update");
    std::printf("%-14s %7s %7s %7s %7s %7s %10s %10s %9s %6s %5s\n", "solver", "median", "p95",
                "median", "p95", ".001", "median", "max", "max deg", "ns", "ratio");

    double nanoseconds[RowCount];
    MeasureNanosecondsPerUpdate(rows, nanoseconds);
    for (int r = 0; r < RowCount; ++r) {
        static int to01[ReachableCount], to001[ReachableCount];
        static double errors[ReachableCount];
        int never = 0;
        for (int i = 0; i < ReachableCount; ++i) {
            Run run = RunToward(rows[r].kind, targets[i], rows[r].settings);
            to01[i] = run.within01;
            to001[i] = run.within001;
            errors[i] = run.finalError;
            never += run.within001 == Never;
        }
        double worstOffLine = 0.0;
        for (int i = ReachableCount; i < TargetCount; ++i)
            worstOffLine = std::max(worstOffLine,
                                    RunToward(rows[r].kind, targets[i], rows[r].settings).offLine);
        std::sort(to01, to01 + ReachableCount);
        std::sort(to001, to001 + ReachableCount);
        std::sort(errors, errors + ReachableCount);
        double ns = nanoseconds[r];
        double baseline = nanoseconds[IkSolverIncremental];

        std::printf("%-14s", rows[r].label);
        PrintCount(Percentile(to01, ReachableCount, 0.5));
        PrintCount(Percentile(to01, ReachableCount, 0.95));
        PrintCount(Percentile(to001, ReachableCount, 0.5));
        PrintCount(Percentile(to001, ReachableCount, 0.95));
        std::printf(" %6.1f%% %10.2e %10.2e %9.3f %6.0f %5.2f\n", 100.0 * never / ReachableCount,
                    errors[ReachableCount / 2], errors[ReachableCount - 1], worstOffLine, ns,
                    ns / baseline);
    }
}

const int LimitTargets = 100;
const int LimitUpdates = 60;
const double LimitGap = 0.002;

void LimitsTable(const IkSettings &base) {
    IkSettings settings = base;
    settings.jointLimits = 1;
    // Every target of the box, the first LimitTargets of the reachable and out-of-reach ones
    // in turn; the best the limits allow for each, once.
    static Vector3 chosen[LimitTargets];
    static double best[LimitTargets];
    for (int i = 0; i < LimitTargets; ++i) {
        chosen[i] = i % 2 ? targets[ReachableCount + (i / 2) % OutOfReachCount] : targets[i / 2];
        best[i] = ClosestWithinLimits(chosen[i]);
    }
    std::printf("\nWith the joint limits on: %d targets (half beyond reach), half from the "
                "straight start, half bent within the limits, %d updates each\n\n",
                LimitTargets, LimitUpdates);
    std::printf("%-14s %21s %15s %12s\n", "", "gap to the best", "updates to", "updates");
    std::printf("%-14s %10s %10s %15s %12s\n", "solver", "median", "worst", "best+.002 med",
                "worse");
    for (int kind = 0; kind < IkSolverCount; ++kind) {
        if (kind == IkSolverIncremental)
            continue; // the limits are not its
        static double gaps[LimitTargets];
        static int toBest[LimitTargets];
        long worse = 0;
        for (int i = 0; i < LimitTargets; ++i) {
            IkPose pose = StartPose();
            if (i % 4 >= 2) { // bent: plain swings, one angle each
                pose.rotX[0] = 8.0;
                pose.rotX[1] = 70.0;
            }
            Vector3 elbow, end;
            double distance = DistanceOf(pose, chosen[i], elbow, end);
            toBest[i] = Never;
            if (distance <= best[i] + LimitGap)
                toBest[i] = 0;
            for (int update = 1; update <= LimitUpdates; ++update) {
                RunIkUpdate(kind, pose, chosen[i], settings);
                double after = DistanceOf(pose, chosen[i], elbow, end);
                worse += after > distance + 1e-6;
                distance = after;
                if (toBest[i] == Never && distance <= best[i] + LimitGap)
                    toBest[i] = update;
            }
            gaps[i] = distance - best[i];
        }
        std::sort(gaps, gaps + LimitTargets);
        std::sort(toBest, toBest + LimitTargets);
        std::printf("%-14s %10.2e %10.2e", IkSolverName(kind), gaps[LimitTargets / 2],
                    gaps[LimitTargets - 1]);
        std::printf("        ");
        PrintCount(Percentile(toBest, LimitTargets, 0.5));
        std::printf(" %12ld\n", worse);
    }
}

// ---- Longer chains ----

// A straight chain of n joints standing on the limb's root, its bones sharing the limb's full
// reach of 3, so the same targets are reachable or not.
IkChainShape StraightChain(int n) {
    IkChainShape shape;
    shape.bones.assign(n, Vec3d{0.0, 3.0 / n, 0.0});
    return shape;
}

struct ChainRun {
    int within01, within001; // updates until first within 0.01, 0.001 (Never if not)
    int passes01, passes001; // passes (iterations) made by then
    double finalError;       // distance left
    double offLine;          // largest angle of a bone off the root-target line, degrees
};

ChainRun RunChainToward(int kind, const IkChainShape &shape, const Vector3 &target,
                        const IkSettings &settings) {
    ChainRun run = {Never, Never, Never, Never, 0.0, 0.0};
    IkChainPose pose = IkChainRest(shape);
    Vec3d goal = ToVec3d(target);
    double distance = Length(Minus(goal, IkChainEnd(shape, pose)));
    int passes = 0;
    for (int update = 1; update <= MaxUpdates; ++update) {
        int made = UpdateIkChain(kind, shape, pose, goal, settings);
        if (made == 0)
            break; // nothing moves any more, now or in any later update
        passes += made;
        distance = Length(Minus(goal, IkChainEnd(shape, pose)));
        if (distance < 0.01 && run.within01 == Never) {
            run.within01 = update;
            run.passes01 = passes;
        }
        if (distance < 0.001 && run.within001 == Never) {
            run.within001 = update;
            run.passes001 = passes;
        }
    }
    run.finalError = distance;
    std::vector<Vec3d> points;
    IkChainPoints(shape, pose, points);
    Vec3d line = Minus(goal, shape.base);
    for (size_t i = 0; i + 1 < points.size(); ++i) {
        Vec3d bone = Minus(points[i + 1], points[i]);
        run.offLine = std::max(run.offLine, AngleBetween(ToVector3(bone), ToVector3(line)));
    }
    return run;
}

// Nanoseconds of the first update toward each reachable target from the straight start: the
// quickest of several passes over all of them.
double ChainNanosecondsPerUpdate(int kind, const IkChainShape &shape, const IkSettings &settings) {
    double best = -1.0;
    IkChainPose start = IkChainRest(shape);
    for (int pass = 0; pass < TimingPasses / 4; ++pass) {
        double t0 = Now();
        for (int i = 0; i < ReachableCount; ++i) {
            IkChainPose pose = start;
            UpdateIkChain(kind, shape, pose, ToVec3d(targets[i]), settings);
        }
        double t1 = Now();
        if (pass == 0 || t1 - t0 < best)
            best = t1 - t0;
    }
    return best / ReachableCount;
}

void ChainTableHead(const IkSettings &settings) {
    std::printf("\nStraight chains of N joints sharing the limb's reach of 3, the same targets, "
                "%d updates at most, %d iterations, dls damping %g, tolerance %g\n\n",
                MaxUpdates, settings.iterations, settings.damping, settings.tolerance);
    std::printf("%-10s %15s %15s %15s %7s %21s %9s %7s\n", "", "updates to .01", "updates to .001",
                "passes to .001", "never", "final error", "out", "");
    std::printf("%-10s %7s %7s %7s %7s %7s %7s %7s %10s %10s %9s %7s\n", "N solver", "median",
                "p95", "median", "p95", "median", "p95", ".001", "median", "max", "max deg", "ns");
}

void ChainRows(int n, const IkSettings &settings) {
    IkChainShape shape = StraightChain(n);
    for (int kind = 0; kind < IkSolverCount; ++kind) {
        if (!IkChainSolverFits(kind, n, nullptr))
            continue;
        static int to01[ReachableCount], to001[ReachableCount], passes001[ReachableCount];
        static double errors[ReachableCount];
        int never = 0;
        for (int i = 0; i < ReachableCount; ++i) {
            ChainRun run = RunChainToward(kind, shape, targets[i], settings);
            to01[i] = run.within01;
            to001[i] = run.within001;
            passes001[i] = run.passes001;
            errors[i] = run.finalError;
            never += run.within001 == Never;
        }
        double worstOffLine = 0.0;
        for (int i = ReachableCount; i < TargetCount; ++i)
            worstOffLine =
                std::max(worstOffLine, RunChainToward(kind, shape, targets[i], settings).offLine);
        std::sort(to01, to01 + ReachableCount);
        std::sort(to001, to001 + ReachableCount);
        std::sort(passes001, passes001 + ReachableCount);
        std::sort(errors, errors + ReachableCount);
        char label[32];
        std::snprintf(label, sizeof label, "%d %s", n, IkSolverName(kind));
        std::printf("%-10s", label);
        PrintCount(Percentile(to01, ReachableCount, 0.5));
        PrintCount(Percentile(to01, ReachableCount, 0.95));
        PrintCount(Percentile(to001, ReachableCount, 0.5));
        PrintCount(Percentile(to001, ReachableCount, 0.95));
        PrintCount(Percentile(passes001, ReachableCount, 0.5));
        PrintCount(Percentile(passes001, ReachableCount, 0.95));
        std::printf(" %6.1f%% %10.2e %10.2e %9.3f %7.0f\n", 100.0 * never / ReachableCount,
                    errors[ReachableCount / 2], errors[ReachableCount - 1], worstOffLine,
                    ChainNanosecondsPerUpdate(kind, shape, settings));
    }
}

} // namespace

int main(int argc, char **argv) {
    IkSettings settings;
    int chain = 0;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--chain") == 0 && i + 1 < argc)
            chain = std::atoi(argv[++i]);
        else
            settings.iterations = std::atoi(argv[i]);
    }
    if (chain < 0 || chain > 64) {
        std::fprintf(stderr, "ik_bench: --chain needs a number of joints from 1 to 64\n");
        return 2;
    }
    InitSkinAndBones();
    DrawTargets();
    if (chain > 0) {
        ChainTableHead(settings);
        ChainRows(chain, settings);
        return 0;
    }
    ConvergenceTable(settings);
    LimitsTable(settings);
    ChainTableHead(settings);
    for (int n : {4, 8, 16})
        ChainRows(n, settings);
    return 0;
}
