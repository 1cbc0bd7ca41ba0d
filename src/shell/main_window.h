// The main window as the program's own code sees it: the running flag of the
// main loop, the window procedure, and closing the window by message.
#pragma once

#include <cstdint>

namespace platform {
struct Window;
}

// The main loop runs while this is non-zero; closing the window clears it.
extern int Running;

// The window procedure: WM_CLOSE clears the running flag (the window stays;
// the loop ends after the current pass), WM_DESTROY posts the quit message,
// W/A/S/D key-downs are swallowed (they reach the game through the input
// layer), command 104 opens the About box.
intptr_t MainWndProc(platform::Window* window, uint32_t message, uintptr_t wParam, intptr_t lParam);

// SendMessageW(WM_CLOSE) to the main window: handled at once by the window
// procedure. Without a window the running flag is cleared directly.
void SendCloseToMainWindow();
