#pragma once

// A hidden window with a compatibility-profile GL context, for tests that draw with the real
// GL. Uses SDL's offscreen video driver unless SDL_VIDEODRIVER already names another, so no
// display is needed (Mesa's software rasteriser does the drawing).
//
// The context is made once per test process and lives until the process ends: tearing it down
// unloads Mesa's driver, whose leftover allocations LeakSanitizer would then report from an
// unknown module that no suppression can name.

const int OffscreenWidth = 800;
const int OffscreenHeight = 600;

// Makes the context current, creating it on the first call. Returns 0 (after printing why)
// when no context can be made.
int UseOffscreenGl();

// Pixel colour of the back buffer at window coordinates (x right, y up from the bottom).
struct Rgb {
    unsigned char r, g, b;
};
Rgb ReadPixel(int x, int y);
