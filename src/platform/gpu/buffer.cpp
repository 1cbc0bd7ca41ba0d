// Buffers: GL buffer objects with immutable storage of the described size.
#include <epoxy/gl.h>

#include <cstring>

#include "platform/gpu/device.h"
#include "platform/gpu/resources.h"

namespace gpu {

namespace {

// Direct3D 11's limit for one constant buffer: 4096 constants of 16 bytes.
constexpr uint32_t kMaxConstantBufferBytes = 4096 * 16;

HResult ValidateBufferDesc(const BufferDesc& desc, const SubresourceData* initialData)
{
    if (desc.ByteWidth == 0) return E_INVALIDARG;
    if (desc.Usage == USAGE_DYNAMIC || desc.Usage == USAGE_STAGING) return E_NOTIMPL;
    if (desc.Usage != USAGE_DEFAULT && desc.Usage != USAGE_IMMUTABLE) return E_INVALIDARG;
    if (desc.Usage == USAGE_IMMUTABLE && !initialData) return E_INVALIDARG;
    if (initialData && !initialData->pSysMem) return E_INVALIDARG;
    constexpr uint32_t kBufferBinds = BIND_VERTEX_BUFFER | BIND_INDEX_BUFFER | BIND_CONSTANT_BUFFER;
    if (desc.BindFlags == 0 || (desc.BindFlags & ~kBufferBinds) != 0) return E_INVALIDARG;
    // A constant buffer binds as nothing else, holds whole 16-byte constants
    // and stays within the stage's limit.
    if (desc.BindFlags & BIND_CONSTANT_BUFFER) {
        if (desc.BindFlags != BIND_CONSTANT_BUFFER || desc.ByteWidth % 16 != 0 ||
            desc.ByteWidth > kMaxConstantBufferBytes)
            return E_INVALIDARG;
    }
    return S_OK;
}

}  // namespace

HResult Buffer::Create(const BufferDesc* desc, const SubresourceData* initialData, Buffer** buffer)
{
    if (!buffer) return E_INVALIDARG;
    *buffer = nullptr;
    if (!desc || !GlReady()) return E_INVALIDARG;
    const HResult valid = ValidateBufferDesc(*desc, initialData);
    if (Failed(valid)) return valid;

    DrainGlErrors();
    GLuint name = 0;
    glCreateBuffers(1, &name);
    Buffer* made = new Buffer;
    made->desc_ = *desc;
    made->buffer_ = MakeGlName(name);
    // DEFAULT buffers take UpdateSubresource; IMMUTABLE ones never change.
    const GLbitfield flags = desc->Usage == USAGE_DEFAULT ? GL_DYNAMIC_STORAGE_BIT : 0;
    glNamedBufferStorage(name, desc->ByteWidth, initialData ? initialData->pSysMem : nullptr, flags);
    if (glGetError() != GL_NO_ERROR) {
        made->Release();
        return E_OUTOFMEMORY;
    }
    *buffer = made;
    return S_OK;
}

Buffer::~Buffer()
{
    if (GlNameDeletable(buffer_)) {
        glDeleteBuffers(1, &buffer_.name);
        ForgetAppliedGlState();
    }
}

bool Buffer::TakeUpdate(uint32_t first, uint32_t end, const void* data)
{
    if (!(desc_.BindFlags & BIND_CONSTANT_BUFFER)) return true;
    const uint8_t* bytes = static_cast<const uint8_t*>(data);
    if (heldBytes_.empty()) {
        // Until the whole buffer was written its content is unknown.
        if (first == 0 && end == desc_.ByteWidth) heldBytes_.assign(bytes, bytes + end);
        return true;
    }
    if (std::memcmp(heldBytes_.data() + first, bytes, end - first) == 0) return false;
    std::memcpy(heldBytes_.data() + first, bytes, end - first);
    return true;
}

HResult Device::CreateBuffer(const BufferDesc* desc, const SubresourceData* initialData, Buffer** buffer)
{
    return Buffer::Create(desc, initialData, buffer);
}

}  // namespace gpu
