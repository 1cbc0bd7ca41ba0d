#include "render/render_caches.h"

#include <cassert>

#include "core/matrix4.h"
#include "core/matrix4d.h"
#include "core/vector3.h"
#include "world/world.h"

// ---------------------------------------------------------------------------
// PassCache
// ---------------------------------------------------------------------------

PassCache::PassCache(CScene& scene, RenderCacheBlock block)
    : caches_(scene.renderCaches), world_(scene.world), base_(static_cast<int>(block) * kCacheBlockSlots)
{
}

template <class Entry, class LookUp>
Entry* PassCache::Cached(Entry** cache, int slot, LookUp lookUp)
{
    // A slot outside the block would be another pass's entry.
    assert(slot >= 0 && slot < kCacheBlockSlots);
    if (slot < 0 || slot >= kCacheBlockSlots) return nullptr;
    Entry*& entry = cache[base_ + slot];
    if (!entry && world_) entry = lookUp(*world_);
    return entry;
}

ShaderEntry* PassCache::VertexShader(int slot, const char16_t* name)
{
    return Cached(caches_.shaders, slot, [name](const CWorld& world) { return world.FindVertexShader(name); });
}

ShaderEntry* PassCache::PixelShader(int slot, const char16_t* name)
{
    return Cached(caches_.shaders, slot, [name](const CWorld& world) { return world.FindPixelShader(name); });
}

ConstantBufferEntry* PassCache::ConstantBuffer(int slot, const char16_t* name)
{
    return Cached(caches_.constantBuffers, slot,
                  [name](const CWorld& world) { return world.FindConstantBuffer(name); });
}

ConstantBufferEntry* PassCache::SamplerState(int slot, const char16_t* name)
{
    return Cached(caches_.states, slot, [name](const CWorld& world) { return world.FindSamplerState(name); });
}

ConstantBufferEntry* PassCache::BlendState(int slot, const char16_t* name)
{
    return Cached(caches_.states, slot, [name](const CWorld& world) { return world.FindBlendState(name); });
}

ConstantBufferEntry* PassCache::DepthStencilState(int slot, const char16_t* name)
{
    return Cached(caches_.states, slot, [name](const CWorld& world) { return world.FindDepthStencilState(name); });
}

// ---------------------------------------------------------------------------
// Values for the GPU
// ---------------------------------------------------------------------------

ShaderMatrix ShaderMatrixOf(const Matrix4d& matrix)
{
    ShaderMatrix out;
    for (int r = 0; r < 4; ++r)
        for (int k = 0; k < 4; ++k) out.m[r][k] = static_cast<float>(matrix.m[k * 4 + r]);
    return out;
}

ShaderMatrix ShaderMatrixOf(const Matrix4& matrix)
{
    ShaderMatrix out;
    for (int r = 0; r < 4; ++r)
        for (int k = 0; k < 4; ++k) out.m[r][k] = matrix.m[k * 4 + r];
    return out;
}

ShaderFloat4 ShaderPoint(const Vector3& point) { return ShaderFloat4{point.x, point.y, point.z, 1.0f}; }
