// The swap chain: one layer-owned back buffer (a texture of the described
// format and sample count) that Present resolves, blits to the window and
// swaps. GL keeps the back buffer's rows bottom-up; conventions.h says how
// the layer keeps that invisible to the program.
#pragma once

#include <cstdint>

#include "platform/gpu/gl_names.h"
#include "platform/gpu/gpu_types.h"
#include "platform/gpu/object.h"

namespace gpu {

class Device;
class Output;
class Texture2D;

class SwapChain : public Object {
public:
    // Buffer 0 is the only buffer; AddRef'd.
    HResult GetBuffer(uint32_t index, Texture2D** buffer);

    // Shows the back buffer. `syncInterval` 0 presents at once, 1 or more
    // waits for vertical sync. Returns S_OK, or DXGI_ERROR_DEVICE_REMOVED once
    // the GL context was lost; the device and everything made with it must
    // then be released and made anew.
    HResult Present(uint32_t syncInterval, uint32_t flags);

    // Re-allocates the back buffer; 0 keeps the count and format and takes
    // the window's client size for a 0 width or height. Fails with
    // DXGI_ERROR_INVALID_CALL while anything (a view, a GetBuffer reference)
    // still holds the old buffer.
    HResult ResizeBuffers(uint32_t bufferCount, uint32_t width, uint32_t height, Format format, uint32_t flags);

    // Full screen covers the window's display (the desktop's mode stays; the
    // back buffer keeps its size and is scaled to it when presented).
    HResult SetFullscreenState(int32_t fullscreen, Output* target);
    HResult GetFullscreenState(int32_t* fullscreen, Output** target) const;
    HResult GetDesc(SwapChainDesc* desc) const;

    // Layer-internal ------------------------------------------------------
    static HResult Create(Device* device, const SwapChainDesc& desc, SwapChain** swapChain);

private:
    SwapChain() = default;
    ~SwapChain() override;

    HResult MakeBuffers(uint32_t width, uint32_t height);
    void DropBuffers();

    SwapChainDesc desc_;
    Device* device_ = nullptr;
    Texture2D* buffer_ = nullptr;
    GlName readFramebuffer_;
    GlName resolveFramebuffer_;
    GlName resolveTexture_;
    int swapInterval_ = -1;
};

}  // namespace gpu
