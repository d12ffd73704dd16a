#pragma once

// A picture as tightly packed 8-bit red, green, blue triples, bottom row first.
// Allocated with malloc; the caller frees pixels first, then the record.
struct RgbImage {
    int width;
    int height;
    unsigned char *pixels;
};

// Reads a BMP file. Returns a new image, or null after showing at most one error message.
RgbImage *LoadBmpImage(const char *fileName);

// Number of colour-table entries that follow the DIB header at dibHeader.
unsigned short CountPaletteColors(const unsigned char *dibHeader);
