#include "platform/gpu/states.h"

#include <epoxy/gl.h>

#include "platform/gpu/conventions.h"

namespace gpu {

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

}  // namespace gpu
