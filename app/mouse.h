#pragma once

// Mouse gestures on the scene: a left drag orbits the camera (horizontal: the yaw that camera
// rotation turns; vertical: the tilt), the wheel zooms, a double click resets tilt and distance,
// in the IK mode a right drag moves the target in the plane that faces the camera, and a left
// click picks the skin vertex to inspect (PickVertex over the skin as last drawn). All of them
// change the demo through the same functions and bounds as the keys.
//
// overPanel tells that the on-screen panel has the mouse: the gesture is the panel's, and no
// drag starts. Coordinates are drawable pixels from the top left.

void HandleMouseDown(int button, int clicks, int x, int y, int overPanel);
void HandleMouseUp(int button);
void HandleMouseMove(int x, int y);
void HandleMouseWheel(double notches, int overPanel);

// Degrees per pixel of a left drag.
const double OrbitYawPerPixel = 0.5;
const double OrbitTiltPerPixel = 0.3;

// A left press released with the pointer never more than this many pixels across or down from
// where it was pressed is a click, not a drag (a hand on a mouse is never quite still). A double
// click's second press is the reset alone.
const int ClickSlackPixels = 3;

// What each gesture does, as --help, the on-screen panel's list and the README show it.
struct MouseHelpLine {
    const char *gesture;
    const char *help;
};

extern const MouseHelpLine mouseHelpLines[];
extern const int MouseHelpLineCount;
