#include "app/main_window.h"

#include "app/keyboard.h"
#include "app/mouse.h"
#include "app/panel_frame.h"
#include "app/scene.h"
#include "app/screenshots.h"
#include "app/tick.h"
#include "app/window_size.h"
#include "render/gl_check.h"
#include "render/gl_state.h"
#include "render/renderer.h"
#include "skeleton/demo_state.h"

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

// An open-ended run cannot know which frame is its last, so each one may be.
int MayBeLastFrame() {
    return runOptions->frames == 0 || counters.ticks >= runOptions->frames;
}

// Handed to the renderer, which calls it once the scene is complete in the back buffer. The
// screenshots read the frame back with the panel over it, before it is shown; a requested one
// is written once the frame is on screen.
void PresentFrame() {
    DrawPanelOverFrame();
    int saveRequested =
        ReadBackForScreenshots(demoState.clientWidth, demoState.clientHeight, MayBeLastFrame());
    PlatformSwapBuffers();
    if (saveRequested)
        SaveRequestedScreenshot();
}

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

// Set when the frame on screen may no longer show everything: the scene was just set up, or a
// key was pressed.
int redrawNeeded = 1;

void OnPaint(const PlatformEvent &event) {
    // Deterministic runs draw every tick's frame, so screenshots and key scripts see each one.
    int panelChanged = 0;
    if (UpdatePanel(&panelChanged)) {
        PlatformDestroyWindow();
        return;
    }
    int mustDraw = event.pictureLost || redrawNeeded || panelChanged || runOptions->frames > 0;
    redrawNeeded = 0;
    if (RenderSceneIfChanged(PresentFrame, demoState.viewAngle, mustDraw)) {
        CheckGlAfterFrame();
        CountPanelFrame();
        ++counters.frames;
    }
    if (runOptions->frames > 0 && counters.ticks >= runOptions->frames)
        PlatformDestroyWindow();
}

void OnMouse(const PlatformEvent &event) {
    int overPanel = PanelHasMouse();
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

void PrintStats() {
    double seconds = PlatformSeconds() - counters.startSeconds;
    double cpuSeconds = (double)(std::clock() - counters.startCpu) / CLOCKS_PER_SEC;
    double perSecond = seconds > 0.0 ? 1.0 / seconds : 0.0;
    std::printf("ticks %ld (%.1f/s), frames %ld (%.1f/s), wall %.2f s, cpu %.2f s "
                "(%.3f cpu s per wall s), depth bits %d, speed %.1f\n",
                counters.ticks, counters.ticks * perSecond, counters.frames,
                counters.frames * perSecond, seconds, cpuSeconds, cpuSeconds * perSecond,
                PlatformDepthBits(), demoState.speed);
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
        redrawNeeded = 1;
        if (HandleKeyDown(event.keyCode))
            PlatformDestroyWindow();
        break;
    case EventKeyUp:
        redrawNeeded = 1;
        HandleKeyUp(event.keyCode);
        break;
    case EventMouseDown:
    case EventMouseUp:
    case EventMouseMove:
    case EventMouseWheel:
        redrawNeeded = 1;
        OnMouse(event);
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
    redrawNeeded = 1;

    PlatformEvent event;
    while (PlatformGetMessage(event))
        MainWndProc(event);

    int exitCode = event.exitCode;
    if (!SaveScreenshot() && exitCode == 0)
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
    // A screenshot path that cannot be written is a bad option: exit code 2, nothing run.
    if (!ClaimScreenshotFile(programName, options.screenshotFile))
        return 2;
    int exitCode = RunWindow(options, programName);
    ReleaseScreenshotFile();
    return exitCode;
}
