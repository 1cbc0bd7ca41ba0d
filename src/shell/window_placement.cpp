#include "shell/window_placement.h"

#include <algorithm>

#include "shell/settings.h"

namespace {

// A GPU surface is at most this many pixels on a side.
constexpr int32_t kLargestWindowSide = 16384;

// Without a frame size from the system: a thin border and a caption.
constexpr platform::FrameSize kFallbackFrame {3, 22, 3, 3};

PlacementInput InputFromSetup(platform::Window* window)
{
    PlacementInput input;
    input.windowed = Settings.windowed;
    input.clientWidth = Settings.screenWidth;
    input.clientHeight = Settings.screenHeight;
    if (!platform::GetScreenRect(window, &input.screen))
        input.screen = platform::ScreenRect {0, 0, Settings.screenWidth, Settings.screenHeight};
    if (Settings.windowed) input.frameKnown = platform::GetCaptionFrameSize(window, &input.frame);
    return input;
}

}  // namespace

WindowPlacement ComputeWindowPlacement(const PlacementInput& input)
{
    WindowPlacement placement;
    if (!input.windowed) {
        placement.outerX = placement.clientX = input.screen.x;
        placement.outerY = placement.clientY = input.screen.y;
        placement.outerWidth = placement.clientWidth = input.screen.width;
        placement.outerHeight = placement.clientHeight = input.screen.height;
        return placement;
    }
    const platform::FrameSize frame = input.frameKnown ? input.frame : kFallbackFrame;
    placement.clientWidth = input.clientWidth;
    placement.clientHeight = input.clientHeight;
    placement.outerWidth = input.clientWidth + frame.left + frame.right;
    placement.outerHeight = input.clientHeight + frame.top + frame.bottom;
    // Integer halves round toward zero, as the program computes them.
    const int x = std::max(input.screen.width / 2 - input.clientWidth / 2, 0);
    const int y = std::max(input.screen.height / 2 - input.clientHeight / 2, 0);
    placement.outerX = input.screen.x + x;
    placement.outerY = input.screen.y + y;
    placement.clientX = placement.outerX + frame.left;
    placement.clientY = placement.outerY + frame.top;
    return placement;
}

bool ValidWindowSize(int32_t width, int32_t height)
{
    return width > 0 && height > 0 && width <= kLargestWindowSide && height <= kLargestWindowSide;
}

bool SanitizeWindowSize(int32_t* width, int32_t* height)
{
    if (ValidWindowSize(*width, *height)) return false;
    const StartupSetup defaults;
    *width = defaults.screenWidth;
    *height = defaults.screenHeight;
    return true;
}

int PlaceMainWindow()
{
    platform::Window* window = platform::GetMainWindow();
    if (!window) return 1;
    SanitizeWindowSize(&Settings.screenWidth, &Settings.screenHeight);
    if (Settings.windowed) {
        platform::SetWindowStyle(window, platform::WindowStyle::Captioned);
        const WindowPlacement placement = ComputeWindowPlacement(InputFromSetup(window));
        platform::SetClientRect(window, placement.clientX, placement.clientY, placement.clientWidth,
                                placement.clientHeight);
        // The system may not honour the size (larger than the screen): the
        // setup keeps what was obtained, and that is what is saved at exit.
        int width = 0, height = 0;
        if (platform::GetClientSize(window, &width, &height) && ValidWindowSize(width, height) &&
            (width != Settings.screenWidth || height != Settings.screenHeight)) {
            Settings.screenWidth = width;
            Settings.screenHeight = height;
        }
        platform::FillClientArea(window, 0, 0, 0);
    } else {
        platform::SetWindowStyle(window, platform::WindowStyle::Popup);
        const WindowPlacement placement = ComputeWindowPlacement(InputFromSetup(window));
        platform::SetClientRect(window, placement.clientX, placement.clientY, placement.clientWidth,
                                placement.clientHeight);
        platform::FillClientArea(window, 128, 128, 128);
    }
    return 1;
}

int MoveMainWindow()
{
    platform::Window* window = platform::GetMainWindow();
    if (!window) return 1;
    SanitizeWindowSize(&Settings.screenWidth, &Settings.screenHeight);
    const WindowPlacement placement = ComputeWindowPlacement(InputFromSetup(window));
    platform::SetClientRect(window, placement.clientX, placement.clientY, placement.clientWidth,
                            placement.clientHeight);
    return 1;
}

float FontScaleForScreenWidth(int screenWidth)
{
    return std::clamp(static_cast<float>(screenWidth) / 1440.0f, 0.9f, 10.0f);
}
