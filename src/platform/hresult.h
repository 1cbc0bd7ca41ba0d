// HRESULT-style results, as the program's Windows-shaped calls return them.
// Failure is negative; the program's own failures are -1.
#pragma once

#include <cstdint>

using HResult = int32_t;

constexpr HResult S_OK = 0;
constexpr HResult S_FALSE = 1;
constexpr HResult E_FAIL = static_cast<HResult>(0x80004005u);
constexpr HResult E_INVALIDARG = static_cast<HResult>(0x80070057u);
constexpr HResult E_OUTOFMEMORY = static_cast<HResult>(0x8007000Eu);
constexpr HResult E_NOTIMPL = static_cast<HResult>(0x80004001u);
constexpr HResult E_POINTER = static_cast<HResult>(0x80004003u);
constexpr HResult E_HANDLE_EOF = static_cast<HResult>(0x80070026u);  // ERROR_HANDLE_EOF as an HRESULT

inline bool Failed(HResult hr) { return hr < 0; }
inline bool Succeeded(HResult hr) { return hr >= 0; }

// errno values map into the Win32 facility, as HRESULT_FROM_WIN32 would.
inline HResult HResultFromErrno(int error)
{
    if (error == 0) return S_OK;
    return static_cast<HResult>(0x80070000u | (static_cast<uint32_t>(error) & 0xFFFFu));
}
