// The guides as tests: every command a guide gives the reader is run, headless, and every figure
// its text quotes from such a run is checked against what --stats prints, to the text's
// rounding. A guide that promises what the program no longer does fails here, and so does a
// figure edited by hand.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

namespace fs = std::filesystem;

const fs::path sourceDir = SKIN_SOURCE_DIR;
const char Program[] = "./build/app/skinning_demo ";

std::string ReadText(const fs::path &path) {
    std::ifstream file(path);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

// The lines of a page's fenced blocks that run the program, without the program's path.
std::vector<std::string> CommandsOf(const fs::path &page) {
    std::istringstream text(ReadText(page));
    std::vector<std::string> commands;
    std::string line;
    bool inCode = false;
    while (std::getline(text, line)) {
        size_t start = line.find_first_not_of(' ');
        if (start != std::string::npos && line.compare(start, 3, "```") == 0) {
            inCode = !inCode;
            continue;
        }
        if (inCode && start != std::string::npos && line.compare(start, sizeof Program - 1,
                                                                 Program) == 0)
            commands.push_back(line.substr(start + sizeof Program - 1));
    }
    return commands;
}

// A page's prose as one line: fenced blocks left out, every run of white space one space, so
// that a quote may span the page's line breaks.
std::string ProseOf(const fs::path &page) {
    std::istringstream text(ReadText(page));
    std::string prose, line;
    bool inCode = false;
    while (std::getline(text, line)) {
        size_t start = line.find_first_not_of(' ');
        if (start != std::string::npos && line.compare(start, 3, "```") == 0) {
            inCode = !inCode;
            continue;
        }
        if (!inCode)
            prose += line + " ";
    }
    return std::regex_replace(prose, std::regex("\\s+"), " ");
}

// What --stats prints, as patterns whose groups are the figures, in order.
const char Distance[] = R"(ik: solver [a-z]+, distance ([0-9.]+))";
const char Status[] = R"(ik: solver [a-z]+, distance [0-9.]+, status ([^,\n]+))";
const char HeldBy[] = R"(, (held by [^\n]+)\n)";
const char LowerLeansBack[] = R"(bone 0: x -([0-9.]+),)";
const char LowerLeansAside[] = R"(bone 0: x [-0-9.]+, y [-0-9.]+, z -([0-9.]+)\n)";
const char UpperAngles[] = R"(bone 1: x ([-0-9.]+), y ([-0-9.]+), z ([-0-9.]+)\n)";
const char UpperBend[] = R"(bone 1: x ([-0-9.]+),)";
const char Volume[] = R"(limb volume ([0-9.]+)%)";
const char VolumeAndRadius[] =
    R"(limb volume ([0-9.]+)% of the rest pose, radius ([0-9.]+)–([0-9.]+))";
const char Radius[] = R"(radius ([0-9.]+)–[0-9.]+ of rest)";
const char Stretch[] = R"(stretch: triangle areas ([0-9.]+) to ([0-9.]+) of rest)";
const char StretchLow[] = R"(stretch: triangle areas ([0-9.]+) to)";
const char StretchHigh[] = R"(stretch: triangle areas [0-9.]+ to ([0-9.]+) of rest)";

// One figure of a guide: the page, the command as the page gives it, options added for this
// check only (another solver or method than the command's own, say; empty for none), the ticks
// the run lasts, the words of the page that quote it with each figure in braces, and the
// pattern of --stats whose groups give those figures in order. A figure that is a number must
// equal the group rounded as the page rounds it; a figure in words must equal the group.
struct GuideFigure {
    const char *page;
    const char *command;
    const char *extra;
    int frames;
    const char *quote;
    const char *stats;
};

const char IkLab[] = "docs/ik-lab.md";
const char SkinLab[] = "docs/skinning-lab.md";
const char Options[] = "docs/options.md";

const char Creep[] =
    "--keys \"1:I 2:F1 3:PageUp 4:PageUp 5:PageUp 6:PageUp 7:PageUp 8:PageUp 9:PageUp 10:PageUp "
    "11:Down 12:Down 13:Down 14:Down 15:Down 16:Down 17:Right 18:Right 19:Right 20:Right 21:Right "
    "22:Right 23:Right 24:Right\"";
const char Compare[] = "--keys \"1:I 2:F1 3:C 4:Plus 5:Plus 6:Plus 7:PageUp 8:PageUp 9:PageUp "
                       "10:PageUp 11:Right 12:Right 13:Right 14:Down 15:Down 16:Down\"";
const char FullReach[] = "--ik-solver ccd --target 1.8,2.4,0";
const char InLine[] = "--keys \"1:I 2:Down\"";
const char InLineAnalytic[] = "--keys \"1:I 2:Down\" --ik-solver analytic";
const char Limits[] =
    "--ik-solver analytic --ik-limits --keys \"1:I 2:F1 3:Down 4:Down 5:Down 6:Down 7:Down 8:Down "
    "9:Down 10:Down 11:Down 12:Down 13:Down 14:Down 15:Down 16:Down 17:Down 18:Down 19:Down "
    "20:Down 21:Down 22:Down\"";
const char OutOfReachLimits[] = "--ik-solver analytic --ik-limits --target 1,3.5,0";
const char Dls[] = "--ik-solver dls --keys \"1:I 2:F1 3:C 4:PageUp 5:PageUp 6:Down 7:Down\"";
const char Toward1[] = "--target 1,2.5,0";
const char Toward2[] = "--target -1,2.2,1.2";
const char Toward3[] = "--target 0.3,1,0.2";
const char Toward4[] = "--target 0,2.9,0";

const char Tentacle[] = "--model tentacle --target -1.5,1.2,0.8 --keys \"1:F1 2:C\"";
const char TopOfTentacle[] =
    "--model tentacle --ik-chain tentacle7:4 --target 1,1.8,0.5 --keys \"1:C\"";
const char CcdPasses[] = R"(ik chain ccd: distance [0-9.]+, passes ([0-9]+))";
const char FabrikPasses[] = R"(ik chain fabrik: distance [0-9.]+, passes ([0-9]+))";
const char DlsPasses[] = R"(ik chain dls: distance [0-9.]+, passes ([0-9]+))";

const char Bend[] = "--pose bend-90 --keys \"1:F1 2:V 3:T\"";
const char Twist[] = "--pose twist-180 --side-by-side --keys \"1:F1 2:D 3:T\"";
const char TwistStretch[] = "--pose twist-180 --side-by-side --keys \"1:F1 2:A 3:T\"";
const char RigidCrease[] = "--pose bend-90 --skinning rigid --keys \"1:F1 2:A 3:T\"";
const char TwistLeft[] =
    "--pose straight --skinning dual-quaternion --keys \"1+Q 180-Q 181:F1 182:V\"";
const char TwistRight[] =
    "--pose straight --skinning dual-quaternion --keys \"1+E 180-E 181:F1 182:V\"";
const char Ring3Low[] = "--pose bend-90 --weights 0.7,0.3,0.4 --keys \"1:F1 2:D\"";
const char Ring3Whole[] = "--pose bend-90 --weights 0.7,1,0.4 --keys \"1:F1 2:D\"";
const char Normals[] = "--keys \"80:P 80:R 80:T 80:N\"";
const char Inspect[] = "--pose bend-90 --inspect 19 --keys \"1:F1\"";
const char Checked[] =
    "--headless --frames 2 --no-ui --stats --pose bend-90 --skinning center-of-rotation";

const char OptionsExample[] =
    "--headless --frames 100 --keys \"1:I 2:Up 3:Up\" --screenshot out.png";

const char Benchmarks[] = "docs/benchmarks.md";

const char Models[] = "docs/models.md";
const char OpenFigure[] = "--model tests/gltf/models/RiggedFigure/RiggedFigure.gltf";
const char PoseToObj[] = "--model tests/gltf/models/RiggedSimple/RiggedSimple.gltf --clip 0 "
                         "--time 0.5 --export-obj posed.obj";
const char FrameRates[] = "--headless --frames 2000 --stats";
const char FigureTwist[] = "--model tests/gltf/models/RiggedFigure/RiggedFigure.gltf --turn "
                           "\"node 17:0,150,0\" --view filled,radius --camera 330,5,7";
const char FigureTwistDual[] = "--model tests/gltf/models/RiggedFigure/RiggedFigure.gltf --turn "
                               "\"node 17:0,150,0\" --view filled,radius --camera 330,5,7 "
                               "--skinning dual-quaternion";
const char FigureRaise[] = "--model tests/gltf/models/RiggedFigure/RiggedFigure.gltf --turn "
                           "\"node 16:-100,0,0\" --skinning rigid --view filled,stretch "
                           "--camera 300,5,8";
const char FigureMethods[] = "--model tests/gltf/models/RiggedFigure/RiggedFigure.gltf --turn "
                             "\"node 16:-100,0,0\" --side-by-side --view filled --camera 0,10,21";
const char ModelVolume[] = R"(: volume ([0-9.]+)%)";

const GuideFigure guideFigures[] = {
    // The IK lab's walkthrough.
    {IkLab, Creep, "", 100, "{0.42} after 100 ticks", Distance},
    {IkLab, Creep, "", 1500, "{0.21} after 1500", Distance},
    {IkLab, Compare, "--ik-solver analytic", 16, "`analytic`, `fabrik` and `dls` read *{reached}*",
     Status},
    {IkLab, Compare, "--ik-solver fabrik", 16, "`fabrik` and `dls` read *{reached}*", Status},
    {IkLab, Compare, "--ik-solver dls", 16, "and `dls` read *{reached}*", Status},
    {IkLab, Compare, "--ik-solver ccd", 16, "`ccd` is still {0.049} away", Distance},
    {IkLab, Compare, "--ik-solver ccd", 18, "and reads *{reached}* two updates later", Status},
    {IkLab, FullReach, "", 95, "it is {0.0016} away after 95 updates", Distance},
    {IkLab, FullReach, "", 180, "reads *{reached}* only after 180", Status},
    {IkLab, InLine, "", 10, "it stays {0.100} away", Distance},
    {IkLab, InLine, "", 10, "the panel says *{ignores it: in line with the end}*", Status},
    {IkLab, InLineAnalytic, "", 10, "the analytic solver's status is *{reached}*", Status},
    {IkLab, Limits, "", 30, "leans back {17} degrees", LowerLeansBack},
    {IkLab, Limits, "", 30, "with the elbow at {120}", UpperBend},
    {IkLab, Limits, "", 30, "stops {1.03} away", Distance},
    {IkLab, Limits, "", 30,
     "(*{held by the lower bone's 17-degree tilt and the elbow's 120-degree limit}*)", HeldBy},
    {IkLab, Limits, "", 30, "It reads *{not moving (under 50 updates)}* at first", Status},
    {IkLab, Limits, "", 80, "and *{stalled}* once 50 updates have passed", Status},
    {IkLab, Limits, "--ik-solver ccd", 80, "the upper bone at x {120.00}, y {0.00}, z {0.00}",
     UpperAngles},
    {IkLab, Limits, "--ik-solver fabrik", 80, "the upper bone at x {120.00}, y {0.00}, z {0.00}",
     UpperAngles},
    {IkLab, Limits, "--ik-solver dls", 80, "the upper bone at x {120.00}, y {0.00}, z {0.00}",
     UpperAngles},
    {IkLab, OutOfReachLimits, "", 30, "points at it {16} degrees from upright", LowerLeansAside},
    {IkLab, OutOfReachLimits, "", 30, "the panel says only *{out of reach: pointing at it}*",
     R"(, status ([^\n]+)\n)"},
    {IkLab, Dls, "", 7, "first update after the target stops (*{reached}*)", Status},
    // Why the incremental solver creeps.
    {IkLab, Toward1, "", 1, "from 1.118 to {1.101} in the first frame", Distance},
    {IkLab, Toward1, "", 100, "the distance is {0.37} after 100 frames", Distance},
    {IkLab, Toward1, "", 1000, "{0.27} after 1000", Distance},
    {IkLab, Toward1, "", 4000, "{0.013} after 4000", Distance},
    {IkLab, Toward2, "", 300, "it is {0.290} after 300 frames", Distance},
    {IkLab, Toward2, "", 600, "{0.310} after 600", Distance},
    {IkLab, Toward2, "", 1000, "{0.286} after 1000", Distance},
    {IkLab, Toward3, "", 1, "the distance goes from {2.03}", Distance},
    {IkLab, Toward3, "", 1000, "to {1.27} in 1000 frames", Distance},
    {IkLab, Toward3, "", 3000, "then out to {3.0004}", Distance},
    {IkLab, Toward4, "", 10, "the chain never moves, {0.1} units away", Distance},
    // Long chains.
    {IkLab, Tentacle, "", 30, "within the tolerance in {4} passes here", CcdPasses},
    {IkLab, Tentacle, "", 30, "the chain arcs ({6} passes here)", FabrikPasses},
    {IkLab, Tentacle, "", 30, "over a few updates ({15} passes here)", DlsPasses},
    {IkLab, TopOfTentacle, "", 30, "`ik chain: {tentacle4} to {tentacle7}, {4} joints, ...`",
     R"(ik chain: ([a-z0-9]+) to ([a-z0-9]+), ([0-9]+) joints)"},
    // The skinning lab's walkthrough.
    {SkinLab, Bend, "", 10, "the whole limb keeps {88}% of its rest volume", Volume},
    {SkinLab, Bend, "--skinning dual-quaternion", 10, "(determinant 1) and keep {97}%", Volume},
    {SkinLab, Bend, "--skinning center-of-rotation", 10, "Centres of rotation keep {98}%", Volume},
    {SkinLab, Twist, "", 10, "keeps {48}% of its volume", Volume},
    {SkinLab, Twist, "--skinning rigid", 10, "Rigid keeps {94}%", Volume},
    {SkinLab, Twist, "--skinning dual-quaternion", 10, "keep its radius ({81}%", Volume},
    {SkinLab, Twist, "--skinning center-of-rotation", 10, "keep its radius ({81}%", Volume},
    {SkinLab, TwistStretch, "--skinning rigid", 10, "now spans the tube, {1.46} times its rest area",
     StretchHigh},
    {SkinLab, TwistStretch, "--skinning rigid", 10, "radius of {1.00} to {1.00}, yet rigid's",
     R"(radius ([0-9.]+)–([0-9.]+) of rest)"},
    {SkinLab, TwistStretch, "", 10, "its triangles crushed to nothing ({0.00})", StretchLow},
    {SkinLab, TwistStretch, "--skinning dual-quaternion", 10,
     "its most stretched triangles, {1.20} times their rest area", StretchHigh},
    {SkinLab, RigidCrease, "", 10, "squashed to {0.23} of its area", StretchLow},
    {SkinLab, RigidCrease, "", 10, "stretched to {1.70} on the outside", StretchHigh},
    {SkinLab, RigidCrease, "", 10,
     "`bend-90`, `stretch: triangle areas {0.23} to {1.70} of rest`)", Stretch},
    {SkinLab, TwistLeft, "", 200, "dual quaternions keep {96.87}% with Q", Volume},
    {SkinLab, TwistRight, "", 200, "and {80.74}% with E, at 179", Volume},
    {SkinLab, Ring3Low, "", 10, "At 0.3 the limb keeps {87.92}% against", Volume},
    {SkinLab, Ring3Low, "--weights 0.7,0.5,0.4", 10, "against {88.09}% at the built-in 0.5",
     Volume},
    {SkinLab, Ring3Whole, "", 10, "the limb keeps {88.50}%", Volume},
    {SkinLab, Ring3Whole, "--weights 0.7,0.5,0.4", 10, "smallest ratio falls from {0.08} to",
     Radius},
    {SkinLab, Ring3Whole, "", 10, "smallest ratio falls from 0.08 to {0.00}", Radius},
    {SkinLab, Normals, "", 90, "", ""},
    {SkinLab, Inspect, "", 10, "For vertex 19 bent as in step 1: {0.233} from the pivot under "
                               "linear blending",
     R"(inspect vertex 19: from the pivot: rest [0-9.]+, linear ([0-9.]+),)"},
    {SkinLab, Inspect, "", 10, "against {0.330} at rest",
     R"(inspect vertex 19: from the pivot: rest ([0-9.]+),)"},
    {SkinLab, Inspect, "", 10, "determinants {0.500} and {1.000}",
     R"(determinants: linear ([0-9.]+), rigid [0-9.]+, dual-quaternion ([0-9.]+))"},
    // The table of volumes and radii: the checked command, in every pose and method.
    {SkinLab, Checked, "", 2, "an explicit centre keeps more of the bend's volume ({98.1}% at",
     Volume},
    {SkinLab, Checked, "--skinning dual-quaternion", 2, "at `bend-90` against {96.7}%)",
     Volume},
    {SkinLab, Checked, "--skinning linear", 2, "| `bend-90` | {88.09}% (radius {0.08}–{1.32})",
     VolumeAndRadius},
    {SkinLab, Checked, "--skinning rigid", 2, "| {94.71}% ({0.00}–{1.00}) |", VolumeAndRadius},
    {SkinLab, Checked, "--skinning dual-quaternion", 2, "| {96.73}% ({0.02}–{1.82}) |",
     VolumeAndRadius},
    {SkinLab, Checked, "", 2, "| {98.14}% ({0.26}–{1.54}) |", VolumeAndRadius},
    {SkinLab, Checked, "--pose twist-180 --skinning linear", 2,
     "| `twist-180` | {48.47}% ({0.00}–{1.00})", VolumeAndRadius},
    {SkinLab, Checked, "--pose twist-180 --skinning rigid", 2, "| {94.20}% ({1.00}–{1.00}) |",
     VolumeAndRadius},
    {SkinLab, Checked, "--pose twist-180 --skinning dual-quaternion", 2,
     "| {80.61}% ({1.00}–{1.00}) | 80.61%", VolumeAndRadius},
    {SkinLab, Checked, "--pose twist-180", 2, "| 80.61% (1.00–1.00) | {80.61}% ({1.00}–{1.00}) |",
     VolumeAndRadius},
    {SkinLab, Checked, "--pose bend-twist --skinning linear", 2,
     "| `bend-twist` | {73.58}% ({0.14}–{1.36})", VolumeAndRadius},
    {SkinLab, Checked, "--pose bend-twist --skinning rigid", 2, "| {92.66}% ({0.00}–{1.00}) |",
     VolumeAndRadius},
    {SkinLab, Checked, "--pose bend-twist --skinning dual-quaternion", 2,
     "| {90.87}% ({0.18}–{1.79}) |", VolumeAndRadius},
    {SkinLab, Checked, "--pose bend-twist", 2, "| {91.63}% ({0.30}–{1.56}) |", VolumeAndRadius},
    // Commands whose figures are the machine's, not the program's: they must run.
    {Options, OptionsExample, "", 0, "", ""},
    {Benchmarks, FrameRates, "", 0, "", ""},
    {Models, OpenFigure, "", 2, "", ""},
    {Models, PoseToObj, "", 2, "", ""},
    {Models, FigureMethods, "", 2, "", ""},
    // The skinning lab on the figure.
    {SkinLab, FigureTwist, "", 2, "its smallest radius ratio is {0.24}", Radius},
    {SkinLab, FigureTwist, "", 2, "the figure keeps {94.62}% of its volume", ModelVolume},
    {SkinLab, FigureTwistDual, "", 2, "the smallest ratio is {0.68}, pale", Radius},
    {SkinLab, FigureRaise, "", 2, "a triangle under the raised arm at {5.40} times", StretchHigh},
    {SkinLab, FigureRaise, "", 2, "triangle areas from {0.59} to {5.40} in all", Stretch},
    {SkinLab, FigureRaise, "--skinning dual-quaternion", 2, "from {0.31} to {1.46}", Stretch},
};

// The figures marked in a quote, and the quote as the page has it, braces dropped.
std::vector<std::string> MarkedFigures(const std::string &quote, std::string &plain) {
    std::vector<std::string> figures;
    plain.clear();
    for (size_t at = 0; at < quote.size(); ++at) {
        if (quote[at] == '{') {
            size_t end = quote.find('}', at);
            figures.push_back(quote.substr(at + 1, end - at - 1));
            plain += figures.back();
            at = end;
        } else {
            plain += quote[at];
        }
    }
    return figures;
}

// A figure as the run gives it, to the page's rounding: as many decimals as the page writes.
std::string AsThePageRoundsIt(const std::string &figure, const std::string &value) {
    if (figure.empty() || figure.find_first_not_of("-0123456789.") != std::string::npos)
        return value; // words, compared as they are
    size_t point = figure.find('.');
    int decimals = point == std::string::npos ? 0 : (int)(figure.size() - point - 1);
    char rounded[64];
    std::snprintf(rounded, sizeof rounded, "%.*f", decimals, std::atof(value.c_str()));
    return rounded;
}

class Guides : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string pattern = ::testing::TempDir() + "skinning_guides_XXXXXX";
        ASSERT_NE(mkdtemp(&pattern[0]), nullptr);
        dir = pattern;
        // The guides name the shipped models by their paths in the source tree, where the reader
        // runs the commands.
        fs::create_directory_symlink(sourceDir / "tests", dir + "/tests");
    }
    void TearDown() override { std::system(("rm -rf '" + dir + "'").c_str()); }

    // The command as the reader runs it, headless for frames ticks (unless it says how to run
    // itself), with --stats; its standard output, or a failure.
    std::string Run(const std::string &command, const std::string &extra, int frames) {
        std::string arguments = command + " " + extra;
        if (command.find("--headless") == std::string::npos)
            arguments += " --headless --no-ui --frames " + std::to_string(frames);
        if (command.find("--stats") == std::string::npos)
            arguments += " --stats";
        std::string line = "cd '" + dir + "' && '" DEMO_BINARY "' " + arguments +
                           " >out.txt 2>err.txt";
        auto cached = runs.find(line);
        if (cached != runs.end())
            return cached->second;
        int status = std::system(line.c_str());
        std::string out = ReadText(dir + "/out.txt");
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0)
            << arguments << "\n" << ReadText(dir + "/err.txt");
        return runs[line] = out;
    }

    // Runs every figure of page whose ticks are within [fromFrames, toFrames].
    void CheckFigures(const char *page, int fromFrames, int toFrames) {
        std::string prose = ProseOf(sourceDir / page);
        int checked = 0;
        for (const GuideFigure &figure : guideFigures) {
            if (std::string(page) != figure.page || figure.frames < fromFrames ||
                figure.frames > toFrames)
                continue;
            SCOPED_TRACE(std::string(figure.command) + " " + figure.extra + ", " +
                         std::to_string(figure.frames) + " ticks: " + figure.quote);
            std::string plain;
            std::vector<std::string> figures = MarkedFigures(figure.quote, plain);
            EXPECT_NE(prose.find(plain), std::string::npos)
                << page << " no longer says \"" << plain << "\"";
            std::string out = Run(figure.command, figure.extra, figure.frames);
            ++checked;
            if (!*figure.stats)
                continue; // a command that must run, with no figure of its own
            std::smatch match;
            ASSERT_TRUE(std::regex_search(out, match, std::regex(figure.stats))) << out;
            ASSERT_EQ(match.size(), figures.size() + 1) << figure.stats;
            for (size_t i = 0; i < figures.size(); ++i)
                EXPECT_EQ(figures[i], AsThePageRoundsIt(figures[i], match[i + 1].str()))
                    << page << " quotes " << figures[i] << "; the run gives " << match[i + 1]
                    << "\n" << out;
        }
        EXPECT_GT(checked, 0);
    }

    std::string dir;
    std::map<std::string, std::string> runs;
};

// Every command in a fenced block of the README or a guide has its figures here (or is run
// for its own sake), and every command here is still in its page.
TEST_F(Guides, EveryCommandOfEveryPageIsRunHere) {
    std::vector<fs::path> pages = {sourceDir / "README.md"};
    for (const fs::directory_entry &entry : fs::directory_iterator(sourceDir / "docs"))
        if (entry.path().extension() == ".md")
            pages.push_back(entry.path());
    std::set<std::pair<std::string, std::string>> onPages, here;
    for (const fs::path &page : pages)
        for (const std::string &command : CommandsOf(page))
            onPages.insert({fs::relative(page, sourceDir).string(), command});
    for (const GuideFigure &figure : guideFigures)
        here.insert({figure.page, figure.command});
    for (const auto &command : onPages)
        EXPECT_TRUE(here.count(command)) << command.first << " gives a command no test runs:\n"
                                         << command.second;
    for (const auto &command : here)
        EXPECT_TRUE(onPages.count(command)) << command.first << " no longer gives the command:\n"
                                            << command.second;
    EXPECT_GE(onPages.size(), 15u);
}

// The pictures the guides show are made by the commands the guides give beside them.
TEST_F(Guides, ThePicturesAreMadeByTheGuidesCommands) {
    std::istringstream script(ReadText(sourceDir / "tools" / "make_docs_pictures.sh"));
    const std::regex picture("^picture ([a-z-]+) [0-9]+ ?(.*)$");
    std::string line;
    int pictures = 0;
    while (std::getline(script, line)) {
        std::smatch match;
        if (!std::regex_match(line, match, picture))
            continue;
        ++pictures;
        std::string image = "(" + match[1].str() + ".png)";
        for (const fs::directory_entry &entry : fs::directory_iterator(sourceDir / "docs")) {
            if (entry.path().extension() != ".md" ||
                ReadText(entry.path()).find(image) == std::string::npos)
                continue;
            std::vector<std::string> commands = CommandsOf(entry.path());
            EXPECT_NE(std::find(commands.begin(), commands.end(), match[2].str()), commands.end())
                << entry.path().filename() << " shows " << image
                << " but gives no command that makes it: " << match[2];
        }
    }
    EXPECT_GE(pictures, 6);
}

// Split by the length of the runs, so that the long ones can run beside the others.
TEST_F(Guides, TheIkLabsShortRunsGiveItsFigures) {
    CheckFigures(IkLab, 0, 999);
}
TEST_F(Guides, TheIkLabsLongRunsGiveItsFigures) {
    CheckFigures(IkLab, 1000, 1000000);
}
TEST_F(Guides, TheSkinningLabsRunsGiveItsFigures) {
    CheckFigures(SkinLab, 0, 1000000);
}
TEST_F(Guides, TheOptionsExampleAndTheBenchmarksRun) {
    CheckFigures(Options, 0, 1000000);
    CheckFigures(Benchmarks, 0, 1000000);
    CheckFigures(Models, 0, 1000000);
}

} // namespace
