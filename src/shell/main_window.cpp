#include "shell/main_window.h"

#include "platform/window.h"

int Running = 1;

intptr_t MainWndProc(platform::Window* window, uint32_t message, uintptr_t wParam, intptr_t lParam)
{
    switch (message) {
    case platform::WM_CLOSE:
        Running = 0;
        return 0;
    case platform::WM_DESTROY:
        platform::PostQuitMessage(0);
        return 0;
    case platform::WM_KEYDOWN:
        if (wParam == 'W' || wParam == 'A' || wParam == 'S' || wParam == 'D') return 0;
        return platform::DefWindowProc(window, message, wParam, lParam);
    case platform::WM_COMMAND:
        if ((wParam & 0xFFFF) == platform::kAboutCommand) {
            platform::ShowAboutBox();
            return 0;
        }
        return platform::DefWindowProc(window, message, wParam, lParam);
    default:
        return platform::DefWindowProc(window, message, wParam, lParam);
    }
}

void SendCloseToMainWindow()
{
    if (platform::Window* window = platform::GetMainWindow())
        platform::SendMessage(window, platform::WM_CLOSE, 0, 0);
    else
        Running = 0;
}
