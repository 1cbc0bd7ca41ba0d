// Dear ImGui's platform and renderer back ends for the main window, in place
// of the Win32 and Direct3D 11 ones: SDL2 for input and window size, OpenGL3
// for drawing. The Dear ImGui context itself is the caller's
// (ImGui::CreateContext / DestroyContext).
#pragma once

namespace gpu {
class Context;
class ShaderResourceView;
}

union SDL_Event;

namespace platform {

struct Window;

// ImGui_ImplWin32_Init + ImGui_ImplDX11_Init. False when either fails.
bool InitImGuiBackEnds(Window* window);
// ImGui_ImplDX11_Shutdown + ImGui_ImplWin32_Shutdown.
void ShutdownImGuiBackEnds();
// ImGui_ImplDX11_NewFrame + ImGui_ImplWin32_NewFrame (before ImGui::NewFrame).
// The frame is laid out in the back buffer, at the chosen mode's size, and
// sees the pointer where the program's cursor is (see window.h); each key
// pressed since the last frame is down in this one even when it was released
// since, and up in the next.
void NewImGuiFrame();
// ImGui_ImplDX11_RenderDrawData(ImGui::GetDrawData()): draws into the
// context's bound render target, as the Direct3D 11 back end does.
void RenderImGuiDrawData(gpu::Context* context);
// True when the pointer, where it is now, lies over a window the last Dear
// ImGui frame drew, or an item of it holds the mouse (a dragged slider); never
// while the mouse is held exclusively. Asked between frames, by input that
// must not act through the interface.
bool PointerOverImGuiWindow();

// The message pump hands every event here first (platform-internal). True
// when Dear ImGui took it; keys always count as taken.
bool DispatchEventToImGui(const SDL_Event& event);

// The largest texture side the renderer back end can upload (the font atlas
// must fit); Direct3D 11's 16384 when no GL context is current.
int MaxTextureSize();
// ImGui_ImplDX11_InvalidateDeviceObjects: made anew at the next frame.
void InvalidateImGuiDeviceObjects();
// The Dear ImGui texture id of a shader view (ImTextureID is void* here);
// null draws Dear ImGui's font texture, so callers pass null only for "no picture".
void* ImGuiTextureOf(const gpu::ShaderResourceView* view);

}  // namespace platform
