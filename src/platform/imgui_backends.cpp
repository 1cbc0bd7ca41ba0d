#include "platform/imgui_backends.h"

#include <cstdint>

#include <imgui.h>
#include <backends/imgui_impl_opengl3.h>
#include <backends/imgui_impl_sdl.h>

#include <epoxy/gl.h>
#include <SDL.h>

#include "platform/gpu/context.h"
#include "platform/gpu/views.h"
#include "platform/window_internal.h"

namespace platform {

namespace {
bool sdlUp = false;
bool openGlUp = false;
}  // namespace

bool InitImGuiBackEnds(Window* window)
{
    if (!window || !ImGui::GetCurrentContext() || !MakeGlContextCurrent(window)) return false;
    sdlUp = ImGui_ImplSDL2_InitForOpenGL(SdlWindowOf(window), GlContextOf(window));
    openGlUp = sdlUp && ImGui_ImplOpenGL3_Init("#version 450");
    return sdlUp && openGlUp;
}

void ShutdownImGuiBackEnds()
{
    if (openGlUp) ImGui_ImplOpenGL3_Shutdown();
    if (sdlUp) ImGui_ImplSDL2_Shutdown();
    openGlUp = sdlUp = false;
}

void NewImGuiFrame()
{
    if (openGlUp) ImGui_ImplOpenGL3_NewFrame();
    if (sdlUp) ImGui_ImplSDL2_NewFrame();
}

void RenderImGuiDrawData(gpu::Context* context)
{
    ImDrawData* drawData = ImGui::GetDrawData();
    if (!openGlUp || !drawData || !context) return;
    // The back end reads the clip origin the context sets for its target and
    // draws upright either way.
    if (!context->ApplyOutputState()) return;
    ImGui_ImplOpenGL3_RenderDrawData(drawData);
}

void InvalidateImGuiDeviceObjects()
{
    // The OpenGL3 back end of Dear ImGui 1.86 forgets its buffers here but
    // not their sizes, so buffers made anew would never be given storage and
    // every later draw would fail. A fresh back end starts from nothing; it
    // makes its objects at the next frame, as the invalidate alone would.
    if (!openGlUp) return;
    ImGui_ImplOpenGL3_Shutdown();
    openGlUp = ImGui_ImplOpenGL3_Init("#version 450");
}

void* ImGuiTextureOf(const gpu::ShaderResourceView* view)
{
    if (!view) return nullptr;
    return reinterpret_cast<void*>(static_cast<uintptr_t>(view->GlTexture()));
}

int MaxTextureSize()
{
    if (!SDL_GL_GetCurrentContext()) return 16384;
    GLint size = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &size);
    return size > 0 ? size : 16384;
}

}  // namespace platform
