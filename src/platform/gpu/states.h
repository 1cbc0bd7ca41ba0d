// Immutable pipeline state objects. Each keeps its description; the context
// turns the bound ones into GL state at draw time. A sampler state is a GL
// sampler object, bound to the texture unit of its slot.
#pragma once

#include "platform/gpu/gl_names.h"
#include "platform/gpu/gpu_types.h"
#include "platform/gpu/object.h"

namespace gpu {

class DepthStencilState : public Object {
public:
    void GetDesc(DepthStencilDesc* desc) const
    {
        if (desc) *desc = desc_;
    }
    static HResult Create(const DepthStencilDesc* desc, DepthStencilState** state);
    const DepthStencilDesc& Desc() const { return desc_; }

private:
    DepthStencilState() = default;
    DepthStencilDesc desc_;
};

class RasterizerState : public Object {
public:
    void GetDesc(RasterizerDesc* desc) const
    {
        if (desc) *desc = desc_;
    }
    static HResult Create(const RasterizerDesc* desc, RasterizerState** state);
    const RasterizerDesc& Desc() const { return desc_; }

private:
    RasterizerState() = default;
    RasterizerDesc desc_;
};

class BlendState : public Object {
public:
    void GetDesc(BlendDesc* desc) const
    {
        if (desc) *desc = desc_;
    }
    static HResult Create(const BlendDesc* desc, BlendState** state);
    const BlendDesc& Desc() const { return desc_; }

private:
    BlendState() = default;
    BlendDesc desc_;
};

class SamplerState : public Object {
public:
    void GetDesc(SamplerDesc* desc) const
    {
        if (desc) *desc = desc_;
    }
    // Filters other than point, linear, anisotropic and comparison (the
    // minimum/maximum reductions) answer E_INVALIDARG.
    static HResult Create(const SamplerDesc* desc, SamplerState** state);
    const SamplerDesc& Desc() const { return desc_; }
    uint32_t GlSampler() const { return sampler_.name; }

private:
    SamplerState() = default;
    ~SamplerState() override;
    SamplerDesc desc_;
    GlName sampler_;
};

// Layer-internal: the GL state of a description (null: Direct3D's defaults).
void ApplyDepthStencilState(const DepthStencilDesc* desc, uint32_t stencilReference);
void ApplyRasterizerState(const RasterizerDesc* desc);
void ApplyBlendState(const BlendDesc* desc, const float blendFactor[4], uint32_t sampleMask);

}  // namespace gpu
