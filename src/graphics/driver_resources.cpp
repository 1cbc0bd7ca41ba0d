// The driver's resource, target and drawing operations: GPU objects for
// textures, render sets and registry entries, their binding, the
// render-target stack, clears, draws and shader compilation.
//
// Every operation that makes or binds something does nothing (and returns 0)
// without a device. Releases work without one too: an object of a lost
// device only frees its memory.
//
// Index
//   - Helpers
//   - Textures
//   - Render sets
//   - Frame and targets
//   - Constant buffers
//   - Shaders and their compilation
//   - Pipeline states
#include <algorithm>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "graphics/dds_loader.h"
#include "graphics/driver.h"
#include "graphics/gpu_registry.h"
#include "graphics/gpu_texture.h"
#include "graphics/render_set.h"
#include "graphics/texture.h"
#include "graphics/wic_loader.h"
#include "platform/gpu/blob.h"
#include "platform/gpu/shader_compiler.h"
#include "shell/log.h"

// ---------------------------------------------------------------------------
// Helpers
// ---------------------------------------------------------------------------

namespace {

template <class T>
void ReleaseAndClear(T*& object)
{
    if (object) object->Release();
    object = nullptr;
}

void ReleaseGpuTextureObjects(GpuTexture* record)
{
    ReleaseAndClear(record->shaderView);
    ReleaseAndClear(record->targetView);
    ReleaseAndClear(record->depthView);
    ReleaseAndClear(record->resource);
    ReleaseAndClear(record->texture);
}

// Direct3D 11's largest 2-D texture side; larger sizes fail before any
// pixels are packed.
constexpr int32_t kMaxTextureSide = 16384;

bool UsableTextureSize(const CTexture* texture)
{
    return texture->width > 0 && texture->height > 0 && texture->width <= kMaxTextureSide &&
           texture->height <= kMaxTextureSide;
}

gpu::Texture2DDesc TextureDesc(const CTexture* texture, gpu::Format format, uint32_t bindFlags)
{
    gpu::Texture2DDesc desc;
    desc.Width = static_cast<uint32_t>(std::max(texture->width, 0));
    desc.Height = static_cast<uint32_t>(std::max(texture->height, 0));
    desc.MipLevels = 1;
    desc.ArraySize = 1;
    desc.Format = format;
    desc.SampleDesc.Count = 1;
    desc.Usage = gpu::USAGE_DEFAULT;
    desc.BindFlags = bindFlags;
    return desc;
}

gpu::ShaderResourceViewDesc Texture2DViewDesc(gpu::Format format)
{
    gpu::ShaderResourceViewDesc desc;
    desc.Format = format;
    desc.ViewDimension = gpu::SRV_DIMENSION_TEXTURE2D;
    desc.Texture2D.MostDetailedMip = 0;
    desc.Texture2D.MipLevels = 1;
    return desc;
}

void ReleaseBufferSet(GpuBufferSet* set)
{
    SharedRenderSetBuffers& table = RenderSetBufferTable();
    table.Release(set->indexBuffer);
    table.Release(set->vertexBuffer);
    table.Release(set->tangentBuffer);
    table.Release(set->skinBuffer);
}

}  // namespace

SharedRenderSetBuffers& RenderSetBufferTable()
{
    // For the life of the process: a set may be released after its driver.
    static SharedRenderSetBuffers table;
    return table;
}

// ---------------------------------------------------------------------------
// Textures
// ---------------------------------------------------------------------------

int CDriver::CreateTextureFromImage(CTexture* texture)
{
    if (!HasDevice() || !texture) return 0;
    if (texture->gpu) ReleaseTexture(texture);
    GpuTexture* record = new GpuTexture;
    if (!record) return E_OUTOFMEMORY;
    texture->gpu = record;

    HResult result = E_INVALIDARG;
    if (UsableTextureSize(texture)) {
        // R8G8B8A8: channel c0 in the first byte, c3 in the last; row 0 is the
        // top of the picture. A pixel that cannot be read is black, alpha 0.
        const uint32_t width = static_cast<uint32_t>(texture->width);
        const uint32_t height = static_cast<uint32_t>(texture->height);
        std::vector<uint8_t> packed(static_cast<size_t>(width) * height * 4);
        for (uint32_t y = 0; y < height; ++y) {
            for (uint32_t x = 0; x < width; ++x) {
                uint8_t c0 = 0, c1 = 0, c2 = 0, c3 = 0;
                texture->GetPixel(x, static_cast<int32_t>(y), c0, c1, c2, c3);
                uint8_t* pixel = packed.data() + (static_cast<size_t>(y) * width + x) * 4;
                pixel[0] = c0, pixel[1] = c1, pixel[2] = c2, pixel[3] = c3;
            }
        }
        const gpu::Texture2DDesc desc = TextureDesc(texture, gpu::FORMAT_R8G8B8A8_UNORM, gpu::BIND_SHADER_RESOURCE);
        gpu::SubresourceData initial;
        initial.pSysMem = packed.data();
        initial.SysMemPitch = width * 4;
        result = state->device->CreateTexture2D(&desc, &initial, &record->texture);
        if (Succeeded(result)) {
            const gpu::ShaderResourceViewDesc view = Texture2DViewDesc(desc.Format);
            result = state->device->CreateShaderResourceView(record->texture, &view, &record->shaderView);
        }
    }
    if (Failed(result)) {
        ReleaseTexture(texture);
        return result;
    }
    return 0;
}

int CDriver::LoadTextureFromFile(CTexture* texture, const char16_t* fileName)
{
    if (!HasDevice() || !texture || !fileName) return 0;
    texture->SetName(fileName);
    if (texture->gpu) ReleaseTexture(texture);
    GpuTexture* record = new GpuTexture;
    if (!record) return 0;
    // The loader is chosen by the name as given: ".DDS" in capitals goes to
    // the image decoder. A file that cannot be loaded leaves the record empty.
    if (std::u16string_view(fileName).find(u".dds") != std::u16string_view::npos)
        LoadDDSTextureFromFile(state->device, state->context, fileName, &record->resource, &record->shaderView);
    else
        LoadWICTextureFromFile(state->device, state->context, fileName, &record->resource, &record->shaderView);
    if (record->resource && record->resource->GetType() == gpu::RESOURCE_DIMENSION_TEXTURE2D) {
        gpu::Texture2DDesc desc;
        static_cast<gpu::Texture2D*>(record->resource)->GetDesc(&desc);
        texture->width = static_cast<int32_t>(desc.Width);
        texture->height = static_cast<int32_t>(desc.Height);
    }
    texture->gpu = record;
    return 0;
}

int CDriver::CreateRenderTarget(CTexture* texture)
{
    if (!HasDevice() || !texture) return 0;
    if (texture->gpu) ReleaseTexture(texture);
    GpuTexture* record = new GpuTexture;
    if (!record) return 0;
    texture->gpu = record;
    const gpu::Texture2DDesc desc = TextureDesc(texture, gpu::FORMAT_R8G8B8A8_UNORM,
                                                gpu::BIND_SHADER_RESOURCE | gpu::BIND_RENDER_TARGET);
    state->device->CreateTexture2D(&desc, nullptr, &record->texture);
    return 0;
}

HResult CDriver::CreateColorShaderView(CTexture* texture)
{
    if (!HasDevice() || !texture || !texture->gpu) return E_INVALIDARG;
    GpuTexture* record = texture->gpu;
    ReleaseAndClear(record->shaderView);
    const gpu::ShaderResourceViewDesc desc = Texture2DViewDesc(gpu::FORMAT_R8G8B8A8_UNORM);
    const HResult result = state->device->CreateShaderResourceView(record->texture, &desc, &record->shaderView);
    return Failed(result) ? result : 0;
}

HResult CDriver::CreateColorTargetView(CTexture* texture)
{
    if (!HasDevice() || !texture || !texture->gpu) return E_INVALIDARG;
    GpuTexture* record = texture->gpu;
    ReleaseAndClear(record->targetView);
    gpu::RenderTargetViewDesc desc;
    desc.Format = gpu::FORMAT_R8G8B8A8_UNORM;
    desc.ViewDimension = gpu::RTV_DIMENSION_TEXTURE2D;
    desc.Texture2D.MipSlice = 0;
    const HResult result = state->device->CreateRenderTargetView(record->texture, &desc, &record->targetView);
    return Failed(result) ? result : 0;
}

HResult CDriver::CreateDepthTarget(CTexture* texture)
{
    if (!HasDevice()) return 0;
    if (!texture || !texture->gpu) return E_INVALIDARG;
    GpuTexture* record = texture->gpu;
    ReleaseAndClear(record->depthView);
    ReleaseAndClear(record->texture);
    const gpu::Texture2DDesc desc = TextureDesc(texture, gpu::FORMAT_D24_UNORM_S8_UINT, gpu::BIND_DEPTH_STENCIL);
    HResult result = state->device->CreateTexture2D(&desc, nullptr, &record->texture);
    if (Succeeded(result)) result = state->device->CreateDepthStencilView(record->texture, nullptr, &record->depthView);
    return Failed(result) ? result : 0;
}

int CDriver::CreateShadowMapTarget(CTexture* depthTexture, CTexture* viewTexture)
{
    if (!HasDevice() || !depthTexture || !viewTexture) return 0;
    if (depthTexture->gpu) ReleaseTexture(depthTexture);
    if (viewTexture->gpu) ReleaseTexture(viewTexture);
    depthTexture->gpu = new GpuTexture;
    viewTexture->gpu = new GpuTexture;
    if (!depthTexture->gpu || !viewTexture->gpu) return 0;

    // One depth texture, written through the second record's depth view and
    // sampled through the first record's shader view (CreateDepthShaderView).
    const gpu::Texture2DDesc desc = TextureDesc(depthTexture, gpu::FORMAT_R32_TYPELESS,
                                                gpu::BIND_DEPTH_STENCIL | gpu::BIND_SHADER_RESOURCE);
    if (Failed(state->device->CreateTexture2D(&desc, nullptr, &depthTexture->gpu->texture))) return 1;
    gpu::DepthStencilViewDesc view;
    view.Format = gpu::FORMAT_D32_FLOAT;
    view.ViewDimension = gpu::DSV_DIMENSION_TEXTURE2D;
    view.Texture2D.MipSlice = 0;
    state->device->CreateDepthStencilView(depthTexture->gpu->texture, &view, &viewTexture->gpu->depthView);
    return 1;
}

HResult CDriver::CreateDepthShaderView(CTexture* texture)
{
    if (!HasDevice()) return 0;
    if (!texture || !texture->gpu) return E_INVALIDARG;
    GpuTexture* record = texture->gpu;
    ReleaseAndClear(record->shaderView);
    const gpu::ShaderResourceViewDesc desc = Texture2DViewDesc(gpu::FORMAT_R32_FLOAT);
    const HResult result = state->device->CreateShaderResourceView(record->texture, &desc, &record->shaderView);
    return Failed(result) ? result : 0;
}

int CDriver::ReleaseTexture(CTexture* texture)
{
    if (!texture || !texture->gpu) return 0;
    ReleaseGpuTextureObjects(texture->gpu);
    delete texture->gpu;
    texture->gpu = nullptr;
    return 0;
}

void CDriver::SetPixelTexture(int slot, CTexture* texture)
{
    if (!HasDevice() || slot < 0 || !texture || !texture->gpu || !texture->gpu->shaderView) return;
    state->context->PSSetShaderResources(static_cast<uint32_t>(slot), 1, &texture->gpu->shaderView);
}

// ---------------------------------------------------------------------------
// Render sets
// ---------------------------------------------------------------------------

int CDriver::CreateRenderSetBuffers(RenderSet* renderSet)
{
    if (!HasDevice()) return 0;
    if (!renderSet || !renderSet->gpu) return E_INVALIDARG;
    GpuBufferSet* set = renderSet->gpu;
    // Buffers of an earlier creation would otherwise be lost.
    ReleaseBufferSet(set);
    gpu::Device* device = state->device;
    const uint64_t vertices = renderSet->vertexCount > 0 ? static_cast<uint64_t>(renderSet->vertexCount) : 0;
    const uint64_t indices = renderSet->indexCount > 0 ? static_cast<uint64_t>(renderSet->indexCount) : 0;

    SharedRenderSetBuffers& table = RenderSetBufferTable();
    // Without vertices32 the size is 0 and creation fails.
    HResult result = table.Acquire(device, renderSet->vertices32 ? 32 * vertices : 0, gpu::BIND_VERTEX_BUFFER,
                                   renderSet->vertices32, &set->vertexBuffer);
    if (Failed(result)) return result;
    if (renderSet->tangents) {
        static_assert(sizeof(Vector3) == 12, "tangents are 12 bytes per vertex");
        result = table.Acquire(device, 12 * vertices, gpu::BIND_VERTEX_BUFFER, renderSet->tangents,
                               &set->tangentBuffer);
        if (Failed(result)) return result;
    }
    if (renderSet->skin) {
        result = table.Acquire(device, 32 * vertices, gpu::BIND_VERTEX_BUFFER, renderSet->skin, &set->skinBuffer);
        if (Failed(result)) return result;
    }
    result = table.Acquire(device, 2 * indices, gpu::BIND_INDEX_BUFFER, renderSet->indices, &set->indexBuffer);
    if (Failed(result)) return result;
    return 1;
}

int CDriver::ReleaseRenderSetBuffers(RenderSet* renderSet)
{
    if (renderSet && renderSet->gpu) ReleaseBufferSet(renderSet->gpu);
    return 1;
}

int CDriver::DrawRenderSet(RenderSet* renderSet) { return DrawRenderSetInstances(renderSet, 1); }

void CDriver::Flush()
{
    if (HasDevice()) state->context->Flush();
}

int CDriver::DrawRenderSetInstances(RenderSet* renderSet, uint32_t instances)
{
    if (!HasDevice() || !renderSet || !renderSet->gpu) return 0;
    gpu::Context* context = state->context;
    GpuBufferSet* set = renderSet->gpu;
    const uint32_t stride = 32;
    const uint32_t offset = 0;
    context->IASetVertexBuffers(0, 1, &set->vertexBuffer, &stride, &offset);
    // A plain set leaves slot 1 as it was; the tangent stream is never bound.
    if (set->skinBuffer) context->IASetVertexBuffers(1, 1, &set->skinBuffer, &stride, &offset);
    context->IASetIndexBuffer(set->indexBuffer, gpu::FORMAT_R16_UINT, 0);
    if (renderSet->indexCount > 0)
        context->DrawIndexedInstanced(static_cast<uint32_t>(renderSet->indexCount), instances, 0, 0, 0);
    return 0;
}

// ---------------------------------------------------------------------------
// Frame and targets
// ---------------------------------------------------------------------------

namespace {

struct RenderTargetStackEntry {
    gpu::RenderTargetView* view = nullptr;
    gpu::DepthStencilView* depthView = nullptr;
    gpu::Viewport viewport;
    uint32_t viewportCount = 0;
};

constexpr int kRenderTargetStackDepth = 16;

struct RenderTargetStack {
    RenderTargetStackEntry entries[kRenderTargetStackDepth];
    int top = 0;  // the first free entry
};

RenderTargetStack renderTargetStack;

}  // namespace

int CDriver::Clear(uint16_t red, uint16_t green, uint16_t blue)
{
    if (!HasDevice()) return 0;
    // Always the back buffer and its depth, whatever target is bound.
    const float color[4] = {red / 255.0f, green / 255.0f, blue / 255.0f, 0.0f};
    state->context->ClearRenderTargetView(state->backBufferView, color);
    state->context->ClearDepthStencilView(state->depthStencilView, gpu::CLEAR_DEPTH, 1.0f, 0);
    return 1;
}

int CDriver::PushRenderTarget(CTexture* colorTexture, CTexture* depthTexture)
{
    if (!HasDevice() || !colorTexture || !colorTexture->gpu) return 0;
    RenderTargetStack& stack = renderTargetStack;
    if (stack.top >= kRenderTargetStackDepth) {
        WriteLog("Error: CDriver::PushRenderTarget() the render-target stack is full");
        return 0;
    }
    RenderTargetStackEntry& saved = stack.entries[stack.top];
    gpu::Context* context = state->context;
    context->OMGetRenderTargets(1, &saved.view, &saved.depthView);
    saved.viewportCount = 1;
    context->RSGetViewports(&saved.viewportCount, &saved.viewport);
    ++stack.top;

    gpu::DepthStencilView* depthView = (depthTexture && depthTexture->gpu) ? depthTexture->gpu->depthView : nullptr;
    context->OMSetRenderTargets(1, &colorTexture->gpu->targetView, depthView);
    return 0;
}

int CDriver::PopRenderTarget()
{
    if (!HasDevice()) return 0;
    RenderTargetStack& stack = renderTargetStack;
    if (stack.top <= 0) {
        stack.top = 0;
        return 0;
    }
    --stack.top;
    RenderTargetStackEntry& saved = stack.entries[stack.top];
    gpu::Context* context = state->context;
    context->OMSetRenderTargets(1, &saved.view, saved.depthView);
    context->RSSetViewports(saved.viewportCount, &saved.viewport);
    ReleaseAndClear(saved.view);
    ReleaseAndClear(saved.depthView);
    return 0;
}

// ---------------------------------------------------------------------------
// Constant buffers
// ---------------------------------------------------------------------------

HResult CDriver::CreateConstantBuffer(ConstantBufferEntry* entry, uint32_t byteWidth)
{
    if (!HasDevice()) return 0;
    ConstantBufferPayload* payload = entry ? entry->BufferPayload() : nullptr;
    if (!payload) return E_INVALIDARG;
    ReleaseAndClear(payload->buffer);
    gpu::BufferDesc desc;
    desc.ByteWidth = byteWidth;
    desc.Usage = gpu::USAGE_DEFAULT;
    desc.BindFlags = gpu::BIND_CONSTANT_BUFFER;
    const HResult result = state->device->CreateBuffer(&desc, nullptr, &payload->buffer);
    return Failed(result) ? result : 0;
}

void CDriver::UpdateConstantBuffer(ConstantBufferEntry* entry, const void* data)
{
    ConstantBufferPayload* payload = entry ? entry->BufferPayload() : nullptr;
    if (!HasDevice() || !payload || !payload->buffer || !data) return;
    state->context->UpdateSubresource(payload->buffer, 0, nullptr, data, 0, 0);
}

void CDriver::UpdateConstantBufferStart(ConstantBufferEntry* entry, const void* data, uint32_t bytes)
{
    ConstantBufferPayload* payload = entry ? entry->BufferPayload() : nullptr;
    if (!HasDevice() || !payload || !payload->buffer || !data || bytes == 0) return;
    const gpu::Box start{0, 0, 0, std::min(bytes, payload->buffer->Desc().ByteWidth), 1, 1};
    state->context->UpdateSubresource(payload->buffer, 0, &start, data, 0, 0);
}

void CDriver::SetVertexConstantBuffer(int slot, ConstantBufferEntry* entry)
{
    ConstantBufferPayload* payload = entry ? entry->BufferPayload() : nullptr;
    if (!HasDevice() || !payload || slot < 0) return;
    state->context->VSSetConstantBuffers(static_cast<uint32_t>(slot), 1, &payload->buffer);
}

void CDriver::SetPixelConstantBuffer(int slot, ConstantBufferEntry* entry)
{
    ConstantBufferPayload* payload = entry ? entry->BufferPayload() : nullptr;
    if (!HasDevice() || !payload || slot < 0) return;
    state->context->PSSetConstantBuffers(static_cast<uint32_t>(slot), 1, &payload->buffer);
}

// ---------------------------------------------------------------------------
// Shaders and their compilation
// ---------------------------------------------------------------------------

namespace {

// Layout 4097: position, normal and uv in one 32-byte stream; 6145 adds the
// skin stream (four weights, four bone indices as floats) in slot 1.
const gpu::InputElementDesc kSkinnedElements[] = {
    {"POSITION", 0, gpu::FORMAT_R32G32B32_FLOAT, 0, 0, gpu::INPUT_PER_VERTEX_DATA, 0},
    {"NORMAL", 0, gpu::FORMAT_R32G32B32_FLOAT, 0, 12, gpu::INPUT_PER_VERTEX_DATA, 0},
    {"TEXCOORD", 0, gpu::FORMAT_R32G32_FLOAT, 0, 24, gpu::INPUT_PER_VERTEX_DATA, 0},
    {"BLENDWEIGHT", 0, gpu::FORMAT_R32G32B32A32_FLOAT, 1, gpu::APPEND_ALIGNED_ELEMENT, gpu::INPUT_PER_VERTEX_DATA, 0},
    {"BLENDINDICES", 0, gpu::FORMAT_R32G32B32A32_FLOAT, 1, gpu::APPEND_ALIGNED_ELEMENT, gpu::INPUT_PER_VERTEX_DATA,
     0},
};
constexpr uint32_t kPlainElementCount = 3;
constexpr uint32_t kSkinnedElementCount = 5;

}  // namespace

HResult CDriver::CreateShader(ShaderEntry* entry)
{
    if (!HasDevice()) return 0;
    if (!entry || !entry->objects) return E_INVALIDARG;
    // An entry whose file did not compile gets nothing; what it has stays.
    if (!entry->code) return E_INVALIDARG;
    ShaderObjects* objects = entry->objects;
    ReleaseAndClear(objects->vertexShader);
    ReleaseAndClear(objects->pixelShader);
    ReleaseAndClear(objects->inputLayout);
    objects->unused = nullptr;

    gpu::Device* device = state->device;
    const void* code = entry->code->GetBufferPointer();
    const size_t length = entry->code->GetBufferSize();
    HResult result = E_INVALIDARG;
    if (entry->kind == kVertexShaderKind) {
        result = device->CreateVertexShader(code, length, nullptr, &objects->vertexShader);
        if (Succeeded(result) && (entry->layout == kPlainVertexLayout || entry->layout == kSkinnedVertexLayout)) {
            const uint32_t count = entry->layout == kSkinnedVertexLayout ? kSkinnedElementCount : kPlainElementCount;
            result = device->CreateInputLayout(kSkinnedElements, count, code, length, &objects->inputLayout);
        }
    } else if (entry->kind == kPixelShaderKind) {
        result = device->CreatePixelShader(code, length, nullptr, &objects->pixelShader);
    }
    // The code is needed only to make the objects. A shader whose layout
    // failed is dropped with it: binding half an entry would draw garbage.
    ReleaseAndClear(entry->code);
    if (Failed(result)) {
        ReleaseAndClear(objects->vertexShader);
        ReleaseAndClear(objects->inputLayout);
        ReleaseAndClear(objects->pixelShader);
        return result;
    }
    return 0;
}

void CDriver::SetVertexShader(ShaderEntry* entry)
{
    if (!HasDevice() || !entry) return;
    // An entry without objects binds none, so the pass's draws are dropped.
    const ShaderObjects* objects = entry->objects;
    state->context->VSSetShader(objects ? objects->vertexShader : nullptr, nullptr, 0);
    state->context->IASetInputLayout(objects ? objects->inputLayout : nullptr);
}

void CDriver::SetPixelShader(ShaderEntry* entry)
{
    if (!HasDevice() || !entry) return;
    const ShaderObjects* objects = entry->objects;
    state->context->PSSetShader(objects ? objects->pixelShader : nullptr, nullptr, 0);
}

HResult CompileShaderFromFile(const char* file, const char* entryPoint, const char* profile, gpu::Blob** code)
{
    if (!code) return E_INVALIDARG;
    *code = nullptr;
    // The compiler writes its messages to stderr itself (the debugger output
    // on Windows); the error blob is only released.
    gpu::Blob* errors = nullptr;
    const HResult result = gpu::CompileFromFile(file, entryPoint, profile, code, &errors);
    ReleaseAndClear(errors);
    return result;
}

int CompileShaderEntry(ShaderEntry* entry, const char* file, const char* entryPoint, const char* profile)
{
    if (!entry) return 0;
    gpu::Blob* code = nullptr;
    if (Failed(CompileShaderFromFile(file, entryPoint, profile, &code)) || !code) return 0;
    ReleaseAndClear(entry->code);
    entry->code = code;
    return 1;
}

// ---------------------------------------------------------------------------
// Pipeline states
// ---------------------------------------------------------------------------

int CDriver::CreateRasterizerState(ConstantBufferEntry* entry, float depthBiasClamp, float slopeScaledDepthBias)
{
    if (!HasDevice()) return 0;
    RasterizerStatePayload* payload = entry ? entry->RasterizerPayload() : nullptr;
    if (!payload) return -1;
    ReleaseAndClear(payload->state);
    gpu::RasterizerDesc& desc = payload->desc;
    desc = gpu::RasterizerDesc {};
    desc.FillMode = gpu::FILL_SOLID;
    desc.CullMode = gpu::CULL_BACK;
    desc.FrontCounterClockwise = 0;
    desc.DepthBias = 0;
    desc.DepthBiasClamp = depthBiasClamp;
    desc.SlopeScaledDepthBias = slopeScaledDepthBias;
    desc.DepthClipEnable = 1;
    desc.ScissorEnable = 0;
    desc.MultisampleEnable = state->swapChainDesc.SampleDesc.Count > 1 ? 1 : 0;
    desc.AntialiasedLineEnable = 0;
    return Failed(state->device->CreateRasterizerState(&desc, &payload->state)) ? -1 : 0;
}

int CDriver::CreateDepthStencilState(ConstantBufferEntry* entry, int depthEnable, int depthWriteMask, int depthFunc)
{
    if (!HasDevice()) return 0;
    DepthStencilStatePayload* payload = entry ? entry->DepthStencilPayload() : nullptr;
    if (!payload) return -1;
    ReleaseAndClear(payload->state);
    gpu::DepthStencilDesc& desc = payload->desc;
    desc = gpu::DepthStencilDesc {};
    desc.DepthEnable = depthEnable;
    desc.DepthWriteMask = static_cast<gpu::DepthWriteMask>(depthWriteMask);
    desc.DepthFunc = static_cast<gpu::ComparisonFunc>(depthFunc);
    desc.StencilEnable = 1;
    desc.StencilReadMask = 0xFF;
    desc.StencilWriteMask = 0xFF;
    desc.FrontFace = {gpu::STENCIL_OP_KEEP, gpu::STENCIL_OP_INCR, gpu::STENCIL_OP_KEEP, gpu::COMPARISON_ALWAYS};
    desc.BackFace = {gpu::STENCIL_OP_KEEP, gpu::STENCIL_OP_DECR, gpu::STENCIL_OP_KEEP, gpu::COMPARISON_ALWAYS};
    return Failed(state->device->CreateDepthStencilState(&desc, &payload->state)) ? -1 : 0;
}

int CDriver::CreateBlendState(ConstantBufferEntry* entry, int blendEnable, int srcBlend, int destBlend,
                              int blendOpAlpha)
{
    if (!HasDevice()) return 0;
    BlendStatePayload* payload = entry ? entry->BlendPayload() : nullptr;
    if (!payload) return -1;
    ReleaseAndClear(payload->state);
    gpu::BlendDesc& desc = payload->desc;
    desc = gpu::BlendDesc {};
    desc.AlphaToCoverageEnable = 0;
    desc.IndependentBlendEnable = 0;
    gpu::RenderTargetBlendDesc& target = desc.RenderTarget[0];
    target.BlendEnable = blendEnable;
    target.SrcBlend = static_cast<gpu::Blend>(srcBlend);
    target.DestBlend = static_cast<gpu::Blend>(destBlend);
    target.BlendOp = gpu::BLEND_OP_ADD;
    target.SrcBlendAlpha = gpu::BLEND_ONE;
    target.DestBlendAlpha = gpu::BLEND_ZERO;
    target.BlendOpAlpha = static_cast<gpu::BlendOp>(blendOpAlpha);
    target.RenderTargetWriteMask = gpu::COLOR_WRITE_ENABLE_ALL;
    return Failed(state->device->CreateBlendState(&desc, &payload->state)) ? -1 : 0;
}

int CDriver::CreateSamplerState(ConstantBufferEntry* entry, int filter, int addressU, int addressV, int addressW,
                                float mipLODBias, uint32_t maxAnisotropy, int comparisonFunc, float borderRed,
                                float borderGreen, float borderBlue, float borderAlpha, float minLOD, float maxLOD)
{
    if (!HasDevice()) return 0;
    SamplerStatePayload* payload = entry ? entry->SamplerPayload() : nullptr;
    if (!payload) return -1;
    ReleaseAndClear(payload->state);
    gpu::SamplerDesc& desc = payload->desc;
    desc.Filter = static_cast<gpu::Filter>(filter);
    desc.AddressU = static_cast<gpu::TextureAddressMode>(addressU);
    desc.AddressV = static_cast<gpu::TextureAddressMode>(addressV);
    desc.AddressW = static_cast<gpu::TextureAddressMode>(addressW);
    desc.MipLODBias = mipLODBias;
    desc.MaxAnisotropy = maxAnisotropy;
    desc.ComparisonFunc = static_cast<gpu::ComparisonFunc>(comparisonFunc);
    desc.BorderColor[0] = borderRed;
    desc.BorderColor[1] = borderGreen;
    desc.BorderColor[2] = borderBlue;
    desc.BorderColor[3] = borderAlpha;
    desc.MinLOD = minLOD;
    desc.MaxLOD = maxLOD;
    return Failed(state->device->CreateSamplerState(&desc, &payload->state)) ? -1 : 0;
}

int CDriver::SetDepthStencilState(ConstantBufferEntry* entry)
{
    DepthStencilStatePayload* payload = entry ? entry->DepthStencilPayload() : nullptr;
    if (!HasDevice() || !payload) return 0;
    state->context->OMSetDepthStencilState(payload->state, 1);
    return 1;
}

void CDriver::SetBlendState(ConstantBufferEntry* entry)
{
    BlendStatePayload* payload = entry ? entry->BlendPayload() : nullptr;
    if (!HasDevice() || !payload) return;
    const float factor[4] = {0.0f, 0.0f, 0.0f, 0.0f};
    state->context->OMSetBlendState(payload->state, factor, 0xFFFFFFFFu);
}

void CDriver::SetPixelSampler(int slot, ConstantBufferEntry* entry)
{
    SamplerStatePayload* payload = entry ? entry->SamplerPayload() : nullptr;
    if (!HasDevice() || !payload || slot < 0) return;
    state->context->PSSetSamplers(static_cast<uint32_t>(slot), 1, &payload->state);
}
