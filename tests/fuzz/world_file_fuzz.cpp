// Arbitrary bytes as a world file image: the reader must stay inside them,
// allocate only what they can describe, and leave a world that the writer
// can store and the reader read again.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "world/world.h"
#include "world/world_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    CWorld world;
    const int read = ReadWorldData(world, data, size);
    // Whatever was read, complete or not, must be writable...
    std::vector<uint8_t> bytes;
    WriteWorldData(world, bytes);
    // ... and a world read completely must come back from its own image.
    if (read) {
        CWorld again;
        if (ReadWorldData(again, bytes.data(), bytes.size()) != 1) std::abort();
        if (again.objects.size() != world.objects.size() || again.lines.size() != world.lines.size()) std::abort();
    }
    return 0;
}
