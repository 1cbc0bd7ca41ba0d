// Image files (PNG, JPEG, BMP, GIF, TGA) as GPU textures through the image
// decoder that stands in for the Windows Imaging Component: the frame's
// pixels converted to a format the device samples, shrunk to the device's
// size limit, marked sRGB when the file says so, with a full mip chain
// generated on the GPU when the format allows it. A file that is a DDS
// surface ("DDS " magic, whatever its name) goes to the DDS loader, as WIC's
// own DDS codec would take it.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/gpu/gpu.h"

enum WIC_LOADER_FLAGS : uint32_t {
    WIC_LOADER_DEFAULT = 0,
    WIC_LOADER_FORCE_SRGB = 0x1,   // the texture's format is made sRGB whatever the file says
    WIC_LOADER_IGNORE_SRGB = 0x2,  // the file's sRGB marks are not read
};

// *texture and *textureView are nulled before the file is read, so a failure
// leaves both null. Mips are generated only when a context is given; null
// skips that step. maxSize 0 means the device's limit.
HResult LoadWICTextureFromFile(gpu::Device* device, gpu::Context* context, const char16_t* fileName,
                               gpu::Resource** texture, gpu::ShaderResourceView** textureView, size_t maxSize = 0);

HResult LoadWICTextureWithOptions(gpu::Device* device, gpu::Context* context, const char16_t* fileName,
                                  size_t maxSize, gpu::Usage usage, uint32_t bindFlags, uint32_t cpuAccessFlags,
                                  uint32_t miscFlags, uint32_t loadFlags, gpu::Resource** texture,
                                  gpu::ShaderResourceView** textureView);
