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

void Context::GenerateMips(ShaderResourceView* view)
{
    if (!view || !GlReady()) return;
    TextureShape shape;
    // Direct3D ignores the call for a resource not made to generate mips.
    if (!GetTextureShape(view->ViewedResource(), &shape) || (shape.miscFlags & RESOURCE_MISC_GENERATE_MIPS) == 0)
        return;
    // The view's texture covers exactly its mips and slices, so GL fills the
    // levels below the view's first one within them.
    glGenerateTextureMipmap(view->GlTexture());
}

}  // namespace gpu
