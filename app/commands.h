#pragma once

#include "demo/demo_commands.h"
#include "demo/demo_state.h"

// Runs one command on demoState (and, for the modes and joint angles, on the bones). Every way
// of asking (keys, mouse, panel) goes through here or through the functions below, so they all
// share the same state and the same bounds. Returns what else the command asks of the program:
// a combination of the DemoCommandOutcome bits (CommandEndsRun, CommandWantsScreenshot), or 0.
int RunCommand(const DemoCommand &command);

// The same, for commands that carry no values.
int RunSimpleCommand(int type);

// Turns the camera by yaw degrees about the vertical and tilts it by tilt degrees, kept between
// the lowest and highest tilt. The yaw stays in [0, 360).
void OrbitCamera(double yaw, double tilt);

// Moves the camera along its line of sight: notches > 0 closer, < 0 away, each notch a tenth of
// the distance, within the nearest and farthest distance.
void ZoomCamera(double notches);

// Sets the IK target, kept inside its box: x and z in [-2.5, 2.5], y in [1, 3.5].
void SetTargetWithinBounds(const Vector3 &target);

// Conversion of a double to int by truncation toward zero, as the velocity rules use it.
inline int TruncToInt(double x) {
    return (int)x;
}
