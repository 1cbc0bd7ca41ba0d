// The millisecond clock that stands in for timeGetTime, with the timer-resolution
// calls and Sleep. 32 bits, monotonic, wraps after 2^32 ms: compare stamps with
// unsigned differences. Never 0 at start. Tests may replace the source.
#pragma once

#include <cstdint>
#include <functional>

namespace platform {

uint32_t TimeGetTime();

// Replaces the clock for tests; an empty function restores the real one.
void SetClockSource(std::function<uint32_t()> source);

// timeBeginPeriod/timeEndPeriod: the Linux clock already has 1 ms resolution.
inline void TimeBeginPeriod(uint32_t) {}
inline void TimeEndPeriod(uint32_t) {}

void Sleep(uint32_t milliseconds);

}  // namespace platform
