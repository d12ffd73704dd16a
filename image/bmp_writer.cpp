#include "image/bmp_writer.h"

#include <cstdio>
#include <cstdlib>

namespace {

const int FileHeaderSize = 14;
const int InfoHeaderSize = 40;
const int PixelsPerMetre = 2835; // 72 dots per inch

void PutU16(unsigned char *out, unsigned value) {
    out[0] = (unsigned char)(value & 0xff);
    out[1] = (unsigned char)((value >> 8) & 0xff);
}

void PutU32(unsigned char *out, unsigned long value) {
    PutU16(out, (unsigned)(value & 0xffff));
    PutU16(out + 2, (unsigned)((value >> 16) & 0xffff));
}

// Rows of a BMP are padded to a multiple of four bytes.
long RowStride(int width) {
    return ((long)width * 3 + 3) / 4 * 4;
}

void FillHeaders(unsigned char *header, int width, int height) {
    unsigned long imageSize = (unsigned long)RowStride(width) * (unsigned long)height;
    header[0] = 'B';
    header[1] = 'M';
    PutU32(header + 2, FileHeaderSize + InfoHeaderSize + imageSize);
    PutU32(header + 6, 0);
    PutU32(header + 10, FileHeaderSize + InfoHeaderSize);
    unsigned char *info = header + FileHeaderSize;
    PutU32(info, InfoHeaderSize);
    PutU32(info + 4, (unsigned long)width);
    PutU32(info + 8, (unsigned long)height); // positive: bottom row first
    PutU16(info + 12, 1);                    // planes
    PutU16(info + 14, 24);                   // bits per pixel
    PutU32(info + 16, 0);                    // no compression
    PutU32(info + 20, imageSize);
    PutU32(info + 24, PixelsPerMetre);
    PutU32(info + 28, PixelsPerMetre);
    PutU32(info + 32, 0); // no colour table
    PutU32(info + 36, 0);
}

int WriteRows(std::FILE *file, int width, int height, const unsigned char *pixels) {
    long stride = RowStride(width);
    unsigned char *row = (unsigned char *)std::calloc((size_t)stride, 1);
    if (!row)
        return 0;
    int ok = 1;
    for (int y = 0; y < height && ok; ++y) {
        const unsigned char *rgb = pixels + (long)y * width * 3;
        for (int x = 0; x < width; ++x) { // stored blue, green, red
            row[x * 3 + 0] = rgb[x * 3 + 2];
            row[x * 3 + 1] = rgb[x * 3 + 1];
            row[x * 3 + 2] = rgb[x * 3 + 0];
        }
        ok = std::fwrite(row, 1, (size_t)stride, file) == (size_t)stride;
    }
    std::free(row);
    return ok;
}

} // namespace

int WriteBmp24(const char *fileName, int width, int height, const unsigned char *pixels) {
    if (!fileName || !pixels || width <= 0 || height <= 0 || width > 65535 || height > 65535)
        return 0;
    std::FILE *file = std::fopen(fileName, "wb");
    if (!file)
        return 0;
    unsigned char header[FileHeaderSize + InfoHeaderSize];
    FillHeaders(header, width, height);
    int ok = std::fwrite(header, 1, sizeof header, file) == sizeof header &&
             WriteRows(file, width, height, pixels);
    if (std::fclose(file) != 0)
        ok = 0;
    return ok;
}
