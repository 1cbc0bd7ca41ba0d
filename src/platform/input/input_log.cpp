#include "platform/input/input_log.h"

#include <cstring>

#include "platform/clock.h"

namespace platform {

namespace {

constexpr int kButtons = 8;

struct InputLog {
    std::deque<InputEvent> events;
    uint32_t lastSequence = 0;
    bool keys[SDL_NUM_SCANCODES] = {};
    bool buttons[kButtons] = {};
    bool focused = true;  // the window starts with the focus (offscreen windows never get it)
};

InputLog& Log()
{
    static InputLog log;
    return log;
}

// SDL numbers buttons 1 left, 2 middle, 3 right, 4 and 5 the side buttons;
// DirectInput 0 left, 1 right, 2 middle, then the rest in order.
int DirectInputButton(int sdlButton)
{
    switch (sdlButton) {
    case SDL_BUTTON_LEFT: return 0;
    case SDL_BUTTON_RIGHT: return 1;
    case SDL_BUTTON_MIDDLE: return 2;
    default: break;
    }
    return sdlButton >= 4 && sdlButton <= kButtons ? sdlButton - 1 : -1;
}

// Fills `record` for an SDL event that is input; false for anything else,
// and for a change to the state a key or button already has.
bool Describe(const SDL_Event& event, InputEvent& record)
{
    InputLog& log = Log();
    switch (event.type) {
    case SDL_KEYDOWN:
    case SDL_KEYUP: {
        const int scancode = event.key.keysym.scancode;
        if (scancode <= SDL_SCANCODE_UNKNOWN || scancode >= SDL_NUM_SCANCODES) return false;
        const bool down = event.type == SDL_KEYDOWN;
        if (log.keys[scancode] == down) return false;
        log.keys[scancode] = down;
        record.kind = down ? InputEvent::Kind::KeyDown : InputEvent::Kind::KeyUp;
        record.scancode = scancode;
        return true;
    }
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP: {
        const int button = DirectInputButton(event.button.button);
        const bool down = event.type == SDL_MOUSEBUTTONDOWN;
        if (button < 0 || log.buttons[button] == down) return false;
        log.buttons[button] = down;
        record.kind = down ? InputEvent::Kind::ButtonDown : InputEvent::Kind::ButtonUp;
        record.button = button;
        return true;
    }
    case SDL_MOUSEMOTION:
        record.kind = InputEvent::Kind::Motion;
        record.dx = event.motion.xrel;
        record.dy = event.motion.yrel;
        return true;
    case SDL_MOUSEWHEEL:
        if (event.wheel.y == 0) return false;
        record.kind = InputEvent::Kind::Wheel;
        record.dy = event.wheel.direction == SDL_MOUSEWHEEL_FLIPPED ? -event.wheel.y : event.wheel.y;
        return true;
    case SDL_TEXTINPUT:
        record.kind = InputEvent::Kind::Text;
        std::strncpy(record.text, event.text.text, sizeof record.text - 1);
        return record.text[0] != '\0';
    case SDL_WINDOWEVENT:
        switch (event.window.event) {
        case SDL_WINDOWEVENT_LEAVE: record.kind = InputEvent::Kind::PointerLeft; return true;
        case SDL_WINDOWEVENT_FOCUS_GAINED:
            log.focused = true;
            record.kind = InputEvent::Kind::FocusGained;
            return true;
        case SDL_WINDOWEVENT_FOCUS_LOST:
            // Keys and buttons released in another window are never reported to this one.
            log.focused = false;
            std::memset(log.keys, 0, sizeof log.keys);
            std::memset(log.buttons, 0, sizeof log.buttons);
            record.kind = InputEvent::Kind::FocusLost;
            return true;
        default: return false;
        }
    default:
        return false;
    }
}

}  // namespace

const InputEvent* RecordInputEvent(const SDL_Event& event, const PointerNow& pointer)
{
    InputEvent record;
    if (!Describe(event, record)) return nullptr;
    InputLog& log = Log();
    record.sequence = ++log.lastSequence;
    record.time = TimeGetTime();
    record.pointerKnown = pointer.known;
    record.pointerInWindow = pointer.inWindow;
    record.pointerHeld = pointer.held;
    record.x = pointer.x;
    record.y = pointer.y;
    if (log.events.size() >= kKeptInputEvents) log.events.pop_front();
    log.events.push_back(record);
    return &log.events.back();
}

const std::deque<InputEvent>& RecordedInputEvents() { return Log().events; }

uint32_t LastInputSequence() { return Log().lastSequence; }

bool ButtonHeld(int button) { return button >= 0 && button < kButtons && Log().buttons[button]; }

bool InputFocused() { return Log().focused; }

void ForgetRecordedInput()
{
    InputLog& log = Log();
    log.events.clear();
    std::memset(log.keys, 0, sizeof log.keys);
    std::memset(log.buttons, 0, sizeof log.buttons);
    log.focused = true;
}

}  // namespace platform
