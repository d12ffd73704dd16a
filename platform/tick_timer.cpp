#include "platform/tick_timer.h"

#include <cmath>

void StartTickTimer(TickTimer &timer, int periodMilliseconds, double nowMs) {
    timer.periodMs =
        periodMilliseconds > MinimumTimerPeriodMs ? periodMilliseconds : MinimumTimerPeriodMs;
    timer.nextDueMs = nowMs + timer.periodMs;
    timer.running = 1;
}

int TakeTick(TickTimer &timer, double nowMs) {
    if (!timer.running)
        return 0;
    if (timer.unpaced)
        return 1;
    if (nowMs < timer.nextDueMs)
        return 0;
    timer.nextDueMs += timer.periodMs;
    if (timer.nextDueMs <= nowMs)
        timer.nextDueMs = nowMs + timer.periodMs;
    return 1;
}

int MillisecondsBeforeNextLook(const TickTimer &timer, double nowMs) {
    double wait = MinimumTimerPeriodMs;
    if (timer.running && timer.nextDueMs > nowMs && timer.nextDueMs - nowMs < wait)
        wait = timer.nextDueMs - nowMs;
    return (int)std::ceil(wait);
}
