// Dear ImGui's platform and renderer back ends for the main window, in place
// of the Win32 and Direct3D 11 ones: SDL2 for input and window size, OpenGL3
// for drawing. The Dear ImGui context itself is the caller's
// (ImGui::CreateContext / DestroyContext).
#pragma once

#include <cstdint>
#include <vector>

#include "platform/input/input_log.h"

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
// The frame is laid out in the back buffer, at the chosen mode's size. It
// sees the input events given, in order, and nothing else: the caller (the
// input router) has given it no more than Dear ImGui 1.86 can see in one
// frame. `pointerShown` false: an exclusive mouse holds the pointer, which
// then points at nothing (a click already under way is seen to its release).
void NewImGuiFrame(const std::vector<InputEvent>& events, bool pointerShown);
// Another frame with no new input (the pointer and what is held stay), to
// lay out again what the frame before changed.
void NewImGuiFrameAgain();
// ImGui_ImplDX11_RenderDrawData(ImGui::GetDrawData()): draws into the
// context's bound render target, as the Direct3D 11 back end does.
void RenderImGuiDrawData(gpu::Context* context);

// What the interface holds, as its last frame left it (all false without a
// context): a text field the keyboard, a modal popup everything, an item the
// mouse (a slider being dragged).
struct InterfaceHolds {
    bool typing = false;
    bool popup = false;
    bool mouse = false;
};
InterfaceHolds WhatTheInterfaceHolds();
// True when the point (back-buffer pixels) lies over a window the last frame
// drew, edges a resizable window may be grabbed by included.
bool InterfaceWindowAt(double x, double y);
// True for a key whose press a text field acts on: the key map's keys, and
// its letters only with Ctrl or Super (select all, copy, paste, undo...).
bool InterfaceEditKey(int scancode, bool ctrlOrSuper);

// Where the last frame's windows and popups stand (tooltips and the parts
// of windows aside): each one's id, place and size, in the order Dear ImGui
// keeps them. Two frames laid out alike give equal lists.
struct WindowPlace {
    uint32_t id = 0;
    float x = 0.0f, y = 0.0f, width = 0.0f, height = 0.0f;
    bool operator==(const WindowPlace&) const = default;
};
std::vector<WindowPlace> InterfaceWindowPlaces();
// True while a window of the last frame waits to be shown or fitted to its
// contents: the next frame will place it otherwise.
bool InterfaceLayoutPending();

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
