// Copies of equal meshes gathered and drawn by instances. Under a software
// rasterizer each draw costs several microseconds whatever it draws, and a
// large world draws tens of thousands of objects a pass (and as many casters
// per shadow cascade), most of them with the very same buffers (the buffers
// of equal meshes are shared). A pass gathers every render set it would draw
// with its placement and how it looks, then draws each group of copies that
// share buffers and looks as instanced draws, the placements handed to the
// shader in runs of kCasterMatrices.
//
// The order of the draws changes: the groups come in the order their first
// copy was gathered, the copies of a group in the order they were. Only
// passes whose result does not depend on the order of their objects (depth
// tested, not blended) may draw this way.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <unordered_map>
#include <vector>

#include "render/constant_buffers.h"

class CTexture;
struct RenderSet;
namespace gpu {
class Buffer;
}

// What a copy shows besides its placement: the texture the pass binds and
// the colours and material value it uploads. Depth-only passes leave it as
// it is made.
struct CopyLook {
    CTexture* texture = nullptr;
    PSConstantBufferDef colours{};
    float power = 0.0f;
};

class InstanceBatches {
public:
    // Forgets what was gathered; the storage stays for the next pass.
    void Clear();

    // `set` drawn at `placement`, looking as `look`. A set without GPU
    // buffers or indices draws nothing and is not kept.
    void Add(RenderSet* set, const CopyLook& look, const ShaderMatrix& placement);

    // Calls draw(set, look, placements, count) for every run of up to
    // kCasterMatrices gathered copies with the same buffers and look: `set`
    // is one of them, `placements` their shader matrices. Every group's runs
    // come together.
    template <class Draw>
    void ForEachRun(Draw&& draw)
    {
        for (size_t g = 0; g < groups_.size(); ++g) {
            const std::vector<ShaderMatrix>& placements = placements_[g];
            for (size_t done = 0; done < placements.size();) {
                const size_t count = std::min<size_t>(placements.size() - done, kCasterMatrices);
                draw(groups_[g].set, groups_[g].key.look, &placements[done], static_cast<uint32_t>(count));
                done += count;
            }
        }
    }

private:
    // What decides a draw: the same buffers, index count and look draw the same.
    struct DrawKey {
        const gpu::Buffer* vertices;
        const gpu::Buffer* skin;
        const gpu::Buffer* indices;
        int32_t indexCount;
        CopyLook look;
        bool operator==(const DrawKey& other) const;
    };
    struct DrawKeyHash {
        size_t operator()(const DrawKey& key) const;
    };
    struct Group {
        RenderSet* set;  // one set of the group
        DrawKey key;
    };

    uint32_t GroupOf(RenderSet* set, const CopyLook& look);

    std::vector<Group> groups_;
    // Group g's placements; the vectors outlive Clear, so a pass's copies
    // land in storage the passes before made.
    std::vector<std::vector<ShaderMatrix>> placements_;
    std::unordered_map<DrawKey, uint32_t, DrawKeyHash> groupOfKey_;
    DrawKey lastKey_{};
    uint32_t lastGroup_ = 0;
    bool lastKnown_ = false;
};
