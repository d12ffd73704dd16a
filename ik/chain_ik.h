#pragma once

#include "ik/ik_solvers.h"
#include "math/vec3d.h"

#include <vector>

// Inverse kinematics on a chain of any number of joints: a spine, a tail, a tentacle, or the
// limb's two bones taken as such a chain. Everything here works on the chain handed in and
// keeps nothing between calls, so several solvers can run side by side on copies of one pose.
//
// The solvers think in the bones' directions, as the two-bone ones do, and write each joint's
// turn as the plain swing of its bone onto its new direction after the twist it already had
// (kept within its range): so no solver twists a bone about its own length, and a twist range
// only keeps what the pose started with.

// A rotation as a unit quaternion, w + xi + yj + zk.
struct IkTurn {
    double w = 1.0, x = 0.0, y = 0.0, z = 0.0;
};

IkTurn TurnTimes(const IkTurn &a, const IkTurn &b);
Vec3d Rotated(const IkTurn &q, const Vec3d &v);
// The turn about the unit vector axis by degrees.
IkTurn TurnAbout(const Vec3d &axis, double degrees);

// What one joint allows, about its bone's direction at rest (in its parent's frame): the bone
// leans at most maxSwing degrees from it (a cone), and turns about itself from minTwist to
// maxTwist degrees.
struct IkJointLimits {
    double maxSwing = 180.0;
    double minTwist = -180.0, maxTwist = 180.0;
};

// The chain: joint 0 at base, turning in the frame baseTurn (its parent's world rotation);
// joint i's frame at rest is its parent's turned by restTurns[i] (none: the parent's own, as on
// a chain built straight), and bones[i] runs from joint i to joint i + 1 in that frame, the last
// one to the chain's end. limits has a row per joint, or none for a chain without limits.
struct IkChainShape {
    Vec3d base = {0.0, 0.0, 0.0};
    IkTurn baseTurn;
    std::vector<IkTurn> restTurns;
    std::vector<Vec3d> bones;
    std::vector<IkJointLimits> limits;
};

// Each joint's turn from its rest, in its parent's frame; as many as the chain has joints.
struct IkChainPose {
    std::vector<IkTurn> turns;
};

inline int IkChainJoints(const IkChainShape &shape) {
    return (int)shape.bones.size();
}

// The rest pose: every turn the identity.
IkChainPose IkChainRest(const IkChainShape &shape);

// The joints' positions and the end, joint count + 1 points.
void IkChainPoints(const IkChainShape &shape, const IkChainPose &pose, std::vector<Vec3d> &points);
Vec3d IkChainEnd(const IkChainShape &shape, const IkChainPose &pose);

// The bones' lengths added: full reach.
double IkChainLength(const IkChainShape &shape);

// Joint i's swing (how far its bone leans from rest, degrees, 0 to 180) and twist (degrees about
// the bone, in (-180, 180]).
double IkChainSwing(const IkChainShape &shape, const IkChainPose &pose, int i);
double IkChainTwist(const IkChainShape &shape, const IkChainPose &pose, int i);

// Whether every joint keeps its limits, allowing slack degrees of rounding (1 for a chain
// without limits).
int IkChainWithinLimits(const IkChainShape &shape, const IkChainPose &pose, double slack);

// Whether solver kind works on a chain of jointCount joints; when not, *reason (if asked for)
// says why in a few words for the panel: the incremental solver belongs to the limb, the
// analytic one to two-joint chains.
int IkChainSolverFits(int kind, int jointCount, const char **reason);

// One update of solver kind (ccd, fabrik, dls, or analytic on two joints) on pose toward target:
// up to settings.iterations passes, stopping within settings.tolerance. Without limits a target
// beyond full reach leaves the chain straight, pointing at it. With settings.jointLimits on,
// the limits of shape are kept: the start is first brought within them, no update leaves the end
// farther from the target than that start, and where the limits hold the chain short the update
// ends as near as the limit-keeping poses round it allow. A kind that does not fit the chain
// changes nothing. Returns the passes made, 0 when the pose is left as it was (the analytic
// solver counts its closed form as one pass).
int UpdateIkChain(int kind, const IkChainShape &shape, IkChainPose &pose, const Vec3d &target,
                  const IkSettings &settings);
