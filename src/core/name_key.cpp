#include "core/name_key.h"

#include <cstring>

namespace {

template <class Unit>
Unit FoldAscii(Unit c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<Unit>(c - 'A' + 'a') : c;
}

}  // namespace

char16_t* ToLowerWide(const char16_t* first, const char16_t* last, char16_t* out)
{
    for (; first != last; ++first, ++out) *out = FoldAscii(*first);
    return out;
}

std::u16string ToLowerWide(std::u16string_view text)
{
    std::u16string out(text);
    for (auto& c : out) c = FoldAscii(c);
    return out;
}

std::string ToLowerAscii(std::string_view text)
{
    std::string out(text);
    for (auto& c : out) c = FoldAscii(c);
    return out;
}

uint32_t NameHash(const char16_t* name)
{
    if (!name) return 0;
    return NameHashOf(name, std::char_traits<char16_t>::length(name));
}

uint32_t NameHash(std::u16string_view name) { return NameHashOf(name.data(), name.size()); }

uint32_t NameHashBytes(const char* name)
{
    if (!name) return 0;
    return NameHashOf(name, std::strlen(name));
}
