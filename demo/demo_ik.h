#pragma once

#include "lab/ik_lab.h"

// The inverse-kinematics lab as the demo runs it: the solver, target and settings of demoState.

// What the lab keeps between frames for the chain on screen.
extern IkLab ikLab;

// One corrective pass of the incremental solver toward demoState.target (SolveIkStepToward).
void SolveIkStep();

// Whether the frame's solver update runs: always, unless demoState.ikFrozen is on, when only a
// pending step (Space) runs, and is taken off the count. The limb's and a model's chain alike.
int TakeIkUpdate();

// The frame's solver update, run by UpdateSkeletonAndSkin in the inverse mode once the bone
// matrices are built: UpdateIkLab for demoState's solver, target, settings and comparison. While
// demoState.ikFrozen is on, it runs only for a pending step.
void UpdateIk();

// The guides for the bones as they stand and demoState: shown in the inverse mode for every
// solver but the incremental one (whose rules know neither), and for all while comparing.
void MakeIkGuides(IkGuides &guides);

// Freezes the solver and asks for one more update, which the next frame makes.
void StepIk();

// Forgets the progress and stops the comparison: for entering the inverse mode.
void ResetIkLab();
