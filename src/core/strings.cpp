#include "core/strings.h"

#include <cstring>

#include "core/private_heap.h"

int StrEqual(const char* a, const char* b)
{
    if (!a || !b) return 0;
    return std::strcmp(a, b) == 0 ? 1 : 0;
}

int FindSubstring(const char* text, const char* pattern)
{
    if (!text || !pattern || !*text || !*pattern) return -1;
    const char* found = std::strstr(text, pattern);
    return found ? static_cast<int>(found - text) : -1;
}

int TrimLeadingSpace(char* text)
{
    if (!text) return -1;
    size_t start = 0;
    while (text[start] != '\0' && static_cast<unsigned char>(text[start]) <= 32) ++start;
    const size_t length = std::strlen(text + start);
    std::memmove(text, text + start, length + 1);
    return static_cast<int>(length);
}

int CopyStringMax(const char* source, char* target, int count)
{
    if (!source || !target || !*source || count <= 0) return 0;
    const size_t length = std::strlen(source);
    // Through a copy, so source and target may overlap.
    auto* copy = static_cast<char*>(SharedHeapAlloc(length + 1));
    if (!copy) return 0;
    std::memcpy(copy, source, length + 1);
    const size_t n = length < static_cast<size_t>(count) ? length : static_cast<size_t>(count);
    std::memcpy(target, copy, n);
    target[n] = '\0';
    SharedHeapFree(copy);
    return static_cast<int>(n);
}

void CopyUtf8Head(const std::string& text, char* buffer, size_t bytes)
{
    if (!buffer || bytes == 0) return;
    size_t length = text.size() < bytes ? text.size() : bytes - 1;
    // text[length] is the first byte left out; while it continues a sequence,
    // the sequence it belongs to is left out whole.
    if (length < text.size())
        while (length > 0 && (static_cast<unsigned char>(text[length]) & 0xC0) == 0x80) --length;
    text.copy(buffer, length);
    buffer[length] = '\0';
}
