#include "platform/input/event_times.h"

#include <SDL.h>
#include <SDL_syswm.h>
#if defined(SDL_VIDEO_DRIVER_X11)
#include <X11/extensions/XInput2.h>
#endif

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

struct Stamps {
    bool on = false;
    ServerClock server;
    // The server time of the raw event SDL handed over last: the events it
    // queues next are made of it. An X event without a time (a focus
    // change) leaves the next ones to be stamped as they are queued.
    bool serverTimeKnown = false;
    uint32_t serverTime = 0;
};

Stamps& State()
{
    static Stamps stamps;
    return stamps;
}

#if defined(SDL_VIDEO_DRIVER_X11)
// The server's time of an X event that carries one.
bool ServerTimeOf(const XEvent& event, uint32_t* time)
{
    switch (event.type) {
    case KeyPress:
    case KeyRelease: *time = static_cast<uint32_t>(event.xkey.time); return true;
    case ButtonPress:
    case ButtonRelease: *time = static_cast<uint32_t>(event.xbutton.time); return true;
    case MotionNotify: *time = static_cast<uint32_t>(event.xmotion.time); return true;
    case EnterNotify:
    case LeaveNotify: *time = static_cast<uint32_t>(event.xcrossing.time); return true;
    case GenericEvent: {
        // The raw motion of a held mouse (XInput 2): its data is only there
        // while SDL hands the event over, which is now.
        const XGenericEventCookie& cookie = event.xcookie;
        const bool raw = cookie.evtype == XI_RawMotion || cookie.evtype == XI_RawButtonPress ||
                         cookie.evtype == XI_RawButtonRelease;
        if (!raw || !cookie.data) return false;
        *time = static_cast<uint32_t>(static_cast<const XIRawEvent*>(cookie.data)->time);
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
        stamps.serverTimeKnown =
            message && message->subsystem == SDL_SYSWM_X11 && ServerTimeOf(message->msg.x11.event, &made);
        if (stamps.serverTimeKnown) {
            stamps.server.Note(made, now);
            stamps.serverTime = made;
        }
#endif
        return 0;  // read here; nothing else wants them queued
    }
    event->common.timestamp = stamps.serverTimeKnown ? stamps.server.Map(stamps.serverTime, now) : now;
    return 1;
}

}  // namespace

void StartStampingEventTimes()
{
    Stamps& stamps = State();
    stamps = Stamps {};
    stamps.on = true;
    SDL_EventState(SDL_SYSWMEVENT, SDL_ENABLE);
    SDL_SetEventFilter(StampEvent, nullptr);
}

void StopStampingEventTimes()
{
    Stamps& stamps = State();
    if (!stamps.on) return;
    SDL_SetEventFilter(nullptr, nullptr);
    SDL_EventState(SDL_SYSWMEVENT, SDL_DISABLE);
    stamps = Stamps {};
}

}  // namespace platform
