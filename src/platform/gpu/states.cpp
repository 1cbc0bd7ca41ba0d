// Index
//   - Depth-stencil and rasterizer states
//   - Blend states
//   - Sampler states
//   - Device entry points of the resource half's states
#include "platform/gpu/states.h"

#include <epoxy/gl.h>

#include <algorithm>
#include <cmath>

#include "platform/gpu/conventions.h"
#include "platform/gpu/device.h"

namespace gpu {

// ---------------------------------------------------------------------------
// Depth-stencil and rasterizer states
// ---------------------------------------------------------------------------

namespace {

bool ValidComparison(ComparisonFunc func) { return func >= COMPARISON_NEVER && func <= COMPARISON_ALWAYS; }
bool ValidStencilOp(StencilOp op) { return op >= STENCIL_OP_KEEP && op <= STENCIL_OP_DECR; }

bool ValidFace(const DepthStencilOpDesc& face)
{
    return ValidStencilOp(face.StencilFailOp) && ValidStencilOp(face.StencilDepthFailOp) &&
           ValidStencilOp(face.StencilPassOp) && ValidComparison(face.StencilFunc);
}

GLenum GlComparison(ComparisonFunc func)
{
    static constexpr GLenum kFuncs[] = {GL_NEVER, GL_NEVER, GL_LESS,    GL_EQUAL, GL_LEQUAL,
                                        GL_GREATER, GL_NOTEQUAL, GL_GEQUAL, GL_ALWAYS};
    return ValidComparison(func) ? kFuncs[func] : GL_ALWAYS;
}

GLenum GlStencilOp(StencilOp op)
{
    // Direct3D's INCR/DECR wrap; its *_SAT forms clamp like GL's INCR/DECR.
    static constexpr GLenum kOps[] = {GL_KEEP, GL_KEEP, GL_ZERO, GL_REPLACE, GL_INCR,
                                      GL_DECR, GL_INVERT, GL_INCR_WRAP, GL_DECR_WRAP};
    return ValidStencilOp(op) ? kOps[op] : GL_KEEP;
}

void ApplyStencilFace(GLenum face, const DepthStencilOpDesc& ops, uint32_t reference, uint8_t readMask)
{
    glStencilFuncSeparate(face, GlComparison(ops.StencilFunc), static_cast<GLint>(reference), readMask);
    glStencilOpSeparate(face, GlStencilOp(ops.StencilFailOp), GlStencilOp(ops.StencilDepthFailOp),
                        GlStencilOp(ops.StencilPassOp));
}

void SetPolygonOffset(float slope, float units, float clamp)
{
    if (epoxy_gl_version() >= 46) glPolygonOffsetClamp(slope, units, clamp);
    else if (epoxy_has_gl_extension("GL_ARB_polygon_offset_clamp")) glPolygonOffsetClamp(slope, units, clamp);
    else if (epoxy_has_gl_extension("GL_EXT_polygon_offset_clamp")) glPolygonOffsetClampEXT(slope, units, clamp);
    else glPolygonOffset(slope, units);
}

}  // namespace

HResult DepthStencilState::Create(const DepthStencilDesc* desc, DepthStencilState** state)
{
    if (!state) return E_INVALIDARG;
    *state = nullptr;
    if (!desc || !ValidComparison(desc->DepthFunc) || desc->DepthWriteMask > DEPTH_WRITE_MASK_ALL ||
        !ValidFace(desc->FrontFace) || !ValidFace(desc->BackFace))
        return E_INVALIDARG;
    DepthStencilState* made = new DepthStencilState;
    made->desc_ = *desc;
    *state = made;
    return S_OK;
}

HResult RasterizerState::Create(const RasterizerDesc* desc, RasterizerState** state)
{
    if (!state) return E_INVALIDARG;
    *state = nullptr;
    if (!desc || (desc->FillMode != FILL_SOLID && desc->FillMode != FILL_WIREFRAME) || desc->CullMode < CULL_NONE ||
        desc->CullMode > CULL_BACK)
        return E_INVALIDARG;
    RasterizerState* made = new RasterizerState;
    made->desc_ = *desc;
    *state = made;
    return S_OK;
}

void ApplyDepthStencilState(const DepthStencilDesc* desc, uint32_t stencilReference)
{
    const DepthStencilDesc defaults;
    const DepthStencilDesc& d = desc ? *desc : defaults;
    if (d.DepthEnable) glEnable(GL_DEPTH_TEST);
    else glDisable(GL_DEPTH_TEST);
    glDepthFunc(GlComparison(d.DepthFunc));
    glDepthMask(d.DepthWriteMask == DEPTH_WRITE_MASK_ALL ? GL_TRUE : GL_FALSE);
    if (d.StencilEnable) glEnable(GL_STENCIL_TEST);
    else glDisable(GL_STENCIL_TEST);
    ApplyStencilFace(GL_FRONT, d.FrontFace, stencilReference, d.StencilReadMask);
    ApplyStencilFace(GL_BACK, d.BackFace, stencilReference, d.StencilReadMask);
    glStencilMask(d.StencilWriteMask);
}

void ApplyRasterizerState(const RasterizerDesc* desc)
{
    const RasterizerDesc defaults;
    const RasterizerDesc& d = desc ? *desc : defaults;
    glPolygonMode(GL_FRONT_AND_BACK, d.FillMode == FILL_WIREFRAME ? GL_LINE : GL_FILL);
    if (d.CullMode == CULL_NONE) {
        glDisable(GL_CULL_FACE);
    } else {
        glEnable(GL_CULL_FACE);
        glCullFace(d.CullMode == CULL_FRONT ? GL_FRONT : GL_BACK);
    }
    ApplyFrontFace(d.FrontCounterClockwise != 0);

    const bool bias = d.DepthBias != 0 || d.SlopeScaledDepthBias != 0.0f;
    if (bias) {
        glEnable(GL_POLYGON_OFFSET_FILL);
        glEnable(GL_POLYGON_OFFSET_LINE);
        SetPolygonOffset(d.SlopeScaledDepthBias, static_cast<float>(d.DepthBias), d.DepthBiasClamp);
    } else {
        glDisable(GL_POLYGON_OFFSET_FILL);
        glDisable(GL_POLYGON_OFFSET_LINE);
    }
    // Direct3D's "depth clip off" keeps geometry beyond the depth range and
    // clamps its depth, which is GL's depth clamp.
    if (d.DepthClipEnable) glDisable(GL_DEPTH_CLAMP);
    else glEnable(GL_DEPTH_CLAMP);
    if (d.ScissorEnable) glEnable(GL_SCISSOR_TEST);
    else glDisable(GL_SCISSOR_TEST);
    // Direct3D 11 always rasterises triangles per sample on a multisampled
    // target; its MultisampleEnable only picks the line antialiasing mode.
    glEnable(GL_MULTISAMPLE);
    if (d.AntialiasedLineEnable) glEnable(GL_LINE_SMOOTH);
    else glDisable(GL_LINE_SMOOTH);
}

// ---------------------------------------------------------------------------
// Blend states
// ---------------------------------------------------------------------------

namespace {

bool ValidBlend(Blend blend)
{
    return (blend >= BLEND_ZERO && blend <= BLEND_SRC_ALPHA_SAT) || blend == BLEND_BLEND_FACTOR ||
           blend == BLEND_INV_BLEND_FACTOR;
}

// Direct3D refuses colour factors for the alpha channel.
bool ValidAlphaBlend(Blend blend)
{
    return ValidBlend(blend) && blend != BLEND_SRC_COLOR && blend != BLEND_INV_SRC_COLOR &&
           blend != BLEND_DEST_COLOR && blend != BLEND_INV_DEST_COLOR;
}

bool ValidBlendOp(BlendOp op) { return op >= BLEND_OP_ADD && op <= BLEND_OP_MAX; }

GLenum GlBlend(Blend blend)
{
    switch (blend) {
    case BLEND_ZERO: return GL_ZERO;
    case BLEND_ONE: return GL_ONE;
    case BLEND_SRC_COLOR: return GL_SRC_COLOR;
    case BLEND_INV_SRC_COLOR: return GL_ONE_MINUS_SRC_COLOR;
    case BLEND_SRC_ALPHA: return GL_SRC_ALPHA;
    case BLEND_INV_SRC_ALPHA: return GL_ONE_MINUS_SRC_ALPHA;
    case BLEND_DEST_ALPHA: return GL_DST_ALPHA;
    case BLEND_INV_DEST_ALPHA: return GL_ONE_MINUS_DST_ALPHA;
    case BLEND_DEST_COLOR: return GL_DST_COLOR;
    case BLEND_INV_DEST_COLOR: return GL_ONE_MINUS_DST_COLOR;
    case BLEND_SRC_ALPHA_SAT: return GL_SRC_ALPHA_SATURATE;
    case BLEND_BLEND_FACTOR: return GL_CONSTANT_COLOR;
    case BLEND_INV_BLEND_FACTOR: return GL_ONE_MINUS_CONSTANT_COLOR;
    }
    return GL_ONE;
}

GLenum GlBlendOp(BlendOp op)
{
    // Direct3D's SUBTRACT is source minus destination, as GL's FUNC_SUBTRACT.
    static constexpr GLenum kOps[] = {GL_FUNC_ADD, GL_FUNC_ADD, GL_FUNC_SUBTRACT, GL_FUNC_REVERSE_SUBTRACT, GL_MIN,
                                      GL_MAX};
    return ValidBlendOp(op) ? kOps[op] : GL_FUNC_ADD;
}

}  // namespace

HResult BlendState::Create(const BlendDesc* desc, BlendState** state)
{
    if (!state) return E_INVALIDARG;
    *state = nullptr;
    if (!desc) return E_INVALIDARG;
    const uint32_t targets = desc->IndependentBlendEnable ? 8 : 1;
    for (uint32_t index = 0; index < targets; ++index) {
        const RenderTargetBlendDesc& target = desc->RenderTarget[index];
        if (!ValidBlend(target.SrcBlend) || !ValidBlend(target.DestBlend) || !ValidAlphaBlend(target.SrcBlendAlpha) ||
            !ValidAlphaBlend(target.DestBlendAlpha) || !ValidBlendOp(target.BlendOp) ||
            !ValidBlendOp(target.BlendOpAlpha) || target.RenderTargetWriteMask > COLOR_WRITE_ENABLE_ALL)
            return E_INVALIDARG;
    }
    BlendState* made = new BlendState;
    made->desc_ = *desc;
    *state = made;
    return S_OK;
}

void ApplyBlendState(const BlendDesc* desc, const float blendFactor[4], uint32_t sampleMask)
{
    const BlendDesc defaults;
    const BlendDesc& d = desc ? *desc : defaults;
    for (GLuint index = 0; index < kMaxRenderTargets; ++index) {
        const RenderTargetBlendDesc& t = d.RenderTarget[d.IndependentBlendEnable ? index : 0];
        if (t.BlendEnable) glEnablei(GL_BLEND, index);
        else glDisablei(GL_BLEND, index);
        glBlendFuncSeparatei(index, GlBlend(t.SrcBlend), GlBlend(t.DestBlend), GlBlend(t.SrcBlendAlpha),
                             GlBlend(t.DestBlendAlpha));
        glBlendEquationSeparatei(index, GlBlendOp(t.BlendOp), GlBlendOp(t.BlendOpAlpha));
        const uint8_t mask = t.RenderTargetWriteMask;
        glColorMaski(index, (mask & 1) != 0, (mask & 2) != 0, (mask & 4) != 0, (mask & 8) != 0);
    }
    // A null factor is Direct3D's (1, 1, 1, 1).
    static constexpr float kOnes[4] = {1, 1, 1, 1};
    const float* factor = blendFactor ? blendFactor : kOnes;
    glBlendColor(factor[0], factor[1], factor[2], factor[3]);
    if (d.AlphaToCoverageEnable) glEnable(GL_SAMPLE_ALPHA_TO_COVERAGE);
    else glDisable(GL_SAMPLE_ALPHA_TO_COVERAGE);
    if (sampleMask == 0xFFFFFFFFu) {
        glDisable(GL_SAMPLE_MASK);
    } else {
        glEnable(GL_SAMPLE_MASK);
        glSampleMaski(0, sampleMask);
    }
}

// ---------------------------------------------------------------------------
// Sampler states
// ---------------------------------------------------------------------------

namespace {

constexpr uint32_t kFilterMipLinear = 0x1;
constexpr uint32_t kFilterMagLinear = 0x4;
constexpr uint32_t kFilterMinLinear = 0x10;
constexpr uint32_t kFilterAnisotropic = 0x40;
constexpr uint32_t kFilterComparison = 0x80;
constexpr uint32_t kFilterKnownBits = 0x1D5;

bool ValidAddress(TextureAddressMode mode)
{
    return mode >= TEXTURE_ADDRESS_WRAP && mode <= TEXTURE_ADDRESS_MIRROR_ONCE;
}

bool ValidFilter(uint32_t filter)
{
    if ((filter & ~kFilterKnownBits) != 0) return false;
    // Bits 7-8 pick the reduction: 0 plain, 1 comparison; minimum and maximum are not offered.
    if ((filter >> 7) > 1) return false;
    const uint32_t allLinear = kFilterMipLinear | kFilterMagLinear | kFilterMinLinear;
    return (filter & kFilterAnisotropic) == 0 || (filter & allLinear) == allLinear;
}

GLint GlAddress(TextureAddressMode mode)
{
    switch (mode) {
    case TEXTURE_ADDRESS_WRAP: return GL_REPEAT;
    case TEXTURE_ADDRESS_MIRROR: return GL_MIRRORED_REPEAT;
    case TEXTURE_ADDRESS_CLAMP: return GL_CLAMP_TO_EDGE;
    case TEXTURE_ADDRESS_BORDER: return GL_CLAMP_TO_BORDER;
    case TEXTURE_ADDRESS_MIRROR_ONCE: return GL_MIRROR_CLAMP_TO_EDGE;
    }
    return GL_CLAMP_TO_EDGE;
}

GLint GlComparisonOf(ComparisonFunc func)
{
    static constexpr GLint kFuncs[] = {GL_NEVER,   GL_NEVER,    GL_LESS,   GL_EQUAL, GL_LEQUAL,
                                       GL_GREATER, GL_NOTEQUAL, GL_GEQUAL, GL_ALWAYS};
    return ValidComparison(func) ? kFuncs[func] : GL_NEVER;
}

bool HasAnisotropicFiltering()
{
    return epoxy_gl_version() >= 46 || epoxy_has_gl_extension("GL_ARB_texture_filter_anisotropic") ||
           epoxy_has_gl_extension("GL_EXT_texture_filter_anisotropic");
}

}  // namespace

HResult SamplerState::Create(const SamplerDesc* desc, SamplerState** state)
{
    if (!state) return E_INVALIDARG;
    *state = nullptr;
    if (!desc || !GlReady()) return E_INVALIDARG;
    const SamplerDesc& d = *desc;
    if (!ValidFilter(d.Filter) || !ValidAddress(d.AddressU) || !ValidAddress(d.AddressV) ||
        !ValidAddress(d.AddressW) || d.MaxAnisotropy > 16 || !ValidComparison(d.ComparisonFunc) ||
        !(d.MipLODBias >= -16.0f && d.MipLODBias <= 15.99f) || std::isnan(d.MinLOD) || std::isnan(d.MaxLOD))
        return E_INVALIDARG;

    GLuint name = 0;
    glCreateSamplers(1, &name);
    SamplerState* made = new SamplerState;
    made->desc_ = d;
    made->sampler_ = MakeGlName(name);

    const uint32_t filter = d.Filter;
    const bool minLinear = (filter & kFilterMinLinear) != 0;
    const bool mipLinear = (filter & kFilterMipLinear) != 0;
    const GLint minFilter = minLinear ? (mipLinear ? GL_LINEAR_MIPMAP_LINEAR : GL_LINEAR_MIPMAP_NEAREST)
                                      : (mipLinear ? GL_NEAREST_MIPMAP_LINEAR : GL_NEAREST_MIPMAP_NEAREST);
    glSamplerParameteri(name, GL_TEXTURE_MIN_FILTER, minFilter);
    glSamplerParameteri(name, GL_TEXTURE_MAG_FILTER, (filter & kFilterMagLinear) ? GL_LINEAR : GL_NEAREST);
    glSamplerParameteri(name, GL_TEXTURE_WRAP_S, GlAddress(d.AddressU));
    glSamplerParameteri(name, GL_TEXTURE_WRAP_T, GlAddress(d.AddressV));
    glSamplerParameteri(name, GL_TEXTURE_WRAP_R, GlAddress(d.AddressW));
    glSamplerParameterf(name, GL_TEXTURE_LOD_BIAS, d.MipLODBias);
    glSamplerParameterf(name, GL_TEXTURE_MIN_LOD, d.MinLOD);
    glSamplerParameterf(name, GL_TEXTURE_MAX_LOD, d.MaxLOD);
    glSamplerParameterfv(name, GL_TEXTURE_BORDER_COLOR, d.BorderColor);
    // A comparison sampler compares the reference with the texel (sampler2DShadow in GLSL).
    if (filter & kFilterComparison) {
        glSamplerParameteri(name, GL_TEXTURE_COMPARE_MODE, GL_COMPARE_REF_TO_TEXTURE);
        glSamplerParameteri(name, GL_TEXTURE_COMPARE_FUNC, GlComparisonOf(d.ComparisonFunc));
    } else {
        glSamplerParameteri(name, GL_TEXTURE_COMPARE_MODE, GL_NONE);
    }
    if ((filter & kFilterAnisotropic) && HasAnisotropicFiltering())
        glSamplerParameterf(name, GL_TEXTURE_MAX_ANISOTROPY_EXT, static_cast<float>(std::max(d.MaxAnisotropy, 1u)));
    *state = made;
    return S_OK;
}

SamplerState::~SamplerState()
{
    if (GlNameDeletable(sampler_)) {
        glDeleteSamplers(1, &sampler_.name);
        ForgetAppliedGlState();
    }
}

// ---------------------------------------------------------------------------
// Device entry points of the resource half's states
// ---------------------------------------------------------------------------

HResult Device::CreateBlendState(const BlendDesc* desc, BlendState** state) { return BlendState::Create(desc, state); }

HResult Device::CreateSamplerState(const SamplerDesc* desc, SamplerState** state)
{
    return SamplerState::Create(desc, state);
}

}  // namespace gpu
