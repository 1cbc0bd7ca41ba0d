// The CPU-side geometry every drawable hands to the driver: vertex arrays of
// one of four layouts, side streams, 16-bit indices, the vertex-format code,
// and the GPU buffers the driver makes from them. Records and arrays live on
// the shared heap. Release order, everywhere: CDriver::ReleaseRenderSetBuffers
// (GPU buffers), then RenderSet::Release (arrays), then the record is freed.
#pragma once

#include <cstdint>

#include "core/vector3.h"

namespace gpu {
class Buffer;
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
    uint32_t* sourceIndices = nullptr; // the mesh vertex each emitted vertex came from
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
