#include "platform/input/event_times.h"

#include <SDL.h>
#include <SDL_syswm.h>
#if defined(SDL_VIDEO_DRIVER_X11)
#include <X11/extensions/XInput2.h>
#endif

#include <array>
#include <vector>

#include "platform/clock.h"

namespace platform {

void ServerClock::Note(uint32_t made, uint32_t queuedAt)
{
    const uint32_t offset = queuedAt - made;
    // Compared as a signed difference, so the clocks may wrap.
    if (!known_ || static_cast<int32_t>(offset - offset_) < 0) offset_ = offset;
    known_ = true;
}

uint32_t ServerClock::Map(uint32_t made, uint32_t queuedAt) const
{
    if (!known_) return queuedAt;
    const uint32_t mapped = made + offset_;
    return static_cast<int32_t>(mapped - queuedAt) > 0 ? queuedAt : mapped;
}

namespace {

// An event's timestamp field carries a serial number with this bit set; the
// time it was made is kept by serial. SDL's queue holds fewer events than
// the table, so a serial's place is free again long before it comes round.
constexpr uint32_t kStamped = 0x80000000u;
constexpr size_t kKeptTimes = 65536;

struct Stamps {
    bool on = false;
    ServerClock server;
    uint32_t nextSerial = 0;
    std::array<uint32_t, kKeptTimes> made {};
    // The server time of the X event SDL handed over last: the events it
    // queues after it are made of it. An X event without a time (a focus
    // change) leaves the next ones to be stamped as they are queued.
    bool serverTimeKnown = false;
    uint32_t serverTime = 0;
    // A held mouse moves by raw XInput 2 events, which SDL hands over after
    // the moves it queues for them: those moves wait here for their time.
    std::vector<uint32_t> movesAwaitingTime;
};

Stamps& State()
{
    static Stamps stamps;
    return stamps;
}

uint32_t Stamp(SDL_Event& event, uint32_t made)
{
    Stamps& stamps = State();
    const uint32_t serial = stamps.nextSerial++ & ~kStamped;
    stamps.made[serial % kKeptTimes] = made;
    event.common.timestamp = kStamped | serial;
    return serial;
}

#if defined(SDL_VIDEO_DRIVER_X11)
// The server's time of an X event that carries one; `raw` tells a held
// mouse's raw move, handed over after the moves made of it.
bool ServerTimeOf(const XEvent& event, uint32_t* time, bool* raw)
{
    *raw = false;
    switch (event.type) {
    case KeyPress:
    case KeyRelease: *time = static_cast<uint32_t>(event.xkey.time); return true;
    case ButtonPress:
    case ButtonRelease: *time = static_cast<uint32_t>(event.xbutton.time); return true;
    case MotionNotify: *time = static_cast<uint32_t>(event.xmotion.time); return true;
    case EnterNotify:
    case LeaveNotify: *time = static_cast<uint32_t>(event.xcrossing.time); return true;
    case GenericEvent: {
        // Its data is there only while SDL hands the event over, which is now.
        const XGenericEventCookie& cookie = event.xcookie;
        if (cookie.evtype != XI_RawMotion || !cookie.data) return false;
        *time = static_cast<uint32_t>(static_cast<const XIRawEvent*>(cookie.data)->time);
        *raw = true;
        return true;
    }
    default: return false;
    }
}
#endif

// Called by SDL for every event it is about to queue, on the thread that
// queues it (the main thread, while draining).
int StampEvent(void*, SDL_Event* event)
{
    Stamps& stamps = State();
    const uint32_t now = TimeGetTime();
    if (event->type == SDL_SYSWMEVENT) {
#if defined(SDL_VIDEO_DRIVER_X11)
        const SDL_SysWMmsg* message = event->syswm.msg;
        uint32_t made = 0;
        bool raw = false;
        const bool timed =
            message && message->subsystem == SDL_SYSWM_X11 && ServerTimeOf(message->msg.x11.event, &made, &raw);
        if (timed) stamps.server.Note(made, now);
        if (timed && raw) {
            for (const uint32_t serial : stamps.movesAwaitingTime)
                stamps.made[serial % kKeptTimes] = stamps.server.Map(made, now);
        } else {
            stamps.serverTimeKnown = timed;
            stamps.serverTime = made;
        }
        stamps.movesAwaitingTime.clear();
#endif
        return 0;  // read here; nothing else wants them queued
    }
    const uint32_t serial =
        Stamp(*event, stamps.serverTimeKnown ? stamps.server.Map(stamps.serverTime, now) : now);
    if (event->type == SDL_MOUSEMOTION) stamps.movesAwaitingTime.push_back(serial);
    return 1;
}

}  // namespace

void StartStampingEventTimes()
{
    Stamps& stamps = State();
    stamps.on = true;
    stamps.server.Forget();
    stamps.serverTimeKnown = false;
    stamps.movesAwaitingTime.clear();
    SDL_EventState(SDL_SYSWMEVENT, SDL_ENABLE);
    SDL_SetEventFilter(StampEvent, nullptr);
}

void StopStampingEventTimes()
{
    Stamps& stamps = State();
    if (!stamps.on) return;
    SDL_SetEventFilter(nullptr, nullptr);
    SDL_EventState(SDL_SYSWMEVENT, SDL_DISABLE);
    stamps.on = false;
}

uint32_t MadeTimeOf(const SDL_Event& event)
{
    const uint32_t stamp = event.common.timestamp;
    if (!(stamp & kStamped)) return TimeGetTime();
    return State().made[(stamp & ~kStamped) % kKeptTimes];
}

void StampAsMadeNow(SDL_Event& event) { Stamp(event, TimeGetTime()); }

}  // namespace platform
