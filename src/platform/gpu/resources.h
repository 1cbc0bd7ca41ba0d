// GPU resources: 1-D, 2-D (arrays, cube maps, multisampled) and 3-D
// textures, and buffers. Row 0 of every texture's data is the top of its
// image (uv (0,0) its top-left texel), as in Direct3D.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/gpu/gl_names.h"
#include "platform/gpu/gpu_types.h"
#include "platform/gpu/object.h"

namespace gpu {

enum ResourceDimension : uint32_t {
    RESOURCE_DIMENSION_UNKNOWN = 0,
    RESOURCE_DIMENSION_BUFFER = 1,
    RESOURCE_DIMENSION_TEXTURE1D = 2,
    RESOURCE_DIMENSION_TEXTURE2D = 3,
    RESOURCE_DIMENSION_TEXTURE3D = 4,
};

class Resource : public Object {
public:
    ResourceDimension GetType() const { return dimension_; }

protected:
    explicit Resource(ResourceDimension dimension) : dimension_(dimension) {}

private:
    ResourceDimension dimension_;
};

class Texture2D : public Resource {
public:
    void GetDesc(Texture2DDesc* desc) const
    {
        if (desc) *desc = desc_;
    }

    // Layer-internal -------------------------------------------------------
    // Makes the GL storage for `desc` (already validated by the device) and
    // fills it from `initialData` (ArraySize x MipLevels entries) when given.
    static HResult Create(const Texture2DDesc& desc, bool backBuffer, Texture2D** texture,
                          const SubresourceData* initialData = nullptr);

    const Texture2DDesc& Desc() const { return desc_; }
    uint32_t GlTexture() const { return texture_.name; }
    // GL_TEXTURE_2D, GL_TEXTURE_2D_MULTISAMPLE, or GL_TEXTURE_2D_ARRAY for
    // arrays and cube maps (their views pick the cube targets).
    uint32_t GlTarget() const;
    bool Multisampled() const { return desc_.SampleDesc.Count > 1; }
    // The swap chain's buffer: GL keeps its rows bottom-up, every other
    // texture top-down (row 0 is the top of the picture, as in Direct3D).
    bool IsBackBuffer() const { return backBuffer_; }

    // A picture made to generate its mips (one 2-D slice of 8-bit RGBA or
    // BGRA, one sample) keeps the top level the CPU gave it, so that
    // GenerateMips filters the levels from that and never reads the GPU.
    // What a write of `region` of the top level (rows `rowPitch` apart)
    // leaves there: a copy of the whole level once it was written whole,
    // else nothing.
    void KeepTopLevel(uint32_t x, uint32_t y, uint32_t width, uint32_t height, const void* data, uint64_t rowPitch);
    // Hands the kept top level over (rows packed, top-down) and keeps no copy
    // any more; empty when none is kept.
    std::vector<uint8_t> TakeTopLevel() { return std::move(topLevel_); }
    // A render-target view may draw into the picture, which the CPU copy
    // would not show: from now on none is kept.
    void StopKeepingTopLevel();

private:
    Texture2D() : Resource(RESOURCE_DIMENSION_TEXTURE2D) {}
    ~Texture2D() override;

    Texture2DDesc desc_;
    GlName texture_;
    bool backBuffer_ = false;
    bool keepsTopLevel_ = false;
    std::vector<uint8_t> topLevel_;
};

class Texture1D : public Resource {
public:
    void GetDesc(Texture1DDesc* desc) const
    {
        if (desc) *desc = desc_;
    }

    // Layer-internal -------------------------------------------------------
    static HResult Create(const Texture1DDesc& desc, const SubresourceData* initialData, Texture1D** texture);
    const Texture1DDesc& Desc() const { return desc_; }
    uint32_t GlTexture() const { return texture_.name; }
    uint32_t GlTarget() const;  // GL_TEXTURE_1D or GL_TEXTURE_1D_ARRAY

private:
    Texture1D() : Resource(RESOURCE_DIMENSION_TEXTURE1D) {}
    ~Texture1D() override;

    Texture1DDesc desc_;
    GlName texture_;
};

class Texture3D : public Resource {
public:
    void GetDesc(Texture3DDesc* desc) const
    {
        if (desc) *desc = desc_;
    }

    // Layer-internal -------------------------------------------------------
    static HResult Create(const Texture3DDesc& desc, const SubresourceData* initialData, Texture3D** texture);
    const Texture3DDesc& Desc() const { return desc_; }
    uint32_t GlTexture() const { return texture_.name; }
    uint32_t GlTarget() const;  // GL_TEXTURE_3D

private:
    Texture3D() : Resource(RESOURCE_DIMENSION_TEXTURE3D) {}
    ~Texture3D() override;

    Texture3DDesc desc_;
    GlName texture_;
};

// What the three texture kinds share, for views, uploads and mip generation.
// `depth` is 1 except for 3-D textures, `arraySize` 1 for them.
struct TextureShape {
    ResourceDimension dimension = RESOURCE_DIMENSION_UNKNOWN;
    Format format = FORMAT_UNKNOWN;
    uint32_t width = 0, height = 0, depth = 0;
    uint32_t mipLevels = 0, arraySize = 0, samples = 1;
    uint32_t bindFlags = 0, miscFlags = 0;
    bool cube = false;
    uint32_t glTexture = 0, glTarget = 0;
};
// False (shape untouched) for buffers and null.
bool GetTextureShape(const Resource* resource, TextureShape* shape);

// UpdateSubresource for textures: `subresource` is mip + slice x mip levels;
// a null box covers the whole mip. Rows are `rowPitch` bytes apart (block rows
// for compressed formats), 3-D slices `depthPitch`. E_INVALIDARG for a
// subresource or box outside the texture, or a format without pixel uploads.
HResult UpdateTextureSubresource(Resource* resource, uint32_t subresource, const Box* box, const void* data,
                                 uint32_t rowPitch, uint32_t depthPitch);

// Vertex, index and constant buffers. DEFAULT buffers take UpdateSubresource;
// IMMUTABLE ones keep their initial data. Buffers that would need Map
// (DYNAMIC, STAGING) are not offered.
class Buffer : public Resource {
public:
    void GetDesc(BufferDesc* desc) const
    {
        if (desc) *desc = desc_;
    }

    // Layer-internal -------------------------------------------------------
    static HResult Create(const BufferDesc* desc, const SubresourceData* initialData, Buffer** buffer);
    const BufferDesc& Desc() const { return desc_; }
    uint32_t GlBuffer() const { return buffer_.name; }
    const GlName& Name() const { return buffer_; }
    // UpdateSubresource's bytes into [first, end): false when a constant
    // buffer already holds exactly them, so nothing need reach GL (llvmpipe
    // copies a pixel stage's constants for every change).
    bool TakeUpdate(uint32_t first, uint32_t end, const void* data);

private:
    Buffer() : Resource(RESOURCE_DIMENSION_BUFFER) {}
    ~Buffer() override;

    BufferDesc desc_;
    GlName buffer_;
    // A constant buffer's bytes once every one of them was uploaded.
    std::vector<uint8_t> heldBytes_;
};


}  // namespace gpu
