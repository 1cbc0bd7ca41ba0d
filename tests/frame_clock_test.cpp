// The frame clock against a fake millisecond clock: frame-rate samples, the
// mean and the frame times derived from it, the scene clock and the limiter.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "platform/clock.h"
#include "scene/frame_clock.h"

namespace {

// Time advances by `perRead` milliseconds (in quarters) on every read, as a
// busy-waiting loop sees it, plus whatever the test adds between calls.
class FrameClockTest : public testing::Test {
protected:
    void SetUp() override
    {
        platform::SetClockSource([this] {
            const auto value = static_cast<uint32_t>(quarters / 4);
            quarters += perReadQuarters;
            return value;
        });
    }
    void TearDown() override { platform::SetClockSource({}); }

    uint32_t Now() const { return static_cast<uint32_t>(quarters / 4); }
    void Advance(uint32_t milliseconds) { quarters += 4ull * milliseconds; }

    // Frames of `frameMs` each, measured, until the clock holds `samples`.
    void RunUntilSamples(FrameClock& clock, int samples, uint32_t frameMs)
    {
        while (clock.sampleCount < samples) {
            Advance(frameMs);
            clock.MeasureFps();
        }
    }

    uint64_t quarters = 4ull * 5000000;  // the system has run for 5000 s
    uint64_t perReadQuarters = 0;
};

}  // namespace

TEST_F(FrameClockTest, FirstMeasurementOnlyStartsTheStampsAndSamplesComeEvery100ms)
{
    FrameClock clock;
    clock.MeasureFps();
    EXPECT_EQ(clock.sampleCount, 0);

    // 30 ms frames: a sample once 100 ms have passed, from the frames counted.
    for (int frame = 0; frame < 3; ++frame) {
        Advance(30);
        clock.MeasureFps();
    }
    EXPECT_EQ(clock.sampleCount, 0);
    Advance(30);
    clock.MeasureFps();
    ASSERT_EQ(clock.sampleCount, 1);
    EXPECT_NEAR(clock.fpsHistory[0], 4 * 1000.0f / 120.0f, 1e-3f);

    // 10 ms frames give 100 fps samples; the newest is entry 0.
    RunUntilSamples(clock, 3, 10);
    EXPECT_NEAR(clock.fpsHistory[0], 100.0f, 1e-3f);
    EXPECT_NEAR(clock.fpsHistory[2], 33.333f, 1e-2f);
}

TEST_F(FrameClockTest, MeanNeedsFourSamplesAndFrameTimesFollowIt)
{
    FrameClock clock;
    for (int i = 0; i < 3; ++i) clock.PushFpsSample(60.0f);
    EXPECT_FLOAT_EQ(clock.AverageFps(), 1.0f);
    EXPECT_FLOAT_EQ(clock.FrameTime(), 0.0f);
    EXPECT_FLOAT_EQ(clock.PhysicsFrameTime(), 0.0001f);

    clock.PushFpsSample(100.0f);
    EXPECT_FLOAT_EQ(clock.AverageFps(), 70.0f);
    EXPECT_FLOAT_EQ(clock.FrameTime(), 1.0f / 70.0f);
    EXPECT_FLOAT_EQ(clock.PhysicsFrameTime(), 1.0f / 70.0f);

    // The mean covers the newest 7.
    for (int i = 0; i < 7; ++i) clock.PushFpsSample(200.0f);
    EXPECT_EQ(clock.sampleCount, 7);
    EXPECT_FLOAT_EQ(clock.AverageFps(), 200.0f);
    EXPECT_FLOAT_EQ(clock.fpsHistory[7], 100.0f);
}

TEST_F(FrameClockTest, LongPauseGivesNoSampleButMovesTheStamp)
{
    FrameClock clock;
    clock.MeasureFps();
    Advance(10005000);
    clock.MeasureFps();
    EXPECT_EQ(clock.sampleCount, 0);
    EXPECT_EQ(clock.sampleStamp, Now());
    Advance(100);
    clock.MeasureFps();
    ASSERT_EQ(clock.sampleCount, 1);
    EXPECT_NEAR(clock.fpsHistory[0], 20.0f, 1e-4f);
}

TEST_F(FrameClockTest, LimiterHoldsTheFramePeriodOnceFourSamplesExist)
{
    FrameClock clock;
    perReadQuarters = 1;
    clock.MeasureFps();
    // Warm-up: the limiter leaves the frame alone.
    clock.LimitFrameRate();
    EXPECT_EQ(clock.limiterStamp, 0u);
    EXPECT_EQ(clock.waitedTotal, 0);
    RunUntilSamples(clock, 4, 25);

    struct Case {
        float target;
        uint32_t period;
    };
    for (const Case c : {Case{60.0f, 16}, Case{500.0f, 8}, Case{std::numeric_limits<float>::quiet_NaN(), 8}}) {
        clock.targetFrameRate = c.target;
        clock.LimitFrameRate();  // starts the limiter's stamp
        for (int frame = 0; frame < 3; ++frame) {
            const uint32_t previous = clock.limiterStamp;
            Advance(2);  // the frame's own work
            const int32_t waitedBefore = clock.waitedTotal;
            clock.LimitFrameRate();
            const uint32_t spacing = clock.limiterStamp - previous;
            EXPECT_GE(spacing, c.period) << c.target;
            EXPECT_LE(spacing, c.period + 1) << c.target;
            EXPECT_GE(clock.waitedTotal - waitedBefore, static_cast<int32_t>(c.period) - 3) << c.target;
        }
    }

    // A frame that already ran long neither waits nor counts.
    clock.targetFrameRate = 120.0f;
    Advance(20);
    const int32_t waitedBefore = clock.waitedTotal;
    clock.LimitFrameRate();
    EXPECT_EQ(clock.waitedTotal, waitedBefore);
    EXPECT_LE(Now() - clock.limiterStamp, 1u);
}
