// The DXGI formats the layer knows, with their GL storage. Layer-internal:
// one table, so every object and query agrees on what a format is.
#pragma once

#include <cstdint>

#include "platform/gpu/gpu_types.h"

namespace gpu {

// How a view's channels reach a shader, where Direct3D and GL differ.
enum class FormatSwizzle : uint8_t {
    None,
    // One-channel images are grey pictures (luminance files, grey PNGs):
    // sampled as (r, r, r, 1) rather than Direct3D's red (r, 0, 0, 1).
    GreyFromRed,
    // Stored with an alpha channel that sampling must ignore (BGRX).
    OpaqueAlpha,
};

struct FormatInfo {
    Format format;
    uint32_t glInternalFormat;  // GLenum for texture storage
    uint32_t bytesPerPixel;     // 0 for block-compressed formats
    bool colorRenderable;       // may back a render-target view (and the swap chain)
    bool depth;                 // has a depth aspect (depth-stencil views)
    bool stencil;               // has a stencil aspect
    bool srgb;
    // Upload and read-back layout of one pixel (GLenum format and type);
    // 0 where pixel data cannot be handed over (D24S8).
    uint32_t glFormat;
    uint32_t glType;
    uint32_t blockBytes;  // bytes of one 4 x 4 block; 0 when not block-compressed
    bool typeless;        // a storage family, viewed through a typed format
    FormatSwizzle swizzle;
};

// Null for a format the layer does not support.
const FormatInfo* FindFormat(Format format);

// What CheckFormatSupport reports for a supported format (FORMAT_SUPPORT_* bits).
uint32_t FormatSupportFlags(const FormatInfo& format);

// Plain 8-bit RGBA or BGRA texels (sRGB or not) stored as they are sampled:
// the layer filters mips of these itself.
bool IsFilterableTexel(const FormatInfo& format);

// Whether a view of `view` format may look at a resource stored as
// `resource`: the same format, or a typed member of a typeless family.
bool ViewFormatFits(Format resource, Format view);

// Bytes of one row of `width` texels and the number of such rows in an image
// `height` texels high (block rows for compressed formats), in 64 bits.
uint64_t FormatRowBytes(const FormatInfo& format, uint32_t width);
uint32_t FormatRowCount(const FormatInfo& format, uint32_t height);

}  // namespace gpu
