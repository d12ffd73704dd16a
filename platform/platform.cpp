#include "platform/platform.h"

#include "platform/tick_timer.h"

#include <SDL.h>
#include <backends/imgui_impl_sdl.h>
#include <cfloat>
#include <cstdlib>
#include <cstring>
#include <unistd.h>
#include <imgui.h>
#include <string>

// Present in sanitizer builds only (weak: null otherwise).
extern "C" void __lsan_do_leak_check(void) __attribute__((weak));

namespace {

struct PlatformWindow {
    SDL_Window *window;
    SDL_GLContext context;
    WindowProcedure procedure;
    int outerWidth;
    int outerHeight;
    int sentWidth; // last size sent to the procedure, so repeats can be skipped
    int sentHeight;
    int minimised;
    int depthBits;
    int outerSizeFitted; // the frame was subtracted from the requested size
    double shownAt;      // seconds, PlatformSeconds() when shown
};

PlatformWindow mainWindow;
TickTimer frameTimer;
int panelInput = 0; // the on-screen panel gets the mouse too

// Where the window's own events last put the pointer, in window coordinates; inside 0 once it
// has left the window. The panel takes its pointer from here, not from the backend's query of
// the global pointer: where input is injected (remote desktops, VNC, a virtual X server) the
// global pointer the X server reports can lag behind the events, and then drags and hover
// highlights would not follow the hand.
struct PanelPointer {
    int inside;
    int x, y;
};

PanelPointer panelPointer = {0, 0, 0};
int paintPending = 0;
int pictureLost = 0; // the window system dropped what was on screen; the next paint redraws
int quitPosted = 0;
int quitCode = 0;
Uint64 startCounter = 0;
char lastError[256] = "";

void RememberError(const char *what) {
    SDL_snprintf(lastError, sizeof lastError, "%s: %s", what, SDL_GetError());
}

PlatformEvent MakeEvent(int type) {
    PlatformEvent event;
    std::memset(&event, 0, sizeof event);
    event.type = type;
    return event;
}

void Send(const PlatformEvent &event) {
    if (mainWindow.procedure)
        mainWindow.procedure(event);
}

void LosePicture() {
    paintPending = 1;
    pictureLost = 1;
}

PlatformEvent TakePaintEvent() {
    PlatformEvent event = MakeEvent(EventPaint);
    event.pictureLost = pictureLost;
    paintPending = 0;
    pictureLost = 0;
    return event;
}

PlatformEvent SizeEvent(int width, int height) {
    PlatformEvent event = MakeEvent(EventSize);
    event.width = width;
    event.height = height;
    mainWindow.sentWidth = width;
    mainWindow.sentHeight = height;
    return event;
}

// The drawable size, which differs from the window size on high-density screens.
PlatformEvent CurrentSizeEvent() {
    int width = 0, height = 0;
    SDL_GL_GetDrawableSize(mainWindow.window, &width, &height);
    return SizeEvent(width, height);
}

void SendSizeIfChanged() {
    int width = 0, height = 0;
    SDL_GL_GetDrawableSize(mainWindow.window, &width, &height);
    if (width != mainWindow.sentWidth || height != mainWindow.sentHeight)
        Send(SizeEvent(width, height));
}

int VirtualKeyOf(SDL_Keycode key) {
    if (key >= SDLK_a && key <= SDLK_z)
        return 'A' + (key - SDLK_a);
    if (key >= SDLK_0 && key <= SDLK_9)
        return '0' + (key - SDLK_0);
    if (key >= SDLK_F1 && key <= SDLK_F12)
        return KeyF1 + (key - SDLK_F1);
    if (key >= SDLK_KP_1 && key <= SDLK_KP_9)
        return KeyPad0 + 1 + (key - SDLK_KP_1);
    switch (key) {
    case SDLK_ESCAPE:
        return KeyEscape;
    case SDLK_PAGEUP:
        return KeyPageUp;
    case SDLK_PAGEDOWN:
        return KeyPageDown;
    case SDLK_END:
        return KeyEnd;
    case SDLK_HOME:
        return KeyHome;
    case SDLK_LEFT:
        return KeyLeft;
    case SDLK_UP:
        return KeyUp;
    case SDLK_RIGHT:
        return KeyRight;
    case SDLK_DOWN:
        return KeyDown;
    case SDLK_KP_PLUS:
        return KeyPadPlus;
    case SDLK_KP_MINUS:
        return KeyPadMinus;
    case SDLK_EQUALS: // the + key, unshifted
    case SDLK_PLUS:
        return KeyMainPlus;
    case SDLK_MINUS:
        return KeyMainMinus;
    case SDLK_KP_MULTIPLY:
        return KeyPadMultiply;
    case SDLK_KP_DIVIDE:
        return KeyPadDivide;
    case SDLK_KP_PERIOD:
        return KeyPadDecimal;
    case SDLK_KP_0:
        return KeyPad0;
    case SDLK_BACKSPACE:
        return KeyBackspace;
    case SDLK_TAB:
        return KeyTab;
    case SDLK_RETURN:
        return KeyReturn;
    case SDLK_SPACE:
        return KeySpace;
    case SDLK_INSERT:
        return KeyInsert;
    case SDLK_DELETE:
        return KeyDelete;
    case SDLK_LSHIFT:
    case SDLK_RSHIFT:
        return KeyShift;
    case SDLK_LCTRL:
    case SDLK_RCTRL:
        return KeyControl;
    case SDLK_LALT:
    case SDLK_RALT:
        return KeyAlt;
    default:
        return KeyNone;
    }
}

// Window coordinates to drawable pixels, which differ on high-density screens.
void ToDrawablePixels(int windowX, int windowY, PlatformEvent &event) {
    int windowWidth = 0, windowHeight = 0, width = 0, height = 0;
    SDL_GetWindowSize(mainWindow.window, &windowWidth, &windowHeight);
    SDL_GL_GetDrawableSize(mainWindow.window, &width, &height);
    event.x = windowWidth > 0 ? windowX * width / windowWidth : windowX;
    event.y = windowHeight > 0 ? windowY * height / windowHeight : windowY;
}

int MouseButtonOf(Uint8 button) {
    switch (button) {
    case SDL_BUTTON_LEFT:
        return MouseLeft;
    case SDL_BUTTON_MIDDLE:
        return MouseMiddle;
    case SDL_BUTTON_RIGHT:
        return MouseRight;
    default:
        return 0;
    }
}

int TranslateMouseEvent(const SDL_Event &sdlEvent, PlatformEvent &event) {
    switch (sdlEvent.type) {
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP:
        event = MakeEvent(sdlEvent.type == SDL_MOUSEBUTTONDOWN ? EventMouseDown : EventMouseUp);
        event.button = MouseButtonOf(sdlEvent.button.button);
        event.clicks = sdlEvent.button.clicks;
        ToDrawablePixels(sdlEvent.button.x, sdlEvent.button.y, event);
        return event.button != 0;
    case SDL_MOUSEMOTION:
        event = MakeEvent(EventMouseMove);
        ToDrawablePixels(sdlEvent.motion.x, sdlEvent.motion.y, event);
        return 1;
    default: { // the wheel
        event = MakeEvent(EventMouseWheel);
        int notches = sdlEvent.wheel.y;
        if (sdlEvent.wheel.direction == SDL_MOUSEWHEEL_FLIPPED)
            notches = -notches;
        event.wheel = notches;
        return notches != 0;
    }
    }
}

// Turns one window event into a program event. Returns 1 when event was filled.
int TranslateWindowEvent(const SDL_WindowEvent &window, PlatformEvent &event) {
    switch (window.event) {
    case SDL_WINDOWEVENT_CLOSE:
        // A close request ends the program the same way Escape does: the window procedure
        // gets EventDestroy and releases what it holds.
        PlatformDestroyWindow();
        return 0;
    case SDL_WINDOWEVENT_SIZE_CHANGED:
        LosePicture(); // a resize repaints the whole client area
        event = CurrentSizeEvent();
        return 1;
    case SDL_WINDOWEVENT_MINIMIZED:
        mainWindow.minimised = 1;
        event = SizeEvent(0, 0);
        return 1;
    case SDL_WINDOWEVENT_RESTORED:
    case SDL_WINDOWEVENT_MAXIMIZED:
        mainWindow.minimised = 0;
        LosePicture();
        event = CurrentSizeEvent();
        return 1;
    case SDL_WINDOWEVENT_EXPOSED:
        // Unpaced runs paint exactly once per tick; the next tick's frame covers the damage.
        if (!frameTimer.unpaced)
            LosePicture();
        return 0;
    default:
        return 0;
    }
}

// A key pressed and released between two of the panel's frames would never be seen down by it
// (Dear ImGui reads key state once a frame), so such a release is held back one frame, as the
// backend already does for mouse clicks. Enter and Escape in a text field depend on it.
const int MaxHeldKeyUps = 16;
struct HeldKeyUps {
    SDL_Event waiting[MaxHeldKeyUps]; // released since the last panel frame, pressed since too
    int waitingCount;
    SDL_Event due[MaxHeldKeyUps]; // fed at the next panel frame
    int dueCount;
    unsigned char pressed[SDL_NUM_SCANCODES]; // went down since the last panel frame
};
HeldKeyUps heldKeyUps;

void FeedPanelKeyUp(const SDL_Event &sdlEvent) {
    SDL_Scancode code = sdlEvent.key.keysym.scancode;
    // A modifier also waits when the panel saw it down alone: the click it goes with may have
    // come after that frame, with the release.
    int modifier = code == SDL_SCANCODE_LCTRL || code == SDL_SCANCODE_RCTRL ||
                   code == SDL_SCANCODE_LSHIFT || code == SDL_SCANCODE_RSHIFT ||
                   code == SDL_SCANCODE_LALT || code == SDL_SCANCODE_RALT;
    if (code >= 0 && code < SDL_NUM_SCANCODES && (heldKeyUps.pressed[code] || modifier) &&
        heldKeyUps.waitingCount < MaxHeldKeyUps) {
        heldKeyUps.waiting[heldKeyUps.waitingCount++] = sdlEvent;
        return;
    }
    ImGui_ImplSDL2_ProcessEvent(&sdlEvent);
}

void AdvanceHeldKeyUps() {
    for (int i = 0; i < heldKeyUps.dueCount; ++i)
        ImGui_ImplSDL2_ProcessEvent(&heldKeyUps.due[i]);
    for (int i = 0; i < heldKeyUps.waitingCount; ++i)
        heldKeyUps.due[i] = heldKeyUps.waiting[i];
    heldKeyUps.dueCount = heldKeyUps.waitingCount;
    heldKeyUps.waitingCount = 0;
    std::memset(heldKeyUps.pressed, 0, sizeof heldKeyUps.pressed);
}

// The panel sees the mouse, the window's focus and the keys: the keys keep their meaning unless
// the application finds the panel takes them (a value being typed, a focused slider's nudges).
void FeedPanel(const SDL_Event &sdlEvent) {
    switch (sdlEvent.type) {
    case SDL_MOUSEMOTION:
        panelPointer = PanelPointer{1, sdlEvent.motion.x, sdlEvent.motion.y};
        break;
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP:
        panelPointer = PanelPointer{1, sdlEvent.button.x, sdlEvent.button.y};
        break;
    case SDL_WINDOWEVENT:
        if (sdlEvent.window.event == SDL_WINDOWEVENT_LEAVE)
            panelPointer.inside = 0;
        break;
    default:
        break;
    }
    switch (sdlEvent.type) {
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP:
    case SDL_MOUSEMOTION:
    case SDL_MOUSEWHEEL:
    case SDL_WINDOWEVENT:
    case SDL_TEXTINPUT:
        ImGui_ImplSDL2_ProcessEvent(&sdlEvent);
        break;
    case SDL_KEYDOWN:
        if (sdlEvent.key.keysym.scancode >= 0 && sdlEvent.key.keysym.scancode < SDL_NUM_SCANCODES)
            heldKeyUps.pressed[sdlEvent.key.keysym.scancode] = 1;
        ImGui_ImplSDL2_ProcessEvent(&sdlEvent);
        break;
    case SDL_KEYUP:
        FeedPanelKeyUp(sdlEvent);
        break;
    default:
        break;
    }
}

// The path of the file last dropped on the window, for the event that names it: SDL's own copy
// is freed at once.
std::string droppedPath;

int TranslateDrop(const SDL_Event &sdlEvent, PlatformEvent &event) {
    char *file = sdlEvent.drop.file;
    if (!file)
        return 0;
    droppedPath = file;
    SDL_free(file);
    if (!mainWindow.window)
        return 0;
    event = MakeEvent(EventFileDropped);
    event.path = droppedPath.c_str();
    return 1;
}

int Translate(const SDL_Event &sdlEvent, PlatformEvent &event) {
    if (sdlEvent.type == SDL_DROPFILE)
        return TranslateDrop(sdlEvent, event);
    if (!mainWindow.window)
        return 0;
    if (panelInput)
        FeedPanel(sdlEvent);
    switch (sdlEvent.type) {
    case SDL_QUIT: // the last window was closed, or the process was asked to end
        PlatformDestroyWindow();
        return 0;
    case SDL_WINDOWEVENT:
        return TranslateWindowEvent(sdlEvent.window, event);
    case SDL_KEYDOWN:
    case SDL_KEYUP:
        event = MakeEvent(sdlEvent.type == SDL_KEYDOWN ? EventKeyDown : EventKeyUp);
        event.keyCode = VirtualKeyOf(sdlEvent.key.keysym.sym);
        return 1;
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP:
    case SDL_MOUSEMOTION:
    case SDL_MOUSEWHEEL:
        return TranslateMouseEvent(sdlEvent, event);
    default:
        return 0;
    }
}

// A window manager reports the frame only some time after the window is mapped, so the fit is
// retried for a moment after showing. Without a window manager there is no frame to fit.
const double FrameReportWaitSeconds = 1.0;

void FitOuterSize() {
    if (!mainWindow.window || mainWindow.outerSizeFitted ||
        PlatformSeconds() - mainWindow.shownAt > FrameReportWaitSeconds)
        return;
    int top = 0, left = 0, bottom = 0, right = 0;
    if (SDL_GetWindowBordersSize(mainWindow.window, &top, &left, &bottom, &right) != 0 ||
        top + left + bottom + right == 0)
        return;
    mainWindow.outerSizeFitted = 1;
    int width = SDL_max(1, mainWindow.outerWidth - left - right);
    int height = SDL_max(1, mainWindow.outerHeight - top - bottom);
    SDL_SetWindowSize(mainWindow.window, width, height);
}

// Sleeps until the next tick is due, or one timer period at most, and lets the caller poll.
// SDL's own blocking wait is not used: on X11 it wakes itself by sending an event to the
// window through a second display connection, and when the window is destroyed (Escape, or a
// close from the window manager) while such an event is still on its way, the X server
// reports a bad window on that connection, which Xlib treats as fatal (exit code 1). Events
// that arrive during the sleep wait at most one timer period, 10 ms.
void SleepUntilTickDue(Uint64 now) {
    SDL_Delay((Uint32)MillisecondsBeforeNextLook(frameTimer, (double)now));
}

void SetPixelFormatAttributes(const PixelFormatRequest &format, int depthBits) {
    int channelBits = format.colorBits / 3;
    SDL_GL_SetAttribute(SDL_GL_RED_SIZE, channelBits);
    SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, channelBits);
    SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, channelBits);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, depthBits);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, format.doubleBuffer ? 1 : 0);
    // The renderer uses the fixed-function pipeline.
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_COMPATIBILITY);
}

// On X11 the visual is fixed when the window is made and elsewhere when the context is, so
// each depth is tried with a fresh window and context together.
int CreateWindowAndContext(const char *title, int width, int height, int depthBits,
                           const PixelFormatRequest &format) {
    SetPixelFormatAttributes(format, depthBits);
    Uint32 flags =
        SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN | SDL_WINDOW_RESIZABLE | SDL_WINDOW_ALLOW_HIGHDPI;
    mainWindow.window = SDL_CreateWindow(title, SDL_WINDOWPOS_UNDEFINED, SDL_WINDOWPOS_UNDEFINED,
                                         width, height, flags);
    if (!mainWindow.window) {
        RememberError("cannot create the window");
        return 0;
    }
    mainWindow.context = SDL_GL_CreateContext(mainWindow.window);
    if (!mainWindow.context) {
        RememberError("cannot create the GL context");
        SDL_DestroyWindow(mainWindow.window);
        mainWindow.window = nullptr;
        return 0;
    }
    mainWindow.depthBits = depthBits;
    return 1;
}

int NamedInEnvironment(const char *name) {
    const char *value = SDL_getenv(name);
    return value && *value;
}

// The video drivers for the displays the environment names, in SDL's own order, or "" for none.
// Only these are tried: left to itself SDL probes every driver it has, and with no display
// anywhere it ends on its off-screen one, where the window is never seen; on the way, its
// Wayland probe without a Wayland display makes the Wayland client library print a line of its
// own on standard error.
const char *DriversForNamedDisplays() {
    int x11 = NamedInEnvironment("DISPLAY");
    int wayland = NamedInEnvironment("WAYLAND_DISPLAY");
    if (x11 && wayland)
        return "x11,wayland";
    if (x11)
        return "x11";
    return wayland ? "wayland" : "";
}

// A driver the user chose with SDL_VIDEODRIVER is tried as asked, whatever it is.
int DriverChosenByUser() {
    return NamedInEnvironment("SDL_VIDEODRIVER");
}

} // namespace

int PlatformDisplayNamed() {
    return DriverChosenByUser() || *DriversForNamedDisplays();
}

// A large model touches tens of megabytes as it starts (the file, its mesh, the GL's buffers),
// and where each first touch of a 4 KB page costs microseconds (as in virtual machines) that is
// most of its start-up: 0.7 s for a 60,000-vertex model here, 0.35 s when the C library's
// allocator takes memory in 2 MB pages and in large steps. The allocator reads those settings
// (glibc's tunables) only when a process starts, so the program starts itself again with them,
// once, from its own file; anyone who set the tunables already keeps their own.
void PlatformPrepareProcess(char **argv) {
#if defined(__GLIBC__)
    if (!argv || !argv[0] || std::getenv("GLIBC_TUNABLES"))
        return;
    setenv("GLIBC_TUNABLES",
           "glibc.malloc.hugetlb=1:glibc.malloc.top_pad=67108864:"
           "glibc.malloc.mmap_threshold=268435456:glibc.malloc.trim_threshold=268435456",
           1);
    execv("/proc/self/exe", argv);
    unsetenv("GLIBC_TUNABLES"); // not started again: carry on as before
#else
    (void)argv;
#endif
}

int PlatformInit(int headless) {
    if (headless) {
        SDL_SetHintWithPriority(SDL_HINT_VIDEODRIVER, "offscreen", SDL_HINT_OVERRIDE);
    } else if (!DriverChosenByUser()) {
        const char *drivers = DriversForNamedDisplays();
        if (!*drivers) {
            SDL_snprintf(lastError, sizeof lastError,
                         "no display found (DISPLAY and WAYLAND_DISPLAY are unset)");
            return 0;
        }
        SDL_SetHint(SDL_HINT_VIDEODRIVER, drivers);
    }
    if (SDL_Init(SDL_INIT_VIDEO) != 0) {
        RememberError("cannot start the video system");
        return 0;
    }
    // Loaded once for the whole run, so closing the window does not unload the GL driver.
    if (SDL_GL_LoadLibrary(nullptr) != 0) {
        RememberError("cannot load the GL library");
        SDL_Quit();
        return 0;
    }
    startCounter = SDL_GetPerformanceCounter();
    return 1;
}

const char *PlatformLastError() {
    return lastError;
}

void PlatformScreenSize(int &width, int &height) {
    SDL_DisplayMode mode;
    if (SDL_GetDesktopDisplayMode(0, &mode) != 0) {
        width = height = 0;
        return;
    }
    width = mode.w;
    height = mode.h;
}

int PlatformCreateWindow(const char *title, int outerWidth, int outerHeight,
                         const PixelFormatRequest &format, WindowProcedure procedure) {
    std::memset(&mainWindow, 0, sizeof mainWindow);
    if (!CreateWindowAndContext(title, outerWidth, outerHeight, format.depthBits, format) &&
        !(format.fallbackDepthBits != format.depthBits &&
          CreateWindowAndContext(title, outerWidth, outerHeight, format.fallbackDepthBits, format)))
        return 0;
    if (SDL_GL_MakeCurrent(mainWindow.window, mainWindow.context) != 0) {
        RememberError("cannot make the GL context current");
        return 0;
    }
    // The timer paces the frames; waiting for the display's refresh would slow the ticks.
    SDL_GL_SetSwapInterval(0);
    SDL_StopTextInput();
    mainWindow.procedure = procedure;
    mainWindow.outerWidth = outerWidth;
    mainWindow.outerHeight = outerHeight;
    LosePicture(); // a new window has everything still to paint
    Send(MakeEvent(EventCreate));
    Send(CurrentSizeEvent());
    return 1;
}

int PlatformDepthBits() {
    return mainWindow.depthBits;
}

void PlatformShowWindow() {
    if (!mainWindow.window)
        return;
    SDL_ShowWindow(mainWindow.window);
    mainWindow.shownAt = PlatformSeconds();
    FitOuterSize();
    SendSizeIfChanged();
}

void PlatformUpdateWindow() {
    if (paintPending && mainWindow.window && !mainWindow.minimised)
        Send(TakePaintEvent());
}

void PlatformInvalidate() {
    paintPending = 1;
}

void PlatformSetUnpacedTimer(int unpaced) {
    frameTimer.unpaced = unpaced;
}

void PlatformStartTimer(int periodMilliseconds) {
    StartTickTimer(frameTimer, periodMilliseconds, (double)SDL_GetTicks64());
}

void PlatformStopTimer() {
    frameTimer.running = 0;
}

int PlatformGetMessage(PlatformEvent &event) {
    for (;;) {
        if (quitPosted) {
            event = MakeEvent(EventQuit);
            event.exitCode = quitCode;
            return 0;
        }
        FitOuterSize();
        SDL_Event sdlEvent;
        while (SDL_PollEvent(&sdlEvent))
            if (Translate(sdlEvent, event))
                return 1;
        if (quitPosted)
            continue;
        // Paints and ticks come only when nothing else is waiting, paints first.
        if (paintPending && mainWindow.window && !mainWindow.minimised) {
            event = TakePaintEvent();
            return 1;
        }
        Uint64 now = frameTimer.unpaced ? 0 : SDL_GetTicks64();
        if (TakeTick(frameTimer, (double)now)) {
            event = MakeEvent(EventTimer);
            return 1;
        }
        SleepUntilTickDue(now);
    }
}

int PlatformStartPanelInput() {
    if (!mainWindow.window || panelInput)
        return 0;
    panelInput = ImGui_ImplSDL2_InitForOpenGL(mainWindow.window, mainWindow.context) ? 1 : 0;
    std::memset(&heldKeyUps, 0, sizeof heldKeyUps);
    // SDL makes typed characters only while text input is on, and the window starts with it off
    // (the demo's keys are keys, not text). The panel's text fields need them from the very
    // frame one opens, so it is on while the panel is; Dear ImGui drops what no field takes.
    SDL_StartTextInput();
    panelPointer = PanelPointer{0, 0, 0};
    return panelInput;
}

void PlatformStopPanelInput() {
    if (!panelInput)
        return;
    ImGui_ImplSDL2_Shutdown();
    SDL_StopTextInput();
    panelInput = 0;
}

void PlatformBeginPanelFrame() {
    if (!panelInput)
        return;
    AdvanceHeldKeyUps();
    ImGui_ImplSDL2_NewFrame();
    // The backend's buttons come from SDL's event state and stay; its position is replaced.
    ImGui::GetIO().MousePos = panelPointer.inside
                                  ? ImVec2((float)panelPointer.x, (float)panelPointer.y)
                                  : ImVec2(-FLT_MAX, -FLT_MAX);
}

void PlatformDestroyWindow() {
    if (!mainWindow.window)
        return;
    Send(MakeEvent(EventDestroy));
    SDL_DestroyWindow(mainWindow.window);
    mainWindow.window = nullptr;
    mainWindow.procedure = nullptr;
    paintPending = 0;
    pictureLost = 0;
}

void PlatformReleaseGlContext() {
    if (!mainWindow.context)
        return;
    SDL_GL_MakeCurrent(mainWindow.window, nullptr);
    SDL_GL_DeleteContext(mainWindow.context);
    mainWindow.context = nullptr;
}

void PlatformPostQuit(int exitCode) {
    quitPosted = 1;
    quitCode = exitCode;
}

void PlatformShareLink(const char *) {
}

void PlatformSwapBuffers() {
    if (mainWindow.window)
        SDL_GL_SwapWindow(mainWindow.window);
}

double PlatformSeconds() {
    return (double)(SDL_GetPerformanceCounter() - startCounter) /
           (double)SDL_GetPerformanceFrequency();
}

void PlatformShutdown() {
    // Closing the video system unloads the GL driver, and a leak check run after that could
    // no longer tell the driver's start-up allocations from ours; so in sanitizer builds the
    // check runs here, with everything still loaded (and not again at exit).
    if (__lsan_do_leak_check)
        __lsan_do_leak_check();
    SDL_Quit();
    // Back to the state before PlatformInit, so a later start gets a working message loop
    // rather than the quit posted when the previous window ended.
    std::memset(&mainWindow, 0, sizeof mainWindow);
    std::memset(&frameTimer, 0, sizeof frameTimer);
    panelInput = 0;
    paintPending = 0;
    pictureLost = 0;
    quitPosted = 0;
    quitCode = 0;
}
