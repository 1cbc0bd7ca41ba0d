// Index
//   - Multisample support
//   - Device objects
//   - Creating devices
#include "platform/gpu/device.h"

#include <epoxy/gl.h>

#include <algorithm>
#include <map>
#include <vector>

#include "platform/gpu/context.h"
#include "platform/gpu/format.h"
#include "platform/gpu/gl_names.h"
#include "platform/gpu/resources.h"
#include "platform/gpu/states.h"
#include "platform/gpu/swap_chain.h"
#include "platform/gpu/views.h"
#include "platform/window_internal.h"

namespace gpu {

// ---------------------------------------------------------------------------
// Multisample support
// ---------------------------------------------------------------------------

namespace {

constexpr uint32_t kMaxSampleCount = 32;

// GL's sample counts for an internal format, asked once per format and context.
const std::vector<uint32_t>& GlSampleCounts(uint32_t internalFormat)
{
    static std::map<uint32_t, std::vector<uint32_t>> cache;
    static uint32_t cacheGeneration = 0;
    if (cacheGeneration != platform::GlContextGeneration()) {
        cache.clear();
        cacheGeneration = platform::GlContextGeneration();
    }
    auto found = cache.find(internalFormat);
    if (found != cache.end()) return found->second;

    std::vector<uint32_t>& counts = cache[internalFormat];
    GLint number = 0;
    glGetInternalformativ(GL_TEXTURE_2D_MULTISAMPLE, internalFormat, GL_NUM_SAMPLE_COUNTS, 1, &number);
    number = std::clamp(number, 0, 64);
    std::vector<GLint> samples(static_cast<size_t>(number));
    if (number > 0) glGetInternalformativ(GL_TEXTURE_2D_MULTISAMPLE, internalFormat, GL_SAMPLES, number, samples.data());
    for (GLint sample : samples)
        if (sample > 1) counts.push_back(static_cast<uint32_t>(sample));
    return counts;
}

}  // namespace

HResult Device::CheckMultisampleQualityLevels(Format format, uint32_t sampleCount, uint32_t* qualityLevels) const
{
    if (!qualityLevels) return E_INVALIDARG;
    *qualityLevels = 0;
    if (sampleCount == 0 || sampleCount > kMaxSampleCount) return E_INVALIDARG;
    const FormatInfo* info = FindFormat(format);
    if (!info || (!info->colorRenderable && !info->depth)) return S_OK;
    if (sampleCount == 1) {
        *qualityLevels = 1;
        return S_OK;
    }
    const std::vector<uint32_t>& counts =
        adapter_->real ? (GlReady() ? GlSampleCounts(info->glInternalFormat) : adapter_->sampleCounts)
                       : adapter_->sampleCounts;
    if (std::find(counts.begin(), counts.end(), sampleCount) != counts.end()) *qualityLevels = 1;
    return S_OK;
}

// ---------------------------------------------------------------------------
// Device objects
// ---------------------------------------------------------------------------

Device::Device(FeatureLevel level, std::shared_ptr<const AdapterInfo> adapter)
    : featureLevel_(level), adapter_(std::move(adapter)), immediate_(Context::Create())
{
}

Device::~Device()
{
    if (immediate_) immediate_->Release();
}

void Device::GetImmediateContext(Context** context)
{
    if (!context) return;
    *context = immediate_;
    if (immediate_) immediate_->AddRef();
}

HResult Device::GetDeviceRemovedReason() const
{
    if (adapter_->real && GlReady() && glGetGraphicsResetStatus() != GL_NO_ERROR) return DXGI_ERROR_DEVICE_REMOVED;
    return S_OK;
}

HResult Device::CreateTexture2D(const Texture2DDesc* desc, const SubresourceData* initialData, Texture2D** texture)
{
    if (!texture) return E_INVALIDARG;
    *texture = nullptr;
    if (!desc || !GlReady()) return E_INVALIDARG;
    const FormatInfo* format = FindFormat(desc->Format);
    if (!format) return E_INVALIDARG;
    // Sizes, mips, arrays, cube maps, bindings and initial data are checked
    // with the other texture kinds' in texture.cpp; sample counts here.
    const uint32_t samples = std::max(desc->SampleDesc.Count, 1u);
    if (samples > 1 || desc->SampleDesc.Quality > 0) {
        uint32_t levels = 0;
        if (Failed(CheckMultisampleQualityLevels(desc->Format, samples, &levels)) || levels == 0 ||
            desc->SampleDesc.Quality >= levels)
            return E_INVALIDARG;
    }
    return Texture2D::Create(*desc, false, texture, initialData);
}

HResult Device::CreateRenderTargetView(Resource* resource, const RenderTargetViewDesc* desc, RenderTargetView** view)
{
    return RenderTargetView::Create(resource, desc, view);
}

HResult Device::CreateDepthStencilView(Resource* resource, const DepthStencilViewDesc* desc, DepthStencilView** view)
{
    return DepthStencilView::Create(resource, desc, view);
}

HResult Device::CreateDepthStencilState(const DepthStencilDesc* desc, DepthStencilState** state)
{
    return DepthStencilState::Create(desc, state);
}

HResult Device::CreateRasterizerState(const RasterizerDesc* desc, RasterizerState** state)
{
    return RasterizerState::Create(desc, state);
}

// ---------------------------------------------------------------------------
// Creating devices
// ---------------------------------------------------------------------------

namespace {

constexpr FeatureLevel kDefaultLevels[] = {FEATURE_LEVEL_11_0, FEATURE_LEVEL_10_1, FEATURE_LEVEL_10_0};

HResult MakeDevice(std::shared_ptr<const AdapterInfo> adapter, const FeatureLevel* levels, uint32_t levelCount,
                   Device** device, FeatureLevel* obtained, Context** context)
{
    if (!levels || levelCount == 0) {
        levels = kDefaultLevels;
        levelCount = 3;
    }
    if (!adapter->canCreateDevice) return DXGI_ERROR_UNSUPPORTED;
    if (adapter->real && !GlReady()) return DXGI_ERROR_UNSUPPORTED;

    // The requested levels come in order of preference; the first one the
    // adapter reaches is the one obtained.
    const FeatureLevel* chosen = std::find_if(levels, levels + levelCount,
                                              [&](FeatureLevel level) { return level <= adapter->featureLevel; });
    if (chosen == levels + levelCount) return DXGI_ERROR_UNSUPPORTED;

    Device* made = new Device(*chosen, std::move(adapter));
    if (obtained) *obtained = *chosen;
    if (context) made->GetImmediateContext(context);
    if (device) *device = made;
    else made->Release();
    return S_OK;
}

}  // namespace

HResult CreateDevice(Adapter* adapter, DriverType driverType, uint32_t, const FeatureLevel* levels,
                     uint32_t levelCount, Device** device, FeatureLevel* obtained, Context** context)
{
    if (device) *device = nullptr;
    if (context) *context = nullptr;
    // Direct3D's pairing: an explicit adapter goes with the unknown driver type.
    if (adapter ? driverType != DRIVER_TYPE_UNKNOWN : driverType != DRIVER_TYPE_HARDWARE) return E_INVALIDARG;
    std::shared_ptr<const AdapterInfo> info =
        adapter ? std::make_shared<AdapterInfo>(adapter->Info()) : std::make_shared<AdapterInfo>(QueryGlAdapter());
    return MakeDevice(std::move(info), levels, levelCount, device, obtained, context);
}

HResult CreateDeviceAndSwapChain(Adapter* adapter, DriverType driverType, uint32_t flags, const FeatureLevel* levels,
                                 uint32_t levelCount, const SwapChainDesc* desc, SwapChain** swapChain,
                                 Device** device, FeatureLevel* obtained, Context** context)
{
    if (swapChain) *swapChain = nullptr;
    if (device) *device = nullptr;
    if (context) *context = nullptr;
    if (!desc || !swapChain || !desc->OutputWindow) return E_INVALIDARG;
    if (!platform::MakeGlContextCurrent(desc->OutputWindow)) return DXGI_ERROR_UNSUPPORTED;
    // A context lost in a GPU reset cannot be drawn with again: the new
    // device gets a new one, as a re-created Direct3D device gets a new GPU
    // state.
    if (glGetGraphicsResetStatus() != GL_NO_ERROR && !platform::RecreateGlContext(desc->OutputWindow))
        return DXGI_ERROR_DEVICE_REMOVED;

    Device* made = nullptr;
    Context* madeContext = nullptr;
    FeatureLevel level = FEATURE_LEVEL_10_0;
    HResult result = CreateDevice(adapter, driverType, flags, levels, levelCount, &made, &level, &madeContext);
    if (Failed(result)) return result;
    SwapChain* chain = nullptr;
    result = SwapChain::Create(made, *desc, &chain);
    if (Failed(result)) {
        madeContext->Release();
        made->Release();
        return result;
    }
    *swapChain = chain;
    if (obtained) *obtained = level;
    if (context) *context = madeContext;
    else madeContext->Release();
    if (device) *device = made;
    else made->Release();
    return S_OK;
}

}  // namespace gpu
