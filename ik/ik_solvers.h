#pragma once

#include "math/colour.h"
#include "math/math3d.h"
#include "rig/bones.h"

// The inverse-kinematics solvers, side by side on the same two-bone chain. The incremental one
// nudges rotX and rotZ of bones 0 and 1; the others answer with each bone's rotation the plain
// swing of its rest axis (+Y) onto its new direction, so they never twist a bone about its own
// length, every angle within (-180, 180]. Each works on a pose record, so that several can run
// on their own copies of the angles from the same start.

// How the solvers other than the incremental one work; the incremental solver reads none of it.
struct IkSettings {
    int iterations = 10;      // passes per update of the ccd, fabrik and dls solvers, 1 to 20
    double tolerance = 0.001; // they stop within this distance; the progress calls it reached
    int poleFixed = 0;        // analytic bend plane: 0 keeps the plane the chain bends in now
                              // (the pole decides only for a straight chain), 1 always the pole
    double poleAngle = 0.0;   // the pole: the side the elbow goes to, degrees about the vertical;
                              // 0 is toward -z, turning as the bones' Y angle does
    int jointLimits = 0;      // keep the lower bone upright enough and the elbow one-way
    double damping = 0.3;     // dls: lambda, what keeps its steps finite near a straight chain
    double softZone = 0.0;    // analytic: the width below full reach where the chain straightens
                              // smoothly instead of snapping; 0 is off
};

// The ranges the controls keep the settings in.
const int IkMinIterations = 1;
const int IkMaxIterations = 20;
const double IkMinTolerance = 1e-5;
const double IkMaxTolerance = 0.1;
const double IkMinDamping = 0.01;
const double IkMaxDamping = 1.0;
const double IkMaxSoftZone = 0.5;

enum IkSolverKind {
    IkSolverIncremental, // the original pass: small nudges per frame (SolveIkStep)
    IkSolverAnalytic,    // closed form: law of cosines for the elbow, a pole for the plane
    IkSolverCcd,         // cyclic coordinate descent, end joint first
    IkSolverFabrik,      // forward and backward reaching on the joint positions
    IkSolverDls,         // damped least squares on the Jacobian of the joints' turns
    IkSolverCount,
};

// The joint angles of both bones, degrees, as the bones hold them.
struct IkPose {
    double rotX[BoneCount];
    double rotY[BoneCount];
    double rotZ[BoneCount];
};

IkPose PoseOfBones();

// Writes the pose's angles into the bones and rebuilds their matrices.
void SetBonesToPose(const IkPose &pose);

// Same angles, bit for bit.
int SamePose(const IkPose &a, const IkPose &b);

// One row per solver, in IkSolverKind order: every list of solvers the program shows (the
// options, the keys, --help, the panel, the compare view's colours and legend, --stats) reads
// this table, so a new solver is one row and its function.
struct IkSolverInfo {
    const char *name;  // in options, --stats and the panel's list: "fabrik"
    const char *label; // what it does, in a few words
    ColourRgb colour;  // its chain in the compare view, and its swatch in the legend
    // One update on pose toward target (see RunIkUpdate).
    void (*update)(IkPose &pose, const Vector3 &target, const IkSettings &settings);
};

// Sized by its rows, so that the count check in its definition means something.
extern const IkSolverInfo ikSolvers[];

// kind when it is a solver, else the incremental one: how every reader of demoState.ikSolver
// treats a number that is no solver.
int ValidIkSolver(int kind);

// The solver's name; null for a number that is no solver.
const char *IkSolverName(int kind);

// The kind with that name, or -1.
int IkSolverFromName(const char *name);

// The next kind after kind, wrapping round: what a key that cycles the solvers selects.
int NextIkSolver(int kind);

// The names of every solver as a list a sentence can hold: "incremental, analytic, ccd and
// fabrik".
const char *IkSolverList();

// One update of solver kind on pose toward target. The incremental solver runs SolveIkStep on
// the bones with pose's angles and puts the bones back as they were, so on a copy it gives
// what it gives on the bones. The others ignore the incremental solver's rules (3 units, the
// line through the origin); ccd, fabrik and dls make up to settings.iterations passes and stop
// once the end is within settings.tolerance.
void RunIkUpdate(int kind, IkPose &pose, const Vector3 &target, const IkSettings &settings);

// The chain's elbow and end for pose, from the real bone matrices (FindEndEffector), leaving
// the bones exactly as they were.
void PoseChainPoints(const IkPose &pose, Vector3 &elbow, Vector3 &end);

// The side the pole asks the elbow to bend toward for target: the pole's level direction, its
// part at right angles to the line from the root to the target, as a unit vector (zero when
// the pole lies along that line).
Vector3 IkPoleSide(const Vector3 &target, const IkSettings &settings);

// Full reach of the chain: the two bones' lengths added.
double IkChainReach();

// Soft reach (the analytic solver, settings.softZone > 0): for a target d from the root, the
// distance the chain aims at along the line to it. Below reach - zone, d itself; above,
// (reach - zone) + zone * (1 - e^(-(d - (reach - zone)) / zone)), which nears full reach
// without ever getting there, so the elbow straightens smoothly instead of snapping.
double IkSoftReachDistance(double d, double reach, double zone);

// Joint limits, when settings.jointLimits is on (the incremental solver ignores them). They are
// about directions, so they mean the same whatever angles a pose holds:
//  - the lower bone stays within IkLowerBoneMaxTilt degrees of upright, as far as the mesh
//    can lean before its lower rings dip into the floor;
//  - the elbow bends one way only: the upper bone's direction in the lower bone's frame is
//    Rx(bend) * Rz(side) * +Y with bend from IkElbowMinBend to IkElbowMaxBend (toward the
//    lower bone's +Z) and side, its lean out of that plane, within plus or minus
//    IkElbowMaxSideBend.
// With limits on, an update of any solver but the incremental one never leaves the chain's
// end farther from the target than the limit-keeping start was, and where the limits hold the
// chain short it ends (within 0.002) as near as any limit-keeping pose can.
const double IkLowerBoneMaxTilt = 17.0;
const double IkElbowMinBend = 0.0;
const double IkElbowMaxBend = 120.0;
const double IkElbowMaxSideBend = 60.0;

// Whether pose keeps the joint limits, allowing slack degrees of rounding.
int PoseWithinLimits(const IkPose &pose, double slack);

// Bone b's twist in pose, degrees: its own rotation split into a swing of +Y onto its direction
// and a turn about +Y before it; this is that turn.
double IkBoneTwist(const IkPose &pose, int b);

// The limits a pose sits on, as a set of flags.
enum IkLimitFlag {
    IkLimitLowerTilt = 1,     // the lower bone as far from upright as allowed
    IkLimitElbowStraight = 2, // the elbow straight, the least bend allowed
    IkLimitElbowBend = 4,     // the elbow at its greatest bend
    IkLimitElbowSide = 8,     // the elbow leaning sideways as far as allowed
};
int IkLimitsHolding(const IkPose &pose);

// The limits as the panel words them: "held by the elbow's 120-degree limit"; empty for none.
const char *IkLimitsText(int holding);
