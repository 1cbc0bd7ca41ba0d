// Views: which resource (and mip) a pipeline stage writes or reads. A view
// holds a reference to its resource, as Direct3D's views do, so a resource
// lives as long as any view of it.
#pragma once

#include "platform/gpu/gpu_types.h"
#include "platform/gpu/object.h"
#include "platform/gpu/resources.h"

namespace gpu {

class RenderTargetView : public Object {
public:
    void GetDesc(RenderTargetViewDesc* desc) const
    {
        if (desc) *desc = desc_;
    }
    // AddRef'd, as GetResource does.
    void GetResource(Resource** resource) const;

    // Layer-internal -------------------------------------------------------
    static HResult Create(Resource* resource, const RenderTargetViewDesc* desc, RenderTargetView** view);
    Texture2D* Texture() const { return texture_; }
    uint32_t MipSlice() const { return desc_.Texture2D.MipSlice; }

private:
    RenderTargetView() = default;
    ~RenderTargetView() override;

    RenderTargetViewDesc desc_;
    Texture2D* texture_ = nullptr;
};

class DepthStencilView : public Object {
public:
    void GetDesc(DepthStencilViewDesc* desc) const
    {
        if (desc) *desc = desc_;
    }
    void GetResource(Resource** resource) const;

    // Layer-internal -------------------------------------------------------
    static HResult Create(Resource* resource, const DepthStencilViewDesc* desc, DepthStencilView** view);
    Texture2D* Texture() const { return texture_; }
    uint32_t MipSlice() const { return desc_.Texture2D.MipSlice; }
    bool HasStencil() const;

private:
    DepthStencilView() = default;
    ~DepthStencilView() override;

    DepthStencilViewDesc desc_;
    Texture2D* texture_ = nullptr;
};

// What a shader samples: a range of mips (and array slices or cube faces) of
// a texture in a typed format. Each view is a GL texture view sharing the
// texture's storage, with the targets GL samples it through (a cube map
// stored as faces is a GL cube here).
class ShaderResourceView : public Object {
public:
    // The description with the mip count resolved (never -1).
    void GetDesc(ShaderResourceViewDesc* desc) const
    {
        if (desc) *desc = desc_;
    }
    void GetResource(Resource** resource) const;

    // Layer-internal -------------------------------------------------------
    static HResult Create(Resource* resource, const ShaderResourceViewDesc* desc, ShaderResourceView** view);
    Resource* ViewedResource() const { return resource_; }
    uint32_t GlTexture() const { return view_.name; }
    uint32_t GlTarget() const { return target_; }

private:
    ShaderResourceView() = default;
    ~ShaderResourceView() override;

    ShaderResourceViewDesc desc_;
    Resource* resource_ = nullptr;
    GlName view_;
    uint32_t target_ = 0;
};

}  // namespace gpu
