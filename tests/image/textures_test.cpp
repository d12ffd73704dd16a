#include <gtest/gtest.h>

#include <GL/gl.h>
#include <cstdlib>
#include <string>
#include <vector>

#include "image/textures.h"
#include "tests/image/image_test_support.h"
#include "tests/support/offscreen_gl.h"
#include "tools/bmp_builder.h"

namespace {

// The names LoadTextures fills, as the renderer's two globals would be.
unsigned int skinTexture = 0;
unsigned int floorTexture = 0;

int LoadBothTextures() {
    return LoadTextures(&skinTexture, &floorTexture);
}

// A 24-bit picture of the given size as name; returns what its texture must hold.
TestFile WriteTestBmp(const char *name, int width, int height) {
    TestFile file = MakeTestFile(24, 40, 1, width, height);
    EXPECT_TRUE(WriteBytesToFile(name, file.bytes));
    return file;
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

void ExpectTexture(unsigned int name, const TestFile &file) {
    ASSERT_NE(name, 0u);
    EXPECT_TRUE(glIsTexture(name));
    TextureContents contents = ReadTexture(name);
    EXPECT_EQ(contents.width, file.width);
    EXPECT_EQ(contents.height, file.height);
    EXPECT_EQ(contents.rgb, file.expectedRgb);
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
    TestFile skin = WriteTestBmp("curlwhip.bmp", 8, 4);
    TestFile floor = WriteTestBmp("floor.bmp", 16, 8);
    EXPECT_EQ(LoadBothTextures(), 1);
    ExpectTexture(skinTexture, skin);
    ExpectTexture(floorTexture, floor);
    EXPECT_LT(skinTexture, floorTexture);
    EXPECT_TRUE(shownMessages.empty());
}

TEST_F(TextureLoading, NeitherFileMeansNoTexturesAndNoMessage) {
    EXPECT_EQ(LoadBothTextures(), 0);
    EXPECT_EQ(skinTexture, 0u);
    EXPECT_EQ(floorTexture, 0u);
    EXPECT_TRUE(shownMessages.empty());
}

TEST_F(TextureLoading, OnlyFloorLeavesSkinUntextured) {
    TestFile floor = WriteTestBmp("floor.bmp", 4, 4);
    EXPECT_EQ(LoadBothTextures(), 1);
    EXPECT_EQ(skinTexture, 0u);
    ExpectTexture(floorTexture, floor);
    EXPECT_TRUE(shownMessages.empty());
}

TEST_F(TextureLoading, EmptySkinFileIsReportedAndFloorStillLoads) {
    ASSERT_TRUE(WriteBytesToFile("curlwhip.bmp", {}));
    TestFile floor = WriteTestBmp("floor.bmp", 4, 2);
    EXPECT_EQ(LoadBothTextures(), 1);
    EXPECT_EQ(skinTexture, 0u);
    ExpectTexture(floorTexture, floor);
    EXPECT_EQ(shownMessages, std::vector<std::string>{"Failed to open DIB file curlwhip.bmp.\n"});
}

TEST_F(TextureLoading, FloorWithLaterHeaderIsRefused) {
    BmpLayout layout;
    layout.headerSize = 108;
    ASSERT_TRUE(WriteBytesToFile("floor.bmp", BuildBmp(layout, Bytes(4, 0))));
    EXPECT_EQ(LoadBothTextures(), 0);
    EXPECT_EQ(floorTexture, 0u);
    EXPECT_EQ(shownMessages, std::vector<std::string>{"Unknown DIB file format."});

    shownMessages.clear();
    TestFile skin = WriteTestBmp("curlwhip.bmp", 2, 2);
    EXPECT_EQ(LoadBothTextures(), 1);
    ExpectTexture(skinTexture, skin);
    EXPECT_EQ(floorTexture, 0u);
    EXPECT_EQ(shownMessages, std::vector<std::string>{"Unknown DIB file format."});
}

TEST_F(TextureLoading, UploadsTheWholeImage) {
    TestFile floor = WriteTestBmp("floor.bmp", 64, 32);
    EXPECT_EQ(LoadBothTextures(), 1);
    EXPECT_EQ(floor.expectedRgb.size(), 6144u);
    ExpectTexture(floorTexture, floor);
}

TEST_F(TextureLoading, LeavesNoImageMemoryBehind) {
    // 256 x 256 pictures: any image left over would be 192 KiB.
    WriteTestBmp("curlwhip.bmp", 256, 256);
    WriteTestBmp("floor.bmp", 256, 256);
    ASSERT_EQ(LoadBothTextures(), 1); // the GL's one-time set-up is not counted
    TearDown();
    size_t heapBefore = HeapBytesInUse();
    ASSERT_EQ(LoadBothTextures(), 1);
    TearDown();
    EXPECT_LT(HeapBytesInUse(), heapBefore + 64 * 1024);
}

// Rows of 3-byte pixels are packed without filler; whatever the width, every row must arrive
// intact and the GL's unpack alignment must be as it was.
TEST_F(TextureLoading, UploadsAnyWidthWithoutReadingPastThePixels) {
    for (int width : {1, 2, 3, 5, 6, 7}) {
        SCOPED_TRACE(testing::Message() << "width " << width);
        TestFile file = MakeTestFile(24, 40, 1, width, 3);
        RgbImage image{width, 3, (unsigned char *)std::malloc(file.expectedRgb.size())};
        std::copy(file.expectedRgb.begin(), file.expectedRgb.end(), image.pixels);
        glGenTextures(1, &floorTexture);
        glBindTexture(GL_TEXTURE_2D, floorTexture);
        UploadTexture(&image);
        std::free(image.pixels);
        ExpectTexture(floorTexture, file);
        GLint alignment = 0;
        glGetIntegerv(GL_UNPACK_ALIGNMENT, &alignment);
        EXPECT_EQ(alignment, 4);
        glDeleteTextures(1, &floorTexture);
    }
}

} // namespace
