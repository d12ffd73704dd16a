#pragma once

#include <cstdio>

// Writes an 8-bit RGB PNG. pixels holds width * height red-green-blue triples, tightly packed,
// bottom row first (as WriteBmp24 takes them, the order glReadPixels returns); the file gets
// them top row first, as PNG stores them. Returns 1, or 0 when the file cannot be written or
// the size is not positive or too large to encode.
int WritePng(const char *fileName, int width, int height, const unsigned char *pixels);

// The same into a file already open for writing, which stays open: the caller closes it and
// checks that close.
int WritePngToFile(std::FILE *file, int width, int height, const unsigned char *pixels);
