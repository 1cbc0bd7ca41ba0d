// The one record of what the user did at the keyboard and the mouse, in the
// order it happened: every key, button, motion, wheel, text and focus event
// the message loop drains, numbered, with the time it was made and where the
// pointer was at that moment. The input devices (dinput.h) follow the events
// as they are recorded; the input router (src/input/input_router.h) takes
// them from here, oldest first, and decides who each one is for.
//
// Nothing waiting here is ever dropped for lack of room: a run of moves (or
// of wheel turns) with nothing between them is kept as one event, so a slow
// frame under a fast mouse leaves a few events, not thousands.
// The window records (RecordInputEvent is platform-internal); the router
// reads. Main thread only.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>

union SDL_Event;

namespace platform {

struct InputEvent {
    enum class Kind : uint8_t {
        KeyDown,
        KeyUp,
        ButtonDown,
        ButtonUp,
        Motion,
        Wheel,
        Text,
        PointerLeft,  // the pointer went out of the window
        FocusLost,    // every key and button counts as released from here
        FocusGained,
    };
    Kind kind = Kind::Motion;
    uint32_t sequence = 0;  // 1, 2, 3... over every event of the run (a merged run keeps its last)
    uint32_t time = 0;      // when it was made, on TimeGetTime's clock (input/event_times.h)
    int scancode = 0;       // a key's SDL scancode
    uint8_t dik = 0;        // and its DirectInput scan code (0 for a key DirectInput has none for)
    int button = -1;        // DirectInput's numbering: 0 left, 1 right, 2 middle
    int32_t dx = 0;         // motion; the wheel's notches in dy, positive away from the user
    int32_t dy = 0;
    char text[32] = {};     // typed text, UTF-8
    // The pointer when it happened, in back-buffer pixels. While an
    // exclusive mouse holds it, it is where the hidden pointer went.
    bool pointerKnown = false;
    bool pointerInWindow = false;
    double x = 0.0;
    double y = 0.0;
};

// Where the pointer is as an event is recorded; the caller knows it.
struct PointerNow {
    bool known = false;
    bool inWindow = false;
    double x = 0.0;
    double y = 0.0;
};

// Records one drained SDL event; false for what is no input (and for the
// system's key repeats: a key held down is no new event, nor is the release
// of one that is not down). `recorded` is this event alone, also when it was
// merged into the run of moves or turns before it.
bool RecordInputEvent(const SDL_Event& event, const PointerNow& pointer, InputEvent* recorded);

// The events recorded and not taken yet, oldest first; TakeInputEvents
// removes the first `count` of them.
const std::deque<InputEvent>& PendingInputEvents();
void TakeInputEvents(std::size_t count);

// Grows by one whenever the log forgets everything (a new window), so a
// reader of it knows that what it followed is gone.
uint32_t InputLogGeneration();

// While a message box showed, the program answered nothing but the box: what
// the user did to the window meanwhile, made from `from` to `to` (on
// TimeGetTime's clock), is not recorded when it is drained afterwards. A
// release still is, so nothing pressed before stays held.
void SilenceInputMadeBetween(uint32_t from, uint32_t to);

// What the recorded events leave held now.
bool ButtonHeld(int button);
bool InputFocused();

// Forgets every event and what they held, as a new window that has seen
// nothing; focus counts as held. Numbering goes on, so no sequence number
// ever names two events.
void ForgetRecordedInput();

}  // namespace platform
