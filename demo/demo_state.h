#pragma once

#include "ik/ik_solvers.h"
#include "math/math3d.h"
#include "skinning/skinning.h"
#include "view/camera.h"

// The IK target's box, model space: inside the floor's square, between the floor's
// neighbourhood and just above the limb's reach. Keys, mouse and panel keep the target in it.
const float TargetMinXZ = -2.5f;
const float TargetMaxXZ = 2.5f;
const float TargetMinY = 1.0f;
const float TargetMaxY = 3.5f;

// Every setting and mode of the demonstration in one record. Only the demo's own update, the
// application and the panel read it: everything below takes what it needs as parameters. Flags
// are ints used as booleans.
struct DemoState {
    int windowWidth = 800; // outer size at start-up, lowered to the screen size if larger
    int windowHeight = 600;
    int clientWidth = 0; // drawable size in pixels, from every resize
    int clientHeight = 0;
    double aspect = 0.0; // the scene viewport's width / height, recomputed every frame
    // The part of the window the scene is drawn in; no width or height means the whole client
    // area. The renderer, the camera's projection, picking and the mouse gestures all use it.
    SceneViewport sceneViewport = {0, 0, 0, 0};

    int wireframe = 1; // skin drawn as outlines; bone markers only shown in this mode
    int hideBones = 0;
    int showNormals = 0;
    int texturesOff = 0;
    int rotateView = 1;

    int playAnimation = 1; // at most one of these three is on after any mode key
    int fkMode = 0;
    int ikMode = 0;

    double speed = 1.0;                  // degrees per tick; 0.5 to 4.0 in steps of 0.5
    double targetStep = (double)0.1f;    // scene units per key press; 0.01 to 0.25
    int jointVelocity[3] = {1, 1, 1};    // whole degrees per tick: bone 0 X, bone 1 X, bone 1 Z
    double viewAngle = 0.0;              // camera yaw, degrees, kept below 360
    Vector3 target = {0.0f, 0.0f, 0.0f}; // IK target, model space

    // Mouse camera and on-screen panel; left at these values, the demo is as the keys make it.
    double viewTilt = CameraStartTilt;         // degrees the camera looks down
    double viewDistance = CameraStartDistance; // eye units from the camera to the scene
    int cameraDragging = 0; // the mouse is orbiting the camera: its rotation waits
    int panelOpen = 0;      // the panel shows its controls, not just its title bar

    // The skinning lab; left at these values, the skin is deformed and drawn as without it.
    int skinningMethod = SkinningLinear; // a SkinningMethod
    int inspectedVertex = -1;            // the skin vertex whose data is shown, -1 for none
    int twistVelocity = 0; // whole degrees per tick of bone 1 about its own axis (its rotY),
                           // forward mode only; the play animation never twists
    int weightsView = 0;   // the skin coloured by each vertex's weight on bone 1
    int volumeView = 0;    // the skin coloured by how much volume its blend keeps there
    int radiusView = 0;    // the skin coloured by its distance from the bones against rest
    int stretchView = 0;   // each triangle coloured by its area against rest; at most one of
                           // the four colour views is on
    int sideBySide = 0;    // the limb once per skinning method, in a row across the screen
    int restPoseView = 0;  // the rest-pose skin as a faint wireframe behind the posed one

    // Inverse-kinematics lab; left at these values, the solver is the incremental one.
    int ikSolver = 0;       // an IkSolverKind, the incremental one
    IkSettings ik;          // how the other solvers work
    int ikFrozen = 0;       // the solver waits, except for pending steps
    int ikStepsPending = 0; // updates asked for one at a time while frozen, one per frame
    int ikCompare = 0;      // every solver also runs on its own copy of the pose
};

extern DemoState demoState;

// 1 when every field of a and b is equal, field by field: what the decision to redraw compares.
int SameSettings(const DemoState &a, const DemoState &b);

// The scene's part of the window now: demoState.sceneViewport, or the whole client area when it
// has no pixels or does not fit in it.
SceneViewport SceneView();

// The camera as demoState has it, for the scene drawn in SceneView(), at the distance the last
// frame was drawn from (FrameViewDistance).
CameraView SceneCamera();

// Puts every global of the core back as the program starts, before the scene set-up: demoState
// at its start values; the IK lab, the frame's record and limbModel empty; the bones, the skin's
// triangles, rest normals and vertices all zero. For tests, which share these globals between
// cases.
void ResetDemoGlobals();
