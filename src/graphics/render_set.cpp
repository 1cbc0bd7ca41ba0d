#include "graphics/render_set.h"

#include <cstring>
#include <new>

#include <xxhash.h>

#include "core/private_heap.h"
#include "platform/gpu/gpu.h"

void RenderSet::Init(RenderSet* set)
{
    if (set) *set = RenderSet {};
}

void RenderSet::Release(RenderSet* set)
{
    if (!set) return;
    void* arrays[] = {set->vertices32, set->vertices40, set->vertices48, set->vertices56, set->spare,
                      set->extraStream16, set->indices, set->gpu, set->sourceIndices, set->tangents,
                      set->skin, set->vertexBytes};
    for (void* block : arrays) SharedHeapFree(block);
    *set = RenderSet {};
}

RenderSet* RenderSet::Allocate()
{
    void* block = SharedHeapAlloc(sizeof(RenderSet));
    return block ? new (block) RenderSet {} : nullptr;
}

void RenderSet::Free(RenderSet* set) { SharedHeapFree(set); }

// ---------------------------------------------------------------------------
// Render-set buffers shared by content
// ---------------------------------------------------------------------------

SharedRenderSetBuffers::ContentHash SharedRenderSetBuffers::Xxh3(const void* data, size_t bytes)
{
    const XXH128_hash_t hash = XXH3_128bits(data, bytes);
    return ContentHash{hash.low64, hash.high64};
}

SharedRenderSetBuffers::~SharedRenderSetBuffers()
{
    for (auto& [buffer, use] : users_) buffer->Release();
}

HResult SharedRenderSetBuffers::Acquire(gpu::Device* device, uint64_t bytes, uint32_t bindFlags, const void* data,
                                        gpu::Buffer** buffer)
{
    *buffer = nullptr;
    if (!device) return E_INVALIDARG;
    if (bytes > 0xFFFFFFFFull) return E_INVALIDARG;
    const bool shareable = data && bytes > 0;
    const ContentKey key =
        shareable ? ContentKey{hasher_(data, static_cast<size_t>(bytes)), bytes, bindFlags} : ContentKey{};
    if (shareable) {
        const auto [first, last] = byContent_.equal_range(key);
        for (auto candidate = first; candidate != last; ++candidate) {
            Use& use = users_.at(candidate->second);
            if (std::memcmp(use.bytes.data(), data, static_cast<size_t>(bytes)) != 0) continue;
            ++use.count;
            *buffer = candidate->second;
            return S_OK;
        }
    }
    Use use {key, 1, {}};
    try {
        if (shareable) use.bytes.assign(static_cast<const uint8_t*>(data), static_cast<const uint8_t*>(data) + bytes);
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
    gpu::BufferDesc desc;
    desc.ByteWidth = static_cast<uint32_t>(bytes);
    desc.Usage = gpu::USAGE_DEFAULT;
    desc.BindFlags = bindFlags;
    gpu::SubresourceData initial;
    initial.pSysMem = data;
    const HResult result = device->CreateBuffer(&desc, &initial, buffer);
    if (Failed(result)) return result;
    if (shareable) byContent_.emplace(key, *buffer);
    users_[*buffer] = std::move(use);
    return result;
}

void SharedRenderSetBuffers::Release(gpu::Buffer*& buffer)
{
    if (!buffer) return;
    const auto found = users_.find(buffer);
    if (found == users_.end()) {
        buffer->Release();  // not one of the table's
    } else if (--found->second.count == 0) {
        // Only its own entry goes; a buffer of a forgotten device has none.
        const auto [first, last] = byContent_.equal_range(found->second.key);
        for (auto entry = first; entry != last; ++entry) {
            if (entry->second != buffer) continue;
            byContent_.erase(entry);
            break;
        }
        users_.erase(found);
        buffer->Release();
    }
    buffer = nullptr;
}

void SharedRenderSetBuffers::ForgetDevice()
{
    byContent_.clear();
    // Nothing is compared with the old buffers' bytes again.
    for (auto& [buffer, use] : users_) std::vector<uint8_t>().swap(use.bytes);
}
