// Index
//   - What the registries hold
//   - Shader entries
//   - Constant-buffer and state entries
//   - Building
//   - Releasing
//   - Look-ups
#include "graphics/gpu_registry.h"

#include <cfloat>
#include <cstring>
#include <new>

#include "core/name_key.h"
#include "graphics/driver.h"
#include "platform/gpu/blob.h"
#include "shell/log.h"

// ---------------------------------------------------------------------------
// What the registries hold
// ---------------------------------------------------------------------------

namespace {

// Both shader lists compile the same twelve effects. The skybox's pixel file
// is written in another case (the files on disk are found whatever the case);
// the instanced default effect has only a vertex stage and takes default's
// pixel stage.
struct ShaderFile {
    const char* vertexFile;
    const char* pixelFile;
    const char16_t* name;
    int32_t layout;
};

constexpr ShaderFile kShaderFiles[] = {
    {"Shaders\\Default.fx", "Shaders\\Default.fx", u"Default.fx", kPlainVertexLayout},
    {"Shaders\\RenderShadowMap.fx", "Shaders\\RenderShadowMap.fx", u"RenderShadowMap.fx", kPlainVertexLayout},
    {"Shaders\\SkyBox.fx", "Shaders\\skybox.fx", u"skybox.fx", kPlainVertexLayout},
    {"Shaders\\defaultshadowmap.fx", "Shaders\\defaultshadowmap.fx", u"defaultshadowmap.fx", kPlainVertexLayout},
    {"Shaders\\defaultshadowmapskinnedanimation.fx", "Shaders\\defaultshadowmapskinnedanimation.fx",
     u"defaultshadowmapskinnedanimation.fx", kSkinnedVertexLayout},
    {"Shaders\\defaultskinnedanimation.fx", "Shaders\\defaultskinnedanimation.fx", u"defaultskinnedanimation.fx",
     kSkinnedVertexLayout},
    {"Shaders\\RenderShadowMapSkinnedAnimation.fx", "Shaders\\RenderShadowMapSkinnedAnimation.fx",
     u"RenderShadowMapSkinnedAnimation.fx", kSkinnedVertexLayout},
    {"Shaders\\dbgTexture.fx", "Shaders\\dbgTexture.fx", u"dbgTexture.fx", kPlainVertexLayout},
    {"Shaders\\2DSprite.fx", "Shaders\\2DSprite.fx", u"2DSprite.fx", kPlainVertexLayout},
    {"Shaders\\3DLine.fx", "Shaders\\3DLine.fx", u"3DLine.fx", kPlainVertexLayout},
    {"Shaders\\frame.fx", "Shaders\\frame.fx", u"frame.fx", kPlainVertexLayout},
    {"Shaders\\defaultinstanced.fx", "Shaders\\Default.fx", u"defaultinstanced.fx", kPlainVertexLayout},
};

struct ConstantBufferRow {
    const char16_t* name;
    uint32_t bytes;
};

constexpr ConstantBufferRow kConstantBuffers[] = {
    {u"ConstantBufferLine", 128},         {u"ConstantBufferDef", 192},
    {u"ConstantBufferSkyBox", 240},       {u"ConstantBufferDefSM", 256},
    {u"ConstantBufferMaterialSM", 32},    {u"ConstantBufferFrame", 192},
    {u"ConstantBufferWorldMatrix", 64},   {u"ConstantBufferBonesMatrices", 5120},
    {u"PSConstantBufferDef", 48},         {u"PSConstantBufferLine", 16},
    {u"PSConstantBufferDefSM", 480},      {u"PSConstantBufferFrame", 48},
    {u"VSConstantBufferScale", 32},       {u"ConstantBufferCasterMatrices", 16384},
};

struct SamplerRow {
    const char16_t* name;
    int filter;
    int address;  // U, V and W alike
    uint32_t maxAnisotropy;
    int comparison;
    float maxLOD;
};

constexpr SamplerRow kSamplers[] = {
    {u"normal", gpu::FILTER_MIN_MAG_MIP_LINEAR, gpu::TEXTURE_ADDRESS_WRAP, 1, gpu::COMPARISON_ALWAYS, FLT_MAX},
    {u"shadowmap", gpu::FILTER_COMPARISON_MIN_MAG_LINEAR_MIP_POINT, gpu::TEXTURE_ADDRESS_BORDER, 0,
     gpu::COMPARISON_LESS, 0.0f},
};

struct BlendRow {
    const char16_t* name;
    int enable;
    int source;
    int destination;
    int alphaOperation;
};

// With ONE and ZERO as the alpha factors, SUBTRACT leaves the source alpha, as ADD would.
constexpr BlendRow kBlendStates[] = {
    {u"normal", 0, gpu::BLEND_ONE, gpu::BLEND_ZERO, gpu::BLEND_OP_ADD},
    {u"alphablend", 1, gpu::BLEND_SRC_ALPHA, gpu::BLEND_INV_SRC_ALPHA, gpu::BLEND_OP_SUBTRACT},
};

struct DepthStencilRow {
    const char16_t* name;
    int depthEnable;
    int depthWrite;
    int depthFunc;
};

constexpr DepthStencilRow kDepthStencilStates[] = {
    {u"default", 1, gpu::DEPTH_WRITE_MASK_ALL, gpu::COMPARISON_LESS},
    {u"always", 1, gpu::DEPTH_WRITE_MASK_ALL, gpu::COMPARISON_ALWAYS},
    {u"dontwrite", 0, gpu::DEPTH_WRITE_MASK_ZERO, gpu::COMPARISON_NEVER},
};

template <class T>
void ReleaseAndClear(T*& object)
{
    if (object) object->Release();
    object = nullptr;
}

void StoreName(const char16_t* source, std::u16string& name, uint32_t& hash)
{
    name = source ? ToLowerWide(std::u16string_view(source)) : std::u16string();
    hash = NameHash(name);
}

}  // namespace

// ---------------------------------------------------------------------------
// Shader entries
// ---------------------------------------------------------------------------

ShaderEntry::~ShaderEntry() { ReleaseObjects(); }

void ShaderEntry::SetName(const char16_t* newName) { StoreName(newName, name, nameHash); }

void ShaderEntry::ReleaseObjects()
{
    if (objects) {
        ReleaseAndClear(objects->vertexShader);
        ReleaseAndClear(objects->pixelShader);
        ReleaseAndClear(objects->inputLayout);
        objects->~ShaderObjects();
        SharedHeapFree(objects);
        objects = nullptr;
    }
    ReleaseAndClear(code);
}

// ---------------------------------------------------------------------------
// Constant-buffer and state entries
// ---------------------------------------------------------------------------

PrivateHeap& ConstantBufferEntry::Heap(GpuEntryKind kind)
{
    static PrivateHeap heaps[5];
    return heaps[static_cast<size_t>(kind) % 5];
}

ConstantBufferEntry* ConstantBufferEntry::New(GpuEntryKind kind)
{
    void* block = Heap(kind).Alloc(sizeof(ConstantBufferEntry));
    if (!block) return nullptr;
    std::memset(block, 0, sizeof(ConstantBufferEntry));
    return ::new (block) ConstantBufferEntry(kind);
}

void ConstantBufferEntry::Delete(ConstantBufferEntry* entry)
{
    if (!entry) return;
    PrivateHeap& heap = Heap(entry->kind);
    entry->~ConstantBufferEntry();
    heap.Free(entry);
}

ConstantBufferEntry::~ConstantBufferEntry() { ReleasePayload(); }

void ConstantBufferEntry::SetName(const char16_t* newName) { StoreName(newName, name, nameHash); }

void ConstantBufferEntry::SetDefaultName() { SetName(u"default"); }

namespace {

template <class Payload>
void* NewPayload()
{
    void* block = SharedHeapAlloc(sizeof(Payload));
    return block ? ::new (block) Payload {} : nullptr;
}

}  // namespace

bool ConstantBufferEntry::AllocPayload()
{
    ReleasePayload();
    switch (kind) {
    case GpuEntryKind::kConstantBuffer: payload = NewPayload<ConstantBufferPayload>(); break;
    case GpuEntryKind::kRasterizerState: payload = NewPayload<RasterizerStatePayload>(); break;
    case GpuEntryKind::kDepthStencilState: payload = NewPayload<DepthStencilStatePayload>(); break;
    case GpuEntryKind::kBlendState: payload = NewPayload<BlendStatePayload>(); break;
    case GpuEntryKind::kSamplerState: payload = NewPayload<SamplerStatePayload>(); break;
    }
    return payload != nullptr;
}

void ConstantBufferEntry::ReleasePayload()
{
    if (!payload) return;
    // Every payload kind is trivially destructible: releasing its object is all.
    if (ConstantBufferPayload* p = BufferPayload()) ReleaseAndClear(p->buffer);
    if (RasterizerStatePayload* p = RasterizerPayload()) ReleaseAndClear(p->state);
    if (DepthStencilStatePayload* p = DepthStencilPayload()) ReleaseAndClear(p->state);
    if (BlendStatePayload* p = BlendPayload()) ReleaseAndClear(p->state);
    if (SamplerStatePayload* p = SamplerPayload()) ReleaseAndClear(p->state);
    SharedHeapFree(payload);
    payload = nullptr;
}

ConstantBufferPayload* ConstantBufferEntry::BufferPayload() const
{
    return kind == GpuEntryKind::kConstantBuffer ? static_cast<ConstantBufferPayload*>(payload) : nullptr;
}

RasterizerStatePayload* ConstantBufferEntry::RasterizerPayload() const
{
    return kind == GpuEntryKind::kRasterizerState ? static_cast<RasterizerStatePayload*>(payload) : nullptr;
}

DepthStencilStatePayload* ConstantBufferEntry::DepthStencilPayload() const
{
    return kind == GpuEntryKind::kDepthStencilState ? static_cast<DepthStencilStatePayload*>(payload) : nullptr;
}

BlendStatePayload* ConstantBufferEntry::BlendPayload() const
{
    return kind == GpuEntryKind::kBlendState ? static_cast<BlendStatePayload*>(payload) : nullptr;
}

SamplerStatePayload* ConstantBufferEntry::SamplerPayload() const
{
    return kind == GpuEntryKind::kSamplerState ? static_cast<SamplerStatePayload*>(payload) : nullptr;
}

// ---------------------------------------------------------------------------
// Building
// ---------------------------------------------------------------------------

namespace {

void LoadShaderList(CDriver* driver, std::vector<ShaderEntry*>& list, ShaderKind kind)
{
    if (!driver) return;
    const bool vertex = kind == kVertexShaderKind;
    for (const ShaderFile& file : kShaderFiles) {
        ShaderEntry* entry = new ShaderEntry;
        if (!entry) return;  // out of memory: the list stays shorter
        if (!CompileShaderEntry(entry, vertex ? file.vertexFile : file.pixelFile, vertex ? "VS" : "PS",
                                vertex ? "vs_4_0" : "ps_4_0"))
            WriteLog("The FX file cannot be compiled...");
        entry->kind = kind;
        entry->layout = vertex ? file.layout : 0;
        entry->SetName(file.name);
        list.push_back(entry);
    }
}

void CreateShaderList(CDriver* driver, const std::vector<ShaderEntry*>& list)
{
    if (!driver) return;
    for (ShaderEntry* entry : list) {
        if (!entry->objects) {
            void* block = SharedHeapAlloc(sizeof(ShaderObjects));
            if (!block) continue;  // the entry stays without objects
            entry->objects = ::new (block) ShaderObjects {};
        }
        driver->CreateShader(entry);
    }
}

// A named entry with an empty payload, appended; null when no entry can be
// had. An entry whose payload cannot be had stays without an object.
ConstantBufferEntry* AppendEntry(std::vector<ConstantBufferEntry*>& list, GpuEntryKind kind, const char16_t* name)
{
    ConstantBufferEntry* entry = ConstantBufferEntry::New(kind);
    if (!entry) return nullptr;
    entry->SetName(name);
    entry->AllocPayload();
    list.push_back(entry);
    return entry;
}

}  // namespace

void GpuRegistry::LoadVertexShaders(CDriver* driver) { LoadShaderList(driver, vertexShaders, kVertexShaderKind); }

void GpuRegistry::CreateVertexShaders(CDriver* driver) { CreateShaderList(driver, vertexShaders); }

void GpuRegistry::LoadPixelShaders(CDriver* driver) { LoadShaderList(driver, pixelShaders, kPixelShaderKind); }

void GpuRegistry::CreatePixelShaders(CDriver* driver) { CreateShaderList(driver, pixelShaders); }

void GpuRegistry::CreateConstantBuffers(CDriver* driver)
{
    if (!driver) return;
    for (const ConstantBufferRow& row : kConstantBuffers) {
        ConstantBufferEntry* entry = AppendEntry(constantBuffers, GpuEntryKind::kConstantBuffer, row.name);
        if (!entry) return;
        driver->CreateConstantBuffer(entry, row.bytes);
    }
}

void GpuRegistry::CreateSamplerStates(CDriver* driver)
{
    if (!driver) return;
    for (const SamplerRow& row : kSamplers) {
        ConstantBufferEntry* entry = AppendEntry(samplerStates, GpuEntryKind::kSamplerState, row.name);
        if (!entry) return;
        driver->CreateSamplerState(entry, row.filter, row.address, row.address, row.address, 0.0f, row.maxAnisotropy,
                                   row.comparison, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, row.maxLOD);
    }
}

void GpuRegistry::CreateBlendStates(CDriver* driver)
{
    if (!driver) return;
    for (const BlendRow& row : kBlendStates) {
        ConstantBufferEntry* entry = AppendEntry(blendStates, GpuEntryKind::kBlendState, row.name);
        if (!entry) return;
        driver->CreateBlendState(entry, row.enable, row.source, row.destination, row.alphaOperation);
    }
}

void GpuRegistry::CreateDepthStencilStates(CDriver* driver)
{
    if (!driver) return;
    for (const DepthStencilRow& row : kDepthStencilStates) {
        ConstantBufferEntry* entry = AppendEntry(depthStencilStates, GpuEntryKind::kDepthStencilState, row.name);
        if (!entry) return;
        driver->CreateDepthStencilState(entry, row.depthEnable, row.depthWrite, row.depthFunc);
    }
}

void GpuRegistry::CreateRasterizerState(CDriver* driver)
{
    if (!driver) return;
    ConstantBufferEntry* entry = AppendEntry(rasterizerStates, GpuEntryKind::kRasterizerState, u"default");
    if (entry) driver->CreateRasterizerState(entry, 0.0f, 0.0f);
}

void GpuRegistry::CreateAll(CDriver* driver)
{
    LoadVertexShaders(driver);
    CreateVertexShaders(driver);
    LoadPixelShaders(driver);
    CreatePixelShaders(driver);
    CreateConstantBuffers(driver);
    CreateSamplerStates(driver);
    CreateBlendStates(driver);
    CreateDepthStencilStates(driver);
    CreateRasterizerState(driver);
}

// ---------------------------------------------------------------------------
// Releasing
// ---------------------------------------------------------------------------

namespace {

// GPU objects are released whether or not the driver still has a device:
// an object of a lost device only frees its memory.
void ReleaseShaderList(std::vector<ShaderEntry*>& list)
{
    for (ShaderEntry* entry : list) delete entry;
    list.clear();
}

void ReleaseEntryList(std::vector<ConstantBufferEntry*>& list)
{
    for (ConstantBufferEntry* entry : list) ConstantBufferEntry::Delete(entry);
    list.clear();
}

}  // namespace

GpuRegistry::~GpuRegistry() { ReleaseAll(); }

void GpuRegistry::ReleaseVertexShaders() { ReleaseShaderList(vertexShaders); }
void GpuRegistry::ReleasePixelShaders() { ReleaseShaderList(pixelShaders); }
void GpuRegistry::ReleaseConstantBuffers() { ReleaseEntryList(constantBuffers); }
void GpuRegistry::ReleaseSamplerStates() { ReleaseEntryList(samplerStates); }
void GpuRegistry::ReleaseBlendStates() { ReleaseEntryList(blendStates); }
void GpuRegistry::ReleaseDepthStencilStates() { ReleaseEntryList(depthStencilStates); }
void GpuRegistry::ReleaseRasterizerState() { ReleaseEntryList(rasterizerStates); }

void GpuRegistry::ReleaseAll()
{
    ReleaseVertexShaders();
    ReleasePixelShaders();
    ReleaseConstantBuffers();
    ReleaseSamplerStates();
    ReleaseBlendStates();
    ReleaseDepthStencilStates();
    ReleaseRasterizerState();
}

// ---------------------------------------------------------------------------
// Look-ups
// ---------------------------------------------------------------------------

namespace {

template <class Entry>
Entry* FindByKey(const std::vector<Entry*>& list, const char16_t* name)
{
    if (!name) return nullptr;
    const std::u16string key = ToLowerWide(std::u16string_view(name));
    const uint32_t hash = NameHash(key);
    for (Entry* entry : list)
        if (entry->nameHash == hash && entry->name == key) return entry;
    return nullptr;
}

ConstantBufferEntry* FindExact(const std::vector<ConstantBufferEntry*>& list, const char16_t* name)
{
    if (!name) return nullptr;
    const std::u16string_view key(name);
    for (ConstantBufferEntry* entry : list)
        if (entry->name == key) return entry;
    return nullptr;
}

}  // namespace

ShaderEntry* GpuRegistry::FindVertexShader(const char16_t* name) const { return FindByKey(vertexShaders, name); }

ShaderEntry* GpuRegistry::FindPixelShader(const char16_t* name) const { return FindByKey(pixelShaders, name); }

ConstantBufferEntry* GpuRegistry::FindConstantBuffer(const char16_t* name) const
{
    return FindByKey(constantBuffers, name);
}

ConstantBufferEntry* GpuRegistry::FindSamplerState(const char16_t* name) const { return FindExact(samplerStates, name); }

ConstantBufferEntry* GpuRegistry::FindBlendState(const char16_t* name) const { return FindExact(blendStates, name); }

ConstantBufferEntry* GpuRegistry::FindDepthStencilState(const char16_t* name) const
{
    return FindExact(depthStencilStates, name);
}
