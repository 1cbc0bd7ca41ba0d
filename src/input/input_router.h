// Who each input event is for, decided in one place: the interface (the Dear
// ImGui windows of the front end or over a scene) or the program (the
// scene's own handling of keys and the mouse), or nobody.
//
// Once per main-loop pass the router takes the events the window recorded
// (platform/input/input_log.h), oldest first, each with the time it was
// made, and decides each one against what the events before it left: a
// text field or a popup takes the keys, a window takes the clicks, wheel
// turns and moves made over it, an exclusive mouse gives the program the
// pointer, a press's release and the moves of a drag follow the press. It
// stops after an event whose effect may change who takes the next ones (a
// click the interface takes, Enter in a text field, a key that opens a
// window or frees the mouse), whoever takes it; the rest wait for the next
// pass, decided against what this pass's frame leaves. It also stops before
// an event the interface could not see as it happened in one frame (Dear
// ImGui 1.86 reads each key and button once per frame). So the interface and
// the program each get their events of one pass in the order made, never
// one event both, and no press is lost however many moves came with it.
//
// A press made for another screen is nobody's, nor is its release: any press
// made before what is shown now was first presented, and the second half of
// a left double click whose first half opened or closed something.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "input/input_codes.h"
#include "platform/imgui_backends.h"
#include "platform/input/input_log.h"

enum class InputOwner : uint8_t { Interface, Program, Nobody };

struct RoutedEvent {
    platform::InputEvent event;
    InputOwner owner = InputOwner::Nobody;
    // A key's code as a new press gives it (the changed-key table: Enter 13,
    // never Shift, F10 or right Control), or kMouseButton0 + a button; 0
    // for anything else.
    InputCode code = 0;
    // The program held the pointer as it was made (an exclusive mouse): it
    // pointed at no window, and a move turns the camera.
    bool pointerHeld = false;
    // Held as it was made (after its own change), whoever took them.
    bool ctrl = false;
    bool shift = false;
    bool alt = false;
    bool space = false;
    bool leftButton = false;
};

// What the program shows and does, told to the router at each pass.
struct ProgramInput {
    uint32_t view = 0;         // what is shown: 0 the front end, another number one running scene
    bool takesInput = false;   // the program handles what the interface does not take
    bool pointerHeld = false;  // it holds the pointer (an exclusive mouse)
    // Whether the program's handling of an event (of any it takes, or one it
    // follows whoever takes it) may change who takes the next ones: open or
    // close a window, capture or free the mouse.
    std::function<bool(const RoutedEvent&)> mayChangeOwners;
};

class InputRouter {
public:
    // One main-loop pass: decides the events recorded and not taken yet, up
    // to where the pass must stop, and takes them from the log.
    void Route(const ProgramInput& program);

    // This pass's events with their owners, in the order made.
    const std::vector<RoutedEvent>& Events() const { return events_; }
    // What the interface's frame of this pass sees: keys and text, and
    // where the pointer went and what it did while it was free.
    const std::vector<platform::InputEvent>& InterfaceEvents() const { return interfaceEvents_; }
    bool PointerShownToInterface() const { return pointerShown_; }
    // The interface took a click (press or release) this pass.
    bool InterfaceTookClick() const { return interfaceTookClick_; }

    // After this pass's events: the keys the program holds (down, and
    // pressed while it took the keys), as the pressed-key table gives them,
    // in scan-code order; and Shift, held by anyone.
    std::vector<InputCode> ProgramHeldKeys() const;
    bool ShiftHeld() const;

    // The interface frame of this pass was drawn for `view` and, once laid
    // out, shows `shown` (a number equal for frames that show the same
    // windows and dialogs). `leaving`: it asked for another view.
    void NoteInterfaceFrame(uint32_t view, uint64_t shown, bool leaving);
    // The frame was presented (whatever the present answered): what it
    // shows is seen from now on.
    void NoteFramePresented();

private:
    struct Click {
        bool known = false;
        uint32_t time = 0;
        double x = 0.0;
        double y = 0.0;
    };

    RoutedEvent Decide(const platform::InputEvent& event, const ProgramInput& program) const;
    InputOwner PointerOwner(const platform::InputEvent& event, const ProgramInput& program) const;
    bool MadeForAnotherScreen(const platform::InputEvent& press, uint32_t view) const;
    bool FedToInterface(const RoutedEvent& routed) const;
    bool MayChangeOwners(const RoutedEvent& routed, const ProgramInput& program, bool fed) const;
    void Follow(RoutedEvent& routed, bool fed);
    void ForgetHeld();

    std::vector<RoutedEvent> events_;
    std::vector<platform::InputEvent> interfaceEvents_;
    bool pointerShown_ = true;
    bool interfaceTookClick_ = false;
    uint32_t logGeneration_ = 0;

    // What the events routed so far hold, by SDL scancode and button, and
    // who took each press.
    static constexpr int kKeys = 512;
    static constexpr int kButtons = 8;
    bool keyDown_[kKeys] = {};
    uint8_t keyDik_[kKeys] = {};
    InputOwner keyOwner_[kKeys] = {};
    bool superHeld_ = false;
    bool buttonDown_[kButtons] = {};
    InputOwner buttonOwner_[kButtons] = {};
    bool buttonFed_[kButtons] = {};

    // The interface as its last frame left it, and whether that frame was
    // drawn for what the program shows now.
    platform::InterfaceHolds holds_;
    bool interfaceCounts_ = true;
    bool frameViewKnown_ = false;
    uint32_t frameView_ = 0;

    // What was shown, since when, and the click that last changed it.
    bool clickThisPass_ = false;
    Click lastPress_;
    Click opening_;
    bool shownKnown_ = false;
    uint64_t frameShown_ = 0;
    uint64_t presentedShown_ = 0;
    uint32_t presentedView_ = 0;
    bool shownSinceKnown_ = false;
    uint32_t shownSince_ = 0;
};
