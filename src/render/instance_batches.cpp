#include "render/instance_batches.h"

#include <cstring>
#include <functional>

#include "graphics/render_set.h"

bool InstanceBatches::DrawKey::operator==(const DrawKey& other) const
{
    // The colours compare bit for bit, so a copy whose colours are not
    // numbers still finds its group.
    return vertices == other.vertices && skin == other.skin && indices == other.indices &&
           indexCount == other.indexCount && look.texture == other.look.texture &&
           std::memcmp(&look.colours, &other.look.colours, sizeof look.colours) == 0 &&
           std::memcmp(&look.power, &other.look.power, sizeof look.power) == 0;
}

size_t InstanceBatches::DrawKeyHash::operator()(const DrawKey& key) const
{
    const std::hash<const void*> pointer;
    size_t hash = pointer(key.vertices);
    hash = hash * 31 + pointer(key.skin);
    hash = hash * 31 + pointer(key.indices);
    hash = hash * 31 + pointer(key.look.texture);
    hash = hash * 31 + static_cast<size_t>(key.indexCount);
    // The colours count too: a world may give every copy of one mesh colours
    // of its own, and keys alike but for them must not share one bucket.
    uint32_t words[(sizeof key.look.colours + sizeof key.look.power) / sizeof(uint32_t)];
    std::memcpy(words, &key.look.colours, sizeof key.look.colours);
    std::memcpy(reinterpret_cast<char*>(words) + sizeof key.look.colours, &key.look.power, sizeof key.look.power);
    for (const uint32_t word : words) hash = hash * 31 + word;
    return hash;
}

void InstanceBatches::Clear()
{
    for (size_t g = 0; g < groups_.size(); ++g) placements_[g].clear();
    groups_.clear();
    groupOfKey_.clear();
    lastKnown_ = false;
}

uint32_t InstanceBatches::GroupOf(RenderSet* set, const CopyLook& look)
{
    const GpuBufferSet& buffers = *set->gpu;
    const DrawKey key{buffers.vertexBuffer, buffers.skinBuffer, buffers.indexBuffer, set->indexCount, look};
    // Neighbouring copies are mostly of one kind.
    if (lastKnown_ && key == lastKey_) return lastGroup_;
    const auto [found, added] = groupOfKey_.try_emplace(key, static_cast<uint32_t>(groups_.size()));
    if (added) {
        groups_.push_back(Group{set, key});
        if (placements_.size() < groups_.size()) placements_.emplace_back();
    }
    lastKey_ = key;
    lastGroup_ = found->second;
    lastKnown_ = true;
    return lastGroup_;
}

void InstanceBatches::Add(RenderSet* set, const CopyLook& look, const ShaderMatrix& placement)
{
    if (!set || !set->gpu || !set->gpu->vertexBuffer || !set->gpu->indexBuffer || set->indexCount <= 0) return;
    placements_[GroupOf(set, look)].push_back(placement);
}
