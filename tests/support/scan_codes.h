// DirectInput scan codes the input tests type with the fake device.
#pragma once

#include <cstdint>

namespace scan_code {

constexpr uint8_t kEscape = 1;
constexpr uint8_t kMinus = 12;
constexpr uint8_t kEquals = 13;
constexpr uint8_t kTab = 15;
constexpr uint8_t kW = 17;
constexpr uint8_t kEnter = 28;
constexpr uint8_t kLeftControl = 29;
constexpr uint8_t kT = 20;
constexpr uint8_t kA = 30;
constexpr uint8_t kG = 34;
constexpr uint8_t kLeftShift = 42;
constexpr uint8_t kC = 46;
constexpr uint8_t kN = 49;
constexpr uint8_t kRightShift = 54;
constexpr uint8_t kLeftAlt = 56;
constexpr uint8_t kF10 = 68;
constexpr uint8_t kNumpadMinus = 74;
constexpr uint8_t kRightControl = 157;
constexpr uint8_t kRightAlt = 184;
constexpr uint8_t kLeftArrow = 203;
constexpr uint8_t kDelete = 211;

}  // namespace scan_code
