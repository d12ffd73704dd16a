#pragma once

#include "model/model.h"

// The limb as the demo's model: its skin, its two bones and the centres of rotation its weights
// give, set up together and kept consistent when a learner edits the weights. The bones and the
// skin keep their own records (bones, skinVertices, ...), which the keys, the solvers and the
// drawing use; limbModel is the same limb as the general core sees it.

// A two-joint rig, joint 1 the child of joint 0, bound at the identity: each bone's matrix turns
// model space about its pivot, so it is the joint's local matrix and, carried by its parent's,
// its skin matrix. Its mesh: the skin's 49 vertices with (joint 0, weight), (joint 1, 1 - weight)
// each, or none for the bottom ring. Its segments: the lower bone from its pivot to the joint,
// which it carries, and the upper bone from there to its tip.
extern Model limbModel;

// The skeleton and skin's share of the one-time scene set-up: triangles, vertex data, weights,
// bones and rest normals, limbModel and its centres of rotation. Needs no window, so tests and
// tools can build the scene on their own. Ends the process with exit code 1, silently, if the
// normal computation cannot get memory.
void InitSkinAndBones();

// Gives every vertex of an editable ring the weight on bone 1 weightOnBone1 (SetRingWeight) and
// works out the centres of rotation again; 1, or 0 (nothing changed) for any other ring.
int SetRingWeightOnBone1(int ring, double weightOnBone1);

// Every ring back to the built-in weights, and the centres with them.
void RestoreBuiltInWeights();

// Takes the weights and bones of skinVertices into limbModel, and works out its centres again:
// for whoever changes them there directly.
void LimbWeightsChanged();

// limbModel's joints' local matrices for the bones as they stand (bones[b].matrix, built by
// BuildBoneMatrices), and the world and skin matrices from them.
void PoseOfLimb(ModelPose &pose);

// Deforms every skin vertex (skinVertices' positions and normals) from its rest data by method
// (linear blending for a number that is no method), from the current bone matrices, through
// limbModel's skin matrices and the method's kernel.
void SkinMeshWith(int method);

// Puts limbModel back as the program starts, empty: for tests, which share the globals.
void ResetLimbModel();
