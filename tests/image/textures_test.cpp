#include <gtest/gtest.h>

#include <GL/gl.h>
#include <cstdlib>
#include <string>
#include <vector>

#include "image/textures.h"
#include "render/renderer.h"
#include "tests/image/image_test_support.h"
#include "tests/support/offscreen_gl.h"
#include "tools/bmp_builder.h"

namespace {

// A 24-bit picture whose pixels tell where they are: red = x, green = y from the bottom,
// blue = tag, so a texture read back shows size, row order and which file it came from.
std::vector<uint32_t> TaggedValues(int width, int height, unsigned char tag) {
    std::vector<uint32_t> values;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            values.push_back((uint32_t)(x & 0xFF) << 16 | (uint32_t)(y & 0xFF) << 8 | tag);
    return values;
}

Bytes TaggedRgb(int width, int height, unsigned char tag) {
    Bytes rgb;
    for (uint32_t value : TaggedValues(width, height, tag))
        rgb.insert(rgb.end(), {(unsigned char)(value >> 16), (unsigned char)(value >> 8), tag});
    return rgb;
}

void WriteTaggedBmp(const char *name, int width, int height, unsigned char tag) {
    BmpLayout layout;
    layout.width = width;
    layout.height = height;
    Bytes file =
        BuildBmp(layout, PackPixelRows(width, height, 24, TaggedValues(width, height, tag)));
    ASSERT_TRUE(WriteBytesToFile(name, file));
}

struct TextureContents {
    int width, height;
    Bytes rgb;
};

TextureContents ReadTexture(unsigned int name) {
    TextureContents contents{0, 0, {}};
    glBindTexture(GL_TEXTURE_2D, name);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &contents.width);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &contents.height);
    contents.rgb.resize((size_t)contents.width * contents.height * 3);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGB, GL_UNSIGNED_BYTE, contents.rgb.data());
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    return contents;
}

void ExpectTaggedTexture(unsigned int name, int width, int height, unsigned char tag) {
    ASSERT_NE(name, 0u);
    EXPECT_TRUE(glIsTexture(name));
    TextureContents contents = ReadTexture(name);
    EXPECT_EQ(contents.width, width);
    EXPECT_EQ(contents.height, height);
    EXPECT_EQ(contents.rgb, TaggedRgb(width, height, tag));
    GLint minFilter = 0, magFilter = 0;
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &minFilter);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, &magFilter);
    EXPECT_EQ(minFilter, GL_LINEAR);
    EXPECT_EQ(magFilter, GL_LINEAR);
}

// Each test runs in its own empty working directory with fresh texture names.
class TextureLoading : public testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(UseOffscreenGl());
        skinTexture = 0;
        floorTexture = 0;
        shownMessages.clear();
    }
    void TearDown() override {
        glDeleteTextures(1, &skinTexture);
        glDeleteTextures(1, &floorTexture);
    }
    TempWorkingDir workingDir;
};

TEST_F(TextureLoading, BothFilesMakeTwoTexturesSkinFirst) {
    WriteTaggedBmp("curlwhip.bmp", 8, 4, 1);
    WriteTaggedBmp("floor.bmp", 16, 8, 2);
    EXPECT_EQ(LoadTextures(), 1);
    ExpectTaggedTexture(skinTexture, 8, 4, 1);
    ExpectTaggedTexture(floorTexture, 16, 8, 2);
    EXPECT_LT(skinTexture, floorTexture);
    EXPECT_TRUE(shownMessages.empty());
}

TEST_F(TextureLoading, NeitherFileMeansNoTexturesAndNoMessage) {
    EXPECT_EQ(LoadTextures(), 0);
    EXPECT_EQ(skinTexture, 0u);
    EXPECT_EQ(floorTexture, 0u);
    EXPECT_TRUE(shownMessages.empty());
}

TEST_F(TextureLoading, OnlyFloorLeavesSkinUntextured) {
    WriteTaggedBmp("floor.bmp", 4, 4, 2);
    EXPECT_EQ(LoadTextures(), 1);
    EXPECT_EQ(skinTexture, 0u);
    ExpectTaggedTexture(floorTexture, 4, 4, 2);
    EXPECT_TRUE(shownMessages.empty());
}

TEST_F(TextureLoading, EmptySkinFileIsReportedAndFloorStillLoads) {
    ASSERT_TRUE(WriteBytesToFile("curlwhip.bmp", {}));
    WriteTaggedBmp("floor.bmp", 4, 2, 2);
    EXPECT_EQ(LoadTextures(), 1);
    EXPECT_EQ(skinTexture, 0u);
    ExpectTaggedTexture(floorTexture, 4, 2, 2);
    EXPECT_EQ(shownMessages, std::vector<std::string>{"Failed to open DIB file curlwhip.bmp.\n"});
}

TEST_F(TextureLoading, FloorWithLaterHeaderIsRefused) {
    BmpLayout layout;
    layout.headerSize = 108;
    ASSERT_TRUE(WriteBytesToFile("floor.bmp", BuildBmp(layout, Bytes(4, 0))));
    EXPECT_EQ(LoadTextures(), 0);
    EXPECT_EQ(floorTexture, 0u);
    EXPECT_EQ(shownMessages, std::vector<std::string>{"Unknown DIB file format."});

    shownMessages.clear();
    WriteTaggedBmp("curlwhip.bmp", 2, 2, 1);
    EXPECT_EQ(LoadTextures(), 1);
    ExpectTaggedTexture(skinTexture, 2, 2, 1);
    EXPECT_EQ(floorTexture, 0u);
    EXPECT_EQ(shownMessages, std::vector<std::string>{"Unknown DIB file format."});
}

TEST_F(TextureLoading, UploadsTheWholeImage) {
    WriteTaggedBmp("floor.bmp", 64, 32, 7);
    EXPECT_EQ(LoadTextures(), 1);
    TextureContents contents = ReadTexture(floorTexture);
    EXPECT_EQ(contents.rgb.size(), 6144u);
    ExpectTaggedTexture(floorTexture, 64, 32, 7);
}

TEST_F(TextureLoading, LeavesNoImageMemoryBehind) {
    // 256 x 256 pictures: any image left over would be 192 KiB.
    WriteTaggedBmp("curlwhip.bmp", 256, 256, 1);
    WriteTaggedBmp("floor.bmp", 256, 256, 2);
    ASSERT_EQ(LoadTextures(), 1); // the GL's one-time set-up is not counted
    TearDown();
    size_t heapBefore = HeapBytesInUse();
    ASSERT_EQ(LoadTextures(), 1);
    TearDown();
    EXPECT_LT(HeapBytesInUse(), heapBefore + 64 * 1024);
}

// Rows of 3-byte pixels are packed without filler; whatever the width, every row must arrive
// intact and the GL's unpack alignment must be as it was.
TEST_F(TextureLoading, UploadsAnyWidthWithoutReadingPastThePixels) {
    for (int width : {1, 2, 3, 5, 6, 7}) {
        SCOPED_TRACE(testing::Message() << "width " << width);
        Bytes rgb = TaggedRgb(width, 3, 9);
        RgbImage image{width, 3, (unsigned char *)std::malloc(rgb.size())};
        std::copy(rgb.begin(), rgb.end(), image.pixels);
        glGenTextures(1, &floorTexture);
        glBindTexture(GL_TEXTURE_2D, floorTexture);
        UploadTexture(&image);
        std::free(image.pixels);
        ExpectTaggedTexture(floorTexture, width, 3, 9);
        GLint alignment = 0;
        glGetIntegerv(GL_UNPACK_ALIGNMENT, &alignment);
        EXPECT_EQ(alignment, 4);
        glDeleteTextures(1, &floorTexture);
    }
}

} // namespace
