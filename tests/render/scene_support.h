#pragma once

// Helpers for drawing real frames on the headless context and looking at the result.

#include <vector>

#include "skeleton/math3d.h"

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

// Window position (x right, y up, z depth 0..1) of a model-space point under the projection,
// model-view and viewport the last frame left current (so draw a frame first).
struct WindowPoint {
    double x, y, z;
};
WindowPoint ProjectModelPoint(const Vector3 &model);

// Pixel bounds of the window positions of the eight corners of a model-space box, clamped to the
// frame.
struct ScreenBox {
    int x0, y0, x1, y1; // inclusive
};
ScreenBox ProjectModelBox(const Vector3 &low, const Vector3 &high);

// How many pixels inside box match.
int CountPixels(const Frame &frame, const ScreenBox &box, bool (*matches)(Colour));
// Whether any pixel within radius (a square) of the window point matches.
bool AnyPixelNear(const Frame &frame, const WindowPoint &at, int radius, bool (*matches)(Colour));

// A 2 x 2 texture of one colour with linear filtering, bound to nothing afterwards.
unsigned int MakeSolidTexture(unsigned char r, unsigned char g, unsigned char b);
// A size x size texture of eight by eight checks of two colours, linear filtering.
unsigned int MakeCheckerTexture(int size, Colour light, Colour dark);

// Writes the frame as a binary PPM, top row first. Returns 1 on success.
int WritePpm(const Frame &frame, const char *path);
