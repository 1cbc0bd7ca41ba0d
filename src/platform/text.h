// UTF-8 <-> UTF-16 at the edges (file system, Dear ImGui, log). Names are
// stored, hashed and written as UTF-16; everything narrow is UTF-8.
#pragma once

#include <string>
#include <string_view>

namespace platform {

// Invalid sequences become U+FFFD; nothing is dropped silently.
std::u16string Utf8ToUtf16(std::string_view text);
std::string Utf16ToUtf8(std::u16string_view text);

}  // namespace platform
