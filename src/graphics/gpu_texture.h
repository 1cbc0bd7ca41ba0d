// GpuTexture: the GPU objects of one CTexture. Made and freed only by the
// driver's texture operations (driver_resources.cpp); CTexture::gpu owns it
// from its creation until CDriver::ReleaseTexture.
#pragma once

#include "core/private_heap.h"
#include "platform/gpu/gpu.h"

// Every member is null or holds one reference, released by ReleaseTexture.
struct GpuTexture : public HeapAllocated<GpuTexture> {
    gpu::Texture2D* texture = nullptr;            // from pixels, render, depth and shadow-map targets
    gpu::Resource* resource = nullptr;            // from the file loaders
    gpu::DepthStencilView* depthView = nullptr;   // depth targets, shadow maps
    gpu::RenderTargetView* targetView = nullptr;  // colour targets
    gpu::ShaderResourceView* shaderView = nullptr;
};
