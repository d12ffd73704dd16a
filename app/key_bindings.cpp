#include "app/key_bindings.h"

#include "demo/demo_commands.h"
#include "ik/ik_solvers.h"
#include "platform/key_codes.h"
#include "skinning/skinning.h"

#include <cstdio>
#include <cstring>

// A page has no window to close and no working directory: there the same keys close the panel
// and hand the picture to the browser, and their lines say so.
#ifdef __EMSCRIPTEN__
#define QUIT_HELP "close the panel (and leave full screen); the page never ends the demo"
#define SCREENSHOT_HELP "download the frame on screen as a PNG, skinning-demo-NNN.png"
#else
#define QUIT_HELP "quit"
#define SCREENSHOT_HELP "save the frame on screen as skinning-demo-NNN.png in the working directory"
#endif

// The steering axes: 0 turns bone 0 about X or moves the target in z, 1 bone 1 about X or the
// target in y, 2 bone 1 about Z or the target in x, 3 bone 1 about Y (forward mode only).
const KeyBinding keyBindings[] = {
    {"Escape", KeyEscape, CommandQuit, 0, 0.0, QUIT_HELP},
    {"P", 'P', CommandTogglePlay, 0, 0.0,
     "play animation on/off (off freezes the pose; on resumes it from the pose reached, camera "
     "untouched)"},
    {"F", 'F', CommandToggleForward, 0, 0.0,
     "forward kinematics on/off: the keys below turn the joints while held"},
    {"I", 'I', CommandToggleInverse, 0, 0.0,
     "inverse kinematics on/off: the keys below move the target (entering straightens the limb "
     "and puts the target on its end)"},
    {"Left", KeyLeft, CommandSteer, 0, -1.0, "forward: bone 0 about X (on a model, the selected joint's parent); inverse: target z"},
    {"Right", KeyRight, CommandSteer, 0, +1.0, nullptr},
    {"Up", KeyUp, CommandSteer, 1, +1.0, "forward: bone 1 about X (on a model, the selected joint); inverse: target y"},
    {"Down", KeyDown, CommandSteer, 1, -1.0, nullptr},
    {"Page Up", KeyPageUp, CommandSteer, 2, -1.0, "forward: bone 1 about Z (a model's selected joint too); inverse: target x"},
    {"Page Down", KeyPageDown, CommandSteer, 2, +1.0, nullptr},
    {"T", 'T', CommandToggleWireframe, 0, 0.0, "wireframe on/off (the bone markers follow it)"},
    {"B", 'B', CommandToggleBones, 0, 0.0,
     "bone markers on/off (wireframe only); on a model, its skeleton's joints and bones"},
    {"N", 'N', CommandToggleNormals, 0, 0.0, "vertex normals on/off"},
    {"O", 'O', CommandToggleTextures, 0, 0.0, "textures on/off"},
    {"R", 'R', CommandToggleRotation, 0, 0.0, "camera rotation on/off"},
    {"numeric-pad +", KeyPadPlus, CommandFaster, 0, 0.0,
     "speed (0.5 to 4.0) and target step (0.01 to 0.25) up / down"},
    {"-", KeyPadMinus, CommandSlower, 0, 0.0, nullptr},
    {"main-row + (=)", KeyMainPlus, CommandFaster, 0, 0.0,
     "the same, for keyboards without a numeric pad"},
    {"-", KeyMainMinus, CommandSlower, 0, 0.0, nullptr},
    {"Home", KeyHome, CommandResetCamera, 0, 0.0,
     "camera tilt and distance back to their start (15 degrees, 12 units)"},
    // The inverse-kinematics lab.
    {"K", 'K', CommandNextIkSolver, 0, 0.0, "IK solver: the next of %s (the pose stays as it is)"},
    {"C", 'C', CommandToggleIkCompare, 0, 0.0,
     "compare the IK solvers on/off: every solver runs from the same pose, the others drawn as "
     "coloured lines"},
    {"Space", KeySpace, CommandStepIk, 0, 0.0,
     "inverse: freeze the solver and advance it one update per press (the panel's Run, or "
     "leaving and re-entering the mode, lets it run again)"},
    {"F1", KeyF1, CommandTogglePanel, 0, 0.0, "open / close the on-screen panel"},
    {"F12", KeyF12, CommandSaveScreenshot, 0, 0.0, SCREENSHOT_HELP},
    // The skinning lab.
    {"M", 'M', CommandCycleSkinningMethod, 0, 0.0, "skinning method: %s, in turn"},
    {"Q", 'Q', CommandSteer, 3, -1.0,
     "forward: bone 1 about Y, a twist along its length while it is straight (a model's "
     "selected joint too)"},
    {"E", 'E', CommandSteer, 3, +1.0, nullptr},
    {"W", 'W', CommandToggleWeightsView, 0, 0.0,
     "weights view on/off: the skin coloured by each vertex's weight on bone 1 (on a model, on "
     "the selected joint, or in its joints' colours)"},
    {"V", 'V', CommandToggleVolumeView, 0, 0.0,
     "volume view on/off: the skin coloured by how much of its volume the blend keeps"},
    {"D", 'D', CommandToggleRadiusView, 0, 0.0,
     "radius view on/off: the skin coloured by each vertex's distance from the bones against "
     "the rest pose"},
    {"A", 'A', CommandToggleStretchView, 0, 0.0,
     "stretch view on/off: each triangle coloured by its area against the rest pose, blue "
     "squashed, white kept, red stretched"},
    {"S", 'S', CommandToggleSideBySide, 0, 0.0,
     "side by side on/off: the limb (or model) once for each skinning method, in a row, from the "
     "same pose "
     "(the camera stands back to fit them, and back where it was when S goes off); a click on a "
     "copy chooses its method"},
    {"G", 'G', CommandToggleRestPoseView, 0, 0.0,
     "rest pose on/off: the unbent limb as a faint wireframe behind the posed one (a model's "
     "bind pose, where its skeleton's root stands)"},
};

const int KeyBindingCount = (int)(sizeof keyBindings / sizeof keyBindings[0]);

const KeyBinding *FindKeyBinding(int keyCode) {
    for (int i = 0; i < KeyBindingCount; ++i)
        if (keyBindings[i].keyCode == keyCode)
            return &keyBindings[i];
    return nullptr;
}

namespace {

// The commands whose help lists a table's rows, and the list.
struct HelpList {
    int command;
    const char *(*list)();
};

const HelpList helpLists[] = {
    {CommandNextIkSolver, IkSolverList},
    {CommandCycleSkinningMethod, SkinningMethodWordList},
};

} // namespace

const char *KeyHelpText(const KeyBinding &binding) {
    const HelpList *list = nullptr;
    for (const HelpList &candidate : helpLists)
        if (candidate.command == binding.command)
            list = &candidate;
    if (!binding.help || !list)
        return binding.help;
    // One buffer per row, filled on first use: the tables never change while the program runs.
    static char texts[64][256];
    int row = (int)(&binding - keyBindings);
    if (row < 0 || row >= KeyBindingCount || row >= 64)
        return binding.help;
    if (!texts[row][0])
        std::snprintf(texts[row], sizeof texts[row], binding.help, list->list());
    return texts[row];
}

int KeyHelpLines(KeyHelpLine *lines, int maxLines) {
    int count = 0;
    for (int i = 0; i < KeyBindingCount; ++i) {
        const KeyBinding &binding = keyBindings[i];
        if (binding.help || count == 0) {
            if (count == maxLines)
                break;
            KeyHelpLine &line = lines[count++];
            std::snprintf(line.keys, sizeof line.keys, "%s", binding.keyName);
            line.help = binding.help ? KeyHelpText(binding) : "";
            continue;
        }
        KeyHelpLine &line = lines[count - 1];
        size_t used = std::strlen(line.keys);
        std::snprintf(line.keys + used, sizeof line.keys - used, " / %s", binding.keyName);
    }
    return count;
}
