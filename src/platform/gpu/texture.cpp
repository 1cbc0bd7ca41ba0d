#include <epoxy/gl.h>

#include <algorithm>
#include <cstring>

#include "platform/gpu/format.h"
#include "platform/gpu/resources.h"
#include "platform/window_internal.h"

namespace gpu {

namespace {

uint32_t FullMipCount(uint32_t width, uint32_t height)
{
    uint32_t levels = 1;
    for (uint32_t size = std::max(width, height); size > 1; size >>= 1) ++levels;
    return levels;
}

}  // namespace

HResult Texture2D::Create(const Texture2DDesc& desc, bool backBuffer, Texture2D** texture)
{
    if (!texture) return E_INVALIDARG;
    *texture = nullptr;
    const FormatInfo* format = FindFormat(desc.Format);
    if (!format || desc.Width == 0 || desc.Height == 0 || !GlReady()) return E_INVALIDARG;

    GLint maxSize = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxSize);
    if (desc.Width > static_cast<uint32_t>(maxSize) || desc.Height > static_cast<uint32_t>(maxSize))
        return E_INVALIDARG;

    Texture2D* made = new Texture2D;
    made->desc_ = desc;
    made->backBuffer_ = backBuffer;
    if (made->desc_.SampleDesc.Count == 0) made->desc_.SampleDesc.Count = 1;
    if (made->desc_.MipLevels == 0) made->desc_.MipLevels = FullMipCount(desc.Width, desc.Height);
    if (made->desc_.ArraySize == 0) made->desc_.ArraySize = 1;

    DrainGlErrors();
    GLuint name = 0;
    glCreateTextures(made->GlTarget(), 1, &name);
    made->texture_ = MakeGlName(name);
    if (made->Multisampled()) {
        glTextureStorage2DMultisample(name, static_cast<GLsizei>(made->desc_.SampleDesc.Count),
                                      format->glInternalFormat, static_cast<GLsizei>(desc.Width),
                                      static_cast<GLsizei>(desc.Height), GL_TRUE);
    } else {
        glTextureStorage2D(name, static_cast<GLsizei>(made->desc_.MipLevels), format->glInternalFormat,
                           static_cast<GLsizei>(desc.Width), static_cast<GLsizei>(desc.Height));
        glTextureParameteri(name, GL_TEXTURE_MAX_LEVEL, static_cast<GLint>(made->desc_.MipLevels - 1));
    }
    if (glGetError() != GL_NO_ERROR) {
        made->Release();
        return E_OUTOFMEMORY;
    }
    *texture = made;
    return S_OK;
}

Texture2D::~Texture2D()
{
    if (GlNameDeletable(texture_)) glDeleteTextures(1, &texture_.name);
}

uint32_t Texture2D::GlTarget() const { return Multisampled() ? GL_TEXTURE_2D_MULTISAMPLE : GL_TEXTURE_2D; }

HResult ReadTexturePixels(Texture2D* texture, std::vector<uint8_t>* rgba, uint32_t* width, uint32_t* height)
{
    if (!texture || !rgba || !GlReady()) return E_INVALIDARG;
    const FormatInfo* format = FindFormat(texture->Desc().Format);
    if (!format || !format->colorRenderable || format->bytesPerPixel != 4 || format->glInternalFormat == GL_RGB10_A2)
        return E_INVALIDARG;
    const GLsizei w = static_cast<GLsizei>(texture->Desc().Width);
    const GLsizei h = static_cast<GLsizei>(texture->Desc().Height);
    rgba->assign(static_cast<size_t>(w) * h * 4, 0);
    DrainGlErrors();

    // A multisampled picture is resolved into a plain texture first.
    GLuint source = texture->GlTexture();
    GLuint resolved = 0;
    if (texture->Multisampled()) {
        GLuint framebuffers[2] = {};
        glCreateFramebuffers(2, framebuffers);
        glCreateTextures(GL_TEXTURE_2D, 1, &resolved);
        glTextureStorage2D(resolved, 1, format->glInternalFormat, w, h);
        glNamedFramebufferTexture(framebuffers[0], GL_COLOR_ATTACHMENT0, source, 0);
        glNamedFramebufferTexture(framebuffers[1], GL_COLOR_ATTACHMENT0, resolved, 0);
        glDisable(GL_SCISSOR_TEST);
        glDisable(GL_FRAMEBUFFER_SRGB);
        glBlitNamedFramebuffer(framebuffers[0], framebuffers[1], 0, 0, w, h, 0, 0, w, h, GL_COLOR_BUFFER_BIT,
                               GL_NEAREST);
        glDeleteFramebuffers(2, framebuffers);
        source = resolved;
    }
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glPixelStorei(GL_PACK_ROW_LENGTH, 0);
    glBindBuffer(GL_PIXEL_PACK_BUFFER, 0);
    const bool bgra = texture->Desc().Format == FORMAT_B8G8R8A8_UNORM ||
                      texture->Desc().Format == FORMAT_B8G8R8A8_UNORM_SRGB;
    glGetTextureImage(source, 0, bgra ? GL_BGRA : GL_RGBA, GL_UNSIGNED_BYTE, static_cast<GLsizei>(rgba->size()), rgba->data());
    if (resolved) glDeleteTextures(1, &resolved);
    const bool failed = glGetError() != GL_NO_ERROR;

    // GL keeps the back buffer bottom-up; the program's picture is top-down.
    if (texture->IsBackBuffer()) {
        const size_t rowBytes = static_cast<size_t>(w) * 4;
        std::vector<uint8_t> row(rowBytes);
        for (GLsizei top = 0, bottom = h - 1; top < bottom; ++top, --bottom) {
            uint8_t* a = rgba->data() + rowBytes * top;
            uint8_t* b = rgba->data() + rowBytes * bottom;
            std::memcpy(row.data(), a, rowBytes);
            std::memcpy(a, b, rowBytes);
            std::memcpy(b, row.data(), rowBytes);
        }
    }
    if (width) *width = static_cast<uint32_t>(w);
    if (height) *height = static_cast<uint32_t>(h);
    return failed ? E_FAIL : S_OK;
}

}  // namespace gpu
