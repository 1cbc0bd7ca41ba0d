// Vertex and pixel shaders and input layouts. A shader's "compiled code" is
// the stage's complete GLSL 4.50 source (what CompileFromFile puts in a Blob);
// each shader becomes a separable GL program, so the context can combine any
// vertex shader with any pixel shader in its program pipeline, as Direct3D
// binds the two stages independently.
//
// An input layout is a vertex array object whose attributes sit at fixed
// locations by semantic (POSITION 0, NORMAL 1, TEXCOORD 2, BLENDWEIGHT 3,
// BLENDINDICES 4); the context attaches the bound vertex buffers to it at
// draw time.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/gpu/gl_names.h"
#include "platform/gpu/gpu_types.h"
#include "platform/gpu/object.h"

namespace gpu {

class VertexShader : public Object {
public:
    // Layer-internal -------------------------------------------------------
    // E_INVALIDARG when the source does not compile (the compiler's log goes
    // to stderr), as Direct3D answers code it cannot use.
    static HResult Create(const void* code, size_t length, VertexShader** shader);
    uint32_t GlProgram() const { return program_.name; }

private:
    VertexShader() = default;
    ~VertexShader() override;
    GlName program_;
};

class PixelShader : public Object {
public:
    // Layer-internal -------------------------------------------------------
    static HResult Create(const void* code, size_t length, PixelShader** shader);
    uint32_t GlProgram() const { return program_.name; }

private:
    PixelShader() = default;
    ~PixelShader() override;
    GlName program_;
};

// One attribute of an input layout, resolved: GL location, vertex-buffer
// slot, byte offset within the slot's vertex, float component count.
struct VertexAttribute {
    uint32_t location = 0;
    uint32_t slot = 0;
    uint32_t offset = 0;
    uint32_t components = 0;
};

// What the context last attached to an input layout's vertex array, so a
// draw re-attaches only what changed. Good for one ForgetAppliedGlState epoch
// of one GL context. The zero value knows nothing.
struct VertexArrayBindings {
    struct Slot {
        uint32_t buffer = 0xFFFFFFFFu;
        uint32_t offset = 0;
        uint32_t stride = 0;
    };
    uint64_t epoch = 0;
    uint32_t generation = 0;
    uint32_t enabled = 0;   // attribute locations known enabled
    uint32_t disabled = 0;  // and known disabled (reading zeros)
    uint32_t elementBuffer = 0xFFFFFFFFu;
    Slot slots[kVertexBufferSlots];
};

class InputLayout : public Object {
public:
    // Layer-internal -------------------------------------------------------
    // Fails with E_INVALIDARG for an unknown semantic or format, a slot out
    // of range, a semantic given twice, or a vertex shader (`code`) that reads
    // an attribute the layout does not provide, as Direct3D does.
    static HResult Create(const InputElementDesc* elements, uint32_t count, const void* code, size_t length,
                          InputLayout** layout);
    uint32_t GlVertexArray() const { return vertexArray_.name; }
    const std::vector<VertexAttribute>& Attributes() const { return attributes_; }
    VertexArrayBindings& AttachedBindings() { return attached_; }

private:
    InputLayout() = default;
    ~InputLayout() override;
    std::vector<VertexAttribute> attributes_;
    GlName vertexArray_;
    VertexArrayBindings attached_;
};

}  // namespace gpu
