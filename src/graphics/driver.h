// CDriver, the program's one renderer, device side: the device, immediate
// context and swap chain with the objects sized by the back buffer, made at
// start-up by InitDefaultDriver, re-made by the scene frame after a failed
// present (ReleaseDevice, then CreateDeviceAndSwapChain), switched to a new
// resolution from the menu (ResetVideoMode) and released at shut-down
// (ReleaseDisplayEnumeration). The display enumeration is display_modes.h.
#pragma once

#include <cstdint>

#include "core/private_heap.h"
#include "platform/gpu/gpu.h"

class CTexture;
class SharedRenderSetBuffers;
struct RenderSet;
struct ShaderEntry;
struct ConstantBufferEntry;
namespace gpu {
class Blob;
}

// The device objects. Every pointer is null or holds one reference; whoever
// releases one clears it.
struct DriverState : public HeapAllocated<DriverState> {
    DriverState();
    ~DriverState();
    DriverState(const DriverState&) = delete;
    DriverState& operator=(const DriverState&) = delete;

    // Leaves full screen and releases every device object, clearing each.
    void Release();

    int32_t useRefreshRate = 0;        // the setup's useRefreshRate at the last creation
    int32_t featureLevel = gpu::FEATURE_LEVEL_11_0;
    gpu::SwapChainDesc swapChainDesc;  // rasterizer states multisample when its sample count is above 1
    gpu::SwapChain* swapChain = nullptr;
    gpu::Device* device = nullptr;
    gpu::Context* context = nullptr;   // the immediate context
    gpu::RenderTargetView* backBufferView = nullptr;
    gpu::Texture2D* depthBuffer = nullptr;
    gpu::DepthStencilState* depthStencilState = nullptr;
    gpu::DepthStencilView* depthStencilView = nullptr;
    gpu::RasterizerState* rasterizerState = nullptr;
    gpu::RasterizerState* depthBiasRasterizerState = nullptr;
};

class CDriver {
public:
    // 0 on success, -1 on failure. Takes adapter, size, mode and windowed flag
    // from the startup setup and the sample count from activeSampleCount.
    // Whatever the state still held is released first; a failure leaves no
    // device objects behind.
    int CreateDeviceAndSwapChain();
    // Applies a new screenWidth / screenHeight / windowed. 1 when it worked;
    // 0 when resizing the swap chain failed, a removed device included (the
    // size-bound objects are left released for the caller to make anew); -1
    // when anything else failed.
    int ResetVideoMode();
    // Releases every device object, clearing each (for re-creation).
    void ReleaseDevice();

    bool HasDevice() const { return state != nullptr && state->device != nullptr; }

    // -----------------------------------------------------------------------
    // Resources, targets and drawing (driver_resources.cpp). Every operation
    // does nothing and returns 0 without a device; a null record does nothing.
    // -----------------------------------------------------------------------
    // Textures
    int CreateTextureFromImage(CTexture* texture);
    int LoadTextureFromFile(CTexture* texture, const char16_t* fileName);
    int CreateRenderTarget(CTexture* texture);
    HResult CreateColorShaderView(CTexture* texture);
    HResult CreateColorTargetView(CTexture* texture);
    HResult CreateDepthTarget(CTexture* texture);
    int CreateShadowMapTarget(CTexture* depthTexture, CTexture* viewTexture);
    HResult CreateDepthShaderView(CTexture* texture);
    int ReleaseTexture(CTexture* texture);
    void SetPixelTexture(int slot, CTexture* texture);
    // Render sets
    int CreateRenderSetBuffers(RenderSet* renderSet);
    int ReleaseRenderSetBuffers(RenderSet* renderSet);
    int DrawRenderSet(RenderSet* renderSet);
    // The set `instances` times in one draw (the shader places each copy).
    int DrawRenderSetInstances(RenderSet* renderSet, uint32_t instances);
    // Hands the draws issued so far to the device without waiting for them.
    void Flush();
    // Frame and targets
    int Clear(uint16_t red, uint16_t green, uint16_t blue);
    int PushRenderTarget(CTexture* colorTexture, CTexture* depthTexture);
    int PopRenderTarget();
    // Constant buffers, shaders and states
    HResult CreateConstantBuffer(ConstantBufferEntry* entry, uint32_t byteWidth);
    void UpdateConstantBuffer(ConstantBufferEntry* entry, const void* data);
    // Only the buffer's first `bytes` (all of it when larger).
    void UpdateConstantBufferStart(ConstantBufferEntry* entry, const void* data, uint32_t bytes);
    void SetVertexConstantBuffer(int slot, ConstantBufferEntry* entry);
    void SetPixelConstantBuffer(int slot, ConstantBufferEntry* entry);
    HResult CreateShader(ShaderEntry* entry);
    void SetVertexShader(ShaderEntry* entry);
    void SetPixelShader(ShaderEntry* entry);
    int CreateRasterizerState(ConstantBufferEntry* entry, float depthBiasClamp, float slopeScaledDepthBias);
    int CreateDepthStencilState(ConstantBufferEntry* entry, int depthEnable, int depthWriteMask, int depthFunc);
    int CreateBlendState(ConstantBufferEntry* entry, int blendEnable, int srcBlend, int destBlend, int blendOpAlpha);
    int CreateSamplerState(ConstantBufferEntry* entry, int filter, int addressU, int addressV, int addressW,
                           float mipLODBias, uint32_t maxAnisotropy, int comparisonFunc, float borderRed,
                           float borderGreen, float borderBlue, float borderAlpha, float minLOD, float maxLOD);
    int SetDepthStencilState(ConstantBufferEntry* entry);
    void SetBlendState(ConstantBufferEntry* entry);
    void SetPixelSampler(int slot, ConstantBufferEntry* entry);

    DriverState* state = nullptr;
    // The menu presents with sync interval 1 while set, else 0. Off by default.
    int verticalSync = 0;

private:
    int CreateSizedObjects();
};

// Builds the function `entryPoint` of an .fx file (a path relative to the
// current directory) for a profile ("vs_4_0", "ps_4_0"); the caller owns
// `*code`.
// The compiler's messages go to stderr.
HResult CompileShaderFromFile(const char* file, const char* entryPoint, const char* profile, gpu::Blob** code);
// Compiles into `entry`, dropping the code it held: 1. On failure 0, and the
// entry keeps its old code.
int CompileShaderEntry(ShaderEntry* entry, const char* file, const char* entryPoint, const char* profile);

// The render sets' vertex and index buffers, shared by content
// (render_set.h). One table for the process; a new device starts afresh.
SharedRenderSetBuffers& RenderSetBufferTable();

// The driver, made by InitDefaultDriver.
extern CDriver* Driver;
// Samples per pixel in use: taken from the setup's sampleCount at device
// creation, never below 1.
extern int32_t activeSampleCount;
// Size of the back buffer after the last successful creation or reset.
extern int32_t backBufferWidth;
extern int32_t backBufferHeight;

// Start-up: enumerates the displays, places the main window and makes the
// device for the configured mode, falling back once to 1024 x 768 windowed
// without multisampling ("Unsupported mode" in the log). 1 when a device
// exists, 0 when none could be made ("Error: InitDefaultDriver" in the log,
// except when no factory could be made at all): start-up cannot go on.
int InitDefaultDriver();
