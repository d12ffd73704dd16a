#pragma once

#include "app/options.h"
#include "platform/platform.h"

extern const char MainWindowTitle[];

// The program from start-up to shutdown: opens the window, paints the first frame, sets up
// the scene, then handles events until the window is destroyed. Returns the exit code: 2 when
// the screenshot file cannot be written (checked before anything starts), 1 when the run fails.
int RunDemo(const DemoOptions &options);

// Handles every event of the main window: create, size, paint, timer, key-down, key-up and
// destroy.
void MainWndProc(const PlatformEvent &event);
