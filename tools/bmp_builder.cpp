#include "tools/bmp_builder.h"

#include <cstdio>

namespace {

const uint32_t fileHeaderBytes = 14;

uint32_t ColourTableBytes(const BmpLayout &layout) {
    uint32_t entryBytes = layout.headerSize == 12 ? 3 : 4;
    return entryBytes * (uint32_t)layout.palette.size();
}

uint32_t MaskBytes(const BmpLayout &layout) {
    return layout.headerSize != 12 && layout.compression == 3 ? 12 : 0;
}

void PutFileHeader(Bytes *out, const BmpLayout &layout, uint32_t pixelBytes) {
    uint32_t pixelOffset = fileHeaderBytes + layout.headerSize + MaskBytes(layout) +
                           ColourTableBytes(layout) + layout.gapBeforePixels;
    out->push_back('B');
    out->push_back('M');
    PutU32(out, pixelOffset + pixelBytes);
    PutU32(out, 0);
    PutU32(out, pixelOffset);
}

void PutDibHeader(Bytes *out, const BmpLayout &layout, uint32_t pixelBytes) {
    size_t start = out->size();
    PutU32(out, layout.headerSize);
    if (layout.headerSize == 12) {
        PutU16(out, (uint32_t)layout.width);
        PutU16(out, (uint32_t)layout.height);
        PutU16(out, 1);
        PutU16(out, layout.bitCount);
        return;
    }
    PutU32(out, (uint32_t)layout.width);
    PutU32(out, (uint32_t)layout.height);
    PutU16(out, 1);
    PutU16(out, layout.bitCount);
    PutU32(out, layout.compression);
    PutU32(out, pixelBytes);
    PutU32(out, 2835); // 72 dots per inch, in dots per metre
    PutU32(out, 2835);
    PutU32(out, layout.coloursUsed);
    PutU32(out, 0);
    // Longer headers of later versions: the fields they add stay zero.
    if (layout.headerSize > 40)
        out->resize(start + layout.headerSize, 0);
}

} // namespace

void PutU16(Bytes *out, uint32_t value) {
    out->push_back((unsigned char)(value & 0xFF));
    out->push_back((unsigned char)(value >> 8 & 0xFF));
}

void PutU32(Bytes *out, uint32_t value) {
    PutU16(out, value & 0xFFFF);
    PutU16(out, value >> 16);
}

Bytes PackPixelRows(int32_t width, int32_t rows, uint32_t bitCount,
                    const std::vector<uint32_t> &values) {
    const size_t rowBytes = ((size_t)width * bitCount + 31) / 32 * 4;
    Bytes out((size_t)rows * rowBytes, 0);
    for (int32_t row = 0; row < rows; ++row) {
        unsigned char *to = out.data() + (size_t)row * rowBytes;
        for (int32_t x = 0; x < width; ++x) {
            uint32_t value = values[(size_t)row * width + x];
            size_t bit = (size_t)x * bitCount;
            if (bitCount < 8) {
                to[bit / 8] |= (unsigned char)(value << (8 - bitCount - bit % 8));
            } else if (bitCount == 24) {
                to[3 * x] = (unsigned char)(value & 0xFF);
                to[3 * x + 1] = (unsigned char)(value >> 8 & 0xFF);
                to[3 * x + 2] = (unsigned char)(value >> 16 & 0xFF);
            } else {
                for (uint32_t i = 0; i < bitCount / 8; ++i)
                    to[bit / 8 + i] = (unsigned char)(value >> (8 * i) & 0xFF);
            }
        }
    }
    return out;
}

Bytes BuildBmp(const BmpLayout &layout, const Bytes &pixelData) {
    Bytes out;
    if (layout.fileHeader)
        PutFileHeader(&out, layout, (uint32_t)pixelData.size());
    PutDibHeader(&out, layout, (uint32_t)pixelData.size());
    if (MaskBytes(layout))
        for (uint32_t mask : layout.masks)
            PutU32(&out, mask);
    for (const BmpColour &colour : layout.palette) {
        out.push_back(colour.blue);
        out.push_back(colour.green);
        out.push_back(colour.red);
        if (layout.headerSize != 12)
            out.push_back(0);
    }
    out.resize(out.size() + layout.gapBeforePixels, 0);
    out.insert(out.end(), pixelData.begin(), pixelData.end());
    return out;
}

int WriteBytesToFile(const char *path, const Bytes &bytes) {
    FILE *file = std::fopen(path, "wb");
    if (!file)
        return 0;
    size_t written = bytes.empty() ? 0 : std::fwrite(bytes.data(), 1, bytes.size(), file);
    int closed = std::fclose(file) == 0;
    return closed && written == bytes.size();
}

Bytes ReadBytesFromFile(const char *path) {
    Bytes bytes;
    FILE *file = std::fopen(path, "rb");
    if (!file)
        return bytes;
    unsigned char buffer[65536];
    size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0)
        bytes.insert(bytes.end(), buffer, buffer + got);
    std::fclose(file);
    return bytes;
}
