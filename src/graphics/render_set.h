// The CPU-side geometry every drawable hands to the driver: vertex arrays of
// one of four layouts, side streams, 16-bit indices, the vertex-format code,
// and the GPU buffers the driver makes from them. Records and arrays live on
// the shared heap. Release order, everywhere: CDriver::ReleaseRenderSetBuffers
// (GPU buffers), then RenderSet::Release (arrays), then the record is freed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <unordered_map>
#include <vector>

#include "core/vector3.h"
#include "platform/hresult.h"

namespace gpu {
class Buffer;
class Device;
}

// The GPU buffers of one render set. The tangent stream is uploaded but never
// bound; the skin stream is bound as the second vertex stream.
struct GpuBufferSet {
    gpu::Buffer* vertexBuffer = nullptr;
    gpu::Buffer* tangentBuffer = nullptr;
    gpu::Buffer* skinBuffer = nullptr;
    gpu::Buffer* indexBuffer = nullptr;
};

// Vertex-format codes are 32-bit integers whose bits select the layout and the
// material variant of a mesh's faces.
using VertexFormat = int32_t;

struct RenderSet {
    uint8_t leading = 0;
    float* vertices32 = nullptr;  // position, normal, uv0: 8 floats per vertex
    float* vertices40 = nullptr;  // + uv1
    float* vertices48 = nullptr;  // + uv2
    float* vertices56 = nullptr;  // + uv3
    void* spare = nullptr;
    uint8_t* extraStream16 = nullptr;  // 16 bytes per vertex
    Vector3* tangents = nullptr;       // one per vertex, optional
    float* skin = nullptr;             // 4 weights then 4 bone indices per vertex, optional
    uint32_t* sourceIndices = nullptr; // per emitted vertex: its vertex index in the mesh
    VertexFormat vertexFormat = 0;
    int32_t vertexCount = 0;
    uint16_t* indices = nullptr;
    int32_t indexCount = 0;
    GpuBufferSet* gpu = nullptr;
    uint8_t* vertexBytes = nullptr;  // optional byte per vertex

    // Clears every pointer and count without freeing anything.
    static void Init(RenderSet* set);
    // Frees every array and the GpuBufferSet record on the shared heap and
    // zeroes the counts; the record itself stays, the GPU buffers are untouched.
    static void Release(RenderSet* set);

    // A cleared record on the shared heap, or null.
    static RenderSet* Allocate();
    // Frees a record (after Release) on the shared heap.
    static void Free(RenderSet* set);
};

// Render-set buffers shared by content. Render sets whose arrays hold the same
// bytes (the boxes of one size, the cubes of one block type) draw from one GPU
// buffer. The driver never changes a render set's buffers after making them
// (a mesh that changes gets new ones), so a shared buffer looks to each set
// exactly like a buffer of its own. The table holds one reference to each
// buffer and counts the sets using it; the last one to let go releases it.
//
// A 128-bit hash (XXH3) of the bytes handed over, with their length and bind
// flags, finds the buffers that may hold them; one is shared only when the
// bytes equal the copy the table keeps of what it was made from. XXH3 is fast
// but not made to resist collisions, and meshes come from world files that
// travel between users. The GPU's copy is never read back, which would stall
// a real graphics card once per equal mesh.
class SharedRenderSetBuffers {
public:
    struct ContentHash {
        uint64_t low = 0;
        uint64_t high = 0;
        bool operator==(const ContentHash&) const = default;
    };
    using ContentHasher = ContentHash (*)(const void* data, size_t bytes);
    // XXH3-128 of the bytes.
    static ContentHash Xxh3(const void* data, size_t bytes);

    // `hasher` only picks the candidates to compare; tests give a weak one.
    explicit SharedRenderSetBuffers(ContentHasher hasher = Xxh3) : hasher_(hasher) {}
    SharedRenderSetBuffers(const SharedRenderSetBuffers&) = delete;
    SharedRenderSetBuffers& operator=(const SharedRenderSetBuffers&) = delete;
    // Releases what is left (owners that never let go).
    ~SharedRenderSetBuffers();

    // `*buffer` becomes a buffer of `bytes` bytes from `data` with
    // `bindFlags`: one already made on this device from the same bytes, or a
    // new one (the device's failure is returned, `*buffer` stays null).
    HResult Acquire(gpu::Device* device, uint64_t bytes, uint32_t bindFlags, const void* data, gpu::Buffer** buffer);
    // The set no longer uses `buffer` (null does nothing; a buffer the table
    // did not make is released); clears it.
    void Release(gpu::Buffer*& buffer);
    // Buffers made from now on are never shared with earlier ones, which
    // belong to a device that is gone; those stay counted until released.
    void ForgetDevice();
    // Buffers in use, shared or not.
    size_t BufferCount() const { return users_.size(); }

private:
    struct ContentKey {
        ContentHash hash;
        uint64_t bytes = 0;
        uint32_t bindFlags = 0;
        bool operator==(const ContentKey&) const = default;
    };
    struct ContentKeyHash {
        size_t operator()(const ContentKey& key) const { return static_cast<size_t>(key.hash.low); }
    };
    struct Use {
        ContentKey key;
        uint32_t count = 0;
        std::vector<uint8_t> bytes;  // what a buffer of the current device was made from
    };

    ContentHasher hasher_;
    std::unordered_multimap<ContentKey, gpu::Buffer*, ContentKeyHash> byContent_;  // buffers of the current device
    std::unordered_map<gpu::Buffer*, Use> users_;
};
