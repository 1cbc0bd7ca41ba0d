// The settings file reader against arbitrary bytes.
#include <cstdint>
#include <vector>

#include "shell/game.h"
#include "shell/settings.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static CGame game;
    StartupSetup setup;
    const std::vector<uint8_t> bytes(data, data + size);
    ParseStartupSetup(bytes, setup, &game);
    ParseStartupSetup(bytes, setup, nullptr);
    return 0;
}
