// The DXGI formats the layer knows, with their GL storage. Layer-internal:
// one table, so every object and query agrees on what a format is.
#pragma once

#include <cstdint>

#include "platform/gpu/gpu_types.h"

namespace gpu {

struct FormatInfo {
    Format format;
    uint32_t glInternalFormat;  // GLenum for texture storage
    uint32_t bytesPerPixel;     // 0 for formats read back as something else
    bool colorRenderable;       // may back a render-target view (and the swap chain)
    bool depth;                 // has a depth aspect (depth-stencil views)
    bool stencil;               // has a stencil aspect
    bool srgb;
};

// Null for a format the layer does not support.
const FormatInfo* FindFormat(Format format);

}  // namespace gpu
