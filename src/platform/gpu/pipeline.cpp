// The context's resource half: what the input assembler, the two shader
// stages and the blend stage have bound, buffer updates, and the draws. Like
// the rest of the context it only records; a draw turns the record into GL
// state.
//
// Index
//   - Recording bindings
//   - Buffer updates
//   - Per-context GL objects
//   - Applying the record at draw time
//   - Draws
#include <epoxy/gl.h>

#include <algorithm>

#include "platform/gpu/context.h"
#include "platform/gpu/resources.h"
#include "platform/gpu/shaders.h"
#include "platform/gpu/states.h"
#include "platform/gpu/views.h"
#include "platform/window_internal.h"

namespace gpu {

// ---------------------------------------------------------------------------
// Recording bindings
// ---------------------------------------------------------------------------

namespace {

// Direct3D ignores a buffer bound where its bind flags do not allow it (the
// debug layer complains); the slot is left empty.
Buffer* IfBindable(Buffer* buffer, uint32_t bindFlag)
{
    return (buffer && (buffer->Desc().BindFlags & bindFlag)) ? buffer : nullptr;
}

template <class T, size_t N>
void SetSlots(T* (&slots)[N], uint32_t startSlot, uint32_t count, T* const* values)
{
    for (uint32_t index = 0; index < count && startSlot + index < N; ++index)
        ReplaceReference(slots[startSlot + index], values ? values[index] : static_cast<T*>(nullptr));
}

template <class T, size_t N>
void ClearSlots(T* (&slots)[N])
{
    for (T*& slot : slots) ReplaceReference(slot, static_cast<T*>(nullptr));
}

}  // namespace

void Context::OMSetBlendState(BlendState* state, const float blendFactor[4], uint32_t sampleMask)
{
    ReplaceReference(blendState_, state);
    for (int channel = 0; channel < 4; ++channel) blendFactor_[channel] = blendFactor ? blendFactor[channel] : 1.0f;
    sampleMask_ = sampleMask;
}

void Context::OMGetBlendState(BlendState** state, float blendFactor[4], uint32_t* sampleMask) const
{
    if (state) {
        *state = blendState_;
        if (blendState_) blendState_->AddRef();
    }
    if (blendFactor) std::copy_n(blendFactor_, 4, blendFactor);
    if (sampleMask) *sampleMask = sampleMask_;
}

void Context::IASetInputLayout(InputLayout* layout) { ReplaceReference(inputLayout_, layout); }

void Context::IASetVertexBuffers(uint32_t startSlot, uint32_t count, Buffer* const* buffers, const uint32_t* strides,
                                 const uint32_t* offsets)
{
    for (uint32_t index = 0; index < count && startSlot + index < kVertexBufferSlots; ++index) {
        const uint32_t slot = startSlot + index;
        ReplaceReference(vertexBuffers_[slot], IfBindable(buffers ? buffers[index] : nullptr, BIND_VERTEX_BUFFER));
        vertexStrides_[slot] = strides ? strides[index] : 0;
        vertexOffsets_[slot] = offsets ? offsets[index] : 0;
    }
}

void Context::IAGetVertexBuffers(uint32_t startSlot, uint32_t count, Buffer** buffers, uint32_t* strides,
                                 uint32_t* offsets) const
{
    for (uint32_t index = 0; index < count; ++index) {
        const uint32_t slot = startSlot + index;
        const bool inRange = slot < kVertexBufferSlots;
        if (buffers) {
            buffers[index] = inRange ? vertexBuffers_[slot] : nullptr;
            if (buffers[index]) buffers[index]->AddRef();
        }
        if (strides) strides[index] = inRange ? vertexStrides_[slot] : 0;
        if (offsets) offsets[index] = inRange ? vertexOffsets_[slot] : 0;
    }
}

void Context::IASetIndexBuffer(Buffer* buffer, Format format, uint32_t offset)
{
    const bool knownFormat = format == FORMAT_R16_UINT || format == FORMAT_R32_UINT;
    ReplaceReference(indexBuffer_, knownFormat ? IfBindable(buffer, BIND_INDEX_BUFFER) : nullptr);
    indexFormat_ = knownFormat ? format : FORMAT_UNKNOWN;
    indexOffset_ = offset;
}

void Context::IASetPrimitiveTopology(PrimitiveTopology topology) { topology_ = topology; }

void Context::VSSetShader(VertexShader* shader, void* const*, uint32_t) { ReplaceReference(vertexShader_, shader); }

void Context::PSSetShader(PixelShader* shader, void* const*, uint32_t) { ReplaceReference(pixelShader_, shader); }

void Context::VSSetConstantBuffers(uint32_t startSlot, uint32_t count, Buffer* const* buffers)
{
    for (uint32_t index = 0; index < count && startSlot + index < kConstantBufferSlots; ++index)
        ReplaceReference(vertexConstantBuffers_[startSlot + index],
                         IfBindable(buffers ? buffers[index] : nullptr, BIND_CONSTANT_BUFFER));
}

void Context::PSSetConstantBuffers(uint32_t startSlot, uint32_t count, Buffer* const* buffers)
{
    for (uint32_t index = 0; index < count && startSlot + index < kConstantBufferSlots; ++index)
        ReplaceReference(pixelConstantBuffers_[startSlot + index],
                         IfBindable(buffers ? buffers[index] : nullptr, BIND_CONSTANT_BUFFER));
}

void Context::PSSetShaderResources(uint32_t startSlot, uint32_t count, ShaderResourceView* const* views)
{
    SetSlots(pixelResources_, startSlot, count, views);
}

void Context::PSSetSamplers(uint32_t startSlot, uint32_t count, SamplerState* const* samplers)
{
    SetSlots(pixelSamplers_, startSlot, count, samplers);
}

void Context::ClearPipelineState()
{
    ReplaceReference(blendState_, static_cast<BlendState*>(nullptr));
    std::fill_n(blendFactor_, 4, 1.0f);
    sampleMask_ = 0xFFFFFFFFu;
    ReplaceReference(inputLayout_, static_cast<InputLayout*>(nullptr));
    ClearSlots(vertexBuffers_);
    std::fill_n(vertexStrides_, kVertexBufferSlots, 0u);
    std::fill_n(vertexOffsets_, kVertexBufferSlots, 0u);
    ReplaceReference(indexBuffer_, static_cast<Buffer*>(nullptr));
    indexFormat_ = FORMAT_UNKNOWN;
    indexOffset_ = 0;
    topology_ = PRIMITIVE_TOPOLOGY_UNDEFINED;
    ReplaceReference(vertexShader_, static_cast<VertexShader*>(nullptr));
    ReplaceReference(pixelShader_, static_cast<PixelShader*>(nullptr));
    ClearSlots(vertexConstantBuffers_);
    ClearSlots(pixelConstantBuffers_);
    ClearSlots(pixelResources_);
    ClearSlots(pixelSamplers_);
}

// ---------------------------------------------------------------------------
// Buffer updates
// ---------------------------------------------------------------------------

void Context::UpdateSubresource(Resource* resource, uint32_t subresource, const Box* box, const void* data,
                                uint32_t rowPitch, uint32_t depthPitch)
{
    // Textures are filled by texture.cpp, which knows their layouts.
    if (resource && resource->GetType() != RESOURCE_DIMENSION_BUFFER) {
        UpdateTextureSubresource(resource, subresource, box, data, rowPitch, depthPitch);
        return;
    }
    if (!resource || !data || subresource != 0 || resource->GetType() != RESOURCE_DIMENSION_BUFFER || !GlReady())
        return;
    Buffer* buffer = static_cast<Buffer*>(resource);
    // Immutable buffers never change; a box outside the buffer updates nothing.
    if (buffer->Desc().Usage != USAGE_DEFAULT) return;
    uint32_t first = 0;
    uint32_t end = buffer->Desc().ByteWidth;
    if (box) {
        if (box->left >= box->right || box->right > end) return;
        first = box->left;
        end = box->right;
    }
    if (buffer->TakeUpdate(first, end, data)) glNamedBufferSubData(buffer->GlBuffer(), first, end - first, data);
}

// ---------------------------------------------------------------------------
// Per-context GL objects
// ---------------------------------------------------------------------------

void Context::PreparePipelineObjects()
{
    const uint32_t generation = platform::GlContextGeneration();
    if (programPipeline_.name == 0 || programPipeline_.generation != generation) {
        GLuint pipeline = 0;
        glCreateProgramPipelines(1, &pipeline);
        programPipeline_ = MakeGlName(pipeline);
    }
    if (!defaultSampler_ || defaultSamplerGeneration_ != generation) {
        // The old context took its sampler with it; the object only holds a dead name.
        ReplaceReference(defaultSampler_, static_cast<SamplerState*>(nullptr));
        const SamplerDesc defaults;
        SamplerState::Create(&defaults, &defaultSampler_);
        defaultSamplerGeneration_ = generation;
    }
}

void Context::DeletePipelineObjects()
{
    if (GlNameDeletable(programPipeline_)) glDeleteProgramPipelines(1, &programPipeline_.name);
    programPipeline_ = GlName {};
    ReplaceReference(defaultSampler_, static_cast<SamplerState*>(nullptr));
}

// ---------------------------------------------------------------------------
// Applying the record at draw time
// ---------------------------------------------------------------------------

void Context::ApplyInputAssembler()
{
    AppliedState& a = applied_;
    VertexArrayBindings& attached = inputLayout_->AttachedBindings();
    if (attached.epoch != a.epoch || attached.generation != a.generation) {
        attached = VertexArrayBindings {};
        attached.epoch = a.epoch;
        attached.generation = a.generation;
    }
    const GLuint vertexArray = inputLayout_->GlVertexArray();
    for (const VertexAttribute& attribute : inputLayout_->Attributes()) {
        const Buffer* buffer = vertexBuffers_[attribute.slot];
        const uint32_t bit = 1u << attribute.location;
        if (buffer) {
            if (!(attached.enabled & bit)) {
                glEnableVertexArrayAttrib(vertexArray, attribute.location);
                attached.enabled |= bit;
                attached.disabled &= ~bit;
            }
            VertexArrayBindings::Slot& slot = attached.slots[attribute.slot];
            const uint32_t offset = vertexOffsets_[attribute.slot], stride = vertexStrides_[attribute.slot];
            if (slot.buffer != buffer->GlBuffer() || slot.offset != offset || slot.stride != stride) {
                glVertexArrayVertexBuffer(vertexArray, attribute.slot, buffer->GlBuffer(),
                                          static_cast<GLintptr>(offset), static_cast<GLsizei>(stride));
                slot = VertexArrayBindings::Slot {buffer->GlBuffer(), offset, stride};
            }
        } else if (!(attached.disabled & bit)) {
            // Direct3D reads zeros from an empty slot (the layer writes no
            // other current attribute value).
            glDisableVertexArrayAttrib(vertexArray, attribute.location);
            glVertexAttrib4f(attribute.location, 0.0f, 0.0f, 0.0f, 0.0f);
            attached.disabled |= bit;
            attached.enabled &= ~bit;
        }
    }
    if (attached.elementBuffer != indexBuffer_->GlBuffer()) {
        glVertexArrayElementBuffer(vertexArray, indexBuffer_->GlBuffer());
        attached.elementBuffer = indexBuffer_->GlBuffer();
    }
    if (a.vertexArray != vertexArray) {
        glBindVertexArray(vertexArray);
        a.vertexArray = vertexArray;
    }
    // Strips cut at the largest index, as Direct3D's do; lists know no cut.
    const int restart = topology_ == PRIMITIVE_TOPOLOGY_LINESTRIP || topology_ == PRIMITIVE_TOPOLOGY_TRIANGLESTRIP;
    if (a.primitiveRestart != restart) {
        if (restart) glEnable(GL_PRIMITIVE_RESTART_FIXED_INDEX);
        else glDisable(GL_PRIMITIVE_RESTART_FIXED_INDEX);
        a.primitiveRestart = restart;
    }
}

void Context::ApplyShaderStages()
{
    AppliedState& a = applied_;
    const GLuint pipeline = programPipeline_.name;
    if (!a.pipelineBound) {
        glUseProgram(0);  // a program in use would override the pipeline
        glBindProgramPipeline(pipeline);
        a.pipelineBound = true;
    }
    const GLuint vertexProgram = vertexShader_->GlProgram();
    if (a.vertexProgram != vertexProgram) {
        glUseProgramStages(pipeline, GL_VERTEX_SHADER_BIT, vertexProgram);
        a.vertexProgram = vertexProgram;
    }
    const GLuint pixelProgram = pixelShader_ ? pixelShader_->GlProgram() : 0;
    if (a.pixelProgram != pixelProgram) {
        glUseProgramStages(pipeline, GL_FRAGMENT_SHADER_BIT, pixelProgram);
        a.pixelProgram = pixelProgram;
    }

    const auto bindUniformBuffer = [&a](uint32_t binding, const Buffer* buffer) {
        const GLuint name = buffer ? buffer->GlBuffer() : 0;
        if (a.uniformBuffers[binding] == name) return;
        glBindBufferBase(GL_UNIFORM_BUFFER, binding, name);
        a.uniformBuffers[binding] = name;
    };
    for (uint32_t slot = 0; slot < kConstantBufferSlots; ++slot) {
        bindUniformBuffer(slot, vertexConstantBuffers_[slot]);
        bindUniformBuffer(kPixelConstantBufferBase + slot, pixelConstantBuffers_[slot]);
    }
    const GLuint defaultSampler = defaultSampler_ ? defaultSampler_->GlSampler() : 0;
    for (uint32_t unit = 0; unit < kShaderResourceSlots; ++unit) {
        const ShaderResourceView* view = pixelResources_[unit];
        const GLuint texture = view ? view->GlTexture() : 0;
        if (a.textures[unit] != texture) {
            glBindTextureUnit(unit, texture);
            a.textures[unit] = texture;
        }
        const SamplerState* sampler = unit < kSamplerSlots ? pixelSamplers_[unit] : nullptr;
        const GLuint samplerName = sampler ? sampler->GlSampler() : defaultSampler;
        if (a.samplers[unit] != samplerName) {
            glBindSampler(unit, samplerName);
            a.samplers[unit] = samplerName;
        }
    }
}

// ---------------------------------------------------------------------------
// Draws
// ---------------------------------------------------------------------------

namespace {

GLenum GlTopology(PrimitiveTopology topology)
{
    switch (topology) {
    case PRIMITIVE_TOPOLOGY_POINTLIST: return GL_POINTS;
    case PRIMITIVE_TOPOLOGY_LINELIST: return GL_LINES;
    case PRIMITIVE_TOPOLOGY_LINESTRIP: return GL_LINE_STRIP;
    case PRIMITIVE_TOPOLOGY_TRIANGLELIST: return GL_TRIANGLES;
    case PRIMITIVE_TOPOLOGY_TRIANGLESTRIP: return GL_TRIANGLE_STRIP;
    default: return GL_NONE;
    }
}

}  // namespace

void Context::DrawIndexed(uint32_t indexCount, uint32_t startIndex, int32_t baseVertex)
{
    DrawIndexedInstanced(indexCount, 1, startIndex, baseVertex, 0);
}

void Context::DrawIndexedInstanced(uint32_t indexCountPerInstance, uint32_t instanceCount, uint32_t startIndex,
                                   int32_t baseVertex, uint32_t startInstance)
{
    const GLenum mode = GlTopology(topology_);
    if (!vertexShader_ || !inputLayout_ || !indexBuffer_ || mode == GL_NONE || indexCountPerInstance == 0 ||
        instanceCount == 0 || !GlReady())
        return;
    // Indices past the end of the index buffer are not drawn.
    const uint64_t indexSize = indexFormat_ == FORMAT_R32_UINT ? 4 : 2;
    const uint64_t first = uint64_t {indexOffset_} + indexSize * startIndex;
    const uint64_t bufferBytes = indexBuffer_->Desc().ByteWidth;
    if (first >= bufferBytes) return;
    const uint64_t fitting = (bufferBytes - first) / indexSize;
    const GLsizei count = static_cast<GLsizei>(std::min<uint64_t>(indexCountPerInstance, fitting));
    if (count == 0) return;

    if (!ApplyRecordedOutput(pixelShader_ != nullptr)) return;
    PreparePipelineObjects();
    ApplyInputAssembler();
    ApplyShaderStages();
    const GLenum type = indexSize == 4 ? GL_UNSIGNED_INT : GL_UNSIGNED_SHORT;
    const void* offset = reinterpret_cast<const void*>(static_cast<uintptr_t>(first));
    if (instanceCount == 1 && startInstance == 0)
        glDrawElementsBaseVertex(mode, count, type, offset, baseVertex);
    else
        glDrawElementsInstancedBaseVertexBaseInstance(mode, count, type, offset, static_cast<GLsizei>(instanceCount),
                                                      baseVertex, startInstance);
    ++drawCount_;
    copiesDrawn_ += instanceCount;
}

}  // namespace gpu
