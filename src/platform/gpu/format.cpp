#include "platform/gpu/format.h"

#include <epoxy/gl.h>

namespace gpu {

namespace {

constexpr FormatSwizzle kPlain = FormatSwizzle::None;

// R32_TYPELESS is stored as a 32-bit float depth texture: the program makes it
// a D32_FLOAT depth view and reads it through an R32_FLOAT shader view.
// BGRA formats keep RGBA storage and are handed over as GL_BGRA, so a texel
// samples the same as in Direct3D. Block-compressed formats are S3TC.
constexpr FormatInfo kFormats[] = {
    // format, storage, bytes, renderable, depth, stencil, srgb, pixel format, pixel type, block, typeless, swizzle
    {FORMAT_R16G16B16A16_FLOAT, GL_RGBA16F, 8, true, false, false, false, GL_RGBA, GL_HALF_FLOAT, 0, false, kPlain},
    {FORMAT_R10G10B10A2_UNORM, GL_RGB10_A2, 4, true, false, false, false, GL_RGBA, GL_UNSIGNED_INT_2_10_10_10_REV, 0,
     false, kPlain},
    {FORMAT_R8G8B8A8_TYPELESS, GL_RGBA8, 4, true, false, false, false, GL_RGBA, GL_UNSIGNED_BYTE, 0, true, kPlain},
    {FORMAT_R8G8B8A8_UNORM, GL_RGBA8, 4, true, false, false, false, GL_RGBA, GL_UNSIGNED_BYTE, 0, false, kPlain},
    {FORMAT_R8G8B8A8_UNORM_SRGB, GL_SRGB8_ALPHA8, 4, true, false, false, true, GL_RGBA, GL_UNSIGNED_BYTE, 0, false,
     kPlain},
    {FORMAT_R32_TYPELESS, GL_DEPTH_COMPONENT32F, 4, false, true, false, false, GL_DEPTH_COMPONENT, GL_FLOAT, 0, true,
     kPlain},
    {FORMAT_D32_FLOAT, GL_DEPTH_COMPONENT32F, 4, false, true, false, false, GL_DEPTH_COMPONENT, GL_FLOAT, 0, false,
     kPlain},
    {FORMAT_R32_FLOAT, GL_R32F, 4, true, false, false, false, GL_RED, GL_FLOAT, 0, false, kPlain},
    {FORMAT_D24_UNORM_S8_UINT, GL_DEPTH24_STENCIL8, 4, false, true, true, false, 0, 0, 0, false, kPlain},
    {FORMAT_R8_UNORM, GL_R8, 1, true, false, false, false, GL_RED, GL_UNSIGNED_BYTE, 0, false,
     FormatSwizzle::GreyFromRed},
    {FORMAT_BC1_UNORM, GL_COMPRESSED_RGBA_S3TC_DXT1_EXT, 0, false, false, false, false, 0, 0, 8, false, kPlain},
    {FORMAT_BC1_UNORM_SRGB, GL_COMPRESSED_SRGB_ALPHA_S3TC_DXT1_EXT, 0, false, false, false, true, 0, 0, 8, false,
     kPlain},
    {FORMAT_BC2_UNORM, GL_COMPRESSED_RGBA_S3TC_DXT3_EXT, 0, false, false, false, false, 0, 0, 16, false, kPlain},
    {FORMAT_BC2_UNORM_SRGB, GL_COMPRESSED_SRGB_ALPHA_S3TC_DXT3_EXT, 0, false, false, false, true, 0, 0, 16, false,
     kPlain},
    {FORMAT_BC3_UNORM, GL_COMPRESSED_RGBA_S3TC_DXT5_EXT, 0, false, false, false, false, 0, 0, 16, false, kPlain},
    {FORMAT_BC3_UNORM_SRGB, GL_COMPRESSED_SRGB_ALPHA_S3TC_DXT5_EXT, 0, false, false, false, true, 0, 0, 16, false,
     kPlain},
    {FORMAT_B8G8R8A8_UNORM, GL_RGBA8, 4, true, false, false, false, GL_BGRA, GL_UNSIGNED_BYTE, 0, false, kPlain},
    {FORMAT_B8G8R8A8_UNORM_SRGB, GL_SRGB8_ALPHA8, 4, true, false, false, true, GL_BGRA, GL_UNSIGNED_BYTE, 0, false,
     kPlain},
    {FORMAT_B8G8R8X8_UNORM, GL_RGBA8, 4, true, false, false, false, GL_BGRA, GL_UNSIGNED_BYTE, 0, false,
     FormatSwizzle::OpaqueAlpha},
    {FORMAT_B8G8R8X8_UNORM_SRGB, GL_SRGB8_ALPHA8, 4, true, false, false, true, GL_BGRA, GL_UNSIGNED_BYTE, 0, false,
     FormatSwizzle::OpaqueAlpha},
};

}  // namespace

const FormatInfo* FindFormat(Format format)
{
    for (const FormatInfo& info : kFormats)
        if (info.format == format) return &info;
    return nullptr;
}

uint32_t FormatSupportFlags(const FormatInfo& format)
{
    const uint32_t planes = FORMAT_SUPPORT_TEXTURE2D | FORMAT_SUPPORT_TEXTURECUBE | FORMAT_SUPPORT_MIP;
    if (format.depth) {
        // Depth formats make no volumes; a typeless one is only a family.
        const uint32_t depth = planes | FORMAT_SUPPORT_TEXTURE1D;
        return format.typeless ? depth : depth | FORMAT_SUPPORT_DEPTH_STENCIL;
    }
    if (format.typeless) return planes | FORMAT_SUPPORT_TEXTURE1D | FORMAT_SUPPORT_TEXTURE3D;
    uint32_t flags = planes | FORMAT_SUPPORT_TEXTURE3D | FORMAT_SUPPORT_SHADER_LOAD | FORMAT_SUPPORT_SHADER_SAMPLE;
    // Blocks cannot line up in one row of texels.
    if (format.blockBytes == 0) flags |= FORMAT_SUPPORT_TEXTURE1D;
    if (format.colorRenderable)
        flags |= FORMAT_SUPPORT_MIP_AUTOGEN | FORMAT_SUPPORT_RENDER_TARGET | FORMAT_SUPPORT_BLENDABLE;
    return flags;
}

bool IsFilterableTexel(const FormatInfo& format)
{
    return format.bytesPerPixel == 4 && !format.typeless && format.glType == GL_UNSIGNED_BYTE &&
           (format.glFormat == GL_RGBA || format.glFormat == GL_BGRA) && format.swizzle == FormatSwizzle::None;
}

bool ViewFormatFits(Format resource, Format view)
{
    if (resource == view) return true;
    switch (resource) {
    case FORMAT_R8G8B8A8_TYPELESS: return view == FORMAT_R8G8B8A8_UNORM || view == FORMAT_R8G8B8A8_UNORM_SRGB;
    case FORMAT_R32_TYPELESS: return view == FORMAT_R32_FLOAT || view == FORMAT_D32_FLOAT;
    default: return false;
    }
}

uint64_t FormatRowBytes(const FormatInfo& format, uint32_t width)
{
    if (format.blockBytes) return (uint64_t {width} + 3) / 4 * format.blockBytes;
    return uint64_t {width} * format.bytesPerPixel;
}

uint32_t FormatRowCount(const FormatInfo& format, uint32_t height)
{
    return format.blockBytes ? static_cast<uint32_t>((uint64_t {height} + 3) / 4) : height;
}

}  // namespace gpu
