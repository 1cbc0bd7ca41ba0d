// The test seam of the input layer: a stand-in for the system behind it, so
// tests drive keyboard, mouse, focus and controllers with no SDL video at all.
//
// Typed input still travels as SDL events through DispatchEventToInput (built
// here, so callers need no SDL header); only the calls the layer would make of
// SDL itself (relative mouse mode, joysticks, haptics) go to recorded fakes.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/hresult.h"

namespace dinput::fake {

struct FakeController {
    std::string name;
    int axes = 2;
    int pointsOfView = 0;
    int buttons = 4;
    bool forceFeedback = false;
};

// Switches to the fake system and resets the layer's input state: focus held,
// no key or button down, no controller attached, no forced results, counters 0.
// Devices created before stay alive and keep their own state.
void UseFakeSystem();
// Back to SDL (also resets the input state).
void UseSdlSystem();

// Input, by DirectInput scan code and button number (0 left, 1 right, 2 middle).
void KeyDown(uint8_t dik);
void KeyUp(uint8_t dik);
void MoveMouse(int dx, int dy);
void TurnWheel(int notches);  // positive: away from the user
void PressButton(int button);
void ReleaseButton(int button);
void LoseFocus();
void GainFocus();

// Whether the layer holds the pointer in relative mode (an acquired exclusive mouse).
bool RelativeMouseMode();

// Controllers attached to the fake system, in enumeration order.
void SetControllers(const std::vector<FakeController>& controllers);
int OpenControllerCount();
int MostControllersOpenAtOnce();
int AxisRangesSet();  // SetAxisRange calls that succeeded since the last reset

// Makes every Acquire answer `result` (nullopt: behave normally); counts the calls.
void ForceAcquireResult(std::optional<HResult> result);
int AcquireCallCount();

}  // namespace dinput::fake
