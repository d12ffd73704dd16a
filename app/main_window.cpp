#include "app/main_window.h"

#include "app/keyboard.h"
#include "app/mouse.h"
#include "app/panel_frame.h"
#include "app/scene.h"
#include "app/tick.h"
#include "app/window_size.h"
#include "image/bmp_writer.h"
#include "render/frame_readback.h"
#include "render/gl_check.h"
#include "render/gl_state.h"
#include "render/renderer.h"
#include "skeleton/demo_state.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

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

// The last frame read back for --screenshot, bottom row first, tightly packed RGB.
struct FrameCapture {
    unsigned char *pixels;
    int width;
    int height;
};

FrameCapture capture;

int CaptureWanted() {
    if (!runOptions->screenshotFile)
        return 0;
    // An open-ended run cannot know which frame is its last, so it keeps each one.
    return runOptions->frames == 0 || counters.ticks >= runOptions->frames;
}

void CaptureBackBuffer() {
    int width = demoState.clientWidth, height = demoState.clientHeight;
    if (width <= 0 || height <= 0)
        return;
    if (width != capture.width || height != capture.height) {
        std::free(capture.pixels);
        capture.pixels = (unsigned char *)std::malloc((size_t)width * (size_t)height * 3);
        capture.width = capture.pixels ? width : 0;
        capture.height = capture.pixels ? height : 0;
        if (!capture.pixels)
            return;
    }
    ReadBackFrame(width, height, capture.pixels);
}

// Handed to the renderer, which calls it once the frame is complete in the back buffer.
void PresentFrame() {
    DrawPanelOverFrame();
    if (CaptureWanted())
        CaptureBackBuffer();
    PlatformSwapBuffers();
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

// Whether the screenshot's file was made by this run (and so is removed again when no picture
// goes into it) and whether the picture went in.
struct ScreenshotFile {
    int created;
    int written;
};

ScreenshotFile screenshotFile;

// Opens the screenshot's file for writing once at start-up, so that a path that cannot be
// written fails before the run instead of after it. A file already there is opened without
// being truncated: it keeps its contents unless a screenshot replaces them. Non-blocking, so
// that a pipe with no reader fails instead of waiting for one.
int ClaimScreenshotFile(const char *programName) {
    const char *name = runOptions->screenshotFile;
    screenshotFile = ScreenshotFile{0, 0};
    if (!name)
        return 1;
    struct stat status;
    int existed = stat(name, &status) == 0;
    int descriptor = open(name, O_WRONLY | O_CLOEXEC | O_NONBLOCK | (existed ? 0 : O_CREAT), 0666);
    if (descriptor < 0) {
        std::fprintf(stderr, "%s: cannot write %s: %s\n", programName, name, std::strerror(errno));
        return 0;
    }
    close(descriptor);
    screenshotFile.created = !existed;
    return 1;
}

// A file made at start-up for a screenshot that never came is not left behind, empty.
void ReleaseScreenshotFile() {
    if (screenshotFile.created && !screenshotFile.written)
        std::remove(runOptions->screenshotFile);
}

int SaveScreenshot(const char *programName) {
    if (!runOptions->screenshotFile)
        return 1;
    if (!capture.pixels) {
        std::fprintf(stderr, "%s: no frame was drawn, so there is no screenshot\n", programName);
        return 0;
    }
    errno = 0;
    if (!WriteBmp24(runOptions->screenshotFile, capture.width, capture.height, capture.pixels)) {
        std::fprintf(stderr, "%s: cannot write %s: %s\n", programName, runOptions->screenshotFile,
                     errno ? std::strerror(errno) : "write failed");
        return 0;
    }
    screenshotFile.written = 1;
    return 1;
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
    if (!SaveScreenshot(programName) && exitCode == 0)
        exitCode = 1;
    if (options.stats)
        PrintStats();
    std::free(capture.pixels);
    capture.pixels = nullptr;
    PlatformShutdown();
    return exitCode;
}

} // namespace

int RunDemo(const DemoOptions &options) {
    const char *programName = "skinning_demo";
    runOptions = &options;
    // A screenshot path that cannot be written is a bad option: exit code 2, nothing run.
    if (!ClaimScreenshotFile(programName))
        return 2;
    int exitCode = RunWindow(options, programName);
    ReleaseScreenshotFile();
    return exitCode;
}
