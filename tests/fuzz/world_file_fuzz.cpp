// Arbitrary bytes as a world file, read as the program reads one: from an
// open file, through a window that is refilled as the reader moves on. The
// window here is small, and its size follows the input's length, so refills
// fall inside every kind of record and field. Checked besides staying inside
// the bytes and allocating only what they can describe:
//   - the same bytes read from memory in one piece give the same result and
//     the same world;
//   - a file that turns out shorter than its measured size (it shrank while
//     being read) gives the same result, and a complete world the same world;
//   - whatever was read can be written, and a world read completely comes
//     back from its own file.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "world/world.h"
#include "world/world_file.h"
#include "world/world_file_bytes.h"

namespace {

void Require(bool condition)
{
    if (!condition) std::abort();
}

// Reads `size` bytes as a file measured at `measured` bytes.
int ReadThroughWindow(CWorld& world, const uint8_t* data, size_t size, uint64_t measured, size_t window)
{
    std::FILE* file = std::tmpfile();
    Require(file != nullptr);
    Require(std::fwrite(data, 1, size, file) == size && std::fflush(file) == 0);
    std::rewind(file);
    WorldFileBytes in(file, measured, window);
    const int read = ReadWorldBytes(world, in);
    std::fclose(file);
    return read;
}

std::vector<uint8_t> Image(const CWorld& world)
{
    std::vector<uint8_t> bytes;
    WriteWorldData(world, bytes);
    return bytes;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const size_t window = WorldFileBytes::kSmallestWindowBytes + size % 997;
    CWorld world;
    const int read = ReadThroughWindow(world, data, size, size, window);
    const std::vector<uint8_t> image = Image(world);

    CWorld inMemory;
    Require(ReadWorldData(inMemory, data, size) == read);
    Require(Image(inMemory) == image);

    CWorld shrunk;
    Require(ReadThroughWindow(shrunk, data, size, size + 1 + size % 61, window) == read);

    if (read) {
        Require(Image(shrunk) == image);
        CWorld again;
        Require(ReadThroughWindow(again, image.data(), image.size(), image.size(), window) == 1);
        Require(again.objects.size() == world.objects.size() && again.lines.size() == world.lines.size());
    }
    return 0;
}
