#include "platform/gpu/texture_test_hooks.h"

#include <epoxy/gl.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <utility>

#include "platform/gpu/format.h"
#include "platform/gpu/resources.h"
#include "platform/gpu/views.h"
#include "platform/window_internal.h"

namespace gpu {

HResult ReadTextureSubresource(Resource* resource, uint32_t subresource, std::vector<uint8_t>* bytes)
{
    TextureShape shape;
    if (!bytes || !GetTextureShape(resource, &shape) || !GlReady() || shape.samples > 1) return E_INVALIDARG;
    const FormatInfo& format = *FindFormat(shape.format);
    if (format.glFormat == 0 && format.blockBytes == 0) return E_INVALIDARG;
    const uint32_t mip = subresource % shape.mipLevels;
    const uint32_t slice = subresource / shape.mipLevels;
    if (slice >= shape.arraySize) return E_INVALIDARG;
    const uint32_t width = std::max(shape.width >> mip, 1u);
    const uint32_t height = std::max(shape.height >> mip, 1u);
    const uint32_t depth = std::max(shape.depth >> mip, 1u);
    const uint64_t size = FormatRowBytes(format, width) * FormatRowCount(format, height) * depth;
    if (size > INT32_MAX) return E_INVALIDARG;
    bytes->assign(static_cast<size_t>(size), 0);

    // Where the slice sits in GL's coordinates: y for 1-D arrays, z for 2-D arrays.
    GLint y = 0, z = 0;
    if (shape.glTarget == GL_TEXTURE_1D_ARRAY) y = static_cast<GLint>(slice);
    if (shape.glTarget == GL_TEXTURE_2D_ARRAY) z = static_cast<GLint>(slice);
    DrainGlErrors();
    glBindBuffer(GL_PIXEL_PACK_BUFFER, 0);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glPixelStorei(GL_PACK_ROW_LENGTH, 0);
    glPixelStorei(GL_PACK_IMAGE_HEIGHT, 0);
    glPixelStorei(GL_PACK_SKIP_PIXELS, 0);
    glPixelStorei(GL_PACK_SKIP_ROWS, 0);
    glPixelStorei(GL_PACK_SKIP_IMAGES, 0);
    const auto w = static_cast<GLsizei>(width), h = static_cast<GLsizei>(height), d = static_cast<GLsizei>(depth);
    if (format.blockBytes)
        glGetCompressedTextureSubImage(shape.glTexture, static_cast<GLint>(mip), 0, y, z, w, h, d,
                                       static_cast<GLsizei>(size), bytes->data());
    else
        glGetTextureSubImage(shape.glTexture, static_cast<GLint>(mip), 0, y, z, w, h, d, format.glFormat,
                             format.glType, static_cast<GLsizei>(size), bytes->data());
    return glGetError() == GL_NO_ERROR ? S_OK : E_FAIL;
}

namespace {

// The sampler type and coordinate swizzle a view target is read with.
bool SamplerFor(uint32_t target, const char** sampler, const char** coord)
{
    switch (target) {
    case GL_TEXTURE_1D: *sampler = "sampler1D", *coord = "coord.x"; return true;
    case GL_TEXTURE_1D_ARRAY: *sampler = "sampler1DArray", *coord = "coord.xy"; return true;
    case GL_TEXTURE_2D: *sampler = "sampler2D", *coord = "coord.xy"; return true;
    case GL_TEXTURE_2D_ARRAY: *sampler = "sampler2DArray", *coord = "coord.xyz"; return true;
    case GL_TEXTURE_3D: *sampler = "sampler3D", *coord = "coord.xyz"; return true;
    case GL_TEXTURE_CUBE_MAP: *sampler = "samplerCube", *coord = "coord.xyz"; return true;
    case GL_TEXTURE_CUBE_MAP_ARRAY: *sampler = "samplerCubeArray", *coord = "coord"; return true;
    default: return false;
    }
}

GLuint CompileProgram(const std::string& vertexSource, const std::string& fragmentSource)
{
    const GLuint program = glCreateProgram();
    const std::string* sources[2] = {&vertexSource, &fragmentSource};
    const GLenum stages[2] = {GL_VERTEX_SHADER, GL_FRAGMENT_SHADER};
    for (int index = 0; index < 2; ++index) {
        const GLuint shader = glCreateShader(stages[index]);
        const char* text = sources[index]->c_str();
        glShaderSource(shader, 1, &text, nullptr);
        glCompileShader(shader);
        glAttachShader(program, shader);
        glDeleteShader(shader);
    }
    glLinkProgram(program);
    GLint linked = GL_FALSE;
    glGetProgramiv(program, GL_LINK_STATUS, &linked);
    if (!linked) {
        glDeleteProgram(program);
        return 0;
    }
    return program;
}

}  // namespace

bool SampleShaderResourceView(ShaderResourceView* view, const float coord[4], float lod, float rgba[4])
{
    const char* sampler = nullptr;
    const char* coordinate = nullptr;
    if (!view || !coord || !rgba || !GlReady() || !SamplerFor(view->GlTarget(), &sampler, &coordinate)) return false;

    // One triangle covering a 1 x 1 float target; the fragment samples once.
    const std::string vertex =
        "#version 450 core\n"
        "void main() { gl_Position = vec4(gl_VertexID == 1 ? 3.0 : -1.0, gl_VertexID == 2 ? 3.0 : -1.0, 0.0, 1.0); }\n";
    const std::string fragment = std::string("#version 450 core\n") + "layout(binding = 0) uniform " + sampler +
                                 " image;\n"
                                 "layout(location = 0) uniform vec4 coord;\n"
                                 "layout(location = 1) uniform float lod;\n"
                                 "layout(location = 0) out vec4 color;\n"
                                 "void main() { color = textureLod(image, " +
                                 coordinate + ", lod); }\n";
    DrainGlErrors();
    const GLuint program = CompileProgram(vertex, fragment);
    if (!program) return false;

    GLuint target = 0, framebuffer = 0, vertexArray = 0, samplerObject = 0;
    glCreateTextures(GL_TEXTURE_2D, 1, &target);
    glTextureStorage2D(target, 1, GL_RGBA32F, 1, 1);
    glCreateFramebuffers(1, &framebuffer);
    glNamedFramebufferTexture(framebuffer, GL_COLOR_ATTACHMENT0, target, 0);
    glCreateVertexArrays(1, &vertexArray);
    glCreateSamplers(1, &samplerObject);
    glSamplerParameteri(samplerObject, GL_TEXTURE_MIN_FILTER, GL_NEAREST_MIPMAP_NEAREST);
    glSamplerParameteri(samplerObject, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    for (GLenum wrap : {GL_TEXTURE_WRAP_S, GL_TEXTURE_WRAP_T, GL_TEXTURE_WRAP_R})
        glSamplerParameteri(samplerObject, wrap, GL_CLAMP_TO_EDGE);

    // The context states everything again at its next draw, so the state
    // changed here needs no restoring beyond the program binding.
    ForgetAppliedGlState();
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, framebuffer);
    glViewport(0, 0, 1, 1);
    for (GLenum capability : {GL_SCISSOR_TEST, GL_BLEND, GL_DEPTH_TEST, GL_STENCIL_TEST, GL_CULL_FACE,
                              GL_RASTERIZER_DISCARD, GL_FRAMEBUFFER_SRGB})
        glDisable(capability);
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    glUseProgram(program);
    glUniform4fv(0, 1, coord);
    glUniform1f(1, lod);
    glBindTextureUnit(0, view->GlTexture());
    glBindSampler(0, samplerObject);
    glBindVertexArray(vertexArray);
    glDrawArrays(GL_TRIANGLES, 0, 3);
    glUseProgram(0);
    glBindVertexArray(0);
    glBindSampler(0, 0);
    glBindTextureUnit(0, 0);
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, 0);

    glGetTextureImage(target, 0, GL_RGBA, GL_FLOAT, 4 * sizeof(float), rgba);
    const bool ok = glGetError() == GL_NO_ERROR;
    glDeleteSamplers(1, &samplerObject);
    glDeleteVertexArrays(1, &vertexArray);
    glDeleteFramebuffers(1, &framebuffer);
    glDeleteTextures(1, &target);
    glDeleteProgram(program);
    return ok;
}

HResult ReadTexturePixels(Texture2D* texture, std::vector<uint8_t>* rgba, uint32_t* width, uint32_t* height)
{
    if (!texture || !rgba || !GlReady()) return E_INVALIDARG;
    const FormatInfo* format = FindFormat(texture->Desc().Format);
    if (!format || !format->colorRenderable || format->bytesPerPixel != 4 || format->glInternalFormat == GL_RGB10_A2 ||
        format->glFormat == GL_RED || texture->Desc().ArraySize > 1)
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
        ForgetAppliedGlState();
        glBlitNamedFramebuffer(framebuffers[0], framebuffers[1], 0, 0, w, h, 0, 0, w, h, GL_COLOR_BUFFER_BIT,
                               GL_NEAREST);
        glDeleteFramebuffers(2, framebuffers);
        source = resolved;
    }
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glPixelStorei(GL_PACK_ROW_LENGTH, 0);
    glBindBuffer(GL_PIXEL_PACK_BUFFER, 0);
    // BGRA formats come back in their own byte order, as Direct3D maps them.
    glGetTextureImage(source, 0, format->glFormat, GL_UNSIGNED_BYTE, static_cast<GLsizei>(rgba->size()), rgba->data());
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

// ---------------------------------------------------------------------------
// Counting read-backs
// ---------------------------------------------------------------------------
// libepoxy calls GL through writable function pointers: the counter puts
// its own in front of the driver's and puts them back when it goes.

namespace {

uint64_t readBacks = 0;
PFNGLREADPIXELSPROC realReadPixels = nullptr;
PFNGLGETTEXIMAGEPROC realGetTexImage = nullptr;
PFNGLGETTEXTUREIMAGEPROC realGetTextureImage = nullptr;
PFNGLGETTEXTURESUBIMAGEPROC realGetTextureSubImage = nullptr;
PFNGLGETCOMPRESSEDTEXTURESUBIMAGEPROC realGetCompressedTextureSubImage = nullptr;

void CountedReadPixels(GLint x, GLint y, GLsizei width, GLsizei height, GLenum format, GLenum type, void* pixels)
{
    ++readBacks;
    realReadPixels(x, y, width, height, format, type, pixels);
}

void CountedGetTexImage(GLenum target, GLint level, GLenum format, GLenum type, void* pixels)
{
    ++readBacks;
    realGetTexImage(target, level, format, type, pixels);
}

void CountedGetTextureImage(GLuint texture, GLint level, GLenum format, GLenum type, GLsizei bufSize, void* pixels)
{
    ++readBacks;
    realGetTextureImage(texture, level, format, type, bufSize, pixels);
}

void CountedGetTextureSubImage(GLuint texture, GLint level, GLint x, GLint y, GLint z, GLsizei width, GLsizei height,
                               GLsizei depth, GLenum format, GLenum type, GLsizei bufSize, void* pixels)
{
    ++readBacks;
    realGetTextureSubImage(texture, level, x, y, z, width, height, depth, format, type, bufSize, pixels);
}

void CountedGetCompressedTextureSubImage(GLuint texture, GLint level, GLint x, GLint y, GLint z, GLsizei width,
                                         GLsizei height, GLsizei depth, GLsizei bufSize, void* pixels)
{
    ++readBacks;
    realGetCompressedTextureSubImage(texture, level, x, y, z, width, height, depth, bufSize, pixels);
}

}  // namespace

GlReadBackCounter::GlReadBackCounter()
{
    // Until its first call a pointer leads to libepoxy's resolver, which
    // would call the counter again instead of GL: each is called once first,
    // on texture 0, an invalid target or an empty rectangle, which reads
    // nothing and at most raises an error, drained below.
    glReadPixels(0, 0, 0, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
    glGetTexImage(GL_NONE, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
    glGetTextureImage(0, 0, GL_RGBA, GL_UNSIGNED_BYTE, 0, nullptr);
    glGetTextureSubImage(0, 0, 0, 0, 0, 0, 0, 0, GL_RGBA, GL_UNSIGNED_BYTE, 0, nullptr);
    glGetCompressedTextureSubImage(0, 0, 0, 0, 0, 0, 0, 0, 0, nullptr);
    DrainGlErrors();
    readBacks = 0;
    realReadPixels = std::exchange(epoxy_glReadPixels, CountedReadPixels);
    realGetTexImage = std::exchange(epoxy_glGetTexImage, CountedGetTexImage);
    realGetTextureImage = std::exchange(epoxy_glGetTextureImage, CountedGetTextureImage);
    realGetTextureSubImage = std::exchange(epoxy_glGetTextureSubImage, CountedGetTextureSubImage);
    realGetCompressedTextureSubImage =
        std::exchange(epoxy_glGetCompressedTextureSubImage, CountedGetCompressedTextureSubImage);
}

GlReadBackCounter::~GlReadBackCounter()
{
    epoxy_glReadPixels = realReadPixels;
    epoxy_glGetTexImage = realGetTexImage;
    epoxy_glGetTextureImage = realGetTextureImage;
    epoxy_glGetTextureSubImage = realGetTextureSubImage;
    epoxy_glGetCompressedTextureSubImage = realGetCompressedTextureSubImage;
}

uint64_t GlReadBackCounter::Count() const { return readBacks; }

}  // namespace gpu
