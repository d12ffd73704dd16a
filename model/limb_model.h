#pragma once

// The limb as the demo's model: its skin, its two bones and the centres of rotation its weights
// give, set up together and kept consistent when a learner edits the weights.

// The skeleton and skin's share of the one-time scene set-up: triangles, vertex data, weights,
// bones and rest normals, and the centres of rotation. Needs no window, so tests and tools can
// build the scene on their own. Ends the process with exit code 1, silently, if the normal
// computation cannot get memory.
void InitSkinAndBones();

// Gives every vertex of an editable ring the weight on bone 1 weightOnBone1 (SetRingWeight) and
// works out the centres of rotation again; 1, or 0 (nothing changed) for any other ring.
int SetRingWeightOnBone1(int ring, double weightOnBone1);

// Every ring back to the built-in weights, and the centres with them.
void RestoreBuiltInWeights();
