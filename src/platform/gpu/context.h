// The immediate context. Like Direct3D's, it only records what is bound;
// the recorded state becomes GL state when something is drawn. The context
// also remembers what it last put into GL and issues only the calls that
// change it, as sokol_gfx's GL state cache does: a run of draws that differ
// only in their buffers costs GL (and llvmpipe, which keeps a copy of the
// pipeline state for every change) a few calls each. Other GL users (Dear
// ImGui's renderer) are handed GL through ApplyOutputState, and everything is
// stated afresh after them (ForgetAppliedGlState, gl_names.h).
// The context holds a reference to everything bound to it.
//
// The device half records the output merger (targets, depth-stencil state)
// and the rasterizer stage (state, viewports, scissors), clears and flushes.
// The resource half (pipeline.cpp) records the input assembler, the vertex
// and pixel stages and the blend state, and draws: DrawIndexed applies the
// output state, then the input assembler and the shader stages.
//
// Binding spaces: vertex constant buffer bN is GL uniform-buffer binding N,
// pixel constant buffer bN binding 16 + N; texture tN and sampler sN share
// texture unit N, and a unit with a texture but no sampler samples with
// Direct3D's default sampler state (linear, clamp).
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
class Resource;
class Buffer;
class InputLayout;
class VertexShader;
class PixelShader;
class ShaderResourceView;
class SamplerState;
class BlendState;

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

    // Output merger: blending. A null factor is (1, 1, 1, 1).
    void OMSetBlendState(BlendState* state, const float blendFactor[4], uint32_t sampleMask);
    void OMGetBlendState(BlendState** state, float blendFactor[4], uint32_t* sampleMask) const;

    // Input assembler -------------------------------------------------------
    void IASetInputLayout(InputLayout* layout);
    void IASetVertexBuffers(uint32_t startSlot, uint32_t count, Buffer* const* buffers, const uint32_t* strides,
                            const uint32_t* offsets);
    // Each output may be null; buffers come AddRef'd.
    void IAGetVertexBuffers(uint32_t startSlot, uint32_t count, Buffer** buffers, uint32_t* strides,
                            uint32_t* offsets) const;
    // `format` is FORMAT_R16_UINT or FORMAT_R32_UINT.
    void IASetIndexBuffer(Buffer* buffer, Format format, uint32_t offset);
    void IASetPrimitiveTopology(PrimitiveTopology topology);

    // Shader stages (class instances are not offered: pass null, 0) ----------
    void VSSetShader(VertexShader* shader, void* const* classInstances, uint32_t classInstanceCount);
    void PSSetShader(PixelShader* shader, void* const* classInstances, uint32_t classInstanceCount);
    void VSSetConstantBuffers(uint32_t startSlot, uint32_t count, Buffer* const* buffers);
    void PSSetConstantBuffers(uint32_t startSlot, uint32_t count, Buffer* const* buffers);
    void PSSetShaderResources(uint32_t startSlot, uint32_t count, ShaderResourceView* const* views);
    void PSSetSamplers(uint32_t startSlot, uint32_t count, SamplerState* const* samplers);

    // Resources and draws -----------------------------------------------------
    // Buffers: the whole buffer, or the byte range [left, right) of `box`.
    // Textures: one subresource (mip + slice x mip levels) or a box of it.
    void UpdateSubresource(Resource* resource, uint32_t subresource, const Box* box, const void* data,
                           uint32_t rowPitch, uint32_t depthPitch);
    // Fills the mips below the view's first from it, within the view's mips
    // and slices; only for resources made with RESOURCE_MISC_GENERATE_MIPS.
    void GenerateMips(ShaderResourceView* view);
    // Dropped, as Direct3D drops it, without a vertex shader, input layout,
    // index buffer or topology; a vertex-buffer slot the layout reads but
    // nothing is bound to reads zeros. Without a pixel shader only depth and
    // stencil are written.
    void DrawIndexed(uint32_t indexCount, uint32_t startIndex, int32_t baseVertex);
    // DrawIndexed `instanceCount` times in one draw, the shaders telling the
    // copies apart by their instance number (0 up, whatever `startInstance`:
    // that offsets only per-instance vertex data, which this layer's input
    // layouts never declare). Dropped as DrawIndexed is, and for no instance.
    void DrawIndexedInstanced(uint32_t indexCountPerInstance, uint32_t instanceCount, uint32_t startIndex,
                              int32_t baseVertex, uint32_t startInstance);

    // Unbinds everything and returns every state to its default.
    void ClearState();
    void Flush();

    // Layer-internal --------------------------------------------------------
    static Context* Create();

    // For a renderer of its own (Dear ImGui's) about to draw into the bound
    // target: binds the recorded render targets and applies the fixed
    // conventions, viewports, scissors, rasterizer, depth-stencil and blend
    // state, then leaves no vertex array or program pipeline bound and
    // forgets what it applied, since the caller changes GL next. False means
    // there is nothing to draw into (no target, no viewport, or targets GL
    // cannot combine).
    bool ApplyOutputState();

    // The number of draws that reached GL since the context was made, and
    // the copies they drew (an instanced draw of n copies counts n).
    uint64_t DrawCount() const { return drawCount_; }
    uint64_t CopiesDrawn() const { return copiesDrawn_; }

    // The first bound colour target's texture (else the depth target's), and
    // whether that is the back buffer. Null when nothing is bound.
    Texture2D* BoundTargetTexture() const;

private:
    Context() = default;
    ~Context() override;

    // What the draws last put into GL; a draw issues only what differs. A
    // name of kUnknownName, or a group not marked known, is stated again.
    static constexpr uint32_t kUnknownName = 0xFFFFFFFFu;
    struct AppliedState {
        uint64_t epoch = 0;  // AppliedGlStateEpoch() when recorded; 0: nothing known
        uint32_t generation = 0;
        uint32_t framebuffer = kUnknownName;
        bool targetsComplete = false;
        bool originKnown = false, backBufferOrigin = false;
        bool rasterizerKnown = false;
        RasterizerDesc rasterizer;
        bool viewportsKnown = false;
        uint32_t targetHeight = 0;
        bool backBufferViewports = false;
        uint32_t viewportCount = 0, scissorCount = 0;
        Viewport viewports[kMaxViewports] = {};
        Rect scissors[kMaxViewports] = {};
        bool depthStencilKnown = false;
        DepthStencilDesc depthStencil;
        uint32_t stencilReference = 0;
        bool blendKnown = false, colourWrites = false;
        BlendDesc blend;
        float blendFactor[4] = {};
        uint32_t sampleMask = 0;
        bool srgbKnown = false;
        bool pipelineBound = false;
        uint32_t vertexProgram = kUnknownName, pixelProgram = kUnknownName;
        uint32_t vertexArray = kUnknownName;
        int primitiveRestart = -1;
        uint32_t uniformBuffers[kPixelConstantBufferBase + kConstantBufferSlots] = {};
        uint32_t textures[kShaderResourceSlots] = {};
        uint32_t samplers[kShaderResourceSlots] = {};
    };
    // Starts the record afresh when GL was touched behind it or the GL context is new.
    void CheckAppliedState();
    // ApplyOutputState for the context's own draws: `colourWrites` false
    // masks every colour channel (a draw without a pixel shader).
    bool ApplyRecordedOutput(bool colourWrites);

    bool BindTargets();
    void ApplyViewportsAndScissors(uint32_t targetHeight, bool backBuffer);
    uint32_t ClearFramebuffer();
    AppliedState applied_;
    uint64_t drawCount_ = 0;
    uint64_t copiesDrawn_ = 0;

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

    // Input assembler, shader stages and blending (pipeline.cpp) -------------
    void ClearPipelineState();
    void DeletePipelineObjects();
    void PreparePipelineObjects();
    void ApplyInputAssembler();
    void ApplyShaderStages();

    BlendState* blendState_ = nullptr;
    float blendFactor_[4] = {1, 1, 1, 1};
    uint32_t sampleMask_ = 0xFFFFFFFFu;
    InputLayout* inputLayout_ = nullptr;
    Buffer* vertexBuffers_[kVertexBufferSlots] = {};
    uint32_t vertexStrides_[kVertexBufferSlots] = {};
    uint32_t vertexOffsets_[kVertexBufferSlots] = {};
    Buffer* indexBuffer_ = nullptr;
    Format indexFormat_ = FORMAT_UNKNOWN;
    uint32_t indexOffset_ = 0;
    PrimitiveTopology topology_ = PRIMITIVE_TOPOLOGY_UNDEFINED;
    VertexShader* vertexShader_ = nullptr;
    PixelShader* pixelShader_ = nullptr;
    Buffer* vertexConstantBuffers_[kConstantBufferSlots] = {};
    Buffer* pixelConstantBuffers_[kConstantBufferSlots] = {};
    ShaderResourceView* pixelResources_[kShaderResourceSlots] = {};
    SamplerState* pixelSamplers_[kSamplerSlots] = {};
    // Made once per GL context: the program pipeline the two stages meet in,
    // and the sampler of units that have no sampler bound.
    GlName programPipeline_;
    SamplerState* defaultSampler_ = nullptr;
    uint32_t defaultSamplerGeneration_ = 0;
};

}  // namespace gpu
