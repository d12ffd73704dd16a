// The real program, run headless: options, exit codes, and what deterministic runs draw.
#include "app/model_run.h"
#include "demo/shown_model.h"
#include "tests/app/image_file.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <gtest/gtest.h>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

struct RunResult {
    int exitCode = -1;
    std::string out;
    std::string err;
};

std::string ReadText(const std::string &path) {
    std::vector<unsigned char> bytes = ReadBytesFromFile(path.c_str());
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

    // Runs the program in the temporary folder. No textures are there, so it finds the source
    // tree's, unless a test puts its own there.
    RunResult Run(const std::string &arguments) { return RunWithPrefix("", arguments); }

    // As Run, with prefix (an env call, say) in front of the program.
    RunResult RunWithPrefix(const std::string &prefix, const std::string &arguments) {
        std::string command = "cd '" + dir + "' && " + prefix + "'" DEMO_BINARY "' " + arguments +
                              " >out.txt 2>err.txt";
        int status = std::system(command.c_str());
        RunResult result;
        result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        result.out = ReadText(dir + "/out.txt");
        result.err = ReadText(dir + "/err.txt");
        return result;
    }

    // A headless deterministic run that must succeed, returning its last frame: the scene
    // alone, unless extra options say otherwise.
    Image Frames(int frames, const std::string &keys, const std::string &extra = "--no-ui") {
        std::string arguments =
            "--headless --frames " + std::to_string(frames) + " --screenshot shot.bmp " + extra;
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
    for (const char *part :
         {"Usage", "--headless", "--frames", "--keys", "--screenshot", "--stats", "--no-ui",
          "--ik-limits", "Escape", "Page Up", "numeric-pad", "main row", "F1", "F12", "left drag",
          "wheel", "right drag", "Controls (F1)"})
        EXPECT_TRUE(Contains(result.out, part)) << part;
}

TEST_F(Program, InvalidOptionsExitTwoWithAReasonOnStandardError) {
    for (const char *arguments :
         {"--bogus", "--frames 0", "--frames", "--keys 0:A", "--frames 2 --keys 3:A",
          "--screenshot", "--ik-solver Analytic", "--skinning lbs", "--pose bend90"}) {
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

    RunResult stats = Run("--headless --frames 5 --stats --skinning rigid");
    EXPECT_EQ(stats.exitCode, 0);
    EXPECT_TRUE(Contains(stats.out, "ticks 5 ")) << stats.out;
    EXPECT_TRUE(Contains(stats.out, "frames 6 ")) << stats.out; // with the start-up frame
    EXPECT_TRUE(Contains(stats.out, "\nskinning rigid: limb volume ")) << stats.out;
    // The target means nothing outside the inverse mode, so its distance is not printed.
    EXPECT_FALSE(Contains(stats.out, "ik: ")) << stats.out;

    // An Escape before the last tick ends the run there, and the screenshot is the last frame
    // drawn: the same picture as a run that stops after that tick on its own.
    RunResult escaped =
        Run("--headless --frames 50 --stats --no-ui --keys 30:Escape --screenshot early.bmp");
    EXPECT_EQ(escaped.exitCode, 0) << escaped.err;
    EXPECT_TRUE(Contains(escaped.out, "ticks 30 ")) << escaped.out;
    Image early;
    ASSERT_TRUE(ReadImage((dir + "/early.bmp").c_str(), early));
    EXPECT_EQ(CountDifferences(early, Frames(29, "")), 0);
}

// The first Down press after entering the inverse mode puts the target 0.1 below the straight
// chain's end, on its own line: the incremental solver ignores it, the others reach it. So the
// distance the stats give tells which solver the option chose.
TEST_F(Program, IkSolverOptionChoosesTheSolverTheStatsName) {
    for (const char *name : {"incremental", "analytic", "ccd", "fabrik", "dls"}) {
        RunResult run = Run(std::string("--headless --frames 10 --no-ui --stats --ik-solver ") +
                            name + " --keys '1:I 2:Down'");
        EXPECT_EQ(run.exitCode, 0) << run.err;
        std::string line = std::string("ik: solver ") + name + ", distance ";
        size_t at = run.out.find(line);
        ASSERT_NE(at, std::string::npos) << run.out;
        double distance = std::atof(run.out.c_str() + at + line.size());
        if (std::string(name) == "incremental")
            EXPECT_NEAR(distance, 0.1, 1e-6) << run.out;
        else
            EXPECT_LE(distance, 0.001) << name;
    }
}

// Twenty Down presses after entering the inverse mode put the target a unit above the root:
// only an elbow bent past its 120-degree limit reaches it, so with the limits on the analytic
// solver stops short, and the stats say so.
TEST_F(Program, IkLimitsOptionStartsWithTheJointLimitsOn) {
    std::string keys = "1:I";
    for (int tick = 2; tick <= 21; ++tick)
        keys += " " + std::to_string(tick) + ":Down";
    for (int limits = 0; limits <= 1; ++limits) {
        RunResult run = Run(std::string("--headless --frames 25 --no-ui --stats --ik-solver ") +
                            "analytic --keys '" + keys + "'" + (limits ? " --ik-limits" : ""));
        EXPECT_EQ(run.exitCode, 0) << run.err;
        const char line[] = "ik: solver analytic, distance ";
        size_t at = run.out.find(line);
        ASSERT_NE(at, std::string::npos) << run.out;
        double distance = std::atof(run.out.c_str() + at + sizeof line - 1);
        if (limits)
            EXPECT_GT(distance, 0.1) << run.out;
        else
            EXPECT_LE(distance, 0.001) << run.out;
    }
}

// The preset pose holds through the run, and the volume each method keeps there is the one the
// stats print: the centres of rotation keep more of the bent limb than the dual quaternions.
TEST_F(Program, PoseOptionHoldsThePoseAndTheStatsGiveEachMethodsVolume) {
    double percent[2];
    const char *methods[2] = {"dual-quaternion", "center-of-rotation"};
    for (int k = 0; k < 2; ++k) {
        RunResult run = Run(std::string("--headless --frames 4 --no-ui --stats --pose bend-90 "
                                        "--skinning ") +
                            methods[k]);
        EXPECT_EQ(run.exitCode, 0) << run.err;
        EXPECT_TRUE(Contains(run.out, "\nbone 1: x 90.00, y 0.00, z 0.00\n")) << run.out;
        std::string line = std::string("\nskinning ") + methods[k] + ": limb volume ";
        size_t at = run.out.find(line);
        ASSERT_NE(at, std::string::npos) << run.out;
        percent[k] = std::atof(run.out.c_str() + at + line.size());
    }
    RunResult straight = Run("--headless --frames 2 --no-ui --stats --pose straight");
    EXPECT_TRUE(Contains(straight.out, "of the rest pose, radius 1.00\u20131.00 of rest\n"))
        << straight.out;
    EXPECT_NEAR(percent[0], 96.73, 0.01);
    EXPECT_GT(percent[1], percent[0] + 1.0);
    EXPECT_LT(percent[1], 100.0);
}

// The built-in weights given as an option draw the very same picture, mid-bend, as none; a
// ring's weight changed draws another.
TEST_F(Program, WeightsOptionWithTheBuiltInWeightsDrawsTheSamePicture) {
    Image plain = Frames(40, "");
    EXPECT_EQ(CountDifferences(plain, Frames(40, "", "--no-ui --weights 0.7,0.5,0.4")), 0);
    EXPECT_GT(CountDifferences(plain, Frames(40, "", "--no-ui --weights 0.7,0.2,0.4")), 100);
}

// A paced run (no --frames) skips frames that would repeat the one on screen, but keeps ticking.
TEST_F(Program, PausedSceneIsNotRedrawnEveryTick) {
    RunResult paused = Run("--headless --stats --keys '1:P 1:R 60:Escape'");
    EXPECT_EQ(paused.exitCode, 0);
    EXPECT_TRUE(Contains(paused.out, "ticks 60 ")) << paused.out;
    // The frame before the scene set-up, then one after the first tick (set-up and keys).
    EXPECT_TRUE(Contains(paused.out, "frames 2 ")) << paused.out;

    RunResult playing = Run("--headless --stats --keys '60:Escape'");
    EXPECT_TRUE(Contains(playing.out, "frames 60 ")) << playing.out;
}

TEST_F(Program, ScreenshotIsTheWholeWindowAndRepeatsExactly) {
    Image first = Frames(30, "5:T");
    Image second = Frames(30, "5:T");
    EXPECT_EQ(first.width, 800);
    EXPECT_EQ(first.height, 600);
    EXPECT_EQ(CountDifferences(first, second), 0);
}

// Runs that could wait for ever when broken are stopped after this, failing with code 124.
const char stopIfStuck[] = "timeout 60 ";

TEST_F(Program, WithoutADisplayTheInteractiveRunStopsWithOneLine) {
    // A plain remote shell: no display of either kind and no driver chosen.
    RunResult plain =
        RunWithPrefix(std::string(stopIfStuck) + "env -u DISPLAY -u WAYLAND_DISPLAY -u "
                                                 "SDL_VIDEODRIVER ",
                      "");
    EXPECT_EQ(plain.exitCode, 1);
    EXPECT_EQ(plain.out, "");
    EXPECT_EQ(plain.err, "skinning_demo: no display found (DISPLAY and WAYLAND_DISPLAY are "
                         "unset); --headless renders without one\n");

    // A display that is named but not there is tried alone, and fails alone.
    RunResult absent = RunWithPrefix(
        std::string(stopIfStuck) + "env -u WAYLAND_DISPLAY -u SDL_VIDEODRIVER DISPLAY=:65000 ", "");
    EXPECT_EQ(absent.exitCode, 1);
    EXPECT_EQ(absent.err, "skinning_demo: cannot start the video system: x11 not available\n");

    // A driver the user names is tried as asked.
    RunResult x11 =
        RunWithPrefix("env -u DISPLAY -u WAYLAND_DISPLAY SDL_VIDEODRIVER=x11 ", "--frames 1");
    EXPECT_EQ(x11.exitCode, 1);
    EXPECT_TRUE(Contains(x11.err, "skinning_demo: cannot start the video system")) << x11.err;
    RunResult offscreen = RunWithPrefix(
        std::string(stopIfStuck) + "env -u DISPLAY -u WAYLAND_DISPLAY SDL_VIDEODRIVER=offscreen ",
        "--frames 1");
    EXPECT_EQ(offscreen.exitCode, 0) << offscreen.err;
}

// Root may write anywhere; an unprivileged user is needed to meet a read-only folder. Returns
// the prefix that runs the program as one, or false when there is no way to.
bool UnprivilegedPrefix(std::string &prefix) {
    prefix = "";
    if (geteuid() != 0)
        return true;
    prefix = "setpriv --reuid=65534 --regid=65534 --clear-groups ";
    return std::system("setpriv --reuid=65534 --regid=65534 --clear-groups true") == 0;
}

TEST_F(Program, UnwritableScreenshotStopsTheRunBeforeItStarts) {
    // So many frames that a check left until the end would not come before the guard's timeout.
    std::string run = "--headless --frames 100000000 --screenshot ";
    RunResult missingFolder = RunWithPrefix(stopIfStuck, run + "/nonexistent-dir/shot.bmp");
    EXPECT_EQ(missingFolder.exitCode, 2);
    EXPECT_EQ(missingFolder.err, "skinning_demo: cannot write /nonexistent-dir/shot.bmp: No such "
                                 "file or directory\n");
    RunResult folder = RunWithPrefix(stopIfStuck, run + "'" + dir + "'");
    EXPECT_EQ(folder.exitCode, 2);
    EXPECT_EQ(folder.err, "skinning_demo: cannot write " + dir + ": Is a directory\n");

    std::string prefix;
    if (!UnprivilegedPrefix(prefix))
        GTEST_SKIP() << "cannot run as an unprivileged user";
    ASSERT_EQ(chmod(dir.c_str(), 0755), 0);
    std::string locked = dir + "/locked";
    ASSERT_EQ(mkdir(locked.c_str(), 0555), 0);
    RunResult readOnly = RunWithPrefix(stopIfStuck + prefix, run + "'" + locked + "/shot.bmp'");
    EXPECT_EQ(readOnly.exitCode, 2);
    EXPECT_EQ(readOnly.err,
              "skinning_demo: cannot write " + locked + "/shot.bmp: Permission denied\n");
}

TEST_F(Program, ScreenshotFileIsLeftAsItWasWhenTheRunFails) {
    // Without a display the run fails after the screenshot's file was checked.
    std::string noDisplay = "env -u DISPLAY -u WAYLAND_DISPLAY -u SDL_VIDEODRIVER ";
    ASSERT_TRUE(WriteBytesToFile((dir + "/kept.bmp").c_str(), {'k', 'e', 'p', 't'}));
    EXPECT_EQ(RunWithPrefix(noDisplay, "--screenshot kept.bmp").exitCode, 1);
    EXPECT_EQ(ReadText(dir + "/kept.bmp"), "kept");
    EXPECT_EQ(RunWithPrefix(noDisplay, "--screenshot new.bmp").exitCode, 1);
    EXPECT_NE(access((dir + "/new.bmp").c_str(), F_OK), 0);
}

// Every texture problem is one line on standard error, naming its file, in loading order, and
// the run goes on.
TEST_F(Program, TextureProblemsAreOneLineEachAndTheRunGoesOn) {
    BmpLayout laterHeader;
    laterHeader.headerSize = 108;
    ASSERT_TRUE(WriteBytesToFile((dir + "/floor.bmp").c_str(), BuildBmp(laterHeader, Bytes(4, 0))));
    ASSERT_TRUE(WriteBytesToFile((dir + "/curlwhip.bmp").c_str(), {}));
    RunResult unreadable = Run("--headless --frames 2");
    EXPECT_EQ(unreadable.exitCode, 0);
    EXPECT_EQ(unreadable.out, "");
    EXPECT_EQ(unreadable.err,
              "Failed to open DIB file curlwhip.bmp.\nfloor.bmp: Unknown DIB file format.\n");

    // A pipe is reported, not opened: opening it for reading would wait for a writer.
    ASSERT_EQ(std::remove((dir + "/curlwhip.bmp").c_str()), 0);
    ASSERT_EQ(std::remove((dir + "/floor.bmp").c_str()), 0);
    ASSERT_EQ(mkfifo((dir + "/floor.bmp").c_str(), 0644), 0);
    RunResult pipe = RunWithPrefix(stopIfStuck, "--headless --frames 2");
    EXPECT_EQ(pipe.exitCode, 0);
    EXPECT_EQ(pipe.err, "Failed to open DIB file floor.bmp.\n");
}

// Regions of the 800 x 600 frame, in screen coordinates (y down).
struct Region {
    int x, y, width, height;
};
const Region wholeFrame = {0, 0, 800, 600};
const Region aboveTheLimb = {380, 0, 40, 100}; // where the chain's end meets a raised target
const Region topLeftCorner = {0, 0, 150, 150};
const Region topRightCorner = {650, 0, 150, 150};
const Region floorFront = {250, 540, 300, 60}; // in front of the limb at any camera angle
const Region middle = {250, 60, 300, 420};

int Count(const Image &image, ColourClass colour, const Region &r) {
    return CountPixels(image, colour, r.x, r.y, r.width, r.height);
}

TEST_F(Program, StartSceneShowsFloorWireframeLimbAndMarkersOnBlack) {
    Image image = Frames(40, "1:O"); // textures off: the floor is the plain grey material
    EXPECT_EQ(Count(image, ColourLit, topLeftCorner), 0);
    EXPECT_EQ(Count(image, ColourLit, topRightCorner), 0);
    EXPECT_GT(Count(image, ColourGrey, floorFront), 300 * 60 * 9 / 10);
    EXPECT_GT(Count(image, ColourGreenish, middle), 1500); // the wireframe's lines
    EXPECT_GT(Count(image, ColourBlue, middle), 500);      // the two bone markers
    EXPECT_EQ(Count(image, ColourRed, wholeFrame), 0);
}

// The smallest rectangle holding every pixel that differs between a and b (same size), or an
// empty one (width 0) when none does.
Region DifferingRegion(const Image &a, const Image &b) {
    int x0 = a.width, y0 = a.height, x1 = -1, y1 = -1;
    for (int y = 0; y < a.height; ++y)
        for (int x = 0; x < a.width; ++x) {
            Pixel p = a.At(x, y), q = b.At(x, y);
            if (p.r != q.r || p.g != q.g || p.b != q.b) {
                x0 = std::min(x0, x);
                y0 = std::min(y0, y);
                x1 = std::max(x1, x);
                y1 = std::max(y1, y);
            }
        }
    return x1 < 0 ? Region{0, 0, 0, 0} : Region{x0, y0, x1 - x0 + 1, y1 - y0 + 1};
}

// The panel is drawn over the scene and nowhere else: a title bar at the top left, the whole
// panel below it after F1. Without it (--no-ui) the frame is the scene alone.
// Folded, the panel is a title bar over the scene's top-left corner; open, a strip down the
// window's left edge with the scene drawn beside it, so none of the scene is hidden under it.
TEST_F(Program, PanelTitleBarSitsTopLeftAndTheOpenPanelBesideTheScene) {
    Image scene = Frames(20, "");
    Image titleBar = Frames(20, "", "");
    Image open = Frames(20, "2:F1", "");
    ASSERT_EQ(titleBar.width, scene.width);

    Region bar = DifferingRegion(scene, titleBar);
    EXPECT_GE(bar.x, 4);
    EXPECT_GE(bar.y, 4);
    EXPECT_LE(bar.x + bar.width, 150);
    EXPECT_LE(bar.y + bar.height, 32);
    EXPECT_GT(Count(titleBar, ColourGrey, bar), 20); // the title's letters

    Region strip = {0, 0, 330, open.height};
    EXPECT_GT(Count(open, ColourBlue, strip), 100); // check marks
    Region beside = {330, 0, open.width - 330, open.height};
    // The scene, only smaller: its floor and limb fill part of what is left, and they are not
    // drawn where they stood before.
    EXPECT_GT(Count(open, ColourGreenish, beside), 200);
    EXPECT_GT(CountDifferences(open, scene), 10000);
    EXPECT_EQ(CountDifferences(open, Frames(20, "2:F1", "")), 0); // repeatable
}

TEST_F(Program, FilledLimbHidesMarkersAndCoversMoreOfTheMiddle) {
    Image wire = Frames(20, "");
    Image filled = Frames(20, "1:T");
    EXPECT_EQ(Count(filled, ColourBlue, middle), 0);
    EXPECT_GT(Count(filled, ColourGreenish, middle), 2 * Count(wire, ColourGreenish, middle));
}

TEST_F(Program, RaisedIkTargetDrawsARedLineAboveTheLimbOnly) {
    Image atEnd = Frames(12, "1:I");
    Image raised = Frames(12, "1:I 2:Up 3:Up 4:Up 5:Up 6:Up");
    EXPECT_LE(Count(atEnd, ColourRed, wholeFrame), 2);
    int red = Count(raised, ColourRed, aboveTheLimb);
    EXPECT_GT(red, 40);
    EXPECT_EQ(Count(raised, ColourRed, wholeFrame), red);
}

TEST_F(Program, HeldForwardKeyTurnsAJointUntilReleased) {
    Image still = Frames(20, "1:F");
    Image held = Frames(20, "1:F 2+Left");
    EXPECT_GT(CountDifferences(still, held), 500);
    Image releasedEarly = Frames(10, "1:F 2+Left 6-Left");
    Image releasedLate = Frames(30, "1:F 2+Left 6-Left");
    EXPECT_EQ(CountDifferences(releasedEarly, releasedLate), 0);
    EXPECT_GT(CountDifferences(still, releasedLate), 100);
}

// What ImageMagick, a reader from outside the program, makes of a file: its format ("PNG",
// "BMP") and its pixels. False when it cannot read it.
bool ReadWithImageMagick(const std::string &path, std::string &format, Image &image) {
    std::string formatFile = path + ".format", ppm = path + ".ppm";
    std::string command = "identify -format %m '" + path + "' >'" + formatFile +
                          "' 2>/dev/null && convert '" + path + "' -depth 8 ppm:'" + ppm +
                          "' 2>/dev/null";
    if (std::system(command.c_str()) != 0)
        return false;
    format = ReadText(formatFile);
    return ReadImage(ppm.c_str(), image);
}

void ExpectPngOf(const std::string &path, const Image &expected) {
    std::string format;
    Image image;
    ASSERT_TRUE(ReadWithImageMagick(path, format, image)) << path;
    EXPECT_EQ(format, "PNG") << path;
    EXPECT_EQ(image.width, 800) << path;
    EXPECT_EQ(image.height, 600) << path;
    EXPECT_EQ(CountDifferences(image, expected), 0) << path;
}

// The numbered file F12 writes and a --screenshot name ending in .png (any case) hold the frame's
// pixels the right way up, exactly as the 24-bit BMP of the same frame does.
TEST_F(Program, PngScreenshotsHoldTheSamePixelsAsTheBmp) {
    Image bmp = Frames(5, "1:T 5:F12"); // F12 before the last tick: the frame --screenshot keeps
    ExpectPngOf(dir + "/skinning-demo-001.png", bmp);
    RunResult png = Run("--headless --frames 5 --no-ui --keys 1:T --screenshot SHOT.Png");
    EXPECT_EQ(png.exitCode, 0) << png.err;
    ExpectPngOf(dir + "/SHOT.Png", bmp);
}

std::string Numbered(int number) {
    char name[32];
    std::snprintf(name, sizeof name, "/skinning-demo-%03d.png", number);
    return name;
}

// F12 never replaces a file: it takes the next free number, and gives up with one line when
// every number up to 999 is taken. The scene is paused, so frames are skipped, yet each press
// gets its own frame.
TEST_F(Program, NumberedScreenshotsTakeTheNextFreeNameOnly) {
    ASSERT_TRUE(WriteBytesToFile((dir + Numbered(1)).c_str(), {'k', 'e', 'p', 't'}));
    RunResult run = Run("--headless --no-ui --stats --keys '1:P 1:R 20:F12 40:F12 60:Escape'");
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(
        run.out.rfind("saved skinning-demo-002.png\nsaved skinning-demo-003.png\nticks 60 ", 0), 0u)
        << run.out;
    EXPECT_TRUE(Contains(run.out, "frames 4 ")) << run.out; // two at start-up, one per press
    EXPECT_EQ(ReadText(dir + Numbered(1)), "kept");
    Image second, third;
    std::string format;
    ASSERT_TRUE(ReadWithImageMagick(dir + Numbered(2), format, second));
    ASSERT_TRUE(ReadWithImageMagick(dir + Numbered(3), format, third));
    EXPECT_EQ(CountDifferences(second, third), 0);
    EXPECT_GT(Count(second, ColourLit, wholeFrame), 800 * 600 / 4);

    for (int number = 4; number <= 999; ++number)
        ASSERT_TRUE(WriteBytesToFile((dir + Numbered(number)).c_str(), {}));
    RunResult full = Run("--headless --frames 2 --no-ui --keys 1:F12");
    EXPECT_EQ(full.exitCode, 0);
    EXPECT_EQ(full.out, "");
    EXPECT_EQ(full.err, "skinning_demo: no screenshot saved: skinning-demo-001.png to "
                        "skinning-demo-999.png all exist\n");
    EXPECT_EQ(ReadText(dir + Numbered(1)), "kept");
    EXPECT_EQ(ReadText(dir + Numbered(999)), "");
}

// The filled limb with the floor well below it, five ticks after the start.
const Region limbAboveTheFloor = {340, 80, 120, 250};

int DifferencesIn(const Image &a, const Image &b, const Region &r) {
    int count = 0;
    for (int y = r.y; y < r.y + r.height; ++y)
        for (int x = r.x; x < r.x + r.width; ++x) {
            Pixel p = a.At(x, y), q = b.At(x, y);
            count += p.r != q.r || p.g != q.g || p.b != q.b;
        }
    return count;
}

// Each texture comes from the working directory when it is there, and from the source tree's
// assets/ otherwise.
TEST_F(Program, TexturesInTheWorkingDirectoryComeBeforeTheSourceTreesOnes) {
    Image fromAssets = Frames(5, "1:T");
    Image untextured = Frames(5, "1:T 1:O");
    BmpLayout blue;
    blue.width = blue.height = 4;
    ASSERT_TRUE(WriteBytesToFile(
        (dir + "/floor.bmp").c_str(),
        BuildBmp(blue, PackPixelRows(4, 4, 24, std::vector<uint32_t>(16, 0x0000ff)))));
    Image blueFloor = Frames(5, "1:T");
    const int floorPixels = floorFront.width * floorFront.height;
    EXPECT_GT(DifferencesIn(fromAssets, untextured, floorFront), floorPixels * 9 / 10);
    EXPECT_EQ(Count(fromAssets, ColourBlue, floorFront), 0);
    EXPECT_GT(Count(blueFloor, ColourBlue, floorFront), floorPixels * 9 / 10);
    // The skin still comes from the source tree: the limb above the floor is as it was.
    EXPECT_GT(DifferencesIn(fromAssets, untextured, limbAboveTheFloor), 5000);
    EXPECT_EQ(DifferencesIn(fromAssets, blueFloor, limbAboveTheFloor), 0);
}

} // namespace

// A file dropped on the window goes through the same opening as --model: a good one replaces
// the model shown, a bad one leaves it and keeps for the panel the very line the command line
// prints for that file, until a model opens.
TEST_F(Program, ADroppedFileOpensAsTheCommandLineDoesAndABadOneLeavesTheModelShown) {
    std::string good = SKIN_SOURCE_DIR "/tests/gltf/models/RiggedSimple/RiggedSimple.gltf";
    std::string bad = dir + "/cut.gltf";
    std::FILE *file = std::fopen(bad.c_str(), "w");
    ASSERT_NE(file, nullptr);
    std::fputs("{\"asset\": {\"version\": \"2.0\"}, \"nodes\": [", file); // cut off mid-way
    std::fclose(file);

    ShowTentacle();
    ASSERT_EQ(OpenDroppedModel(good.c_str(), "skinning_demo"), 1);
    // The file's POSITION accessor holds 96 vertices; its indices, 564 (188 triangles).
    EXPECT_EQ(shownModel.loaded.fileName, "RiggedSimple.gltf");
    EXPECT_EQ(VertexCount(shownModel.loaded.model.mesh), 96);
    EXPECT_EQ(shownModel.loaded.model.mesh.triangles.size(), 188u);
    EXPECT_TRUE(modelFault.empty());

    ::testing::internal::CaptureStderr();
    EXPECT_EQ(OpenDroppedModel(bad.c_str(), "skinning_demo"), 0);
    std::string printed = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(shownModel.loaded.fileName, "RiggedSimple.gltf");
    EXPECT_EQ(VertexCount(shownModel.loaded.model.mesh), 96);
    RunResult commandLine = Run("--headless --frames 1 --model '" + bad + "'");
    EXPECT_EQ(commandLine.exitCode, 2);
    EXPECT_EQ(printed, commandLine.err);
    EXPECT_EQ("skinning_demo: " + modelFault + "\n", commandLine.err);
    EXPECT_EQ(modelFault.rfind(bad + ": ", 0), 0u) << modelFault;

    ASSERT_EQ(OpenDroppedModel(good.c_str(), "skinning_demo"), 1);
    EXPECT_TRUE(modelFault.empty());
    HideModel();
}
