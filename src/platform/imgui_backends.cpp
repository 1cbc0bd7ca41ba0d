// Index
//   - Back-end state
//   - Keys and text: every press seen by a frame, in order
//   - Start-up, frames, drawing
//   - The pointer over the interface
#include "platform/imgui_backends.h"

#include <cfloat>
#include <cstddef>
#include <cstdint>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include <imgui.h>
#include <imgui_internal.h>
#include <backends/imgui_impl_opengl3.h>
#include <backends/imgui_impl_sdl.h>

#include <epoxy/gl.h>
#include <SDL.h>

#include "platform/gpu/context.h"
#include "platform/gpu/views.h"
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
// Keys and typed text. Dear ImGui 1.86 reads each key as down or up once per
// frame, so a key pressed and released between two frames would never be
// seen (Enter in a text field, Backspace, Esc leaving it). Key changes and
// typed text wait here instead, in the order they came, and each frame takes
// them in that order up to the first that would be lost or reordered: a
// second change of a key already changed in this frame, text or a modifier
// change after a key that edits (Dear ImGui takes a frame's text before its
// keys, and gives a frame's modifiers to all its keys), or anything typed
// after a click. A tap is
// down for one frame and up in the next, whatever the frame rate.
// ---------------------------------------------------------------------------
constexpr int kTypedText = -1;
constexpr int kClick = -2;  // a mouse button went down here
struct WaitingInput {
    int key = kTypedText;  // scancode, kTypedText or kClick
    bool down = false;
    std::string text;
};
std::vector<WaitingInput> waitingInput;

bool IsModifier(int key)
{
    switch (key) {
    case SDL_SCANCODE_LCTRL: case SDL_SCANCODE_RCTRL: case SDL_SCANCODE_LSHIFT: case SDL_SCANCODE_RSHIFT:
    case SDL_SCANCODE_LALT: case SDL_SCANCODE_RALT: case SDL_SCANCODE_LGUI: case SDL_SCANCODE_RGUI: return true;
    default: return false;
    }
}

// Keys whose press acts on the text being edited, so typed text must not
// overtake it: the key map's keys, and its letters only with Ctrl or Super
// (select all, copy, paste, undo...). Dear ImGui looks at no other key
// but the modifiers.
bool EditsText(const ImGuiIO& io, int key)
{
    for (int entry = 0; entry < ImGuiKey_COUNT; ++entry) {
        if (io.KeyMap[entry] != key) continue;
        const bool letter = entry >= ImGuiKey_A && entry <= ImGuiKey_Z;
        return !letter || io.KeyCtrl || io.KeySuper;
    }
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

void TakeWaitingInput(ImGuiIO& io)
{
    bool changed[SDL_NUM_SCANCODES] = {};
    bool editKeyPressed = false;
    std::vector<WaitingInput> later;
    size_t next = 0;
    for (; next < waitingInput.size(); ++next) {
        WaitingInput& input = waitingInput[next];
        // The click itself reaches the frame as it comes; what was typed
        // after it waits for the next frame, when the click has given the
        // keyboard to the field clicked or taken it from the one left.
        if (input.key == kClick) {
            ++next;
            break;
        }
        if (input.key == kTypedText) {
            if (editKeyPressed) break;
            io.AddInputCharactersUTF8(input.text.c_str());
            continue;
        }
        // Only the keys Dear ImGui looks at need a frame per change; the
        // others (letters typed as text) just take their state.
        const bool edits = EditsText(io, input.key);
        const bool modifier = IsModifier(input.key);
        const bool watched = edits || modifier;
        // A frame applies its modifiers to every key it sees, so a modifier
        // that changes after a key that edits went down waits for the next
        // frame: Ctrl let go just after A, as a tap of Ctrl+A sends them, is
        // still Ctrl+A.
        if (modifier && editKeyPressed && io.KeysDown[input.key] != input.down) break;
        if (changed[input.key] && watched) {
            if (input.down) break;
            later.push_back(std::move(input));  // a release keeps its key's press for this frame
            continue;
        }
        // A repeat of the state the key already has is no change.
        if (io.KeysDown[input.key] == input.down) continue;
        io.KeysDown[input.key] = input.down;
        changed[input.key] = watched;
        // The modifiers follow the keys in order, so Ctrl+A typed between
        // two frames is still Ctrl with A.
        UpdateModifiers(io);
        if (input.down && edits) editKeyPressed = true;
    }
    later.insert(later.end(), std::make_move_iterator(waitingInput.begin() + static_cast<std::ptrdiff_t>(next)),
                 std::make_move_iterator(waitingInput.end()));
    waitingInput = std::move(later);
    UpdateModifiers(io);
}

// Where the frame sees the pointer: the window's one mapping to the back
// buffer, the same as the program's cursor. Nowhere while the mouse is held
// exclusively (the pointer is hidden and turns the camera) or has left the
// window without a button held.
void PlacePointer(ImGuiIO& io)
{
    double x = 0.0, y = 0.0;
    bool inWindow = false;
    const bool known = PointerInBackBuffer(&x, &y, &inWindow);
    if (SDL_GetRelativeMouseMode()) {
        io.MousePos = ImVec2(-FLT_MAX, -FLT_MAX);
        for (bool& down : io.MouseDown) down = false;
    } else if (known && (inWindow || ImGui::IsAnyMouseDown())) {
        io.MousePos = ImVec2(static_cast<float>(x), static_cast<float>(y));
    } else {
        io.MousePos = ImVec2(-FLT_MAX, -FLT_MAX);
    }
}

}  // namespace

bool DispatchEventToImGui(const SDL_Event& event)
{
    if (!PlatformBackEndReady()) return false;
    switch (event.type) {
    case SDL_KEYDOWN:
    case SDL_KEYUP:
        if (event.key.keysym.scancode > SDL_SCANCODE_UNKNOWN && event.key.keysym.scancode < SDL_NUM_SCANCODES)
            waitingInput.push_back({static_cast<int>(event.key.keysym.scancode), event.type == SDL_KEYDOWN, {}});
        return true;
    case SDL_TEXTINPUT:
        waitingInput.push_back({kTypedText, false, event.text.text});
        return true;
    case SDL_MOUSEBUTTONDOWN:
        waitingInput.push_back({kClick, true, {}});
        break;
    case SDL_WINDOWEVENT:
        // Keys released in another window are never reported to this one.
        if (event.window.event == SDL_WINDOWEVENT_FOCUS_LOST) waitingInput.clear();
        break;
    default:
        break;
    }
    return ImGui_ImplSDL2_ProcessEvent(&event);
}

// ---------------------------------------------------------------------------
// Start-up, frames, drawing
// ---------------------------------------------------------------------------
bool InitImGuiBackEnds(Window* window)
{
    if (!window || !ImGui::GetCurrentContext() || !MakeGlContextCurrent(window)) return false;
    sdlUp = ImGui_ImplSDL2_InitForOpenGL(SdlWindowOf(window), GlContextOf(window));
    openGlUp = sdlUp && ImGui_ImplOpenGL3_Init("#version 450");
    interfaceWindow = sdlUp ? window : nullptr;
    waitingInput.clear();
    return sdlUp && openGlUp;
}

void ShutdownImGuiBackEnds()
{
    if (openGlUp) ImGui_ImplOpenGL3_Shutdown();
    if (sdlUp) ImGui_ImplSDL2_Shutdown();
    openGlUp = sdlUp = false;
    interfaceWindow = nullptr;
    waitingInput.clear();
}

void NewImGuiFrame()
{
    if (openGlUp) ImGui_ImplOpenGL3_NewFrame();
    if (!sdlUp) return;
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
    PlacePointer(io);
    TakeWaitingInput(io);
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

// ---------------------------------------------------------------------------
// The pointer over the interface
// ---------------------------------------------------------------------------
bool PointerOverImGuiWindow()
{
    ImGuiContext* context = ImGui::GetCurrentContext();
    if (!context || SDL_GetRelativeMouseMode()) return false;
    // An item held with the mouse (a slider being dragged) keeps it, wherever
    // the pointer went.
    if (context->ActiveId != 0 && context->ActiveIdSource == ImGuiInputSource_Mouse) return true;
    double x = 0.0, y = 0.0;
    bool inWindow = false;
    if (!PointerInBackBuffer(&x, &y, &inWindow) || !inWindow) return false;
    const ImVec2 pointer(static_cast<float>(x), static_cast<float>(y));
    // The windows as the last frame drew them (they stay active until the
    // next frame begins), with the margin by which Dear ImGui lets the edge
    // of a resizable window be grabbed.
    const float grabMargin =
        context->IO.ConfigWindowsResizeFromEdges ? context->Style.TouchExtraPadding.x + 4.0f : 0.0f;
    constexpr ImGuiWindowFlags kNoEdgeGrab =
        ImGuiWindowFlags_ChildWindow | ImGuiWindowFlags_NoResize | ImGuiWindowFlags_AlwaysAutoResize;
    for (const ImGuiWindow* window : context->Windows) {
        if (!window->Active || window->Hidden || (window->Flags & ImGuiWindowFlags_NoMouseInputs)) continue;
        ImRect area = window->OuterRectClipped;
        if (!(window->Flags & kNoEdgeGrab)) area.Expand(grabMargin);
        if (area.Contains(pointer)) return true;
    }
    return false;
}

}  // namespace platform
