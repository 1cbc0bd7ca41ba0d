#include "platform/local_time.h"

namespace platform {

namespace {

std::function<std::time_t()>& TimeOverride()
{
    static std::function<std::time_t()> source;
    return source;
}

}  // namespace

std::time_t CurrentTime() { return TimeOverride() ? TimeOverride()() : std::time(nullptr); }

void SetTimeSource(std::function<std::time_t()> source) { TimeOverride() = std::move(source); }

bool GetLocalCalendarTime(std::tm& out)
{
    const std::time_t now = CurrentTime();
    return localtime_r(&now, &out) != nullptr;
}

bool GetUtcCalendarTime(std::tm& out)
{
    const std::time_t now = CurrentTime();
    return gmtime_r(&now, &out) != nullptr;
}

SystemTime GetLocalTime()
{
    SystemTime result;
    std::tm t {};
    if (!GetLocalCalendarTime(t)) return result;
    result.year = static_cast<uint16_t>(t.tm_year + 1900);
    result.month = static_cast<uint16_t>(t.tm_mon + 1);
    result.dayOfWeek = static_cast<uint16_t>(t.tm_wday);
    result.day = static_cast<uint16_t>(t.tm_mday);
    result.hour = static_cast<uint16_t>(t.tm_hour);
    result.minute = static_cast<uint16_t>(t.tm_min);
    result.second = static_cast<uint16_t>(t.tm_sec);
    return result;
}

}  // namespace platform
