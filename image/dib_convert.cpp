#include "image/dib_convert.h"

#include <cstring>

namespace {

// A source row holds width x bitCount bits, padded to a multiple of four bytes.
uint64_t SourceRowBytes(const DibFormat &format) {
    return ((uint64_t)format.width * format.bitCount + 31) / 32 * 4;
}

int IsRunLength(const DibFormat &format) {
    return format.compression == DibRle8 || format.compression == DibRle4;
}

int IsFormAccepted(const DibFormat &format) {
    switch (format.compression) {
    case DibUncompressed:
        switch (format.bitCount) {
        case 1:
        case 4:
        case 8:
        case 16:
        case 24:
        case 32:
            return 1;
        }
        return 0;
    // Run-length data is only defined bottom row first: a negative height is malformed.
    case DibRle8:
        return format.bitCount == 8 && format.height > 0;
    case DibRle4:
        return format.bitCount == 4 && format.height > 0;
    case DibBitFields:
        return format.bitCount == 16 || format.bitCount == 32;
    }
    return 0;
}

int IsSizeAccepted(const DibFormat &format) {
    int64_t rows = DibRowCount(format);
    return format.width > 0 && format.width <= DibMaxSide && rows > 0 && rows <= DibMaxSide &&
           (uint64_t)format.width * (uint64_t)rows <= DibMaxPixels;
}

// Blue, green, red for every 8-bit index; entries past the file's table stay black.
struct Palette {
    unsigned char bgr[256][3];
};

void BuildPalette(const DibFormat &format, Palette *palette) {
    std::memset(palette, 0, sizeof *palette);
    uint32_t count = format.colourCount < 256 ? format.colourCount : 256;
    for (uint32_t i = 0; i < count; ++i)
        std::memcpy(palette->bgr[i], format.colourTable + 4 * i, 3);
}

// One colour channel of a packed pixel: where its bits sit and how many there are.
struct Channel {
    uint32_t mask;
    unsigned shift;
    unsigned bits;
};

Channel MakeChannel(uint32_t mask) {
    if (mask == 0)
        return Channel{0, 0, 0};
    unsigned shift = (unsigned)__builtin_ctz(mask);
    return Channel{mask, shift, 32 - (unsigned)__builtin_clz(mask >> shift)};
}

// The channel widened or narrowed to 8 bits by repeating its bit pattern, as other decoders
// do: 5-bit 31 becomes 255, 5-bit 16 becomes 132; wider channels keep their top 8 bits.
unsigned char ChannelByte(uint32_t pixel, Channel channel) {
    if (channel.bits == 0)
        return 0;
    uint64_t value = (pixel & channel.mask) >> channel.shift;
    uint64_t repeated = 0;
    unsigned filled = 0;
    while (filled < 8) {
        repeated = repeated << channel.bits | value;
        filled += channel.bits;
    }
    return (unsigned char)(repeated >> (filled - 8));
}

struct PackedLayout {
    Channel red, green, blue;
};

// Without bit fields, 16-bit pixels are 5-5-5 and 32-bit pixels are blue, green, red, unused.
PackedLayout MakePackedLayout(const DibFormat &format) {
    if (format.compression == DibBitFields)
        return PackedLayout{MakeChannel(format.redMask), MakeChannel(format.greenMask),
                            MakeChannel(format.blueMask)};
    if (format.bitCount == 16)
        return PackedLayout{MakeChannel(0x7C00), MakeChannel(0x03E0), MakeChannel(0x001F)};
    return PackedLayout{MakeChannel(0xFF0000), MakeChannel(0xFF00), MakeChannel(0xFF)};
}

void ConvertIndexedRow(const unsigned char *source, int32_t width, uint32_t bitCount,
                       const Palette &palette, unsigned char *target) {
    if (bitCount == 8) {
        for (int32_t x = 0; x < width; ++x)
            std::memcpy(target + 3 * x, palette.bgr[source[x]], 3);
        return;
    }
    // Pixels are packed from the most significant bits of each byte, leftmost first.
    const unsigned valueMask = (1u << bitCount) - 1;
    for (int32_t x = 0; x < width; ++x) {
        uint32_t bit = (uint32_t)x * bitCount;
        unsigned index = (source[bit / 8] >> (8 - bitCount - bit % 8)) & valueMask;
        std::memcpy(target + 3 * x, palette.bgr[index], 3);
    }
}

void ConvertPackedRow(const unsigned char *source, int32_t width, uint32_t bitCount,
                      const PackedLayout &layout, unsigned char *target) {
    const unsigned bytesPerPixel = bitCount / 8;
    for (int32_t x = 0; x < width; ++x) {
        const unsigned char *p = source + (size_t)x * bytesPerPixel;
        uint32_t pixel = (uint32_t)p[0] | (uint32_t)p[1] << 8;
        if (bytesPerPixel == 4)
            pixel |= (uint32_t)p[2] << 16 | (uint32_t)p[3] << 24;
        target[3 * x] = ChannelByte(pixel, layout.blue);
        target[3 * x + 1] = ChannelByte(pixel, layout.green);
        target[3 * x + 2] = ChannelByte(pixel, layout.red);
    }
}

int ConvertUncompressed(const DibFormat &format, ByteView source, unsigned char *image24) {
    Palette palette;
    if (format.bitCount <= 8)
        BuildPalette(format, &palette);
    const PackedLayout layout = MakePackedLayout(format);
    const int64_t rows = DibRowCount(format);
    const uint64_t sourceRowBytes = SourceRowBytes(format);
    const uint64_t targetRowBytes = Dib24RowBytes(format.width);
    for (int64_t storedRow = 0; storedRow < rows; ++storedRow) {
        const unsigned char *from = source.bytes + storedRow * sourceRowBytes;
        int64_t pictureRow = format.height < 0 ? rows - 1 - storedRow : storedRow;
        unsigned char *to = image24 + pictureRow * targetRowBytes;
        if (format.bitCount == 24)
            std::memcpy(to, from, (size_t)format.width * 3);
        else if (format.bitCount <= 8)
            ConvertIndexedRow(from, format.width, format.bitCount, palette, to);
        else
            ConvertPackedRow(from, format.width, format.bitCount, layout, to);
    }
    return (int)rows;
}

// Cursor of a run-length decode: the next pixel to write, counted from the bottom-left.
struct RunCursor {
    int64_t x, y;
};

void PutRun(const DibFormat &format, const Palette &palette, RunCursor *cursor,
            const unsigned char *indices, unsigned count, int twoPerByte, unsigned char *image24) {
    // Pixels beyond the right edge are dropped, as are rows above the top.
    if (cursor->y < format.height && cursor->x < format.width) {
        int64_t visible = format.width - cursor->x;
        if (visible > count)
            visible = count;
        unsigned char *to = image24 + cursor->y * Dib24RowBytes(format.width) + 3 * cursor->x;
        for (int64_t i = 0; i < visible; ++i) {
            unsigned index = twoPerByte ? (indices[i / 2] >> (i % 2 ? 0 : 4)) & 15 : indices[i];
            std::memcpy(to + 3 * i, palette.bgr[index], 3);
        }
    }
    cursor->x += count;
}

// Decodes pairs of bytes: a count with a value to repeat, or 0 with an escape (end of line,
// end of bitmap, a jump, or a literal run padded to an even number of bytes). Running out of
// data before the last row is done counts as a failure, like any other short file.
int ConvertRunLength(const DibFormat &format, ByteView source, unsigned char *image24) {
    Palette palette;
    BuildPalette(format, &palette);
    const int twoPerByte = format.compression == DibRle4;
    RunCursor cursor{0, 0};
    uint64_t at = 0;
    while (cursor.y < format.height) {
        if (!HasBytes(source, at, 2))
            return 0;
        unsigned first = source.bytes[at], second = source.bytes[at + 1];
        at += 2;
        if (first > 0) {
            // Encoded run: one index (RLE8) or two alternating indices (RLE4), repeated.
            unsigned char repeated[256];
            std::memset(repeated, (int)second, sizeof repeated);
            PutRun(format, palette, &cursor, repeated, first, twoPerByte, image24);
        } else if (second == 0) {
            cursor.x = 0;
            cursor.y += 1;
        } else if (second == 1) {
            return (int)format.height;
        } else if (second == 2) {
            if (!HasBytes(source, at, 2))
                return 0;
            cursor.x += source.bytes[at];
            cursor.y += source.bytes[at + 1];
            at += 2;
        } else {
            uint64_t literalBytes = twoPerByte ? (second + 1) / 2 : second;
            if (!HasBytes(source, at, literalBytes))
                return 0;
            PutRun(format, palette, &cursor, source.bytes + at, second, twoPerByte, image24);
            at += literalBytes + (literalBytes & 1);
        }
    }
    return (int)format.height;
}

} // namespace

int64_t DibRowCount(const DibFormat &format) {
    return format.height < 0 ? -(int64_t)format.height : (int64_t)format.height;
}

uint64_t Dib24RowBytes(int32_t width) {
    return (uint64_t)width * 3 + (uint64_t)width % 4;
}

int DibSourceFits(const DibFormat &format, uint64_t sourceLength) {
    if (!IsFormAccepted(format) || !IsSizeAccepted(format))
        return 0;
    if (IsRunLength(format))
        return 1;
    return SourceRowBytes(format) * (uint64_t)DibRowCount(format) <= sourceLength;
}

int ConvertDibTo24Bit(const DibFormat &format, ByteView source, unsigned char *image24) {
    if (!DibSourceFits(format, source.length))
        return 0;
    if (IsRunLength(format))
        return ConvertRunLength(format, source, image24);
    return ConvertUncompressed(format, source, image24);
}
