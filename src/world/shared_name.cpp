#include "world/shared_name.h"

#include <cstring>

#include "core/private_heap.h"

void SetSharedName(const char*& name, const char* text)
{
    if (!text || (name && std::strcmp(name, text) == 0)) return;
    FreeSharedName(name);
    const size_t bytes = std::strlen(text) + 1;
    char* copy = static_cast<char*>(SharedHeapAlloc(bytes));
    if (copy) std::memcpy(copy, text, bytes);
    name = copy;
}

void FreeSharedName(const char*& name)
{
    // The copy is ours: it was made writable and only handed out as const.
    if (name != kUnnamed) SharedHeapFree(const_cast<char*>(name));
    name = nullptr;
}
