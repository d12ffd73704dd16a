#pragma once

// The whole command set: key presses change the modes, toggles, speeds, joint velocities and
// the IK target in demoState (and, on entering the IK mode, the joint angles of both bones).
// Codes are virtual-key codes (platform/key_codes.h); keys without a command do nothing.

// Returns 1 when the key asks for the program to end (Escape), 0 otherwise.
int HandleKeyDown(int keyCode);

// Releasing a steering key stops the joint it turns, in every mode.
void HandleKeyUp(int keyCode);

// Conversion of a double to int by truncation toward zero, as the velocity rules use it.
inline int TruncToInt(double x) {
    return (int)x;
}
