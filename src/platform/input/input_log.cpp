#include "platform/input/input_log.h"

#include <SDL.h>

#include <algorithm>
#include <cstring>
#include <limits>
#include <vector>

#include "platform/input/event_times.h"
#include "platform/input/scan_codes.h"

namespace platform {

namespace {

constexpr int kButtons = 8;
// Message boxes remembered at once; an older one's time is long past.
constexpr size_t kSilencedSpans = 8;

struct Span {
    uint32_t from = 0;
    uint32_t to = 0;
};

struct InputLog {
    std::deque<InputEvent> pending;
    uint32_t lastSequence = 0;
    uint32_t generation = 0;
    bool keys[SDL_NUM_SCANCODES] = {};
    bool buttons[kButtons] = {};
    bool focused = true;  // the window starts with the focus (offscreen windows never get it)
    std::vector<Span> silenced;
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

bool Silenced(uint32_t made)
{
    for (const Span& span : Log().silenced)
        if (made - span.from <= span.to - span.from) return true;  // unsigned: right across the clock's wrap
    return false;
}

// What a message box silences: everything done to the window but letting go.
bool StartsSomething(const SDL_Event& event)
{
    switch (event.type) {
    case SDL_KEYDOWN:
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEMOTION:
    case SDL_MOUSEWHEEL:
    case SDL_TEXTINPUT: return true;
    default: return false;
    }
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
        record.dik = dinput::DikFromScancode(scancode);
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
        std::memcpy(record.text, event.text.text, sizeof record.text - 1);  // the last byte stays 0
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

int32_t AddSaturated(int32_t total, int32_t amount)
{
    const int64_t sum = int64_t{total} + amount;
    return static_cast<int32_t>(std::clamp<int64_t>(sum, std::numeric_limits<int32_t>::min(),
                                                    std::numeric_limits<int32_t>::max()));
}

// A move after a move, or a turn of the wheel after a turn, joins the one
// before it: what lies between two other events is their sum, made and
// ending where the last of them did.
bool MergeIntoLast(const InputEvent& record)
{
    std::deque<InputEvent>& pending = Log().pending;
    if (pending.empty()) return false;
    InputEvent& last = pending.back();
    if (last.kind != record.kind) return false;
    if (record.kind != InputEvent::Kind::Motion && record.kind != InputEvent::Kind::Wheel) return false;
    const int32_t dx = AddSaturated(last.dx, record.dx);
    const int32_t dy = AddSaturated(last.dy, record.dy);
    last = record;
    last.dx = dx;
    last.dy = dy;
    if (last.kind == InputEvent::Kind::Wheel && last.dy == 0) pending.pop_back();  // turned back and forth
    return true;
}

}  // namespace

bool RecordInputEvent(const SDL_Event& event, const PointerNow& pointer, InputEvent* recorded)
{
    const uint32_t made = MadeTimeOf(event);
    if (StartsSomething(event) && Silenced(made)) return false;
    InputEvent record;
    if (!Describe(event, record)) return false;
    InputLog& log = Log();
    record.sequence = ++log.lastSequence;
    record.time = made;
    record.pointerKnown = pointer.known;
    record.pointerInWindow = pointer.inWindow;
    record.x = pointer.x;
    record.y = pointer.y;
    if (!MergeIntoLast(record)) log.pending.push_back(record);
    if (recorded) *recorded = record;
    return true;
}

const std::deque<InputEvent>& PendingInputEvents() { return Log().pending; }

void TakeInputEvents(size_t count)
{
    std::deque<InputEvent>& pending = Log().pending;
    pending.erase(pending.begin(), pending.begin() + static_cast<std::ptrdiff_t>(std::min(count, pending.size())));
}

uint32_t InputLogGeneration() { return Log().generation; }

void SilenceInputMadeBetween(uint32_t from, uint32_t to)
{
    std::vector<Span>& silenced = Log().silenced;
    if (silenced.size() >= kSilencedSpans) silenced.erase(silenced.begin());
    silenced.push_back({from, to});
}

bool ButtonHeld(int button) { return button >= 0 && button < kButtons && Log().buttons[button]; }

bool InputFocused() { return Log().focused; }

void ForgetRecordedInput()
{
    InputLog& log = Log();
    log.pending.clear();
    std::memset(log.keys, 0, sizeof log.keys);
    std::memset(log.buttons, 0, sizeof log.buttons);
    log.focused = true;
    log.silenced.clear();
    ++log.generation;
}

}  // namespace platform
