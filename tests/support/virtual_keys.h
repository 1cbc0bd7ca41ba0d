// Virtual-key codes the tests press through the window's event queue.
#pragma once

constexpr int kVkEnter = 0x0D;
constexpr int kVkShift = 0x10;
constexpr int kVkCtrl = 0x11;
constexpr int kVkEscape = 0x1B;
constexpr int kVkSpace = 0x20;
constexpr int kVkDelete = 0x2E;
constexpr int kVkEquals = 0xBB;
constexpr int kVkMinus = 0xBD;
