// Index
//   - Creation and buffers
//   - Present
//   - Resize and full screen
#include "platform/gpu/swap_chain.h"

#include <SDL.h>
#include <epoxy/gl.h>

#include <algorithm>

#include "platform/gpu/device.h"
#include "platform/gpu/format.h"
#include "platform/gpu/resources.h"
#include "platform/gpu/test_hooks.h"
#include "platform/window_internal.h"

namespace gpu {

namespace {

HResult forcedPresentResult = S_OK;

}  // namespace

void ForceNextPresentResult(HResult result) { forcedPresentResult = result; }

// ---------------------------------------------------------------------------
// Creation and buffers
// ---------------------------------------------------------------------------

HResult SwapChain::Create(Device* device, const SwapChainDesc& desc, SwapChain** swapChain)
{
    if (!swapChain) return E_INVALIDARG;
    *swapChain = nullptr;
    const FormatInfo* format = FindFormat(desc.BufferDesc.Format);
    if (!device || !desc.OutputWindow || desc.BufferCount == 0 || !format || !format->colorRenderable)
        return DXGI_ERROR_INVALID_CALL;
    const uint32_t samples = std::max(desc.SampleDesc.Count, 1u);
    uint32_t levels = 0;
    if (Failed(device->CheckMultisampleQualityLevels(desc.BufferDesc.Format, samples, &levels)) || levels == 0 ||
        desc.SampleDesc.Quality >= levels)
        return DXGI_ERROR_INVALID_CALL;

    SwapChain* made = new SwapChain;
    made->desc_ = desc;
    made->desc_.SampleDesc.Count = samples;
    made->device_ = device;
    device->AddRef();
    HResult result = made->MakeBuffers(desc.BufferDesc.Width, desc.BufferDesc.Height);
    if (Succeeded(result) && !desc.Windowed) result = made->SetFullscreenState(1, nullptr);
    if (Failed(result)) {
        made->Release();
        return result;
    }
    *swapChain = made;
    return S_OK;
}

SwapChain::~SwapChain()
{
    DropBuffers();
    if (device_) device_->Release();
}

HResult SwapChain::MakeBuffers(uint32_t width, uint32_t height)
{
    if (width == 0 || height == 0) {
        int clientWidth = 0, clientHeight = 0;
        platform::GetClientSize(desc_.OutputWindow, &clientWidth, &clientHeight);
        if (width == 0) width = static_cast<uint32_t>(std::max(clientWidth, 1));
        if (height == 0) height = static_cast<uint32_t>(std::max(clientHeight, 1));
    }
    Texture2DDesc buffer;
    buffer.Width = width;
    buffer.Height = height;
    buffer.MipLevels = 1;
    buffer.ArraySize = 1;
    buffer.Format = desc_.BufferDesc.Format;
    buffer.SampleDesc = desc_.SampleDesc;
    buffer.BindFlags = BIND_RENDER_TARGET;
    const HResult result = Texture2D::Create(buffer, true, &buffer_);
    if (Failed(result)) return DXGI_ERROR_INVALID_CALL;
    desc_.BufferDesc.Width = width;
    desc_.BufferDesc.Height = height;
    // The window maps the pointer into this picture wherever it is shown.
    platform::NoteBackBufferSize(desc_.OutputWindow, static_cast<int>(width), static_cast<int>(height));

    GLuint framebuffer = 0;
    glCreateFramebuffers(1, &framebuffer);
    readFramebuffer_ = MakeGlName(framebuffer);
    glNamedFramebufferTexture(framebuffer, GL_COLOR_ATTACHMENT0, buffer_->GlTexture(), 0);
    glNamedFramebufferReadBuffer(framebuffer, GL_COLOR_ATTACHMENT0);
    if (buffer_->Multisampled()) {
        // A multisampled picture is resolved before it can be scaled to the window.
        const FormatInfo* format = FindFormat(buffer.Format);
        GLuint texture = 0;
        glCreateTextures(GL_TEXTURE_2D, 1, &texture);
        glTextureStorage2D(texture, 1, format->glInternalFormat, static_cast<GLsizei>(width),
                           static_cast<GLsizei>(height));
        resolveTexture_ = MakeGlName(texture);
        glCreateFramebuffers(1, &framebuffer);
        resolveFramebuffer_ = MakeGlName(framebuffer);
        glNamedFramebufferTexture(framebuffer, GL_COLOR_ATTACHMENT0, texture, 0);
        glNamedFramebufferReadBuffer(framebuffer, GL_COLOR_ATTACHMENT0);
        glNamedFramebufferDrawBuffer(framebuffer, GL_COLOR_ATTACHMENT0);
    }
    return S_OK;
}

void SwapChain::DropBuffers()
{
    if (GlNameDeletable(readFramebuffer_)) glDeleteFramebuffers(1, &readFramebuffer_.name);
    if (GlNameDeletable(resolveFramebuffer_)) glDeleteFramebuffers(1, &resolveFramebuffer_.name);
    if (GlNameDeletable(resolveTexture_)) glDeleteTextures(1, &resolveTexture_.name);
    readFramebuffer_ = resolveFramebuffer_ = resolveTexture_ = GlName {};
    if (buffer_) buffer_->Release();
    buffer_ = nullptr;
}

HResult SwapChain::GetBuffer(uint32_t index, Texture2D** buffer)
{
    if (!buffer) return E_INVALIDARG;
    *buffer = nullptr;
    if (index != 0 || !buffer_) return DXGI_ERROR_INVALID_CALL;
    buffer_->AddRef();
    *buffer = buffer_;
    return S_OK;
}

HResult SwapChain::GetDesc(SwapChainDesc* desc) const
{
    if (!desc) return E_INVALIDARG;
    *desc = desc_;
    return S_OK;
}

// ---------------------------------------------------------------------------
// Present
// ---------------------------------------------------------------------------

HResult SwapChain::Present(uint32_t syncInterval, uint32_t flags)
{
    if (forcedPresentResult != S_OK) {
        const HResult result = forcedPresentResult;
        forcedPresentResult = S_OK;
        return result;
    }
    if (!platform::MakeGlContextCurrent(desc_.OutputWindow)) return DXGI_ERROR_DEVICE_REMOVED;
    // A lost context, or one made anew since this swap chain's buffers.
    if (glGetGraphicsResetStatus() != GL_NO_ERROR || readFramebuffer_.generation != platform::GlContextGeneration())
        return DXGI_ERROR_DEVICE_REMOVED;
    if (flags & PRESENT_TEST) return S_OK;
    if (!buffer_) return DXGI_ERROR_INVALID_CALL;

    SDL_Window* window = platform::SdlWindowOf(desc_.OutputWindow);
    const int interval = syncInterval > 0 ? 1 : 0;
    if (interval != swapInterval_) {
        SDL_GL_SetSwapInterval(interval);
        swapInterval_ = interval;
    }

    const GLint width = static_cast<GLint>(buffer_->Desc().Width);
    const GLint height = static_cast<GLint>(buffer_->Desc().Height);
    int drawableWidth = 0, drawableHeight = 0;
    SDL_GL_GetDrawableSize(window, &drawableWidth, &drawableHeight);

    // Blits obey only the scissor and sRGB conversion among the fragment
    // operations; the picture goes across unchanged.
    glDisable(GL_SCISSOR_TEST);
    glDisable(GL_FRAMEBUFFER_SRGB);
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    ForgetAppliedGlState();
    GLuint source = readFramebuffer_.name;
    if (resolveFramebuffer_.name != 0) {
        glBlitNamedFramebuffer(source, resolveFramebuffer_.name, 0, 0, width, height, 0, 0, width, height,
                               GL_COLOR_BUFFER_BIT, GL_NEAREST);
        source = resolveFramebuffer_.name;
    }
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, 0);
    glDrawBuffer(GL_BACK);
    const bool sameSize = drawableWidth == width && drawableHeight == height;
    glBlitNamedFramebuffer(source, 0, 0, 0, width, height, 0, 0, drawableWidth, drawableHeight, GL_COLOR_BUFFER_BIT,
                           sameSize ? GL_NEAREST : GL_LINEAR);
    SDL_GL_SwapWindow(window);
    return S_OK;
}

// ---------------------------------------------------------------------------
// Resize and full screen
// ---------------------------------------------------------------------------

HResult SwapChain::ResizeBuffers(uint32_t bufferCount, uint32_t width, uint32_t height, Format format, uint32_t flags)
{
    if (buffer_ && buffer_->ReferenceCount() > 1) return DXGI_ERROR_INVALID_CALL;
    if (!platform::MakeGlContextCurrent(desc_.OutputWindow)) return DXGI_ERROR_DEVICE_REMOVED;
    if (glGetGraphicsResetStatus() != GL_NO_ERROR) return DXGI_ERROR_DEVICE_REMOVED;
    if (format != FORMAT_UNKNOWN) {
        const FormatInfo* info = FindFormat(format);
        if (!info || !info->colorRenderable) return DXGI_ERROR_INVALID_CALL;
        uint32_t levels = 0;
        device_->CheckMultisampleQualityLevels(format, desc_.SampleDesc.Count, &levels);
        if (levels == 0) return DXGI_ERROR_INVALID_CALL;
        desc_.BufferDesc.Format = format;
    }
    if (bufferCount != 0) desc_.BufferCount = bufferCount;
    desc_.Flags = flags;
    DropBuffers();
    return MakeBuffers(width, height);
}

HResult SwapChain::SetFullscreenState(int32_t fullscreen, Output*)
{
    SDL_Window* window = platform::SdlWindowOf(desc_.OutputWindow);
    if (!window) return DXGI_ERROR_INVALID_CALL;
    if (SDL_SetWindowFullscreen(window, fullscreen ? SDL_WINDOW_FULLSCREEN_DESKTOP : 0) != 0)
        return DXGI_ERROR_NOT_CURRENTLY_AVAILABLE;
    desc_.Windowed = fullscreen ? 0 : 1;
    return S_OK;
}

HResult SwapChain::GetFullscreenState(int32_t* fullscreen, Output** target) const
{
    if (fullscreen) *fullscreen = desc_.Windowed ? 0 : 1;
    if (target) *target = nullptr;
    return S_OK;
}

}  // namespace gpu
