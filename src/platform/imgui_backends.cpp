// Index
//   - Back-end state
//   - What the interface holds, as its last frame left it
//   - Feeding the frames from the input log
//   - Start-up, frames, drawing
//   - The pointer over the interface
#include "platform/imgui_backends.h"

#include <cfloat>
#include <cstdint>

#include <imgui.h>
#include <imgui_internal.h>
#include <backends/imgui_impl_opengl3.h>
#include <backends/imgui_impl_sdl.h>

#include <epoxy/gl.h>
#include <SDL.h>

#include "platform/gpu/context.h"
#include "platform/gpu/views.h"
#include "platform/input/input_events.h"
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
struct InterfaceState {
    bool typing = false;     // a text field holds the keyboard
    bool popup = false;      // a modal popup is open
    bool mouseHeld = false;  // an item holds the mouse (a slider being dragged)
};

InterfaceState StateAfterLastFrame()
{
    InterfaceState state;
    const ImGuiContext* context = ImGui::GetCurrentContext();
    if (!context) return state;
    state.typing = context->ActiveId != 0 && context->ActiveId == context->InputTextState.ID;
    state.popup = ImGui::GetTopMostPopupModal() != nullptr;
    state.mouseHeld = context->ActiveId != 0 && context->ActiveIdSource == ImGuiInputSource_Mouse;
    return state;
}

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

bool IsButton(const InputEvent& event)
{
    return event.kind == InputEvent::Kind::ButtonDown || event.kind == InputEvent::Kind::ButtonUp;
}

// The one rule of who takes an event; the in-game input and the frames below
// both follow it, so they never disagree.
InputOwner OwnerBy(const InputEvent& event, const InterfaceState& state)
{
    switch (event.kind) {
    case InputEvent::Kind::KeyDown:
    case InputEvent::Kind::KeyUp:
    case InputEvent::Kind::Text:
        return state.typing || state.popup ? InputOwner::Interface : InputOwner::Program;
    case InputEvent::Kind::ButtonDown:
    case InputEvent::Kind::ButtonUp:
    case InputEvent::Kind::Wheel: {
        if (event.pointerHeld) return InputOwner::Program;
        if (state.popup || state.mouseHeld) return InputOwner::Interface;
        const ImGuiContext* context = ImGui::GetCurrentContext();
        const bool over = context && event.pointerKnown && event.pointerInWindow &&
                          PointOverWindow(*context, event.x, event.y);
        return over ? InputOwner::Interface : InputOwner::Program;
    }
    default:
        return InputOwner::Program;
    }
}

// Whether the interface, once it has taken the event, may hold the keyboard
// or the mouse otherwise than before: who takes the events after it is known
// only after the frame that takes it.
bool MayChangeOwners(const InputEvent& event, const InterfaceState& state)
{
    if (IsButton(event)) return !event.pointerHeld && (state.typing || OwnerBy(event, state) == InputOwner::Interface);
    if (event.kind != InputEvent::Kind::KeyDown) return false;
    if (state.popup) return true;
    switch (event.scancode) {
    case SDL_SCANCODE_RETURN: case SDL_SCANCODE_KP_ENTER: case SDL_SCANCODE_ESCAPE: case SDL_SCANCODE_TAB:
        return state.typing;
    default: return false;
    }
}

// ---------------------------------------------------------------------------
// Feeding the frames from the input log. Dear ImGui 1.86 reads each key and
// button as down or up once per frame, with one pointer position, and takes
// a frame's typed text before its keys and its modifiers for all its keys.
// So each frame takes the events in order up to the first it could not see
// as it happened: a second change of a key it reads; text, or a modifier
// change, after a key that edits; a button change after any key or text (a
// click has a frame of its own, where it was made), and anything after a
// button change; a button change after a move while a button is held (the
// drag's last move comes with the button still down); a move after a turn
// of the wheel (the wheel scrolls what lay under the pointer as it turned). A frame also ends
// after an event that may change who takes the next ones, so each frame's
// events are all decided by the state the frame before left.
// ---------------------------------------------------------------------------
constexpr int kFedButtons = 5;
struct Feed {
    uint32_t taken = 0;  // sequence number of the last event taken
    bool buttons[kFedButtons] = {};
    bool buttonTaken = false;  // the frame being fed took a button change
    bool pointerKnown = false;
    bool pointerInWindow = false;
    double x = 0.0;
    double y = 0.0;
};
Feed feed;

void StartFeed()
{
    feed = Feed {};
    feed.taken = LastInputSequence();
}

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

bool AnyFedButton()
{
    for (const bool down : feed.buttons)
        if (down) return true;
    return false;
}

void MoveFedPointer(const InputEvent& event)
{
    if (event.kind == InputEvent::Kind::PointerLeft) {
        feed.pointerInWindow = false;
        return;
    }
    feed.pointerKnown = event.pointerKnown;
    feed.pointerInWindow = event.pointerInWindow;
    feed.x = event.x;
    feed.y = event.y;
}

void TakeRecordedInput(ImGuiIO& io)
{
    feed.buttonTaken = false;
    const InterfaceState state = StateAfterLastFrame();
    bool keyChanged[SDL_NUM_SCANCODES] = {};
    bool keysOrTextTaken = false;
    bool editKeyPressed = false;
    bool pointerMoved = false;
    bool wheelTaken = false;
    for (const InputEvent& event : RecordedInputEvents()) {
        if (event.sequence <= feed.taken) continue;
        bool frameEnds = false;
        switch (event.kind) {
        case InputEvent::Kind::Text:
            if (editKeyPressed) return;
            io.AddInputCharactersUTF8(event.text);
            keysOrTextTaken = true;
            break;
        case InputEvent::Kind::KeyDown:
        case InputEvent::Kind::KeyUp: {
            const int key = event.scancode;
            const bool down = event.kind == InputEvent::Kind::KeyDown;
            const bool edits = EditsText(io, key);
            if (IsModifier(key) && editKeyPressed) return;
            if (edits && keyChanged[key]) return;
            io.KeysDown[key] = down;
            keyChanged[key] = true;
            // The modifiers follow the keys in order, so Ctrl+A typed between
            // two frames is still Ctrl with A.
            UpdateModifiers(io);
            if (down && edits) editKeyPressed = true;
            keysOrTextTaken = true;
            frameEnds = MayChangeOwners(event, state);
            break;
        }
        case InputEvent::Kind::ButtonDown:
        case InputEvent::Kind::ButtonUp: {
            const bool down = event.kind == InputEvent::Kind::ButtonDown;
            if (event.button >= kFedButtons) break;
            // A press made while an exclusive mouse held the pointer is not
            // the interface's, nor is the release that ends it.
            if (down ? event.pointerHeld : !feed.buttons[event.button]) break;
            if (keysOrTextTaken || (pointerMoved && AnyFedButton())) return;
            MoveFedPointer(event);
            feed.buttons[event.button] = down;
            feed.buttonTaken = true;
            frameEnds = true;
            break;
        }
        case InputEvent::Kind::Motion:
        case InputEvent::Kind::PointerLeft:
            if (wheelTaken) return;
            MoveFedPointer(event);
            pointerMoved = true;
            break;
        case InputEvent::Kind::Wheel:
            if (event.pointerHeld) break;
            MoveFedPointer(event);
            io.MouseWheel += event.dy > 0 ? 1.0f : -1.0f;
            wheelTaken = true;
            break;
        case InputEvent::Kind::FocusLost:
            // Keys and buttons released in another window are never reported to this one.
            for (bool& key : io.KeysDown) key = false;
            for (bool& button : feed.buttons) button = false;
            UpdateModifiers(io);
            break;
        case InputEvent::Kind::FocusGained:
            break;
        }
        feed.taken = event.sequence;
        if (frameEnds) return;
    }
}

// Where the frame sees the pointer and the buttons: where the events it took
// left them. Nowhere while the mouse is held exclusively (the pointer is
// hidden and turns the camera) or has left the window without a button held;
// but a click made while the pointer was free is seen through to its
// release where it was made, though the mouse was taken again before the
// frames got to it (Shift let go right after a click on a window).
void PlacePointer(ImGuiIO& io)
{
    const bool held = ::PointerHeldExclusively() && !feed.buttonTaken && !AnyFedButton();
    for (int button = 0; button < kFedButtons; ++button) io.MouseDown[button] = !held && feed.buttons[button];
    if (!held && feed.pointerKnown && (feed.pointerInWindow || AnyFedButton()))
        io.MousePos = ImVec2(static_cast<float>(feed.x), static_cast<float>(feed.y));
    else
        io.MousePos = ImVec2(-FLT_MAX, -FLT_MAX);
}

}  // namespace

InputOwner OwnerOfInputEvent(uint32_t sequence)
{
    if (!ImGui::GetCurrentContext()) return InputOwner::Program;
    // Without the back end no frame takes events, so none waits for one.
    const bool framesTakeEvents = PlatformBackEndReady();
    const InterfaceState state = StateAfterLastFrame();
    for (const InputEvent& event : RecordedInputEvents()) {
        if (event.sequence == sequence) return OwnerBy(event, state);
        if (event.sequence > sequence) break;
        if (framesTakeEvents && event.sequence > feed.taken && MayChangeOwners(event, state))
            return InputOwner::Undecided;
    }
    // Gone from the log long ago: no frame will decide it any more.
    return InputOwner::Program;
}

bool ImGuiHoldsKeyboard()
{
    const InterfaceState state = StateAfterLastFrame();
    return state.typing || state.popup;
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
    StartFeed();
    return sdlUp && openGlUp;
}

void ShutdownImGuiBackEnds()
{
    if (openGlUp) ImGui_ImplOpenGL3_Shutdown();
    if (sdlUp) ImGui_ImplSDL2_Shutdown();
    openGlUp = sdlUp = false;
    interfaceWindow = nullptr;
    StartFeed();
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
    // The back end read the system's mouse; the frame sees the recorded one.
    TakeRecordedInput(io);
    PlacePointer(io);
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
    if (!context || ::PointerHeldExclusively()) return false;
    // An item held with the mouse (a slider being dragged) keeps it, wherever
    // the pointer went.
    if (StateAfterLastFrame().mouseHeld) return true;
    double x = 0.0, y = 0.0;
    bool inWindow = false;
    return PointerInBackBuffer(&x, &y, &inWindow) && inWindow && PointOverWindow(*context, x, y);
}

}  // namespace platform
