// Shader-resource views, and the device and context calls that only textures
// answer: creating 1-D and 3-D textures and views, format-support queries and
// mip generation.
//
// Index
//   - Shader-resource views
//   - Device: textures, views, format support
//   - Context: GenerateMips
#include <epoxy/gl.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

#include "platform/gpu/context.h"
#include "platform/gpu/device.h"
#include "platform/gpu/format.h"
#include "platform/gpu/resources.h"
#include "platform/gpu/views.h"
#include "platform/window_internal.h"

namespace gpu {

// ---------------------------------------------------------------------------
// Shader-resource views
// ---------------------------------------------------------------------------

namespace {

constexpr uint32_t kAllMips = 0xFFFFFFFFu;

// The view Direct3D makes for a null description: everything, in the
// resource's own format.
ShaderResourceViewDesc WholeResourceView(const TextureShape& shape)
{
    ShaderResourceViewDesc desc;
    desc.Format = shape.format;
    switch (shape.dimension) {
    case RESOURCE_DIMENSION_TEXTURE1D:
        desc.ViewDimension = shape.arraySize > 1 ? SRV_DIMENSION_TEXTURE1DARRAY : SRV_DIMENSION_TEXTURE1D;
        desc.Texture1DArray = SrvMipArrayRange {0, kAllMips, 0, shape.arraySize};
        break;
    case RESOURCE_DIMENSION_TEXTURE3D:
        desc.ViewDimension = SRV_DIMENSION_TEXTURE3D;
        desc.Texture3D = SrvMipRange {0, kAllMips};
        break;
    default:
        if (shape.samples > 1) {
            desc.ViewDimension = SRV_DIMENSION_TEXTURE2DMS;
        } else if (shape.cube) {
            desc.ViewDimension = shape.arraySize > 6 ? SRV_DIMENSION_TEXTURECUBEARRAY : SRV_DIMENSION_TEXTURECUBE;
            desc.TextureCubeArray = SrvCubeArrayRange {0, kAllMips, 0, shape.arraySize / 6};
        } else {
            desc.ViewDimension = shape.arraySize > 1 ? SRV_DIMENSION_TEXTURE2DARRAY : SRV_DIMENSION_TEXTURE2D;
            desc.Texture2DArray = SrvMipArrayRange {0, kAllMips, 0, shape.arraySize};
        }
        break;
    }
    return desc;
}

struct ViewRange {
    uint32_t target = 0;
    uint32_t firstMip = 0, mipCount = 0;
    uint32_t firstLayer = 0, layerCount = 1;
};

// Resolves the mip range (-1 = every mip from the first on); false when it
// leaves the texture.
bool ResolveMips(const TextureShape& shape, uint32_t first, uint32_t count, ViewRange* range)
{
    if (first >= shape.mipLevels) return false;
    if (count == kAllMips) count = shape.mipLevels - first;
    if (count == 0 || count > shape.mipLevels - first) return false;
    range->firstMip = first;
    range->mipCount = count;
    return true;
}

bool ResolveLayers(const TextureShape& shape, uint32_t first, uint32_t count, ViewRange* range)
{
    if (count == 0 || first >= shape.arraySize || count > shape.arraySize - first) return false;
    range->firstLayer = first;
    range->layerCount = count;
    return true;
}

// The mips of a view description part (SrvMipRange and its array and cube
// relatives all name them alike).
template <typename Part>
bool ResolvePartMips(const TextureShape& shape, const Part& part, ViewRange* range)
{
    return ResolveMips(shape, part.MostDetailedMip, part.MipLevels, range);
}

// The mips and slices of an array view.
bool ResolveArrayPart(const TextureShape& shape, const SrvMipArrayRange& part, ViewRange* range)
{
    return ResolvePartMips(shape, part, range) && ResolveLayers(shape, part.FirstArraySlice, part.ArraySize, range);
}

// The GL target and range of a view, or false when Direct3D would refuse the
// description for this resource.
bool ResolveViewRange(const TextureShape& shape, ShaderResourceViewDesc& desc, ViewRange* range)
{
    const bool is1D = shape.dimension == RESOURCE_DIMENSION_TEXTURE1D;
    const bool is2D = shape.dimension == RESOURCE_DIMENSION_TEXTURE2D && shape.samples == 1;
    switch (desc.ViewDimension) {
    case SRV_DIMENSION_TEXTURE1D:
        range->target = GL_TEXTURE_1D;
        return is1D && ResolvePartMips(shape, desc.Texture1D, range);
    case SRV_DIMENSION_TEXTURE1DARRAY:
        range->target = GL_TEXTURE_1D_ARRAY;
        return is1D && ResolveArrayPart(shape, desc.Texture1DArray, range);
    case SRV_DIMENSION_TEXTURE2D:
        range->target = GL_TEXTURE_2D;
        return is2D && ResolvePartMips(shape, desc.Texture2D, range);
    case SRV_DIMENSION_TEXTURE2DARRAY:
        range->target = GL_TEXTURE_2D_ARRAY;
        return is2D && ResolveArrayPart(shape, desc.Texture2DArray, range);
    case SRV_DIMENSION_TEXTURE2DMS:
        range->target = GL_TEXTURE_2D_MULTISAMPLE;
        range->mipCount = 1;
        return shape.dimension == RESOURCE_DIMENSION_TEXTURE2D && shape.samples > 1;
    case SRV_DIMENSION_TEXTURE3D:
        range->target = GL_TEXTURE_3D;
        return shape.dimension == RESOURCE_DIMENSION_TEXTURE3D && ResolvePartMips(shape, desc.Texture3D, range);
    case SRV_DIMENSION_TEXTURECUBE:
        range->target = GL_TEXTURE_CUBE_MAP;
        return is2D && shape.cube && ResolvePartMips(shape, desc.TextureCube, range) &&
               ResolveLayers(shape, 0, 6, range);
    case SRV_DIMENSION_TEXTURECUBEARRAY: {
        range->target = GL_TEXTURE_CUBE_MAP_ARRAY;
        const uint64_t faces = uint64_t {desc.TextureCubeArray.NumCubes} * 6;
        return is2D && shape.cube && faces <= shape.arraySize &&
               ResolvePartMips(shape, desc.TextureCubeArray, range) &&
               ResolveLayers(shape, desc.TextureCubeArray.First2DArrayFace, static_cast<uint32_t>(faces), range);
    }
    default: return false;
    }
}

// Writes the resolved mip count back, so GetDesc never answers -1.
void StoreMipCount(ShaderResourceViewDesc& desc, uint32_t count)
{
    switch (desc.ViewDimension) {
    case SRV_DIMENSION_TEXTURE1D: desc.Texture1D.MipLevels = count; break;
    case SRV_DIMENSION_TEXTURE1DARRAY: desc.Texture1DArray.MipLevels = count; break;
    case SRV_DIMENSION_TEXTURE2D: desc.Texture2D.MipLevels = count; break;
    case SRV_DIMENSION_TEXTURE2DARRAY: desc.Texture2DArray.MipLevels = count; break;
    case SRV_DIMENSION_TEXTURE3D: desc.Texture3D.MipLevels = count; break;
    case SRV_DIMENSION_TEXTURECUBE: desc.TextureCube.MipLevels = count; break;
    case SRV_DIMENSION_TEXTURECUBEARRAY: desc.TextureCubeArray.MipLevels = count; break;
    default: break;
    }
}

}  // namespace

HResult ShaderResourceView::Create(Resource* resource, const ShaderResourceViewDesc* desc, ShaderResourceView** view)
{
    if (!view) return E_INVALIDARG;
    *view = nullptr;
    TextureShape shape;
    if (!GetTextureShape(resource, &shape) || (shape.bindFlags & BIND_SHADER_RESOURCE) == 0 || !GlReady())
        return E_INVALIDARG;

    ShaderResourceViewDesc made = desc ? *desc : WholeResourceView(shape);
    if (made.Format == FORMAT_UNKNOWN) made.Format = shape.format;
    const FormatInfo* format = FindFormat(made.Format);
    const FormatInfo* stored = FindFormat(shape.format);
    // Shaders read depth through the typed colour member of its family only.
    if (!format || !stored || format->typeless || format->depth ||
        !ViewFormatFits(shape.format, made.Format))
        return E_INVALIDARG;
    ViewRange range;
    if (!ResolveViewRange(shape, made, &range)) return E_INVALIDARG;
    StoreMipCount(made, range.mipCount);

    // GL's depth textures are viewed only as themselves.
    const GLenum internal = stored->depth ? stored->glInternalFormat : format->glInternalFormat;
    DrainGlErrors();
    GLuint name = 0;
    glGenTextures(1, &name);
    glTextureView(name, range.target, shape.glTexture, internal, range.firstMip, range.mipCount, range.firstLayer,
                  range.layerCount);
    if (glGetError() != GL_NO_ERROR) {
        glDeleteTextures(1, &name);
        return E_INVALIDARG;
    }
    if (range.target != GL_TEXTURE_2D_MULTISAMPLE) {
        GLint swizzle[4] = {GL_RED, GL_GREEN, GL_BLUE, GL_ALPHA};
        if (format->swizzle == FormatSwizzle::GreyFromRed) {
            swizzle[1] = swizzle[2] = GL_RED;
            swizzle[3] = GL_ONE;
        } else if (format->swizzle == FormatSwizzle::OpaqueAlpha) {
            swizzle[3] = GL_ONE;
        }
        glTextureParameteriv(name, GL_TEXTURE_SWIZZLE_RGBA, swizzle);
    }
    // Direct3D filters across cube faces; GL does once asked (a global switch
    // nothing else in the program turns off).
    if (range.target == GL_TEXTURE_CUBE_MAP || range.target == GL_TEXTURE_CUBE_MAP_ARRAY)
        glEnable(GL_TEXTURE_CUBE_MAP_SEAMLESS);

    ShaderResourceView* result = new ShaderResourceView;
    result->desc_ = made;
    result->view_ = MakeGlName(name);
    result->target_ = range.target;
    ReplaceReference(result->resource_, resource);
    *view = result;
    return S_OK;
}

ShaderResourceView::~ShaderResourceView()
{
    if (GlNameDeletable(view_)) {
        glDeleteTextures(1, &view_.name);
        ForgetAppliedGlState();
    }
    ReplaceReference(resource_, static_cast<Resource*>(nullptr));
}

void ShaderResourceView::GetResource(Resource** resource) const
{
    if (!resource) return;
    *resource = resource_;
    if (resource_) resource_->AddRef();
}

// ---------------------------------------------------------------------------
// Device: textures, views, format support
// ---------------------------------------------------------------------------

HResult Device::CreateTexture1D(const Texture1DDesc* desc, const SubresourceData* initialData, Texture1D** texture)
{
    if (!texture) return E_INVALIDARG;
    *texture = nullptr;
    if (!desc) return E_INVALIDARG;
    return Texture1D::Create(*desc, initialData, texture);
}

HResult Device::CreateTexture3D(const Texture3DDesc* desc, const SubresourceData* initialData, Texture3D** texture)
{
    if (!texture) return E_INVALIDARG;
    *texture = nullptr;
    if (!desc) return E_INVALIDARG;
    return Texture3D::Create(*desc, initialData, texture);
}

HResult Device::CreateShaderResourceView(Resource* resource, const ShaderResourceViewDesc* desc,
                                         ShaderResourceView** view)
{
    return ShaderResourceView::Create(resource, desc, view);
}

HResult Device::CheckFormatSupport(Format format, uint32_t* support) const
{
    if (!support) return E_INVALIDARG;
    *support = 0;
    const FormatInfo* info = FindFormat(format);
    // Direct3D answers E_FAIL for a format the hardware lacks.
    if (!info) return E_FAIL;
    *support = FormatSupportFlags(*info);
    return S_OK;
}

// ---------------------------------------------------------------------------
// Context: GenerateMips
// ---------------------------------------------------------------------------

namespace {

// sRGB-encoded byte to linear light, and back (rounded).
float LinearOf(uint8_t encoded)
{
    static const std::array<float, 256> table = [] {
        std::array<float, 256> made {};
        for (int i = 0; i < 256; ++i) {
            const float c = i / 255.0f;
            made[i] = c <= 0.04045f ? c / 12.92f : std::pow((c + 0.055f) / 1.055f, 2.4f);
        }
        return made;
    }();
    return table[encoded];
}

uint8_t EncodedOf(float linear)
{
    const float c = linear <= 0.0031308f ? linear * 12.92f : 1.055f * std::pow(linear, 1.0f / 2.4f) - 0.055f;
    return static_cast<uint8_t>(std::clamp(c * 255.0f + 0.5f, 0.0f, 255.0f));
}

// Where destination texel `index` of `to` texels samples a row of `from`
// texels, as a linear-filtered blit samples it: the two source texels and
// the weight of the second.
struct Tap {
    uint32_t first, second;
    float weight;
};

Tap TapOf(uint32_t index, uint32_t from, uint32_t to)
{
    const float at = (index + 0.5f) * (static_cast<float>(from) / static_cast<float>(to)) - 0.5f;
    const float base = std::floor(at);
    const auto clampTo = [from](float texel) {
        return static_cast<uint32_t>(std::clamp(texel, 0.0f, static_cast<float>(from - 1)));
    };
    return Tap {clampTo(base), clampTo(base + 1.0f), at - base};
}

// The next level of an image of four 8-bit channels, filtered as a blit
// would filter it: an even side halves exactly, 2 x 2 texels to one.
std::vector<uint8_t> HalvedLevel(const std::vector<uint8_t>& source, uint32_t width, uint32_t height,
                                 uint32_t toWidth, uint32_t toHeight, bool srgb)
{
    std::vector<uint8_t> made(static_cast<size_t>(toWidth) * toHeight * 4);
    std::vector<Tap> columns(toWidth);
    for (uint32_t x = 0; x < toWidth; ++x) columns[x] = TapOf(x, width, toWidth);
    for (uint32_t y = 0; y < toHeight; ++y) {
        const Tap row = TapOf(y, height, toHeight);
        const uint8_t* top = source.data() + static_cast<size_t>(row.first) * width * 4;
        const uint8_t* bottom = source.data() + static_cast<size_t>(row.second) * width * 4;
        uint8_t* out = made.data() + static_cast<size_t>(y) * toWidth * 4;
        for (uint32_t x = 0; x < toWidth; ++x, out += 4) {
            const Tap& column = columns[x];
            for (int channel = 0; channel < 4; ++channel) {
                const bool decode = srgb && channel < 3;
                const auto value = [&](const uint8_t* line, uint32_t texel) {
                    const uint8_t byte = line[texel * 4 + channel];
                    return decode ? LinearOf(byte) : byte / 255.0f;
                };
                const float upper = value(top, column.first) * (1 - column.weight) + value(top, column.second) * column.weight;
                const float lower =
                    value(bottom, column.first) * (1 - column.weight) + value(bottom, column.second) * column.weight;
                const float mixed = upper * (1 - row.weight) + lower * row.weight;
                out[channel] = decode ? EncodedOf(mixed)
                                      : static_cast<uint8_t>(std::clamp(mixed * 255.0f + 0.5f, 0.0f, 255.0f));
            }
        }
    }
    return made;
}

// The levels of a picture filtered here from the top level its texture
// kept, rather than by GL: llvmpipe would compile the shaders of its blit for
// that, which costs more than the filtering itself for the pictures the
// program loads. False, with nothing done, when the view starts below the top
// level or its texture kept none (then GL makes the levels on the GPU).
bool GenerateMipsOfPicture(const ShaderResourceView& view)
{
    ShaderResourceViewDesc desc;
    view.GetDesc(&desc);
    const FormatInfo* format = FindFormat(desc.Format);
    Resource* resource = view.ViewedResource();
    if (view.GlTarget() != GL_TEXTURE_2D || !format || !IsFilterableTexel(*format) || !resource ||
        resource->GetType() != RESOURCE_DIMENSION_TEXTURE2D || desc.Texture2D.MostDetailedMip != 0)
        return false;
    auto* texture = static_cast<Texture2D*>(resource);
    std::vector<uint8_t> level = texture->TakeTopLevel();
    if (level.empty()) return false;
    uint32_t width = texture->Desc().Width, height = texture->Desc().Height;
    const GLuint name = view.GlTexture();

    DrainGlErrors();
    glBindBuffer(GL_PIXEL_UNPACK_BUFFER, 0);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    for (uint32_t mip = 1; mip < desc.Texture2D.MipLevels; ++mip) {
        const uint32_t toWidth = std::max(width / 2, 1u), toHeight = std::max(height / 2, 1u);
        level = HalvedLevel(level, width, height, toWidth, toHeight, format->srgb);
        glTextureSubImage2D(name, static_cast<GLint>(mip), 0, 0, static_cast<GLsizei>(toWidth),
                            static_cast<GLsizei>(toHeight), format->glFormat, GL_UNSIGNED_BYTE, level.data());
        width = toWidth;
        height = toHeight;
    }
    return glGetError() == GL_NO_ERROR;
}

}  // namespace

void Context::GenerateMips(ShaderResourceView* view)
{
    if (!view || !GlReady()) return;
    TextureShape shape;
    // Direct3D ignores the call for a resource not made to generate mips.
    if (!GetTextureShape(view->ViewedResource(), &shape) || (shape.miscFlags & RESOURCE_MISC_GENERATE_MIPS) == 0)
        return;
    if (GenerateMipsOfPicture(*view)) return;
    // The view's texture covers exactly its mips and slices, so GL fills the
    // levels below the view's first one within them.
    glGenerateTextureMipmap(view->GlTexture());
}

}  // namespace gpu
