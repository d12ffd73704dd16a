#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <cstdio>
#include <string>
#include <sys/resource.h>
#include <unistd.h>
#include <vector>

#include "image/bmp_loader.h"
#include "tests/image/image_test_support.h"
#include "tools/bmp_builder.h"

namespace {

const char unknownFormat[] = "Unknown DIB file format.";
const char conversionError[] = "Image file conversion error.";

Bytes Rgb(const RgbImage *image) {
    return Bytes(image->pixels, image->pixels + (size_t)image->width * image->height * 3);
}

// Loads from a heap block of exactly the file's size, so that AddressSanitizer sees any read
// past its end.
RgbImage *Load(const Bytes &bytes) {
    shownMessages.clear();
    unsigned char *block = new unsigned char[bytes.size() + 1];
    std::copy(bytes.begin(), bytes.end(), block);
    RgbImage *image = LoadBmpFromMemory(block, bytes.size());
    delete[] block;
    return image;
}

// Loads file and expects exactly these red-green-blue bytes (and this size, when given) and no
// message.
void ExpectPixels(const Bytes &file, const Bytes &rgb, int width = -1, int height = -1) {
    RgbImage *image = Load(file);
    ASSERT_NE(image, nullptr) << (shownMessages.empty() ? "" : shownMessages[0]);
    if (width >= 0) {
        EXPECT_EQ(image->width, width);
        EXPECT_EQ(image->height, height);
    }
    EXPECT_EQ(Rgb(image), rgb);
    EXPECT_TRUE(shownMessages.empty());
    FreeRgbImage(image);
}

void ExpectLoads(const TestFile &file) {
    ExpectPixels(file.bytes, file.expectedRgb, file.width, file.height);
}

void ExpectRefused(const Bytes &bytes, const std::string &message) {
    RgbImage *image = Load(bytes);
    EXPECT_EQ(image, nullptr);
    FreeRgbImage(image);
    EXPECT_EQ(shownMessages, std::vector<std::string>{message});
}

// A 40-byte header of the given shape over enough zero pixel data for any form it accepts.
Bytes HeaderOnlyFile(int32_t width, int32_t height, uint32_t bitCount, uint32_t compression) {
    BmpLayout layout;
    layout.width = width;
    layout.height = height;
    layout.bitCount = bitCount;
    layout.compression = compression;
    return BuildBmp(layout, Bytes(64, 0));
}

TEST(CountPaletteColors, FollowsBitCountUnlessColoursUsedIsSet) {
    for (uint32_t headerSize : {12u, 40u}) {
        BmpLayout layout;
        layout.headerSize = headerSize;
        layout.fileHeader = 0;
        const uint32_t expected[][2] = {{1, 2}, {4, 16}, {8, 256}, {24, 0}, {16, 0}, {32, 0}};
        for (const auto &pair : expected) {
            layout.bitCount = pair[0];
            EXPECT_EQ(CountPaletteColors(BuildBmp(layout, {}).data()), pair[1])
                << headerSize << "-byte header, " << pair[0] << " bits";
        }
    }
    BmpLayout layout;
    layout.fileHeader = 0;
    layout.bitCount = 8;
    const uint32_t coloursUsed[][2] = {{16, 16}, {300, 300}, {70000, 70000 & 0xFFFF}};
    for (const auto &pair : coloursUsed) {
        layout.coloursUsed = pair[0];
        EXPECT_EQ(CountPaletteColors(BuildBmp(layout, {}).data()), pair[1]);
    }
    layout.bitCount = 24;
    layout.coloursUsed = 3;
    EXPECT_EQ(CountPaletteColors(BuildBmp(layout, {}).data()), 3);
}

TEST(BmpLoader, TurnsBlueGreenRedIntoRedGreenBlue) {
    BmpLayout layout;
    ExpectPixels(BuildBmp(layout, Bytes{0x10, 0x20, 0x30, 0}), Bytes{0x30, 0x20, 0x10});
}

TEST(BmpLoader, LoadsEveryRequiredDepthThroughBothHeadersWithAndWithoutFileHeader) {
    for (uint32_t bitCount : {1u, 4u, 8u, 24u})
        for (uint32_t headerSize : {12u, 40u})
            for (int fileHeader : {1, 0}) {
                SCOPED_TRACE(testing::Message() << bitCount << " bits, " << headerSize
                                                << "-byte header, file header " << fileHeader);
                ExpectLoads(MakeTestFile(bitCount, headerSize, fileHeader));
            }
}

TEST(BmpLoader, PacksRowsOfAnyWidthWithoutFiller) {
    for (int width : {1, 2, 3, 4, 5, 6, 7, 9, 33})
        for (uint32_t bitCount : {1u, 4u, 8u, 24u}) {
            SCOPED_TRACE(testing::Message() << "width " << width << ", " << bitCount << " bits");
            ExpectLoads(MakeTestFile(bitCount, 40, 1, width, 2));
        }
}

TEST(BmpLoader, ReturnsTopDownFilesBottomRowFirstWithPositiveHeight) {
    for (uint32_t bitCount : {1u, 4u, 8u, 24u})
        for (int fileHeader : {1, 0}) {
            SCOPED_TRACE(testing::Message() << bitCount << " bits, file header " << fileHeader);
            ExpectLoads(MakeTestFile(bitCount, 40, fileHeader, 6, 4, 1));
        }
}

TEST(BmpLoader, CarriesColoursUsedEntriesAndFindsPixelsAfterThem) {
    // An 8-bit file with a 16-entry table: without a file header the pixels start at 40 + 64.
    BmpLayout layout;
    layout.width = 4;
    layout.bitCount = 8;
    layout.coloursUsed = 16;
    for (uint32_t i = 0; i < 16; ++i)
        layout.palette.push_back(PaletteColour(i));
    Bytes pixels = PackPixelRows(4, 1, 8, {0, 5, 10, 15});
    Bytes expected;
    for (uint32_t index : {0, 5, 10, 15}) {
        BmpColour colour = PaletteColour(index);
        expected.insert(expected.end(), {colour.red, colour.green, colour.blue});
    }
    for (int fileHeader : {1, 0}) {
        layout.fileHeader = fileHeader;
        Bytes file = BuildBmp(layout, pixels);
        EXPECT_EQ(file.size(), (fileHeader ? 14u : 0u) + 40 + 64 + 4);
        ExpectPixels(file, expected);
    }

    // A 24-bit file with a 3-entry table skips it before the pixels.
    BmpLayout trueColour;
    trueColour.fileHeader = 0;
    trueColour.coloursUsed = 3;
    trueColour.palette = {BmpColour{1, 2, 3}, BmpColour{4, 5, 6}, BmpColour{7, 8, 9}};
    ExpectPixels(BuildBmp(trueColour, PackPixelRows(1, 1, 24, {0xA0B0C0})),
                 Bytes{0xA0, 0xB0, 0xC0});
}

TEST(BmpLoader, ReadsThreeByteColourEntriesAfterTwelveByteHeader) {
    BmpLayout layout;
    layout.headerSize = 12;
    layout.bitCount = 1;
    layout.width = 3;
    layout.palette = {BmpColour{200, 100, 50}, BmpColour{1, 2, 3}};
    for (int fileHeader : {1, 0}) {
        layout.fileHeader = fileHeader;
        Bytes file = BuildBmp(layout, PackPixelRows(3, 1, 1, {1, 0, 1}));
        EXPECT_EQ(file.size(), (fileHeader ? 14u : 0u) + 12 + 2 * 3 + 4);
        ExpectPixels(file, Bytes{1, 2, 3, 200, 100, 50, 1, 2, 3});
    }
}

TEST(BmpLoader, TakesPixelDataFromTheFileHeadersOffset) {
    BmpLayout layout;
    layout.gapBeforePixels = 6;
    ExpectPixels(BuildBmp(layout, PackPixelRows(1, 1, 24, {0x123456})), Bytes{0x12, 0x34, 0x56});
}

TEST(BmpLoader, GivesBlackForIndicesBeyondTheColourTable) {
    BmpLayout layout;
    layout.width = 4;
    layout.bitCount = 8;
    layout.coloursUsed = 2;
    layout.palette = {BmpColour{9, 9, 9}, BmpColour{200, 210, 220}};
    ExpectPixels(BuildBmp(layout, PackPixelRows(4, 1, 8, {1, 2, 255, 0})),
                 Bytes{200, 210, 220, 0, 0, 0, 0, 0, 0, 9, 9, 9});

    // 65536 colours used keeps no entries at all (its low 16 bits are 0): every pixel is black.
    layout.coloursUsed = 65536;
    layout.palette.clear();
    layout.bitCount = 4;
    ExpectPixels(BuildBmp(layout, PackPixelRows(4, 1, 4, {1, 2, 15, 0})), Bytes(12, 0));
}

TEST(BmpLoader, LoadsSixteenAndThirtyTwoBitPixelsPlainAndWithBitFields) {
    struct Case {
        uint32_t bitCount, compression, masks[3], pixel;
        Bytes rgb;
    };
    const Case cases[] = {
        {16, 0, {0, 0, 0}, 0x7C00, {255, 0, 0}},     // 5-5-5 by default
        {16, 0, {0, 0, 0}, 0x4210, {132, 132, 132}}, // 5-bit 16 repeats its bits
        {16, 3, {0xF800, 0x07E0, 0x001F}, 0x07E0, {0, 255, 0}},
        {16, 3, {0xF800, 0x07E0, 0x001F}, 0x001F, {0, 0, 255}},
        {32, 0, {0, 0, 0}, 0xFF102030, {0x10, 0x20, 0x30}}, // blue, green, red, unused
        {32, 3, {0xFF000000, 0x00FF0000, 0x0000FF00}, 0x11223344, {0x11, 0x22, 0x33}},
        {32, 3, {0, 0x3FF, 0}, 0x3FF, {0, 255, 0}}, // a 10-bit channel, a missing one
    };
    for (const Case &c : cases)
        for (int fileHeader : {1, 0}) {
            SCOPED_TRACE(testing::Message() << c.bitCount << " bits, compression " << c.compression
                                            << ", pixel " << c.pixel);
            BmpLayout layout;
            layout.bitCount = c.bitCount;
            layout.compression = c.compression;
            layout.fileHeader = fileHeader;
            std::copy(c.masks, c.masks + 3, layout.masks);
            ExpectPixels(BuildBmp(layout, PackPixelRows(1, 1, c.bitCount, {c.pixel})), c.rgb);
        }
}

// Four colours a run-length file can pick by index.
BmpLayout RunLengthLayout(uint32_t bitCount, int width, int height) {
    BmpLayout layout;
    layout.width = width;
    layout.height = height;
    layout.bitCount = bitCount;
    layout.compression = bitCount == 8 ? 1 : 2;
    layout.coloursUsed = 4;
    layout.palette = {BmpColour{0, 0, 0}, BmpColour{255, 0, 0}, BmpColour{0, 255, 0},
                      BmpColour{0, 0, 255}};
    return layout;
}

// Red-green-blue bytes of a picture given as palette indices, bottom row first, 9 = untouched.
Bytes IndexedRgb(const std::vector<int> &indices) {
    const unsigned char colours[4][3] = {{0, 0, 0}, {255, 0, 0}, {0, 255, 0}, {0, 0, 255}};
    Bytes rgb;
    for (int index : indices)
        rgb.insert(rgb.end(), colours[index == 9 ? 0 : index], colours[index == 9 ? 0 : index] + 3);
    return rgb;
}

const Bytes rle8Data = {
    5, 1, 0, 0,             // row 0: a run of five reds clipped to four, end of line
    0, 3, 2, 3, 2, 0, 0, 0, // row 1: three literal indices padded to four bytes, end of line
    0, 2, 1, 1,             // jump one right and one up: row 2 stays black
    2, 3,                   // two blues in row 3
    0, 1,                   // end of bitmap: the rest stays black
};
const std::vector<int> rle8Picture = {1, 1, 1, 1, 2, 3, 2, 9, 9, 9, 9, 9, 9, 3, 3, 9};

const Bytes rle4Data = {
    4, 0x12, 0,    0,          // row 0: four pixels alternating red and green, end of line
    0, 3,    0x31, 0x20, 0, 0, // row 1: three literal indices in two bytes, end of line
    3, 0x33, 0,    1,          // row 2: three blues, end of bitmap
};
const std::vector<int> rle4Picture = {1, 2, 1, 2, 3, 1, 2, 9, 3, 3, 3, 9};

TEST(BmpLoader, DecodesRunLengthData) {
    ExpectPixels(BuildBmp(RunLengthLayout(8, 4, 4), rle8Data), IndexedRgb(rle8Picture));

    ExpectPixels(BuildBmp(RunLengthLayout(4, 4, 3), rle4Data), IndexedRgb(rle4Picture));

    // Rows completed by end-of-line markers alone need no end-of-bitmap marker.
    ExpectPixels(BuildBmp(RunLengthLayout(8, 2, 2), Bytes{2, 1, 0, 0, 2, 3, 0, 0}),
                 IndexedRgb({1, 1, 3, 3}));
}

TEST(BmpLoader, RefusesHeaderSizesOtherThanTwelveAndForty) {
    for (uint32_t headerSize : {108u, 124u, 64u, 16u, 0u})
        for (int fileHeader : {1, 0}) {
            SCOPED_TRACE(testing::Message() << headerSize << "-byte header");
            BmpLayout layout;
            layout.headerSize = headerSize;
            layout.fileHeader = fileHeader;
            ExpectRefused(BuildBmp(layout, Bytes(4, 0)), unknownFormat);
        }
}

TEST(BmpLoader, RefusesEmptyAndOversizedPictures) {
    const int32_t sizes[][2] = {{0, 1},      {1, 0},        {-4, 4},      {16385, 1},  {1, 16385},
                                {1, -16385}, {16384, 8192}, {INT_MAX, 1}, {1, INT_MIN}};
    for (const auto &size : sizes) {
        SCOPED_TRACE(testing::Message() << size[0] << " x " << size[1]);
        ExpectRefused(HeaderOnlyFile(size[0], size[1], 24, 0), conversionError);
    }
    BmpLayout core;
    core.headerSize = 12;
    core.width = 65535;
    ExpectRefused(BuildBmp(core, Bytes(64, 0)), conversionError);
}

TEST(BmpLoader, RefusesFormsItCannotConvert) {
    const uint32_t forms[][3] = {
        {2, 0, 1},  // two bits per pixel
        {0, 0, 1},  // none
        {8, 4, 1},  // embedded JPEG
        {8, 5, 1},  // embedded PNG
        {4, 1, 1},  // RLE8 code with four bits per pixel
        {8, 2, 1},  // RLE4 code with eight
        {24, 3, 1}, // bit fields with 24 bits per pixel
        {8, 1, 0},  // run-length data stored top row first
    };
    for (const auto &form : forms) {
        SCOPED_TRACE(testing::Message() << form[0] << " bits, compression " << form[1]);
        ExpectRefused(HeaderOnlyFile(4, form[2] ? 2 : -2, form[0], form[1]), conversionError);
    }
}

TEST(BmpLoader, ReportsFilesThatCannotBeOpenedOrMapped) {
    TempDir dir;
    std::string missing = dir.File("missing.bmp");
    std::string empty = dir.File("empty.bmp");
    ASSERT_TRUE(WriteBytesToFile(empty.c_str(), {}));
    // Names of any length appear whole; the last one is too long even to open.
    std::string longName = dir.File((std::string(230, 'x') + ".bmp").c_str());
    std::string overlongName = dir.path + "/" + std::string(5000, 'y');
    for (const std::string &name : {missing, empty, dir.path, longName, overlongName}) {
        shownMessages.clear();
        EXPECT_EQ(LoadBmpImage(name.c_str()), nullptr);
        EXPECT_EQ(shownMessages,
                  std::vector<std::string>{"Failed to open DIB file " + name + ".\n"});
    }
}

TEST(BmpLoader, FailsCleanlyOnEveryPrefixOfAValidFile) {
    std::vector<Bytes> files = {MakeTestFile(24, 40, 1).bytes,
                                MakeTestFile(8, 12, 0).bytes,
                                MakeTestFile(4, 40, 1, 3, 2, 1).bytes,
                                MakeTestFile(1, 12, 1).bytes,
                                BuildBmp(RunLengthLayout(8, 4, 4), rle8Data),
                                BuildBmp(RunLengthLayout(4, 4, 3), rle4Data)};
    BmpLayout bitFields;
    bitFields.bitCount = 16;
    bitFields.compression = 3;
    bitFields.fileHeader = 0;
    files.push_back(BuildBmp(bitFields, Bytes(4, 0)));
    for (const Bytes &file : files) {
        RgbImage *whole = Load(file);
        ASSERT_NE(whole, nullptr) << "the whole file must load";
        FreeRgbImage(whole);
        for (size_t length = 0; length < file.size(); ++length) {
            SCOPED_TRACE(testing::Message() << length << " of " << file.size() << " bytes");
            RgbImage *image = Load(Bytes(file.begin(), file.begin() + (long)length));
            EXPECT_EQ(image, nullptr);
            FreeRgbImage(image);
            ASSERT_EQ(shownMessages.size(), 1u);
            EXPECT_TRUE(shownMessages[0] == unknownFormat || shownMessages[0] == conversionError)
                << shownMessages[0];
        }
    }
}

TEST(BmpLoader, ReleasesTheFileAndEveryBlockOnEveryPath) {
    TempDir dir;
    BmpLayout unknown;
    unknown.headerSize = 108;
    // A large run-length picture whose data ends early fails only after its 24-bit image (3 MiB)
    // has been allocated and filled.
    Bytes bigRunLength = BuildBmp(RunLengthLayout(8, 1024, 1024), Bytes{0, 0, 0, 0});
    struct Case {
        const char *name;
        Bytes bytes;
        const char *message;
    };
    const Case cases[] = {
        {"good.bmp", MakeTestFile(8, 40, 1, 64, 64).bytes, nullptr},
        {"unknown.bmp", BuildBmp(unknown, Bytes(4, 0)), unknownFormat},
        {"short.bmp", HeaderOnlyFile(64, 64, 24, 0), conversionError},
        {"big.bmp", bigRunLength, conversionError},
        {"empty.bmp", Bytes(), nullptr},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        std::string path = dir.File(c.name);
        ASSERT_TRUE(WriteBytesToFile(path.c_str(), c.bytes));
        FreeRgbImage(LoadBmpImage(path.c_str())); // the first call's lazy set-up is not counted
        shownMessages.clear();
        shownMessages.reserve(4);
        size_t heapBefore = HeapBytesInUse();
        RgbImage *image = LoadBmpImage(path.c_str());
        EXPECT_FALSE(IsFileOpenOrMapped(path));
        EXPECT_EQ(image != nullptr, c.name == std::string("good.bmp"));
        FreeRgbImage(image);
        EXPECT_LT(HeapBytesInUse(), heapBefore + 1024);
        EXPECT_EQ(shownMessages.size(), c.name == std::string("good.bmp") ? 0u : 1u);
        if (c.message && !shownMessages.empty()) {
            EXPECT_EQ(shownMessages[0], c.message);
        }
    }
}

#ifndef IMAGE_TESTS_ASAN
// Runs in a child process whose address space is capped just above its current size, so that
// the 24-bit image of a large (but accepted) run-length picture cannot be had.
void LoadWithCappedAddressSpace(const Bytes &file) {
    long pages = 0;
    FILE *statm = std::fopen("/proc/self/statm", "r");
    if (!statm || std::fscanf(statm, "%ld", &pages) != 1)
        std::_Exit(2);
    std::fclose(statm);
    rlim_t cap = (rlim_t)pages * (rlim_t)sysconf(_SC_PAGESIZE) + (64u << 20);
    struct rlimit limit = {cap, cap};
    if (setrlimit(RLIMIT_AS, &limit) != 0)
        std::_Exit(3);
    RgbImage *image = Load(file);
    int outOfMemory = !image && shownMessages == std::vector<std::string>{"Out of memory."};
    std::_Exit(outOfMemory ? 0 : 1);
}
#endif

TEST(BmpLoaderDeathTest, ReportsOutOfMemory) {
#ifdef IMAGE_TESTS_ASAN
    GTEST_SKIP() << "AddressSanitizer reserves more address space than any cap allows";
#else
    // 16384 x 4096 pixels: 192 MiB for the 24-bit image alone.
    Bytes file = BuildBmp(RunLengthLayout(8, 16384, 4096), Bytes{0, 1});
    EXPECT_EXIT(LoadWithCappedAddressSpace(file), testing::ExitedWithCode(0), "");
#endif
}

TEST(ShippedTextures, LoadAsPowerOfTwoPictures) {
    for (const char *name : {"floor.bmp", "curlwhip.bmp"}) {
        SCOPED_TRACE(name);
        shownMessages.clear();
        RgbImage *image = LoadBmpImage((std::string(SKIN_ASSETS_DIR "/") + name).c_str());
        ASSERT_NE(image, nullptr);
        EXPECT_TRUE(shownMessages.empty());
        for (int size : {image->width, image->height})
            EXPECT_TRUE(size >= 64 && (size & (size - 1)) == 0) << size;
        FreeRgbImage(image);
    }
}

} // namespace
