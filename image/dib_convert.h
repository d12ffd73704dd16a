#pragma once

#include <cstdint>

#include "image/byte_reader.h"

// Our own DIB conversion: renders the pixel data of a device-independent bitmap, in any form
// the loader accepts, into one intermediate 24-bit image (blue, green, red per pixel) that the
// loader then copies out. No GL, no platform calls.

// Compression codes of the 40-byte information header.
const uint32_t DibUncompressed = 0;
const uint32_t DibRle8 = 1;
const uint32_t DibRle4 = 2;
const uint32_t DibBitFields = 3;

// Largest picture converted: no side beyond what a GL texture takes, and a pixel budget that
// keeps a hostile header from asking for gigabytes (64 Mi pixels = 192 MiB per 24-bit copy).
const int32_t DibMaxSide = 16384;
const uint64_t DibMaxPixels = (uint64_t)1 << 26;

// The normalised description of a file's pixels: all that the conversion looks at.
struct DibFormat {
    int32_t width;                         // pixels per row
    int32_t height;                        // rows; negative when the file stores the top row first
    uint32_t bitCount;                     // bits per pixel
    uint32_t compression;                  // one of the codes above
    uint32_t redMask, greenMask, blueMask; // bit-field images only
    const unsigned char *colourTable;      // colourCount entries: blue, green, red, unused
    uint32_t colourCount;
};

// Number of rows, whichever order the file stores them in.
int64_t DibRowCount(const DibFormat &format);

// Bytes per row of the 24-bit image: 3 per pixel, then (width mod 4) filler bytes, which makes
// every row a multiple of four bytes long.
uint64_t Dib24RowBytes(int32_t width);

// Non-zero when the conversion accepts this form and size and, for data that is not run-length
// encoded, sourceLength bytes hold every row. Lets the caller refuse a file before it allocates
// the 24-bit image.
int DibSourceFits(const DibFormat &format, uint64_t sourceLength);

// Converts the pixel data in source into image24: |height| rows of Dib24RowBytes(width) bytes,
// bottom row first whatever the file's row order; filler bytes are not written. For run-length
// data image24 must arrive zero-filled: pixels that the runs skip stay black. A pixel value
// beyond the colour table is black too. Returns the number of rows converted, or 0 when the
// form is refused or the data ends early.
int ConvertDibTo24Bit(const DibFormat &format, ByteView source, unsigned char *image24);
