// The platform layer on SDL's offscreen driver: timer pacing, paint merging, the minimised
// window and the ways the message loop ends.
#include "platform/platform.h"

#include <SDL.h>
#include <algorithm>
#include <chrono>
#include <gtest/gtest.h>
#include <vector>

namespace {

const PixelFormatRequest testFormat = {24, 24, 16, 1};
const int WindowWidth = 320;
const int WindowHeight = 240;

// What the window procedure was sent, in order, and how it is to react.
struct ProcedureLog {
    std::vector<int> types;
    int width = -1; // from the last EventSize
    int height = -1;
    int invalidationsPerTick = 0;
    int lostPictures = 0; // paints that said the window system dropped the picture
};
ProcedureLog seen;

int Count(int type) {
    return (int)std::count(seen.types.begin(), seen.types.end(), type);
}

// Reacts as the program's own procedure does: Escape closes the window, and the window's end
// releases the context, stops the timer and posts the quit.
void RecordingProcedure(const PlatformEvent &event) {
    seen.types.push_back(event.type);
    switch (event.type) {
    case EventSize:
        seen.width = event.width;
        seen.height = event.height;
        break;
    case EventPaint:
        seen.lostPictures += event.pictureLost ? 1 : 0;
        break;
    case EventTimer:
        for (int i = 0; i < seen.invalidationsPerTick; ++i)
            PlatformInvalidate();
        break;
    case EventKeyDown:
        if (event.keyCode == KeyEscape)
            PlatformDestroyWindow();
        break;
    case EventDestroy:
        PlatformReleaseGlContext();
        PlatformStopTimer();
        PlatformPostQuit(0);
        break;
    default:
        break;
    }
}

// Closes whatever is still open (nothing, after the loop has ended) and stops the layer.
void CloseWindow() {
    PlatformDestroyWindow();
    PlatformShutdown();
}

double SecondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Runs the message loop until it has delivered ticks timer ticks. Returns 0 if the loop ended
// first or took more than a few seconds.
int RunUntilTicks(int ticks) {
    auto start = std::chrono::steady_clock::now();
    PlatformEvent event;
    while (Count(EventTimer) < ticks && SecondsSince(start) < 5.0) {
        if (!PlatformGetMessage(event))
            return 0;
        RecordingProcedure(event);
    }
    return Count(EventTimer) >= ticks;
}

// Starts the layer headless and opens a shown window whose first frame is already drawn.
int OpenWindow() {
    seen = ProcedureLog();
    if (!PlatformInit(1) || !PlatformCreateWindow("platform test", WindowWidth, WindowHeight,
                                                  testFormat, RecordingProcedure)) {
        ADD_FAILURE() << PlatformLastError();
        return 0;
    }
    PlatformShowWindow();
    PlatformUpdateWindow();
    // Whatever showing the window reported (an exposure, say) is handled before the test.
    PlatformStartTimer(10);
    int settled = RunUntilTicks(1);
    PlatformStopTimer();
    seen.types.clear();
    seen.lostPictures = 0;
    return settled;
}

// The window event a window system sends; see the minimise test for why it is posted.
void PostWindowEvent(Uint8 windowEvent) {
    SDL_Event sdlEvent;
    SDL_zero(sdlEvent);
    sdlEvent.type = SDL_WINDOWEVENT;
    sdlEvent.window.timestamp = SDL_GetTicks();
    sdlEvent.window.windowID = SDL_GetWindowID(SDL_GL_GetCurrentWindow());
    sdlEvent.window.event = windowEvent;
    EXPECT_EQ(SDL_PushEvent(&sdlEvent), 1) << SDL_GetError();
}

class Platform : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(OpenWindow()); }
    void TearDown() override { CloseWindow(); }
};

TEST_F(Platform, TimerNeverTicksFasterThanEvery10Ms) {
    const double wallSeconds = 0.5;
    for (int period : {1, 0}) {
        SCOPED_TRACE(period);
        seen.types.clear();
        PlatformStartTimer(period);
        auto start = std::chrono::steady_clock::now();
        PlatformEvent event;
        while (SecondsSince(start) < wallSeconds) {
            ASSERT_TRUE(PlatformGetMessage(event));
            RecordingProcedure(event);
        }
        double seconds = SecondsSince(start);
        PlatformStopTimer();
        EXPECT_LE(Count(EventTimer), seconds / 0.010 + 2) << "in " << seconds << " s";
        EXPECT_GE(Count(EventTimer), 10) << "in " << seconds << " s";
        EXPECT_EQ(Count(EventPaint), 0) << "nothing asked for a paint";
    }
}

TEST_F(Platform, PaintRequestsBetweenTwoFramesGiveOnePaint) {
    for (int i = 0; i < 3; ++i)
        PlatformInvalidate();
    PlatformUpdateWindow();
    PlatformUpdateWindow();
    EXPECT_EQ(Count(EventPaint), 1);

    // Each tick asks for three paints; the loop draws once before the next tick.
    seen.types.clear();
    seen.invalidationsPerTick = 3;
    PlatformStartTimer(10);
    ASSERT_TRUE(RunUntilTicks(5));
    std::vector<int> expected = {EventTimer, EventPaint, EventTimer, EventPaint, EventTimer,
                                 EventPaint, EventTimer, EventPaint, EventTimer};
    EXPECT_EQ(seen.types, expected);
    EXPECT_EQ(seen.lostPictures, 0) << "asked for by the program, not lost";
}

TEST_F(Platform, MinimisedWindowHasNoSizeAndIsNotDrawn) {
    seen.invalidationsPerTick = 1;
    PlatformStartTimer(10);
    // The offscreen driver has no minimised state: SDL_MinimizeWindow changes nothing there
    // and reports nothing. So the test posts the window event that a window system sends on
    // minimising; the layer takes it through the same translation as a real one.
    PostWindowEvent(SDL_WINDOWEVENT_MINIMIZED);
    ASSERT_TRUE(RunUntilTicks(5));
    EXPECT_EQ(Count(EventSize), 1);
    EXPECT_EQ(seen.width, 0);
    EXPECT_EQ(seen.height, 0);
    PlatformInvalidate();
    PlatformUpdateWindow();
    EXPECT_EQ(Count(EventPaint), 0);

    // Restored, it has its size back and the requests made meanwhile are drawn.
    PostWindowEvent(SDL_WINDOWEVENT_RESTORED);
    ASSERT_TRUE(RunUntilTicks(6));
    EXPECT_EQ(seen.width, WindowWidth);
    EXPECT_EQ(seen.height, WindowHeight);
    EXPECT_GE(Count(EventPaint), 1);
    EXPECT_EQ(seen.lostPictures, 1) << "a restored window has to be drawn again";
}

void PostClose() {
    PostWindowEvent(SDL_WINDOWEVENT_CLOSE);
}

void PostQuitRequest() {
    SDL_Event sdlEvent;
    SDL_zero(sdlEvent);
    sdlEvent.type = SDL_QUIT;
    EXPECT_EQ(SDL_PushEvent(&sdlEvent), 1) << SDL_GetError();
}

void PressEscape() {
    SDL_Event sdlEvent;
    SDL_zero(sdlEvent);
    sdlEvent.type = SDL_KEYDOWN;
    sdlEvent.key.state = SDL_PRESSED;
    sdlEvent.key.keysym.scancode = SDL_SCANCODE_ESCAPE;
    sdlEvent.key.keysym.sym = SDLK_ESCAPE;
    EXPECT_EQ(SDL_PushEvent(&sdlEvent), 1) << SDL_GetError();
}

// Each way runs in a layer started afresh after the previous one ended, in this one process.
TEST(PlatformLoop, CloseQuitAndEscapeEachEndTheLoop) {
    struct Ending {
        const char *name;
        void (*post)();
    };
    const Ending endings[] = {
        {"window close", PostClose}, {"quit request", PostQuitRequest}, {"Escape", PressEscape}};
    for (const Ending &ending : endings) {
        SCOPED_TRACE(ending.name);
        ASSERT_TRUE(OpenWindow());
        PlatformStartTimer(10); // keeps the loop turning should the ending be lost
        ending.post();
        PlatformEvent event;
        int handled = 0;
        while (handled < 100 && PlatformGetMessage(event)) {
            RecordingProcedure(event);
            ++handled;
        }
        EXPECT_LT(handled, 100) << "the loop did not end";
        EXPECT_EQ(event.type, EventQuit);
        EXPECT_EQ(event.exitCode, 0);
        EXPECT_EQ(Count(EventDestroy), 1);
        CloseWindow();
    }
}

} // namespace
