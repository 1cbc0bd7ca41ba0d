// The one record of what the user did at the keyboard and the mouse, in the
// order it happened: every key, button, motion, wheel, text and focus event
// the message loop drains, numbered, stamped with the clock, and with where
// the pointer was at that moment. The input devices (dinput.h) and Dear
// ImGui's feed (imgui_backends.cpp) both take what they hand on from here, so
// each sees the same events in the same order, and an event can be named
// across them by its sequence number. Platform-internal; main thread only.
#pragma once

#include <SDL.h>

#include <cstdint>
#include <deque>

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
    uint32_t sequence = 0;  // 1, 2, 3... over every event of the run
    uint32_t time = 0;      // platform::TimeGetTime when the loop handed it over
    int scancode = 0;       // a key's SDL scancode
    int button = -1;        // DirectInput's numbering: 0 left, 1 right, 2 middle
    int32_t dx = 0;         // motion; the wheel's notches in dy, positive away from the user
    int32_t dy = 0;
    char text[32] = {};     // typed text, UTF-8
    // The pointer when it happened, in back-buffer pixels.
    bool pointerKnown = false;
    bool pointerInWindow = false;
    bool pointerHeld = false;  // an exclusive mouse holds it: hidden, it points at nothing
    double x = 0.0;
    double y = 0.0;
};

// Where the pointer is as an event is recorded; the caller knows it.
struct PointerNow {
    bool known = false;
    bool inWindow = false;
    bool held = false;
    double x = 0.0;
    double y = 0.0;
};

// Records one drained SDL event and returns the record; null for what is no
// input (and for the system's key repeats: a key held down is no new event).
const InputEvent* RecordInputEvent(const SDL_Event& event, const PointerNow& pointer);

// The last events recorded, oldest first; the log keeps kKeptInputEvents.
constexpr size_t kKeptInputEvents = 4096;
const std::deque<InputEvent>& RecordedInputEvents();
// The sequence number of the last event recorded (0 before the first).
uint32_t LastInputSequence();

// What the recorded events leave held now.
bool ButtonHeld(int button);
bool InputFocused();

// Forgets every event and what they held, as a new window that has seen
// nothing; focus counts as held. Numbering goes on, so no sequence number
// ever names two events.
void ForgetRecordedInput();

}  // namespace platform
