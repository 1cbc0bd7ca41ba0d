// Readable names of input codes (keys, controller axes, buttons and POV
// directions) for the controls screen, the tool box and the help.
#pragma once

#include <cstdint>

// Writes the upper-case name of `code` with its terminating zero into
// `buffer` (callers pass a zero-filled buffer of at least 64 bytes) and
// returns 1; a code without a name writes nothing and returns 0.
int InputCodeName(char* buffer, int32_t code);
