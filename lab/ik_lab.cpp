#include "lab/ik_lab.h"

#include "ik/kinematics.h"
#include "math/vec3d.h"

#include <cmath>

namespace {

// The trend compares the distance with the one this many updates back (or with the distance
// at the restart, when the count is younger).
const int TrendWindow = 50;
// A distance that changed less than this share of itself over the window has stalled.
const double StalledShare = 1e-3;
const double StalledFloor = 1e-7;
// The limits hold the chain short when, without them, it would end nearer by more than this.
const double HeldShortBy = 1e-3;
// The distance going up and down by turns for this many updates in a row is oscillating.
const int OscillationUpdates = 10;
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

int TrendAfter(const IkProgress &progress, const Vector3 &elbow, const Vector3 &end,
               const Vector3 &target);

// Whether each of the last OscillationUpdates changes of the distance went the other way from
// the one before, every one of them more than a stall's share.
int Oscillating(const IkProgress &progress) {
    if (progress.updatesSinceTargetMoved <= OscillationUpdates ||
        progress.historyCount <= OscillationUpdates)
        return 0;
    double before = 0.0;
    for (int k = 0; k < OscillationUpdates; ++k) {
        double change = DistanceBack(progress, k) - DistanceBack(progress, k + 1);
        if (std::abs(change) <= StalledShare * progress.distance + StalledFloor ||
            (k > 0 && (change > 0.0) == (before > 0.0)))
            return 0;
        before = change;
    }
    return 1;
}

// Soft reach stops the analytic solver short on purpose: for a target beyond where the soft
// zone starts, resting there is the answer, not a stall.
int EasedBySoftReach(int kind, const Vector3 &target, const IkSettings &settings) {
    if (kind != IkSolverAnalytic || !(settings.softZone > 0.0))
        return 0;
    return VectorLength(Subtract(target, bones[0].pivot)) > IkChainReach() - settings.softZone;
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
    if (Oscillating(progress))
        return IkStatusOscillating;
    int status = TrendAfter(progress, elbow, end, target);
    int resting = status == IkStatusStill || status == IkStatusStalled ||
                  status == IkStatusPointingOutOfReach;
    return resting && EasedBySoftReach(kind, target, settings) ? IkStatusEasedBySoftReach : status;
}

// The status from the chain's shape and the distance's trend alone.
int TrendAfter(const IkProgress &progress, const Vector3 &elbow, const Vector3 &end,
               const Vector3 &target) {
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

// Whether the limits keep the chain short: the closed-form answer without them, from the same
// pose, would end nearer than distance. A chain that merely sits on a limit (straight toward an
// out-of-reach target sits on the elbow's least bend) is not held by it.
int HeldShortByLimits(const IkPose &after, double distance, const Vector3 &target,
                      const IkSettings &settings) {
    IkSettings free = settings;
    free.jointLimits = 0;
    IkPose unlimited = after;
    RunIkUpdate(IkSolverAnalytic, unlimited, target, free);
    Vector3 elbow, end;
    PoseChainPoints(unlimited, elbow, end);
    return distance > VectorLength(Subtract(target, end)) + HeldShortBy;
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
                  progress.status == IkStatusPointingOutOfReach ||
                  progress.status == IkStatusEasedBySoftReach;
    progress.heldBy = settings.jointLimits && kind != IkSolverIncremental && waiting &&
                              HeldShortByLimits(after, progress.distance, target, settings)
                          ? IkLimitsHolding(after)
                          : 0;
}

void RestartComparison(IkComparison &comparison, const IkPose &from, const Vector3 &target) {
    comparison.running = 1;
    comparison.target = target;
    for (IkChain &chain : comparison.chains) {
        chain.pose = from;
        ResetIkProgress(chain.progress);
    }
}

void UpdateComparison(IkComparison &comparison, const Vector3 &target, const IkSettings &settings) {
    for (int kind = 0; kind < IkSolverCount; ++kind) {
        IkChain &chain = comparison.chains[kind];
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
        return "not moving (under 50 updates)";
    case IkStatusPointingOutOfReach:
        return "out of reach: pointing at it";
    case IkStatusIgnoredTooFar:
        return "ignores it: 3 or more units away";
    case IkStatusIgnoredInLine:
        return "ignores it: in line with the end";
    case IkStatusEasedBySoftReach:
        return "eased by soft reach";
    case IkStatusOscillating:
        return "oscillating";
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

void UpdateIkLab(IkLab &lab, int kind, const Vector3 &target, const IkSettings &settings,
                 int compare) {
    kind = ValidIkSolver(kind);
    if (kind == IkSolverAnalytic || compare) {
        UpdateSoftReachPlot(lab.softReach, settings.softZone);
        lab.softReach.target = VectorLength(Subtract(target, bones[0].pivot));
    }
    IkPose before = PoseOfBones();
    if (compare && (!lab.comparison.running || !SameTarget(lab.comparison.target, target) ||
                    !SamePose(lab.comparison.chains[kind].pose, before)))
        RestartComparison(lab.comparison, before, target);
    if (!compare)
        lab.comparison.running = 0;

    if (kind == IkSolverIncremental) {
        SolveIkStepToward(target);
    } else {
        IkPose pose = before;
        RunIkUpdate(kind, pose, target, settings);
        SetBonesToPose(pose);
    }
    // The bones' matrices are those of the new pose: the joints come from them directly.
    Vector4 elbow;
    TransformPoint(elbow, bones[0].matrix, AsPoint(bones[1].pivot));
    RecordUpdateEndingAt(lab.progress, kind, before, PoseOfBones(), DropW(elbow),
                         EndEffectorPosition(), target, settings);
    if (lab.comparison.running)
        UpdateComparison(lab.comparison, target, settings);
}

void UpdateSoftReachPlot(IkSoftReachPlot &plot, double zone) {
    if (!(zone > 0.0)) {
        plot.made = 0; // off: nothing softened to show
        return;
    }
    const double shownZone = zone;
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

namespace {

// Scene units: the arrow's length and head, the elbow's outline's radius.
const double PoleArrowLength = 1.0;
const double PoleHeadLength = 0.25;
const double ElbowGuideRadius = 0.6;

Vector3 Along(const Vector3 &from, const Vector3 &direction, double length) {
    return Vector3{(float)(from.x + direction.x * length), (float)(from.y + direction.y * length),
                   (float)(from.z + direction.z * length)};
}

Vector3 Moved(const Matrix4 &m, const Vector3 &p) {
    Vector4 out;
    TransformPoint(out, m, AsPoint(p));
    return DropW(out);
}

// The point ElbowGuideRadius from the elbow along the elbow's turn (bend, side), through the
// lower bone's matrix as it stands.
Vector3 ElbowGuidePoint(double bend, double side) {
    Vec3d local = TurnX(TurnZ(Vec3d{0.0, 1.0, 0.0}, TurnOf(side)), TurnOf(bend));
    Vector3 unmoved = Along(bones[1].pivot, ToVector3(local), ElbowGuideRadius);
    return Moved(bones[0].matrix, unmoved);
}

} // namespace

void MakeIkGuides(IkGuides &guides, int shown, const Vector3 &target, const IkSettings &settings) {
    guides = IkGuides{};
    if (!shown)
        return;
    Vector3 elbow = Moved(bones[0].matrix, bones[1].pivot);
    Vector3 side = IkPoleSide(target, settings);
    if (VectorLength(side) > 0.5) {
        guides.pole = 1;
        guides.poleFrom = elbow;
        guides.poleTo = Along(elbow, side, PoleArrowLength);
        // The head: two strokes back from the tip, one either side in the vertical plane.
        Vector3 back = Along(guides.poleTo, side, -PoleHeadLength);
        guides.poleHead[0] = Along(back, Vector3{0.0f, 1.0f, 0.0f}, 0.5 * PoleHeadLength);
        guides.poleHead[1] = Along(back, Vector3{0.0f, 1.0f, 0.0f}, -0.5 * PoleHeadLength);
    }
    if (!settings.jointLimits)
        return;
    guides.limits = 1;
    guides.root = bones[0].pivot;
    double lower = VectorLength(Subtract(bones[1].pivot, bones[0].pivot));
    Turn tilt = TurnOf(IkLowerBoneMaxTilt);
    for (int i = 0; i < 2 * IkGuideArcPoints; ++i) {
        Turn around = TurnOf(360.0 * i / (2 * IkGuideArcPoints - 1));
        Vec3d d = {tilt.s * around.c, tilt.c, tilt.s * around.s};
        guides.coneRim[i] = Along(guides.root, ToVector3(d), lower);
    }
    // The outline: bend 0 to 120 at the greatest side one way, side back across at full bend,
    // bend back at the greatest side the other way, side across again at no bend.
    const int n = IkGuideArcPoints;
    for (int i = 0; i < n; ++i) {
        double t = (double)i / (n - 1);
        double bend = IkElbowMinBend + (IkElbowMaxBend - IkElbowMinBend) * t;
        double side = IkElbowMaxSideBend * (1.0 - 2.0 * t);
        guides.elbowOutline[i] = ElbowGuidePoint(bend, IkElbowMaxSideBend);
        guides.elbowOutline[n + i] = ElbowGuidePoint(IkElbowMaxBend, side);
        guides.elbowOutline[2 * n + i] = ElbowGuidePoint(
            IkElbowMaxBend - (IkElbowMaxBend - IkElbowMinBend) * t, -IkElbowMaxSideBend);
        guides.elbowOutline[3 * n + i] = ElbowGuidePoint(IkElbowMinBend, -side);
        guides.hinge[i] = ElbowGuidePoint(bend, 0.0);
    }
}

void ResetIkLab(IkLab &lab) {
    lab = IkLab{}; // the soft-reach plot too: it is made again when next shown
}
