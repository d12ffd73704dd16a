// Our decoding checked against an independent decoder: ImageMagick writes a few pictures as BMP
// in several depths and both header forms, and its own decoding of each file, as raw RGB, must
// match ours pixel by pixel.

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <set>
#include <string>
#include <tuple>

#include "image/bmp_loader.h"
#include "tests/image/image_test_support.h"
#include "tools/bmp_builder.h"

namespace {

int HaveConvert() {
    return std::system("command -v convert > /dev/null 2>&1") == 0;
}

int RunConvert(const std::string &arguments) {
    return std::system(("convert " + arguments + " 2> /dev/null").c_str()) == 0;
}

uint32_t FieldU32(const Bytes &bytes, size_t offset) {
    return (uint32_t)bytes[offset] | (uint32_t)bytes[offset + 1] << 8 |
           (uint32_t)bytes[offset + 2] << 16 | (uint32_t)bytes[offset + 3] << 24;
}

uint32_t FieldU16(const Bytes &bytes, size_t offset) {
    return (uint32_t)bytes[offset] | (uint32_t)bytes[offset + 1] << 8;
}

// A picture as a binary PPM, which ImageMagick reads without any choice of its own.
struct Picture {
    const char *name;
    int width, height;
    BmpColour (*colourAt)(int x, int y);
};

const Picture pictures[] = {
    {"gradient", 37, 23,
     [](int x, int y) {
         return BmpColour{(unsigned char)(x * 255 / 36), (unsigned char)(y * 255 / 22),
                          (unsigned char)((x + y) * 4)};
     }},
    {"stripes", 16, 9,
     [](int x, int y) {
         const BmpColour colours[] = {{200, 30, 30},   {30, 200, 30}, {30, 30, 200},
                                      {250, 250, 250}, {0, 0, 0},     {120, 90, 60}};
         return colours[(x / 3 + y) % 6];
     }},
    {"noise", 33, 32,
     [](int x, int y) {
         uint32_t h = (uint32_t)x * 73856093u ^ (uint32_t)y * 19349663u;
         h = (h ^ (h >> 13)) * 0x5bd1e995u;
         return BmpColour{(unsigned char)h, (unsigned char)(h >> 8), (unsigned char)(h >> 16)};
     }},
};

void WritePpm(const Picture &picture, const std::string &path) {
    std::string text =
        "P6\n" + std::to_string(picture.width) + " " + std::to_string(picture.height) + "\n255\n";
    Bytes bytes(text.begin(), text.end());
    for (int y = 0; y < picture.height; ++y)
        for (int x = 0; x < picture.width; ++x) {
            BmpColour colour = picture.colourAt(x, y);
            bytes.insert(bytes.end(), {colour.red, colour.green, colour.blue});
        }
    ASSERT_TRUE(WriteBytesToFile(path.c_str(), bytes));
}

struct Form {
    const char *options;
    const char *coder; // BMP2: 12-byte header, BMP3: 40-byte header, BMP: a later, longer one
};

const Form forms[] = {
    {"-type TrueColor", "BMP3"},
    {"-type TrueColor", "BMP2"},
    {"-type Palette -compress None", "BMP3"},
    {"-type Palette", "BMP2"},
    {"-colors 16 -type Palette -compress None", "BMP3"},
    {"-colors 16 -type Palette", "BMP2"},
    {"-monochrome -compress None", "BMP3"},
    {"-monochrome", "BMP2"},
    {"-type Palette -compress RLE", "BMP3"},
    {"-alpha set -define bmp3:alpha=true", "BMP3"},
    {"-define bmp:subtype=RGB565", "BMP"},
    {"-define bmp:subtype=RGB555", "BMP"},
};

// A later header begins with the 40-byte one followed by the three masks, which is exactly the
// layout of a bit-field file with a 40-byte header: keep those 52 bytes and the pixels.
Bytes WithInformationHeader(const Bytes &file) {
    Bytes out(file.begin(), file.begin() + 14 + 52);
    out[14] = 40;
    out[15] = out[16] = out[17] = 0;
    out.insert(out.end(), file.begin() + FieldU32(file, 10), file.end());
    for (int i = 0; i < 4; ++i)
        out[10 + i] = (unsigned char)((14 + 52) >> (8 * i));
    return out;
}

// The same file without its file header, when its pixels follow the colour table directly (where
// a headerless file keeps them).
int StripFileHeader(const Bytes &file, Bytes *headerless) {
    uint32_t headerSize = FieldU32(file, 14);
    uint32_t entryBytes = headerSize == 12 ? 3 : 4;
    uint32_t masks = headerSize == 40 && FieldU32(file, 30) == 3 ? 12 : 0;
    uint32_t tableEnd = 14 + headerSize + masks + entryBytes * CountPaletteColors(&file[14]);
    if (FieldU32(file, 10) != tableEnd)
        return 0;
    headerless->assign(file.begin() + 14, file.end());
    return 1;
}

// Our image (bottom row first) against ImageMagick's raw RGB (top row first).
void ExpectSamePixels(const Bytes &file, const Bytes &reference, int width, int height) {
    shownMessages.clear();
    RgbImage *image = LoadBmpFromMemory(file.data(), file.size());
    ASSERT_NE(image, nullptr) << (shownMessages.empty() ? "" : shownMessages[0]);
    ASSERT_EQ(image->width, width);
    ASSERT_EQ(image->height, height);
    ASSERT_EQ(reference.size(), (size_t)width * height * 3);
    int mismatches = 0;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width * 3; ++x) {
            unsigned char ours = image->pixels[(size_t)y * width * 3 + x];
            unsigned char theirs = reference[(size_t)(height - 1 - y) * width * 3 + x];
            if (ours != theirs && mismatches++ < 5)
                ADD_FAILURE() << "pixel " << x / 3 << ", " << y << " channel " << x % 3 << ": "
                              << (int)ours << " against " << (int)theirs;
        }
    EXPECT_EQ(mismatches, 0);
    FreeRgbImage(image);
}

TEST(BmpCrossCheck, MatchesImageMagickPixelForPixel) {
    if (!HaveConvert())
        GTEST_SKIP() << "ImageMagick's convert is not installed";
    TempDir dir;
    std::set<std::tuple<uint32_t, uint32_t, uint32_t>> formsSeen; // header, bits, compression
    for (const Picture &picture : pictures) {
        std::string source = dir.File((std::string(picture.name) + ".ppm").c_str());
        WritePpm(picture, source);
        for (const Form &form : forms) {
            SCOPED_TRACE(testing::Message()
                         << picture.name << ", " << form.options << " " << form.coder);
            std::string bmp = dir.File("picture.bmp"), raw = dir.File("picture.rgb");
            ASSERT_TRUE(RunConvert("'" + source + "' " + form.options + " " + form.coder + ":'" +
                                   bmp + "'"));
            ASSERT_TRUE(RunConvert("'" + bmp + "' -depth 8 rgb:'" + raw + "'"));
            Bytes file = ReadBytesFromFile(bmp.c_str());
            ASSERT_GT(file.size(), 54u);
            if (FieldU32(file, 14) > 40)
                file = WithInformationHeader(file);
            uint32_t headerSize = FieldU32(file, 14);
            formsSeen.insert({headerSize, FieldU16(file, headerSize == 12 ? 24 : 28),
                              headerSize == 12 ? 0 : FieldU32(file, 30)});
            Bytes reference = ReadBytesFromFile(raw.c_str());
            ExpectSamePixels(file, reference, picture.width, picture.height);
            Bytes headerless;
            if (StripFileHeader(file, &headerless))
                ExpectSamePixels(headerless, reference, picture.width, picture.height);
        }
    }
    // Every required form came up at least once.
    for (uint32_t headerSize : {12u, 40u})
        for (uint32_t bitCount : {1u, 4u, 8u, 24u})
            EXPECT_EQ(formsSeen.count({headerSize, bitCount, 0}), 1u)
                << headerSize << "-byte header, " << bitCount << " bits";
    EXPECT_EQ(formsSeen.count({40, 8, 1}), 1u) << "run-length";
    EXPECT_EQ(formsSeen.count({40, 16, 3}), 1u) << "bit fields";
}

} // namespace
