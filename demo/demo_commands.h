#pragma once

#include "math/math3d.h"

// What a key, a mouse gesture or a control of the on-screen panel asks the demo to do. Whoever
// asks only names the command; the application runs every command the same way, so a click on
// the panel and the matching key press have exactly the same effect.
enum DemoCommandType {
    CommandNone = 0,
    CommandQuit,
    CommandTogglePlay,
    CommandToggleForward,
    CommandToggleInverse,
    CommandToggleWireframe,
    CommandToggleBones,
    CommandToggleNormals,
    CommandToggleTextures,
    CommandToggleRotation,
    CommandFaster, // speed and target step one step up
    CommandSlower, // and down
    CommandTogglePanel,
    CommandResetCamera,    // tilt and distance back to their start values
    CommandSaveScreenshot, // the frame on screen into a new numbered file
    CommandSetJointAngle,  // index: 0 bone 0 about X, 1 bone 1 about X, 2 bone 1 about Z,
                           // 3 bone 1 about its own axis (Y, the twist); value: degrees
    CommandSetTarget,      // point: the IK target, kept inside the target's box
    CommandSteer,          // a steering key pressed: index the axis (0 Left/Right, 1 Up/Down,
                           // 2 Page Up/Down, 3 Q/E), value the direction (-1 or +1). Forward
                           // mode: that joint's velocity; inverse mode: moves the target
                           // (axis 3, the twist, does nothing there)
    CommandStopSteer,      // a steering key released: index the axis whose joint stops

    // The inverse-kinematics lab. The solver and its settings change how the chain moves from
    // now on; the pose stays as it is.
    CommandSetIkSolver,     // index: an IkSolverKind
    CommandNextIkSolver,    // the next solver, wrapping round
    CommandToggleIkCompare, // every solver also on its own copy of the pose, drawn as lines
    CommandStepIk,          // inverse mode only: freeze the solver and ask for one more update
    CommandRunIk,           // a frozen solver runs every frame again
    CommandSetIkSetting,    // index: an IkSettingIndex; value: its new value, kept in range

    // The skinning lab.
    CommandSetSkinningMethod,   // index: a SkinningMethod
    CommandCycleSkinningMethod, // the next method, after the last the first
    CommandToggleWeightsView,
    CommandToggleVolumeView,
    CommandToggleRadiusView,
    CommandToggleRestPoseView,
    CommandToggleSideBySide, // also stands the camera back to SideBySideViewDistance at least
    CommandInspectVertex,    // index: the skin vertex to inspect, -1 (or no vertex) for none
    CommandSetRingWeight,    // index: an editable ring (FirstEditableRing to LastEditableRing);
                             // value: its weight on bone 1, kept within 0 to 1
    CommandRestoreWeights,   // every ring back to its built-in weight
    CommandSetPose,          // index: a SkinPoseKind; the forward mode, every joint at the pose's
                             // angles and held there; the camera and the rest stay as they are
    // A model from a file (demo/shown_model.h):
    CommandSetModelClip, // index: the clip to play from its start, -1 for every clip together
    CommandSetModelTime, // value: the time on the clip to hold the model at, paused
    CommandShowBuiltIn,  // index: 0 the limb, 1 the tentacle (a model from a file is dropped)
    CommandSetIkChain,   // index: the model's chain's end joint; value: how many joints move
    CommandSelectJoint,  // index: the model's joint the weights view and the keys work on, -1 none
    CommandClearJointTurns, // every joint of the model back to the clip's pose
    CommandSetModelJointTurn, // index: 0 X, 1 Y, 2 Z; value: the selected joint's turn, degrees
    CommandToggleStretchView, // the skinning lab's fourth colour view, after the radius view
    CommandDismissModelFault, // the message on a file that could not be opened goes away
};

// What CommandSetIkSetting sets, in demoState.ik.
enum IkSettingIndex {
    IkSettingIterations, // passes per update (ccd, fabrik, dls), IkMinIterations to IkMaxIterations
    IkSettingTolerance,  // IkMinTolerance to IkMaxTolerance
    IkSettingPoleAngle,  // degrees, kept within -180 to 180
    IkSettingPoleFixed,  // 0 keeps the bend plane the chain has, else always the pole's
    IkSettingJointLimits,
    IkSettingDamping,  // dls's lambda, IkMinDamping to IkMaxDamping
    IkSettingSoftZone, // analytic's soft zone, 0 (off) to IkMaxSoftZone
};

// What running a command asks of the program beyond the state it changed. A combination of
// these bits; 0 for most commands.
enum DemoCommandOutcome {
    CommandEndsRun = 1,         // the window is to be destroyed (Escape)
    CommandWantsScreenshot = 2, // the frame shown next is to be saved as a numbered file
};

struct DemoCommand {
    int type;
    int index;
    double value;
    Vector3 point;
};

// Commands collected while the panel is built, run by the application afterwards.
const int MaxQueuedCommands = 16;

struct DemoCommandQueue {
    int count;
    DemoCommand commands[MaxQueuedCommands];
};

// Appends command; a full queue keeps the commands it has (the rest wait for the next frame's
// clicks, which a person cannot outpace).
inline void QueueCommand(DemoCommandQueue &queue, const DemoCommand &command) {
    if (queue.count < MaxQueuedCommands)
        queue.commands[queue.count++] = command;
}
