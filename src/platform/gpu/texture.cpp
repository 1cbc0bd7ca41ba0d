// Index
//   - Descriptions: Direct3D's creation rules
//   - GL storage
//   - Uploading subresources
//   - The texture kinds
//   - Shapes and UpdateSubresource
#include <epoxy/gl.h>

#include <algorithm>
#include <cstring>
#include <new>

#include "platform/gpu/format.h"
#include "platform/gpu/resources.h"
#include "platform/window_internal.h"

namespace gpu {

namespace {

// Direct3D 11's resource limits (feature level 11_0), which llvmpipe meets.
constexpr uint32_t kMaxTexture1DWidth = 16384;
constexpr uint32_t kMaxTexture2DSize = 16384;
constexpr uint32_t kMaxTexture3DSize = 2048;
constexpr uint32_t kMaxArraySize = 2048;

uint32_t FullMipCount(uint32_t width, uint32_t height, uint32_t depth)
{
    uint32_t levels = 1;
    for (uint32_t size = std::max({width, height, depth}); size > 1; size >>= 1) ++levels;
    return levels;
}

uint32_t MipSize(uint32_t size, uint32_t mip) { return std::max(size >> std::min(mip, 31u), 1u); }

// A picture whose mips the layer filters itself from the top level the CPU
// gave it: one 2-D slice of plain 8-bit RGBA or BGRA texels, one sample,
// made to generate its mips.
bool IsMippedPicture(const Texture2DDesc& desc)
{
    const FormatInfo* format = FindFormat(desc.Format);
    return (desc.MiscFlags & RESOURCE_MISC_GENERATE_MIPS) && (desc.MiscFlags & RESOURCE_MISC_TEXTURECUBE) == 0 &&
           desc.ArraySize == 1 && desc.SampleDesc.Count <= 1 && format && IsFilterableTexel(*format);
}

// ---------------------------------------------------------------------------
// Descriptions: Direct3D's creation rules
// ---------------------------------------------------------------------------

struct CreationRequest {
    TextureShape shape;  // sizes as asked; mipLevels 0 means a full chain
    Usage usage = USAGE_DEFAULT;
    uint32_t cpuAccess = 0;
    const SubresourceData* initialData = nullptr;
};

// E_INVALIDARG for every description Direct3D refuses; fills in the mip
// count of a full chain.
HResult CheckRequest(CreationRequest& request)
{
    TextureShape& shape = request.shape;
    const FormatInfo* format = FindFormat(shape.format);
    if (!format) return E_INVALIDARG;
    const uint32_t support = FormatSupportFlags(*format);
    const uint32_t needed = shape.dimension == RESOURCE_DIMENSION_TEXTURE1D   ? FORMAT_SUPPORT_TEXTURE1D
                            : shape.dimension == RESOURCE_DIMENSION_TEXTURE3D ? FORMAT_SUPPORT_TEXTURE3D
                            : shape.cube                                      ? FORMAT_SUPPORT_TEXTURECUBE
                                                                              : FORMAT_SUPPORT_TEXTURE2D;
    if ((support & needed) == 0) return E_INVALIDARG;

    if (shape.width == 0 || shape.height == 0 || shape.depth == 0 || shape.arraySize == 0) return E_INVALIDARG;
    switch (shape.dimension) {
    case RESOURCE_DIMENSION_TEXTURE1D:
        if (shape.width > kMaxTexture1DWidth || shape.arraySize > kMaxArraySize) return E_INVALIDARG;
        break;
    case RESOURCE_DIMENSION_TEXTURE2D:
        if (shape.width > kMaxTexture2DSize || shape.height > kMaxTexture2DSize || shape.arraySize > kMaxArraySize)
            return E_INVALIDARG;
        if (shape.cube && (shape.width != shape.height || shape.arraySize % 6 != 0)) return E_INVALIDARG;
        break;
    case RESOURCE_DIMENSION_TEXTURE3D:
        if (shape.width > kMaxTexture3DSize || shape.height > kMaxTexture3DSize || shape.depth > kMaxTexture3DSize)
            return E_INVALIDARG;
        break;
    default: return E_INVALIDARG;
    }

    // A multisampled texture has exactly one mip, however it is asked for.
    if (shape.samples > 1 && shape.mipLevels == 0) shape.mipLevels = 1;
    const uint32_t fullChain = FullMipCount(shape.width, shape.height, shape.depth);
    if (shape.mipLevels == 0) shape.mipLevels = fullChain;
    if (shape.mipLevels > fullChain) return E_INVALIDARG;
    if (shape.samples > 1 && (shape.mipLevels > 1 || shape.arraySize > 1 || shape.cube || request.initialData))
        return E_INVALIDARG;

    if ((shape.bindFlags & BIND_RENDER_TARGET) && !format->colorRenderable) return E_INVALIDARG;
    if ((shape.bindFlags & BIND_DEPTH_STENCIL) && (!format->depth || shape.dimension == RESOURCE_DIMENSION_TEXTURE3D))
        return E_INVALIDARG;
    // A depth buffer is read by shaders only through a typeless family.
    if ((shape.bindFlags & BIND_SHADER_RESOURCE) && format->depth && !format->typeless) return E_INVALIDARG;
    if (shape.bindFlags & ~(BIND_SHADER_RESOURCE | BIND_RENDER_TARGET | BIND_DEPTH_STENCIL)) return E_INVALIDARG;
    if ((shape.miscFlags & RESOURCE_MISC_GENERATE_MIPS) &&
        ((shape.bindFlags & (BIND_RENDER_TARGET | BIND_SHADER_RESOURCE)) !=
             (BIND_RENDER_TARGET | BIND_SHADER_RESOURCE) ||
         (support & FORMAT_SUPPORT_MIP_AUTOGEN) == 0))
        return E_INVALIDARG;

    switch (request.usage) {
    case USAGE_DEFAULT: break;
    case USAGE_IMMUTABLE:
        if (!request.initialData || request.cpuAccess != 0) return E_INVALIDARG;
        break;
    case USAGE_DYNAMIC:
        if (request.cpuAccess != CPU_ACCESS_WRITE || shape.mipLevels != 1 || shape.arraySize != 1 ||
            (shape.bindFlags & (BIND_RENDER_TARGET | BIND_DEPTH_STENCIL)))
            return E_INVALIDARG;
        break;
    case USAGE_STAGING:
        if (shape.bindFlags != 0) return E_INVALIDARG;
        break;
    default: return E_INVALIDARG;
    }

    if (request.initialData) {
        if (format->glFormat == 0 && format->blockBytes == 0) return E_INVALIDARG;
        const uint64_t count = uint64_t {shape.arraySize} * shape.mipLevels;
        for (uint64_t index = 0; index < count; ++index)
            if (!request.initialData[index].pSysMem) return E_INVALIDARG;
    }
    return S_OK;
}

// ---------------------------------------------------------------------------
// GL storage
// ---------------------------------------------------------------------------

uint32_t GlTargetFor(const TextureShape& shape)
{
    switch (shape.dimension) {
    case RESOURCE_DIMENSION_TEXTURE1D: return shape.arraySize > 1 ? GL_TEXTURE_1D_ARRAY : GL_TEXTURE_1D;
    case RESOURCE_DIMENSION_TEXTURE3D: return GL_TEXTURE_3D;
    default:
        if (shape.samples > 1) return GL_TEXTURE_2D_MULTISAMPLE;
        // Cube maps are stored as arrays of faces; their views are cubes.
        return (shape.arraySize > 1 || shape.cube) ? GL_TEXTURE_2D_ARRAY : GL_TEXTURE_2D;
    }
}

// Direct3D's sampling of the few formats GL stores differently.
void ApplySwizzle(uint32_t texture, const FormatInfo& format)
{
    GLint swizzle[4] = {GL_RED, GL_GREEN, GL_BLUE, GL_ALPHA};
    if (format.swizzle == FormatSwizzle::GreyFromRed) {
        swizzle[1] = GL_RED;
        swizzle[2] = GL_RED;
        swizzle[3] = GL_ONE;
    } else if (format.swizzle == FormatSwizzle::OpaqueAlpha) {
        swizzle[3] = GL_ONE;
    } else {
        return;
    }
    glTextureParameteriv(texture, GL_TEXTURE_SWIZZLE_RGBA, swizzle);
}

// The immutable storage for a checked shape; E_OUTOFMEMORY when GL refuses it.
HResult MakeStorage(const TextureShape& shape, GlName* made)
{
    const FormatInfo& format = *FindFormat(shape.format);
    const GLenum target = GlTargetFor(shape);
    const auto w = static_cast<GLsizei>(shape.width);
    const auto h = static_cast<GLsizei>(shape.height);
    const auto levels = static_cast<GLsizei>(shape.mipLevels);
    const GLenum internal = format.glInternalFormat;

    DrainGlErrors();
    GLuint name = 0;
    glCreateTextures(target, 1, &name);
    *made = MakeGlName(name);
    switch (target) {
    case GL_TEXTURE_1D: glTextureStorage1D(name, levels, internal, w); break;
    case GL_TEXTURE_1D_ARRAY:
        glTextureStorage2D(name, levels, internal, w, static_cast<GLsizei>(shape.arraySize));
        break;
    case GL_TEXTURE_2D: glTextureStorage2D(name, levels, internal, w, h); break;
    case GL_TEXTURE_2D_MULTISAMPLE:
        glTextureStorage2DMultisample(name, static_cast<GLsizei>(shape.samples), internal, w, h, GL_TRUE);
        break;
    case GL_TEXTURE_2D_ARRAY:
        glTextureStorage3D(name, levels, internal, w, h, static_cast<GLsizei>(shape.arraySize));
        break;
    default: glTextureStorage3D(name, levels, internal, w, h, static_cast<GLsizei>(shape.depth)); break;
    }
    if (target != GL_TEXTURE_2D_MULTISAMPLE) {
        glTextureParameteri(name, GL_TEXTURE_MAX_LEVEL, levels - 1);
        ApplySwizzle(name, format);
    }
    if (glGetError() != GL_NO_ERROR) {
        glDeleteTextures(1, &name);
        *made = GlName {};
        return E_OUTOFMEMORY;
    }
    return S_OK;
}

// ---------------------------------------------------------------------------
// Uploading subresources
// ---------------------------------------------------------------------------

struct Region {
    uint32_t x = 0, y = 0, z = 0;
    uint32_t width = 0, height = 0, depth = 0;
};

// Copies one region of one mip of one array slice from memory laid out as
// Direct3D lays it out: rows `rowPitch` apart, 3-D slices `depthPitch` apart,
// row 0 the top. GL's row 0 is the texture's first row, which the layer's
// conventions make the top of the image, so rows go over unflipped.
HResult UploadRegion(const TextureShape& shape, uint32_t mip, uint32_t slice, const Region& region, const void* data,
                     uint64_t rowPitch, uint64_t depthPitch)
{
    const FormatInfo& format = *FindFormat(shape.format);
    const uint64_t rowBytes = FormatRowBytes(format, region.width);
    const uint64_t rows = FormatRowCount(format, region.height);
    const uint64_t sliceBytes = rowBytes * rows;
    const uint64_t totalBytes = sliceBytes * region.depth;
    if (totalBytes == 0) return S_OK;
    if (totalBytes > INT32_MAX) return E_INVALIDARG;

    // Rows are packed tightly for GL unless the caller's already are.
    const auto* source = static_cast<const uint8_t*>(data);
    std::vector<uint8_t> packed;
    const bool tight = rowPitch == rowBytes && (region.depth == 1 || depthPitch == sliceBytes);
    if (!tight) {
        packed.resize(static_cast<size_t>(totalBytes));
        for (uint64_t z = 0; z < region.depth; ++z)
            for (uint64_t row = 0; row < rows; ++row)
                std::memcpy(packed.data() + z * sliceBytes + row * rowBytes, source + z * depthPitch + row * rowPitch,
                            static_cast<size_t>(rowBytes));
        source = packed.data();
    }

    DrainGlErrors();
    glBindBuffer(GL_PIXEL_UNPACK_BUFFER, 0);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    glPixelStorei(GL_UNPACK_IMAGE_HEIGHT, 0);
    glPixelStorei(GL_UNPACK_SKIP_PIXELS, 0);
    glPixelStorei(GL_UNPACK_SKIP_ROWS, 0);
    glPixelStorei(GL_UNPACK_SKIP_IMAGES, 0);

    const GLuint texture = shape.glTexture;
    const auto level = static_cast<GLint>(mip);
    const auto x = static_cast<GLint>(region.x), y = static_cast<GLint>(region.y), z = static_cast<GLint>(region.z);
    const auto w = static_cast<GLsizei>(region.width), h = static_cast<GLsizei>(region.height);
    const auto d = static_cast<GLsizei>(region.depth);
    const auto layer = static_cast<GLint>(slice);
    const auto bytes = static_cast<GLsizei>(totalBytes);
    const GLenum internal = format.glInternalFormat;
    switch (shape.glTarget) {
    case GL_TEXTURE_1D: glTextureSubImage1D(texture, level, x, w, format.glFormat, format.glType, source); break;
    case GL_TEXTURE_1D_ARRAY:
        glTextureSubImage2D(texture, level, x, layer, w, 1, format.glFormat, format.glType, source);
        break;
    case GL_TEXTURE_2D:
        if (format.blockBytes) glCompressedTextureSubImage2D(texture, level, x, y, w, h, internal, bytes, source);
        else glTextureSubImage2D(texture, level, x, y, w, h, format.glFormat, format.glType, source);
        break;
    case GL_TEXTURE_2D_ARRAY:
        if (format.blockBytes)
            glCompressedTextureSubImage3D(texture, level, x, y, layer, w, h, 1, internal, bytes, source);
        else glTextureSubImage3D(texture, level, x, y, layer, w, h, 1, format.glFormat, format.glType, source);
        break;
    case GL_TEXTURE_3D:
        if (format.blockBytes) glCompressedTextureSubImage3D(texture, level, x, y, z, w, h, d, internal, bytes, source);
        else glTextureSubImage3D(texture, level, x, y, z, w, h, d, format.glFormat, format.glType, source);
        break;
    default: return E_INVALIDARG;
    }
    return glGetError() == GL_NO_ERROR ? S_OK : E_INVALIDARG;
}

Region WholeMip(const TextureShape& shape, uint32_t mip)
{
    return Region {0, 0, 0, MipSize(shape.width, mip), MipSize(shape.height, mip), MipSize(shape.depth, mip)};
}

HResult UploadInitialData(const TextureShape& shape, const SubresourceData* initialData)
{
    for (uint32_t slice = 0; slice < shape.arraySize; ++slice) {
        for (uint32_t mip = 0; mip < shape.mipLevels; ++mip) {
            const SubresourceData& entry = initialData[slice * shape.mipLevels + mip];
            const HResult result = UploadRegion(shape, mip, slice, WholeMip(shape, mip), entry.pSysMem,
                                                entry.SysMemPitch, entry.SysMemSlicePitch);
            if (Failed(result)) return result;
        }
    }
    return S_OK;
}

// Checks the request, makes the storage and fills it: the creation path every
// texture kind shares. `texture` receives the GL name and target.
HResult CreateStorage(CreationRequest& request, GlName* texture)
{
    if (!GlReady()) return E_INVALIDARG;
    HResult result = CheckRequest(request);
    if (Failed(result)) return result;
    result = MakeStorage(request.shape, texture);
    if (Failed(result)) return result;
    request.shape.glTexture = texture->name;
    request.shape.glTarget = GlTargetFor(request.shape);
    if (request.initialData) result = UploadInitialData(request.shape, request.initialData);
    if (Failed(result)) {
        glDeleteTextures(1, &texture->name);
        *texture = GlName {};
    }
    return result;
}

// The fields every texture description shares. Height, depth and array
// size start at 1; the 2-D and 3-D kinds set their own.
template <typename Desc>
CreationRequest RequestFromDesc(ResourceDimension dimension, const Desc& desc, const SubresourceData* initialData)
{
    CreationRequest request;
    request.shape.dimension = dimension;
    request.shape.format = desc.Format;
    request.shape.width = desc.Width;
    request.shape.height = 1;
    request.shape.depth = 1;
    request.shape.arraySize = 1;
    request.shape.mipLevels = desc.MipLevels;
    request.shape.bindFlags = desc.BindFlags;
    request.shape.miscFlags = desc.MiscFlags;
    request.usage = desc.Usage;
    request.cpuAccess = desc.CPUAccessFlags;
    request.initialData = initialData;
    return request;
}

}  // namespace

// ---------------------------------------------------------------------------
// The texture kinds
// ---------------------------------------------------------------------------

HResult Texture1D::Create(const Texture1DDesc& desc, const SubresourceData* initialData, Texture1D** texture)
{
    if (!texture) return E_INVALIDARG;
    *texture = nullptr;
    CreationRequest request = RequestFromDesc(RESOURCE_DIMENSION_TEXTURE1D, desc, initialData);
    request.shape.arraySize = desc.ArraySize;
    GlName name;
    const HResult result = CreateStorage(request, &name);
    if (Failed(result)) return result;
    Texture1D* made = new Texture1D;
    made->desc_ = desc;
    made->desc_.MipLevels = request.shape.mipLevels;
    made->texture_ = name;
    *texture = made;
    return S_OK;
}

Texture1D::~Texture1D()
{
    if (GlNameDeletable(texture_)) {
        glDeleteTextures(1, &texture_.name);
        ForgetAppliedGlState();
    }
}

uint32_t Texture1D::GlTarget() const { return desc_.ArraySize > 1 ? GL_TEXTURE_1D_ARRAY : GL_TEXTURE_1D; }

HResult Texture2D::Create(const Texture2DDesc& desc, bool backBuffer, Texture2D** texture,
                          const SubresourceData* initialData)
{
    if (!texture) return E_INVALIDARG;
    *texture = nullptr;
    CreationRequest request = RequestFromDesc(RESOURCE_DIMENSION_TEXTURE2D, desc, initialData);
    request.shape.height = desc.Height;
    request.shape.arraySize = std::max(desc.ArraySize, 1u);
    request.shape.samples = std::max(desc.SampleDesc.Count, 1u);
    request.shape.cube = (desc.MiscFlags & RESOURCE_MISC_TEXTURECUBE) != 0;
    GlName name;
    const HResult result = CreateStorage(request, &name);
    if (Failed(result)) return result;
    Texture2D* made = new Texture2D;
    made->desc_ = desc;
    made->desc_.SampleDesc.Count = request.shape.samples;
    made->desc_.MipLevels = request.shape.mipLevels;
    made->desc_.ArraySize = request.shape.arraySize;
    made->backBuffer_ = backBuffer;
    made->texture_ = name;
    made->keepsTopLevel_ = IsMippedPicture(made->desc_);
    if (initialData)
        made->KeepTopLevel(0, 0, desc.Width, desc.Height, initialData[0].pSysMem, initialData[0].SysMemPitch);
    *texture = made;
    return S_OK;
}

void Texture2D::KeepTopLevel(uint32_t x, uint32_t y, uint32_t width, uint32_t height, const void* data,
                             uint64_t rowPitch)
{
    if (!keepsTopLevel_ || !data) return;
    const bool whole = x == 0 && y == 0 && width == desc_.Width && height == desc_.Height;
    if (topLevel_.empty() && !whole) return;  // the rest of the level is not known here
    const size_t levelRow = static_cast<size_t>(desc_.Width) * 4;
    try {
        topLevel_.resize(levelRow * desc_.Height);
    } catch (const std::bad_alloc&) {
        std::vector<uint8_t>().swap(topLevel_);  // GenerateMips then asks GL
        return;
    }
    const auto* source = static_cast<const uint8_t*>(data);
    for (uint32_t row = 0; row < height; ++row)
        std::memcpy(topLevel_.data() + (y + row) * levelRow + static_cast<size_t>(x) * 4, source + row * rowPitch,
                    static_cast<size_t>(width) * 4);
}

void Texture2D::StopKeepingTopLevel()
{
    keepsTopLevel_ = false;
    std::vector<uint8_t>().swap(topLevel_);
}

Texture2D::~Texture2D()
{
    if (GlNameDeletable(texture_)) {
        glDeleteTextures(1, &texture_.name);
        ForgetAppliedGlState();
    }
}

uint32_t Texture2D::GlTarget() const
{
    TextureShape shape;
    GetTextureShape(this, &shape);
    return shape.glTarget;
}

HResult Texture3D::Create(const Texture3DDesc& desc, const SubresourceData* initialData, Texture3D** texture)
{
    if (!texture) return E_INVALIDARG;
    *texture = nullptr;
    CreationRequest request = RequestFromDesc(RESOURCE_DIMENSION_TEXTURE3D, desc, initialData);
    request.shape.height = desc.Height;
    request.shape.depth = desc.Depth;
    GlName name;
    const HResult result = CreateStorage(request, &name);
    if (Failed(result)) return result;
    Texture3D* made = new Texture3D;
    made->desc_ = desc;
    made->desc_.MipLevels = request.shape.mipLevels;
    made->texture_ = name;
    *texture = made;
    return S_OK;
}

Texture3D::~Texture3D()
{
    if (GlNameDeletable(texture_)) {
        glDeleteTextures(1, &texture_.name);
        ForgetAppliedGlState();
    }
}

uint32_t Texture3D::GlTarget() const { return GL_TEXTURE_3D; }

// ---------------------------------------------------------------------------
// Shapes and UpdateSubresource
// ---------------------------------------------------------------------------

bool GetTextureShape(const Resource* resource, TextureShape* shape)
{
    if (!resource || !shape) return false;
    TextureShape made;
    made.dimension = resource->GetType();
    switch (made.dimension) {
    case RESOURCE_DIMENSION_TEXTURE1D: {
        const Texture1DDesc& desc = static_cast<const Texture1D*>(resource)->Desc();
        made.format = desc.Format;
        made.width = desc.Width;
        made.height = made.depth = 1;
        made.mipLevels = desc.MipLevels;
        made.arraySize = desc.ArraySize;
        made.bindFlags = desc.BindFlags;
        made.miscFlags = desc.MiscFlags;
        made.glTexture = static_cast<const Texture1D*>(resource)->GlTexture();
        break;
    }
    case RESOURCE_DIMENSION_TEXTURE2D: {
        const Texture2DDesc& desc = static_cast<const Texture2D*>(resource)->Desc();
        made.format = desc.Format;
        made.width = desc.Width;
        made.height = desc.Height;
        made.depth = 1;
        made.mipLevels = desc.MipLevels;
        made.arraySize = desc.ArraySize;
        made.samples = desc.SampleDesc.Count;
        made.bindFlags = desc.BindFlags;
        made.miscFlags = desc.MiscFlags;
        made.cube = (desc.MiscFlags & RESOURCE_MISC_TEXTURECUBE) != 0;
        made.glTexture = static_cast<const Texture2D*>(resource)->GlTexture();
        break;
    }
    case RESOURCE_DIMENSION_TEXTURE3D: {
        const Texture3DDesc& desc = static_cast<const Texture3D*>(resource)->Desc();
        made.format = desc.Format;
        made.width = desc.Width;
        made.height = desc.Height;
        made.depth = desc.Depth;
        made.mipLevels = desc.MipLevels;
        made.arraySize = 1;
        made.bindFlags = desc.BindFlags;
        made.miscFlags = desc.MiscFlags;
        made.glTexture = static_cast<const Texture3D*>(resource)->GlTexture();
        break;
    }
    default: return false;
    }
    made.glTarget = GlTargetFor(made);
    *shape = made;
    return true;
}

HResult UpdateTextureSubresource(Resource* resource, uint32_t subresource, const Box* box, const void* data,
                                 uint32_t rowPitch, uint32_t depthPitch)
{
    TextureShape shape;
    if (!GetTextureShape(resource, &shape) || !data || !GlReady() || shape.samples > 1) return E_INVALIDARG;
    const FormatInfo& format = *FindFormat(shape.format);
    if (format.glFormat == 0 && format.blockBytes == 0) return E_INVALIDARG;
    const uint32_t mip = subresource % shape.mipLevels;
    const uint32_t slice = subresource / shape.mipLevels;
    if (slice >= shape.arraySize) return E_INVALIDARG;

    Region region = WholeMip(shape, mip);
    if (box) {
        // Direct3D ignores an empty box; one reaching outside the mip is an error.
        if (box->left >= box->right || box->top >= box->bottom || box->front >= box->back) return S_OK;
        if (box->right > region.width || box->bottom > region.height || box->back > region.depth)
            return E_INVALIDARG;
        // Compressed data is replaced in whole blocks.
        if (format.blockBytes &&
            (box->left % 4 != 0 || box->top % 4 != 0 || (box->right % 4 != 0 && box->right != region.width) ||
             (box->bottom % 4 != 0 && box->bottom != region.height)))
            return E_INVALIDARG;
        region = Region {box->left, box->top, box->front, box->right - box->left, box->bottom - box->top,
                         box->back - box->front};
    }
    const HResult result = UploadRegion(shape, mip, slice, region, data, rowPitch, depthPitch);
    if (Succeeded(result) && subresource == 0 && shape.dimension == RESOURCE_DIMENSION_TEXTURE2D)
        static_cast<Texture2D*>(resource)->KeepTopLevel(region.x, region.y, region.width, region.height, data,
                                                        rowPitch);
    return result;
}

}  // namespace gpu
