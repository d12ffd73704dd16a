#include "app/key_script.h"
#include "app/options.h"
#include "app/window_size.h"
#include "demo/demo_state.h"
#include "platform/key_codes.h"
#include "skinning/skinning.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

DemoOptions options; // large: holds a key script
char error[300];

int Parse(std::vector<std::string> args) {
    args.insert(args.begin(), "skinning_demo");
    std::vector<char *> argv;
    for (std::string &arg : args)
        argv.push_back(&arg[0]);
    error[0] = '\0';
    int outcome = ParseOptions((int)argv.size(), argv.data(), options, error, sizeof error);
    return outcome;
}

TEST(Options, NoneMeansAnInteractiveRunThatPrintsNothing) {
    EXPECT_EQ(Parse({}), OptionsRun);
    EXPECT_EQ(options.headless, 0);
    EXPECT_EQ(options.frames, 0);
    EXPECT_EQ(options.stats, 0);
    EXPECT_EQ(options.screenshotFile, nullptr);
    EXPECT_EQ(options.keys.count, 0);
    EXPECT_EQ(options.ikLimits, 0);
}

TEST(Options, AcceptsEachOptionWithSeparateOrAttachedValues) {
    EXPECT_EQ(Parse({"--headless", "--frames", "40", "--stats", "--keys=1:I", "--keys", "2:Up"}),
              OptionsRun);
    EXPECT_EQ(options.headless, 1);
    EXPECT_EQ(options.frames, 40);
    EXPECT_EQ(options.stats, 1);
    ASSERT_EQ(options.keys.count, 4); // both scripts, in order
    EXPECT_EQ(options.keys.keys[2].keyCode, KeyUp);
    EXPECT_EQ(Parse({"--frames=7", "--skinning", "dual-quaternion", "--ik-limits"}), OptionsRun);
    EXPECT_EQ(options.frames, 7);
    EXPECT_EQ(options.ikLimits, 1);
    EXPECT_EQ(options.skinningMethod, SkinningDualQuaternion);
    EXPECT_EQ(Parse({"--pose", "twist-180", "--weights=0.7,.5,1"}), OptionsRun);
    EXPECT_EQ(options.startPose, 1 + 2);
    EXPECT_EQ(options.hasWeights, 1);
    EXPECT_EQ(options.weights[0], 0.7);
    EXPECT_EQ(options.weights[1], 0.5);
    EXPECT_EQ(options.weights[2], 1.0);
    EXPECT_EQ(Parse({"--inspect", "0"}), OptionsRun);
    EXPECT_EQ(options.inspectVertex, 1);
    EXPECT_EQ(Parse({"--inspect=48"}), OptionsRun);
    EXPECT_EQ(options.inspectVertex, 49);
    EXPECT_EQ(Parse({"--target", "1,2.5,-0.25"}), OptionsRun);
    EXPECT_EQ(options.hasTarget, 1);
    EXPECT_EQ(options.target[0], 1.0);
    EXPECT_EQ(options.target[1], 2.5);
    EXPECT_EQ(options.target[2], -0.25);
    EXPECT_EQ(Parse({"--frames", "3", "--help"}), OptionsHelp);
    EXPECT_EQ(Parse({"-h"}), OptionsHelp);
}

TEST(Options, RejectsBadInputWithAReason) {
    const std::vector<std::vector<std::string>> bad = {
        {"--frames"},
        {"--frames", "0"},
        {"--frames", "-3"},
        {"--frames", "1e3"},
        {"--frames", "x"},
        {"--frames", "99999999999"},
        {"--frames="},
        {"--keys"},
        {"--keys", "0:A"},
        {"--screenshot"},
        {"--screenshot="},
        {"--bogus"},
        {"extra"},
        {"--framesx", "3"},
        {"--frames", "5", "--keys", "6:A"},
        {"--skinning"},
        {"--skinning="},
        {"--skinning", "dual quaternion"},
        {"--pose", "bend"},
        {"--pose"},
        {"--weights", "0.7,0.5"},
        {"--weights", "0.7,0.5,0.4,0.1"},
        {"--weights", "0.7,1.5,0.4"},
        {"--weights", "0.7,-0,0.4"},
        {"--weights", "0.7, 0.5,0.4"},
        {"--weights", "nan,0.5,0.4"},
        {"--inspect", "49"},
        {"--inspect", "-1"},
        {"--weights", "0.7;0.5;0.4"},
        {"--ik-limits=1"},
        {"--target", "1,2.5"},
        {"--target", "1,0.5,0"},
        {"--target", "2.6,2,0"},
        {"--target", "0, 2,0"},
        {"--target", "0,2,0", "--pose", "bend-90"},
    };
    for (const std::vector<std::string> &args : bad) {
        EXPECT_EQ(Parse(args), OptionsInvalid) << args[0];
        EXPECT_NE(error[0], '\0') << args[0];
    }
    Parse({"--frames", "5", "--keys", "6:A"});
    EXPECT_NE(std::string(error).find("tick 6"), std::string::npos) << error;
    // A name from a table is a choice of one: the list reads "one of a, b or c".
    for (const char *option : {"--ik-solver", "--skinning", "--pose"}) {
        Parse({option, "bogus"});
        std::string reason = error;
        EXPECT_NE(reason.find(" needs one of "), std::string::npos) << reason;
        EXPECT_NE(reason.find(" or "), std::string::npos) << reason;
        EXPECT_EQ(reason.find(" and "), std::string::npos) << reason;
    }
}

TEST(KeyScript, ReadsPressReleaseAndTapEntries) {
    KeyScript script = {};
    char reason[200];
    ASSERT_EQ(ParseKeyScript("1:I, 2+left  30-Left\t4:#107 5:esc 6:pagedown 7:q", script, reason,
                             sizeof reason),
              1)
        << reason;
    const ScriptedKey expected[] = {
        {1, 'I', 1},         {1, 'I', 0},         {2, KeyLeft, 1},   {30, KeyLeft, 0},
        {4, KeyPadPlus, 1},  {4, KeyPadPlus, 0},  {5, KeyEscape, 1}, {5, KeyEscape, 0},
        {6, KeyPageDown, 1}, {6, KeyPageDown, 0}, {7, 'Q', 1},       {7, 'Q', 0},
    };
    ASSERT_EQ(script.count, 12);
    for (int i = 0; i < 12; ++i) {
        EXPECT_EQ(script.keys[i].tick, expected[i].tick) << i;
        EXPECT_EQ(script.keys[i].keyCode, expected[i].keyCode) << i;
        EXPECT_EQ(script.keys[i].down, expected[i].down) << i;
    }
    EXPECT_EQ(LastScriptedTick(script), 30);
}

TEST(KeyScript, RefusesMalformedEntries) {
    for (const char *text : {"I", "0:I", ":I", "3", "3:", "3*I", "3:Nope", "3:#0", "3:#256", "3:#",
                             "3:AB", "x:I", "12345678901:I"}) {
        KeyScript script = {};
        char reason[200] = "";
        EXPECT_EQ(ParseKeyScript(text, script, reason, sizeof reason), 0) << text;
        EXPECT_NE(reason[0], '\0') << text;
    }
}

TEST(KeyScript, StopsAtItsCapacity) {
    std::string text;
    for (int i = 0; i < MaxScriptedKeys / 2; ++i)
        text += "1:A ";
    KeyScript script = {};
    char reason[200];
    EXPECT_EQ(ParseKeyScript(text.c_str(), script, reason, sizeof reason), 1);
    EXPECT_EQ(ParseKeyScript("2+B", script, reason, sizeof reason), 0);
    EXPECT_EQ(script.count, MaxScriptedKeys);
}

TEST(WindowSize, ClampsEachDimensionToTheScreenAndNeverEnlarges) {
    const int screens[][4] = {
        {1024, 768, 800, 600}, {800, 600, 800, 600},  {640, 480, 640, 480},
        {700, 900, 700, 600},  {1920, 400, 800, 400}, {0, 0, 800, 600},
    };
    for (const auto &screen : screens) {
        ResetDemoGlobals();
        ClampWindowToScreen(screen[0], screen[1]);
        EXPECT_EQ(demoState.windowWidth, screen[2]) << screen[0] << "x" << screen[1];
        EXPECT_EQ(demoState.windowHeight, screen[3]) << screen[0] << "x" << screen[1];
    }
}

} // namespace
