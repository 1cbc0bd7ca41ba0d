// Index
//   - Creation and teardown
//   - Output merger
//   - Rasterizer
//   - Clears
//   - Applying the recorded state at draw time
#include "platform/gpu/context.h"

#include <epoxy/gl.h>

#include <algorithm>
#include <cstring>
#include <iterator>

#include "platform/gpu/conventions.h"
#include "platform/gpu/resources.h"
#include "platform/gpu/states.h"
#include "platform/gpu/views.h"
#include "platform/window_internal.h"

namespace gpu {

// ---------------------------------------------------------------------------
// Creation and teardown
// ---------------------------------------------------------------------------

Context* Context::Create() { return new Context; }

Context::~Context()
{
    ClearState();
    DeletePipelineObjects();
    if (GlNameDeletable(drawFramebuffer_)) glDeleteFramebuffers(1, &drawFramebuffer_.name);
    if (GlNameDeletable(clearFramebuffer_)) glDeleteFramebuffers(1, &clearFramebuffer_.name);
}

void Context::ClearState()
{
    for (RenderTargetView*& view : renderTargets_) ReplaceReference(view, static_cast<RenderTargetView*>(nullptr));
    ReplaceReference(depthView_, static_cast<DepthStencilView*>(nullptr));
    ReplaceReference(depthStencilState_, static_cast<DepthStencilState*>(nullptr));
    ReplaceReference(rasterizerState_, static_cast<RasterizerState*>(nullptr));
    stencilReference_ = 0;
    viewportCount_ = 0;
    scissorCount_ = 0;
    targetsChanged_ = true;
    ClearPipelineState();
}

void Context::Flush()
{
    if (GlReady()) glFlush();
}

// ---------------------------------------------------------------------------
// Output merger
// ---------------------------------------------------------------------------

void Context::OMSetRenderTargets(uint32_t count, RenderTargetView* const* views, DepthStencilView* depthView)
{
    for (uint32_t slot = 0; slot < kMaxRenderTargets; ++slot) {
        RenderTargetView* view = (views && slot < count) ? views[slot] : nullptr;
        ReplaceReference(renderTargets_[slot], view);
    }
    ReplaceReference(depthView_, depthView);
    targetsChanged_ = true;
}

void Context::OMGetRenderTargets(uint32_t count, RenderTargetView** views, DepthStencilView** depthView) const
{
    for (uint32_t slot = 0; views && slot < count; ++slot) {
        views[slot] = slot < kMaxRenderTargets ? renderTargets_[slot] : nullptr;
        if (views[slot]) views[slot]->AddRef();
    }
    if (depthView) {
        *depthView = depthView_;
        if (depthView_) depthView_->AddRef();
    }
}

void Context::OMSetDepthStencilState(DepthStencilState* state, uint32_t stencilReference)
{
    ReplaceReference(depthStencilState_, state);
    stencilReference_ = stencilReference;
}

void Context::OMGetDepthStencilState(DepthStencilState** state, uint32_t* stencilReference) const
{
    if (state) {
        *state = depthStencilState_;
        if (depthStencilState_) depthStencilState_->AddRef();
    }
    if (stencilReference) *stencilReference = stencilReference_;
}

// ---------------------------------------------------------------------------
// Rasterizer
// ---------------------------------------------------------------------------

void Context::RSSetState(RasterizerState* state) { ReplaceReference(rasterizerState_, state); }

void Context::RSGetState(RasterizerState** state) const
{
    if (!state) return;
    *state = rasterizerState_;
    if (rasterizerState_) rasterizerState_->AddRef();
}

void Context::RSSetViewports(uint32_t count, const Viewport* viewports)
{
    viewportCount_ = viewports ? std::min(count, kMaxViewports) : 0;
    std::copy_n(viewports, viewportCount_, viewports_);
}

void Context::RSGetViewports(uint32_t* count, Viewport* viewports) const
{
    if (!count) return;
    if (viewports) std::copy_n(viewports_, std::min(*count, viewportCount_), viewports);
    *count = viewportCount_;
}

void Context::RSSetScissorRects(uint32_t count, const Rect* rects)
{
    scissorCount_ = rects ? std::min(count, kMaxViewports) : 0;
    std::copy_n(rects, scissorCount_, scissors_);
}

void Context::RSGetScissorRects(uint32_t* count, Rect* rects) const
{
    if (!count) return;
    if (rects) std::copy_n(scissors_, std::min(*count, scissorCount_), rects);
    *count = scissorCount_;
}

// ---------------------------------------------------------------------------
// Clears
// ---------------------------------------------------------------------------

uint32_t Context::ClearFramebuffer()
{
    if (clearFramebuffer_.name == 0 || clearFramebuffer_.generation != platform::GlContextGeneration()) {
        GLuint name = 0;
        glCreateFramebuffers(1, &name);
        clearFramebuffer_ = MakeGlName(name);
    }
    // Direct3D's clears ignore the scissor and every write mask; the groups
    // holding them are stated again at the next draw.
    glDisable(GL_SCISSOR_TEST);
    applied_.rasterizerKnown = false;
    applied_.depthStencilKnown = false;
    applied_.blendKnown = false;
    applied_.srgbKnown = false;
    return clearFramebuffer_.name;
}

void Context::ClearRenderTargetView(RenderTargetView* view, const float color[4])
{
    if (!view || !color || !GlReady()) return;
    const GLuint framebuffer = ClearFramebuffer();
    glNamedFramebufferTexture(framebuffer, GL_COLOR_ATTACHMENT0, view->Texture()->GlTexture(),
                              static_cast<GLint>(view->MipSlice()));
    glNamedFramebufferDrawBuffer(framebuffer, GL_COLOR_ATTACHMENT0);
    glColorMaski(0, GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    // A clear of an sRGB view takes a linear colour, as Direct3D's does.
    glEnable(GL_FRAMEBUFFER_SRGB);
    glClearNamedFramebufferfv(framebuffer, GL_COLOR, 0, color);
    glNamedFramebufferTexture(framebuffer, GL_COLOR_ATTACHMENT0, 0, 0);
}

void Context::ClearDepthStencilView(DepthStencilView* view, uint32_t clearFlags, float depth, uint8_t stencil)
{
    if (!view || !GlReady() || (clearFlags & (CLEAR_DEPTH | CLEAR_STENCIL)) == 0) return;
    const GLuint framebuffer = ClearFramebuffer();
    const bool hasStencil = view->HasStencil();
    const GLenum attachment = hasStencil ? GL_DEPTH_STENCIL_ATTACHMENT : GL_DEPTH_ATTACHMENT;
    glNamedFramebufferDrawBuffer(framebuffer, GL_NONE);
    glNamedFramebufferTexture(framebuffer, attachment, view->Texture()->GlTexture(),
                              static_cast<GLint>(view->MipSlice()));
    glDepthMask(GL_TRUE);
    glStencilMask(0xFF);
    const float clamped = std::clamp(depth, 0.0f, 1.0f);
    const GLint stencilValue = stencil;
    const bool clearDepth = (clearFlags & CLEAR_DEPTH) != 0;
    const bool clearStencil = hasStencil && (clearFlags & CLEAR_STENCIL) != 0;
    if (clearDepth && clearStencil) glClearNamedFramebufferfi(framebuffer, GL_DEPTH_STENCIL, 0, clamped, stencilValue);
    else if (clearDepth) glClearNamedFramebufferfv(framebuffer, GL_DEPTH, 0, &clamped);
    else if (clearStencil) glClearNamedFramebufferiv(framebuffer, GL_STENCIL, 0, &stencilValue);
    glNamedFramebufferTexture(framebuffer, attachment, 0, 0);
}

// ---------------------------------------------------------------------------
// Applying the recorded state at draw time
// ---------------------------------------------------------------------------

Texture2D* Context::BoundTargetTexture() const
{
    for (RenderTargetView* view : renderTargets_)
        if (view) return view->Texture();
    return depthView_ ? depthView_->Texture() : nullptr;
}

void Context::CheckAppliedState()
{
    const uint64_t epoch = AppliedGlStateEpoch();
    const uint32_t generation = platform::GlContextGeneration();
    if (applied_.epoch == epoch && applied_.generation == generation) return;
    applied_ = AppliedState {};
    applied_.epoch = epoch;
    applied_.generation = generation;
    std::fill(std::begin(applied_.uniformBuffers), std::end(applied_.uniformBuffers), kUnknownName);
    std::fill(std::begin(applied_.textures), std::end(applied_.textures), kUnknownName);
    std::fill(std::begin(applied_.samplers), std::end(applied_.samplers), kUnknownName);
    // Attachments are GL state of the framebuffer object, but GL may have
    // detached a deleted texture: attach again.
    targetsChanged_ = true;
}

bool Context::BindTargets()
{
    if (drawFramebuffer_.name == 0 || drawFramebuffer_.generation != platform::GlContextGeneration()) {
        GLuint name = 0;
        glCreateFramebuffers(1, &name);
        drawFramebuffer_ = MakeGlName(name);
        targetsChanged_ = true;
    }
    const GLuint framebuffer = drawFramebuffer_.name;
    if (targetsChanged_) {
        GLenum drawBuffers[kMaxRenderTargets];
        for (uint32_t slot = 0; slot < kMaxRenderTargets; ++slot) {
            const RenderTargetView* view = renderTargets_[slot];
            glNamedFramebufferTexture(framebuffer, GL_COLOR_ATTACHMENT0 + slot, view ? view->Texture()->GlTexture() : 0,
                                      view ? static_cast<GLint>(view->MipSlice()) : 0);
            drawBuffers[slot] = view ? GL_COLOR_ATTACHMENT0 + slot : GL_NONE;
        }
        glNamedFramebufferDrawBuffers(framebuffer, kMaxRenderTargets, drawBuffers);
        glNamedFramebufferTexture(framebuffer, GL_DEPTH_STENCIL_ATTACHMENT, 0, 0);
        glNamedFramebufferTexture(framebuffer, GL_DEPTH_ATTACHMENT, 0, 0);
        if (depthView_) {
            glNamedFramebufferTexture(framebuffer,
                                      depthView_->HasStencil() ? GL_DEPTH_STENCIL_ATTACHMENT : GL_DEPTH_ATTACHMENT,
                                      depthView_->Texture()->GlTexture(), static_cast<GLint>(depthView_->MipSlice()));
        }
        // The bound views keep their textures alive, so the answer holds
        // until the targets change.
        applied_.targetsComplete =
            glCheckNamedFramebufferStatus(framebuffer, GL_DRAW_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
        targetsChanged_ = false;
    }
    if (!applied_.targetsComplete) return false;
    if (applied_.framebuffer != framebuffer) {
        glBindFramebuffer(GL_DRAW_FRAMEBUFFER, framebuffer);
        applied_.framebuffer = framebuffer;
    }
    return true;
}

void Context::ApplyViewportsAndScissors(uint32_t targetHeight, bool backBuffer)
{
    AppliedState& a = applied_;
    if (a.viewportsKnown && a.targetHeight == targetHeight && a.backBufferViewports == backBuffer &&
        a.viewportCount == viewportCount_ && a.scissorCount == scissorCount_ &&
        std::memcmp(a.viewports, viewports_, sizeof(Viewport) * viewportCount_) == 0 &&
        std::memcmp(a.scissors, scissors_, sizeof(Rect) * scissorCount_) == 0)
        return;
    for (uint32_t index = 0; index < viewportCount_; ++index) {
        const Viewport& v = viewports_[index];
        const GlRect rect = ToGlRect(v.TopLeftX, v.TopLeftY, v.Width, v.Height, targetHeight, backBuffer);
        glViewportIndexedf(index, rect.x, rect.y, std::max(rect.width, 0.0f), std::max(rect.height, 0.0f));
        glDepthRangeIndexed(index, v.MinDepth, v.MaxDepth);
    }
    for (uint32_t index = 0; index < scissorCount_; ++index) {
        const Rect& r = scissors_[index];
        const float width = static_cast<float>(std::max(r.right - r.left, 0));
        const float height = static_cast<float>(std::max(r.bottom - r.top, 0));
        const GlRect rect = ToGlRect(static_cast<float>(r.left), static_cast<float>(r.top), width, height,
                                     targetHeight, backBuffer);
        glScissorIndexed(index, static_cast<GLint>(rect.x), static_cast<GLint>(rect.y), static_cast<GLsizei>(width),
                         static_cast<GLsizei>(height));
    }
    a.viewportsKnown = true;
    a.targetHeight = targetHeight;
    a.backBufferViewports = backBuffer;
    a.viewportCount = viewportCount_;
    a.scissorCount = scissorCount_;
    std::copy_n(viewports_, viewportCount_, a.viewports);
    std::copy_n(scissors_, scissorCount_, a.scissors);
}

namespace {

template <class T>
bool SameBytes(const T& a, const T& b)
{
    return std::memcmp(&a, &b, sizeof(T)) == 0;
}

}  // namespace

bool Context::ApplyRecordedOutput(bool colourWrites)
{
    if (!GlReady()) return false;
    Texture2D* target = BoundTargetTexture();
    if (!target || viewportCount_ == 0) return false;
    CheckAppliedState();
    if (!BindTargets()) return false;

    uint32_t mip = depthView_ ? depthView_->MipSlice() : 0;
    for (RenderTargetView* view : renderTargets_)
        if (view) {
            mip = view->MipSlice();
            break;
        }
    const uint32_t height = std::max(target->Desc().Height >> mip, 1u);
    const bool backBuffer = target->IsBackBuffer();
    AppliedState& a = applied_;

    if (!a.originKnown || a.backBufferOrigin != backBuffer) {
        ApplyTargetOrigin(backBuffer);
        a.originKnown = true;
        a.backBufferOrigin = backBuffer;
    }
    const RasterizerDesc rasterizer = rasterizerState_ ? rasterizerState_->Desc() : RasterizerDesc {};
    if (!a.rasterizerKnown || !SameBytes(a.rasterizer, rasterizer)) {
        ApplyRasterizerState(&rasterizer);
        a.rasterizerKnown = true;
        a.rasterizer = rasterizer;
    }
    ApplyViewportsAndScissors(height, backBuffer);
    const DepthStencilDesc depthStencil = depthStencilState_ ? depthStencilState_->Desc() : DepthStencilDesc {};
    if (!a.depthStencilKnown || a.stencilReference != stencilReference_ || !SameBytes(a.depthStencil, depthStencil)) {
        ApplyDepthStencilState(&depthStencil, stencilReference_);
        a.depthStencilKnown = true;
        a.depthStencil = depthStencil;
        a.stencilReference = stencilReference_;
    }
    const BlendDesc blend = blendState_ ? blendState_->Desc() : BlendDesc {};
    if (!a.blendKnown || a.colourWrites != colourWrites || a.sampleMask != sampleMask_ ||
        std::memcmp(a.blendFactor, blendFactor_, sizeof blendFactor_) != 0 || !SameBytes(a.blend, blend)) {
        ApplyBlendState(&blend, blendFactor_, sampleMask_);
        // Without a pixel shader Direct3D writes no colour.
        if (!colourWrites) glColorMask(GL_FALSE, GL_FALSE, GL_FALSE, GL_FALSE);
        a.blendKnown = true;
        a.colourWrites = colourWrites;
        a.blend = blend;
        std::copy_n(blendFactor_, 4, a.blendFactor);
        a.sampleMask = sampleMask_;
    }
    if (!a.srgbKnown) {
        glEnable(GL_FRAMEBUFFER_SRGB);
        a.srgbKnown = true;
    }
    return true;
}

bool Context::ApplyOutputState()
{
    const bool ready = ApplyRecordedOutput(true);
    if (GlReady()) {
        // Dear ImGui's renderer sets most of what it needs but not these.
        glBindVertexArray(0);
        glBindProgramPipeline(0);
        glDisable(GL_PRIMITIVE_RESTART_FIXED_INDEX);
    }
    ForgetAppliedGlState();
    return ready;
}

}  // namespace gpu
