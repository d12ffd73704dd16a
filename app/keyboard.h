#pragma once

#include "app/commands.h"

// The keyboard's command set: key presses change the modes, toggles, speeds, joint velocities,
// the IK target, the camera and the panel through the demo's commands. Codes are virtual-key
// codes (platform/key_codes.h); keys without a command do nothing.

// Returns 1 when the key asks for the program to end (Escape), 0 otherwise.
int HandleKeyDown(int keyCode);

// Releasing a steering key stops the joint it turns, in every mode.
void HandleKeyUp(int keyCode);
