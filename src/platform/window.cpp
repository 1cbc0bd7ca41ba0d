// Index
//   - Window record and process-wide window state
//   - Virtual keys
//   - Creating and destroying
//   - Messages and the pump
//   - Placement
//   - Cursor, painting, About box
//   - Synthetic events
#include "platform/window.h"

#include <SDL.h>
#include <epoxy/gl.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <vector>

#if defined(__SANITIZE_ADDRESS__)
#define VESK_LEAK_CHECKED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define VESK_LEAK_CHECKED 1
#endif
#endif
#ifdef VESK_LEAK_CHECKED
#include <dlfcn.h>
#include <link.h>
#endif

#include "platform/gpu/gl_names.h"
#include "platform/imgui_backends.h"
#include "platform/input/event_times.h"
#include "platform/input/input_events.h"
#include "platform/message_box.h"
#include "platform/window_internal.h"
#include "platform/window_test_events.h"

namespace platform {

// ---------------------------------------------------------------------------
// Window record and process-wide window state
// ---------------------------------------------------------------------------

struct Window {
    SDL_Window* sdl = nullptr;
    SDL_GLContext gl = nullptr;
    WindowProc proc = nullptr;
    int backBufferWidth = 0;  // 0 until a swap chain made one
    int backBufferHeight = 0;
};

namespace {

Window* mainWindow = nullptr;
uint32_t glGeneration = 1;
bool quitPosted = false;
int quitCode = 0;
// The pointer as the drained events left it, in window coordinates.
bool cursorKnown = false;
bool cursorLeft = false;  // the pointer went out of the window since
double cursorX = 0.0;
double cursorY = 0.0;

// Windows alive now. GPU objects keep a window pointer that may outlive the
// window at shut-down; every look-up goes through here first.
std::vector<Window*>& LiveWindows()
{
    static std::vector<Window*> windows;
    return windows;
}

bool IsLive(Window* window)
{
    return window && std::find(LiveWindows().begin(), LiveWindows().end(), window) != LiveWindows().end();
}

}  // namespace

SDL_Window* SdlWindowOf(Window* window) { return IsLive(window) ? window->sdl : nullptr; }
SDL_GLContext GlContextOf(Window* window) { return IsLive(window) ? window->gl : nullptr; }

bool MakeGlContextCurrent(Window* window)
{
    if (!IsLive(window) || !window->gl) return false;
    if (SDL_GL_GetCurrentContext() == window->gl) return true;
    return SDL_GL_MakeCurrent(window->sdl, window->gl) == 0;
}

uint32_t GlContextGeneration() { return glGeneration; }

bool RecreateGlContext(Window* window)
{
    if (!IsLive(window)) return false;
    SDL_GL_MakeCurrent(window->sdl, nullptr);
    if (window->gl) SDL_GL_DeleteContext(window->gl);
    ++glGeneration;
    // The attributes set at creation are still in force.
    window->gl = SDL_GL_CreateContext(window->sdl);
    return window->gl != nullptr && SDL_GL_MakeCurrent(window->sdl, window->gl) == 0;
}

Window* GetMainWindow() { return mainWindow; }

// ---------------------------------------------------------------------------
// Virtual keys: SDL key codes to the Windows virtual-key codes WM_KEYDOWN carries
// ---------------------------------------------------------------------------

namespace {

struct KeyPair {
    SDL_Keycode key;
    int virtualKey;
};

constexpr KeyPair kKeyTable[] = {
    {SDLK_BACKSPACE, 0x08}, {SDLK_TAB, 0x09},      {SDLK_RETURN, 0x0D},   {SDLK_LSHIFT, 0x10},
    {SDLK_RSHIFT, 0x10},    {SDLK_LCTRL, 0x11},    {SDLK_RCTRL, 0x11},    {SDLK_LALT, 0x12},
    {SDLK_RALT, 0x12},      {SDLK_PAUSE, 0x13},    {SDLK_CAPSLOCK, 0x14}, {SDLK_ESCAPE, 0x1B},
    {SDLK_SPACE, 0x20},     {SDLK_PAGEUP, 0x21},   {SDLK_PAGEDOWN, 0x22}, {SDLK_END, 0x23},
    {SDLK_HOME, 0x24},      {SDLK_LEFT, 0x25},     {SDLK_UP, 0x26},       {SDLK_RIGHT, 0x27},
    {SDLK_DOWN, 0x28},      {SDLK_INSERT, 0x2D},   {SDLK_DELETE, 0x2E},   {SDLK_KP_0, 0x60},
    {SDLK_KP_1, 0x61},      {SDLK_KP_2, 0x62},     {SDLK_KP_3, 0x63},     {SDLK_KP_4, 0x64},
    {SDLK_KP_5, 0x65},      {SDLK_KP_6, 0x66},     {SDLK_KP_7, 0x67},     {SDLK_KP_8, 0x68},
    {SDLK_KP_9, 0x69},      {SDLK_KP_MULTIPLY, 0x6A}, {SDLK_KP_PLUS, 0x6B}, {SDLK_KP_MINUS, 0x6D},
    {SDLK_KP_PERIOD, 0x6E}, {SDLK_KP_DIVIDE, 0x6F}, {SDLK_KP_ENTER, 0x0D}, {SDLK_SEMICOLON, 0xBA},
    {SDLK_EQUALS, 0xBB},    {SDLK_COMMA, 0xBC},    {SDLK_MINUS, 0xBD},    {SDLK_PERIOD, 0xBE},
    {SDLK_SLASH, 0xBF},     {SDLK_BACKQUOTE, 0xC0}, {SDLK_LEFTBRACKET, 0xDB}, {SDLK_BACKSLASH, 0xDC},
    {SDLK_RIGHTBRACKET, 0xDD}, {SDLK_QUOTE, 0xDE},
};

int VirtualKeyOf(SDL_Keycode key)
{
    if (key >= SDLK_a && key <= SDLK_z) return 'A' + (key - SDLK_a);
    if (key >= SDLK_0 && key <= SDLK_9) return '0' + (key - SDLK_0);
    if (key >= SDLK_F1 && key <= SDLK_F12) return 0x70 + (key - SDLK_F1);
    for (const KeyPair& pair : kKeyTable)
        if (pair.key == key) return pair.virtualKey;
    return 0;
}

SDL_Keycode KeyOfVirtualKey(int virtualKey)
{
    if (virtualKey >= 'A' && virtualKey <= 'Z') return SDLK_a + (virtualKey - 'A');
    if (virtualKey >= '0' && virtualKey <= '9') return SDLK_0 + (virtualKey - '0');
    if (virtualKey >= 0x70 && virtualKey <= 0x7B) return SDLK_F1 + (virtualKey - 0x70);
    for (const KeyPair& pair : kKeyTable)
        if (pair.virtualKey == virtualKey) return pair.key;
    return SDLK_UNKNOWN;
}

// The accelerator table: Alt with the character key '/' or '?'. The '?' is
// the shifted '/' on most layouts, so both arrive with the slash key code.
bool IsAboutAccelerator(const SDL_KeyboardEvent& key)
{
    if ((key.keysym.mod & KMOD_ALT) == 0) return false;
    return key.keysym.sym == SDLK_SLASH || key.keysym.sym == SDLK_QUESTION;
}

// ---------------------------------------------------------------------------
// Creating and destroying
// ---------------------------------------------------------------------------

void SetGlAttributes(bool robust)
{
    SDL_GL_ResetAttributes();
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 4);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 5);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_CORE);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    SDL_GL_SetAttribute(SDL_GL_RED_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, 8);
    // The GPU layer renders into a back buffer of its own and only blits here.
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 0);
    SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, 0);
    SDL_GL_SetAttribute(SDL_GL_MULTISAMPLEBUFFERS, 0);
    // Robust access lets a lost context report itself, so Present can answer
    // "device removed" as the program's recovery path expects.
    if (robust) {
        SDL_GL_SetAttribute(SDL_GL_CONTEXT_FLAGS, SDL_GL_CONTEXT_ROBUST_ACCESS_FLAG);
        SDL_GL_SetAttribute(SDL_GL_CONTEXT_RESET_NOTIFICATION, SDL_GL_CONTEXT_RESET_LOSE_CONTEXT);
    }
}

// The leak checker runs at exit, after the GL driver and Mesa's EGL library
// were unloaded with the last context (or the last failed attempt at one),
// and cannot name the module of their leftover blocks, so no suppression
// matches them. Keeping both loaded lets the suppressions apply. Only in
// leak-checked builds.
void KeepGlDriverLoadedForLeakChecks()
{
#ifdef VESK_LEAK_CHECKED
    dl_iterate_phdr(
        [](dl_phdr_info* info, size_t, void*) -> int {
            const char* name = info->dlpi_name;
            if (name && (std::strstr(name, "/dri/") || std::strstr(name, "libEGL_mesa")))
                dlopen(name, RTLD_NOW | RTLD_NOLOAD | RTLD_NODELETE);
            return 0;
        },
        nullptr);
#endif
}

}  // namespace

Window* CreateMainWindow(const char* title, WindowProc proc, std::string* failure)
{
    auto fail = [failure](const std::string& why) -> Window* {
        if (failure) *failure = why + ": " + SDL_GetError();
        return nullptr;
    };
    // A click that gives the window the focus is a click like any other: SDL
    // would drop one drained together with the focus change, as every click
    // of a slow frame is.
    SDL_SetHint(SDL_HINT_MOUSE_FOCUS_CLICKTHROUGH, "1");
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) return fail("No video");

    SDL_Window* sdl = nullptr;
    SDL_GLContext gl = nullptr;
    for (const bool robust : {true, false}) {
        SetGlAttributes(robust);
        sdl = SDL_CreateWindow(title ? title : kMainWindowTitle, SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED,
                               1024, 768, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN | SDL_WINDOW_ALLOW_HIGHDPI);
        if (!sdl) {
            SDL_QuitSubSystem(SDL_INIT_VIDEO);
            return fail("No window");
        }
        gl = SDL_GL_CreateContext(sdl);
        if (gl) break;
        KeepGlDriverLoadedForLeakChecks();
        SDL_DestroyWindow(sdl);
        sdl = nullptr;
    }
    if (!gl) {
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
        return fail("No OpenGL 4.5 core context");
    }
    SDL_GL_MakeCurrent(sdl, gl);
    GLint profile = 0;
    glGetIntegerv(GL_CONTEXT_PROFILE_MASK, &profile);
    if (epoxy_gl_version() < 45 || (profile & GL_CONTEXT_CORE_PROFILE_BIT) == 0) {
        KeepGlDriverLoadedForLeakChecks();
        SDL_GL_DeleteContext(gl);
        SDL_DestroyWindow(sdl);
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
        if (failure) *failure = "No OpenGL 4.5 core context: the driver offers only version " +
                                std::to_string(epoxy_gl_version());
        return nullptr;
    }

    KeepGlDriverLoadedForLeakChecks();
    Window* window = new Window {sdl, gl, proc};
    LiveWindows().push_back(window);
    ++glGeneration;
    if (!mainWindow) mainWindow = window;
    quitPosted = false;
    cursorKnown = false;
    cursorLeft = false;
    StartStampingEventTimes();
    ::ForgetInputOfEarlierWindows();
    return window;
}

void DestroyMainWindow(Window* window)
{
    if (!IsLive(window)) return;
    SendMessage(window, WM_DESTROY, 0, 0);
    if (SDL_GL_GetCurrentContext() == window->gl) SDL_GL_MakeCurrent(window->sdl, nullptr);
    SDL_GL_DeleteContext(window->gl);
    SDL_DestroyWindow(window->sdl);
    ++glGeneration;
    if (mainWindow == window) mainWindow = nullptr;
    LiveWindows().erase(std::find(LiveWindows().begin(), LiveWindows().end(), window));
    if (LiveWindows().empty()) StopStampingEventTimes();
    delete window;
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
}

// ---------------------------------------------------------------------------
// Messages and the pump
// ---------------------------------------------------------------------------

intptr_t DefWindowProc(Window*, uint32_t, uintptr_t, intptr_t) { return 0; }

intptr_t SendMessage(Window* window, uint32_t message, uintptr_t wParam, intptr_t lParam)
{
    if (!IsLive(window) || !window->proc) return 0;
    return window->proc(window, message, wParam, lParam);
}

void PostQuitMessage(int exitCode)
{
    quitPosted = true;
    quitCode = exitCode;
}

namespace {

void NoteCursor(int windowX, int windowY)
{
    if (!mainWindow) return;
    cursorX = windowX;
    cursorY = windowY;
    cursorKnown = true;
    int width = 0, height = 0;
    SDL_GetWindowSize(mainWindow->sdl, &width, &height);
    if (windowX >= 0 && windowY >= 0 && windowX < width && windowY < height) cursorLeft = false;
}

void HandleEvent(const SDL_Event& event)
{
    // The pointer first, so the input log records each event where the
    // pointer was when it happened.
    switch (event.type) {
    case SDL_MOUSEMOTION: NoteCursor(event.motion.x, event.motion.y); break;
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP: NoteCursor(event.button.x, event.button.y); break;
    case SDL_WINDOWEVENT:
        if (event.window.event == SDL_WINDOWEVENT_LEAVE) cursorLeft = true;
        break;
    default: break;
    }
    ::DispatchEventToInput(event);

    // Closing is the program's decision, never Dear ImGui's.
    if (event.type == SDL_QUIT ||
        (event.type == SDL_WINDOWEVENT && event.window.event == SDL_WINDOWEVENT_CLOSE)) {
        SendMessage(mainWindow, WM_CLOSE, 0, 0);
        return;
    }
    if (event.type == SDL_KEYDOWN) {
        // The accelerators are translated before the window procedure sees
        // the key, as TranslateAcceleratorW does.
        if (IsAboutAccelerator(event.key)) {
            SendMessage(mainWindow, WM_COMMAND, kAboutCommand, 0);
            return;
        }
        if (ImGuiTakesKeys()) return;
        const int virtualKey = VirtualKeyOf(event.key.keysym.sym);
        if (virtualKey != 0) SendMessage(mainWindow, WM_KEYDOWN, static_cast<uintptr_t>(virtualKey), 0);
    }
}

}  // namespace

int PumpMessages(int* exitCode)
{
    SDL_Event event;
    while (!quitPosted && SDL_PollEvent(&event)) HandleEvent(event);
    if (quitPosted) {
        quitPosted = false;
        if (exitCode) *exitCode = quitCode;
        return 0;
    }
    return 1;
}

// ---------------------------------------------------------------------------
// Placement
// ---------------------------------------------------------------------------

void SetWindowStyle(Window* window, WindowStyle style)
{
    if (!IsLive(window)) return;
    // A captioned window is never full screen, and SDL would not size a
    // window that still is: leave it first, so the size set next holds.
    if (style == WindowStyle::Captioned && (SDL_GetWindowFlags(window->sdl) & SDL_WINDOW_FULLSCREEN) != 0)
        SDL_SetWindowFullscreen(window->sdl, 0);
    SDL_SetWindowResizable(window->sdl, SDL_FALSE);
    SDL_SetWindowBordered(window->sdl, style == WindowStyle::Captioned ? SDL_TRUE : SDL_FALSE);
    SDL_ShowWindow(window->sdl);
}

bool GetCaptionFrameSize(Window* window, FrameSize* frame)
{
    if (!IsLive(window) || !frame) return false;
    int top = 0, left = 0, bottom = 0, right = 0;
    if (SDL_GetWindowBordersSize(window->sdl, &top, &left, &bottom, &right) != 0) return false;
    // A window manager reports its frame only once the window is mapped.
    if (top == 0 && left == 0 && bottom == 0 && right == 0) return false;
    *frame = FrameSize {left, top, right, bottom};
    return true;
}

bool GetScreenRect(Window* window, ScreenRect* rect)
{
    if (!rect || SDL_WasInit(SDL_INIT_VIDEO) == 0) return false;
    int display = IsLive(window) ? SDL_GetWindowDisplayIndex(window->sdl) : 0;
    if (display < 0) display = 0;
    SDL_Rect bounds;
    if (SDL_GetDisplayBounds(display, &bounds) != 0) return false;
    *rect = ScreenRect {bounds.x, bounds.y, bounds.w, bounds.h};
    return true;
}

void SetClientRect(Window* window, int x, int y, int width, int height)
{
    if (!IsLive(window)) return;
    SDL_SetWindowSize(window->sdl, width, height);
    SDL_SetWindowPosition(window->sdl, x, y);
}

bool GetClientSize(Window* window, int* width, int* height)
{
    if (!IsLive(window)) return false;
    SDL_GetWindowSize(window->sdl, width, height);
    return true;
}

void ShowMainWindow(Window* window, bool show)
{
    if (!IsLive(window)) return;
    if (show) SDL_ShowWindow(window->sdl);
    else SDL_HideWindow(window->sdl);
}

// ---------------------------------------------------------------------------
// Cursor, painting, About box
// ---------------------------------------------------------------------------

void NoteBackBufferSize(Window* window, int width, int height)
{
    if (!IsLive(window)) return;
    window->backBufferWidth = width;
    window->backBufferHeight = height;
}

bool GetBackBufferSize(Window* window, int* width, int* height)
{
    if (!IsLive(window)) return false;
    int w = window->backBufferWidth, h = window->backBufferHeight;
    if (w <= 0 || h <= 0) SDL_GL_GetDrawableSize(window->sdl, &w, &h);
    if (w <= 0 || h <= 0) return false;
    *width = w;
    *height = h;
    return true;
}

// The picture is stretched over the whole window, so a window position scales
// to the back buffer by the two sizes' ratio on each axis.
bool PointerInBackBuffer(double* x, double* y, bool* inWindow)
{
    if (!cursorKnown || !mainWindow) return false;
    int windowWidth = 0, windowHeight = 0, width = 0, height = 0;
    SDL_GetWindowSize(mainWindow->sdl, &windowWidth, &windowHeight);
    if (!GetBackBufferSize(mainWindow, &width, &height) || windowWidth <= 0 || windowHeight <= 0) return false;
    *x = cursorX * width / windowWidth;
    *y = cursorY * height / windowHeight;
    if (inWindow) *inWindow = !cursorLeft;
    return true;
}

bool GetCursorClientPosition(int* x, int* y)
{
    double backBufferX = 0.0, backBufferY = 0.0;
    if (!PointerInBackBuffer(&backBufferX, &backBufferY, nullptr)) return false;
    if (x) *x = static_cast<int>(std::floor(backBufferX));
    if (y) *y = static_cast<int>(std::floor(backBufferY));
    return true;
}

void FillClientArea(Window* window, uint8_t red, uint8_t green, uint8_t blue)
{
    if (!MakeGlContextCurrent(window)) return;
    int width = 0, height = 0;
    SDL_GL_GetDrawableSize(window->sdl, &width, &height);
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, 0);
    glDisable(GL_SCISSOR_TEST);
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    glViewport(0, 0, width, height);
    gpu::ForgetAppliedGlState();
    glClearColor(red / 255.0f, green / 255.0f, blue / 255.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    SDL_GL_SwapWindow(window->sdl);
}

void ShowAboutBox()
{
    ShowMessageBox("Vesk, Version 1.0\nBuild worlds of blocks, light them and walk through them.", "About Vesk",
                   MB_OK | MB_ICONINFORMATION);
}

// ---------------------------------------------------------------------------
// Synthetic events
// ---------------------------------------------------------------------------

void PushWindowCloseEvent(Window* window)
{
    SDL_Event event {};
    event.type = SDL_WINDOWEVENT;
    event.window.event = SDL_WINDOWEVENT_CLOSE;
    event.window.windowID = IsLive(window) ? SDL_GetWindowID(window->sdl) : 0;
    SDL_PushEvent(&event);
}

void PushQuitEvent()
{
    SDL_Event event {};
    event.type = SDL_QUIT;
    SDL_PushEvent(&event);
}

bool PushKeyDownEvent(Window* window, int virtualKey, bool alt)
{
    const SDL_Keycode key = KeyOfVirtualKey(virtualKey);
    if (key == SDLK_UNKNOWN) return false;
    SDL_Event event {};
    event.type = SDL_KEYDOWN;
    event.key.windowID = IsLive(window) ? SDL_GetWindowID(window->sdl) : 0;
    event.key.state = SDL_PRESSED;
    event.key.keysym.sym = key;
    event.key.keysym.scancode = SDL_GetScancodeFromKey(key);
    event.key.keysym.mod = alt ? KMOD_LALT : KMOD_NONE;
    return SDL_PushEvent(&event) == 1;
}

bool PushKeyUpEvent(Window* window, int virtualKey)
{
    const SDL_Keycode key = KeyOfVirtualKey(virtualKey);
    if (key == SDLK_UNKNOWN) return false;
    SDL_Event event {};
    event.type = SDL_KEYUP;
    event.key.windowID = IsLive(window) ? SDL_GetWindowID(window->sdl) : 0;
    event.key.state = SDL_RELEASED;
    event.key.keysym.sym = key;
    event.key.keysym.scancode = SDL_GetScancodeFromKey(key);
    return SDL_PushEvent(&event) == 1;
}

void PushTextInputEvent(Window* window, const char* text)
{
    SDL_Event event {};
    event.type = SDL_TEXTINPUT;
    event.text.windowID = IsLive(window) ? SDL_GetWindowID(window->sdl) : 0;
    SDL_strlcpy(event.text.text, text ? text : "", sizeof event.text.text);
    SDL_PushEvent(&event);
}

void PushMouseButtonEvent(Window* window, int button, bool down, int x, int y)
{
    SDL_Event event {};
    event.type = down ? SDL_MOUSEBUTTONDOWN : SDL_MOUSEBUTTONUP;
    event.button.windowID = IsLive(window) ? SDL_GetWindowID(window->sdl) : 0;
    event.button.button = static_cast<Uint8>(button == 0 ? SDL_BUTTON_LEFT : button == 1 ? SDL_BUTTON_RIGHT : SDL_BUTTON_MIDDLE);
    event.button.state = down ? SDL_PRESSED : SDL_RELEASED;
    event.button.clicks = 1;
    event.button.x = x;
    event.button.y = y;
    SDL_PushEvent(&event);
}

void PushMouseWheelEvent(Window* window, int notches)
{
    SDL_Event event {};
    event.type = SDL_MOUSEWHEEL;
    event.wheel.windowID = IsLive(window) ? SDL_GetWindowID(window->sdl) : 0;
    event.wheel.y = notches;
    event.wheel.direction = SDL_MOUSEWHEEL_NORMAL;
    SDL_PushEvent(&event);
}

void PushFocusEvent(Window* window, bool gained)
{
    SDL_Event event {};
    event.type = SDL_WINDOWEVENT;
    event.window.windowID = IsLive(window) ? SDL_GetWindowID(window->sdl) : 0;
    event.window.event = gained ? SDL_WINDOWEVENT_FOCUS_GAINED : SDL_WINDOWEVENT_FOCUS_LOST;
    SDL_PushEvent(&event);
}

void PushMouseMotionEvent(Window* window, int x, int y, int dx, int dy)
{
    SDL_Event event {};
    event.type = SDL_MOUSEMOTION;
    event.motion.windowID = IsLive(window) ? SDL_GetWindowID(window->sdl) : 0;
    event.motion.x = x;
    event.motion.y = y;
    event.motion.xrel = dx;
    event.motion.yrel = dy;
    SDL_PushEvent(&event);
}

}  // namespace platform
