// The immediate context. Like Direct3D's, it only records what is bound;
// the recorded state becomes GL state when something is drawn, because other
// GL users (Dear ImGui's renderer) change GL state behind the layer's back.
// The context holds a reference to everything bound to it.
//
// The device half records the output merger (targets, depth-stencil state)
// and the rasterizer stage (state, viewports, scissors), clears and flushes.
// Input assembler, shader stages, blend state and draws join with the
// resource half; their Apply* steps go into ApplyOutputState's sequence.
#pragma once

#include <cstdint>

#include "platform/gpu/gl_names.h"
#include "platform/gpu/gpu_types.h"
#include "platform/gpu/object.h"

namespace gpu {

class DepthStencilState;
class DepthStencilView;
class RasterizerState;
class RenderTargetView;
class Texture2D;

class Context : public Object {
public:
    // Output merger ---------------------------------------------------------
    void OMSetRenderTargets(uint32_t count, RenderTargetView* const* views, DepthStencilView* depthView);
    // Fills `count` slots and the depth view (either may be null), AddRef'd.
    void OMGetRenderTargets(uint32_t count, RenderTargetView** views, DepthStencilView** depthView) const;
    void OMSetDepthStencilState(DepthStencilState* state, uint32_t stencilReference);
    void OMGetDepthStencilState(DepthStencilState** state, uint32_t* stencilReference) const;

    // Rasterizer --------------------------------------------------------------
    void RSSetState(RasterizerState* state);
    void RSGetState(RasterizerState** state) const;
    void RSSetViewports(uint32_t count, const Viewport* viewports);
    // In: room in `viewports`; out: the number bound. Null `viewports` asks the number.
    void RSGetViewports(uint32_t* count, Viewport* viewports) const;
    void RSSetScissorRects(uint32_t count, const Rect* rects);
    void RSGetScissorRects(uint32_t* count, Rect* rects) const;

    // Clears ignore write masks and scissors, as Direct3D's do ---------------
    void ClearRenderTargetView(RenderTargetView* view, const float color[4]);
    void ClearDepthStencilView(DepthStencilView* view, uint32_t clearFlags, float depth, uint8_t stencil);

    // Unbinds everything and returns every state to its default.
    void ClearState();
    void Flush();

    // Layer-internal --------------------------------------------------------
    static Context* Create();

    // Binds the recorded render targets and applies the fixed conventions,
    // viewports, scissors, rasterizer and depth-stencil state. Every draw
    // calls it first; false means there is nothing to draw into (no target,
    // no viewport, or targets GL cannot combine), and the draw is dropped.
    bool ApplyOutputState();

    // The first bound colour target's texture (else the depth target's), and
    // whether that is the back buffer. Null when nothing is bound.
    Texture2D* BoundTargetTexture() const;

private:
    Context() = default;
    ~Context() override;

    bool BindTargets();
    void ApplyViewportsAndScissors(uint32_t targetHeight, bool backBuffer);
    uint32_t ClearFramebuffer();

    RenderTargetView* renderTargets_[kMaxRenderTargets] = {};
    DepthStencilView* depthView_ = nullptr;
    DepthStencilState* depthStencilState_ = nullptr;
    uint32_t stencilReference_ = 0;
    RasterizerState* rasterizerState_ = nullptr;
    Viewport viewports_[kMaxViewports] = {};
    uint32_t viewportCount_ = 0;
    Rect scissors_[kMaxViewports] = {};
    uint32_t scissorCount_ = 0;

    GlName drawFramebuffer_;
    GlName clearFramebuffer_;
    bool targetsChanged_ = true;
};

}  // namespace gpu
