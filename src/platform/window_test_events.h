// Synthetic events for tests and scripted runs: they go through SDL's queue,
// so the pump sees them exactly like real ones under any video driver.
#pragma once

namespace platform {

struct Window;

void PushWindowCloseEvent(Window* window);
void PushQuitEvent();
// A key press by Windows virtual-key code ('A', '/' as VK_OEM_2 0xBF, ...);
// `alt` holds Alt down with it. False for a key the event table does not know.
bool PushKeyDownEvent(Window* window, int virtualKey, bool alt);
// The release of a key pressed with PushKeyDownEvent; until then it is held.
bool PushKeyUpEvent(Window* window, int virtualKey);
// The text a key press types (UTF-8), as the system sends it after the key.
void PushTextInputEvent(Window* window, const char* text);
// The window gaining or losing the keyboard focus.
void PushFocusEvent(Window* window, bool gained);
// A mouse move to (x, y) in window coordinates, by (dx, dy) (what an
// exclusive mouse turns the camera by).
void PushMouseMotionEvent(Window* window, int x, int y, int dx = 0, int dy = 0);
// A press (down) or release of mouse button 0 left, 1 right or 2 middle at
// (x, y) in window coordinates.
void PushMouseButtonEvent(Window* window, int button, bool down, int x, int y);
// A turn of the wheel by `notches`, positive away from the user, wherever
// the pointer is.
void PushMouseWheelEvent(Window* window, int notches);

}  // namespace platform
