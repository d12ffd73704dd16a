#pragma once

#include "skeleton/camera.h"
#include "skeleton/math3d.h"
#include "skeleton/skinning.h"

// The IK target's box, model space: inside the floor's square, between the floor's
// neighbourhood and just above the limb's reach. Keys, mouse and panel keep the target in it.
const float TargetMinXZ = -2.5f;
const float TargetMaxXZ = 2.5f;
const float TargetMinY = 1.0f;
const float TargetMaxY = 3.5f;

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

// A rectangle of the window in pixels, x right and y down from the client area's top-left
// corner, as mouse positions come.
struct SceneViewport {
    int x, y, width, height;
};

// Every setting and mode of the demonstration in one record. It belongs to the application
// shell, but it sits at the bottom of the dependency graph so that the solver can read the
// IK mode and target without knowing anything about windows. Flags are ints used as booleans.
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
    int radiusView = 0;    // the skin coloured by its distance from the bones against rest;
                           // at most one of the three colour views is on
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

// The scene's part of the window now: demoState.sceneViewport, or the whole client area when it
// has no pixels or does not fit in it.
SceneViewport SceneView();

// Puts every global of the skeleton layer back as the program starts, before the scene set-up:
// demoState at its start values; the bones, the skin's triangles, rest normals, vertices and
// determinants all zero. For tests, which share these globals between cases.
void ResetDemoGlobals();
