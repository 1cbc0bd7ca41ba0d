// The name key of named records (textures, shaders, constant buffers, objects):
// names stored lower-cased (ASCII A-Z only) with a 32-bit hash of their units.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// Lower-cases the UTF-16 units [first, last) into out; returns the end of the output.
char16_t* ToLowerWide(const char16_t* first, const char16_t* last, char16_t* out);
std::u16string ToLowerWide(std::u16string_view text);
std::string ToLowerAscii(std::string_view text);

// The hash every stored name is found by: each unit weighted by itself, its
// place and the name's length, summed with 32-bit wrap-around (the loop below
// is the definition). Null and empty give 0; "abc" gives 30598, "a" 9701.
template <class Unit>
uint32_t NameHashOf(const Unit* units, size_t n)
{
    if (!units) return 0;
    uint32_t hash = 0;
    const uint32_t count = static_cast<uint32_t>(n);
    for (uint32_t i = 0; i < count; ++i) {
        const uint32_t c = static_cast<uint32_t>(static_cast<std::make_unsigned_t<Unit>>(units[i]));
        hash += c * (c + count + i + 2) + count * (i + 1);
    }
    return hash;
}

uint32_t NameHash(const char16_t* name);
uint32_t NameHash(std::u16string_view name);
// The same hash over bytes keys object names.
uint32_t NameHashBytes(const char* name);
