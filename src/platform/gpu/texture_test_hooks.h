// Looking into textures from tests: raw bytes of one subresource, and what a
// shader samples through a view. Nothing in the program calls these.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/gpu/gpu_types.h"

namespace gpu {

class Resource;
class ShaderResourceView;
class Texture2D;

// Reads mip 0 of an RGBA8 texture (multisampled ones are resolved first) as
// rows top-down, 4 bytes per pixel: the picture as the program sees it. The
// back buffer's rows are flipped here, once.
HResult ReadTexturePixels(Texture2D* texture, std::vector<uint8_t>* rgba, uint32_t* width, uint32_t* height);

// The bytes of subresource `subresource` (mip + slice x mip levels) as
// uploaded: rows top-down, packed without padding (whole blocks for
// compressed formats), every depth slice of a 3-D mip one after another.
HResult ReadTextureSubresource(Resource* resource, uint32_t subresource, std::vector<uint8_t>* bytes);

// Samples `view` once with point filtering at mip `lod`, as a pixel shader's
// textureLod would: `coord` is (u, v) for 2-D views, (u, v, slice) for 2-D
// arrays, (u, v, w) for 3-D, a direction for cubes, (x, y, z, cube) for cube
// arrays, (u, slice) for 1-D arrays. The view's swizzle and sRGB decoding
// apply. False when the view cannot be sampled here (multisampled) or GL failed.
bool SampleShaderResourceView(ShaderResourceView* view, const float coord[4], float lod, float rgba[4]);

// While one lives, counts every GL call, whoever makes it, that copies
// texels or pixels back to the CPU (glReadPixels, glGetTexImage,
// glGetTextureImage, glGetTextureSubImage, glGetCompressedTextureSubImage):
// what a real graphics card would stall on. One at a time, with a current
// GL context.
class GlReadBackCounter {
public:
    GlReadBackCounter();
    ~GlReadBackCounter();
    GlReadBackCounter(const GlReadBackCounter&) = delete;
    GlReadBackCounter& operator=(const GlReadBackCounter&) = delete;

    uint64_t Count() const;
};

}  // namespace gpu
