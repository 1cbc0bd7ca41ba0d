#include "platform/clock.h"

#include <chrono>
#include <thread>

namespace platform {

namespace {

std::function<uint32_t()>& ClockOverride()
{
    static std::function<uint32_t()> source;
    return source;
}

uint32_t SteadyMilliseconds()
{
    using namespace std::chrono;
    static const auto start = steady_clock::now();
    const auto elapsed = duration_cast<milliseconds>(steady_clock::now() - start).count();
    // Starting at one second keeps 0 free as the "never stamped" value callers use.
    return static_cast<uint32_t>(static_cast<uint64_t>(elapsed) + 1000u);
}

}  // namespace

uint32_t TimeGetTime()
{
    if (ClockOverride()) return ClockOverride()();
    return SteadyMilliseconds();
}

void SetClockSource(std::function<uint32_t()> source) { ClockOverride() = std::move(source); }

void Sleep(uint32_t milliseconds) { std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds)); }

}  // namespace platform
