// The windowing layer in a web page: the page's canvas is the window, WebGL through Emscripten's
// EGL is the GL context (which also starts the fixed-function emulation on it), and the page's
// own keyboard, mouse and focus events are the window's. The program's loop stays a loop: when
// it has nothing to do it yields to the browser (the build links with Asyncify) until the
// display's next refresh, which then hands it the input that came meanwhile, the timer ticks
// the time passed asks for and one paint. Deterministic runs yield after each frame instead,
// and tick as fast as they can.
#include "platform/message_box.h"
#include "platform/platform.h"
#include "platform/program_folder.h"
#include "platform/tick_timer.h"

#include <EGL/egl.h>
#include <cfloat>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <emscripten.h>
#include <emscripten/html5.h>
#include <imgui.h>
#include <unistd.h>

namespace {

// A second press of the same button this soon after the first, and this near it, is a double
// click (the usual desktop defaults).
const double DoubleClickMs = 500.0;
const int DoubleClickRadius = 32;

const char CanvasSelector[] = "#canvas";

struct PlatformWindow {
    int open;
    WindowProcedure procedure;
    int fixedSize; // a deterministic run: the size asked for, one drawable pixel per CSS pixel
    int width;     // CSS pixels: the window's size on the page
    int height;
    double pixelRatio;   // drawable pixels per CSS pixel
    int largestDrawable; // the GL's largest viewport side
    int sentWidth;       // last size sent to the procedure, so repeats can be skipped
    int sentHeight;
    int depthBits;
    EGLDisplay display;
    EGLSurface surface;
    EGLContext context;
};

// Events arrive from the page's callbacks, which run while the loop waits, and are handed out
// one at a time by PlatformGetMessage.
const int QueueSize = 512;

// What the panel reads of a key besides its code, kept with it in the queue: the panel is told
// of a key when the program is, after the presses and releases that came before it.
struct PanelKey {
    int fromPage;  // pressed on the page (not a release made up when the focus went)
    int panelOnly; // the browser's shortcut: only a text field sees it (Ctrl+A selects)
    int ctrl, shift, alt, meta;
    char typed; // the character it typed, or 0
};

struct EventQueue {
    PlatformEvent events[QueueSize];
    PanelKey keys[QueueSize];
    double atMs[QueueSize]; // when the page sent each
    int first;
    int count;
};

struct PointerState {
    int inside;      // over the canvas
    double x, y;     // CSS pixels from the canvas's top left
    int buttonsHeld; // one bit per MouseButton
    int lastButton;  // the last press, for double clicks
    double lastPressMs;
    double lastPressX, lastPressY;
};

// What the panel's context sees of the mouse between two of its frames. It reads the buttons a
// frame at a time, so the presses and releases that come between two frames wait their turn:
// each frame takes at most one change of each button, and the frames go on until every change
// is seen. Two quick clicks on "+" between two frames of a slow page are two clicks.
const int MaxButtonChanges = 16;

struct ButtonChange {
    int button; // Dear ImGui's order: left, right, middle
    int down;
    double atMs; // when the page sent it
    double x, y; // CSS pixels, where it happened
};

// Dear ImGui's own time for a double click, here between the page's events, not the frames.
const double PanelDoubleClickMs = 300.0;

struct PanelMouse {
    int held[3]; // as the panel saw them last
    double lastLeftPressMs;
    ButtonChange changes[MaxButtonChanges];
    int changeCount;
    float wheel;
    double lastFrameSeconds;
};

// At most this many ticks catch up in the first refresh after the page was hidden, so that a
// tab the browser paused goes on where it was instead of replaying the time it missed. Any
// other refresh runs every tick its time asks for, however long the frame before it took: a
// slow machine shows fewer frames of the same animation, never a slower one.
const int MaxTicksAfterHidden = 10;

// The paced loop's clock: ticks are handed out for the time up to tickClockMs.
struct RefreshState {
    double tickClockMs;
    int ticksOwed; // this refresh's ticks still to hand out
    int painted;   // this refresh has had its paint
    int mustYield; // deterministic runs: a frame was shown, the browser gets its turn
    int hidesSeen; // the page's hides counted when the clock last ran
};

// The backing store's pixels per CSS pixel: the screen's own, but at most MaxPixelRatio (a
// phone's third pixel each way costs more than twice the drawing for little a learner sees),
// and lowered a step while frames stay under SlowFramesPerSecond, raised a step again once
// they are above FastFramesPerSecond. Never below one pixel per CSS pixel (or the screen's own,
// if coarser), so that the panel's text, rasterised for the pixels it lands on, stays legible.
const double MaxPixelRatio = 2.0;
const double PixelRatioStep = 0.8; // about 1.5 times the frame rate where filling pixels is the cost
const double SlowFramesPerSecond = 30.0;
const double FastFramesPerSecond = 50.0;
// Rates are judged over this much time spent drawing (refreshes that followed a frame), so an
// idle scene, which draws nothing, is never taken for a slow one.
const double PaceWindowMs = 1000.0;

struct PaceState {
    double ratioCap;  // the ratio the frame rate allows, MaxPixelRatio at first
    double lastRefreshMs;
    long framesAtLastRefresh;
    double drawingMs; // refresh gaps that ended a frame, since the last judgement
    int drawnRefreshes;
};

PlatformWindow mainWindow;
TickTimer frameTimer;
RefreshState refresh;
PaceState pace = {MaxPixelRatio, 0.0, 0, 0.0, 0};
int pageHides = 0; // times the page was hidden (another tab, a minimised window)
int endAsked = 0;  // the page's scripts asked the demo to end (skin_end_demo)
EventQueue queue;
PointerState pointer;
PanelMouse panelMouse;
int keysHeld[256]; // so that losing the focus can release them
int panelInput = 0;
int paintPending = 0;
int pictureLost = 0;
int quitPosted = 0;
int quitCode = 0;
// For the page's scripts (and the browser test): frames presented, timer ticks handed out,
// input events queued, and how many of them had been handed to the program when the last frame
// was presented.
long framesPresented = 0;
long ticksTaken = 0;
long eventsQueued = 0;
long eventsTaken = 0;
double startMs = 0.0;
char lastError[256] = "";

EM_JS(double, CanvasLeft, (), { return Module.canvas.getBoundingClientRect().left; });
EM_JS(double, CanvasTop, (), { return Module.canvas.getBoundingClientRect().top; });
EM_JS(int, ViewportWidth, (), { return window.innerWidth; });
EM_JS(int, ViewportHeight, (), { return window.innerHeight; });
// The canvas's size as the page lays it out (it fills the page's window).
EM_JS(int, CanvasCssWidth, (), { return Module.canvas.clientWidth; });
EM_JS(int, CanvasCssHeight, (), { return Module.canvas.clientHeight; });
// Read once, when the context is new.
EM_JS(int, LargestViewportSide, (), {
    var gl = typeof GLctx != 'undefined' && GLctx;
    if (!gl)
        return 4096;
    var dims = gl.getParameter(gl.MAX_VIEWPORT_DIMS);
    return Math.min(dims[0], dims[1], gl.getParameter(gl.MAX_RENDERBUFFER_SIZE));
});
EM_JS(int, CoarsePointer, (), {
    return window.matchMedia && window.matchMedia('(pointer: coarse)').matches ? 1 : 0;
});
// For the GL stand-ins, which draw lines and points in CSS pixels.
EM_JS(void, PublishPixelRatio, (double ratio), { Module.drawingPixelRatio = ratio; });
EM_JS(void, ShowCanvas, (), { Module.canvas.style.visibility = 'visible'; });
EM_JS(void, PublishEventsQueued, (double count), { Module.eventsQueued = count; });
EM_JS(void, PublishTicks, (double count), { Module.ticks = count; });
// The page's own clock of the animation: at a refresh at atMs, the ticks run up to it. Rates
// measured between two of these are exact to a tick, however busy the machine.
EM_JS(void, PublishTickClock, (double ticks, double atMs), {
    Module.tickClock = { ticks: ticks, atMs: atMs };
});
EM_JS(void, PublishFramePresented, (double frames, double events), {
    Module.framesPresented = frames;
    Module.eventsDrawn = events;
});

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

// Mouse moves that pile up between two looks at the queue merge into the last one.
void Queue(const PlatformEvent &event, const PanelKey &key = PanelKey{}) {
    if (event.type == EventMouseMove && queue.count > 0) {
        PlatformEvent &last = queue.events[(queue.first + queue.count - 1) % QueueSize];
        if (last.type == EventMouseMove) {
            last = event;
            return;
        }
    }
    if (queue.count == QueueSize)
        return;
    queue.events[(queue.first + queue.count) % QueueSize] = event;
    queue.keys[(queue.first + queue.count) % QueueSize] = key;
    queue.atMs[(queue.first + queue.count) % QueueSize] = emscripten_get_now();
    ++queue.count;
    PublishEventsQueued((double)++eventsQueued);
}

int TakeQueued(PlatformEvent &event, PanelKey &key, double &atMs) {
    if (queue.count == 0)
        return 0;
    event = queue.events[queue.first];
    key = queue.keys[queue.first];
    atMs = queue.atMs[queue.first];
    queue.first = (queue.first + 1) % QueueSize;
    --queue.count;
    ++eventsTaken;
    return 1;
}

PlatformEvent TakePaintEvent() {
    PlatformEvent event = MakeEvent(EventPaint);
    event.pictureLost = pictureLost;
    paintPending = 0;
    pictureLost = 0;
    return event;
}

int DrawableWidth() {
    return (int)(mainWindow.width * mainWindow.pixelRatio + 0.5);
}

int DrawableHeight() {
    return (int)(mainWindow.height * mainWindow.pixelRatio + 0.5);
}

PlatformEvent CurrentSizeEvent() {
    PlatformEvent event = MakeEvent(EventSize);
    event.width = DrawableWidth();
    event.height = DrawableHeight();
    mainWindow.sentWidth = event.width;
    mainWindow.sentHeight = event.height;
    return event;
}

// Gives the canvas as many pixels as it covers on the screen: its CSS size times the screen's
// pixel ratio, so the scene is drawn at the screen's own resolution (at most the GL's largest
// viewport). Returns 1 when that changed, which also clears the canvas.
int FitCanvas() {
    int width = mainWindow.fixedSize ? mainWindow.width : CanvasCssWidth();
    int height = mainWindow.fixedSize ? mainWindow.height : CanvasCssHeight();
    double ratio = mainWindow.fixedSize ? 1.0 : emscripten_get_device_pixel_ratio();
    if (ratio <= 0.0)
        ratio = 1.0;
    if (ratio > pace.ratioCap)
        ratio = pace.ratioCap;
    int largest = mainWindow.largestDrawable > 0 ? mainWindow.largestDrawable : 4096;
    int longest = width > height ? width : height;
    if (longest * ratio > largest)
        ratio = (double)largest / longest;
    if (width == mainWindow.width && height == mainWindow.height && ratio == mainWindow.pixelRatio)
        return 0;
    mainWindow.width = width;
    mainWindow.height = height;
    mainWindow.pixelRatio = ratio;
    emscripten_set_canvas_element_size(CanvasSelector, DrawableWidth(), DrawableHeight());
    PublishPixelRatio(ratio);
    return 1;
}

// The page's window resized, zoomed, gone full screen or moved to another screen: the program
// hears of the new size before it paints again, and paints the whole picture.
void FollowCanvas() {
    if (!mainWindow.open || !FitCanvas())
        return;
    Queue(CurrentSizeEvent());
    paintPending = 1;
    pictureLost = 1;
}

// The page reports keys by the codes our own numbering was made from, so a known code stands
// for itself. Some browsers give the main row's = and - other codes.
int VirtualKeyOfPageCode(unsigned long code) {
    if ((code >= 'A' && code <= 'Z') || (code >= '0' && code <= '9') ||
        (code >= KeyF1 && code <= KeyF12) || (code >= KeyPageUp && code <= KeyDown) ||
        (code >= KeyPad0 && code <= KeyPadDivide && code != 108))
        return (int)code;
    switch (code) {
    case 61:
        return KeyMainPlus;
    case 173:
        return KeyMainMinus;
    case KeyBackspace:
    case KeyTab:
    case KeyReturn:
    case KeyShift:
    case KeyControl:
    case KeyAlt:
    case KeyEscape:
    case KeySpace:
    case KeyInsert:
    case KeyDelete:
    case KeyMainPlus:
    case KeyMainMinus:
        return (int)code;
    default:
        return KeyNone;
    }
}

// The keys the demo uses are kept from the browser, so that the arrows do not scroll the page
// and F1 opens no help. Function keys the demo does not use, Tab (which moves the focus to the
// page's buttons) and anything pressed with Control, Alt or Meta still reach the browser (F5
// reloads, Control+L goes to the address bar).
int KeepFromBrowser(int keyCode, const EmscriptenKeyboardEvent &event) {
    if (keyCode == KeyNone || keyCode == KeyTab || event.ctrlKey || event.altKey || event.metaKey)
        return 0;
    return !(keyCode > KeyF1 && keyCode < KeyF12);
}

int IsModifier(int keyCode) {
    return keyCode == KeyControl || keyCode == KeyShift || keyCode == KeyAlt;
}

// Control or Command with a key is the browser's (Ctrl+= zooms the page, Cmd+C copies): the
// demo's key table never sees the press, or the page would zoom and change speed at once.
int BrowserShortcut(int keyCode, const EmscriptenKeyboardEvent &event) {
    return (event.ctrlKey || event.metaKey) && !IsModifier(keyCode);
}

// A button or link of the page that has the focus (the Full screen button, reached with Tab)
// works as the browser makes it: Enter and Space press it instead of reaching the demo.
EM_JS(int, PageControlFocused, (), {
    var focused = document.activeElement;
    return focused && /^(BUTTON|A|INPUT)$/.test(focused.tagName) ? 1 : 0;
});

// The panel sees the keys as well, for a value typed into a slider: the key's state, the
// modifiers (Ctrl+click opens the text field) and the character typed.
// Whether a key is the panel's or the key table's the application decides, as on the desktop.
// A key pressed and released between two of the panel's frames is held down until the frame
// after next, so that the panel sees it down once (it reads key state a frame at a time).
struct HeldKeys {
    unsigned char pressed[256]; // went down since the last panel frame
    unsigned char waiting[256]; // released since then too: let go at the frame after next
    unsigned char due[256];     // let go at the next panel frame
};
HeldKeys heldKeys;

// A modifier counts as held while its own key is (a Ctrl+click whose Ctrl is released before the
// panel's next frame still reads as one), or while the page says so.
void SetPanelModifiers(int ctrl, int shift, int alt) {
    ImGuiIO &io = ImGui::GetIO();
    io.KeyCtrl = ctrl || io.KeysDown[KeyControl];
    io.KeyShift = shift || io.KeysDown[KeyShift];
    io.KeyAlt = alt || io.KeysDown[KeyAlt];
}

void AdvanceHeldKeys() {
    ImGuiIO &io = ImGui::GetIO();
    for (int key = 0; key < 256; ++key) {
        if (heldKeys.due[key])
            io.KeysDown[key] = false;
        heldKeys.due[key] = heldKeys.waiting[key];
        heldKeys.waiting[key] = 0;
        heldKeys.pressed[key] = 0;
    }
    SetPanelModifiers(0, 0, 0);
}

void FeedPanelKey(int keyCode, int down, const PanelKey &keyEvent) {
    if (!panelInput || !keyEvent.fromPage)
        return;
    ImGuiIO &io = ImGui::GetIO();
    if (keyCode > 0 && keyCode < 256) {
        if (down) {
            io.KeysDown[keyCode] = true;
            heldKeys.pressed[keyCode] = 1;
            heldKeys.waiting[keyCode] = heldKeys.due[keyCode] = 0;
        } else if (heldKeys.pressed[keyCode] || keyCode == KeyControl || keyCode == KeyShift ||
                   keyCode == KeyAlt) {
            // A modifier also waits when the panel saw it down alone: the click it goes with
            // may have come after that frame, with the release.
            heldKeys.waiting[keyCode] = 1;
        } else {
            io.KeysDown[keyCode] = false;
        }
    }
    SetPanelModifiers(keyEvent.ctrl, keyEvent.shift, keyEvent.alt);
    io.KeySuper = keyEvent.meta;
    // Every character: a text field opened by the click just before may not have told the
    // panel's io yet that it wants text, and Dear ImGui drops what no field takes.
    if (down && keyEvent.typed)
        io.AddInputCharacter((unsigned char)keyEvent.typed);
}

EM_BOOL OnKey(int eventType, const EmscriptenKeyboardEvent *keyEvent, void *) {
    int down = eventType == EMSCRIPTEN_EVENT_KEYDOWN;
    PlatformEvent event = MakeEvent(down ? EventKeyDown : EventKeyUp);
    event.keyCode = VirtualKeyOfPageCode(keyEvent->keyCode);
    if ((event.keyCode == KeyReturn || event.keyCode == KeySpace) && PageControlFocused())
        return 0;
    const unsigned char *typed = (const unsigned char *)keyEvent->key;
    PanelKey key = {1, 0, keyEvent->ctrlKey, keyEvent->shiftKey, keyEvent->altKey,
                    keyEvent->metaKey,
                    typed[0] >= 32 && typed[0] < 127 && typed[1] == '\0' ? (char)typed[0] : '\0'};
    // The panel still sees a shortcut's key: Ctrl+A selects a typed value's text.
    if (down && BrowserShortcut(event.keyCode, *keyEvent)) {
        key.panelOnly = 1;
        Queue(event, key);
        return 0;
    }
    keysHeld[event.keyCode & 255] = down;
    Queue(event, key);
    return KeepFromBrowser(event.keyCode, *keyEvent);
}

// A window that loses the focus gets the releases of the keys still held, as on the desktop.
EM_BOOL OnBlur(int, const EmscriptenFocusEvent *, void *) {
    for (int key = 1; key < 256; ++key) {
        if (!keysHeld[key])
            continue;
        keysHeld[key] = 0;
        PlatformEvent event = MakeEvent(EventKeyUp);
        event.keyCode = key;
        Queue(event);
    }
    return 0;
}

int MouseButtonOfPage(unsigned short button) {
    switch (button) {
    case 0:
        return MouseLeft;
    case 1:
        return MouseMiddle;
    case 2:
        return MouseRight;
    default:
        return 0;
    }
}

// The pointer's place from the page's client coordinates, which mouse events on the whole
// document carry (a drag goes on outside the canvas, as a window keeps a held pointer).
void FollowPointer(const EmscriptenMouseEvent &mouse, PlatformEvent &event) {
    pointer.x = mouse.clientX - CanvasLeft();
    pointer.y = mouse.clientY - CanvasTop();
    pointer.inside = pointer.x >= 0 && pointer.y >= 0 && pointer.x < mainWindow.width &&
                     pointer.y < mainWindow.height;
    event.x = (int)(pointer.x * mainWindow.pixelRatio);
    event.y = (int)(pointer.y * mainWindow.pixelRatio);
}

int CountClicks(int button, double nowMs) {
    double dx = pointer.x - pointer.lastPressX, dy = pointer.y - pointer.lastPressY;
    int again = button == pointer.lastButton && nowMs - pointer.lastPressMs <= DoubleClickMs &&
                dx * dx + dy * dy <= DoubleClickRadius * DoubleClickRadius;
    pointer.lastButton = again ? 0 : button; // a third press starts over
    pointer.lastPressMs = nowMs;
    pointer.lastPressX = pointer.x;
    pointer.lastPressY = pointer.y;
    return again ? 2 : 1;
}

EM_BOOL OnMouseButton(int eventType, const EmscriptenMouseEvent *mouse, void *) {
    int button = MouseButtonOfPage(mouse->button);
    PlatformEvent event =
        MakeEvent(eventType == EMSCRIPTEN_EVENT_MOUSEDOWN ? EventMouseDown : EventMouseUp);
    FollowPointer(*mouse, event);
    if (button == 0)
        return 0;
    event.button = button;
    if (event.type == EventMouseDown) {
        if (!pointer.inside)
            return 0;
        pointer.buttonsHeld |= 1 << button;
        event.clicks = CountClicks(button, emscripten_get_now());
    } else {
        if (!(pointer.buttonsHeld & (1 << button)))
            return 0; // pressed elsewhere on the page
        pointer.buttonsHeld &= ~(1 << button);
    }
    Queue(event);
    return 1; // no text selection, no focus moved, no menu
}

EM_BOOL OnMouseMove(int, const EmscriptenMouseEvent *mouse, void *) {
    PlatformEvent event = MakeEvent(EventMouseMove);
    FollowPointer(*mouse, event);
    if (pointer.inside || pointer.buttonsHeld)
        Queue(event);
    return 0;
}

// Notches, positive away from the user. The page measures in pixels (about 100 a notch), lines
// (3 a notch) or pages.
EM_BOOL OnWheel(int, const EmscriptenWheelEvent *wheel, void *) {
    double perNotch = wheel->deltaMode == DOM_DELTA_PIXEL  ? 100.0
                      : wheel->deltaMode == DOM_DELTA_LINE ? 3.0
                                                           : 1.0;
    PlatformEvent event = MakeEvent(EventMouseWheel);
    event.wheel = -wheel->deltaY / perNotch;
    if (event.wheel != 0.0)
        Queue(event);
    return 1; // the page does not scroll
}

// Touch, as the mouse's gestures: one finger drags with the left button (orbit, or the panel's
// controls) and a tap is its click; two fingers drag with the right button at their midpoint
// (the target, in the inverse mode) and their pinch turns the wheel. A finger goes down as a
// press only once it has moved or lifted, so that a second finger can still make the gesture a
// two-finger one without a click on the way.
const double TapSlackCssPixels = 8.0;
// A wheel notch brings the camera 10% closer: this many make a pinch to twice the spread halve
// its distance, as on a phone's maps.
const double NotchesPerDoubling = 6.6;

enum TouchGesture {
    TouchNone,
    TouchWaiting, // one finger down, not yet a drag or a tap
    TouchDrag,    // one finger, the left button held
    TouchTwo,     // two fingers, the right button held
    TouchDone,    // a two-finger gesture ended: nothing until every finger has lifted
};

struct TouchFinger {
    long id;
    double x, y; // CSS pixels from the canvas's top left
};

struct TouchState {
    int gesture;
    int count;
    TouchFinger fingers[2];
    double startX, startY;
    double spread; // the two fingers' distance at the last wheel turn
};

TouchState touch;

double TouchSpread() {
    double dx = touch.fingers[1].x - touch.fingers[0].x;
    double dy = touch.fingers[1].y - touch.fingers[0].y;
    return std::sqrt(dx * dx + dy * dy);
}

// A mouse event at a point in CSS pixels from the canvas's top left.
void QueuePointerEvent(int type, int button, double x, double y) {
    pointer.x = x;
    pointer.y = y;
    pointer.inside = 1;
    PlatformEvent event = MakeEvent(type);
    event.x = (int)(x * mainWindow.pixelRatio);
    event.y = (int)(y * mainWindow.pixelRatio);
    event.button = button;
    if (type == EventMouseDown) {
        pointer.buttonsHeld |= 1 << button;
        event.clicks = CountClicks(button, emscripten_get_now());
    } else if (type == EventMouseUp) {
        pointer.buttonsHeld &= ~(1 << button);
    }
    Queue(event);
}

void StartTouchDrag() {
    touch.gesture = TouchDrag;
    QueuePointerEvent(EventMouseMove, 0, touch.startX, touch.startY);
    QueuePointerEvent(EventMouseDown, MouseLeft, touch.startX, touch.startY);
}

void StartTwoFingers() {
    touch.gesture = TouchTwo;
    touch.spread = TouchSpread();
    double x = (touch.fingers[0].x + touch.fingers[1].x) / 2;
    double y = (touch.fingers[0].y + touch.fingers[1].y) / 2;
    QueuePointerEvent(EventMouseMove, 0, x, y);
    QueuePointerEvent(EventMouseDown, MouseRight, x, y);
}

void MoveTwoFingers() {
    double x = (touch.fingers[0].x + touch.fingers[1].x) / 2;
    double y = (touch.fingers[0].y + touch.fingers[1].y) / 2;
    QueuePointerEvent(EventMouseMove, 0, x, y);
    double spread = TouchSpread();
    if (spread > 0.0 && touch.spread > 0.0) {
        PlatformEvent wheel = MakeEvent(EventMouseWheel);
        wheel.wheel = std::log(spread / touch.spread) / std::log(2.0) * NotchesPerDoubling;
        if (std::fabs(wheel.wheel) >= 0.05) {
            touch.spread = spread;
            Queue(wheel);
        }
    }
}

// Ends whatever the fingers were doing; a finger that never moved was a tap: a click.
void EndTouch() {
    switch (touch.gesture) {
    case TouchWaiting:
        StartTouchDrag();
        QueuePointerEvent(EventMouseUp, MouseLeft, touch.startX, touch.startY);
        break;
    case TouchDrag:
        QueuePointerEvent(EventMouseUp, MouseLeft, pointer.x, pointer.y);
        break;
    case TouchTwo:
        QueuePointerEvent(EventMouseUp, MouseRight, pointer.x, pointer.y);
        break;
    default:
        break;
    }
    touch.gesture = TouchDone;
}

// The fingers as the event tells them, the first two that touched the canvas.
void ReadFingers(const EmscriptenTouchEvent &event) {
    double left = CanvasLeft(), top = CanvasTop();
    int count = 0;
    for (int i = 0; i < event.numTouches; ++i) {
        const EmscriptenTouchPoint &point = event.touches[i];
        if (!point.onTarget)
            continue;
        if (count < 2)
            touch.fingers[count] =
                TouchFinger{point.identifier, point.clientX - left, point.clientY - top};
        ++count;
    }
    touch.count = count;
}

EM_BOOL OnTouch(int eventType, const EmscriptenTouchEvent *event, void *) {
    if (!mainWindow.open)
        return 0;
    // Lifted fingers are still in the event's list, marked as changed.
    EmscriptenTouchEvent held = *event;
    if (eventType == EMSCRIPTEN_EVENT_TOUCHEND || eventType == EMSCRIPTEN_EVENT_TOUCHCANCEL) {
        held.numTouches = 0;
        for (int i = 0; i < event->numTouches; ++i)
            if (!event->touches[i].isChanged)
                held.touches[held.numTouches++] = event->touches[i];
    }
    int before = touch.count;
    ReadFingers(held);
    if (touch.count == 0) {
        EndTouch();
        touch.gesture = TouchNone;
        return 1;
    }
    if (before == 0 && touch.count == 1 && touch.gesture == TouchNone) {
        touch.gesture = TouchWaiting;
        touch.startX = touch.fingers[0].x;
        touch.startY = touch.fingers[0].y;
        return 1;
    }
    if (touch.count >= 2) {
        if (touch.gesture == TouchNone || touch.gesture == TouchWaiting)
            StartTwoFingers();
        else if (touch.gesture == TouchTwo)
            MoveTwoFingers();
        else if (touch.gesture == TouchDrag)
            EndTouch(); // a second finger ends a one-finger drag
        return 1;
    }
    if (touch.gesture == TouchTwo && touch.count < 2) {
        EndTouch();
        return 1;
    }
    double dx = touch.fingers[0].x - touch.startX, dy = touch.fingers[0].y - touch.startY;
    if (touch.gesture == TouchWaiting && dx * dx + dy * dy > TapSlackCssPixels * TapSlackCssPixels)
        StartTouchDrag();
    if (touch.gesture == TouchDrag)
        QueuePointerEvent(EventMouseMove, 0, touch.fingers[0].x, touch.fingers[0].y);
    return 1; // no scrolling, no zooming of the page, no mouse events made up from the touch
}

EM_BOOL OnVisibility(int, const EmscriptenVisibilityChangeEvent *event, void *) {
    if (event->hidden)
        ++pageHides;
    return 0;
}

// The right button's menu would cover the canvas during a right drag.
EM_JS(void, KeepMenuFromCanvas, (), {
    Module.canvas.oncontextmenu = function(event) {
        event.preventDefault();
    };
});

void ListenToPage() {
    emscripten_set_keydown_callback(EMSCRIPTEN_EVENT_TARGET_WINDOW, nullptr, 1, OnKey);
    emscripten_set_keyup_callback(EMSCRIPTEN_EVENT_TARGET_WINDOW, nullptr, 1, OnKey);
    emscripten_set_blur_callback(EMSCRIPTEN_EVENT_TARGET_WINDOW, nullptr, 1, OnBlur);
    emscripten_set_mousedown_callback(CanvasSelector, nullptr, 1, OnMouseButton);
    emscripten_set_mouseup_callback(EMSCRIPTEN_EVENT_TARGET_DOCUMENT, nullptr, 1, OnMouseButton);
    emscripten_set_mousemove_callback(EMSCRIPTEN_EVENT_TARGET_DOCUMENT, nullptr, 1, OnMouseMove);
    emscripten_set_wheel_callback(CanvasSelector, nullptr, 1, OnWheel);
    emscripten_set_touchstart_callback(CanvasSelector, nullptr, 1, OnTouch);
    emscripten_set_touchmove_callback(CanvasSelector, nullptr, 1, OnTouch);
    emscripten_set_touchend_callback(CanvasSelector, nullptr, 1, OnTouch);
    emscripten_set_touchcancel_callback(CanvasSelector, nullptr, 1, OnTouch);
    emscripten_set_visibilitychange_callback(nullptr, 1, OnVisibility);
    KeepMenuFromCanvas();
}

int PanelButtonIndex(int button) {
    switch (button) {
    case MouseLeft:
        return 0;
    case MouseRight:
        return 1;
    default:
        return 2;
    }
}

// The panel works in CSS pixels, drawn at the pixel ratio.
void FeedPanel(const PlatformEvent &event, double atMs) {
    switch (event.type) {
    case EventMouseDown:
    case EventMouseUp:
        if (panelMouse.changeCount < MaxButtonChanges)
            panelMouse.changes[panelMouse.changeCount++] =
                ButtonChange{PanelButtonIndex(event.button), event.type == EventMouseDown,
                             atMs,
                             event.x / mainWindow.pixelRatio, event.y / mainWindow.pixelRatio};
        break;
    case EventMouseWheel:
        panelMouse.wheel += (float)event.wheel;
        break;
    default:
        break;
    }
}

int KeyWaitsForPanel() {
    // (A canvas with no pixels paints nothing, and its panel sees nothing.)
    if (!panelInput || panelMouse.changeCount == 0 || queue.count == 0 || DrawableWidth() <= 0 ||
        DrawableHeight() <= 0)
        return 0;
    int type = queue.events[queue.first].type;
    return type == EventKeyDown || type == EventKeyUp;
}

// Gives the browser its turn until it next shows the page (platform/web_refresh.js).
extern "C" void skin_wait_for_refresh();

void WaitForRefresh() {
    skin_wait_for_refresh();
}

// Judges the frame rate once a window of drawing has passed, and moves the ratio cap a step
// when it asks for one; the canvas follows at this refresh.
void FollowFrameRate(double nowMs) {
    if (mainWindow.fixedSize)
        return;
    if (framesPresented > pace.framesAtLastRefresh && pace.lastRefreshMs > 0.0) {
        pace.drawingMs += nowMs - pace.lastRefreshMs;
        ++pace.drawnRefreshes;
    }
    pace.lastRefreshMs = nowMs;
    pace.framesAtLastRefresh = framesPresented;
    if (pace.drawingMs < PaceWindowMs)
        return;
    double framesPerSecond = pace.drawnRefreshes * 1000.0 / pace.drawingMs;
    pace.drawingMs = 0.0;
    pace.drawnRefreshes = 0;
    double screen = emscripten_get_device_pixel_ratio();
    double floor = screen > 0.0 && screen < 1.0 ? screen : 1.0;
    double ceiling = screen < MaxPixelRatio ? screen : MaxPixelRatio;
    if (framesPerSecond < SlowFramesPerSecond && mainWindow.pixelRatio > floor) {
        double lower = mainWindow.pixelRatio * PixelRatioStep;
        pace.ratioCap = lower > floor ? lower : floor;
    } else if (framesPerSecond > FastFramesPerSecond && pace.ratioCap < ceiling) {
        double higher = pace.ratioCap / PixelRatioStep;
        pace.ratioCap = higher < MaxPixelRatio ? higher : MaxPixelRatio;
    }
}

// A new refresh: the ticks for the time since the last one are due.
void BeginRefresh(double nowMs) {
    refresh.painted = 0;
    FollowFrameRate(nowMs);
    FollowCanvas();
    if (!frameTimer.running)
        return;
    int due = (int)((nowMs - refresh.tickClockMs) / frameTimer.periodMs);
    if (refresh.hidesSeen != pageHides && due > MaxTicksAfterHidden) {
        due = MaxTicksAfterHidden;
        refresh.tickClockMs = nowMs;
    } else if (due > 0) {
        refresh.tickClockMs += due * frameTimer.periodMs;
    }
    refresh.hidesSeen = pageHides;
    refresh.ticksOwed = due > 0 ? due : 0;
    PublishTickClock((double)(ticksTaken + refresh.ticksOwed), nowMs);
}

// The display's pace: input first, then the ticks the time asks for, then one frame of them.
int NextPacedEvent(PlatformEvent &event) {
    if (refresh.ticksOwed > 0 && frameTimer.running) {
        --refresh.ticksOwed;
        event = MakeEvent(EventTimer);
        PublishTicks((double)++ticksTaken);
        return 1;
    }
    if (paintPending && mainWindow.open && !refresh.painted) {
        refresh.painted = 1;
        event = TakePaintEvent();
        return 1;
    }
    WaitForRefresh();
    BeginRefresh(emscripten_get_now());
    return 0;
}

// As fast as frames can be drawn, the same on every machine: a tick whenever nothing else
// waits, each followed by its frame, and the browser's turn after every frame shown.
int NextUnpacedEvent(PlatformEvent &event) {
    if (paintPending && mainWindow.open) {
        event = TakePaintEvent();
        return 1;
    }
    if (refresh.mustYield) {
        refresh.mustYield = 0;
        emscripten_sleep(0);
        return 0;
    }
    if (TakeTick(frameTimer, 0.0)) {
        event = MakeEvent(EventTimer);
        PublishTicks((double)++ticksTaken);
        return 1;
    }
    emscripten_sleep((unsigned int)MillisecondsBeforeNextLook(frameTimer, 0.0));
    return 0;
}

// In plain words: the page's reader cannot act on an EGL error code, so it goes to the console.
void Fail(const char *what) {
    std::snprintf(lastError, sizeof lastError, "%s", what);
    EM_ASM({ console.info('EGL error 0x' + $0.toString(16)); }, eglGetError());
}

// WebGL 1, which the fixed-function emulation draws with, through Emscripten's EGL. Colour and
// depth are what the page's WebGL gives (24 depth bits), whatever is asked.
int CreateContext(const PixelFormatRequest &format) {
    mainWindow.display = eglGetDisplay(EGL_DEFAULT_DISPLAY);
    if (mainWindow.display == EGL_NO_DISPLAY ||
        !eglInitialize(mainWindow.display, nullptr, nullptr)) {
        Fail("cannot reach the page's GL");
        return 0;
    }
    int channelBits = format.colorBits / 3;
    const EGLint attributes[] = {EGL_RED_SIZE,   channelBits,      EGL_GREEN_SIZE,
                                 channelBits,    EGL_BLUE_SIZE,    channelBits,
                                 EGL_DEPTH_SIZE, format.depthBits, EGL_NONE};
    EGLConfig config;
    EGLint found = 0;
    if (!eglChooseConfig(mainWindow.display, attributes, &config, 1, &found) || found < 1) {
        Fail("no GL pixel format for the canvas");
        return 0;
    }
    mainWindow.surface = eglCreateWindowSurface(mainWindow.display, config, 0, nullptr);
    const EGLint contextAttributes[] = {EGL_CONTEXT_CLIENT_VERSION, 2, EGL_NONE};
    mainWindow.context =
        eglCreateContext(mainWindow.display, config, EGL_NO_CONTEXT, contextAttributes);
    if (mainWindow.surface == EGL_NO_SURFACE || mainWindow.context == EGL_NO_CONTEXT) {
        Fail("this browser has no WebGL, which the demo needs");
        return 0;
    }
    if (!eglMakeCurrent(mainWindow.display, mainWindow.surface, mainWindow.surface,
                        mainWindow.context)) {
        Fail("cannot make the GL context current");
        return 0;
    }
    EGLint depthBits = 0;
    eglGetConfigAttrib(mainWindow.display, config, EGL_DEPTH_SIZE, &depthBits);
    mainWindow.depthBits = depthBits;
    return 1;
}

} // namespace

int PlatformDisplayNamed() {
    return 1; // the page
}

// There is no display to choose: the page is always there, and it renders whether or not it
// is looked at.
void PlatformPrepareProcess(char **) {}

int PlatformInit(int) {
    startMs = emscripten_get_now();
    return 1;
}

const char *PlatformLastError() {
    return lastError;
}

// The browser window's inner size: the most of the screen a page can use.
void PlatformScreenSize(int &width, int &height) {
    width = ViewportWidth();
    height = ViewportHeight();
}

// The window has no frame on the page. It fills the page's window, whatever size is asked for;
// a deterministic run's has the size asked for instead, with one drawable pixel per CSS pixel,
// so that its pictures are the desktop's whatever the screen.
int PlatformCreateWindow(const char *title, int outerWidth, int outerHeight,
                         const PixelFormatRequest &format, WindowProcedure procedure) {
    std::memset(&mainWindow, 0, sizeof mainWindow);
    mainWindow.fixedSize = frameTimer.unpaced;
    mainWindow.width = outerWidth;
    mainWindow.height = outerHeight;
    if (mainWindow.fixedSize)
        emscripten_set_element_css_size(CanvasSelector, outerWidth, outerHeight);
    FitCanvas();
    emscripten_set_window_title(title);
    if (!CreateContext(format))
        return 0;
    mainWindow.largestDrawable = LargestViewportSide();
    FitCanvas();
    mainWindow.open = 1;
    mainWindow.procedure = procedure;
    ListenToPage();
    paintPending = 1; // a new window has everything still to paint
    pictureLost = 1;
    Send(MakeEvent(EventCreate));
    Send(CurrentSizeEvent());
    return 1;
}

int PlatformDepthBits() {
    return mainWindow.depthBits;
}

void PlatformShowWindow() {
    if (!mainWindow.open)
        return;
    ShowCanvas();
    if (DrawableWidth() != mainWindow.sentWidth || DrawableHeight() != mainWindow.sentHeight)
        Send(CurrentSizeEvent());
}

// The page's loading card stays until the loop's first paint, the scene's: a frame drawn before
// the scene exists (as a desktop window shows at once) would only put off the first lit one.
void PlatformUpdateWindow() {
}

void PlatformInvalidate() {
    paintPending = 1;
}

void PlatformSetUnpacedTimer(int unpaced) {
    frameTimer.unpaced = unpaced;
}

void PlatformStartTimer(int periodMilliseconds) {
    double now = emscripten_get_now();
    StartTickTimer(frameTimer, periodMilliseconds, now);
    refresh.tickClockMs = now;
    refresh.ticksOwed = 0;
}

void PlatformStopTimer() {
    frameTimer.running = 0;
}

// Escape never ends a page's demo; the page's scripts can, as closing the window does on the
// desktop, so that what --stats prints at the end can be read (the browser test does). The
// loop ends it, at its next look for an event.
extern "C" EMSCRIPTEN_KEEPALIVE void skin_end_demo() {
    endAsked = 1;
}

namespace {

// A model the page's scripts wrote into the program's memory, dropped on the page or picked with
// its "Open a model" button: the folder they wrote it and its companions (.bin, images) into, and its name
// there. The program is handed the name alone, and that folder is the working directory while
// it opens the file (until it next looks for an event): what it says then names the file as the
// learner knows it, and a .gltf finds its companions beside it.
char pageModelFolder[512];
char pageModelName[256];
int inPageModelFolder = 0;

EM_JS(int, TakePageModel, (char *folder, int folderSize, char *name, int nameSize), {
    var model = Module.modelToOpen;
    Module.modelToOpen = null;
    if (!model)
        return 0;
    stringToUTF8(model.folder, folder, folderSize);
    stringToUTF8(model.name, name, nameSize);
    return 1;
});

} // namespace

// The page's scripts have written a model's files (Module.modelToOpen says where): it goes to the
// program as a file dropped on the window.
extern "C" EMSCRIPTEN_KEEPALIVE void skin_open_model() {
    if (!mainWindow.open ||
        !TakePageModel(pageModelFolder, sizeof pageModelFolder, pageModelName, sizeof pageModelName))
        return;
    PlatformEvent event = MakeEvent(EventFileDropped);
    event.path = pageModelName;
    Queue(event);
}

int PlatformGetMessage(PlatformEvent &event) {
    for (;;) {
        if (inPageModelFolder) {
            inPageModelFolder = 0;
            chdir("/");
        }
        if (endAsked && mainWindow.open) {
            endAsked = 0;
            PlatformDestroyWindow();
        }
        if (quitPosted) {
            event = MakeEvent(EventQuit);
            event.exitCode = quitCode;
            return 0;
        }
        // A key waits until the panel has seen the presses and releases before it: a double
        // click's second press opens a slider's text field, which the keys typed next are for.
        PanelKey key;
        double atMs;
        if (KeyWaitsForPanel())
            paintPending = 1;
        else if (TakeQueued(event, key, atMs)) {
            if (!mainWindow.open)
                continue;
            if (event.type == EventKeyDown || event.type == EventKeyUp)
                FeedPanelKey(event.keyCode, event.type == EventKeyDown, key);
            else if (panelInput)
                FeedPanel(event, atMs);
            if (key.panelOnly)
                continue;
            if (event.type == EventFileDropped)
                inPageModelFolder = chdir(pageModelFolder) == 0;
            return 1;
        }
        // Ticks and paints come only when no input is waiting.
        if (frameTimer.unpaced ? NextUnpacedEvent(event) : NextPacedEvent(event))
            return 1;
    }
}

int PlatformStartPanelInput() {
    if (!mainWindow.open || panelInput)
        return 0;
    std::memset(&panelMouse, 0, sizeof panelMouse);
    panelMouse.lastLeftPressMs = -PanelDoubleClickMs;
    // The keys a text field uses, by the page's codes, which KeysDown is indexed by.
    ImGuiIO &io = ImGui::GetIO();
    const int keys[][2] = {
        {ImGuiKey_Tab, KeyTab},
        {ImGuiKey_LeftArrow, KeyLeft},
        {ImGuiKey_RightArrow, KeyRight},
        {ImGuiKey_UpArrow, KeyUp},
        {ImGuiKey_DownArrow, KeyDown},
        {ImGuiKey_PageUp, KeyPageUp},
        {ImGuiKey_PageDown, KeyPageDown},
        {ImGuiKey_Home, KeyHome},
        {ImGuiKey_End, KeyEnd},
        {ImGuiKey_Delete, KeyDelete},
        {ImGuiKey_Backspace, KeyBackspace},
        {ImGuiKey_Space, KeySpace},
        {ImGuiKey_Enter, KeyReturn},
        {ImGuiKey_Escape, KeyEscape},
        {ImGuiKey_A, 'A'},
        {ImGuiKey_C, 'C'},
        {ImGuiKey_V, 'V'},
        {ImGuiKey_X, 'X'},
        {ImGuiKey_Y, 'Y'},
        {ImGuiKey_Z, 'Z'},
    };
    for (const auto &key : keys)
        io.KeyMap[key[0]] = key[1];
    // A screen worked with fingers gets the panel's rows sized for them.
    if (CoarsePointer())
        io.ConfigFlags |= ImGuiConfigFlags_IsTouchScreen;
    std::memset(&heldKeys, 0, sizeof heldKeys);
    panelInput = 1;
    return 1;
}

void PlatformStopPanelInput() {
    panelInput = 0;
}

void PlatformBeginPanelFrame() {
    if (!panelInput)
        return;
    AdvanceHeldKeys();
    ImGuiIO &io = ImGui::GetIO();
    io.DisplaySize = ImVec2((float)mainWindow.width, (float)mainWindow.height);
    io.DisplayFramebufferScale = ImVec2((float)mainWindow.pixelRatio, (float)mainWindow.pixelRatio);
    double now = PlatformSeconds();
    double step = now - panelMouse.lastFrameSeconds;
    io.DeltaTime = panelMouse.lastFrameSeconds > 0.0 && step > 0.0 ? (float)step : 1.0f / 60.0f;
    panelMouse.lastFrameSeconds = now;
    if (pointer.inside || pointer.buttonsHeld)
        io.MousePos = ImVec2((float)pointer.x, (float)pointer.y);
    else
        io.MousePos = ImVec2(-FLT_MAX, -FLT_MAX);
    // The oldest changes, up to a second change of any button, in the order they came; the
    // pointer where the last of them happened, so a click lands where it was made.
    int changed[3] = {0, 0, 0};
    int taken = 0;
    while (taken < panelMouse.changeCount && !changed[panelMouse.changes[taken].button]) {
        const ButtonChange &change = panelMouse.changes[taken++];
        changed[change.button] = 1;
        panelMouse.held[change.button] = change.down;
        // Dear ImGui would time a double click by its frames, which on a slow page come later
        // than the presses did (or, for two presses between two frames, at once): it is told
        // whether the page's two presses came soon enough after each other.
        if (change.down && change.button == 0) {
            int soon = change.atMs - panelMouse.lastLeftPressMs < PanelDoubleClickMs;
            io.MouseDoubleClickTime = soon ? FLT_MAX : 0.0f;
            panelMouse.lastLeftPressMs = change.atMs;
        }
        io.MousePos = ImVec2((float)change.x, (float)change.y);
    }
    panelMouse.changeCount -= taken;
    for (int i = 0; i < panelMouse.changeCount; ++i)
        panelMouse.changes[i] = panelMouse.changes[i + taken];
    if (panelMouse.changeCount > 0)
        paintPending = 1; // another frame, for the changes still to come
    for (int i = 0; i < 3; ++i)
        io.MouseDown[i] = panelMouse.held[i] != 0;
    io.MouseWheel += panelMouse.wheel;
    panelMouse.wheel = 0.0f;
}

// The canvas cannot be closed: it keeps the last frame, and the page stops sending it events.
void PlatformDestroyWindow() {
    if (!mainWindow.open)
        return;
    Send(MakeEvent(EventDestroy));
    emscripten_html5_remove_all_event_listeners();
    mainWindow.open = 0;
    mainWindow.procedure = nullptr;
    paintPending = 0;
    pictureLost = 0;
}

void PlatformReleaseGlContext() {
    if (mainWindow.context == EGL_NO_CONTEXT)
        return;
    eglMakeCurrent(mainWindow.display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
    eglDestroyContext(mainWindow.display, mainWindow.context);
    eglDestroySurface(mainWindow.display, mainWindow.surface);
    mainWindow.context = EGL_NO_CONTEXT;
    mainWindow.surface = EGL_NO_SURFACE;
}

void PlatformPostQuit(int exitCode) {
    quitPosted = 1;
    quitCode = exitCode;
}

// Kept where the page's Copy link button reads them.
EM_JS(void, PublishLink, (const char *options), { Module.linkOptions = UTF8ToString(options); });

void PlatformShareLink(const char *options) {
    PublishLink(options);
}

// The browser shows the frame once the program gives it its turn, which the loop does when it
// next looks for an event: so only the loop ever yields (and only its own calls need Asyncify).
void PlatformSwapBuffers() {
    if (!mainWindow.open)
        return;
    eglSwapBuffers(mainWindow.display, mainWindow.surface);
    PublishFramePresented((double)++framesPresented, (double)eventsTaken);
    refresh.mustYield = 1;
}

double PlatformSeconds() {
    return (emscripten_get_now() - startMs) / 1000.0;
}

void PlatformShutdown() {
    if (mainWindow.display != EGL_NO_DISPLAY)
        eglTerminate(mainWindow.display);
    std::memset(&mainWindow, 0, sizeof mainWindow);
    std::memset(&frameTimer, 0, sizeof frameTimer);
    std::memset(&refresh, 0, sizeof refresh);
    pace = PaceState{MaxPixelRatio, 0.0, 0, 0.0, 0};
    std::memset(&queue, 0, sizeof queue);
    std::memset(keysHeld, 0, sizeof keysHeld);
    std::memset(&touch, 0, sizeof touch);
    panelInput = 0;
    paintPending = 0;
    pictureLost = 0;
    quitPosted = 0;
    quitCode = 0;
}

// No box on a page: the caller writes the message to standard error, which the page shows
// beneath the canvas.
int ShowErrorBox(const char *) {
    return 0;
}

// The program comes from the page's address, not from a folder.
int PlatformProgramFolder(char *, int) {
    return 0;
}
