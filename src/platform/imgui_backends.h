// Dear ImGui's platform and renderer back ends for the main window, in place
// of the Win32 and Direct3D 11 ones: SDL2 for input and window size, OpenGL3
// for drawing. The Dear ImGui context itself is the caller's
// (ImGui::CreateContext / DestroyContext).
#pragma once

#include <cstdint>

namespace gpu {
class Context;
class ShaderResourceView;
}

namespace platform {

struct Window;

// ImGui_ImplWin32_Init + ImGui_ImplDX11_Init. False when either fails.
bool InitImGuiBackEnds(Window* window);
// ImGui_ImplDX11_Shutdown + ImGui_ImplWin32_Shutdown.
void ShutdownImGuiBackEnds();
// ImGui_ImplDX11_NewFrame + ImGui_ImplWin32_NewFrame (before ImGui::NewFrame).
// The frame is laid out in the back buffer, at the chosen mode's size. Its
// input comes from the window's input log, oldest first: every event is
// taken, in order, by exactly one frame, and a frame takes no more than Dear
// ImGui can see in one (a key it reads changes once, a click has a frame of
// its own at the place it was made), so a burst typed during one slow frame
// reaches the interface whole and in order over the next ones.
void NewImGuiFrame();
// ImGui_ImplDX11_RenderDrawData(ImGui::GetDrawData()): draws into the
// context's bound render target, as the Direct3D 11 back end does.
void RenderImGuiDrawData(gpu::Context* context);
// True when the pointer, where it is now, lies over a window the last Dear
// ImGui frame drew, or an item of it holds the mouse (a dragged slider); never
// while the mouse is held exclusively. Asked between frames, by input that
// must not act through the interface.
bool PointerOverImGuiWindow();
// True while a text field or a modal popup holds the keyboard, as the last
// frame left them.
bool ImGuiHoldsKeyboard();

// Who takes an input event, named by its sequence number (as buffered device
// data numbers it): the interface or the program's own input handling. The
// interface takes a key while a text field or a modal popup holds the
// keyboard, and a mouse button or a turn of the wheel while the pointer,
// where it was at that moment, lay over one of its windows, an item held the
// mouse or a popup was open (an exclusive mouse points at no window). That is decided by
// the interface as its last frame left it, so an event that comes after one
// the interface has not taken yet and that may change it (a click it takes
// or a click while typing; Enter, Esc or Tab in a text field; any key under a
// popup) is Undecided: ask again after the next frame. Without the back end
// no frame takes events, so none waits; without a context everything is the
// program's.
enum class InputOwner { Program, Interface, Undecided };
InputOwner OwnerOfInputEvent(uint32_t sequence);

// True while the back end is up (platform-internal): it takes every key from
// the input log, so the window procedure gets no WM_KEYDOWN.
bool ImGuiTakesKeys();

// The largest texture side the renderer back end can upload (the font atlas
// must fit); Direct3D 11's 16384 when no GL context is current.
int MaxTextureSize();
// ImGui_ImplDX11_InvalidateDeviceObjects: made anew at the next frame.
void InvalidateImGuiDeviceObjects();
// The Dear ImGui texture id of a shader view (ImTextureID is void* here);
// null draws Dear ImGui's font texture, so callers pass null only for "no picture".
void* ImGuiTextureOf(const gpu::ShaderResourceView* view);

}  // namespace platform
