#include "platform/gpu/format.h"

#include <epoxy/gl.h>

namespace gpu {

namespace {

// R32_TYPELESS is stored as a 32-bit float depth texture: the program makes it
// a D32_FLOAT depth view and reads it through an R32_FLOAT shader view.
constexpr FormatInfo kFormats[] = {
    {FORMAT_R16G16B16A16_FLOAT, GL_RGBA16F, 8, true, false, false, false},
    {FORMAT_R10G10B10A2_UNORM, GL_RGB10_A2, 4, true, false, false, false},
    {FORMAT_R8G8B8A8_TYPELESS, GL_RGBA8, 4, true, false, false, false},
    {FORMAT_R8G8B8A8_UNORM, GL_RGBA8, 4, true, false, false, false},
    {FORMAT_R8G8B8A8_UNORM_SRGB, GL_SRGB8_ALPHA8, 4, true, false, false, true},
    {FORMAT_R32_TYPELESS, GL_DEPTH_COMPONENT32F, 4, false, true, false, false},
    {FORMAT_D32_FLOAT, GL_DEPTH_COMPONENT32F, 4, false, true, false, false},
    {FORMAT_R32_FLOAT, GL_R32F, 4, true, false, false, false},
    {FORMAT_D24_UNORM_S8_UINT, GL_DEPTH24_STENCIL8, 4, false, true, true, false},
    {FORMAT_B8G8R8A8_UNORM, GL_RGBA8, 4, true, false, false, false},
    {FORMAT_B8G8R8A8_UNORM_SRGB, GL_SRGB8_ALPHA8, 4, true, false, false, true},
};

}  // namespace

const FormatInfo* FindFormat(Format format)
{
    for (const FormatInfo& info : kFormats)
        if (info.format == format) return &info;
    return nullptr;
}

}  // namespace gpu
