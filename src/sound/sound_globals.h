// Process-wide sound state, one of each: the OpenAL entry points, whether all
// of them are loaded (every OpenAL call anywhere is skipped while it is 0),
// and the lock taken around stopping the streaming voice.
#pragma once

#include <cstdint>

#include "platform/critical_section.h"
#include "platform/sound/openal_library.h"

extern platform::OpenALFunctionTable OpenALFunctions;
extern uint8_t OpenALLoaded;
extern platform::CriticalSection SoundLock;
