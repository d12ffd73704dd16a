#include "skeleton/ik_lab.h"

#include "skeleton/kinematics.h"

#include <cmath>

IkProgress ikProgress;
IkComparison ikComparison;
IkSoftReachPlot ikSoftReachPlot;

namespace {

// The trend compares the distance with the one this many updates back (or with the distance
// at the restart, when the count is younger).
const int TrendWindow = 50;
// A distance that changed less than this share of itself over the window has stalled.
const double StalledShare = 1e-3;
const double StalledFloor = 1e-7;
// Straight toward an out-of-reach target: both bones within this many degrees of its line.
const double PointingDegrees = 0.5;

double AngleBetween(const Vector3 &a, const Vector3 &b) {
    double lengths = VectorLength(a) * VectorLength(b);
    if (!(lengths > 0.0))
        return 0.0;
    double dot = (double)a.x * b.x + (double)a.y * b.y + (double)a.z * b.z;
    double c = dot / lengths;
    return std::acos(c > 1.0 ? 1.0 : c < -1.0 ? -1.0 : c) / DegreesToRadians;
}

int SameTarget(const Vector3 &a, const Vector3 &b) {
    return a.x == b.x && a.y == b.y && a.z == b.z;
}

float DistanceBack(const IkProgress &progress, int updatesBack) {
    int newest = (progress.historyOffset + progress.historyCount - 1) % IkHistoryLength;
    return progress.history[(newest - updatesBack + IkHistoryLength) % IkHistoryLength];
}

int StatusAfter(const IkProgress &progress, int kind, const Vector3 &elbow, const Vector3 &end,
                const Vector3 &target, const IkSettings &settings) {
    if (progress.distance <= settings.tolerance)
        return IkStatusReached;
    if (kind == IkSolverIncremental) {
        int reason = IkTargetStatusFor(end, Subtract(target, end));
        if (reason == IkTargetOutOfReach)
            return IkStatusIgnoredTooFar;
        if (reason == IkTargetOnLine)
            return IkStatusIgnoredInLine;
    }
    Vector3 root = bones[0].pivot;
    Vector3 toTarget = Subtract(target, root);
    if (VectorLength(toTarget) >= IkChainReach() &&
        AngleBetween(Subtract(elbow, root), toTarget) <= PointingDegrees &&
        AngleBetween(Subtract(end, elbow), toTarget) <= PointingDegrees)
        return IkStatusPointingOutOfReach;
    // The trend over the last TrendWindow updates once there are that many since the count
    // restarted; before, over the last update alone, which cannot say stalled yet.
    int updates = progress.updatesSinceTargetMoved;
    double earlier;
    if (updates >= TrendWindow)
        earlier =
            updates > TrendWindow ? DistanceBack(progress, TrendWindow) : progress.startDistance;
    else
        earlier = updates > 1 ? DistanceBack(progress, 1) : progress.startDistance;
    double change = progress.distance - earlier;
    if (std::abs(change) <= StalledShare * progress.distance + StalledFloor)
        return updates >= TrendWindow ? IkStatusStalled : IkStatusStill;
    return change < 0.0 ? IkStatusApproaching : IkStatusReceding;
}

// RecordIkUpdate with the chain's joints for after already known.
void RecordUpdateEndingAt(IkProgress &progress, int kind, const IkPose &before, const IkPose &after,
                          const Vector3 &elbow, const Vector3 &end, const Vector3 &target,
                          const IkSettings &settings) {
    if (progress.status == IkStatusNone || !SameTarget(progress.target, target) ||
        !SamePose(progress.pose, before)) {
        Vector3 elbowBefore, endBefore;
        PoseChainPoints(before, elbowBefore, endBefore);
        progress.updatesSinceTargetMoved = 0;
        progress.target = target;
        progress.startDistance = (float)VectorLength(Subtract(target, endBefore));
    }
    progress.pose = after;
    progress.updatesSinceTargetMoved++;
    progress.distance = (float)VectorLength(Subtract(target, end));
    if (progress.historyCount < IkHistoryLength) {
        progress.history[progress.historyCount++] = progress.distance;
    } else {
        progress.history[progress.historyOffset] = progress.distance;
        progress.historyOffset = (progress.historyOffset + 1) % IkHistoryLength;
    }
    progress.status = StatusAfter(progress, kind, elbow, end, target, settings);
    for (int b = 0; b < BoneCount; ++b)
        progress.twist[b] = IkBoneTwist(after, b);
    int waiting = progress.status == IkStatusStalled || progress.status == IkStatusStill ||
                  progress.status == IkStatusPointingOutOfReach;
    progress.heldBy =
        settings.jointLimits && kind != IkSolverIncremental && waiting ? IkLimitsHolding(after) : 0;
}

void RestartComparison(const IkPose &from, const Vector3 &target) {
    ikComparison.running = 1;
    ikComparison.target = target;
    for (IkChain &chain : ikComparison.chains) {
        chain.pose = from;
        ResetIkProgress(chain.progress);
    }
}

void UpdateComparison(const Vector3 &target, const IkSettings &settings) {
    for (int kind = 0; kind < IkSolverCount; ++kind) {
        IkChain &chain = ikComparison.chains[kind];
        IkPose before = chain.pose;
        RunIkUpdate(kind, chain.pose, target, settings);
        RecordIkUpdate(chain.progress, kind, before, chain.pose, target, settings);
    }
}

} // namespace

const char *IkStatusText(int status) {
    switch (status) {
    case IkStatusReached:
        return "reached";
    case IkStatusApproaching:
        return "getting closer";
    case IkStatusReceding:
        return "moving away";
    case IkStatusStalled:
        return "stalled";
    case IkStatusStill:
        return "not moving (stalled after 50 updates)";
    case IkStatusPointingOutOfReach:
        return "out of reach: pointing at it";
    case IkStatusIgnoredTooFar:
        return "ignores it: 3 or more units away";
    case IkStatusIgnoredInLine:
        return "ignores it: in line with the end";
    default:
        return "waiting";
    }
}

void ResetIkProgress(IkProgress &progress) {
    progress = IkProgress{};
}

void RecordIkUpdate(IkProgress &progress, int kind, const IkPose &before, const IkPose &after,
                    const Vector3 &target, const IkSettings &settings) {
    Vector3 elbow, end;
    PoseChainPoints(after, elbow, end);
    RecordUpdateEndingAt(progress, kind, before, after, elbow, end, target, settings);
}

void UpdateIk() {
    if (demoState.ikFrozen) {
        if (demoState.ikStepsPending <= 0)
            return;
        demoState.ikStepsPending--;
    } else {
        demoState.ikStepsPending = 0;
    }
    int kind = ValidIkSolver(demoState.ikSolver);
    if (kind == IkSolverAnalytic || demoState.ikCompare)
        UpdateSoftReachPlot(demoState.ik.softZone);
    IkPose before = PoseOfBones();
    if (demoState.ikCompare &&
        (!ikComparison.running || !SameTarget(ikComparison.target, demoState.target) ||
         !SamePose(ikComparison.chains[kind].pose, before)))
        RestartComparison(before, demoState.target);
    if (!demoState.ikCompare)
        ikComparison.running = 0;

    if (kind == IkSolverIncremental) {
        SolveIkStep();
    } else {
        IkPose pose = before;
        RunIkUpdate(kind, pose, demoState.target, demoState.ik);
        SetBonesToPose(pose);
    }
    // The bones' matrices are those of the new pose: the joints come from them directly.
    Vector4 elbow;
    TransformPoint(elbow, bones[0].matrix, AsPoint(bones[1].pivot));
    RecordUpdateEndingAt(ikProgress, kind, before, PoseOfBones(), DropW(elbow),
                         EndEffectorPosition(), demoState.target, demoState.ik);
    if (ikComparison.running)
        UpdateComparison(demoState.target, demoState.ik);
}

void UpdateSoftReachPlot(double zone) {
    const double shownZone = zone > 0.0 ? zone : 0.1;
    IkSoftReachPlot &plot = ikSoftReachPlot;
    double reach = IkChainReach();
    if (plot.made && plot.zone == shownZone && plot.reach == reach)
        return;
    plot.zone = shownZone;
    plot.reach = reach;
    plot.from = reach - 2.0 * IkMaxSoftZone;
    plot.to = reach + IkMaxSoftZone;
    plot.made = 1;
    // Out along a slanting line from the root, each answer starting from the one before, as
    // when a learner drags the target out.
    const Vector3 along = {0.6f, 0.8f, 0.0f};
    Vector3 root = bones[0].pivot;
    for (int softened = 0; softened <= 1; ++softened) {
        IkSettings settings;
        settings.softZone = softened ? shownZone : 0.0;
        IkPose pose = {};
        float *out = softened ? plot.softened : plot.plain;
        for (int i = 0; i < IkSoftReachSamples; ++i) {
            double d = plot.from + (plot.to - plot.from) * i / (IkSoftReachSamples - 1);
            Vector3 target = Add(root, Vector3{(float)(along.x * d), (float)(along.y * d), 0.0f});
            RunIkUpdate(IkSolverAnalytic, pose, target, settings);
            Vector3 elbow, end;
            PoseChainPoints(pose, elbow, end);
            out[i] = (float)VectorLength(Subtract(end, root));
        }
    }
}

void StepIk() {
    demoState.ikFrozen = 1;
    demoState.ikStepsPending++;
}

void ResetIkLab() {
    ResetIkProgress(ikProgress);
    ikComparison = IkComparison{};
}
