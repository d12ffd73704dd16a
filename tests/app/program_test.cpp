// The real program, run headless: options, exit codes, and what deterministic runs draw.
#include "tests/app/image_file.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace {

struct RunResult {
    int exitCode = -1;
    std::string out;
    std::string err;
};

std::string ReadText(const std::string &path) {
    std::vector<unsigned char> bytes = ReadWholeFile(path.c_str());
    return std::string(bytes.begin(), bytes.end());
}

class Program : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string pattern = ::testing::TempDir() + "skinning_demo_XXXXXX";
        ASSERT_NE(mkdtemp(&pattern[0]), nullptr);
        dir = pattern;
    }
    void TearDown() override { std::system(("rm -rf '" + dir + "'").c_str()); }

    // Runs the program in the temporary folder (no textures there, so it draws untextured).
    RunResult Run(const std::string &arguments) {
        std::string command =
            "cd '" + dir + "' && '" DEMO_BINARY "' " + arguments + " >out.txt 2>err.txt";
        int status = std::system(command.c_str());
        RunResult result;
        result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        result.out = ReadText(dir + "/out.txt");
        result.err = ReadText(dir + "/err.txt");
        return result;
    }

    // A headless deterministic run that must succeed, returning its last frame.
    Image Frames(int frames, const std::string &keys) {
        std::string arguments =
            "--headless --frames " + std::to_string(frames) + " --screenshot shot.bmp";
        if (!keys.empty())
            arguments += " --keys '" + keys + "'";
        RunResult result = Run(arguments);
        EXPECT_EQ(result.exitCode, 0) << result.err;
        Image image;
        EXPECT_TRUE(ReadImage((dir + "/shot.bmp").c_str(), image));
        return image;
    }

    std::string dir;
};

bool Contains(const std::string &text, const char *part) {
    return text.find(part) != std::string::npos;
}

TEST_F(Program, HelpListsOptionsAndKeys) {
    RunResult result = Run("--help");
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_TRUE(result.err.empty());
    for (const char *part : {"Usage", "--headless", "--frames", "--keys", "--screenshot", "--stats",
                             "Escape", "Page Up", "numeric-pad"})
        EXPECT_TRUE(Contains(result.out, part)) << part;
}

TEST_F(Program, InvalidOptionsExitTwoWithAReasonOnStandardError) {
    for (const char *arguments : {"--bogus", "--frames 0", "--frames", "--keys 0:A",
                                  "--frames 2 --keys 3:A", "--screenshot"}) {
        RunResult result = Run(arguments);
        EXPECT_EQ(result.exitCode, 2) << arguments;
        EXPECT_TRUE(result.out.empty()) << arguments;
        EXPECT_TRUE(Contains(result.err, "skinning_demo: ")) << arguments;
        EXPECT_TRUE(Contains(result.err, "--help")) << arguments;
    }
}

TEST_F(Program, DeterministicRunPrintsNothingAndCountsTicksAndFrames) {
    RunResult quiet = Run("--headless --frames 3");
    EXPECT_EQ(quiet.exitCode, 0);
    EXPECT_EQ(quiet.out, "");
    EXPECT_EQ(quiet.err, "");

    RunResult stats = Run("--headless --frames 5 --stats");
    EXPECT_EQ(stats.exitCode, 0);
    EXPECT_TRUE(Contains(stats.out, "ticks 5 ")) << stats.out;
    EXPECT_TRUE(Contains(stats.out, "frames 6 ")) << stats.out; // with the start-up frame

    RunResult escaped = Run("--headless --frames 50 --stats --keys 3:Escape");
    EXPECT_EQ(escaped.exitCode, 0);
    EXPECT_TRUE(Contains(escaped.out, "ticks 3 ")) << escaped.out;
}

TEST_F(Program, ScreenshotIsTheWholeWindowAndRepeatsExactly) {
    Image first = Frames(30, "5:T");
    Image second = Frames(30, "5:T");
    EXPECT_EQ(first.width, 800);
    EXPECT_EQ(first.height, 600);
    EXPECT_EQ(CountDifferences(first, second), 0);
}

TEST_F(Program, UnwritableScreenshotFailsWithAMessage) {
    RunResult result = Run("--headless --frames 1 --screenshot /nonexistent-dir/shot.bmp");
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_TRUE(Contains(result.err, "/nonexistent-dir/shot.bmp")) << result.err;
}

} // namespace
