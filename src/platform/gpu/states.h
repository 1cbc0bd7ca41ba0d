// Immutable pipeline state objects. Each keeps its description; the context
// turns the bound ones into GL state at draw time (the blend and sampler
// states join here with the resource half).
#pragma once

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

// Layer-internal: the GL state of a description (null: Direct3D's defaults).
void ApplyDepthStencilState(const DepthStencilDesc* desc, uint32_t stencilReference);
void ApplyRasterizerState(const RasterizerDesc* desc);

}  // namespace gpu
