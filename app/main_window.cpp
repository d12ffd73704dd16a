#include "app/main_window.h"

#include "app/commands.h"
#include "app/ik_stats.h"
#include "app/keyboard.h"
#include "app/model_run.h"
#include "app/mouse.h"
#include "app/panel_frame.h"
#include "app/scene.h"
#include "app/screenshots.h"
#include "app/tick.h"
#include "app/window_size.h"
#include "demo/demo_state.h"
#include "demo/frame_record.h"
#include "mesh/skin_mesh.h"
#include "model/limb_model.h"
#include "render/gl_check.h"
#include "render/gl_state.h"
#include "render/renderer.h"
#include "rig/bones.h"
#include "skinning/skinning.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <ctime>

const char MainWindowTitle[] = "Mesh Skinning - Curlwhip Demo";

namespace {

// 24 colour bits, a 32-bit depth buffer where the display has one (24 otherwise), double
// buffered.
const PixelFormatRequest pixelFormat = {24, 32, 24, 1};

// The requested timer period; the platform raises it to its 10 ms floor.
const int FrameTimerPeriodMs = 1;

const DemoOptions *runOptions = nullptr;

struct RunCounters {
    long ticks;
    long frames;
    double startSeconds;
    std::clock_t startCpu;
};

RunCounters counters;

// Keys scripted for this tick go through the same path as typed ones.
void PressScriptedKeys(long tick) {
    const KeyScript &script = runOptions->keys;
    for (int i = 0; i < script.count; ++i) {
        const ScriptedKey &key = script.keys[i];
        if (key.tick != tick)
            continue;
        PlatformEvent event;
        std::memset(&event, 0, sizeof event);
        event.type = key.down ? EventKeyDown : EventKeyUp;
        event.keyCode = key.keyCode;
        MainWndProc(event);
    }
}

void OnTimer() {
    ++counters.ticks;
    PressScriptedKeys(counters.ticks);
    AnimationTick();
    PlatformInvalidate();
}

// What the next frame is asked for besides showing the state as it stands: filled in by the
// events before it, emptied once a frame is drawn.
struct FrameRequest {
    int mustDraw;   // the picture on screen may not show everything: the scene was just set
                    // up, an input arrived, or the window system lost the picture
    int screenshot; // save the frame as the next numbered PNG (F12)
};

FrameRequest nextFrame = {1, 0};

// --export-obj could not write its file: the run ends with exit code 1.
int exportFailed = 0;

// Takes in what running a command asks for beyond the state it changed.
void TakeOutcome(int outcome) {
    if (outcome & CommandWantsScreenshot)
        nextFrame.screenshot = 1;
    if (outcome & CommandEndsRun)
        PlatformDestroyWindow();
}

// A model file dropped on the window. One that cannot be opened leaves the model shown and says
// why in the panel, opened for it.
void OnFileDropped(const char *path) {
    if (!OpenDroppedModel(path, "skinning_demo") && !runOptions->noUi && !demoState.panelOpen)
        RunSimpleCommand(CommandTogglePanel);
}

// Runs what the panel's controls asked for while it was built. They act on the state after the
// frame was shown, so the next frame shows what they did and must be drawn.
void RunPanelCommands(const DemoCommandQueue &commands) {
    int outcome = 0;
    for (int i = 0; i < commands.count; ++i)
        outcome |= RunCommand(commands.commands[i]);
    if (commands.count > 0)
        nextFrame.mustDraw = 1;
    TakeOutcome(outcome);
}

// One paint, top to bottom: the update (whose record everything after it reads), the panel's
// widgets, the decision whether the picture changed, the scene, the panel over it, the
// captures, the swap, the save, then the panel's commands for the next frame. The ticks ran
// before, as events of their own. Returns 1 when a frame was drawn and shown.
int PaintFrame(const FrameRequest &request) {
    // A minimised window has nothing to show: no update, no drawing, no present.
    if (!SceneHasPixels())
        return 0;
    PlaceSceneBesidePanel();
    UpdateFrame(frameRecord, demoState.viewAngle, SceneView());

    static DemoCommandQueue panelCommands;
    int panelChanged = BuildPanelFrame(panelCommands);

    // A frame that could not differ from the one on screen is not drawn. The update above still
    // ran, so the solver keeps its pace.
    static SceneTracker lastShown;
    int sceneChanged = SceneInputsChanged(lastShown, frameRecord);
    int drawn = request.mustDraw || request.screenshot || panelChanged || sceneChanged;
    int save = 0;
    if (drawn) {
        DrawScene(frameRecord);
        DrawPanelOverFrame();

        // Captures read the back buffer, which the swap leaves undefined.
        int width = demoState.clientWidth, height = demoState.clientHeight;
        KeepFrameForExit(width, height);
        save = request.screenshot && CaptureRequestedScreenshot(width, height);

        PlatformSwapBuffers();
    }

    // Saved once the frame is on screen, so writing the file never delays the picture.
    if (save)
        SaveRequestedScreenshot();
    CountPanelFrame(drawn);
    if (drawn) {
        // The options that would show this picture again, for a link to it.
        char link[512];
        WriteLinkOptions(link, sizeof link, runOptions->noUi);
        PlatformShareLink(link);
        CheckGlAfterFrame();
        ++counters.frames;
        // The skinned mesh as the first frame drew it.
        if (counters.frames == 1 && runOptions->exportObjFile &&
            !ExportObj(runOptions->exportObjFile, frameRecord, "skinning_demo"))
            exportFailed = 1;
    }
    RunPanelCommands(panelCommands);
    return drawn;
}

void OnPaint(const PlatformEvent &event) {
    // Deterministic runs draw every tick's frame, so screenshots and key scripts see each one.
    if (event.pictureLost || runOptions->frames > 0)
        nextFrame.mustDraw = 1;
    FrameRequest request = nextFrame;
    nextFrame = FrameRequest{0, 0};
    if (!PaintFrame(request)) { // nothing shown: what was asked for waits for the next paint
        nextFrame.mustDraw |= request.mustDraw;
        nextFrame.screenshot |= request.screenshot;
    }

    if (runOptions->frames > 0 && counters.ticks >= runOptions->frames)
        PlatformDestroyWindow();
}

// Where the pointer was last seen, for the wheel, whose events carry no position.
int pointerX = -1, pointerY = -1;

void OnMouse(const PlatformEvent &event) {
    if (event.type != EventMouseWheel) {
        pointerX = event.x;
        pointerY = event.y;
    }
    int overPanel = PanelHasPoint(pointerX, pointerY);
    switch (event.type) {
    case EventMouseDown:
        HandleMouseDown(event.button, event.clicks, event.x, event.y, overPanel);
        break;
    case EventMouseUp:
        HandleMouseUp(event.button);
        break;
    case EventMouseMove:
        HandleMouseMove(event.x, event.y);
        break;
    default:
        HandleMouseWheel(event.wheel, overPanel);
        break;
    }
}

// The skinning lab's line: the method and the limb's volume as the last frame skinned it.
void PrintSkinningStats() {
    const char *method = SkinningMethodName(ValidSkinningMethod(demoState.skinningMethod));
    if (std::isnan(frameRecord.volumePercent))
        std::printf("skinning %s: volume not a closed mesh, radius %.2f\u2013%.2f of rest\n",
                    method, frameRecord.radius.low, frameRecord.radius.high);
    else
        std::printf("skinning %s: %s %.2f%% of the rest pose, radius %.2f\u2013%.2f of rest\n",
                    method, frameRecord.model == &limbModel ? "limb volume" : "volume",
                    frameRecord.volumePercent, frameRecord.radius.low, frameRecord.radius.high);
    // The stretch view's extremes: the triangles that rigid skinning tears or crushes between
    // rings although every corner keeps its place against its bone.
    std::printf("stretch: triangle areas %.2f to %.2f of rest\n", frameRecord.stretch.low,
                frameRecord.stretch.high);
    // Worked out once per model and weights (a loaded model's between frames, or before the
    // first in a scripted run): the wait a model's size costs before centres of rotation show.
    if (frameRecord.model && frameRecord.model->centresPending)
        std::printf("centres of rotation: preparing, %.0f ms so far\n",
                    frameRecord.model->centresMilliseconds);
    else if (frameRecord.model)
        std::printf("centres of rotation: %.0f ms\n", frameRecord.model->centresMilliseconds);
}

// An angle for "%.2f": a speck of rounding below zero would print as "-0.00".
double Printable(double degrees) {
    return std::abs(degrees) < 0.005 ? 0.0 : degrees;
}

// The inspected vertex's figures as the panel gives them: each method's distance from the
// joint's pivot against the rest's, and each method's determinant.
void PrintInspectionStats() {
    const VertexInspection &seen = frameRecord.inspection;
    std::printf("inspect vertex %d: from the pivot: rest %.3f", seen.vertex,
                seen.restPivotDistance);
    for (int m = 0; m < SkinningMethodCount; ++m)
        std::printf(", %s %.3f", SkinningMethodName(m), seen.pivotDistance[m]);
    std::printf("; determinants:");
    for (int m = 0; m < SkinningMethodCount; ++m)
        std::printf("%s %s %.3f", m ? "," : "", SkinningMethodName(m), seen.methods[m].determinant);
    std::printf("\n");
}

void PrintStats() {
    double seconds = PlatformSeconds() - counters.startSeconds;
    double cpuSeconds = (double)(std::clock() - counters.startCpu) / CLOCKS_PER_SEC;
    double perSecond = seconds > 0.0 ? 1.0 / seconds : 0.0;
    std::printf("ticks %ld (%.1f/s), frames %ld (%.1f/s), wall %.2f s, cpu %.2f s "
                "(%.3f cpu s per wall s), depth bits %d, speed %.1f\n",
                counters.ticks, counters.ticks * perSecond, counters.frames,
                counters.frames * perSecond, seconds, cpuSeconds, cpuSeconds * perSecond,
                PlatformDepthBits(), demoState.speed);
    // The pose the run ended in, degrees, for scripts that check what the controls did.
    for (int b = 0; b < BoneCount; ++b)
        std::printf("bone %d: x %.2f, y %.2f, z %.2f\n", b, Printable(bones[b].rotX),
                    Printable(bones[b].rotY), Printable(bones[b].rotZ));
    if (demoState.ikMode) // the target means nothing in the other modes
        PrintIkStats(stdout);
    PrintSkinningStats();
    PrintModelStats(stdout);
    if (frameRecord.inspected)
        PrintInspectionStats();
}

// What --view asks for, by the commands its keys run.
void StartViews(int views) {
    const struct {
        int view;
        const int *isOn; // read when its turn comes: turning the wireframe off hides the markers
        int command;
    } toggles[] = {
        {ViewFilled, nullptr, CommandToggleWireframe},
        {ViewNoMarkers, &demoState.hideBones, CommandToggleBones},
        {ViewNormals, &demoState.showNormals, CommandToggleNormals},
        {ViewNoTextures, &demoState.texturesOff, CommandToggleTextures},
        {ViewWeights, &demoState.weightsView, CommandToggleWeightsView},
        {ViewVolume, &demoState.volumeView, CommandToggleVolumeView},
        {ViewRadius, &demoState.radiusView, CommandToggleRadiusView},
        {ViewRestPose, &demoState.restPoseView, CommandToggleRestPoseView},
        {ViewPanel, &demoState.panelOpen, CommandTogglePanel},
        {ViewStretch, &demoState.stretchView, CommandToggleStretchView},
    };
    for (const auto &toggle : toggles)
        if ((views & toggle.view) && !(toggle.isOn ? *toggle.isOn : !demoState.wireframe))
            RunCommand(DemoCommand{toggle.command, 0, 0.0, Vector3{}});
}

} // namespace

void MainWndProc(const PlatformEvent &event) {
    switch (event.type) {
    case EventCreate:
        InitGlState();
        if (!runOptions->noUi)
            OpenPanel(runOptions->headless || runOptions->frames > 0);
        PlatformStartTimer(FrameTimerPeriodMs);
        break;
    case EventSize:
        demoState.clientWidth = event.width;
        demoState.clientHeight = event.height;
        break;
    case EventPaint:
        OnPaint(event);
        break;
    case EventTimer:
        OnTimer();
        break;
    case EventKeyDown:
        nextFrame.mustDraw = 1;
        if (!PanelHasKey(event.keyCode))
            TakeOutcome(HandleKeyDown(event.keyCode));
        break;
    case EventKeyUp:
        nextFrame.mustDraw = 1;
        HandleKeyUp(event.keyCode);
        break;
    case EventMouseDown:
    case EventMouseUp:
    case EventMouseMove:
    case EventMouseWheel:
        nextFrame.mustDraw = 1;
        OnMouse(event);
        break;
    case EventFileDropped:
        nextFrame.mustDraw = 1;
        OnFileDropped(event.path);
        break;
    case EventDestroy:
        ClosePanel();
        PlatformReleaseGlContext();
        PlatformStopTimer();
        PlatformPostQuit(0);
        break;
    default:
        break;
    }
}

namespace {

// The run itself, from starting the windowing system to shutting it down. Returns the exit code.
int RunWindow(const DemoOptions &options, const char *programName) {
    if (!options.headless && !PlatformDisplayNamed()) {
        std::fprintf(stderr,
                     "%s: no display found (DISPLAY and WAYLAND_DISPLAY are unset); --headless "
                     "renders without one\n",
                     programName);
        return 1;
    }
    if (!PlatformInit(options.headless)) {
        std::fprintf(stderr, "%s: %s\n", programName, PlatformLastError());
        return 1;
    }
    counters.startSeconds = PlatformSeconds();
    counters.startCpu = std::clock();

    int screenWidth = 0, screenHeight = 0;
    PlatformScreenSize(screenWidth, screenHeight);
    ClampWindowToScreen(screenWidth, screenHeight);

    // Deterministic runs tick as fast as frames can be drawn instead of by the clock.
    PlatformSetUnpacedTimer(options.frames > 0);
    if (!PlatformCreateWindow(MainWindowTitle, demoState.windowWidth, demoState.windowHeight,
                              pixelFormat, MainWndProc)) {
        std::fprintf(stderr, "%s: %s\n", programName, PlatformLastError());
        PlatformShutdown();
        return 1;
    }
    PlatformShowWindow();
    PlatformUpdateWindow(); // the first frame, before the scene exists
    InitScene();
    for (int k = 0; options.hasWeights && k < 3; ++k)
        RunCommand(DemoCommand{CommandSetRingWeight, FirstEditableRing + k, options.weights[k],
                               Vector3{}});
    if (options.sideBySide)
        RunCommand(DemoCommand{CommandToggleSideBySide, 0, 0.0, Vector3{}});
    if (options.inspectVertex > 0)
        RunCommand(DemoCommand{CommandInspectVertex, options.inspectVertex - 1, 0.0, Vector3{}});
    if (options.startPose > 0) {
        // As F does: the camera stops turning and looks from the side, then the pose is held.
        RunCommand(DemoCommand{CommandToggleForward, 0, 0.0, Vector3{}});
        RunCommand(DemoCommand{CommandSetPose, options.startPose - 1, 0.0, Vector3{}});
    }
    if (options.hasTarget) {
        RunCommand(DemoCommand{CommandToggleInverse, 0, 0.0, Vector3{}});
        RunCommand(DemoCommand{CommandSetTarget, 0, 0.0,
                               Vector3{(float)options.target[0], (float)options.target[1],
                                       (float)options.target[2]}});
    }
    // A model's joint turned (by --turn, before the window) is held in the forward mode.
    if (options.turn && !demoState.fkMode)
        RunCommand(DemoCommand{CommandToggleForward, 0, 0.0, Vector3{}});
    if (options.hasJoints) {
        RunCommand(DemoCommand{CommandToggleForward, 0, 0.0, Vector3{}});
        for (int k = 0; k < 4; ++k)
            RunCommand(DemoCommand{CommandSetJointAngle, k, options.joints[k], Vector3{}});
    }
    StartViews(options.views);
    if (options.hasCamera) {
        // Last, where the modes and side by side have put it: the camera a link was made with.
        if (demoState.rotateView)
            RunCommand(DemoCommand{CommandToggleRotation, 0, 0.0, Vector3{}});
        double angle = std::fmod(options.camera[0], 360.0);
        demoState.viewAngle = angle < 0.0 ? angle + 360.0 : angle;
        demoState.viewTilt = options.camera[1];
        demoState.viewDistance = options.camera[2];
    }
    nextFrame.mustDraw = 1;

    PlatformEvent event;
    while (PlatformGetMessage(event))
        MainWndProc(event);

    int exitCode = event.exitCode;
    if (!SaveScreenshot() && exitCode == 0)
        exitCode = 1;
    if (exportFailed && exitCode == 0)
        exitCode = 1;
    if (options.stats)
        PrintStats();
    FreeScreenshots();
    PlatformShutdown();
    return exitCode;
}

} // namespace

int RunDemo(const DemoOptions &options) {
    const char *programName = "skinning_demo";
    runOptions = &options;
    demoState.ikSolver = options.ikSolver;
    demoState.ik.jointLimits = options.ikLimits;
    // A screenshot path that cannot be written is a bad option: exit code 2, nothing run.
    if (!ClaimScreenshotFile(programName, options.screenshotFile))
        return 2;
    // So is a model file that cannot be read: one line naming it and the fault.
    if (!OpenModelOfOptions(options, programName) || !TurnJointOfOptions(options, programName)) {
        ReleaseScreenshotFile();
        return 2;
    }
    demoState.skinningMethod = options.skinningMethod;
    int exitCode = RunWindow(options, programName);
    ReleaseScreenshotFile();
    return exitCode;
}
