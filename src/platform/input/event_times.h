// When each input event was made. SDL 2 stamps an event as it queues it,
// which happens when the program next drains the system's events: after a
// slow frame every key, click and move of that frame carries the same time,
// and two clicks 600 ms apart look like one double click. So the window
// stamps each event itself as SDL queues it: on X11 with the server's own
// time of the event (read from the raw event SDL hands over beside it),
// brought onto TimeGetTime's clock; elsewhere, and for events a program or
// test pushes, with TimeGetTime at the moment it was queued.
// Platform-internal; main thread only.
#pragma once

#include <cstdint>

union SDL_Event;

namespace platform {

// From a new main window on (forgets what an earlier one learnt of the
// server's clock). Pending events made before are discarded.
void StartStampingEventTimes();
void StopStampingEventTimes();

// When an event drained from SDL's queue was made, on TimeGetTime's clock.
// One that no stamp reached (queued before stamping began) counts as made
// now.
uint32_t MadeTimeOf(const SDL_Event& event);
// Stamps an event the program builds and hands over itself (the input
// layer's test seam) as made now.
void StampAsMadeNow(SDL_Event& event);

// The offset from an X server time to TimeGetTime's clock, given the pairs
// seen so far: an event is queued after it was made, so the smallest
// difference "queued - made" is the best estimate, and never puts an event
// later than it was queued. Exposed for tests.
class ServerClock {
public:
    // One event made at server time `made` and queued at `queuedAt`.
    void Note(uint32_t made, uint32_t queuedAt);
    // `made` on TimeGetTime's clock, never after `queuedAt`; `queuedAt`
    // itself while nothing was noted.
    uint32_t Map(uint32_t made, uint32_t queuedAt) const;
    void Forget() { known_ = false; }

private:
    bool known_ = false;
    uint32_t offset_ = 0;
};

}  // namespace platform
