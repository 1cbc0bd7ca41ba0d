#include "graphics/render_set.h"

#include <cstring>
#include <new>
#include <vector>

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

namespace {

// A 64-bit key of a buffer's content; equal keys are confirmed byte by byte.
uint64_t ContentKey(const void* data, uint64_t bytes, uint32_t bindFlags)
{
    constexpr uint64_t kMultiplier = 0x9E3779B97F4A7C15ull;
    uint64_t key = (bytes * kMultiplier) ^ bindFlags;
    const auto* at = static_cast<const unsigned char*>(data);
    uint64_t word = 0;
    for (; bytes >= 8; bytes -= 8, at += 8) {
        std::memcpy(&word, at, 8);
        key = (key ^ word) * kMultiplier;
        key ^= key >> 29;
    }
    word = 0;
    std::memcpy(&word, at, static_cast<size_t>(bytes));
    key = (key ^ word) * kMultiplier;
    return key ^ (key >> 32);
}

}  // namespace

bool SharedRenderSetBuffers::Holds(const gpu::Buffer* buffer, uint64_t bytes, uint32_t bindFlags, const void* data)
{
    gpu::BufferDesc desc;
    buffer->GetDesc(&desc);
    if (desc.ByteWidth != bytes || desc.BindFlags != bindFlags) return false;
    scratch_.resize(static_cast<size_t>(bytes));
    return Succeeded(gpu::ReadBufferBytes(buffer, 0, desc.ByteWidth, scratch_.data())) &&
           std::memcmp(scratch_.data(), data, scratch_.size()) == 0;
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
    const uint64_t key = data ? ContentKey(data, bytes, bindFlags) : 0;
    if (data && bytes > 0) {
        const auto [first, last] = byContent_.equal_range(key);
        for (auto found = first; found != last; ++found) {
            if (!Holds(found->second, bytes, bindFlags, data)) continue;
            ++users_[found->second].count;
            *buffer = found->second;
            return S_OK;
        }
    }
    gpu::BufferDesc desc;
    desc.ByteWidth = static_cast<uint32_t>(bytes);
    desc.Usage = gpu::USAGE_DEFAULT;
    desc.BindFlags = bindFlags;
    gpu::SubresourceData initial;
    initial.pSysMem = data;
    const HResult result = device->CreateBuffer(&desc, &initial, buffer);
    if (Failed(result)) return result;
    byContent_.emplace(key, *buffer);
    users_[*buffer] = Use {key, generation_, 1};
    return result;
}

void SharedRenderSetBuffers::Release(gpu::Buffer*& buffer)
{
    if (!buffer) return;
    const auto found = users_.find(buffer);
    if (found == users_.end()) {
        buffer->Release();  // not one of the table's
    } else if (--found->second.count == 0) {
        if (found->second.generation == generation_) {
            const auto [first, last] = byContent_.equal_range(found->second.key);
            for (auto entry = first; entry != last; ++entry)
                if (entry->second == buffer) {
                    byContent_.erase(entry);
                    break;
                }
        }
        users_.erase(found);
        buffer->Release();
    }
    buffer = nullptr;
}

void SharedRenderSetBuffers::ForgetDevice()
{
    byContent_.clear();
    ++generation_;
}
