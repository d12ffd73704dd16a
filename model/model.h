#pragma once

#include "math/math3d.h"
#include "mesh/skinned_mesh.h"
#include "rig/rig.h"
#include "skinning/skin_kernels.h"

#include <vector>

// A model as one value: its rig, its skinned mesh, the centres of rotation its weights give and
// the skeleton's pieces the labs measure from. The frame's update, the kernels and the labs are
// handed it; none of them keeps a model of its own.

// A straight piece of the skeleton, from restFrom carried by joint fromJoint to restTo carried by
// joint toJoint: the radius view measures each vertex's distance from the nearest piece. Each end
// names the joint that moves it, so a piece that starts at a joint its parent carries (the limb's
// upper bone) starts exactly where the parent puts it.
struct BoneSegment {
    Vector3 restFrom, restTo;
    int fromJoint, toJoint;
};

struct Model {
    Rig rig;
    SkinnedMesh mesh;
    RotationCentres centres;
    std::vector<BoneSegment> segments;
    // An open ring of the surface, closed by a fan for the volume (the limb's bottom, which
    // stands on the floor): its first vertex and its size, 0 for a model without one.
    int openRingStart = 0, openRingSize = 0;
    // Counts every change of the mesh's weights, so that whatever was worked out from them (the
    // centres here, a picture on screen) can tell it is out of date.
    int revision = 0;
    double centresMilliseconds = 0.0; // how long the centres last took to work out
    // 1 while the centres are being worked out between frames (see the shown model): the
    // centre-of-rotation method blends linearly meanwhile.
    int centresPending = 0;
    // Whether the triangles (with the open ring's fan) close a volume (IsClosedSurface): a volume
    // figure is given only for a mesh that does.
    int closedSurface = 0;
    // Each vertex's distance at rest from the nearest segment at rest (skeleton_distance.h),
    // which the radius view divides by every frame: worked out with the closed surface, from
    // the rest positions and segments as they then stand.
    std::vector<double> restSkeletonDistances;
    // Each triangle's area at rest, which the stretch view divides by, worked out with them.
    std::vector<double> restTriangleAreas;
    // Each side of the triangles once, as pairs of vertices (MeshEdges): the outline drawn.
    std::vector<int> edges;
};

// One pose of a model: each joint's local matrix, and what follows from them.
struct ModelPose {
    std::vector<Matrix4> locals;
    std::vector<Matrix4> worlds;
    std::vector<Matrix4> skins; // world x inverse bind
};

// Sizes pose for model's joints and works out the world and skin matrices from pose.locals.
void PoseModel(const Model &model, ModelPose &pose);

// What the kernels read for model in pose.
SkinInput SkinInputOf(const Model &model, const ModelPose &pose);

// Works out the centres of rotation again after the weights changed, and counts the change.
// Called once when a model is made, it also finds whether its surface is closed and how far each
// vertex stands from the skeleton and how large each triangle is, at rest, and lists its edges.
void WeightsChanged(Model &model);

// The same, but the centres are left to be worked out later, a slice at a time
// (StartRotationCentres): they are emptied and the model marked centresPending. What loads a model
// of any size calls it, so that loading is not held up by them.
void WeightsChangedCentresLater(Model &model);
