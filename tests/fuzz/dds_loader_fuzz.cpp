// The DDS parsing half against arbitrary bytes: header checks, the layout
// with its limits and the mip walk must either refuse the file or hand on
// levels that lie wholly inside it, every one of which is read here so the
// sanitizer sees any that does not.
#include <cstdint>
#include <cstdlib>

#include "graphics/dds_loader.h"

namespace {

uint32_t Touch(const gpu::SubresourceData& level, uint64_t bytes)
{
    if (bytes == 0) return 0;
    const auto* data = static_cast<const uint8_t*>(level.pSysMem);
    return data[0] + data[bytes - 1];
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    DDSFile file;
    if (Failed(ParseDDSData(data, size, &file))) return 0;
    if (file.bits < data + 128 || file.bits + file.bitSize != data + size) std::abort();
    if (ReadDDSAlphaMode(file) > DDS_ALPHA_MODE_CUSTOM) std::abort();

    volatile uint32_t sum = 0;
    for (const uint32_t miscFlags : {0u, uint32_t {gpu::RESOURCE_MISC_TEXTURECUBE}}) {
        DDSTextureLayout layout;
        if (Failed(ReadDDSTextureLayout(file, miscFlags, &layout))) continue;
        if (layout.arraySize == 0 || layout.arraySize > 2048 || layout.mipCount == 0 || layout.mipCount > 15)
            std::abort();
        for (const size_t maxSize : {size_t {0}, size_t {1}, size_t {64}}) {
            DDSMipData mips;
            if (Failed(CollectMipData(layout, maxSize, file.bits, file.bitSize, &mips))) continue;
            const uint32_t kept = layout.mipCount - mips.skippedMips;
            if (mips.subresources.size() != uint64_t {layout.arraySize} * kept) std::abort();
            for (uint32_t item = 0; item < layout.arraySize; ++item) {
                uint32_t depth = mips.depth;
                for (uint32_t mip = 0; mip < kept; ++mip) {
                    const gpu::SubresourceData& level = mips.subresources[item * kept + mip];
                    const uint64_t bytes = uint64_t {level.SysMemSlicePitch} * depth;
                    const auto* start = static_cast<const uint8_t*>(level.pSysMem);
                    if (start < file.bits || bytes > file.bitSize - static_cast<size_t>(start - file.bits))
                        std::abort();
                    sum = sum + Touch(level, bytes);
                    depth = depth > 1 ? depth / 2 : 1;
                }
            }
        }
    }
    return 0;
}
