#include <gtest/gtest.h>

#include <GL/gl.h>
#include <cstdio>
#include <cstdlib>
#include <grp.h>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "image/textures.h"
#include "tests/image/image_test_support.h"
#include "tests/support/offscreen_gl.h"
#include "tools/bmp_builder.h"

namespace {

// The names LoadTextures fills, as the renderer's two globals would be.
unsigned int skinTexture = 0;
unsigned int floorTexture = 0;

// The working directory alone.
const char *const workingDirectory[] = {""};

int LoadBothTextures() {
    return LoadTextures(workingDirectory, 1, &skinTexture, &floorTexture);
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
    // A path through something that is not a folder leads to no file either.
    ASSERT_TRUE(WriteBytesToFile("plain", {}));
    EXPECT_EQ(LoadImageIfPresent("plain/floor.bmp"), nullptr);
    EXPECT_TRUE(shownMessages.empty());
}

const std::vector<std::string> floorOpenFailure{"Failed to open DIB file floor.bmp.\n"};

// Loads floor.bmp in a child process that has given up root, which reads any file whatever its
// mode. Returns 1 when the child saw the open failure alone, 0 when not, -1 when it could not
// give up root.
int FloorFailsForAnUnprivilegedUser() {
    pid_t child = fork();
    if (child == 0) {
        if (setgroups(0, nullptr) != 0 || setgid(65534) != 0 || setuid(65534) != 0)
            _exit(2);
        RgbImage *image = LoadImageIfPresent("floor.bmp");
        _exit(!image && shownMessages == floorOpenFailure ? 0 : 1);
    }
    int status = 0;
    if (child < 0 || waitpid(child, &status, 0) != child || !WIFEXITED(status))
        return 0;
    return WEXITSTATUS(status) == 2 ? -1 : WEXITSTATUS(status) == 0;
}

// Only a missing file is skipped silently; anything else by that name is reported and the other
// texture still loads. Opening a pipe for reading would wait for a writer that never comes.
TEST_F(TextureLoading, NamesThatAreNoReadableFileAreReportedWithoutWaiting) {
    alarm(60); // a load that waits ends the test program instead of hanging it
    TestFile skin = WriteTestBmp("curlwhip.bmp", 2, 2);
    const struct {
        const char *what;
        int (*make)();
    } kinds[] = {
        {"pipe", [] { return mkfifo("floor.bmp", 0644); }},
        {"device", [] { return symlink("/dev/null", "floor.bmp"); }},
        {"folder", [] { return mkdir("floor.bmp", 0755); }},
        {"symbolic-link loop", [] { return symlink("floor.bmp", "floor.bmp"); }},
    };
    for (const auto &kind : kinds) {
        SCOPED_TRACE(kind.what);
        ASSERT_EQ(kind.make(), 0);
        shownMessages.clear();
        EXPECT_EQ(LoadBothTextures(), 1);
        ExpectTexture(skinTexture, skin);
        EXPECT_EQ(floorTexture, 0u);
        EXPECT_EQ(shownMessages, floorOpenFailure);
        ASSERT_EQ(std::remove("floor.bmp"), 0);
        glDeleteTextures(1, &skinTexture);
    }
    alarm(0);

    shownMessages.clear();
    WriteTestBmp("floor.bmp", 2, 2);
    ASSERT_EQ(chmod("floor.bmp", 0), 0);
    if (geteuid() != 0) {
        EXPECT_EQ(LoadImageIfPresent("floor.bmp"), nullptr);
        EXPECT_EQ(shownMessages, floorOpenFailure);
        return;
    }
    ASSERT_EQ(chmod(".", 0755), 0); // the child reaches the file, but may not read it
    int unreadable = FloorFailsForAnUnprivilegedUser();
    if (unreadable < 0)
        GTEST_SKIP() << "cannot give up root";
    EXPECT_EQ(unreadable, 1);
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

// Each file comes from the first folder where its name leads to something, even when it fails
// to load there; the messages name the path used.
TEST_F(TextureLoading, EachFileComesFromTheFirstFolderThatHasIt) {
    ASSERT_EQ(mkdir("first", 0755), 0);
    ASSERT_EQ(mkdir("second", 0755), 0);
    ASSERT_TRUE(WriteBytesToFile("plain", {}));
    const char *const folders[] = {"", "missing", "plain", "first", "second/"};
    TestFile skin = WriteTestBmp("second/curlwhip.bmp", 8, 4);
    TestFile floor = WriteTestBmp("first/floor.bmp", 4, 4);
    WriteTestBmp("second/floor.bmp", 2, 2);
    EXPECT_EQ(LoadTextures(folders, 5, &skinTexture, &floorTexture), 1);
    ExpectTexture(skinTexture, skin);
    ExpectTexture(floorTexture, floor);
    EXPECT_TRUE(shownMessages.empty());
    TearDown();

    skinTexture = floorTexture = 0;
    ASSERT_TRUE(WriteBytesToFile("second/curlwhip.bmp", {}));
    ASSERT_TRUE(WriteBytesToFile("first/floor.bmp", {}));
    EXPECT_EQ(LoadTextures(folders, 5, &skinTexture, &floorTexture), 0);
    EXPECT_EQ(skinTexture, 0u);
    EXPECT_EQ(floorTexture, 0u);
    EXPECT_EQ(shownMessages,
              (std::vector<std::string>{"Failed to open DIB file second/curlwhip.bmp.\n",
                                        "Failed to open DIB file first/floor.bmp.\n"}));
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
