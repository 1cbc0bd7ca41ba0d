// Wall-clock time in place of GetLocalTime and the C library's UTC conversion.
// Tests may replace the time source (a value gmtime cannot convert exercises the
// "no time" paths).
#pragma once

#include <cstdint>
#include <ctime>
#include <functional>

namespace platform {

// The fields of a Win32 SYSTEMTIME.
struct SystemTime {
    uint16_t year = 0;
    uint16_t month = 0;      // 1..12
    uint16_t dayOfWeek = 0;  // 0 = Sunday
    uint16_t day = 0;        // 1..31
    uint16_t hour = 0;
    uint16_t minute = 0;
    uint16_t second = 0;
    uint16_t milliseconds = 0;
};

std::time_t CurrentTime();
void SetTimeSource(std::function<std::time_t()> source);

SystemTime GetLocalTime();
// False when the current time cannot be converted.
bool GetLocalCalendarTime(std::tm& out);
bool GetUtcCalendarTime(std::tm& out);

}  // namespace platform
