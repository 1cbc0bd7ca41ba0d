// The one table from SDL scancodes (key positions, as USB HID numbers them) to
// DirectInput scan codes (DIK values: set-1 scan codes, 0x80 added for the
// extended keys). Layer-internal.
#pragma once

#include <cstdint>

namespace dinput {

// The DIK code of an SDL scancode; 0 for keys DirectInput has no code for.
uint8_t DikFromScancode(int sdlScancode);

// The SDL scancode that gives this DIK code (the first one, where two keys
// share a code); 0 (unknown) when none does. Lets the test seam type by DIK.
int ScancodeFromDik(uint8_t dik);

}  // namespace dinput
