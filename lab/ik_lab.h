#pragma once

#include "ik/ik_solvers.h"

// What the solvers are doing, update by update: the distance left, how long the solver has
// worked on this target, a status in plain words and the recent distances for a plot. Also the
// comparison, which runs every solver on its own copy of the pose beside the chain on screen.

enum IkStatus {
    IkStatusNone,               // no update yet
    IkStatusReached,            // within the tolerance
    IkStatusApproaching,        // the distance is shrinking
    IkStatusReceding,           // the distance is growing
    IkStatusStalled,            // neither over the last 50 updates, short of the target
    IkStatusStill,              // the last update left the distance as it was; too soon to judge
    IkStatusPointingOutOfReach, // the target is beyond full reach; the chain points straight at it
    IkStatusIgnoredTooFar,      // incremental: 3 or more units from the end
    IkStatusIgnoredInLine,      // incremental: on the line from the origin through the end
    IkStatusEasedBySoftReach,   // analytic with soft reach: short of a target in or past the zone
                                // by design
    IkStatusOscillating,        // the distance went up and down by turns for the last 10 updates
};

// "reached", "stalled", "out of reach: pointing at it", ...
const char *IkStatusText(int status);

// Updates the history keeps: a few seconds of frames.
const int IkHistoryLength = 300;

struct IkProgress {
    float distance;              // from the chain's end to the target after the last update
    int updatesSinceTargetMoved; // also restarted when the pose changed between updates
    int status;                  // an IkStatus
    Vector3 target;              // the target the count belongs to
    IkPose pose;                 // the pose after the last update
    float startDistance;         // the distance when the count restarted
    // The distance after each update, oldest first from historyOffset, wrapping round:
    // ImGui::PlotLines(label, history, historyCount, historyOffset) draws it in order.
    float history[IkHistoryLength];
    int historyCount;
    int historyOffset;
    double twist[BoneCount]; // each bone's twist after the last update, degrees (IkBoneTwist)
    int heldBy;              // the limits holding the chain short (IkLimitFlag), while it waits
};

void ResetIkProgress(IkProgress &progress);

// Counts one update of solver kind, which took the pose from before to after toward target.
// A target other than last time, or a before other than the last after, restarts the count.
void RecordIkUpdate(IkProgress &progress, int kind, const IkPose &before, const IkPose &after,
                    const Vector3 &target, const IkSettings &settings);

struct IkChain {
    IkPose pose;
    IkProgress progress;
};

// Every solver on its own copy, started together from the pose on screen, whenever the target
// moves, the solver on screen changes or its pose was changed by something other than the
// solvers. The copy of the solver on screen therefore always equals the bones.
struct IkComparison {
    int running;
    Vector3 target;
    IkChain chains[IkSolverCount];
};

// The soft-reach plot: as a target moves out along a line through full reach, the distance from
// the root to the chain's end against the target's, with the analytic solver itself answering
// each, softened by zone and plainly, and where the target stands on it. Kept up to date by
// UpdateIkLab for the settings' soft zone; none (made 0) while soft reach is off.
const int IkSoftReachSamples = 96;
struct IkSoftReachPlot {
    double zone;     // the soft zone it was made for
    double from, to; // the target's distances, first and last sample
    double reach;    // the chain's full reach
    float softened[IkSoftReachSamples];
    float plain[IkSoftReachSamples];
    int made;
    double target; // the target's distance from the root, as the last update saw it
};
// Makes the plot for zone unless it is made for that zone already; drops it for a zone of 0.
void UpdateSoftReachPlot(IkSoftReachPlot &plot, double zone);

// What the scene shows of the settings, model space, for the chain on screen: the pole as an
// arrow from the elbow toward the side it asks for, and with the joint limits on the lower
// bone's cone at the root and the outline of the directions the elbow allows (a patch of the
// sphere round the elbow), with its one-way hinge's arc through the middle.
const int IkGuideArcPoints = 17;
struct IkGuides {
    int pole; // the pole arrow is shown
    Vector3 poleFrom, poleTo, poleHead[2];
    int limits; // the cone and the elbow's outline are shown
    Vector3 root;
    Vector3 coneRim[2 * IkGuideArcPoints]; // a closed ring, first point again last
    Vector3 elbowOutline[4 * IkGuideArcPoints];
    Vector3 hinge[IkGuideArcPoints];
};

// The guides for the bones as they stand, the target and the settings; none unless shown.
void MakeIkGuides(IkGuides &guides, int shown, const Vector3 &target, const IkSettings &settings);

// Everything the lab keeps from one update to the next: the chain on screen's progress, the
// comparison and the soft-reach plot.
struct IkLab {
    IkProgress progress; // the chain on screen
    IkComparison comparison;
    IkSoftReachPlot softReach;
};

// One update of solver kind on the bones toward target (SolveIkStepToward itself for the
// incremental solver), recorded in lab.progress, and one update of every compared chain while
// compare is on.
void UpdateIkLab(IkLab &lab, int kind, const Vector3 &target, const IkSettings &settings,
                 int compare);

// Forgets the progress, stops the comparison and drops the soft-reach plot: for entering the
// inverse mode.
void ResetIkLab(IkLab &lab);
