// D3DX11CompileFromFileW in place: compiles one stage of an .fx file.
//
// Our .fx files are GLSL 4.50 sources holding both stages of one effect. The
// profile picks the stage ("vs_..." vertex, "ps_..." pixel) and the entry
// point names the stage's function, so compiling entry "VS" with "vs_4_0"
// reads the file with this prelude in front of it:
//
//   #version 450 core
//   #define VERTEX_SHADER 1
//   #define VS main
//
// and entry "PS" with "ps_4_0" with PIXEL_SHADER and `#define PS main`. A
// `#line 1` follows the prelude, so the compiler's line numbers are the
// file's own.
//
// The stage is really compiled and linked as a separable GL program (the
// device makes its programs the same way), so every error the device could
// meet later is reported here, with the log in the error blob and on stderr
// (in place of the debugger output). The code blob holds the complete source
// text, prelude included; the device builds its program from that.
//
// The path may use '\' as the program writes it; a file name whose case
// differs from the one on disk (files there are lower case) is found
// case-insensitively within its folder, as Windows would.
//
// Needs the GL context of the device's window to be current.
#pragma once

#include "platform/gpu/blob.h"
#include "platform/hresult.h"

namespace gpu {

// S_OK with `*code` set (the caller owns one reference), or a negative
// result: HRESULT_FROM_WIN32 of the file error when the file cannot be read,
// E_FAIL when the source does not compile, E_INVALIDARG for a bad argument or
// an unknown profile. On failure `*code` is null and, when `errors` is given,
// `*errors` holds the explanation (the caller owns it). `errors` may be null.
HResult CompileFromFile(const char* path, const char* entryPoint, const char* profile, Blob** code, Blob** errors);

}  // namespace gpu
