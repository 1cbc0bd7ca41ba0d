// The TGA image reader against arbitrary bytes: it must either throw its
// std::invalid_argument or give a vector of exactly the size its encoding
// promises, never touching memory outside the buffers.
#include <cstdint>
#include <cstdlib>
#include <stdexcept>

#include "graphics/tga_image.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // Headers may honestly ask for up to 4 GB of pixels; that costs time and
    // memory, not safety, so the harness leaves such inputs out. Sizes that
    // do not fit 32 bits still reach the reader, which refuses them itself.
    if (size >= 16) {
        const uint64_t pixels = uint64_t(data[12] | data[13] << 8) * uint64_t(data[14] | data[15] << 8);
        if (pixels > (uint64_t{1} << 20) && pixels * 4 <= UINT32_MAX) return 0;
    }
    try {
        const CTgaImage image(data, size);
        const uint64_t expected = image.compressed ? uint64_t{image.width} * image.height * 4 : image.size;
        if (image.pixels.size() != expected) std::abort();
        if (image.bitsPerPixel != 24 && image.bitsPerPixel != 32) std::abort();
    } catch (const std::invalid_argument&) {
    }
    return 0;
}
