#pragma once

// Writes a 24-bit uncompressed BMP. pixels holds width * height red-green-blue triples,
// tightly packed, bottom row first (the order glReadPixels returns). Returns 1, or 0 when
// the file cannot be written or the size is not positive.
int WriteBmp24(const char *fileName, int width, int height, const unsigned char *pixels);
