#pragma once

#include "app/key_script.h"

#include <cstdio>

// Command-line options. With none the program runs interactively and prints nothing.
struct DemoOptions {
    int headless;               // render without a display
    int frames;                 // > 0: exactly this many ticks, each followed by one frame
    int stats;                  // print tick, frame and CPU figures at exit
    int noUi;                   // no on-screen panel: every frame is the scene alone
    const char *screenshotFile; // save the last frame here: PNG for ".png", else 24-bit BMP
    int ikSolver;               // the IkSolverKind to start with, 0 the incremental one
    int ikLimits;               // start with the IK joint limits on
    int skinningMethod;         // the SkinningMethod the run starts with (0, linear, when unset)
    int startPose;              // 1 + the SkinPoseKind the run starts in; 0 starts as always
    int inspectVertex;          // 1 + the skin vertex to inspect from the start; 0 for none
    int sideBySide;             // start with every method's limb side by side
    int hasWeights;             // weights holds the editable rings' weights on bone 1
    double weights[3];          // rings FirstEditableRing to LastEditableRing, 0 to 1
    int hasTarget;              // start in the inverse mode with the target at target
    double target[3];           // x, y and z, inside the target's box
    int hasJoints;              // start in the forward mode held at these joint angles:
    double joints[4];           // degrees, bone 0 about X, bone 1 about X, Z and its twist
    int hasCamera;              // start with the camera still, at camera
    double camera[3];           // its angle and tilt (degrees) and distance (eye units)
    int views;                  // the ViewOption bits the run starts with
    KeyScript keys;
    // A model from a file in the limb's place (desktop only): its path, the clip to play (its
    // name or number; null: every clip together), a time to hold it at, and where to write the
    // skinned mesh after the first frame (the limb's too).
    const char *modelFile;
    const char *clip;
    int hasTime;
    double time;
    const char *exportObjFile;
    const char *ikChain; // JOINT[:LENGTH], the model's IK chain (null: the whole last branch)
    const char *turn;    // JOINT:X,Y,Z, a joint of the model turned in the forward mode (or null)
};

// What --view turns on, each a bit of DemoOptions::views, in the order of ViewOptionNames.
enum ViewOption {
    ViewFilled = 1,     // the skin filled, not outlined (T)
    ViewNoMarkers = 2,  // no bone markers (B)
    ViewNormals = 4,    // the vertex normals (N)
    ViewNoTextures = 8, // (O)
    ViewWeights = 16,   // the colour views (W, V, D, and A below)
    ViewVolume = 32,
    ViewRadius = 64,
    ViewRestPose = 128, // (G)
    ViewPanel = 256,    // the panel open (F1)
    ViewStretch = 512,  // the stretch view (A)
};
const int ViewOptionCount = 10;
extern const char *const ViewOptionNames[ViewOptionCount];

enum OptionsOutcome {
    OptionsRun,
    OptionsHelp,
    OptionsInvalid, // error holds the reason
};

int ParseOptions(int argc, char **argv, DemoOptions &options, char *error, int errorSize);

// The options that start the demo as it is now, one to a line ("--camera=90,15,12"): the mode
// with its pose or target, the method, the views and the camera, so that a link made of them
// shows the same picture (the page's Copy link). Returns the length written.
int WriteLinkOptions(char *out, int size, int noUi);

void PrintUsage(std::FILE *out, const char *programName);
