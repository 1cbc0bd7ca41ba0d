// What the rest of the platform layer (the GPU layer, Dear ImGui's back ends,
// the input layer) needs of a window: its SDL handle and GL context. Only
// src/platform/ includes this.
#pragma once

#include <SDL.h>
#include <cstdint>

#include "platform/window.h"

namespace platform {

SDL_Window* SdlWindowOf(Window* window);
SDL_GLContext GlContextOf(Window* window);

// Makes the window's GL context current; false when it has none.
bool MakeGlContextCurrent(Window* window);

// After the GL context was lost (a GPU reset), replaces it with a new one for
// the same window; every GL object of the old one is gone. False when no new
// context could be made.
bool RecreateGlContext(Window* window);

// Counts GL contexts made and destroyed. A GL object remembers the generation
// it was made in and deletes its name only while that generation is current,
// so releasing a GPU object after its context went away is harmless.
uint32_t GlContextGeneration();

// The size of the back buffer the swap chain presents into the window, noted
// by the swap chain whenever it makes one. Until then (or for another window)
// the back buffer is taken to be the window's drawable size.
void NoteBackBufferSize(Window* window, int width, int height);
bool GetBackBufferSize(Window* window, int* width, int* height);

// The one mapping from the window to the back buffer: the last pointer
// position of the main window's events in back-buffer pixels (not rounded).
// `inWindow` tells whether the pointer has not left the window since. False
// until the pump has seen a position.
bool PointerInBackBuffer(double* x, double* y, bool* inWindow);

}  // namespace platform
