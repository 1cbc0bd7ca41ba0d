// Index
//   - One pass
//   - Who takes an event
//   - Where a pass stops
//   - What the routed events hold
//   - Presses made for another screen
#include "input/input_router.h"

#include <algorithm>
#include <utility>

#include "platform/clock.h"

namespace {

using platform::InputEvent;
using Kind = platform::InputEvent::Kind;

bool IsModifier(uint8_t dik)
{
    switch (dik) {
    case kDikLeftControl: case kDikRightControl: case kDikLeftShift: case kDikRightShift:
    case kDikLeftAlt: case kDikRightAlt: case kDikLeftWindows: case kDikRightWindows: return true;
    default: return false;
    }
}

bool IsKey(Kind kind) { return kind == Kind::KeyDown || kind == Kind::KeyUp; }
bool IsButton(Kind kind) { return kind == Kind::ButtonDown || kind == Kind::ButtonUp; }

// A second press this soon after a click that opened or closed something,
// and where it was, is the second half of a double click, however slow the
// hand: users were seen pressing again up to 600 ms later, past the 500 ms
// within which the scene counts two clicks as one.
constexpr uint32_t kSlowDoubleClickMs = 800;
// No farther apart than Dear ImGui's double click (its default), in pixels.
constexpr double kDoubleClickReach = 6.0;

// What the interface was given so far in one pass: Dear ImGui 1.86 sees one
// state of each key and button per frame, at one pointer position, and the
// frame's typed text before its keys. An event it could not see as it
// happened after these waits for the next pass.
struct InterfaceFrameSoFar {
    bool typed = false;          // keys or text the interface took
    bool editKeyPressed = false;
    bool editKeyChanged[512] = {};
    bool pointerMoved = false;
    bool buttonHeld = false;     // a button the interface saw go down is still down
    bool wheelTurned = false;
    bool anything = false;

    bool MustWait(const RoutedEvent& routed) const
    {
        if (!anything) return false;  // every pass takes at least one event
        const InputEvent& event = routed.event;
        const bool interfaces = routed.owner == InputOwner::Interface;
        switch (event.kind) {
        case Kind::Text: return interfaces && editKeyPressed;
        case Kind::KeyDown:
        case Kind::KeyUp:
            if (!interfaces) return false;
            if (IsModifier(event.dik)) return editKeyPressed;
            return editKeyChanged[event.scancode & 511];
        case Kind::ButtonDown:
        case Kind::ButtonUp:
            // A click has a frame of its own, after what was typed before it
            // and after the last move of a drag.
            return typed || (pointerMoved && buttonHeld);
        case Kind::Motion:
        case Kind::PointerLeft: return wheelTurned;  // the wheel scrolls where it was turned
        default: return false;
        }
    }

    void Note(const RoutedEvent& routed, bool editKey)
    {
        anything = true;
        const InputEvent& event = routed.event;
        const bool interfaces = routed.owner == InputOwner::Interface;
        switch (event.kind) {
        case Kind::Text: typed = typed || interfaces; break;
        case Kind::KeyDown:
        case Kind::KeyUp:
            if (!interfaces) break;
            typed = true;
            if (editKey) {
                editKeyChanged[event.scancode & 511] = true;
                if (event.kind == Kind::KeyDown) editKeyPressed = true;
            }
            break;
        case Kind::ButtonDown: buttonHeld = true; break;
        case Kind::Motion:
        case Kind::PointerLeft: pointerMoved = true; break;
        case Kind::Wheel: wheelTurned = true; break;
        default: break;
        }
    }
};

}  // namespace

// ---------------------------------------------------------------------------
// One pass
// ---------------------------------------------------------------------------
void InputRouter::Route(const ProgramInput& program)
{
    events_.clear();
    interfaceEvents_.clear();
    interfaceTookClick_ = false;
    clickThisPass_ = false;
    if (platform::InputLogGeneration() != logGeneration_) {
        // A new window: nothing the old one held is held here.
        logGeneration_ = platform::InputLogGeneration();
        ForgetHeld();
    }
    // The interface's last frame speaks for what is shown only when it was
    // drawn for it: the front end's text field, still active as a world it
    // made opens, holds nothing of that world.
    interfaceCounts_ = !frameViewKnown_ || frameView_ == program.view;
    holds_ = interfaceCounts_ ? platform::WhatTheInterfaceHolds() : platform::InterfaceHolds {};
    pointerShown_ = !(program.takesInput && program.pointerHeld);

    InterfaceFrameSoFar frame;
    size_t taken = 0;
    for (const InputEvent& event : platform::PendingInputEvents()) {
        RoutedEvent routed = Decide(event, program);
        const bool fed = FedToInterface(routed);
        if (fed && frame.MustWait(routed)) break;
        Follow(routed, fed);
        events_.push_back(routed);
        ++taken;
        if (fed) {
            interfaceEvents_.push_back(event);
            frame.Note(routed, IsKey(event.kind) && platform::InterfaceEditKey(event.scancode, routed.ctrl || superHeld_));
            if (IsButton(event.kind) && routed.owner == InputOwner::Interface) interfaceTookClick_ = true;
        }
        if (MayChangeOwners(routed, program, fed)) break;
    }
    platform::TakeInputEvents(taken);
}

// ---------------------------------------------------------------------------
// Who takes an event
// ---------------------------------------------------------------------------
RoutedEvent InputRouter::Decide(const InputEvent& event, const ProgramInput& program) const
{
    RoutedEvent routed;
    routed.event = event;
    routed.pointerHeld = program.takesInput && program.pointerHeld;
    // Keys are the program's unless a text field or a popup takes them, also
    // in the front end, where nothing acts on them: a key held there as a
    // world opens is held in the world.
    const bool keysToInterface = holds_.typing || holds_.popup;
    switch (event.kind) {
    case Kind::KeyDown:
        routed.owner = keysToInterface ? InputOwner::Interface : InputOwner::Program;
        routed.code = ChangedKeyCodeOf(event.dik);
        break;
    case Kind::KeyUp: {
        // A release goes where its press went.
        const int key = event.scancode;
        routed.owner = key >= 0 && key < kKeys && keyDown_[key] ? keyOwner_[key]
                       : keysToInterface                         ? InputOwner::Interface
                                                                 : InputOwner::Program;
        break;
    }
    case Kind::Text: routed.owner = keysToInterface ? InputOwner::Interface : InputOwner::Program; break;
    case Kind::ButtonDown:
        routed.code = kMouseButton0 + event.button;
        routed.owner = MadeForAnotherScreen(event, program.view) ? InputOwner::Nobody : PointerOwner(event, program);
        break;
    case Kind::ButtonUp:
        routed.code = kMouseButton0 + event.button;
        routed.owner = event.button >= 0 && event.button < kButtons && buttonDown_[event.button]
                           ? buttonOwner_[event.button]
                           : PointerOwner(event, program);
        break;
    case Kind::Motion:
        // The moves of a drag follow the press that began it.
        routed.owner = PointerOwner(event, program);
        for (int button = 0; button < kButtons; ++button)
            if (buttonDown_[button] && buttonOwner_[button] != InputOwner::Nobody) routed.owner = buttonOwner_[button];
        break;
    case Kind::Wheel: routed.owner = PointerOwner(event, program); break;
    case Kind::PointerLeft: routed.owner = InputOwner::Interface; break;
    case Kind::FocusLost:
    case Kind::FocusGained: routed.owner = program.takesInput ? InputOwner::Program : InputOwner::Interface; break;
    }
    return routed;
}

// A click, a turn of the wheel or a move: the interface's where the pointer
// was over one of its windows (or a popup or a held item has the mouse),
// the program's elsewhere and whenever it held the pointer.
InputOwner InputRouter::PointerOwner(const InputEvent& event, const ProgramInput& program) const
{
    if (!program.takesInput) return InputOwner::Interface;
    if (program.pointerHeld) return InputOwner::Program;
    if (holds_.popup || holds_.mouse) return InputOwner::Interface;
    const bool over = interfaceCounts_ && event.pointerKnown && event.pointerInWindow &&
                      platform::InterfaceWindowAt(event.x, event.y);
    return over ? InputOwner::Interface : InputOwner::Program;
}

// The interface sees every key and what is typed (it keeps the modifiers),
// the pointer while it is free, the clicks made with it then (and the
// release of each click it saw), the turns of the wheel it takes, and the
// focus coming and going.
bool InputRouter::FedToInterface(const RoutedEvent& routed) const
{
    const InputEvent& event = routed.event;
    switch (event.kind) {
    case Kind::KeyDown:
    case Kind::KeyUp:
    case Kind::Text: return routed.owner != InputOwner::Nobody;
    case Kind::ButtonDown: return routed.owner != InputOwner::Nobody && !routed.pointerHeld;
    case Kind::ButtonUp: return event.button >= 0 && event.button < kButtons && buttonFed_[event.button];
    case Kind::Motion:
    case Kind::PointerLeft: return !routed.pointerHeld;
    case Kind::Wheel: return routed.owner == InputOwner::Interface;
    case Kind::FocusLost:
    case Kind::FocusGained: return true;
    }
    return false;
}

// ---------------------------------------------------------------------------
// Where a pass stops: after an event whose effect may change who takes the
// next ones, whoever took it.
// ---------------------------------------------------------------------------
bool InputRouter::MayChangeOwners(const RoutedEvent& routed, const ProgramInput& program, bool fed) const
{
    const InputEvent& event = routed.event;
    // A click the interface saw may open, close or move a window, start or
    // end typing, or hold an item; and it sees a press and its release only
    // in frames of their own.
    if (IsButton(event.kind) && fed) return true;
    if (routed.owner == InputOwner::Nobody) return false;
    // What the program does with an event, or because of one (Shift frees
    // the mouse whoever takes it), only the program knows.
    if (program.mayChangeOwners && program.mayChangeOwners(routed)) return true;
    if (routed.owner != InputOwner::Interface || event.kind != Kind::KeyDown) return false;
    if (holds_.popup) return true;  // any key may answer it
    return holds_.typing && (event.dik == kDikEnter || event.dik == kDikNumpadEnter || event.dik == kDikEscape ||
                             event.dik == kDikTab);
}

// ---------------------------------------------------------------------------
// What the routed events hold
// ---------------------------------------------------------------------------
void InputRouter::Follow(RoutedEvent& routed, bool fed)
{
    const InputEvent& event = routed.event;
    switch (event.kind) {
    case Kind::KeyDown:
    case Kind::KeyUp:
        if (event.scancode >= 0 && event.scancode < kKeys) {
            keyDown_[event.scancode] = event.kind == Kind::KeyDown;
            if (event.kind == Kind::KeyDown) {
                keyOwner_[event.scancode] = routed.owner;
                keyDik_[event.scancode] = event.dik;
            }
        }
        break;
    case Kind::ButtonDown:
    case Kind::ButtonUp:
        if (event.button >= 0 && event.button < kButtons) {
            const bool down = event.kind == Kind::ButtonDown;
            buttonDown_[event.button] = down;
            buttonOwner_[event.button] = routed.owner;
            buttonFed_[event.button] = down && fed;
        }
        if (routed.owner != InputOwner::Nobody) clickThisPass_ = true;
        if (event.kind == Kind::ButtonDown && event.button == 0 && routed.owner != InputOwner::Nobody)
            lastPress_ = Click {true, event.time, event.x, event.y};
        break;
    case Kind::FocusLost: ForgetHeld(); break;
    default: break;
    }
    routed.leftButton = buttonDown_[0];
    routed.ctrl = routed.shift = routed.alt = routed.space = superHeld_ = false;
    for (int key = 0; key < kKeys; ++key) {
        if (!keyDown_[key]) continue;
        const uint8_t dik = keyDik_[key];
        routed.ctrl = routed.ctrl || dik == kDikLeftControl || dik == kDikRightControl;
        routed.shift = routed.shift || dik == kDikLeftShift || dik == kDikRightShift;
        routed.alt = routed.alt || dik == kDikLeftAlt || dik == kDikRightAlt;
        routed.space = routed.space || dik == kDikSpace;
        superHeld_ = superHeld_ || dik == kDikLeftWindows || dik == kDikRightWindows;
    }
}

void InputRouter::ForgetHeld()
{
    std::fill(std::begin(keyDown_), std::end(keyDown_), false);
    std::fill(std::begin(buttonDown_), std::end(buttonDown_), false);
    std::fill(std::begin(buttonFed_), std::end(buttonFed_), false);
}

std::vector<InputCode> InputRouter::ProgramHeldKeys() const
{
    std::vector<std::pair<uint8_t, InputCode>> held;
    for (int key = 0; key < kKeys; ++key) {
        if (!keyDown_[key] || keyOwner_[key] != InputOwner::Program) continue;
        const uint8_t dik = keyDik_[key];
        const InputCode code = PressedKeyCodeOf(dik);
        if (code != 0) held.emplace_back(dik, code);
    }
    std::sort(held.begin(), held.end());
    held.erase(std::unique(held.begin(), held.end()), held.end());
    std::vector<InputCode> codes;
    for (const auto& key : held) codes.push_back(key.second);
    return codes;
}

bool InputRouter::ShiftHeld() const
{
    for (int key = 0; key < kKeys; ++key) {
        if (!keyDown_[key]) continue;
        const uint8_t dik = keyDik_[key];
        if (dik == kDikLeftShift || dik == kDikRightShift) return true;
    }
    return false;
}

// ---------------------------------------------------------------------------
// Presses made for another screen
// ---------------------------------------------------------------------------
void InputRouter::NoteInterfaceFrame(uint32_t view, uint64_t shown, bool leaving)
{
    frameViewKnown_ = true;
    frameView_ = view;
    const bool changed = leaving || !shownKnown_ || shown != frameShown_;
    // The click of this pass (its press, or its release: buttons act on
    // either) opened or closed what the frame ended with.
    if (changed && clickThisPass_ && lastPress_.known) opening_ = lastPress_;
    shownKnown_ = true;
    frameShown_ = shown;
}

void InputRouter::NoteFramePresented()
{
    if (!shownKnown_ || (shownSinceKnown_ && frameShown_ == presentedShown_)) return;
    presentedShown_ = frameShown_;
    presentedView_ = frameView_;
    shownSince_ = platform::TimeGetTime();
    shownSinceKnown_ = true;
}

bool InputRouter::MadeForAnotherScreen(const InputEvent& press, uint32_t view) const
{
    // Made before the user could see what is shown now (a view never
    // presented yet included): aimed at what was.
    if (shownSinceKnown_ && (presentedView_ != view || static_cast<int32_t>(press.time - shownSince_) < 0))
        return true;
    if (press.button != 0) return false;
    // The second half of a double click whose first half opened or closed it.
    if (!opening_.known || press.time - opening_.time >= kSlowDoubleClickMs) return false;
    const double dx = press.x - opening_.x;
    const double dy = press.y - opening_.y;
    return dx * dx + dy * dy <= kDoubleClickReach * kDoubleClickReach;
}
