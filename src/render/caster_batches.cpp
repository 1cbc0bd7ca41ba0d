#include "render/caster_batches.h"

#include <functional>

#include "graphics/render_set.h"
#include "render/render_caches.h"

size_t CasterBatches::DrawKeyHash::operator()(const DrawKey& key) const
{
    const std::hash<const void*> pointer;
    size_t hash = pointer(key.vertices);
    hash = hash * 31 + pointer(key.skin);
    hash = hash * 31 + pointer(key.indices);
    return hash * 31 + static_cast<size_t>(key.indexCount);
}

void CasterBatches::Clear()
{
    for (size_t g = 0; g < groups_.size(); ++g) placements_[g].clear();
    groups_.clear();
    groupOfKey_.clear();
    lastKnown_ = false;
}

uint32_t CasterBatches::GroupOf(RenderSet* set)
{
    const GpuBufferSet& buffers = *set->gpu;
    const DrawKey key{buffers.vertexBuffer, buffers.skinBuffer, buffers.indexBuffer, set->indexCount};
    // Neighbouring casters are mostly of one kind.
    if (lastKnown_ && key == lastKey_) return lastGroup_;
    const auto [found, added] = groupOfKey_.try_emplace(key, static_cast<uint32_t>(groups_.size()));
    if (added) {
        groups_.push_back(set);
        if (placements_.size() < groups_.size()) placements_.emplace_back();
    }
    lastKey_ = key;
    lastGroup_ = found->second;
    lastKnown_ = true;
    return lastGroup_;
}

void CasterBatches::Add(RenderSet* set, const Matrix4& placement)
{
    if (!set || !set->gpu || !set->gpu->vertexBuffer || !set->gpu->indexBuffer || set->indexCount <= 0) return;
    placements_[GroupOf(set)].push_back(ShaderMatrixOf(placement));
}
