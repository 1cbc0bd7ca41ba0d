// Keyboard and mouse through DirectInput, turned into the program's input
// codes. One CInput for the whole run: start-up creates it after the main
// window and initialises it; the main loop polls keyboard, mouse and
// controllers once per pass while `active` is set; the scene and the menus
// then ask which keys are down, which went down in this pass, how the mouse
// moved, and read the mouse buttons from `mouseState` and `buttonChanged`.
// The order of presses and who each is for are the input router's
// (input/input_router.h), which CInput holds beside its devices.
//
// Game controllers are enumerated and configured at initialisation and then
// released, so none is ever read.
#pragma once

#include <cstdint>

#include "input/input_codes.h"
#include "input/input_router.h"
#include "platform/hresult.h"
#include "platform/input/dinput.h"

constexpr int kMaxControllers = 4;

class CInput {
public:
    // Every member zero, then `active` 1 and `axisRange` 32000.
    CInput();
    // The program keeps its one CInput to the end; a CInput that goes away
    // (tests) gives its devices back.
    ~CInput();
    CInput(const CInput&) = delete;
    CInput& operator=(const CInput&) = delete;

    // Creates DirectInput, the keyboard and the mouse (shared, foreground, for
    // `window`; null is accepted), configures and releases the controllers.
    // Nothing is acquired here. A creation failure shows its "Error on ..."
    // message box and returns the error (negative).
    HResult InitInput(dinput::WindowHandle window);
    // Unacquires and releases keyboard, mouse, controllers, then DirectInput.
    void ReleaseDevices();
    // Opens up to four controllers, configures them, and releases them again.
    HResult InitJoysticks();

    // Acquires keyboard, mouse and every open controller. Returns 0.
    HResult AcquireDevices();

    // One read each, once per main-loop pass. PollKeyboard returns 0;
    // PollMouse the read's result, or after a failed read the re-acquire's;
    // PollJoysticks -1 when no controller is open (always, after InitInput).
    HResult PollKeyboard();
    HResult PollMouse();
    HResult PollJoysticks();

    // Keys down in the last keyboard read, walked in scan-code order.
    int PressedKeyCount() const;
    InputCode PressedKeyCode(int index) const;
    // Keys that went down in the last keyboard read (never F10 or right Control).
    int ChangedKeyCount() const;
    InputCode ChangedKeyCode(int index) const;
    // Mouse motion of the last read by code: 2049 X, 2051 Y, 2053 the wheel
    // (120 a notch); other codes read 0.
    int32_t GetMouseAxis(InputCode code) const;

    // Re-creates the mouse with exclusive (non-zero) or shared (0) foreground
    // access, and acquires it at once, so no press made before the next poll
    // is lost (when it cannot be acquired now, the next PollMouse tries again
    // and returns no data). -1 without a mouse.
    HResult SetMouseExclusive(int exclusive);

    dinput::WindowHandle window = nullptr;
    dinput::DirectInput8* directInput = nullptr;
    dinput::DirectInputDevice8* keyboard = nullptr;
    dinput::DirectInputDevice8* mouse = nullptr;
    dinput::DirectInputDevice8* controllers[kMaxControllers] = {};
    int32_t controllerCount = 0;
    // The main loop polls only while this is set.
    int32_t active = 0;
    int32_t keyboardAcquired = 0;
    int32_t mouseAcquired = 0;
    int32_t controllerAcquired[kMaxControllers] = {};
    int32_t devicesAcquired = 0;
    dinput::JoyState2 controllerStates[kMaxControllers] = {};
    // Last keyboard read by DirectInput scan code; bit 7 set = down.
    uint8_t keyState[256] = {};
    // Last recorded value of each key.
    int32_t keyPrevious[256] = {};
    // The new value (0x80) of each key that went down in the last keyboard read; 0 otherwise.
    int32_t keyChanged[256] = {};
    // Last mouse read: motion since the read before, wheel, buttons (bit 7 = down;
    // 0 left, 1 right, 2 middle).
    dinput::MouseState2 mouseState = {};
    // Last recorded value of each mouse button.
    int32_t buttonPrevious[8] = {};
    // The new value (0x80) of each button that went down in the last mouse read; 0 otherwise.
    int32_t buttonChanged[8] = {};
    // Controller axes are set to -axisRange..axisRange.
    int32_t axisRange = 0;
    // 1 while the mouse is held exclusively; callers read it before switching.
    int32_t mouseExclusive = 0;
    // Who each key press, click, move and turn of the wheel is for, pass by pass.
    InputRouter router;
};
