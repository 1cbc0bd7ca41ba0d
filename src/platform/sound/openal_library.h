// The OpenAL library, loaded at run time by entry-point names.
//
// The program never links OpenAL: it opens the library when the OpenAL back
// end is chosen and resolves its 65 entry points into one table, in a fixed
// order. A missing library or entry point leaves the sound silent, never
// stops the program. The library names are injectable so tests can make the
// library missing.
#pragma once

#include <string>
#include <vector>

// The library's own public headers, for its types and constants only: every
// call goes through the table, never through a linked symbol.
#ifndef AL_NO_PROTOTYPES
#define AL_NO_PROTOTYPES
#endif
#ifndef ALC_NO_PROTOTYPES
#define ALC_NO_PROTOTYPES
#endif
#include <AL/al.h>
#include <AL/alc.h>

namespace platform {

// The entry points in table order.
#define VESK_OPENAL_ENTRY_POINTS(X)                                                                          \
    X(alEnable, LPALENABLE)                                                                                  \
    X(alDisable, LPALDISABLE)                                                                                \
    X(alIsEnabled, LPALISENABLED)                                                                            \
    X(alGetBoolean, LPALGETBOOLEAN)                                                                          \
    X(alGetInteger, LPALGETINTEGER)                                                                          \
    X(alGetFloat, LPALGETFLOAT)                                                                              \
    X(alGetDouble, LPALGETDOUBLE)                                                                            \
    X(alGetBooleanv, LPALGETBOOLEANV)                                                                        \
    X(alGetIntegerv, LPALGETINTEGERV)                                                                        \
    X(alGetFloatv, LPALGETFLOATV)                                                                            \
    X(alGetDoublev, LPALGETDOUBLEV)                                                                          \
    X(alGetString, LPALGETSTRING)                                                                            \
    X(alGetError, LPALGETERROR)                                                                              \
    X(alIsExtensionPresent, LPALISEXTENSIONPRESENT)                                                          \
    X(alGetProcAddress, LPALGETPROCADDRESS)                                                                  \
    X(alGetEnumValue, LPALGETENUMVALUE)                                                                      \
    X(alListeneri, LPALLISTENERI)                                                                            \
    X(alListenerf, LPALLISTENERF)                                                                            \
    X(alListener3f, LPALLISTENER3F)                                                                          \
    X(alListenerfv, LPALLISTENERFV)                                                                          \
    X(alGetListeneri, LPALGETLISTENERI)                                                                      \
    X(alGetListenerf, LPALGETLISTENERF)                                                                      \
    X(alGetListener3f, LPALGETLISTENER3F)                                                                    \
    X(alGetListenerfv, LPALGETLISTENERFV)                                                                    \
    X(alGenSources, LPALGENSOURCES)                                                                          \
    X(alDeleteSources, LPALDELETESOURCES)                                                                    \
    X(alIsSource, LPALISSOURCE)                                                                              \
    X(alSourcei, LPALSOURCEI)                                                                                \
    X(alSourcef, LPALSOURCEF)                                                                                \
    X(alSource3f, LPALSOURCE3F)                                                                              \
    X(alSourcefv, LPALSOURCEFV)                                                                              \
    X(alGetSourcei, LPALGETSOURCEI)                                                                          \
    X(alGetSourcef, LPALGETSOURCEF)                                                                          \
    X(alGetSourcefv, LPALGETSOURCEFV)                                                                        \
    X(alSourcePlayv, LPALSOURCEPLAYV)                                                                        \
    X(alSourceStopv, LPALSOURCESTOPV)                                                                        \
    X(alSourcePlay, LPALSOURCEPLAY)                                                                          \
    X(alSourcePause, LPALSOURCEPAUSE)                                                                        \
    X(alSourceStop, LPALSOURCESTOP)                                                                          \
    X(alGenBuffers, LPALGENBUFFERS)                                                                          \
    X(alDeleteBuffers, LPALDELETEBUFFERS)                                                                    \
    X(alIsBuffer, LPALISBUFFER)                                                                              \
    X(alBufferData, LPALBUFFERDATA)                                                                          \
    X(alGetBufferi, LPALGETBUFFERI)                                                                          \
    X(alGetBufferf, LPALGETBUFFERF)                                                                          \
    X(alSourceQueueBuffers, LPALSOURCEQUEUEBUFFERS)                                                          \
    X(alSourceUnqueueBuffers, LPALSOURCEUNQUEUEBUFFERS)                                                      \
    X(alDistanceModel, LPALDISTANCEMODEL)                                                                    \
    X(alDopplerFactor, LPALDOPPLERFACTOR)                                                                    \
    X(alDopplerVelocity, LPALDOPPLERVELOCITY)                                                                \
    X(alcGetString, LPALCGETSTRING)                                                                          \
    X(alcGetIntegerv, LPALCGETINTEGERV)                                                                      \
    X(alcOpenDevice, LPALCOPENDEVICE)                                                                        \
    X(alcCloseDevice, LPALCCLOSEDEVICE)                                                                      \
    X(alcCreateContext, LPALCCREATECONTEXT)                                                                  \
    X(alcMakeContextCurrent, LPALCMAKECONTEXTCURRENT)                                                        \
    X(alcProcessContext, LPALCPROCESSCONTEXT)                                                                \
    X(alcGetCurrentContext, LPALCGETCURRENTCONTEXT)                                                          \
    X(alcGetContextsDevice, LPALCGETCONTEXTSDEVICE)                                                          \
    X(alcSuspendContext, LPALCSUSPENDCONTEXT)                                                                \
    X(alcDestroyContext, LPALCDESTROYCONTEXT)                                                                \
    X(alcGetError, LPALCGETERROR)                                                                            \
    X(alcIsExtensionPresent, LPALCISEXTENSIONPRESENT)                                                        \
    X(alcGetProcAddress, LPALCGETPROCADDRESS)                                                                \
    X(alcGetEnumValue, LPALCGETENUMVALUE)

// One slot per entry point, named after it; null while unresolved.
struct OpenALFunctionTable {
#define VESK_OPENAL_SLOT(name, type) type name;
    VESK_OPENAL_ENTRY_POINTS(VESK_OPENAL_SLOT)
#undef VESK_OPENAL_SLOT
};

constexpr int kOpenALEntryPointCount = 65;
static_assert(sizeof(OpenALFunctionTable) == kOpenALEntryPointCount * sizeof(void*));

// The entry-point names, in table order.
extern const char* const kOpenALEntryPointNames[kOpenALEntryPointCount];

// Finds one entry point by name; null when it is missing.
using OpenALSymbolResolver = void* (*)(void* context, const char* name);

// Zeroes the table, then resolves the entry points in order. At the first
// missing one, writes "Failed to retrieve '<name>' function address" to the
// debug output (stderr) and returns false, keeping the entries found before
// it and leaving that one and all after it null.
bool FillOpenALFunctionTable(OpenALFunctionTable* table, OpenALSymbolResolver resolve, void* context);

// Opens the library (the first of the library names that loads; it is never
// unloaded) and fills the table from it. False without a table, without the
// library (no message) or with an entry point missing.
bool LoadOpenALLibrary(OpenALFunctionTable* table);

// The file names tried in order, "libopenal.so.1" then "libopenal.so" by
// default; an empty list restores the default.
void SetOpenALLibraryNames(std::vector<std::string> names);

}  // namespace platform
