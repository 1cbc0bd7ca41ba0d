// The main window in place of Win32's: an SDL2 window that carries the OpenGL
// 4.5 core context the GPU layer draws with, a message pump that turns SDL
// events into the few window messages the program's window procedure handles,
// and the window calls the program makes (style, size, position, screen size,
// cursor position, painting the client area, the About box).
//
// Index
//   - Messages and the window procedure
//   - Creating and destroying the main window
//   - The message pump
//   - Placement: style, screen, client rectangle
//   - Cursor, painting, About box
#pragma once

#include <cstdint>
#include <string>

namespace platform {

struct Window;  // opaque: the SDL window and its GL context

// ---------------------------------------------------------------------------
// Messages and the window procedure
// ---------------------------------------------------------------------------

// The window messages the program handles, with Win32's numbers.
enum WindowMessage : uint32_t {
    WM_DESTROY = 0x0002,
    WM_CLOSE = 0x0010,
    WM_QUIT = 0x0012,
    WM_KEYDOWN = 0x0100,
    WM_COMMAND = 0x0111,
};

// The command that the accelerators Alt+'/' and Alt+'?' send: open the About box.
constexpr uint32_t kAboutCommand = 104;

// The window title and class name of the string table.
constexpr const char* kMainWindowTitle = "Brixel";

// The program's window procedure. WM_KEYDOWN carries a Windows virtual-key
// code in wParam; WM_COMMAND the command in the low word of wParam.
using WindowProc = intptr_t (*)(Window* window, uint32_t message, uintptr_t wParam, intptr_t lParam);

// What a window procedure falls back to; nothing here needs the system's
// default handling, so it answers 0.
intptr_t DefWindowProc(Window* window, uint32_t message, uintptr_t wParam, intptr_t lParam);

// SendMessageW: calls the window's procedure at once and returns its answer;
// 0 when there is no window or no procedure.
intptr_t SendMessage(Window* window, uint32_t message, uintptr_t wParam, intptr_t lParam);

// PostQuitMessage: the next PumpMessages reports WM_QUIT with this code.
void PostQuitMessage(int exitCode);

// ---------------------------------------------------------------------------
// Creating and destroying the main window
// ---------------------------------------------------------------------------

// Starts SDL video, sets the GL attributes (4.5 core, double-buffered, no
// depth in the window's own framebuffer: the GPU layer owns the back buffer)
// and creates a hidden window with its GL context, current on this thread.
// The first window created becomes the main window. Null on failure, with the
// reason in `failure` (no video, no window, or no OpenGL 4.5 core context).
Window* CreateMainWindow(const char* title, WindowProc proc, std::string* failure);

// DestroyWindow: sends WM_DESTROY to the procedure, then frees the GL context
// and the window. GPU objects made in that context must be released first.
void DestroyMainWindow(Window* window);

// The main window, or null.
Window* GetMainWindow();

// ---------------------------------------------------------------------------
// The message pump
// ---------------------------------------------------------------------------

// Drains every pending event. Each event goes to Dear ImGui's back end
// first (when its context and back end are up) and to the input layer; the
// cursor position is updated; then the event becomes at most one message for
// the main window's procedure:
//   window close and SDL quit  -> WM_CLOSE (always, whatever Dear ImGui says)
//   Alt+'/' or Alt+'?'          -> WM_COMMAND with kAboutCommand (the accelerators)
//   other key-downs             -> WM_KEYDOWN with the virtual key, unless Dear ImGui took it
// Returns 0 when a quit was posted (PostQuitMessage; its code in `exitCode`),
// otherwise 1. Never waits.
int PumpMessages(int* exitCode);

// ---------------------------------------------------------------------------
// Placement: style, screen, client rectangle
// ---------------------------------------------------------------------------

enum class WindowStyle {
    Captioned,  // windowed: caption and system menu, not resizable
    Popup,      // borderless, for a window that covers the monitor
};

// Sets the style and makes the window visible (WS_VISIBLE is part of both styles).
void SetWindowStyle(Window* window, WindowStyle style);

// The frame around the client area of a captioned window (AdjustWindowRect).
struct FrameSize {
    int left = 0, top = 0, right = 0, bottom = 0;
};
// False when the system cannot tell (no window manager, window not mapped yet).
bool GetCaptionFrameSize(Window* window, FrameSize* frame);

// The rectangle of the display the window is on (the primary display without
// a window); its size is GetDeviceCaps' HORZRES/VERTRES.
struct ScreenRect {
    int x = 0, y = 0, width = 0, height = 0;
};
bool GetScreenRect(Window* window, ScreenRect* rect);

// Places the client area at (x, y) on the desktop with the given size.
void SetClientRect(Window* window, int x, int y, int width, int height);
// GetClientRect: the client size (window coordinates).
bool GetClientSize(Window* window, int* width, int* height);

// ShowWindow / UpdateWindow.
void ShowMainWindow(Window* window, bool show);

// ---------------------------------------------------------------------------
// Cursor, painting, About box
// ---------------------------------------------------------------------------

// GetCursorPos + ScreenToClient: the last cursor position seen in drained
// mouse events, in pixels of the back buffer the program draws: the picture
// is scaled to whatever size the window has (full screen at another mode,
// a window resized by the system), and the pointer with it. False until the
// pump has seen one.
bool GetCursorClientPosition(int* x, int* y);

// Paints the whole client area with one colour and shows it (BeginPaint with
// a stock brush). Leaves no GL binding the GPU layer relies on.
void FillClientArea(Window* window, uint8_t red, uint8_t green, uint8_t blue);

// The About box: "About Vesk" with "Vesk, Version 1.0" and a second line, as a
// message box (written to stderr where boxes are suppressed).
void ShowAboutBox();

}  // namespace platform
