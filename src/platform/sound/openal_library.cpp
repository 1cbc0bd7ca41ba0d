#include "platform/sound/openal_library.h"

#include <dlfcn.h>

#include <cstdio>
#include <cstring>

namespace platform {

namespace {

const std::vector<std::string> kDefaultLibraryNames = {"libopenal.so.1", "libopenal.so"};

std::vector<std::string>& LibraryNames()
{
    static std::vector<std::string> names = kDefaultLibraryNames;
    return names;
}

// The loaded library; kept for the life of the process, as the program never frees it.
void* openALModule = nullptr;

void* ResolveFromModule(void* module, const char* name) { return dlsym(module, name); }

}  // namespace

const char* const kOpenALEntryPointNames[kOpenALEntryPointCount] = {
#define VESK_OPENAL_NAME(name, type) #name,
    VESK_OPENAL_ENTRY_POINTS(VESK_OPENAL_NAME)
#undef VESK_OPENAL_NAME
};

bool FillOpenALFunctionTable(OpenALFunctionTable* table, OpenALSymbolResolver resolve, void* context)
{
    if (!table || !resolve) return false;
    std::memset(static_cast<void*>(table), 0, sizeof(*table));
#define VESK_OPENAL_RESOLVE(name, type)                                                       \
    {                                                                                         \
        void* const address = resolve(context, #name);                                       \
        if (!address) {                                                                       \
            std::fprintf(stderr, "Failed to retrieve '%s' function address\n", #name);        \
            return false;                                                                     \
        }                                                                                     \
        table->name = reinterpret_cast<type>(address);                                        \
    }
    VESK_OPENAL_ENTRY_POINTS(VESK_OPENAL_RESOLVE)
#undef VESK_OPENAL_RESOLVE
    return true;
}

bool LoadOpenALLibrary(OpenALFunctionTable* table)
{
    if (!table) return false;
    void* module = nullptr;
    for (const std::string& name : LibraryNames()) {
        module = dlopen(name.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (module) break;
    }
    if (!module) return false;
    openALModule = module;
    return FillOpenALFunctionTable(table, &ResolveFromModule, module);
}

void SetOpenALLibraryNames(std::vector<std::string> names)
{
    LibraryNames() = names.empty() ? kDefaultLibraryNames : std::move(names);
}

}  // namespace platform
