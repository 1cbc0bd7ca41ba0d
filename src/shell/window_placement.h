// Sizing and placing the main window from the startup setup: windowed, the
// client area is screenWidth x screenHeight, centred on its display, under a
// caption; full screen, a borderless window covers the display. Also the
// user-interface font scale that follows the screen width.
#pragma once

#include <cstdint>

#include "platform/window.h"

struct PlacementInput {
    int windowed = 1;
    int clientWidth = 0;   // the setup's screenWidth
    int clientHeight = 0;  // the setup's screenHeight
    platform::ScreenRect screen;
    bool frameKnown = false;  // false: AdjustWindowRect failed, the fallback frame is used
    platform::FrameSize frame;
};

struct WindowPlacement {
    int outerX = 0, outerY = 0, outerWidth = 0, outerHeight = 0;  // the window with its frame
    int clientX = 0, clientY = 0, clientWidth = 0, clientHeight = 0;
};

// The placement maths alone. Windowed: the outer size is the client size
// plus the frame (+6 / +25 when the frame is unknown); x = screen width / 2 -
// client width / 2 and y likewise, each raised to 0 when negative, so a window
// larger than the screen sits at its top-left corner. Full screen: the screen.
WindowPlacement ComputeWindowPlacement(const PlacementInput& input);

// A usable window size: each side 1..16384 (what a GPU surface can be).
bool ValidWindowSize(int32_t width, int32_t height);
// Replaces an unusable size by the default size; true when it did.
bool SanitizeWindowSize(int32_t* width, int32_t* height);

// Gives the main window the frame, size and place the setup asks for and
// paints the client area (black windowed, grey full screen). Windowed, when the
// system gives a different client size, screenWidth / screenHeight take the
// size obtained. Returns 1.
int PlaceMainWindow();
// The size and position of PlaceMainWindow alone: no style, no painting, no
// read-back. Returns 1.
int MoveMainWindow();

// The scale of the user-interface fonts: screenWidth / 1440 within [0.9, 10].
float FontScaleForScreenWidth(int screenWidth);
