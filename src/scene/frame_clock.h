// The scene's frame clock: the measured frame rate and the frame time every
// time-scaled operation uses, the scene clock other code stamps its events
// with, and the limiter that ends every frame. The scene embeds one and the
// scene frame calls it: MeasureFps once per frame, TickFrameClock after the
// user interface, LimitFrameRate last.
//
// All clock reads go through platform::TimeGetTime, so tests drive it with a
// fake clock source.
#pragma once

#include <cstdint>

struct FrameClock {
    // Counts the frame; at most every 100 ms turns the frames counted since
    // the last sample into a frame-rate sample. The very first call only
    // starts the stamps. Also refreshes the once-a-second waited report.
    void MeasureFps();
    // Adds a sample as the newest of the history (entry 0); samples that are
    // not finite are ignored. The count stops at 7.
    void PushFpsSample(float sample);
    // The mean of the newest `sampleCount` samples once at least 4 exist,
    // else 1.0.
    float AverageFps() const;
    // The scene clock takes the current time.
    void TickFrameClock();
    // Busy-waits (no sleep: the clock has whole milliseconds) until a frame
    // period of 1000 / target frame rate (clamped to [30, 120]) has passed
    // since the last frame ended. Off while fewer than 4 samples exist.
    void LimitFrameRate();

    // Seconds of one frame for movement, camera moves, animation and sounds:
    // 1 / AverageFps once 4 samples exist, 0 before (nothing moves while the
    // rate is unknown).
    float FrameTime() const;
    // The physics step's frame time: FrameTime once 4 samples exist, before
    // that a tiny 0.0001 s so the simulation starts settling at once. The
    // step multiplies it by its time scale.
    float PhysicsFrameTime() const;

    float fpsHistory[8] = {};  // entry 0 is the newest
    int32_t sampleCount = 0;   // 0..7
    float targetFrameRate = 120.0f;
    uint32_t limiterStamp = 0;     // clock (ms) when the last frame ended
    int32_t waitedTotal = 0;       // ms busy-waited since the last report
    uint32_t oneSecondStamp = 0;   // clock of the last report
    float waitedLastSecond = 0.0f; // waitedTotal at the last report
    uint32_t sampleStamp = 0;      // clock of the last frame-rate sample
    int32_t frameCount = 0;        // frames since the last sample
    uint32_t sceneClock = 0;       // ms, stamped by TickFrameClock: one time per frame
    uint32_t lastClockTime = 0;
    uint8_t started = 0;           // set by the first MeasureFps
    uint8_t shown = 0;             // set by the first TickFrameClock, as the first frame is shown
    uint32_t firstShownAt = 0;     // clock of that tick
};
