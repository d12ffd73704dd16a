#pragma once

#include <string>
#include <vector>

#include "tools/bmp_builder.h"

// Screenshots for the tests: the program's 24-bit BMPs and ImageMagick's binary PPMs (P6),
// held top row first so coordinates read like the screen (x right, y down).

struct Pixel {
    unsigned char r, g, b;
};

struct Image {
    int width = 0;
    int height = 0;
    std::vector<unsigned char> rgb;

    Pixel At(int x, int y) const {
        const unsigned char *p = &rgb[((size_t)y * width + x) * 3];
        return Pixel{p[0], p[1], p[2]};
    }
};

// Reads a BMP (uncompressed, 24 bits) or a PPM (P6, maxval 255). Returns false otherwise.
bool ReadImage(const char *path, Image &image);

// Colour classes, loose enough for lit and antialiased pixels.
enum ColourClass { ColourRed, ColourBlack, ColourLit, ColourGreenish, ColourGrey, ColourBlue };
bool ParseColourClass(const std::string &name, ColourClass &colour);
bool InClass(Pixel p, ColourClass colour);

// Pixels of the class inside the rectangle (clipped to the image).
int CountPixels(const Image &image, ColourClass colour, int x, int y, int width, int height);

// Number of pixels that differ between two images of the same size, -1 if the sizes differ.
int CountDifferences(const Image &a, const Image &b);
