// The program's input codes: what CInput, the input router and the key
// bindings call each key, mouse axis and mouse button.
#pragma once

#include <cstdint>

// One input: a key (its virtual-key code, except five keys with codes of the
// program's own: 1 left Alt, 2 right Alt, 3 left Control, 4 right Control,
// 5 Tab), a mouse axis (2049, 2051, 2053) or a mouse button (2054 + button). -1 means none; the key queries
// below answer 0 for none.
using InputCode = int32_t;

constexpr InputCode kMouseAxisX = 2049;
constexpr InputCode kMouseAxisY = 2051;
constexpr InputCode kMouseWheel = 2053;
constexpr InputCode kMouseButton0 = 2054;

// The code of the key with DirectInput scan code `dik`: as a key held down
// (the pressed-key table: both Shifts 16, Enter none) and as a new press (the
// changed-key table: Enter 13, never a Shift, F10 or right Control). 0 for
// none.
InputCode PressedKeyCodeOf(uint8_t dik);
InputCode ChangedKeyCodeOf(uint8_t dik);

// DirectInput scan codes of the keys the program treats by name.
constexpr uint8_t kDikEscape = 0x01;
constexpr uint8_t kDikTab = 0x0F;
constexpr uint8_t kDikEnter = 0x1C;
constexpr uint8_t kDikLeftControl = 0x1D;
constexpr uint8_t kDikLeftShift = 0x2A;
constexpr uint8_t kDikRightShift = 0x36;
constexpr uint8_t kDikLeftAlt = 0x38;
constexpr uint8_t kDikSpace = 0x39;
constexpr uint8_t kDikF10 = 0x44;
constexpr uint8_t kDikNumpadEnter = 0x9C;
constexpr uint8_t kDikRightControl = 0x9D;
constexpr uint8_t kDikRightAlt = 0xB8;
constexpr uint8_t kDikLeftWindows = 0xDB;
constexpr uint8_t kDikRightWindows = 0xDC;
