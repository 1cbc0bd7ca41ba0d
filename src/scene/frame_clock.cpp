#include "scene/frame_clock.h"

#include <algorithm>
#include <cmath>

#include "graphics/driver.h"
#include "platform/clock.h"
#include "scene/camera.h"
#include "scene/scene.h"

namespace {

constexpr uint32_t kSampleInterval = 100;        // ms between frame-rate samples
constexpr uint32_t kLongestSampleSpan = 10005000;  // a longer pause yields no sample
constexpr uint32_t kReportInterval = 1000;
constexpr int32_t kMaximumSamples = 7;
constexpr int32_t kSamplesForMean = 4;
constexpr float kDefaultTargetFrameRate = 120.0f;
constexpr float kWarmUpPhysicsFrameTime = 0.0001f;

// Pairs the timer-resolution request with its release on every path.
class TimerResolution {
public:
    TimerResolution() { platform::TimeBeginPeriod(1); }
    ~TimerResolution() { platform::TimeEndPeriod(1); }
    TimerResolution(const TimerResolution&) = delete;
    TimerResolution& operator=(const TimerResolution&) = delete;
};

}  // namespace

void FrameClock::MeasureFps()
{
    const TimerResolution resolution;
    const uint32_t now = platform::TimeGetTime();
    if (!started) {
        // The stamps start at 0, so the first span would reach back to when
        // the system clock started and give a rate near 0 fps.
        started = 1;
        sampleStamp = now;
        oneSecondStamp = now;
        frameCount = 0;
        return;
    }
    ++frameCount;
    const uint32_t elapsed = now - sampleStamp;
    if (elapsed >= kSampleInterval) {
        if (elapsed < kLongestSampleSpan) {
            float sample = static_cast<float>(frameCount) * 1000.0f / static_cast<float>(elapsed);
            if (std::isnan(sample) || sample < 0.0f) sample = 1.0f;
            PushFpsSample(sample);
            frameCount = 0;
        }
        sampleStamp = now;
    }
    if (now - oneSecondStamp >= kReportInterval) {
        waitedLastSecond = static_cast<float>(waitedTotal);
        waitedTotal = 0;
        oneSecondStamp = platform::TimeGetTime();
    }
}

void FrameClock::PushFpsSample(float sample)
{
    // An infinite sample would make the mean infinite and the frame time 0
    // for the next seven samples.
    if (!std::isfinite(sample)) return;
    for (int i = 7; i > 0; --i) fpsHistory[i] = fpsHistory[i - 1];
    fpsHistory[0] = sample;
    sampleCount = std::min(sampleCount + 1, kMaximumSamples);
}

float FrameClock::AverageFps() const
{
    if (sampleCount < kSamplesForMean || sampleCount > 8) return 1.0f;
    float sum = 0.0f;
    for (int i = 0; i < sampleCount; ++i) sum += fpsHistory[i];
    const float mean = sum / static_cast<float>(sampleCount);
    return std::isnan(mean) ? 1.0f : mean;
}

float FrameClock::FrameTime() const
{
    if (sampleCount < kSamplesForMean) return 0.0f;
    const float mean = AverageFps();
    // Samples are positive rates, so this only guards a history written
    // directly with zeros or negatives.
    return mean > 0.0f ? 1.0f / mean : 0.0f;
}

float FrameClock::PhysicsFrameTime() const
{
    return sampleCount < kSamplesForMean ? kWarmUpPhysicsFrameTime : FrameTime();
}

void FrameClock::TickFrameClock()
{
    const TimerResolution resolution;
    const uint32_t now = platform::TimeGetTime();
    sceneClock = now;
    lastClockTime = now;
    if (!shown) {
        shown = 1;
        firstShownAt = now;
    }
}

void FrameClock::LimitFrameRate()
{
    const TimerResolution resolution;
    if (sampleCount < kSamplesForMean) return;
    const float rate = std::isfinite(targetFrameRate) ? targetFrameRate : kDefaultTargetFrameRate;
    const float target = std::clamp(rate, 30.0f, 120.0f);
    const auto period = static_cast<uint32_t>(1000.0f / target);

    const uint32_t elapsed = platform::TimeGetTime() - limiterStamp;
    if (elapsed >= period) {
        limiterStamp = platform::TimeGetTime();
        return;
    }
    const uint32_t remaining = period - elapsed;
    const uint32_t start = platform::TimeGetTime();
    uint32_t current = start;
    do {
        current = platform::TimeGetTime();
    } while (current - start < remaining);
    waitedTotal += static_cast<int32_t>(platform::TimeGetTime() - start);
    limiterStamp = current;
}

void CScene::UpdateProjection(CCamera& camera)
{
    camera.ApplySceneProjection(options.fieldOfView, options.nearPlane, options.farPlane, backBufferWidth,
                                backBufferHeight);
}
