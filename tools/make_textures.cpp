// Generates the two textures the demo reads at start-up as 24-bit BMP files: floor.bmp (256 x 256)
// and curlwhip.bmp (512 x 512, since the limb's upper half takes its skin from a small disc).
// Usage: make_textures [output folder] (default: the working directory).
//
// The pictures are computed, not drawn, so that they can be remade exactly: integer hashing for
// every random choice, and only correctly rounded floating-point operations (plus atan2) for
// the shapes, which gives the same bytes with any compiler on the same C library.

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "image/bmp_writer.h"

namespace {

const int floorSize = 256;
const int skinSize = 512;

struct Colour {
    int red, green, blue;
};

uint32_t Hash(uint32_t a, uint32_t b, uint32_t seed) {
    uint32_t h = a * 0x9E3779B1u ^ (b + 0x7F4A7C15u) * 0x85EBCA77u ^ seed * 0xC2B2AE3Du;
    h ^= h >> 15;
    h *= 0x2C1B3C6Du;
    h ^= h >> 12;
    h *= 0x297A2D39u;
    h ^= h >> 15;
    return h;
}

// A value in -amplitude..amplitude, fixed for (a, b, seed).
int Jitter(uint32_t a, uint32_t b, uint32_t seed, int amplitude) {
    return (int)(Hash(a, b, seed) % (uint32_t)(2 * amplitude + 1)) - amplitude;
}

Colour Mix(Colour a, Colour b, int weightOfB, int scale) {
    return Colour{a.red + (b.red - a.red) * weightOfB / scale,
                  a.green + (b.green - a.green) * weightOfB / scale,
                  a.blue + (b.blue - a.blue) * weightOfB / scale};
}

Colour Shift(Colour colour, int amount) {
    return Colour{colour.red + amount, colour.green + amount, colour.blue + amount};
}

int Clamp(int value) {
    return value < 0 ? 0 : value > 255 ? 255 : value;
}

// The floor spans its 5 x 5 units once, so 8 x 8 tiles of 32 pixels are 0.625 units each: a
// soft two-tone checker of sandstone tiles with grout between them, a bevel that catches the
// light on two edges, and a little grain.
Colour FloorTexel(int x, int y) {
    const int tile = 32, grout = 2;
    const Colour light = {214, 200, 172}, dark = {168, 150, 128}, groutColour = {92, 84, 76};
    int tileX = x / tile, tileY = y / tile, u = x % tile, v = y % tile;
    int grain = Jitter((uint32_t)x, (uint32_t)y, 1, 7);
    if (u < grout || v < grout)
        return Shift(groutColour, grain / 2);
    Colour base = (tileX + tileY) % 2 ? dark : light;
    base = Shift(base, Jitter((uint32_t)tileX, (uint32_t)tileY, 2, 10) + grain);
    // Rows run bottom to top, so v near the tile's top edge is its upper side.
    if (u < grout + 2 || v >= tile - 2)
        return Shift(base, 18);
    if (u >= tile - 2 || v < grout + 2)
        return Shift(base, -22);
    return base;
}

// The limb's radius at each height (scene units), from the floor up to its top point: the skin
// is projected straight down onto the texture, so texture radius r (0..1 from the centre to an
// edge's midpoint) lands on the limb where the limb's radius is r.
const double limbRadii[] = {0.75, 0.62, 0.44, 0.33, 0.24, 0.10, 0.0};
const double limbHeights[] = {0.0, 0.2, 1.0, 1.5, 2.0, 2.9, 3.0};
const int limbRings = 7;

// Piecewise-linear lookup of to[] at value along from[] (monotonic), extended past both ends.
double Interpolate(const double *from, const double *to, double value) {
    int i = 0;
    while (i < limbRings - 2 && (from[1] > from[0] ? value > from[i + 1] : value < from[i + 1]))
        ++i;
    return to[i] + (to[i + 1] - to[i]) * (value - from[i]) / (from[i + 1] - from[i]);
}

// Scales of about the same size all over the limb: rows of equal height from the top down,
// each with as many scales around as its circumference holds, shaded from a light crown to a
// dark rim that overlaps the row below, with a few darker scales for a pattern.
Colour SkinTexel(int x, int y) {
    const double pi = 3.14159265358979323846;
    const double rowHeight = 0.13, scaleWidth = 0.17;
    double dx = (x + 0.5) / (skinSize / 2) - 1, dy = (y + 0.5) / (skinSize / 2) - 1;
    double angle = std::atan2(dy, dx) + pi; // 0..2 pi around the limb
    // Each ring of the limb has eight vertices and flat faces between them, so a ring's texture
    // coordinates run along a regular octagon, not a circle: measure the radius octagonally so
    // that the rows stay level across each face instead of bending into chevrons.
    double offFaceCentre = std::fmod(angle, pi / 4) - pi / 8;
    double radius = std::sqrt(dx * dx + dy * dy) * std::cos(offFaceCentre) / std::cos(pi / 8);
    double depth = 3.0 - Interpolate(limbRadii, limbHeights, radius); // below the top point
    int row = (int)(depth / rowHeight);
    double t = depth / rowHeight - row; // 0 at the row's top, 1 at its lower edge
    double rowRadius = Interpolate(limbHeights, limbRadii, 3.0 - (row + 0.5) * rowHeight);
    int perRow = (int)(2 * pi * rowRadius / scaleWidth + 0.5);
    if (perRow < 3)
        perRow = 3;
    double turn = angle / (2 * pi); // 0..1 around the limb
    double across = turn * perRow + (row % 2 ? 0.5 : 0.0);
    int column = (int)across % perRow;
    double s = across - std::floor(across) - 0.5; // -0.5..0.5 across the scale
    // A rounded scale: distance from a centre near its lower edge, 1 at the rim.
    double dsq = (s * s) / 0.30 + (t - 0.7) * (t - 0.7) / 0.6;
    int edge = (int)(255 * (dsq > 1 ? 1 : dsq));

    const Colour crown = {160, 204, 112}, body = {100, 156, 76}, rim = {46, 80, 40};
    const Colour spot = {74, 110, 56};
    Colour colour = Mix(crown, body, edge, 255);
    if (Hash((uint32_t)row, (uint32_t)column, 3) % 6 == 0)
        colour = Mix(colour, spot, 2, 3);
    if (edge > 190)
        colour = Mix(colour, rim, edge - 190, 65);
    return Shift(colour, Jitter((uint32_t)row, (uint32_t)column, 4, 8) +
                             Jitter((uint32_t)x, (uint32_t)y, 5, 2));
}

int WriteTexture(const std::string &path, int size, Colour (*texelAt)(int x, int y)) {
    // Red, green, blue bytes, bottom row first, as the picture's y runs upwards.
    std::vector<unsigned char> rgb;
    rgb.reserve((size_t)size * size * 3);
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            Colour c = texelAt(x, y);
            rgb.push_back((unsigned char)Clamp(c.red));
            rgb.push_back((unsigned char)Clamp(c.green));
            rgb.push_back((unsigned char)Clamp(c.blue));
        }
    if (!WriteBmp24(path.c_str(), size, size, rgb.data())) {
        std::fprintf(stderr, "make_textures: cannot write %s\n", path.c_str());
        return 0;
    }
    return 1;
}

} // namespace

int main(int argc, char **argv) {
    std::string folder = argc > 1 ? argv[1] : ".";
    int written = WriteTexture(folder + "/floor.bmp", floorSize, FloorTexel) &&
                  WriteTexture(folder + "/curlwhip.bmp", skinSize, SkinTexel);
    return written ? 0 : 1;
}
