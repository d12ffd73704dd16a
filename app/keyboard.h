#pragma once

#include "app/commands.h"

// The keyboard: each key runs the command of its row in the key table (app/key_bindings.h)
// through the demo's commands. Codes are virtual-key codes (platform/key_codes.h); keys
// without a row do nothing.

// Returns the command's outcome bits: CommandEndsRun for Escape, CommandWantsScreenshot for
// F12, 0 otherwise.
int HandleKeyDown(int keyCode);

// Releasing a steering key stops the joint it turns, in every mode.
void HandleKeyUp(int keyCode);
