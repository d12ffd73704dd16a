// How the inverse-kinematics solvers converge, and what an update costs.
//
//   ik_bench [ITERATIONS]
//
// Draws 500 reachable targets in the target's box (closer than 3 units to the root) and 100
// beyond reach, with a fixed seed, and runs every solver on each from the pose the inverse mode
// starts in (every angle 0) for up to 3000 updates, measuring the distance on the real chain
// (the bone matrices). ITERATIONS (default 10) are the ccd and fabrik passes per update.
// Prints per solver:
//   - median and 95th percentile of the updates to get within 0.01 and within 0.001;
//   - the share of reachable targets never within 0.001 after 3000 updates;
//   - the final error: median and largest distance left on reachable targets, and for the
//     out-of-reach ones the largest angle, degrees, between either bone and the line from the
//     root to the target;
//   - nanoseconds per update (the first update toward each target, as the frame makes it) and
//     its ratio to the incremental solver's, measured in the same run.

#include "skeleton/bones.h"
#include "skeleton/demo_state.h"
#include "skeleton/ik_solvers.h"
#include "skeleton/kinematics.h"
#include "skeleton/skin_mesh.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>

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

// Nanoseconds of the first update toward each reachable target from the start pose, for every
// solver: the quickest of several passes over all of them, less the quickest pass that only
// resets the pose. The solvers take turns within each pass, so that a machine busy for a while
// slows them alike.
void MeasureNanosecondsPerUpdate(const IkSettings &settings, double *nanoseconds) {
    IkPose start = StartPose();
    double bestUpdates[IkSolverCount], bestResets = -1.0;
    volatile double sink = 0.0;
    for (int pass = 0; pass < TimingPasses; ++pass) {
        for (int kind = 0; kind < IkSolverCount; ++kind) {
            double t0 = Now();
            for (int i = 0; i < ReachableCount; ++i) {
                SetBonesToPose(start);
                FrameUpdate(kind, targets[i], settings);
            }
            double t1 = Now();
            if (pass == 0 || t1 - t0 < bestUpdates[kind])
                bestUpdates[kind] = t1 - t0;
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
    for (int kind = 0; kind < IkSolverCount; ++kind)
        nanoseconds[kind] = (bestUpdates[kind] - bestResets) / ReachableCount;
}

} // namespace

int main(int argc, char **argv) {
    IkSettings settings;
    if (argc > 1)
        settings.iterations = std::atoi(argv[1]);
    InitSkinAndBones();
    DrawTargets();

    std::printf("%d reachable and %d out-of-reach targets, %d updates at most, ccd and fabrik at "
                "%d iterations, tolerance %g\n\n",
                ReachableCount, OutOfReachCount, MaxUpdates, settings.iterations,
                settings.tolerance);
    std::printf("%-12s %15s %15s %7s %21s %9s %12s\n", "", "updates to .01", "updates to .001",
                "never", "final error", "out", "ns/update");
    std::printf("%-12s %7s %7s %7s %7s %7s %10s %10s %9s %6s %5s\n", "solver", "median", "p95",
                "median", "p95", ".001", "median", "max", "max deg", "ns", "ratio");

    double nanoseconds[IkSolverCount];
    MeasureNanosecondsPerUpdate(settings, nanoseconds);
    for (int kind = 0; kind < IkSolverCount; ++kind) {
        static int to01[ReachableCount], to001[ReachableCount];
        static double errors[ReachableCount];
        int never = 0;
        for (int i = 0; i < ReachableCount; ++i) {
            Run run = RunToward(kind, targets[i], settings);
            to01[i] = run.within01;
            to001[i] = run.within001;
            errors[i] = run.finalError;
            never += run.within001 == Never;
        }
        double worstOffLine = 0.0;
        for (int i = ReachableCount; i < TargetCount; ++i)
            worstOffLine = std::max(worstOffLine, RunToward(kind, targets[i], settings).offLine);
        std::sort(to01, to01 + ReachableCount);
        std::sort(to001, to001 + ReachableCount);
        std::sort(errors, errors + ReachableCount);
        double ns = nanoseconds[kind];
        double baseline = nanoseconds[IkSolverIncremental];

        std::printf("%-12s", IkSolverName(kind));
        PrintCount(Percentile(to01, ReachableCount, 0.5));
        PrintCount(Percentile(to01, ReachableCount, 0.95));
        PrintCount(Percentile(to001, ReachableCount, 0.5));
        PrintCount(Percentile(to001, ReachableCount, 0.95));
        std::printf(" %6.1f%% %10.2e %10.2e %9.3f %6.0f %5.2f\n", 100.0 * never / ReachableCount,
                    errors[ReachableCount / 2], errors[ReachableCount - 1], worstOffLine, ns,
                    ns / baseline);
    }
    return 0;
}
