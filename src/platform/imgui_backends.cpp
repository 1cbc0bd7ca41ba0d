// Index
//   - Back-end state
//   - What the interface holds, as its last frame left it
//   - Feeding a frame the events given
//   - Start-up, frames, drawing
#include "platform/imgui_backends.h"

#include <cfloat>
#include <cstdint>

#include <imgui.h>
#include <imgui_internal.h>
#include <backends/imgui_impl_opengl3.h>
#include <backends/imgui_impl_sdl.h>

#include <epoxy/gl.h>
#include <SDL.h>

#include "platform/clock.h"
#include "platform/gpu/context.h"
#include "platform/gpu/views.h"
#include "platform/input/input_log.h"
#include "platform/window_internal.h"

namespace platform {

// ---------------------------------------------------------------------------
// Back-end state
// ---------------------------------------------------------------------------
namespace {
bool sdlUp = false;
bool openGlUp = false;
Window* interfaceWindow = nullptr;

bool PlatformBackEndReady()
{
    return sdlUp && ImGui::GetCurrentContext() != nullptr && ImGui::GetIO().BackendPlatformUserData != nullptr;
}

// ---------------------------------------------------------------------------
// What the interface holds, as its last frame left it
// ---------------------------------------------------------------------------

// The point lies over a window the last frame drew (they stay active until
// the next frame begins), with the margin by which Dear ImGui lets the edge
// of a resizable window be grabbed.
bool PointOverWindow(const ImGuiContext& context, double x, double y)
{
    const ImVec2 point(static_cast<float>(x), static_cast<float>(y));
    const float grabMargin = context.IO.ConfigWindowsResizeFromEdges ? context.Style.TouchExtraPadding.x + 4.0f : 0.0f;
    constexpr ImGuiWindowFlags kNoEdgeGrab =
        ImGuiWindowFlags_ChildWindow | ImGuiWindowFlags_NoResize | ImGuiWindowFlags_AlwaysAutoResize;
    for (const ImGuiWindow* window : context.Windows) {
        if (!window->Active || window->Hidden || (window->Flags & ImGuiWindowFlags_NoMouseInputs)) continue;
        ImRect area = window->OuterRectClipped;
        if (!(window->Flags & kNoEdgeGrab)) area.Expand(grabMargin);
        if (area.Contains(point)) return true;
    }
    return false;
}

// A window the user sees as one: shown, and not a tooltip or a part of
// another window.
bool ShownOnItsOwn(const ImGuiWindow& window)
{
    return window.Active && !window.Hidden &&
           !(window.Flags & (ImGuiWindowFlags_Tooltip | ImGuiWindowFlags_ChildWindow));
}

// ---------------------------------------------------------------------------
// Feeding a frame the events given. Dear ImGui 1.86 reads each key and
// button as down or up once per frame, at one pointer position: the events
// given change each at most once (the router sees to that), so setting them
// in order leaves the frame with what happened. The pointer and buttons fed
// stay as they were left until an event changes them.
// ---------------------------------------------------------------------------
constexpr int kFedButtons = 5;
struct Fed {
    bool buttons[kFedButtons] = {};
    bool pointerKnown = false;
    bool pointerInWindow = false;
    bool pointerShown = true;
    double x = 0.0;
    double y = 0.0;
};
Fed fed;
uint32_t lastFrameAt = 0;  // TimeGetTime of the last frame's start, 0 before the first

bool AnyFedButton()
{
    for (const bool down : fed.buttons)
        if (down) return true;
    return false;
}

void UpdateModifiers(ImGuiIO& io)
{
    const bool* keys = io.KeysDown;
    io.KeyCtrl = keys[SDL_SCANCODE_LCTRL] || keys[SDL_SCANCODE_RCTRL];
    io.KeyShift = keys[SDL_SCANCODE_LSHIFT] || keys[SDL_SCANCODE_RSHIFT];
    io.KeyAlt = keys[SDL_SCANCODE_LALT] || keys[SDL_SCANCODE_RALT];
    io.KeySuper = keys[SDL_SCANCODE_LGUI] || keys[SDL_SCANCODE_RGUI];
}

void MoveFedPointer(const InputEvent& event)
{
    if (event.kind == InputEvent::Kind::PointerLeft) {
        fed.pointerInWindow = false;
        return;
    }
    fed.pointerKnown = event.pointerKnown;
    fed.pointerInWindow = event.pointerInWindow;
    fed.x = event.x;
    fed.y = event.y;
}

void Feed(ImGuiIO& io, const InputEvent& event)
{
    switch (event.kind) {
    case InputEvent::Kind::Text: io.AddInputCharactersUTF8(event.text); break;
    case InputEvent::Kind::KeyDown:
    case InputEvent::Kind::KeyUp:
        io.KeysDown[event.scancode] = event.kind == InputEvent::Kind::KeyDown;
        UpdateModifiers(io);
        break;
    case InputEvent::Kind::ButtonDown:
    case InputEvent::Kind::ButtonUp:
        if (event.button >= kFedButtons) break;
        MoveFedPointer(event);
        fed.buttons[event.button] = event.kind == InputEvent::Kind::ButtonDown;
        break;
    case InputEvent::Kind::Motion:
    case InputEvent::Kind::PointerLeft: MoveFedPointer(event); break;
    case InputEvent::Kind::Wheel:
        MoveFedPointer(event);
        io.MouseWheel += static_cast<float>(event.dy);
        break;
    case InputEvent::Kind::FocusLost:
        // Keys and buttons released in another window are never reported to this one.
        for (bool& key : io.KeysDown) key = false;
        for (bool& button : fed.buttons) button = false;
        UpdateModifiers(io);
        break;
    case InputEvent::Kind::FocusGained: break;
    }
}

// Where the frame sees the pointer and the buttons. Nowhere while the
// pointer is held (hidden, it turns the camera) or has left the window
// without a button held; a click under way is seen through to its release
// where it was made.
void PlacePointer(ImGuiIO& io)
{
    const bool nowhere = !fed.pointerShown && !AnyFedButton();
    for (int button = 0; button < kFedButtons; ++button) io.MouseDown[button] = !nowhere && fed.buttons[button];
    if (!nowhere && fed.pointerKnown && (fed.pointerInWindow || AnyFedButton()))
        io.MousePos = ImVec2(static_cast<float>(fed.x), static_cast<float>(fed.y));
    else
        io.MousePos = ImVec2(-FLT_MAX, -FLT_MAX);
}

// The back ends' part of a new frame: display size, time, and the system's
// mouse, which the fed pointer then replaces.
bool BeginBackEndFrame()
{
    if (openGlUp) ImGui_ImplOpenGL3_NewFrame();
    if (!sdlUp) return false;
    ImGui_ImplSDL2_NewFrame();
    ImGuiIO& io = ImGui::GetIO();
    // The interface is laid out and drawn in the back buffer, at the size of
    // the chosen mode, not at the window's size (a minimised window keeps
    // the back end's empty display, so no frame is made).
    int width = 0, height = 0;
    if (io.DisplaySize.x > 0.0f && io.DisplaySize.y > 0.0f && GetBackBufferSize(interfaceWindow, &width, &height)) {
        io.DisplaySize = ImVec2(static_cast<float>(width), static_cast<float>(height));
        io.DisplayFramebufferScale = ImVec2(1.0f, 1.0f);
    }
    // The interface keeps time by the program's clock, the one input events
    // and frames are timed by, not by the back end's own. Frames made one
    // right after the other fall within one tick of it; Dear ImGui wants
    // time to pass.
    constexpr float kLeastFrameTime = 1.0e-4f;
    const uint32_t now = TimeGetTime();
    io.DeltaTime = lastFrameAt != 0 ? static_cast<float>(now - lastFrameAt) / 1000.0f : 1.0f / 60.0f;
    if (io.DeltaTime < kLeastFrameTime) io.DeltaTime = kLeastFrameTime;
    lastFrameAt = now;
    return true;
}

}  // namespace

InterfaceHolds WhatTheInterfaceHolds()
{
    InterfaceHolds holds;
    const ImGuiContext* context = ImGui::GetCurrentContext();
    if (!context) return holds;
    holds.typing = context->ActiveId != 0 && context->ActiveId == context->InputTextState.ID;
    holds.popup = ImGui::GetTopMostPopupModal() != nullptr;
    holds.mouse = context->ActiveId != 0 && context->ActiveIdSource == ImGuiInputSource_Mouse;
    return holds;
}

bool InterfaceWindowAt(double x, double y)
{
    const ImGuiContext* context = ImGui::GetCurrentContext();
    return context && PointOverWindow(*context, x, y);
}

bool InterfaceEditKey(int scancode, bool ctrlOrSuper)
{
    if (!ImGui::GetCurrentContext()) return false;
    const ImGuiIO& io = ImGui::GetIO();
    for (int entry = 0; entry < ImGuiKey_COUNT; ++entry) {
        if (io.KeyMap[entry] != scancode) continue;
        const bool letter = entry >= ImGuiKey_A && entry <= ImGuiKey_Z;
        return !letter || ctrlOrSuper;
    }
    return false;
}

std::vector<WindowPlace> InterfaceWindowPlaces()
{
    std::vector<WindowPlace> places;
    const ImGuiContext* context = ImGui::GetCurrentContext();
    if (!context) return places;
    for (const ImGuiWindow* window : context->Windows)
        if (ShownOnItsOwn(*window))
            places.push_back({window->ID, window->Pos.x, window->Pos.y, window->Size.x, window->Size.y});
    return places;
}

bool InterfaceLayoutPending()
{
    const ImGuiContext* context = ImGui::GetCurrentContext();
    if (!context) return false;
    for (const ImGuiWindow* window : context->Windows) {
        if (!window->Active) continue;
        if (window->HiddenFramesCannotSkipItems > 0 || window->HiddenFramesCanSkipItems > 0 ||
            window->AutoFitFramesX > 0 || window->AutoFitFramesY > 0)
            return true;
    }
    return false;
}


bool ImGuiTakesKeys() { return PlatformBackEndReady(); }

// ---------------------------------------------------------------------------
// Start-up, frames, drawing
// ---------------------------------------------------------------------------
bool InitImGuiBackEnds(Window* window)
{
    if (!window || !ImGui::GetCurrentContext() || !MakeGlContextCurrent(window)) return false;
    sdlUp = ImGui_ImplSDL2_InitForOpenGL(SdlWindowOf(window), GlContextOf(window));
    openGlUp = sdlUp && ImGui_ImplOpenGL3_Init("#version 450");
    interfaceWindow = sdlUp ? window : nullptr;
    fed = Fed {};
    lastFrameAt = 0;
    return sdlUp && openGlUp;
}

void ShutdownImGuiBackEnds()
{
    if (openGlUp) ImGui_ImplOpenGL3_Shutdown();
    if (sdlUp) ImGui_ImplSDL2_Shutdown();
    openGlUp = sdlUp = false;
    interfaceWindow = nullptr;
    fed = Fed {};
}

void NewImGuiFrame(const std::vector<InputEvent>& events, bool pointerShown)
{
    if (!BeginBackEndFrame()) return;
    ImGuiIO& io = ImGui::GetIO();
    for (const InputEvent& event : events) Feed(io, event);
    fed.pointerShown = pointerShown;
    PlacePointer(io);
}

void NewImGuiFrameAgain()
{
    if (!BeginBackEndFrame()) return;
    PlacePointer(ImGui::GetIO());
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
