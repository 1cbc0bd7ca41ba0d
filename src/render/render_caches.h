// How the passes of a scene frame find their shaders, constant buffers and
// states: the first use on a device searches the world's registries by name,
// and the answer is remembered in the scene's RenderCaches (scene.h) until
// the device is made again. Each pass owns one block of slots in each of the
// three caches, listed below, and numbers its entries within its block.
// Also the conversions every pass makes on the way to the GPU.
//
// Index:
//   - Cache blocks of the passes
//   - PassCache: one pass's look-ups
//   - Values for the GPU
#pragma once

#include "render/constant_buffers.h"
#include "scene/scene.h"

struct Matrix4;
struct Matrix4d;
struct Vector3;

// ---------------------------------------------------------------------------
// Cache blocks of the passes
// ---------------------------------------------------------------------------

// Slots of one block in each cache; the scene frame's own slots are block 0.
inline constexpr int kCacheBlockSlots = RenderCaches::kFrameCacheSlots;

// A pass that caches look-ups takes the next free block here.
enum RenderCacheBlock : int {
    kFrameCacheBlock = 0,  // the scene frame itself (scene_frame.cpp)
    kSkyBoxCacheBlock,
    kDefaultPassCacheBlock,
    kSkinnedPassCacheBlock,
    kAlphaPassCacheBlock,
    kShadowedPassCacheBlock,
    kShadowedSkinnedPassCacheBlock,
    kShadowedAlphaPassCacheBlock,
    kSingleObjectCacheBlock,
    kRenderCacheBlockCount
};

// The passes that number their slots themselves start at slot 1000.
static_assert(kRenderCacheBlockCount * kCacheBlockSlots <= 1000);

// ---------------------------------------------------------------------------
// PassCache: one pass's look-ups
// ---------------------------------------------------------------------------

// The entries of one pass: slot n (0 to kCacheBlockSlots - 1) of the pass's
// block in the cache of its kind. A slot still empty is looked up in the
// scene's world at each use and keeps the first entry found; without a
// world, or for a name the registry does not hold, the answer is null.
// Slots count entries, not files: one file's vertex and pixel shaders need a
// slot each.
class PassCache {
public:
    PassCache(CScene& scene, RenderCacheBlock block);

    ShaderEntry* VertexShader(int slot, const char16_t* name);
    ShaderEntry* PixelShader(int slot, const char16_t* name);
    ConstantBufferEntry* ConstantBuffer(int slot, const char16_t* name);
    ConstantBufferEntry* SamplerState(int slot, const char16_t* name);
    ConstantBufferEntry* BlendState(int slot, const char16_t* name);
    ConstantBufferEntry* DepthStencilState(int slot, const char16_t* name);

private:
    template <class Entry, class LookUp>
    Entry* Cached(Entry** cache, int slot, LookUp lookUp);

    RenderCaches& caches_;
    const CWorld* world_;
    int base_;
};

// ---------------------------------------------------------------------------
// Values for the GPU
// ---------------------------------------------------------------------------

// A double matrix transposed, then converted element by element.
ShaderMatrix ShaderMatrixOf(const Matrix4d& matrix);
// A float matrix transposed.
ShaderMatrix ShaderMatrixOf(const Matrix4& matrix);
// (x, y, z, 1).
ShaderFloat4 ShaderPoint(const Vector3& point);
