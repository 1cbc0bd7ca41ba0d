// The named GPU resource registries: the shaders, constant buffers and
// pipeline states that render passes find by name. The world embeds one
// GpuRegistry (built by CWorld::GenerateWorld, emptied by
// CWorld::ReleaseResources before the device is re-created); the front end
// keeps another, built with the same operations.
//
// Ownership: each list owns its entries; an entry owns its GPU objects (a
// ShaderObjects record or a payload block on the shared heap) and its
// compiled code. The driver's operations (driver.h) create and bind the
// objects of an entry; only the registry allocates and frees entries.
//
// Index
//   - Shader entries
//   - Constant-buffer and state entries with their payloads
//   - The registry
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/private_heap.h"
#include "platform/gpu/gpu.h"

class CDriver;

namespace gpu {
class Blob;
}

// ---------------------------------------------------------------------------
// Shader entries
// ---------------------------------------------------------------------------

// The GPU objects of one shader entry, on the shared heap; a vertex entry
// fills vertexShader and inputLayout, a pixel entry pixelShader.
struct ShaderObjects {
    gpu::VertexShader* vertexShader = nullptr;
    void* unused = nullptr;
    gpu::PixelShader* pixelShader = nullptr;
    gpu::InputLayout* inputLayout = nullptr;
};

enum ShaderKind : uint8_t { kVertexShaderKind = 1, kPixelShaderKind = 2 };

// Input-layout codes of vertex entries (vertex formats of the meshes).
constexpr int32_t kPlainVertexLayout = 4097;    // position, normal, uv in one 32-byte stream
constexpr int32_t kSkinnedVertexLayout = 6145;  // plus a 32-byte skin stream in slot 1

// One compiled shader, on a private heap shared by the vertex and pixel lists.
struct ShaderEntry : public HeapAllocated<ShaderEntry> {
    ShaderEntry() = default;
    ~ShaderEntry();
    ShaderEntry(const ShaderEntry&) = delete;
    ShaderEntry& operator=(const ShaderEntry&) = delete;

    // Stores the name lower-cased (A-Z only) with its NameHash; null is empty.
    void SetName(const char16_t* newName);
    // Releases the GPU objects and frees their record, and drops the code.
    void ReleaseObjects();

    uint8_t kind = kVertexShaderKind;
    int32_t layout = 0;                // kPlainVertexLayout / kSkinnedVertexLayout; 0 for pixel entries
    ShaderObjects* objects = nullptr;  // made for CDriver::CreateShader
    gpu::Blob* code = nullptr;         // compiled code until the objects are made; null when compiling failed
    std::u16string name;
    uint32_t nameHash = 0;
};

// ---------------------------------------------------------------------------
// Constant-buffer and state entries with their payloads
// ---------------------------------------------------------------------------

// The kind of a ConstantBufferEntry decides its payload and its private heap.
enum class GpuEntryKind : uint8_t {
    kConstantBuffer = 0,
    kRasterizerState,
    kDepthStencilState,
    kBlendState,
    kSamplerState,
};

// Payload blocks (shared heap): the object, preceded for states by the
// description it was made from.
struct ConstantBufferPayload {
    gpu::Buffer* buffer = nullptr;
};
struct RasterizerStatePayload {
    gpu::RasterizerDesc desc;
    gpu::RasterizerState* state = nullptr;
};
struct DepthStencilStatePayload {
    gpu::DepthStencilDesc desc;
    gpu::DepthStencilState* state = nullptr;
};
struct BlendStatePayload {
    gpu::BlendDesc desc;
    gpu::BlendState* state = nullptr;
};
struct SamplerStatePayload {
    gpu::SamplerDesc desc;
    gpu::SamplerState* state = nullptr;
};

// One constant buffer or pipeline state. Each kind lives on a private heap of
// its own: make entries with New and free them with Delete.
struct ConstantBufferEntry {
    // Null when the kind's heap cannot give a block.
    static ConstantBufferEntry* New(GpuEntryKind kind);
    // Releases the payload (ReleasePayload) and frees the entry; null does nothing.
    static void Delete(ConstantBufferEntry* entry);
    // The private heap of a kind, for counting what is live.
    static PrivateHeap& Heap(GpuEntryKind kind);

    ConstantBufferEntry(const ConstantBufferEntry&) = delete;
    ConstantBufferEntry& operator=(const ConstantBufferEntry&) = delete;

    void SetName(const char16_t* newName);
    void SetDefaultName();  // "default"

    // Gives the entry an empty payload block of its kind on the shared heap
    // (an existing one is released first); false when none can be had.
    bool AllocPayload();
    // Releases the object in the payload and frees the block.
    void ReleasePayload();

    // The payload as its kind's block, or null for another kind or none.
    ConstantBufferPayload* BufferPayload() const;
    RasterizerStatePayload* RasterizerPayload() const;
    DepthStencilStatePayload* DepthStencilPayload() const;
    BlendStatePayload* BlendPayload() const;
    SamplerStatePayload* SamplerPayload() const;

    std::u16string name;
    uint32_t nameHash = 0;
    void* payload = nullptr;
    GpuEntryKind kind = GpuEntryKind::kConstantBuffer;

private:
    explicit ConstantBufferEntry(GpuEntryKind entryKind) : kind(entryKind) {}
    ~ConstantBufferEntry();
};

// ---------------------------------------------------------------------------
// The registry
// ---------------------------------------------------------------------------

class GpuRegistry {
public:
    GpuRegistry() = default;
    // Releases every list.
    ~GpuRegistry();
    GpuRegistry(const GpuRegistry&) = delete;
    GpuRegistry& operator=(const GpuRegistry&) = delete;

    // Building. Each does nothing without a driver. Shader files are
    // compiled again at every load ("Shaders/..." in the current
    // directory); one that is missing or does not compile writes
    // "The FX file cannot be compiled..." to the log and its entry has no
    // code, so it gets no GPU objects and draws with it are dropped.
    void LoadVertexShaders(CDriver* driver);
    void CreateVertexShaders(CDriver* driver);
    void LoadPixelShaders(CDriver* driver);
    void CreatePixelShaders(CDriver* driver);
    void CreateConstantBuffers(CDriver* driver);
    void CreateSamplerStates(CDriver* driver);
    void CreateBlendStates(CDriver* driver);
    void CreateDepthStencilStates(CDriver* driver);
    void CreateRasterizerState(CDriver* driver);
    // All of the above in the world's order: vertex shaders (load, create),
    // pixel shaders (load, create), constant buffers, samplers, blend,
    // depth-stencil and rasterizer states.
    void CreateAll(CDriver* driver);

    // Emptying: each entry's GPU objects are released and the entry freed.
    void ReleaseVertexShaders();
    void ReleasePixelShaders();
    void ReleaseConstantBuffers();
    void ReleaseSamplerStates();
    void ReleaseBlendStates();
    void ReleaseDepthStencilStates();
    void ReleaseRasterizerState();
    // Every list, in the world's order.
    void ReleaseAll();

    // Shaders and constant buffers by name in any case (lower-cased, then
    // hash and name); the earliest match, or null (also for a null name).
    ShaderEntry* FindVertexShader(const char16_t* name) const;
    ShaderEntry* FindPixelShader(const char16_t* name) const;
    ConstantBufferEntry* FindConstantBuffer(const char16_t* name) const;
    // States by their exact stored (lower-case) name: "alphaBlend" finds
    // nothing. The rasterizer list has no look-up.
    ConstantBufferEntry* FindSamplerState(const char16_t* name) const;
    ConstantBufferEntry* FindBlendState(const char16_t* name) const;
    ConstantBufferEntry* FindDepthStencilState(const char16_t* name) const;

    // The lists, in creation order.
    std::vector<ShaderEntry*> vertexShaders;
    std::vector<ShaderEntry*> pixelShaders;
    std::vector<ConstantBufferEntry*> constantBuffers;
    std::vector<ConstantBufferEntry*> samplerStates;
    std::vector<ConstantBufferEntry*> blendStates;
    std::vector<ConstantBufferEntry*> depthStencilStates;
    std::vector<ConstantBufferEntry*> rasterizerStates;
};
