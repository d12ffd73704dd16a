#pragma once

#include "ik/chain_ik.h"
#include "lab/ik_lab.h"
#include "model/model.h"

#include <string>
#include <vector>

// The IK lab on a chain of a model's skeleton: the end joint and the joints above it that move,
// every solver that fits the chain on its own copy of the pose from the same start, and each
// one's distance after every update for one plot. The chain on screen is one of the copies.

// The joints of the chain ending at endJoint with length joints (0: every joint up to the root),
// root first, into joints; 0 when endJoint is no joint of rig.
int ChainJoints(const Rig &rig, int endJoint, int length, std::vector<int> &joints);

// The joint named or numbered by text ("tentacle7", "7"), or -1.
int JointOfText(const Rig &rig, const std::string &text);

// The chain's end as the end joint carries it at rest, in that joint's own space: the far end of
// the skeleton's piece the joint carries (the limb's upper bone, a tentacle's segment), else its
// first child's place (a file's joints, whose pieces run from parent to child), else its own
// origin (a file's last joint, whose turn then moves nothing).
Vector3 ChainTipOf(const Model &model, const std::vector<Matrix4> &restLocals, int endJoint);

// The limits every joint of a model's chain keeps with the joint limits on: a lean from its rest
// within ChainMaxSwing degrees, a twist within plus or minus ChainMaxTwist. The same for every
// joint, so that a chain of any model has them without a table of its own.
const double ChainMaxSwing = 40.0;
const double ChainMaxTwist = 20.0;

struct ChainLab {
    int active = 0;
    std::vector<int> joints; // root first
    Vector3 tip;             // the end joint's tip in its own space
    IkChainShape shape;        // as the base pose holds the chain, the last update's
    IkChainPose poses[IkSolverCount];
    // Each solver's distance after each of its updates since the start, IkHistoryLength at most
    // (the oldest dropped), and its passes in all and in its last update.
    std::vector<float> history[IkSolverCount];
    int passes[IkSolverCount];
    int lastPasses[IkSolverCount];
    double distance[IkSolverCount];
    int updates;
    Vector3 target; // model space, the last update's
};

// A fresh start on the chain ending at endJoint with length joints: every copy at the base pose.
// 0 (and lab inactive) when endJoint is no joint.
int StartChainLab(ChainLab &lab, const Model &model, const std::vector<Matrix4> &baseLocals,
                  int endJoint, int length);

// Every copy back at the base pose, the counts cleared; the chain kept.
void RestartChainLab(ChainLab &lab);

// One update of every solver that fits the chain toward target (model space), the chain standing
// on baseLocals (the pose the model has without the chain's turns).
void UpdateChainLab(ChainLab &lab, const Model &model, const std::vector<Matrix4> &baseLocals,
                    const Vector3 &target, const IkSettings &settings);

// baseLocals with solver kind's turns on the chain's joints: the local matrices to pose the model
// with.
void ChainLocals(const ChainLab &lab, int kind, const std::vector<Matrix4> &baseLocals,
                 std::vector<Matrix4> &locals);

// The solver shown on the chain for the one asked for: itself when it fits, else ccd.
int ChainSolverShown(const ChainLab &lab, int kind);

// The chain's joints and end for solver kind, model space (joint count + 1 points).
void ChainLabPoints(const ChainLab &lab, int kind, std::vector<Vec3d> &points);
