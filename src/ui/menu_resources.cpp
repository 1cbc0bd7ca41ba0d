// The front end's own GPU resources: the seven named registries (the same
// kinds and contents as a world's, built by the same registry code, except
// that only the sprite effect is compiled) and the full-screen quad the
// background picture is drawn on.
//
// Index
//   - The sprite shaders
//   - The background quad
//   - CreateResources, ReleaseResources, RecreateResources
//   - Look-ups
//   - DrawBackground
#include <cstring>

#include "graphics/driver.h"
#include "graphics/render_set.h"
#include "platform/files.h"
#include "render/constant_buffers.h"
#include "shell/log.h"
#include "shell/start_directory.h"
#include "shell/window_placement.h"
#include "ui/menu.h"
#include "world/world.h"

namespace {

constexpr const char* kSpriteFile = "Shaders\\2DSprite.fx";
constexpr const char16_t* kSpriteName = u"2DSprite.fx";
constexpr const char16_t* kSpriteKey = u"2dsprite.fx";

// ---------------------------------------------------------------------------
// The sprite shaders
// ---------------------------------------------------------------------------

// Appends the sprite effect's entry of one stage. A file that does not
// compile is logged and still listed, without code: it then gets no GPU
// objects and is never bound.
void LoadSpriteShader(std::vector<ShaderEntry*>& list, ShaderKind kind)
{
    const bool vertex = kind == kVertexShaderKind;
    ShaderEntry* entry = new ShaderEntry;
    if (!entry) return;
    if (!CompileShaderEntry(entry, kSpriteFile, vertex ? "VS" : "PS", vertex ? "vs_4_0" : "ps_4_0"))
        WriteLog("The FX file cannot be compiled...");
    entry->kind = kind;
    entry->layout = vertex ? kPlainVertexLayout : 0;
    entry->SetName(kSpriteName);
    list.push_back(entry);
}

// True when the entry can be bound: it compiled and its objects exist.
bool Usable(const ShaderEntry* entry)
{
    if (!entry || !entry->objects) return false;
    const ShaderObjects& objects = *entry->objects;
    return entry->kind == kVertexShaderKind ? objects.vertexShader && objects.inputLayout
                                            : objects.pixelShader != nullptr;
}

// ---------------------------------------------------------------------------
// The background quad
// ---------------------------------------------------------------------------

// A 32-byte vertex: position, then 12 unused bytes, then the texture coordinate.
struct QuadVertex {
    float x, y, z;
    float unused[3];
    float u, v;
};
static_assert(sizeof(QuadVertex) == 32, "quad vertices are 32 bytes");

// Two triangles over the whole clip space; v = 1 along the bottom edge, so
// the picture's first row shows at the top.
constexpr QuadVertex kQuad[6] = {
    {-1, -1, 0, {}, 0, 1}, {-1, 1, 0, {}, 0, 0}, {1, 1, 0, {}, 1, 0},
    {-1, -1, 0, {}, 0, 1}, {1, 1, 0, {}, 1, 0},  {1, -1, 0, {}, 1, 1},
};

constexpr const char* kQuadError = "Error: CWorld::GenerateWorld() ";

// The quad with its arrays, or null (logged) when any allocation fails:
// nothing of a half-made quad is kept.
RenderSet* MakeBackgroundQuad()
{
    RenderSet* quad = RenderSet::Allocate();
    if (!quad) {
        WriteLog(kQuadError);
        return nullptr;
    }
    constexpr size_t n = 6;
    quad->vertices32 = static_cast<float*>(SharedHeapAlloc(sizeof kQuad));
    quad->indices = static_cast<uint16_t*>(SharedHeapAlloc(n * sizeof(uint16_t)));
    quad->sourceIndices = static_cast<uint32_t*>(SharedHeapAlloc(n * sizeof(uint32_t)));
    quad->gpu = static_cast<GpuBufferSet*>(SharedHeapAlloc(sizeof(GpuBufferSet)));
    if (!quad->vertices32 || !quad->indices || !quad->sourceIndices || !quad->gpu) {
        WriteLog(kQuadError);
        RenderSet::Release(quad);
        RenderSet::Free(quad);
        return nullptr;
    }
    *quad->gpu = GpuBufferSet {};
    std::memcpy(quad->vertices32, kQuad, sizeof kQuad);
    std::memset(quad->sourceIndices, 0, n * sizeof(uint32_t));
    for (size_t i = 0; i < n; ++i) quad->indices[i] = static_cast<uint16_t>(i);
    quad->vertexCount = static_cast<int32_t>(n);
    quad->indexCount = static_cast<int32_t>(n);
    return quad;
}

}  // namespace

// ---------------------------------------------------------------------------
// CreateResources, ReleaseResources, RecreateResources
// ---------------------------------------------------------------------------

int CMenu::CreateResources()
{
    // A second creation without a release in between must not list every
    // entry twice or lose the first quad.
    registries.ReleaseAll();
    ReleaseBackgroundQuad();
    if (!driver) return 0;

    {
        // The effect lies below the start directory, whatever the current one.
        platform::ScopedCurrentDirectory restore;
        platform::SetCurrentDirectory(StartDirectory);
        LoadSpriteShader(registries.vertexShaders, kVertexShaderKind);
        registries.CreateVertexShaders(driver);
        LoadSpriteShader(registries.pixelShaders, kPixelShaderKind);
        registries.CreatePixelShaders(driver);
    }
    registries.CreateConstantBuffers(driver);
    registries.CreateSamplerStates(driver);
    registries.CreateBlendStates(driver);
    registries.CreateDepthStencilStates(driver);
    registries.CreateRasterizerState(driver);

    backgroundQuad = MakeBackgroundQuad();
    if (!backgroundQuad) return 0;
    return driver->CreateRenderSetBuffers(backgroundQuad);
}

void CMenu::ReleaseBackgroundQuad()
{
    if (!backgroundQuad) return;
    if (driver) driver->ReleaseRenderSetBuffers(backgroundQuad);
    RenderSet::Release(backgroundQuad);
    RenderSet::Free(backgroundQuad);
    backgroundQuad = nullptr;
}

void CMenu::ReleaseResources()
{
    ReleaseTextures();
    registries.ReleaseAll();
    ReleaseBackgroundQuad();
}

int CMenu::RecreateResources()
{
    if (!driver) return 0;
    PlaceMainWindow();
    invalidateInterfaceObjects = 1;
    ReleaseResources();
    // A device that was removed cannot be resized: it is made anew from the
    // settings, as the driver asks of its caller.
    if (driver->ResetVideoMode() != 1) {
        driver->ReleaseDevice();
        if (driver->CreateDeviceAndSwapChain() != 0)
            WriteLog("Error: CMenu::RecreateResources() the device cannot be made again");
    }
    PlaceMainWindow();
    LoadTextures();
    return CreateResources();
}

// ---------------------------------------------------------------------------
// Look-ups
// ---------------------------------------------------------------------------

ShaderEntry* CMenu::FindVertexShader() const { return registries.FindVertexShader(kSpriteKey); }

ShaderEntry* CMenu::FindPixelShader() const { return registries.FindPixelShader(kSpriteKey); }

ConstantBufferEntry* CMenu::FindConstantBuffer() const
{
    return registries.FindConstantBuffer(u"VSConstantBufferScale");
}

ConstantBufferEntry* CMenu::FindDepthStencilState(const char16_t* name) const
{
    return registries.FindDepthStencilState(name);
}

// ---------------------------------------------------------------------------
// DrawBackground
// ---------------------------------------------------------------------------

void CMenu::DrawBackground()
{
    if (!driver || !driver->HasDevice()) return;
    driver->SetDepthStencilState(FindDepthStencilState(u"dontwrite"));

    // The quad as it is: unscaled, centred, depth halved (0 stays 0).
    const VSConstantBufferScale placement {ShaderFloat4 {1.0f, 1.0f, 0.5f, 1.0f}, ShaderFloat4 {0.0f, 0.0f, 0.0f, 0.0f}};
    ConstantBufferEntry* scale = FindConstantBuffer();
    driver->UpdateConstantBuffer(scale, &placement);
    driver->SetVertexConstantBuffer(0, scale);

    driver->SetPixelTexture(0, CWorld::FindTexture(textures, u"background2.jpg"));

    ShaderEntry* vertexShader = FindVertexShader();
    ShaderEntry* pixelShader = FindPixelShader();
    if (Usable(vertexShader) && Usable(pixelShader) && backgroundQuad) {
        driver->state->context->IASetPrimitiveTopology(gpu::PRIMITIVE_TOPOLOGY_TRIANGLELIST);
        driver->SetVertexShader(vertexShader);
        driver->SetPixelShader(pixelShader);
        driver->DrawRenderSet(backgroundQuad);
    }
    // Bound again whether or not the quad was drawn: the user interface
    // drawn next expects the ordinary depth state.
    driver->SetDepthStencilState(FindDepthStencilState(u"default"));
}
