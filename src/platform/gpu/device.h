// The device: creates resources, views and states, and answers format and
// multisample queries. A device draws with the GL context of the window it
// was created for (the swap chain's output window); every object it makes
// lives in that context.
//
// Creation mirrors D3D11CreateDevice / D3D11CreateDeviceAndSwapChain: a null
// adapter with DRIVER_TYPE_HARDWARE means the system's default adapter (the
// GL renderer); an enumerated adapter goes with DRIVER_TYPE_UNKNOWN.
#pragma once

#include <cstddef>
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
class Texture1D;
class Texture3D;
class ShaderResourceView;
class Buffer;
class VertexShader;
class PixelShader;
class InputLayout;
class BlendState;
class SamplerState;

class Device : public Object {
public:
    // Textures, with Direct3D's rules: initial data holds ArraySize x MipLevels
    // entries (slice-major), MipLevels 0 asks for a full chain, a cube map is
    // a 2-D array of 6n square faces with RESOURCE_MISC_TEXTURECUBE.
    HResult CreateTexture1D(const Texture1DDesc* desc, const SubresourceData* initialData, Texture1D** texture);
    HResult CreateTexture2D(const Texture2DDesc* desc, const SubresourceData* initialData, Texture2D** texture);
    HResult CreateTexture3D(const Texture3DDesc* desc, const SubresourceData* initialData, Texture3D** texture);
    // A null description views every mip and slice in the resource's format.
    HResult CreateShaderResourceView(Resource* resource, const ShaderResourceViewDesc* desc,
                                     ShaderResourceView** view);
    // A null description views the whole resource in its own format.
    HResult CreateRenderTargetView(Resource* resource, const RenderTargetViewDesc* desc, RenderTargetView** view);
    HResult CreateDepthStencilView(Resource* resource, const DepthStencilViewDesc* desc, DepthStencilView** view);
    HResult CreateDepthStencilState(const DepthStencilDesc* desc, DepthStencilState** state);
    HResult CreateRasterizerState(const RasterizerDesc* desc, RasterizerState** state);
    // Buffers, shaders, input layouts, blend and sampler states (resource half).
    HResult CreateBuffer(const BufferDesc* desc, const SubresourceData* initialData, Buffer** buffer);
    // `code` is the stage's GLSL source from a Blob; class linkage is not offered (pass null).
    HResult CreateVertexShader(const void* code, size_t length, void* classLinkage, VertexShader** shader);
    HResult CreatePixelShader(const void* code, size_t length, void* classLinkage, PixelShader** shader);
    // `code` is the vertex shader's source, checked against the elements.
    HResult CreateInputLayout(const InputElementDesc* elements, uint32_t count, const void* code, size_t length,
                              InputLayout** layout);
    HResult CreateBlendState(const BlendDesc* desc, BlendState** state);
    HResult CreateSamplerState(const SamplerDesc* desc, SamplerState** state);

    // The number of quality levels for `sampleCount` samples of `format`:
    // 1 when supported (the layer offers one quality per count), 0 when not.
    HResult CheckMultisampleQualityLevels(Format format, uint32_t sampleCount, uint32_t* qualityLevels) const;
    // FORMAT_SUPPORT_* bits of `format`; E_FAIL (and 0) for a format the
    // layer does not offer, as Direct3D answers for one the hardware lacks.
    HResult CheckFormatSupport(Format format, uint32_t* support) const;

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
