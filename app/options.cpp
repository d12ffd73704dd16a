#include "app/options.h"

#include "app/key_bindings.h"
#include "app/mouse.h"
#include "demo/demo_state.h"
#include "gltf/gltf_model.h"
#include "ik/ik_solvers.h"
#include "lab/skin_poses.h"
#include "mesh/skin_mesh.h"
#include "rig/bones.h"
#include "skinning/skinning.h"
#include "view/camera.h"

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>

const char *const ViewOptionNames[ViewOptionCount] = {
    "filled", "no-markers", "normals", "no-textures", "weights", "volume", "radius", "rest-pose",
    "panel", "stretch"};

namespace {

// In a page the options go in its address and it has no display to do without, no working
// directory and no files: the lines that differ there.
#ifdef __EMSCRIPTEN__
#define USAGE_HEAD                                                                                 \
    "Usage: the page's address followed by ?OPTION=VALUE&OPTION..., for example\n"                 \
    "  ?frames=100&keys=1:I,2:Up&no-ui runs --frames=100 --keys=1:I,2:Up --no-ui.\n"               \
    "Mesh skinning demonstration: a two-bone skeleton deforms a limb-shaped mesh.\n"               \
    "\n"                                                                                           \
    "Options:\n"                                                                                   \
    "  --help             list these options, and start nothing\n"
#define SCREENSHOT_LINES                                                                           \
    "  --screenshot FILE  download the last frame: as PNG when FILE ends in .png (any\n"           \
    "                     case), otherwise as a 24-bit BMP\n"
#else
#define USAGE_HEAD                                                                                 \
    "Usage: %s [OPTION]...\n"                                                                      \
    "Mesh skinning demonstration: a two-bone skeleton deforms a limb-shaped mesh.\n"               \
    "Reads the textures floor.bmp and curlwhip.bmp from the working directory, else from\n"        \
    "the source tree's assets/, else from share/skinning_demo/ beside the program's bin/.\n"       \
    "\n"                                                                                           \
    "Options:\n"                                                                                   \
    "  --help             show this text and exit\n"                                               \
    "  --headless         render without a display (no window is shown)\n"
#define SCREENSHOT_LINES                                                                           \
    "  --screenshot FILE  save the last frame: as PNG when FILE ends in .png (any case),\n"        \
    "                     otherwise as a 24-bit BMP\n"
#endif
#ifdef __EMSCRIPTEN__
#define MODEL_FILE_LINES                                                                           \
    "  --model FILE       show the skinned glTF 2.0 model FILE (.gltf or .glb, a path on\n"        \
    "                     the page's own site; a .gltf's .bin and images are fetched from\n"       \
    "                     beside it) instead of the limb; a file it cannot read is a bad\n"        \
    "                     option; tentacle shows the built-in tentacle, a chain of 8 joints\n"
#define EXPORT_LINES ""
#else
#define MODEL_FILE_LINES                                                                           \
    "  --model FILE       show the skinned glTF 2.0 model FILE (.gltf or .glb) instead\n"          \
    "                     of the limb; a file it cannot read is a bad option; tentacle\n"          \
    "                     shows the built-in tentacle, a chain of 8 joints\n"
#define EXPORT_LINES                                                                               \
    "  --export-obj FILE  after the first frame, write the skinned mesh (the model's or\n"         \
    "                     the limb's) to FILE as Wavefront OBJ\n"
#endif
#define MODEL_LINES                                                                                \
    MODEL_FILE_LINES                                                                               \
    "  --ik-chain CHAIN   the model's IK chain as JOINT[:LENGTH]: it ends at JOINT (a\n"           \
    "                     name or number from 0) and LENGTH joints move, up to the root\n"         \
    "                     when left out; --target starts it in the inverse mode\n"                 \
    "  --turn JOINT:X,Y,Z start in the forward mode, as F does, with the model's JOINT\n"         \
    "                     selected and turned X, Y and Z degrees about its own axes\n"            \
    "  --clip CLIP        the model's clip to play, by name or number from 0 (every\n"             \
    "                     clip together is the default)\n"                                         \
    "  --time SECONDS     hold the model's clip at SECONDS\n" EXPORT_LINES

const char usageText[] = USAGE_HEAD
    "  --frames N         run exactly N timer ticks, each followed by one frame, as fast as\n"
    "                     possible, then exit; the frame drawn at start-up comes first\n"
    "  --keys SCRIPT      press and release keys before given ticks (repeatable):\n"
    "                     entries TICK:KEY (press and release), TICK+KEY (press and hold),\n"
    "                     TICK-KEY (release), separated by spaces or commas; ticks count\n"
    "                     from 1; KEY is a letter, F1 to F12, Escape, PageUp, PageDown,\n"
    "                     End, Home, Left, Up, Right, Down, Space, Plus or Minus (numeric\n"
    "                     pad), MainPlus or MainMinus (main row), or #CODE, a Windows\n"
    "                     virtual-key code from 1 to 255, the numbering the key table uses\n"
    "                     (65 is A, 37 Left, 107 the numeric pad's +); example:\n"
    "                     --keys \"1:I 2:Up 3:Up\"\n" SCREENSHOT_LINES
    "  --stats            print ticks, frames drawn, CPU time and the speed at exit,\n"
    "                     then the pose, the IK solver's name, distance and status\n"
    "                     (inverse mode only), the skinning method with the limb's\n"
    "                     volume and the extremes of its distance from the bones\n"
    "                     and of its triangles' areas against rest, how long the\n"
    "                     centres of rotation took to\n"
    "                     work out, and the inspected vertex's distances and\n"
    "                     determinants\n"
    "  --ik-solver NAME   the inverse-kinematics solver to start with (incremental is\n"
    "                     the default): %s\n"
    "  --ik-limits        start with the inverse-kinematics joint limits on (the\n"
    "                     panel's Joint limits box)\n"
    "  --skinning NAME    start with the skinning method NAME (linear is the default;\n"
    "                     M switches it while running):\n"
    "                     %s\n"
    "  --pose NAME        start in the forward mode as F does, held in the preset pose\n"
    "                     NAME (the panel's pose buttons set them too):\n"
    "                     %s\n"
    "  --weights A,B,C    the weights of rings 2, 3 and 4 on bone 1, from 0 to 1 (the\n"
    "                     built-in ones are 0.7,0.5,0.4; the panel's sliders change them)\n"
    "  --inspect VERTEX   inspect skin vertex VERTEX (0 to 48; with --model, any of the\n"
    "                     model's) from the start, as a click on it does\n"
    "  --target X,Y,Z     start in the inverse mode, as I does, with the target at X,Y,Z\n"
    "                     (x and z from -2.5 to 2.5, y from 1 to 3.5), as 1,2.5,0\n"
    "  --joints A,B,C,D   start in the forward mode held with bone 0 at A degrees about X,\n"
    "                     bone 1 at B about X and C about Z, twisted D, as 10,45,0,0\n"
    "  --camera A,T,D     start with the camera still, at the view angle A and the tilt T\n"
    "                     (5 to 80) in degrees, D units away (5 to 22), as 90,15,12\n"
    "  --view NAMES       start with these on, separated by commas: filled (the skin\n"
    "                     not outlined), no-markers, normals, no-textures, weights,\n"
    "                     volume, radius, rest-pose, panel (open) and stretch\n"
    "  --side-by-side     start with the limb drawn once for each skinning method, in a\n"
    "                     row (S switches it)\n"
    "  --no-ui            no on-screen panel (F1 then does nothing)\n" MODEL_LINES;

const char panelText[] =
    "The panel (title bar \"Controls (F1)\" at the top left) shows the mode and settings\n"
    "and changes them as the keys do.\n";

// Lines of --help are kept within this many columns; descriptions start at column HelpIndent.
const int HelpWidth = 79;
const int HelpIndent = 24;

// Prints "  name" then text from column HelpIndent, wrapped at spaces within HelpWidth; a name
// too long for its column puts the text on the next line.
void PrintHelpLine(std::FILE *out, const char *name, const char *text) {
    int column = std::fprintf(out, "  %s", name);
    const char *word = text;
    int first = 1;
    while (*word) {
        const char *end = std::strchr(word, ' ');
        int length = end ? (int)(end - word) : (int)std::strlen(word);
        int gap = first ? 0 : 1;
        if (first && column >= HelpIndent) {
            std::fprintf(out, "\n");
            column = 0;
        }
        if (column < HelpIndent) {
            std::fprintf(out, "%*s", HelpIndent - column, "");
            column = HelpIndent;
            gap = 0;
        } else if (column + gap + length > HelpWidth) {
            std::fprintf(out, "\n%*s", HelpIndent, "");
            column = HelpIndent;
            gap = 0;
        }
        column += std::fprintf(out, "%s%.*s", gap ? " " : "", length, word);
        first = 0;
        word += length;
        while (*word == ' ')
            ++word;
    }
    std::fprintf(out, "\n");
}

const int MaxFrames = 1000000000;

// Accepts "--name value" and "--name=value". Returns the value, or null (with error set) when
// it is missing; *matched tells whether argv[index] names this option at all.
const char *OptionValue(int argc, char **argv, int &index, const char *name, int &matched,
                        char *error, int errorSize) {
    const char *arg = argv[index];
    size_t nameLength = std::strlen(name);
    matched = 0;
    if (std::strncmp(arg, name, nameLength) != 0)
        return nullptr;
    if (arg[nameLength] == '=') {
        matched = 1;
        return arg + nameLength + 1;
    }
    if (arg[nameLength] != '\0')
        return nullptr;
    matched = 1;
    if (index + 1 >= argc) {
        std::snprintf(error, errorSize, "option %s needs a value", name);
        return nullptr;
    }
    return argv[++index];
}

int ParseFrameCount(const char *text, int &frames) {
    int value = 0;
    int used = ReadCappedDecimal(text, MaxFrames, value);
    if (used == 0 || text[used] != '\0' || value < 1)
        return 0;
    frames = value;
    return 1;
}

// Three numbers from 0 to 1 separated by commas, nothing else.
int ParseWeights(const char *text, double (&weights)[3]) {
    const char *at = text;
    for (int k = 0; k < 3; ++k) {
        if (k > 0 && *at++ != ',')
            return 0;
        if (!((*at >= '0' && *at <= '9') || *at == '.'))
            return 0; // strtod would take signs, spaces, "inf" and "nan"
        char *end = nullptr;
        double value = std::strtod(at, &end);
        if (end == at || !(value >= 0.0 && value <= 1.0))
            return 0;
        weights[k] = value;
        at = end;
    }
    return *at == '\0';
}

// The model's options; 1 when argv[index] is one and is good, else 0 with matched telling
// whether it was one at all (and error set if so).
int ParseModelOption(int argc, char **argv, int &index, DemoOptions &options, char *error,
                     int errorSize, int &matched) {
    const char *names[] = {"--model", "--clip", "--export-obj", "--time", "--ik-chain", "--turn"};
    for (const char *name : names) {
#ifdef __EMSCRIPTEN__
        // A page writes no files: what it saves, it downloads (its screenshots).
        if (name == names[2])
            continue;
#endif
        const char *value = OptionValue(argc, argv, index, name, matched, error, errorSize);
        if (!matched)
            continue;
        if (!value)
            return 0;
        if (!*value) {
            std::snprintf(error, errorSize, "%s needs a value", name);
            return 0;
        }
        if (name == names[0])
            options.modelFile = value;
        else if (name == names[1])
            options.clip = value;
        else if (name == names[2])
            options.exportObjFile = value;
        else if (name == names[4])
            options.ikChain = value;
        else if (name == names[5])
            options.turn = value;
        else {
            char *end = nullptr;
            double time = std::strtod(value, &end);
            if (!((*value >= '0' && *value <= '9') || *value == '.') || *end != '\0' ||
                !(time >= 0.0 && time < 1e9)) {
                std::snprintf(error, errorSize, "--time needs seconds from 0, not '%s'", value);
                return 0;
            }
            options.hasTime = 1;
            options.time = time;
        }
        return 1;
    }
    matched = 0;
    return 0;
}

// A list of names as a choice: "one of a, b or c", from the tables' "a, b and c".
std::string OneOf(const char *list) {
    std::string names = list;
    size_t last = names.rfind(" and ");
    if (last != std::string::npos)
        names.replace(last, 5, " or ");
    return "one of " + names;
}

// Three numbers separated by commas inside the target's box, nothing else.
int ParseTarget(const char *text, double (&target)[3]) {
    const char *at = text;
    for (int k = 0; k < 3; ++k) {
        if (k > 0 && *at++ != ',')
            return 0;
        if (!((*at >= '0' && *at <= '9') || *at == '.' || *at == '-'))
            return 0; // strtod would take spaces, "inf" and "nan"
        char *end = nullptr;
        double value = std::strtod(at, &end);
        double low = k == 1 ? TargetMinY : TargetMinXZ, high = k == 1 ? TargetMaxY : TargetMaxXZ;
        if (end == at || !(value >= low && value <= high))
            return 0;
        target[k] = value;
        at = end;
    }
    return *at == '\0';
}

// count numbers with commas between, each from low to high.
int ParseNumbers(const char *text, double *numbers, int count, double low, double high) {
    const char *at = text;
    for (int k = 0; k < count; ++k) {
        if (k > 0 && *at++ != ',')
            return 0;
        if (!((*at >= '0' && *at <= '9') || *at == '.' || *at == '-'))
            return 0; // strtod would take spaces, "inf" and "nan"
        char *end = nullptr;
        double value = std::strtod(at, &end);
        if (end == at || !(value >= low && value <= high))
            return 0;
        numbers[k] = value;
        at = end;
    }
    return *at == '\0';
}

int ParseViews(const char *text, int &views) {
    views = 0;
    for (const char *at = text; *at;) {
        const char *end = std::strchr(at, ',');
        size_t length = end ? (size_t)(end - at) : std::strlen(at);
        int found = 0;
        for (int k = 0; k < ViewOptionCount && !found; ++k)
            if (std::strlen(ViewOptionNames[k]) == length &&
                std::strncmp(ViewOptionNames[k], at, length) == 0) {
                views |= 1 << k;
                found = 1;
            }
        if (!found)
            return 0;
        at = end ? end + 1 : at + length;
        if (end && !*at)
            return 0;
    }
    return views != 0;
}

int ParseValueOption(int argc, char **argv, int &index, DemoOptions &options, char *error,
                     int errorSize) {
    int matched = 0;
    const char *value = OptionValue(argc, argv, index, "--frames", matched, error, errorSize);
    if (matched) {
        if (value && !ParseFrameCount(value, options.frames)) {
            std::snprintf(error, errorSize, "--frames needs a whole number from 1 to %d, not '%s'",
                          MaxFrames, value);
            return 0;
        }
        return value != nullptr;
    }
    value = OptionValue(argc, argv, index, "--keys", matched, error, errorSize);
    if (matched) {
        char reason[200] = "";
        if (value && !ParseKeyScript(value, options.keys, reason, sizeof reason)) {
            std::snprintf(error, errorSize, "--keys: %s", reason);
            return 0;
        }
        return value != nullptr;
    }
    value = OptionValue(argc, argv, index, "--ik-solver", matched, error, errorSize);
    if (matched) {
        if (value && (options.ikSolver = IkSolverFromName(value)) < 0) {
            std::snprintf(error, errorSize, "--ik-solver needs %s, not '%s'",
                          OneOf(IkSolverList()).c_str(), value);
            return 0;
        }
        return value != nullptr;
    }
    value = OptionValue(argc, argv, index, "--screenshot", matched, error, errorSize);
    if (matched) {
        if (value && !*value) {
            std::snprintf(error, errorSize, "--screenshot needs a file name");
            return 0;
        }
        options.screenshotFile = value;
        return value != nullptr;
    }
    // The skinning lab's method.
    value = OptionValue(argc, argv, index, "--skinning", matched, error, errorSize);
    if (matched) {
        if (value && !FindSkinningMethod(value, options.skinningMethod)) {
            std::snprintf(error, errorSize, "--skinning needs %s, not '%s'",
                          OneOf(SkinningMethodNameList()).c_str(), value);
            return 0;
        }
        return value != nullptr;
    }
    value = OptionValue(argc, argv, index, "--weights", matched, error, errorSize);
    if (matched) {
        if (value && !ParseWeights(value, options.weights)) {
            std::snprintf(error, errorSize,
                          "--weights needs three numbers from 0 to 1 with commas between, as "
                          "0.7,0.5,0.4, not '%s'",
                          value);
            return 0;
        }
        options.hasWeights = 1;
        return value != nullptr;
    }
    value = OptionValue(argc, argv, index, "--target", matched, error, errorSize);
    if (matched) {
        if (value && !ParseTarget(value, options.target)) {
            std::snprintf(error, errorSize,
                          "--target needs x,y,z with x and z from -2.5 to 2.5 and y from 1 to "
                          "3.5, as 1,2.5,0, not '%s'",
                          value);
            return 0;
        }
        options.hasTarget = 1;
        return value != nullptr;
    }
    value = OptionValue(argc, argv, index, "--joints", matched, error, errorSize);
    if (matched) {
        if (value && !ParseNumbers(value, options.joints, 4, -360.0, 360.0)) {
            std::snprintf(error, errorSize,
                          "--joints needs four angles from -360 to 360 with commas between, as "
                          "10,45,0,0, not '%s'",
                          value);
            return 0;
        }
        options.hasJoints = 1;
        return value != nullptr;
    }
    value = OptionValue(argc, argv, index, "--camera", matched, error, errorSize);
    if (matched) {
        double camera[3];
        if (value && (!ParseNumbers(value, camera, 3, -360.0, 360.0) ||
                      camera[1] < CameraMinTilt || camera[1] > CameraMaxTilt ||
                      camera[2] < CameraMinDistance || camera[2] > CameraMaxDistance)) {
            std::snprintf(error, errorSize,
                          "--camera needs an angle, a tilt from 5 to 80 and a distance from 5 "
                          "to 22 with commas between, as 90,15,12, not '%s'",
                          value);
            return 0;
        }
        for (int k = 0; value && k < 3; ++k)
            options.camera[k] = camera[k];
        options.hasCamera = 1;
        return value != nullptr;
    }
    value = OptionValue(argc, argv, index, "--view", matched, error, errorSize);
    if (matched) {
        if (value && !ParseViews(value, options.views)) {
            std::string names;
            for (int k = 0; k < ViewOptionCount; ++k)
                names += std::string(k ? ", " : "") + ViewOptionNames[k];
            std::snprintf(error, errorSize,
                          "--view needs names from %s with commas between, not '%s'",
                          names.c_str(), value);
            return 0;
        }
        return value != nullptr;
    }
    value = OptionValue(argc, argv, index, "--inspect", matched, error, errorSize);
    if (matched) {
        int vertex = 0;
        // A model's vertices are counted once it is read; the limb's here.
        int used = value ? ReadCappedDecimal(value, GltfMaxVertices, vertex) : 0;
        if (value && (used == 0 || value[used] != '\0' || vertex >= GltfMaxVertices)) {
            std::snprintf(error, errorSize, "--inspect needs a vertex from 0 to %d, not '%s'",
                          SkinVertexCount - 1, value);
            return 0;
        }
        options.inspectVertex = vertex + 1;
        return value != nullptr;
    }
    value = OptionValue(argc, argv, index, "--pose", matched, error, errorSize);
    if (matched) {
        int pose = 0;
        if (value && !FindSkinPose(value, pose)) {
            std::snprintf(error, errorSize, "--pose needs %s, not '%s'",
                          OneOf(SkinPoseNameList()).c_str(), value);
            return 0;
        }
        options.startPose = pose + 1;
        return value != nullptr;
    }
    if (ParseModelOption(argc, argv, index, options, error, errorSize, matched))
        return 1;
    if (matched)
        return 0;
    std::snprintf(error, errorSize, "unknown option '%s'", argv[index]);
    return 0;
}

} // namespace

int ParseOptions(int argc, char **argv, DemoOptions &options, char *error, int errorSize) {
    std::memset(&options, 0, sizeof options);
    for (int i = 1; i < argc; ++i) {
        const char *arg = argv[i];
        if (std::strcmp(arg, "--help") == 0 || std::strcmp(arg, "-h") == 0)
            return OptionsHelp;
        if (std::strcmp(arg, "--headless") == 0)
            options.headless = 1;
        else if (std::strcmp(arg, "--stats") == 0)
            options.stats = 1;
        else if (std::strcmp(arg, "--side-by-side") == 0)
            options.sideBySide = 1;
        else if (std::strcmp(arg, "--no-ui") == 0)
            options.noUi = 1;
        else if (std::strcmp(arg, "--ik-limits") == 0)
            options.ikLimits = 1;
        else if (!ParseValueOption(argc, argv, i, options, error, errorSize))
            return OptionsInvalid;
    }
    if ((options.clip || options.hasTime || options.ikChain || options.turn) &&
        !options.modelFile) {
        std::snprintf(error, errorSize, "%s needs --model",
                      options.clip      ? "--clip"
                      : options.hasTime ? "--time"
                      : options.ikChain ? "--ik-chain"
                                        : "--turn");
        return OptionsInvalid;
    }
    // The preset poses, the joints' angles and the rings' weights are the limb's own: with a
    // model in its place they would change nothing on screen.
    if (options.modelFile && (options.startPose || options.hasJoints || options.hasWeights)) {
        const char *limbOption = options.startPose   ? "--pose"
                                 : options.hasJoints ? "--joints"
                                                     : "--weights";
        std::snprintf(error, errorSize,
                      "%s is the limb's own: not with --model (--turn turns a model's joint)",
                      limbOption);
        return OptionsInvalid;
    }
    if (options.inspectVertex > SkinVertexCount && !options.modelFile) {
        std::snprintf(error, errorSize, "--inspect needs a vertex from 0 to %d, not '%d'",
                      SkinVertexCount - 1, options.inspectVertex - 1);
        return OptionsInvalid;
    }
    if (options.hasTarget && (options.startPose || options.hasJoints || options.turn)) {
        const char *forward = options.startPose   ? "--pose"
                              : options.hasJoints ? "--joints"
                                                  : "--turn";
        std::snprintf(error, errorSize,
                      "--target starts the inverse mode and %s the forward mode: not both",
                      forward);
        return OptionsInvalid;
    }
    if (options.startPose && options.hasJoints) {
        std::snprintf(error, errorSize, "--pose and --joints both set the joints: one of them");
        return OptionsInvalid;
    }
    int lastTick = LastScriptedTick(options.keys);
    if (options.frames > 0 && lastTick > options.frames) {
        std::snprintf(error, errorSize, "--keys: tick %d comes after the last one (--frames %d)",
                      lastTick, options.frames);
        return OptionsInvalid;
    }
    return OptionsRun;
}

void PrintUsage(std::FILE *out, const char *programName) {
#ifdef __EMSCRIPTEN__
    (void)programName;
    std::fprintf(out, usageText, IkSolverList(), SkinningMethodNameList(), SkinPoseNameList());
#else
    std::fprintf(out, usageText, programName, IkSolverList(), SkinningMethodNameList(),
                 SkinPoseNameList());
#endif
    std::fprintf(out, "\nKeys:\n");
    KeyHelpLine lines[MaxKeyHelpLines];
    int count = KeyHelpLines(lines, MaxKeyHelpLines);
    for (int i = 0; i < count; ++i)
        PrintHelpLine(out, lines[i].keys, lines[i].help);
    std::fprintf(out, "\nMouse:\n");
    for (int i = 0; i < MouseHelpLineCount; ++i)
        PrintHelpLine(out, mouseHelpLines[i].gesture, mouseHelpLines[i].help);
    std::fprintf(out, "%s", panelText);
}

namespace {

// The same turn within (-180, 180], which --joints takes.
double HalfTurn(double degrees) {
    double angle = std::fmod(degrees, 360.0);
    return angle > 180.0 ? angle - 360.0 : angle <= -180.0 ? angle + 360.0 : angle;
}

} // namespace

int WriteLinkOptions(char *out, int size, int noUi) {
    std::string text;
    char line[160];
    if (demoState.fkMode) {
        std::snprintf(line, sizeof line, "--joints=%.6g,%.6g,%.6g,%.6g\n", HalfTurn(bones[0].rotX),
                      HalfTurn(bones[1].rotX), HalfTurn(bones[1].rotZ), HalfTurn(bones[1].rotY));
        text += line;
    } else if (demoState.ikMode) {
        std::snprintf(line, sizeof line, "--target=%.6g,%.6g,%.6g\n", demoState.target.x,
                      demoState.target.y, demoState.target.z);
        text += line;
        if (demoState.ikSolver != 0)
            text += std::string("--ik-solver=") + IkSolverName(demoState.ikSolver) + "\n";
        if (demoState.ik.jointLimits)
            text += "--ik-limits\n";
    }
    if (demoState.skinningMethod != SkinningLinear)
        text += std::string("--skinning=") + SkinningMethodName(demoState.skinningMethod) + "\n";
    if (!HasBuiltInWeights(skinVertices)) {
        std::snprintf(line, sizeof line, "--weights=%.6g,%.6g,%.6g\n",
                      RingWeightOnBone1(skinVertices, FirstEditableRing),
                      RingWeightOnBone1(skinVertices, FirstEditableRing + 1),
                      RingWeightOnBone1(skinVertices, LastEditableRing));
        text += line;
    }
    const int on[ViewOptionCount] = {!demoState.wireframe, demoState.hideBones,
                                     demoState.showNormals, demoState.texturesOff,
                                     demoState.weightsView, demoState.volumeView,
                                     demoState.radiusView,  demoState.restPoseView,
                                     demoState.panelOpen && !noUi, demoState.stretchView};
    std::string views;
    for (int k = 0; k < ViewOptionCount; ++k)
        if (on[k])
            views += std::string(views.empty() ? "" : ",") + ViewOptionNames[k];
    if (!views.empty())
        text += "--view=" + views + "\n";
    if (demoState.sideBySide)
        text += "--side-by-side\n";
    if (demoState.inspectedVertex >= 0) {
        std::snprintf(line, sizeof line, "--inspect=%d\n", demoState.inspectedVertex);
        text += line;
    }
    std::snprintf(line, sizeof line, "--camera=%.6g,%.6g,%.6g\n", demoState.viewAngle,
                  demoState.viewTilt, demoState.viewDistance);
    text += line;
    if (noUi)
        text += "--no-ui\n";
    return std::snprintf(out, size, "%s", text.c_str());
}
