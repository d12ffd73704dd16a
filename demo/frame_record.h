#pragma once

#include <vector>

#include "demo/demo_state.h"
#include "ik/ik_solvers.h"
#include "lab/ik_lab.h"
#include "lab/side_by_side.h"
#include "lab/skin_radius.h"
#include "lab/stretch.h"
#include "lab/vertex_inspector.h"
#include "mesh/skin_mesh.h"
#include "model/model.h"
#include "rig/bones.h"

// What one frame shows, worked out once by the update and then only read: the drawing, the
// panel, --stats and the decision whether to draw at all take every figure from here, so no two
// of them can disagree or redo each other's work.

// One chain's standing on the target as it is now.
struct IkChainFigures {
    int known;       // 0: no update toward this target yet (the count starts with the next one)
    double distance; // from its end to the target after its last update
    int status;      // an IkStatus
    int updates;     // since the target moved or the pose was changed by something else
    double twist[BoneCount]; // each bone's twist about its own length, degrees
    int heldBy;              // the joint limits holding it short (IkLimitFlag), or 0
    int sameAs; // compared chains: an earlier solver whose chain lies on this one, or -1
};

struct FrameRecord {
    // What the scene is drawn from, besides the state record.
    double viewAngle;       // the camera yaw this frame is drawn from, degrees
    SceneViewport viewport; // where the scene goes in the window
    double aspect;          // the viewport's width over its height
    double fieldOfView;     // vertical, degrees (ViewFieldOfView)
    // The camera stands no closer than this to the scene for this frame's skin (its copies'
    // too), tilt and yaw (ClearDistanceFor); worked out from what SameScene compares.
    double clearDistance;

    const Model *model;               // what the skin is: its triangles, rest data and weights
    int modelRevision;                // its weights' revision when the record was made
    std::vector<Bone> markerPose;     // the pose before this frame's update: the markers
    std::vector<Bone> pose;           // the pose after it
    ModelPose skinPose;               // the model's joint matrices after it
    std::vector<SkinVertex> skin;     // the skin after the update
    std::vector<float> determinants;  // of each vertex's blend, under the method on screen (1 each
                                      // while the volume view, which alone shows them, is off)
    std::vector<float> radiusRatios;  // each vertex's distance from the skeleton against rest
    std::vector<float> stretchRatios; // each triangle's area against rest (TriangleStretch)
    // The joint whose weights the weights view paints (the limb's bone 1, or the model's
    // selected joint), or -1: every vertex in the mix of its joints' colours (a model with no
    // joint selected).
    int weightsJoint;
    // Each vertex's centre of rotation where linear blending carries it (the point the
    // centre-of-rotation method turns it about); hasCentre 0 for a vertex without. Worked out
    // only where they are drawn, with an inspected vertex under that method; 0 otherwise.
    std::vector<int> hasCentre;
    std::vector<Vector3> carriedCentres;
    int sideBySide;      // every method's copy is drawn, from copies
    MethodCopies copies; // empty unless sideBySide
    int inspected;       // 1 when inspection holds demoState.inspectedVertex
    VertexInspection inspection;

    Vector3 endEffector;               // the chain's end after the update
    int comparisonDrawn;               // the compared chains are shown beside the limb
    Vector3 chainElbow[IkSolverCount]; // each compared chain's joints, model space
    Vector3 chainEnd[IkSolverCount];
    IkGuides ikGuides; // the pole and the limits, drawn in the scene
    // A model's IK chain in the inverse mode, scene space: each solver's joints and end, empty
    // for a solver not drawn (all but the one shown unless comparing); endEffector is the shown
    // one's end.
    std::vector<Vector3> modelChains[IkSolverCount];
    int selectedJoint; // the shown model's selected joint, marked on its skeleton; -1 for none

    // Figures only the panel and --stats show: they can change while the scene stands still, as
    // the count of updates on a reached target does. SameScene leaves them out.
    IkChainFigures ik; // the limb's own solver
    IkChainFigures compared[IkSolverCount];
    double volumePercent;    // the limb's volume against the rest pose's
    RadiusExtremes radius;   // the extremes of radiusRatios
    StretchExtremes stretch; // the extremes of stretchRatios
};

// 1 when a and b draw the same picture (given the same state record): every field above the
// panel's figures is equal, field by field. A field added to the record must be added here too,
// which the size check beside it enforces.
int SameScene(const FrameRecord &a, const FrameRecord &b);

extern FrameRecord frameRecord;

// The distance record is drawn from: the zoom's, or farther where the skin would come nearer
// the eye than CameraMinDepth. The scene, picking and the panel's marks all use it.
double FrameViewDistance(const FrameRecord &record);

// Every figure above of model for the pose in record.skinPose whose skin is in record.skin (the
// viewAngle set): the determinants under method (when determinantsShown, else 1 each: a large
// model's frame need not pay for a view that is off), the centres, the volume, the radius, every
// method's copy when sideBySide, and the inspection of inspectedVertex. The frame's update of any
// model ends with it; the limb's runs it for limbModel.
// The copies side by side stand copySpacing scene units apart; weightsJoint as in the record.
void RecordModelFigures(FrameRecord &record, const Model &model, int method, int sideBySide,
                        int inspectedVertex, double copySpacing, int weightsJoint,
                        int determinantsShown);

// The frame's update, in order: keep the markers' pose, UpdateSkeletonAndSkin (which runs the
// IK pass in the inverse mode), then every figure above from the state it leaves, for limbModel.
// Also sets demoState.aspect from the viewport.
void UpdateFrame(FrameRecord &record, double viewAngle, const SceneViewport &viewport);

// The per-frame update: rebuild the bone matrices, run one solver pass in the IK mode, then
// deform every skin vertex from its rest data by demoState.skinningMethod (so errors never
// accumulate across frames).
void UpdateSkeletonAndSkin();
