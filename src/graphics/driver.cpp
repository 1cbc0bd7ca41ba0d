// Index
//   - Globals and state
//   - Objects sized by the back buffer
//   - Creation, reset, release
//   - Start-up
#include "graphics/driver.h"

#include <algorithm>

#include "graphics/display_modes.h"
#include "graphics/render_set.h"
#include "platform/window.h"
#include "shell/log.h"
#include "shell/settings.h"
#include "shell/window_placement.h"

// ---------------------------------------------------------------------------
// Globals and state
// ---------------------------------------------------------------------------

CDriver* Driver = nullptr;
int32_t activeSampleCount = 0;
int32_t backBufferWidth = 0;
int32_t backBufferHeight = 0;

namespace {

constexpr gpu::FeatureLevel kFeatureLevels[] = {gpu::FEATURE_LEVEL_11_0, gpu::FEATURE_LEVEL_10_1,
                                                gpu::FEATURE_LEVEL_10_0};
constexpr int32_t kLargestSampleCount = 32;

template <class T>
void ReleaseAndClear(T*& object)
{
    if (object) object->Release();
    object = nullptr;
}

// The quality for a sample count: one less than the levels the display
// enumeration found for the configured adapter's first output (0 when none).
uint32_t SampleQuality(int32_t sampleCount)
{
    const int32_t levels = MultisampleQualityEntry(Settings.adapterIndex, 0, sampleCount);
    return static_cast<uint32_t>(std::max(levels, 1) - 1);
}

uint32_t SwapChainFlags(int32_t windowed) { return windowed ? 0 : gpu::SWAP_CHAIN_FLAG_ALLOW_MODE_SWITCH; }

}  // namespace

DriverState::DriverState() = default;

DriverState::~DriverState() { Release(); }

void DriverState::Release()
{
    if (device) RenderSetBufferTable().ForgetDevice();
    if (swapChain) swapChain->SetFullscreenState(0, nullptr);
    ReleaseAndClear(depthBiasRasterizerState);
    ReleaseAndClear(rasterizerState);
    ReleaseAndClear(depthStencilView);
    ReleaseAndClear(depthStencilState);
    ReleaseAndClear(depthBuffer);
    ReleaseAndClear(backBufferView);
    ReleaseAndClear(context);
    ReleaseAndClear(device);
    ReleaseAndClear(swapChain);
}

// ---------------------------------------------------------------------------
// Objects sized by the back buffer
// ---------------------------------------------------------------------------

// What depends on the back buffer's size: its render-target view, a depth
// buffer of the same size with its view, the default depth-stencil and
// rasterizer states, the viewport. 0, or -1 at the first failure.
int CDriver::CreateSizedObjects()
{
    DriverState& s = *state;
    gpu::Texture2D* buffer = nullptr;
    if (Failed(s.swapChain->GetBuffer(0, &buffer))) return -1;
    const HResult viewResult = s.device->CreateRenderTargetView(buffer, nullptr, &s.backBufferView);
    gpu::Texture2DDesc bufferDesc;
    buffer->GetDesc(&bufferDesc);
    buffer->Release();
    if (Failed(viewResult)) return -1;

    gpu::Texture2DDesc depthDesc;
    depthDesc.Width = bufferDesc.Width;
    depthDesc.Height = bufferDesc.Height;
    depthDesc.MipLevels = 1;
    depthDesc.ArraySize = 1;
    depthDesc.Format = gpu::FORMAT_D24_UNORM_S8_UINT;
    depthDesc.SampleDesc = s.swapChainDesc.SampleDesc;
    depthDesc.Usage = gpu::USAGE_DEFAULT;
    depthDesc.BindFlags = gpu::BIND_DEPTH_STENCIL;
    if (Failed(s.device->CreateTexture2D(&depthDesc, nullptr, &s.depthBuffer))) return -1;

    // Depth test LESS with writes; the stencil counts front-face depth
    // failures up and back-face ones down.
    gpu::DepthStencilDesc depthStencil;
    depthStencil.DepthEnable = 1;
    depthStencil.DepthWriteMask = gpu::DEPTH_WRITE_MASK_ALL;
    depthStencil.DepthFunc = gpu::COMPARISON_LESS;
    depthStencil.StencilEnable = 1;
    depthStencil.StencilReadMask = 0xFF;
    depthStencil.StencilWriteMask = 0xFF;
    depthStencil.FrontFace = {gpu::STENCIL_OP_KEEP, gpu::STENCIL_OP_INCR, gpu::STENCIL_OP_KEEP, gpu::COMPARISON_ALWAYS};
    depthStencil.BackFace = {gpu::STENCIL_OP_KEEP, gpu::STENCIL_OP_DECR, gpu::STENCIL_OP_KEEP, gpu::COMPARISON_ALWAYS};
    if (Failed(s.device->CreateDepthStencilState(&depthStencil, &s.depthStencilState))) return -1;
    s.context->OMSetDepthStencilState(s.depthStencilState, 1);

    const bool multisampled = s.swapChainDesc.SampleDesc.Count > 1;
    gpu::DepthStencilViewDesc depthView;
    depthView.Format = gpu::FORMAT_D24_UNORM_S8_UINT;
    depthView.ViewDimension = multisampled ? gpu::DSV_DIMENSION_TEXTURE2DMS : gpu::DSV_DIMENSION_TEXTURE2D;
    depthView.Texture2D.MipSlice = 0;
    if (Failed(s.device->CreateDepthStencilView(s.depthBuffer, &depthView, &s.depthStencilView))) return -1;
    s.context->OMSetRenderTargets(1, &s.backBufferView, s.depthStencilView);

    gpu::RasterizerDesc rasterizer;
    rasterizer.FillMode = gpu::FILL_SOLID;
    rasterizer.CullMode = gpu::CULL_BACK;
    rasterizer.FrontCounterClockwise = 0;
    rasterizer.DepthBias = 0;
    rasterizer.DepthBiasClamp = 0.0f;
    rasterizer.SlopeScaledDepthBias = 0.0f;
    rasterizer.DepthClipEnable = 1;
    rasterizer.ScissorEnable = 0;
    rasterizer.MultisampleEnable = multisampled ? 1 : 0;
    rasterizer.AntialiasedLineEnable = 0;
    if (Failed(s.device->CreateRasterizerState(&rasterizer, &s.rasterizerState))) return -1;
    s.context->RSSetState(s.rasterizerState);

    // The shadow pass's state; without it that pass draws unbiased.
    gpu::RasterizerDesc biased = rasterizer;
    biased.DepthBias = -3000;
    biased.DepthBiasClamp = 0.0001f;
    biased.SlopeScaledDepthBias = 0.01f;
    biased.DepthClipEnable = 0;
    s.device->CreateRasterizerState(&biased, &s.depthBiasRasterizerState);

    gpu::Viewport viewport;
    viewport.Width = static_cast<float>(bufferDesc.Width);
    viewport.Height = static_cast<float>(bufferDesc.Height);
    viewport.MinDepth = 0.0f;
    viewport.MaxDepth = 1.0f;
    s.context->RSSetViewports(1, &viewport);
    backBufferWidth = static_cast<int32_t>(bufferDesc.Width);
    backBufferHeight = static_cast<int32_t>(bufferDesc.Height);
    return 0;
}

// ---------------------------------------------------------------------------
// Creation, reset, release
// ---------------------------------------------------------------------------

int CDriver::CreateDeviceAndSwapChain()
{
    if (!state) return -1;
    // A failed earlier attempt, or a caller that did not release first, must
    // not leak what is still held.
    ReleaseDevice();
    const int32_t adapter = Settings.adapterIndex;
    if (adapter < 0 || adapter >= GetEnumeratedAdapterCount()) return -1;
    if (activeSampleCount < 0 || activeSampleCount > kLargestSampleCount) return -1;
    if (!ValidWindowSize(Settings.screenWidth, Settings.screenHeight)) return -1;

    gpu::SwapChainDesc desc;
    desc.BufferDesc.Width = static_cast<uint32_t>(Settings.screenWidth);
    desc.BufferDesc.Height = static_cast<uint32_t>(Settings.screenHeight);
    desc.BufferDesc.RefreshRate =
        Settings.useRefreshRate ? gpu::Rational {static_cast<uint32_t>(std::max(Settings.refreshRate, 0)), 1}
                             : gpu::Rational {0, 1};
    desc.BufferDesc.Format = gpu::FORMAT_R8G8B8A8_UNORM;
    desc.BufferDesc.ScanlineOrdering = gpu::MODE_SCANLINE_ORDER_UNSPECIFIED;
    desc.BufferDesc.Scaling = gpu::MODE_SCALING_UNSPECIFIED;
    const int32_t configuredSamples = activeSampleCount;
    activeSampleCount = std::max(activeSampleCount, 1);
    desc.SampleDesc.Count = static_cast<uint32_t>(activeSampleCount);
    desc.SampleDesc.Quality = SampleQuality(configuredSamples);
    desc.BufferUsage = gpu::USAGE_RENDER_TARGET_OUTPUT;
    desc.BufferCount = 1;
    desc.OutputWindow = platform::GetMainWindow();
    desc.Windowed = Settings.windowed;
    desc.SwapEffect = gpu::SWAP_EFFECT_DISCARD;
    desc.Flags = SwapChainFlags(Settings.windowed);
    state->useRefreshRate = Settings.useRefreshRate;
    state->swapChainDesc = desc;

    gpu::FeatureLevel obtained = gpu::FEATURE_LEVEL_11_0;
    if (Failed(gpu::CreateDeviceAndSwapChain(nullptr, gpu::DRIVER_TYPE_HARDWARE, 0, kFeatureLevels, 3, &desc,
                                             &state->swapChain, &state->device, &obtained, &state->context)))
        return -1;
    state->featureLevel = static_cast<int32_t>(obtained);
    if (CreateSizedObjects() != 0) {
        ReleaseDevice();
        return -1;
    }
    return 0;
}

int CDriver::ResetVideoMode()
{
    if (!state || !state->swapChain || !state->context || !state->device) return -1;
    if (!ValidWindowSize(Settings.screenWidth, Settings.screenHeight)) return -1;
    DriverState& s = *state;
    gpu::RenderTargetView* const noTarget = nullptr;
    s.context->OMSetRenderTargets(1, &noTarget, nullptr);
    ReleaseAndClear(s.backBufferView);
    ReleaseAndClear(s.depthBuffer);
    ReleaseAndClear(s.depthStencilView);
    ReleaseAndClear(s.depthStencilState);
    ReleaseAndClear(s.rasterizerState);
    ReleaseAndClear(s.depthBiasRasterizerState);

    s.swapChainDesc.SampleDesc.Quality = SampleQuality(static_cast<int32_t>(s.swapChainDesc.SampleDesc.Count));
    s.swapChainDesc.Windowed = Settings.windowed;
    s.swapChainDesc.Flags = SwapChainFlags(Settings.windowed);

    s.context->Flush();
    const HResult resized =
        s.swapChain->ResizeBuffers(0, static_cast<uint32_t>(Settings.screenWidth), static_cast<uint32_t>(Settings.screenHeight),
                                   s.swapChainDesc.BufferDesc.Format, s.swapChainDesc.Flags);
    if (Failed(resized)) return 0;
    s.swapChainDesc.BufferDesc.Width = static_cast<uint32_t>(Settings.screenWidth);
    s.swapChainDesc.BufferDesc.Height = static_cast<uint32_t>(Settings.screenHeight);
    s.swapChain->SetFullscreenState(Settings.windowed ? 0 : 1, nullptr);
    return CreateSizedObjects() == 0 ? 1 : -1;
}

void CDriver::ReleaseDevice()
{
    if (!state) return;
    if (state->device) RenderSetBufferTable().ForgetDevice();
    ReleaseAndClear(state->backBufferView);
    ReleaseAndClear(state->depthBuffer);
    ReleaseAndClear(state->depthStencilView);
    ReleaseAndClear(state->depthStencilState);
    ReleaseAndClear(state->rasterizerState);
    ReleaseAndClear(state->depthBiasRasterizerState);
    ReleaseAndClear(state->swapChain);
    ReleaseAndClear(state->context);
    ReleaseAndClear(state->device);
}

// ---------------------------------------------------------------------------
// Start-up
// ---------------------------------------------------------------------------

int InitDefaultDriver()
{
    if (!Driver) Driver = new CDriver;
    if (Driver->state) {
        delete Driver->state;
        Driver->state = nullptr;
    }
    Driver->state = new DriverState;
    if (!Driver->state) return 0;

    if (!EnumerateAdapters()) return 0;
    if (GetUsableAdapterCount() <= 0) {
        WriteLog("Error: InitDefaultDriver");
        return 0;
    }

    PlaceMainWindow();
    activeSampleCount = Settings.sampleCount;
    if (Driver->CreateDeviceAndSwapChain() != 0) {
        WriteLog("Unsupported mode");
        Settings.colorBits = 32;
        Settings.windowed = 1;
        Settings.screenWidth = 1024;
        Settings.screenHeight = 768;
        Settings.useRefreshRate = 0;
        Settings.refreshRate = -1;
        Settings.sampleCount = 0;
        // An adapter number beyond the adapters would fail the fallback too.
        Settings.adapterIndex = 0;
        PlaceMainWindow();
        activeSampleCount = Settings.sampleCount;
        if (Driver->CreateDeviceAndSwapChain() != 0) {
            WriteLog("Error: InitDefaultDriver");
            return 0;
        }
    }
    MoveMainWindow();
    return 1;
}
