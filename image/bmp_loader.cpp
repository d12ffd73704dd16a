#include "image/bmp_loader.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include "image/byte_reader.h"
#include "image/dib_convert.h"

namespace {

ImageErrorReporter errorReporter = PrintImageError;

void Report(const char *fileName, const char *text) {
    errorReporter(fileName, text);
}

const uint64_t fileHeaderBytes = 14;
const uint32_t coreHeaderBytes = 12;
const uint32_t infoHeaderBytes = 40;
const uint32_t bitFieldMaskBytes = 12; // red, green, blue masks after a 40-byte header

// A header cut short is as unknown as one of an unknown size; a colour table or pixel rows cut
// short are data the conversion cannot convert.
const char unknownFormatText[] = "Unknown DIB file format.";
const char outOfMemoryText[] = "Out of memory.";
const char conversionErrorText[] = "Image file conversion error.";

// Reads the colour count without going past the end of header.
int CountColoursIn(ByteView header, uint32_t *count) {
    uint32_t headerSize = 0, bitCount = 0, coloursUsed = 0;
    if (!ReadU32Le(header, 0, &headerSize))
        return 0;
    if (headerSize == coreHeaderBytes) {
        if (!ReadU16Le(header, 10, &bitCount))
            return 0;
    } else {
        if (!ReadU32Le(header, 32, &coloursUsed))
            return 0;
        if (coloursUsed != 0) {
            *count = coloursUsed & 0xFFFF;
            return 1;
        }
        if (!ReadU16Le(header, 14, &bitCount))
            return 0;
    }
    *count = bitCount == 1 ? 2 : bitCount == 4 ? 16 : bitCount == 8 ? 256 : 0;
    return 1;
}

// Where the DIB header and, when the file says, the pixel data begin.
struct DibLocation {
    uint64_t headerOffset;
    int hasFileHeader;
    uint64_t pixelOffset; // from the file header; otherwise settled by the header's form
};

int LocateDib(ByteView file, DibLocation *location) {
    uint32_t signature = 0, pixelOffset = 0;
    if (!ReadU16Le(file, 0, &signature) || signature != 0x4D42) { // "BM"
        *location = DibLocation{0, 0, 0};
        return 1;
    }
    if (!ReadU32Le(file, 10, &pixelOffset))
        return 0;
    *location = DibLocation{fileHeaderBytes, 1, pixelOffset};
    return 1;
}

// The 12-byte header's 3-byte entries (blue, green, red) become 4-byte ones with a zero byte.
const char *NormaliseCoreHeader(ByteView header, uint32_t count, unsigned char *colourBlock,
                                DibFormat *format, uint64_t *tableEnd) {
    uint32_t width = 0, height = 0, bitCount = 0;
    if (!ReadU16Le(header, 4, &width) || !ReadU16Le(header, 6, &height) ||
        !ReadU16Le(header, 10, &bitCount))
        return unknownFormatText;
    *tableEnd = coreHeaderBytes + 3 * (uint64_t)count;
    if (!HasBytes(header, coreHeaderBytes, 3 * (uint64_t)count))
        return conversionErrorText;
    const unsigned char *entry = header.bytes + coreHeaderBytes;
    for (uint32_t i = 0; i < count; ++i, entry += 3) {
        std::memcpy(colourBlock + 4 * i, entry, 3);
        colourBlock[4 * i + 3] = 0;
    }
    *format = DibFormat{
        (int32_t)width, (int32_t)height, bitCount, DibUncompressed, 0, 0, 0, colourBlock, count};
    return nullptr;
}

// Bit-field images keep their three masks between the header and any colour table.
const char *NormaliseInfoHeader(ByteView header, uint32_t count, unsigned char *colourBlock,
                                DibFormat *format, uint64_t *tableEnd) {
    int32_t width = 0, height = 0;
    uint32_t bitCount = 0, compression = 0;
    if (!HasBytes(header, 0, infoHeaderBytes))
        return unknownFormatText;
    ReadS32Le(header, 4, &width);
    ReadS32Le(header, 8, &height);
    ReadU16Le(header, 14, &bitCount);
    ReadU32Le(header, 16, &compression);
    *format = DibFormat{width, height, bitCount, compression, 0, 0, 0, colourBlock, count};
    uint64_t tableStart = infoHeaderBytes;
    if (compression == DibBitFields) {
        if (!ReadU32Le(header, 40, &format->redMask) ||
            !ReadU32Le(header, 44, &format->greenMask) || !ReadU32Le(header, 48, &format->blueMask))
            return conversionErrorText;
        tableStart += bitFieldMaskBytes;
    }
    *tableEnd = tableStart + 4 * (uint64_t)count;
    if (!HasBytes(header, tableStart, 4 * (uint64_t)count))
        return conversionErrorText;
    std::memcpy(colourBlock, header.bytes + tableStart, 4 * (size_t)count);
    return nullptr;
}

// Everything one load obtains, so that every path releases the same way.
struct LoadAttempt {
    ByteView file;
    DibFormat format;
    unsigned char *colourBlock; // the normalised colour table
    unsigned char *image24;     // the conversion's target
    unsigned char *pixels;
    RgbImage *image;
};

// Blue-green-red rows with filler become packed red-green-blue rows, in the same order.
void CopyRowsAsRgb(const unsigned char *image24, int32_t width, int64_t rows,
                   unsigned char *pixels) {
    const uint64_t sourceRowBytes = Dib24RowBytes(width);
    const uint64_t targetRowBytes = (uint64_t)width * 3;
    for (int64_t row = 0; row < rows; ++row) {
        const unsigned char *from = image24 + row * sourceRowBytes;
        unsigned char *to = pixels + row * targetRowBytes;
        for (int32_t x = 0; x < width; ++x, from += 3, to += 3) {
            to[0] = from[2];
            to[1] = from[1];
            to[2] = from[0];
        }
    }
}

// Locates the DIB header, normalises it with its colour table and finds the pixel data in the
// file (source). Returns the failure's message, or null.
const char *DescribeDib(LoadAttempt *attempt, ByteView *source) {
    DibLocation location;
    if (!LocateDib(attempt->file, &location))
        return unknownFormatText;
    ByteView header = ViewFrom(attempt->file, location.headerOffset);
    uint32_t count = 0, headerSize = 0;
    if (!CountColoursIn(header, &count))
        return unknownFormatText;

    // The colour count and its block come before the header size is judged. One spare entry,
    // so that even an empty table is a real block.
    attempt->colourBlock = (unsigned char *)std::malloc(4 * ((size_t)count + 1));
    if (!attempt->colourBlock)
        return outOfMemoryText;
    ReadU32Le(header, 0, &headerSize);
    uint64_t tableEnd = 0;
    const char *failure = unknownFormatText;
    if (headerSize == coreHeaderBytes)
        failure =
            NormaliseCoreHeader(header, count, attempt->colourBlock, &attempt->format, &tableEnd);
    else if (headerSize == infoHeaderBytes)
        failure =
            NormaliseInfoHeader(header, count, attempt->colourBlock, &attempt->format, &tableEnd);
    if (failure)
        return failure;

    // Without a file header the pixel data follows the colour table directly.
    uint64_t pixelOffset =
        location.hasFileHeader ? location.pixelOffset : location.headerOffset + tableEnd;
    if (!HasBytes(attempt->file, pixelOffset, 0))
        return conversionErrorText;
    *source = ViewFrom(attempt->file, pixelOffset);
    return nullptr;
}

// Converts the pixel data into the 24-bit image, copies that out as the picture and makes the
// record. Returns the failure's message, or null.
const char *ConvertAndCopy(LoadAttempt *attempt, ByteView source) {
    const DibFormat &format = attempt->format;
    // Refused forms, sizes beyond the bound and short pixel data fail before any allocation.
    if (!DibSourceFits(format, source.length))
        return conversionErrorText;
    const int64_t rows = DibRowCount(format);
    const size_t image24Bytes = (size_t)(Dib24RowBytes(format.width) * (uint64_t)rows);
    // Runs may skip pixels, which must then read as black.
    int zeroFill = format.compression == DibRle8 || format.compression == DibRle4;
    attempt->image24 =
        (unsigned char *)(zeroFill ? std::calloc(1, image24Bytes) : std::malloc(image24Bytes));
    if (!attempt->image24)
        return outOfMemoryText;
    if (ConvertDibTo24Bit(format, source, attempt->image24) == 0)
        return conversionErrorText;

    attempt->pixels = (unsigned char *)std::malloc((size_t)format.width * 3 * (size_t)rows);
    if (!attempt->pixels)
        return outOfMemoryText;
    CopyRowsAsRgb(attempt->image24, format.width, rows, attempt->pixels);

    attempt->image = (RgbImage *)std::malloc(sizeof(RgbImage));
    if (!attempt->image)
        return outOfMemoryText;
    *attempt->image = RgbImage{format.width, (int)rows, attempt->pixels};
    return nullptr;
}

// The whole file, mapped read-only; the loader never copies it.
struct MappedFile {
    int descriptor;
    void *address;
    size_t length;
};

int MapWholeFile(const char *fileName, MappedFile *file) {
    // Non-blocking, so that a name that turns out to be a pipe fails instead of waiting.
    int descriptor = open(fileName, O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (descriptor < 0)
        return 0;
    struct stat status;
    // An empty file cannot be mapped, and neither can anything that is not a regular file.
    if (fstat(descriptor, &status) != 0 || !S_ISREG(status.st_mode) || status.st_size <= 0 ||
        (uint64_t)status.st_size > SIZE_MAX) {
        close(descriptor);
        return 0;
    }
    size_t length = (size_t)status.st_size;
    void *address = mmap(nullptr, length, PROT_READ, MAP_PRIVATE, descriptor, 0);
    if (address == MAP_FAILED) {
        close(descriptor);
        return 0;
    }
    *file = MappedFile{descriptor, address, length};
    return 1;
}

void UnmapFile(MappedFile *file) {
    munmap(file->address, file->length);
    close(file->descriptor);
}

// The name is shown whole, however long: the text goes into a block of the right size, or,
// when even that cannot be had, into a fixed buffer with the name cut short.
void ShowOpenFailure(const char *fileName) {
    static const char format[] = "Failed to open DIB file %s.\n";
    static const char textWithoutName[] = "Failed to open DIB file .\n";
    char text[256];
    size_t needed = std::strlen(fileName) + sizeof textWithoutName;
    if (needed <= sizeof text) {
        std::snprintf(text, sizeof text, format, fileName);
        Report(fileName, text);
        return;
    }
    char *longText = (char *)std::malloc(needed);
    if (longText) {
        std::snprintf(longText, needed, format, fileName);
        Report(fileName, longText);
        std::free(longText);
        return;
    }
    int nameRoom = (int)(sizeof text - sizeof textWithoutName);
    std::snprintf(text, sizeof text, "Failed to open DIB file %.*s.\n", nameRoom, fileName);
    Report(fileName, text);
}

} // namespace

unsigned short CountPaletteColors(const unsigned char *dibHeader) {
    uint32_t count = 0;
    CountColoursIn(ByteView{dibHeader, infoHeaderBytes}, &count);
    return (unsigned short)count;
}

namespace {

// fileName only goes with the message.
RgbImage *LoadNamedBmpFromMemory(const unsigned char *bytes, size_t length, const char *fileName) {
    LoadAttempt attempt{};
    attempt.file = ByteView{bytes, bytes ? length : 0};
    ByteView source{nullptr, 0};
    const char *failure = DescribeDib(&attempt, &source);
    if (!failure)
        failure = ConvertAndCopy(&attempt, source);
    // The message goes up while the attempt still holds its blocks; they are released after.
    if (failure)
        Report(fileName, failure);
    std::free(attempt.image24);
    std::free(attempt.colourBlock);
    if (!attempt.image)
        std::free(attempt.pixels);
    return attempt.image;
}

} // namespace

void SetImageErrorReporter(ImageErrorReporter reporter) {
    errorReporter = reporter ? reporter : PrintImageError;
}

void PrintImageError(const char *fileName, const char *text) {
    // The open failure's text ends in a line break of its own; the line gets exactly one.
    int length = (int)std::strlen(text);
    while (length > 0 && text[length - 1] == '\n')
        --length;
    if (fileName && !std::strstr(text, fileName))
        std::fprintf(stderr, "%s: %.*s\n", fileName, length, text);
    else
        std::fprintf(stderr, "%.*s\n", length, text);
}

RgbImage *LoadBmpFromMemory(const unsigned char *bytes, size_t length) {
    return LoadNamedBmpFromMemory(bytes, length, nullptr);
}

RgbImage *LoadBmpImage(const char *fileName) {
    if (!fileName)
        fileName = "";
    MappedFile file;
    if (!MapWholeFile(fileName, &file)) {
        ShowOpenFailure(fileName);
        return nullptr;
    }
    RgbImage *image =
        LoadNamedBmpFromMemory((const unsigned char *)file.address, file.length, fileName);
    UnmapFile(&file);
    return image;
}

void FreeRgbImage(RgbImage *image) {
    if (!image)
        return;
    std::free(image->pixels);
    std::free(image);
}
