// GPU resources. The device half of the layer needs 2-D textures only (the
// swap chain's buffer and the depth buffer); buffers and the other texture
// kinds join here with the resource half.
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
    // Makes the GL storage for `desc` (already validated by the device).
    static HResult Create(const Texture2DDesc& desc, bool backBuffer, Texture2D** texture);

    const Texture2DDesc& Desc() const { return desc_; }
    uint32_t GlTexture() const { return texture_.name; }
    uint32_t GlTarget() const;  // GL_TEXTURE_2D or GL_TEXTURE_2D_MULTISAMPLE
    bool Multisampled() const { return desc_.SampleDesc.Count > 1; }
    // The swap chain's buffer: GL keeps its rows bottom-up, every other
    // texture top-down (row 0 is the top of the picture, as in Direct3D).
    bool IsBackBuffer() const { return backBuffer_; }

private:
    Texture2D() : Resource(RESOURCE_DIMENSION_TEXTURE2D) {}
    ~Texture2D() override;

    Texture2DDesc desc_;
    GlName texture_;
    bool backBuffer_ = false;
};

// Reads mip 0 of an RGBA8 texture (multisampled ones are resolved first) as
// rows top-down, 4 bytes per pixel: the picture as the program sees it. The
// back buffer's rows are flipped here, once. For tests and screenshots.
HResult ReadTexturePixels(Texture2D* texture, std::vector<uint8_t>* rgba, uint32_t* width, uint32_t* height);

}  // namespace gpu
