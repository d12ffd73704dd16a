#pragma once

#include "platform/key_codes.h"

// The program's one contract with the windowing system: a window with a GL context, a periodic
// timer, events, buffer swap and the screen size. Everything runs on the thread that calls
// these functions; events reach the window procedure one at a time, never overlapping.

enum PlatformEventType {
    EventCreate = 1,  // window and GL context exist, context current (sent from CreateWindow)
    EventSize,        // width and height: the drawable size in pixels (0 x 0 when minimised)
    EventPaint,       // one frame is wanted; at most one per invalidation. pictureLost: the
                      // window system has not kept the last frame (new, resized, uncovered)
    EventTimer,       // one timer tick; never more than one pending
    EventKeyDown,     // keyCode; auto-repeat delivers further key-downs
    EventKeyUp,       // keyCode
    EventDestroy,     // the window is going away; release what was acquired at create
    EventQuit,        // returned by PlatformGetMessage only; exitCode holds the posted code
    EventMouseDown,   // button, clicks (2 for a double click), x, y
    EventMouseUp,     // button, x, y
    EventMouseMove,   // x, y
    EventMouseWheel,  // wheel: notches, positive away from the user
    EventFileDropped, // path: a file dropped on the window (on a page: dropped or picked, its
                      // companions written beside it), valid until the next event is taken
};

enum MouseButton {
    MouseLeft = 1,
    MouseMiddle = 2,
    MouseRight = 3,
};

struct PlatformEvent {
    int type;
    int keyCode; // a VirtualKey, or KeyNone for keys the program has no code for
    int width;
    int height;
    int exitCode;
    int pictureLost;
    int x, y; // mouse position in drawable pixels from the top left
    int button;
    int clicks;
    double wheel;
    const char *path;
};

typedef void (*WindowProcedure)(const PlatformEvent &event);

// What the GL context must offer. Depth falls back to fallbackDepthBits where the display
// has no visual with depthBits.
struct PixelFormatRequest {
    int colorBits;
    int depthBits;
    int fallbackDepthBits;
    int doubleBuffer;
};

// Called first in main, with main's argv: sets the process up before anything else is loaded.
// On the desktop, with the GNU C library, the process may be started again once (see
// platform.cpp); elsewhere it does nothing.
void PlatformPrepareProcess(char **argv);

// Starts the windowing system. headless selects a driver that needs no display (rendering
// still happens, off screen). Otherwise only the drivers for the displays that DISPLAY and
// WAYLAND_DISPLAY name are tried, or the one SDL_VIDEODRIVER names, and with none of these set
// it fails. Returns 1, or 0 with PlatformLastError() telling why.
int PlatformInit(int headless);
const char *PlatformLastError();

// Non-zero when the environment names somewhere to show a window: DISPLAY, WAYLAND_DISPLAY, or
// a video driver in SDL_VIDEODRIVER. Without one, only a headless start can succeed.
int PlatformDisplayNamed();

// Size of the primary screen in pixels.
void PlatformScreenSize(int &width, int &height);

// Creates the hidden, resizable top-level window with a current GL context and sends it
// EventCreate and then EventSize through procedure, which also receives every later event.
// outerWidth and outerHeight include the frame where the window system reports one.
// Returns 1, or 0 with PlatformLastError() telling why.
int PlatformCreateWindow(const char *title, int outerWidth, int outerHeight,
                         const PixelFormatRequest &format, WindowProcedure procedure);

// Depth bits of the GL context actually made.
int PlatformDepthBits();

// Shows the window at its outer size and sends EventSize if the drawable size changed.
void PlatformShowWindow();

// Sends EventPaint at once when a paint is pending (a new window always has one).
void PlatformUpdateWindow();

// Asks for one paint; requests made before it is delivered merge into one.
void PlatformInvalidate();

// Starts the periodic timer. Periods below 10 ms are raised to 10 ms: the animation advances
// one step per tick and is tuned for 100 ticks a second, so asking for a shorter period must
// not speed it up.
void PlatformStartTimer(int periodMilliseconds);

// Unpaced: a tick is due whenever nothing else is waiting, without reading the clock, so
// tick-driven runs are deterministic. Must be set before the timer starts.
void PlatformSetUnpacedTimer(int unpaced);
void PlatformStopTimer();

// Waits for the next event. Returns 0 with event.type EventQuit once the quit was posted,
// otherwise 1. Window-manager close requests never come out of here: they destroy the window
// (EventDestroy goes to the window procedure), as Escape does.
int PlatformGetMessage(PlatformEvent &event);

// The on-screen panel's mouse: from PlatformStartPanelInput until PlatformStopPanelInput the
// panel's context (which must exist) sees every mouse and window event as well, and
// PlatformBeginPanelFrame gives it the window's size, the pointer and the time for the frame it
// is about to build. Keys never reach it. Start needs the window; returns 1.
int PlatformStartPanelInput();
void PlatformStopPanelInput();
void PlatformBeginPanelFrame();

// Sends EventDestroy to the window procedure, then closes the window.
void PlatformDestroyWindow();

// Drops the GL context from the thread and deletes it.
void PlatformReleaseGlContext();

// Makes PlatformGetMessage return 0 with this code once everything before it is handled.
void PlatformPostQuit(int exitCode);

void PlatformSwapBuffers();

// The options that would start the program showing the picture just drawn, one to a line: a
// page offers them as a link (its Copy link button); a desktop window has no use for them.
void PlatformShareLink(const char *options);

// Monotonic wall-clock seconds since PlatformInit.
double PlatformSeconds();

// Undoes PlatformInit and forgets the window, the timer and any posted quit, so the layer can
// be started again in the same process.
void PlatformShutdown();
