#pragma once

// The periodic frame timer, kept the same way by every platform back end on its own clock
// (milliseconds). The animation advances one step per tick and is tuned for 100 ticks a second,
// so no period asked for may tick faster than MinimumTimerPeriodMs.
const int MinimumTimerPeriodMs = 10;

struct TickTimer {
    int running;
    int unpaced; // a tick is due whenever asked, without reading the clock
    double periodMs;
    double nextDueMs;
};

// Starts the timer at nowMs with the period asked for, raised to the minimum.
void StartTickTimer(TickTimer &timer, int periodMilliseconds, double nowMs);

// 1 when a tick is due at nowMs, which it then takes: the next one is due a period after it. A
// late tick keeps the timer's phase; ticks missed while busy merge into the one taken.
int TakeTick(TickTimer &timer, double nowMs);

// Whole milliseconds to wait before looking for the next tick: until it is due, one period of
// the minimum at most, so events that come meanwhile wait no longer than that.
int MillisecondsBeforeNextLook(const TickTimer &timer, double nowMs);
