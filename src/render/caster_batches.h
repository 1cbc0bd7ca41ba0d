// The shadow casters of one cascade, gathered and drawn by mesh. Casters are
// cheap to draw one by one only on a real GPU: under a software rasterizer
// each draw costs several microseconds whatever it draws, and a large world
// has tens of thousands of casters per cascade. Most of them draw the very
// same buffers (the buffers of equal meshes are shared), so the pass gathers
// every render set it would draw with its placement and draws each group of
// sets with the same buffers as instanced draws, the placements handed to
// the shader in runs of kCasterMatrices.
//
// Depth only, so the order of the draws changes nothing in the shadow map.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <unordered_map>
#include <vector>

#include "core/matrix4.h"
#include "render/constant_buffers.h"

struct RenderSet;
namespace gpu {
class Buffer;
}

class CasterBatches {
public:
    // Forgets what was gathered; the storage stays for the next cascade.
    void Clear();

    // `set` drawn at `placement`. A set without GPU buffers or indices draws
    // nothing and is not kept.
    void Add(RenderSet* set, const Matrix4& placement);

    // Calls draw(set, placements, count) for every run of up to
    // kCasterMatrices gathered sets with the same buffers: `set` is one of
    // them, `placements` their shader matrices. Every group's runs come
    // together, the groups in the order their first set was added.
    template <class Draw>
    void ForEachRun(Draw&& draw)
    {
        for (size_t g = 0; g < groups_.size(); ++g) {
            const std::vector<ShaderMatrix>& placements = placements_[g];
            for (size_t done = 0; done < placements.size();) {
                const size_t count = std::min<size_t>(placements.size() - done, kCasterMatrices);
                draw(groups_[g], &placements[done], static_cast<uint32_t>(count));
                done += count;
            }
        }
    }

private:
    // What decides a draw: the same buffers and index count draw the same.
    struct DrawKey {
        const gpu::Buffer* vertices;
        const gpu::Buffer* skin;
        const gpu::Buffer* indices;
        int32_t indexCount;
        bool operator==(const DrawKey& other) const
        {
            return vertices == other.vertices && skin == other.skin && indices == other.indices &&
                   indexCount == other.indexCount;
        }
    };
    struct DrawKeyHash {
        size_t operator()(const DrawKey& key) const;
    };

    uint32_t GroupOf(RenderSet* set);

    std::vector<RenderSet*> groups_;  // one set of each group
    // Group g's placements; the vectors outlive Clear, so a frame's casters
    // land in storage the frames before made.
    std::vector<std::vector<ShaderMatrix>> placements_;
    std::unordered_map<DrawKey, uint32_t, DrawKeyHash> groupOfKey_;
    DrawKey lastKey_{};
    uint32_t lastGroup_ = 0;
    bool lastKnown_ = false;
};
