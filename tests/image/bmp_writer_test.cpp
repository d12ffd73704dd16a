#include "image/bmp_writer.h"

#include "image/bmp_loader.h"
#include "tests/image/image_test_support.h"

#include <cstdio>
#include <gtest/gtest.h>
#include <string>
#include <unistd.h>

namespace {

std::string TempPath(const char *name) {
    return ::testing::TempDir() + "bmp_writer_" + std::to_string(getpid()) + "_" + name;
}

unsigned ReadU32(const std::vector<unsigned char> &bytes, size_t at) {
    return bytes[at] | bytes[at + 1] << 8 | bytes[at + 2] << 16 | (unsigned)bytes[at + 3] << 24;
}

TEST(BmpWriter, WritesPaddedBottomUpBgrRowsWithAConsistentHeader) {
    // 3 x 2, bottom row first: red, green, blue / white, black, grey.
    const unsigned char rgb[] = {255, 0,   0,   0, 255, 0, 0,   0,   255,
                                 255, 255, 255, 0, 0,   0, 128, 128, 128};
    std::string path = TempPath("small.bmp");
    ASSERT_EQ(WriteBmp24(path.c_str(), 3, 2, rgb), 1);
    std::vector<unsigned char> bytes = ReadBytesFromFile(path.c_str());
    std::remove(path.c_str());
    ASSERT_EQ(bytes.size(), 54u + 2 * 12); // rows of 9 bytes padded to 12
    EXPECT_EQ(bytes[0], 'B');
    EXPECT_EQ(bytes[1], 'M');
    EXPECT_EQ(ReadU32(bytes, 2), bytes.size());
    EXPECT_EQ(ReadU32(bytes, 10), 54u);
    EXPECT_EQ(ReadU32(bytes, 14), 40u);
    EXPECT_EQ(ReadU32(bytes, 18), 3u);
    EXPECT_EQ(ReadU32(bytes, 22), 2u);
    EXPECT_EQ(bytes[28], 24);
    EXPECT_EQ(ReadU32(bytes, 34), 24u);
    const unsigned char firstRow[] = {0, 0, 255, 0, 255, 0, 255, 0, 0, 0, 0, 0};
    for (int i = 0; i < 12; ++i)
        EXPECT_EQ(bytes[54 + i], firstRow[i]) << i;
}

TEST(BmpWriter, RoundTripsThroughTheLoaderAtAnyWidth) {
    for (int width : {1, 2, 3, 4, 5}) {
        const int height = 3;
        std::vector<unsigned char> rgb((size_t)width * height * 3);
        for (size_t i = 0; i < rgb.size(); ++i)
            rgb[i] = (unsigned char)(i * 37 + 11);
        std::string path = TempPath("round.bmp");
        ASSERT_EQ(WriteBmp24(path.c_str(), width, height, rgb.data()), 1);
        RgbImage *image = LoadBmpImage(path.c_str());
        std::remove(path.c_str());
        ASSERT_NE(image, nullptr) << "width " << width;
        EXPECT_EQ(image->width, width);
        EXPECT_EQ(image->height, height);
        EXPECT_EQ(std::vector<unsigned char>(image->pixels, image->pixels + rgb.size()), rgb);
        FreeRgbImage(image);
    }
}

TEST(BmpWriter, RefusesEmptySizesMissingPixelsAndUnwritablePaths) {
    const unsigned char rgb[3] = {1, 2, 3};
    std::string path = TempPath("never.bmp");
    EXPECT_EQ(WriteBmp24(path.c_str(), 0, 1, rgb), 0);
    EXPECT_EQ(WriteBmp24(path.c_str(), 1, -1, rgb), 0);
    EXPECT_EQ(WriteBmp24(path.c_str(), 1, 1, nullptr), 0);
    EXPECT_EQ(WriteBmp24(nullptr, 1, 1, rgb), 0);
    EXPECT_EQ(WriteBmp24("/nonexistent-dir/x.bmp", 1, 1, rgb), 0);
    EXPECT_EQ(std::fopen(path.c_str(), "rb"), nullptr);
}

} // namespace
