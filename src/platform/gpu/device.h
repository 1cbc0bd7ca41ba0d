// The device: creates resources, views and states, and answers format and
// multisample queries. A device draws with the GL context of the window it
// was created for (the swap chain's output window); every object it makes
// lives in that context.
//
// Creation mirrors D3D11CreateDevice / D3D11CreateDeviceAndSwapChain: a null
// adapter with DRIVER_TYPE_HARDWARE means the system's default adapter (the
// GL renderer); an enumerated adapter goes with DRIVER_TYPE_UNKNOWN.
#pragma once

#include <cstdint>
#include <memory>

#include "platform/gpu/enumeration.h"
#include "platform/gpu/gpu_types.h"
#include "platform/gpu/object.h"

namespace gpu {

class Context;
class DepthStencilState;
class DepthStencilView;
class RasterizerState;
class RenderTargetView;
class Resource;
class SwapChain;
class Texture2D;

class Device : public Object {
public:
    HResult CreateTexture2D(const Texture2DDesc* desc, const SubresourceData* initialData, Texture2D** texture);
    // A null description views the whole resource in its own format.
    HResult CreateRenderTargetView(Resource* resource, const RenderTargetViewDesc* desc, RenderTargetView** view);
    HResult CreateDepthStencilView(Resource* resource, const DepthStencilViewDesc* desc, DepthStencilView** view);
    HResult CreateDepthStencilState(const DepthStencilDesc* desc, DepthStencilState** state);
    HResult CreateRasterizerState(const RasterizerDesc* desc, RasterizerState** state);

    // The number of quality levels for `sampleCount` samples of `format`:
    // 1 when supported (the layer offers one quality per count), 0 when not.
    HResult CheckMultisampleQualityLevels(Format format, uint32_t sampleCount, uint32_t* qualityLevels) const;

    FeatureLevel GetFeatureLevel() const { return featureLevel_; }
    // AddRef'd, as Direct3D's.
    void GetImmediateContext(Context** context);
    // S_OK while the GL context is alive, DXGI_ERROR_DEVICE_REMOVED after it was lost.
    HResult GetDeviceRemovedReason() const;

    // Layer-internal ------------------------------------------------------
    Device(FeatureLevel level, std::shared_ptr<const AdapterInfo> adapter);

private:
    ~Device() override;

    FeatureLevel featureLevel_;
    std::shared_ptr<const AdapterInfo> adapter_;
    Context* immediate_ = nullptr;
};

// D3D11CreateDevice. `levels` null asks for {11_0, 10_1, 10_0}. `device`,
// `obtained` and `context` may each be null.
HResult CreateDevice(Adapter* adapter, DriverType driverType, uint32_t flags, const FeatureLevel* levels,
                     uint32_t levelCount, Device** device, FeatureLevel* obtained, Context** context);

// D3D11CreateDeviceAndSwapChain: the device as above and a swap chain for
// `desc->OutputWindow`. Nothing is returned unless both were made.
HResult CreateDeviceAndSwapChain(Adapter* adapter, DriverType driverType, uint32_t flags, const FeatureLevel* levels,
                                 uint32_t levelCount, const SwapChainDesc* desc, SwapChain** swapChain,
                                 Device** device, FeatureLevel* obtained, Context** context);

}  // namespace gpu
