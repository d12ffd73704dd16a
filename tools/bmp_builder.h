#pragma once

#include <cstdint>
#include <vector>

// Writes BMP files byte by byte, in every form the loader reads and in some it refuses, so that
// the tests, the image benchmark and the texture generator build their files in code.

using Bytes = std::vector<unsigned char>;

struct BmpColour {
    unsigned char red, green, blue;
};

struct BmpLayout {
    int32_t width = 1;
    int32_t height = 1; // negative: rows stored top row first
    uint32_t bitCount = 24;
    uint32_t headerSize = 40;       // 12 (core header), 40 (information header), or any other
    int fileHeader = 1;             // precede with the 14-byte file header
    uint32_t compression = 0;       // 40-byte header only
    uint32_t coloursUsed = 0;       // 40-byte header only
    std::vector<BmpColour> palette; // 3-byte entries after a 12-byte header, 4-byte otherwise
    uint32_t masks[3] = {0, 0, 0};  // red, green, blue: written after the header when
                                    // compression is 3 (bit fields)
    uint32_t gapBeforePixels = 0;   // zero bytes between colour table and pixel data; the file
                                    // header's pixel offset points past them
};

// Pixel rows as the format stores them, each padded to a multiple of 4 bytes. values holds
// width x rows pixels, row by row in storage order: palette indices for 1, 4 and 8 bits, the
// little-endian pixel word for 16 and 32, and 0xRRGGBB for 24 (stored blue, green, red).
Bytes PackPixelRows(int32_t width, int32_t rows, uint32_t bitCount,
                    const std::vector<uint32_t> &values);

// File header (if asked for), DIB header, masks, colour table, gap, then pixelData unchanged.
Bytes BuildBmp(const BmpLayout &layout, const Bytes &pixelData);

// Little-endian appenders, for headers written by hand.
void PutU16(Bytes *out, uint32_t value);
void PutU32(Bytes *out, uint32_t value);

// Writes bytes to path, replacing it. Returns 1 on success.
int WriteBytesToFile(const char *path, const Bytes &bytes);

// The whole of the file at path; empty when it cannot be read.
Bytes ReadBytesFromFile(const char *path);
