#pragma once

#include "math/dual_quaternion.h"
#include "math/math3d.h"
#include "mesh/skin_mesh.h"
#include "model/model.h"
#include "skinning/skinning.h"
#include "view/camera.h"

// Points along the arc the inspector draws, ends included.
const int InspectorArcPoints = 33;

// One of a vertex's influences: its joint, its weight and where its skin matrix alone puts the
// rest position.
struct InspectedInfluence {
    int joint;
    float weight;
    Vector3 alone;
};

// What the lab shows about one skin vertex of a model in a pose. A and B, below, are its first
// two influences (the limb's: bone 0's own matrix, and bone 0's then bone 1's).
struct VertexInspection {
    int vertex;
    int influenceCount; // 0: the vertex follows no joint and keeps its rest position
    InspectedInfluence influences[MaxInfluences];
    Vector3 restPosition;  // model space
    Vector3 firstPosition; // where A alone puts the rest position (rest without A)
    Vector3 chainPosition; // where B alone puts it (rest without B)
    SkinnedVertex methods[SkinningMethodCount]; // each method's result, by SkinningMethod
    int hasRotationCentre; // the vertex follows two joints or more and turns about a centre
    Vector3 restCentre;    // that centre at rest
    Vector3 carriedCentre; // and where linear blending carries it

    // The skin matrices and what the linear and the dual-quaternion blends make of them.
    Matrix4 firstMatrix;      // A's skin matrix (identity without one)
    Matrix4 chainMatrix;      // B's
    Matrix4 blendedMatrix;    // sum of w_i S_i, element by element
    DualQuaternion blendedDq; // the skin matrices' dual quaternions mixed by the weights (signs
                              // turned to the heaviest's side) and normalised

    // Distances from the joint's pivot (where B's bone starts, carried by A) and from the
    // skeleton (the nearest point of the model's segments), at rest and for each method's result.
    double restPivotDistance, restSkeletonDistance;
    double pivotDistance[SkinningMethodCount];
    double skeletonDistance[SkinningMethodCount];

    // The turn that takes A's position to B's: S_B S_A^-1, about its axis through the joint.
    // hasTurn is 0 when there is none (a straight joint, a vertex without two joints, a joint
    // with no segment starting from it); the arc is A's position turned by 0 to turnDegrees,
    // from A to B.
    int hasTurn;
    Vector3 jointPivot; // the joint, carried by A
    Vector3 turnAxis;   // unit, model space
    double turnDegrees; // 0 to 180
    Vector3 arc[InspectorArcPoints];
};

// Fills out for vertex of model in pose; 1, or 0 (out untouched) when vertex is no vertex.
int InspectVertex(const Model &model, const ModelPose &pose, int vertex, VertexInspection &out);

// How far off the drawn skin, in pixels, a pointer still counts as on it.
const double PickTolerancePixels = 4.0;

// The skin vertex a pointer at pixel (pointerX, pointerY) of a view width x height pixels
// (counted right and down from the top-left corner, as the renderer's viewport spans them)
// picks, for the skinned positions drawn last and camera; -1 when it is not on
// the skin. The skin under the pointer is the nearest to the eye of the triangles the pointer's
// pixel centre lies in; if it lies in none, the triangle whose edge passes nearest it, within
// PickTolerancePixels (of two sharing that edge, the nearer the eye). The pick is that
// triangle's corner nearest the pointer on screen. So a vertex hidden behind the near side of
// the limb is never picked through it. Triangles with a corner in front of the near plane are
// left out. A corner with two bones that its two transforms put less than
// StillBetweenTransforms apart (one on the joint's axis, where every method agrees) gives way,
// unless the pointer is within PickTolerancePixels of it, to the corner of the same triangle
// they move apart most, when that moves more.
const double StillBetweenTransforms = 0.01;
int PickVertex(const CameraView &camera, const Model &model, const ModelPose &pose,
               const SkinVertex *skin, int pointerX, int pointerY, int width, int height);

// PickVertex for the skin drawn at skin's positions moved by offset (a copy of the limb beside
// the others); 1 with out filled, or 0 (out untouched) when the pointer is not on it. out tells
// how far off the skin the pointer was, so that of several copies the one under it wins, and
// how near the eye the skin is there, for copies one behind another.
struct PickedVertex {
    int vertex;
    double distance;     // pixels from the skin on screen: 0 on it, up to PickTolerancePixels
    double inverseDepth; // 1 / depth there, eye units
};
int PickVertexOn(const CameraView &camera, const Model &model, const ModelPose &pose,
                 const SkinVertex *skin, const Vector3 &offset, int pointerX, int pointerY,
                 int width, int height, PickedVertex &out);
