#pragma once

// Helpers for drawing real frames on the headless context and looking at the result.

#include <vector>

#include "math/math3d.h"

// Puts the demo back to its start: demoState as at launch with an 800 x 600 client area, both
// textures 0, and the skeleton and skin set up (zeroSkeleton: left all zero, as before set-up).
void ResetScene(bool zeroSkeleton = false);

// The presentFrame of frames that are read back: the image stays in the back buffer.
void KeepInBackBuffer();

// A copy of the whole back buffer, RGB, rows bottom to top as GL reads them.
struct Frame {
    int width = 0, height = 0;
    std::vector<unsigned char> rgb;
};
Frame ReadFrame();

struct Colour {
    int r, g, b;
};
Colour PixelAt(const Frame &frame, int x, int y); // black outside the frame

// Window position (x right, y up, z depth 0..1) of a model-space point under the camera the
// frame is meant to have, worked out here from its numbers rather than read back from the GL, so
// a frame drawn with a changed camera lands elsewhere than these say: the projection of a 60
// degree vertical field of view, aspect clientWidth / clientHeight, near 1, far 30, viewport
// (0, 0, clientWidth, clientHeight); the model-view, from the identity, moved 12 back and 3 down,
// tilted 15 degrees about x, turned viewAngle degrees about y and scaled by 2.5.
struct WindowPoint {
    double x, y, z;
};
WindowPoint ProjectModelPoint(const Vector3 &model, double viewAngle = 0.0);

// How squarely a model-space normal meets light 0 once the camera has turned it (viewAngle as
// above): the eye-space z of the turned normal, the light shining along the view axis, shrunk by
// the 2.5 scale as the GL leaves normals when it does not renormalise them. A unit normal
// facing the viewer gives 0.4; one facing away gives a negative value.
double LightFacing(const Vector3 &normal, double viewAngle = 0.0);

// Pixel bounds of the window positions of the eight corners of a model-space box, clamped to the
// frame.
struct ScreenBox {
    int x0, y0, x1, y1; // inclusive
};
ScreenBox ProjectModelBox(const Vector3 &low, const Vector3 &high, double viewAngle = 0.0);

// How many pixels inside box match.
int CountPixels(const Frame &frame, const ScreenBox &box, bool (*matches)(Colour));
// Whether any pixel within radius (a square) of the window point matches.
bool AnyPixelNear(const Frame &frame, const WindowPoint &at, int radius, bool (*matches)(Colour));

// A 2 x 2 texture of one colour with linear filtering, bound to nothing afterwards.
unsigned int MakeSolidTexture(unsigned char r, unsigned char g, unsigned char b);
// A size x size texture of eight by eight checks of two colours, linear filtering.
unsigned int MakeCheckerTexture(int size, Colour light, Colour dark);

// A size x size texture whose red rises with s and green with t (0 to 255 across), with blue in
// eight by eight checks, linear filtering: any swapped, mirrored or shifted texture coordinate
// shows as a different colour.
unsigned int MakeRampTexture(int size);

// Depth buffer value (0 near .. 1 far) at window coordinates.
double ReadDepth(int x, int y);

// Writes the frame as a binary PPM, top row first. Returns 1 on success.
int WritePpm(const Frame &frame, const char *path);
// Reads a binary PPM as WritePpm writes it (maxval 255, no comments). Returns 1 on success.
int ReadPpm(const char *path, Frame &frame);
