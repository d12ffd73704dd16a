#pragma once

#include <cstddef>

// A picture as tightly packed 8-bit red, green, blue triples, bottom row first.
// Allocated with malloc; the caller frees pixels first, then the record.
struct RgbImage {
    int width;  // pixels per row, at least 1
    int height; // rows, at least 1 (files stored top row first are turned the right way up)
    unsigned char *pixels;
};

// Where the loader's error messages go. text is the message as a person sees it in the error
// box; fileName is the file it concerns, or null for a load from memory.
typedef void (*ImageErrorReporter)(const char *fileName, const char *text);

// Sends every later message to reporter; null restores the default, PrintImageError.
void SetImageErrorReporter(ImageErrorReporter reporter);

// The default reporter: the message as one line on standard error, led by the file's name when
// the text does not name it ("floor.bmp: Unknown DIB file format.").
void PrintImageError(const char *fileName, const char *text);

// Reads a BMP file. Returns a new image, or null after reporting at most one error message.
// The file is read in place through a read-only memory mapping.
RgbImage *LoadBmpImage(const char *fileName);

// The same for a BMP file already in memory (length bytes at bytes), with the same messages
// except the open failure, which only a file can have, and no file name with them. Never reads
// outside the buffer.
RgbImage *LoadBmpFromMemory(const unsigned char *bytes, size_t length);

// Frees the pixels, then the record. Does nothing for null.
void FreeRgbImage(RgbImage *image);

// Number of colour-table entries that follow the DIB header at dibHeader: for a 12-byte header
// by its bit count, otherwise the low 16 bits of colours-used or, when that is 0, by the bit
// count (1, 4, 8 bits give 2, 16, 256 entries; any other count none). Reads only the first
// 12 bytes of a 12-byte header and the first 36 of any other.
unsigned short CountPaletteColors(const unsigned char *dibHeader);
