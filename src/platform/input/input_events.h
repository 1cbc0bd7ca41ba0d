// The entry from the window's message loop into the input layer: every drained
// SDL event goes through here, so keyboard, mouse and focus state follow the
// events themselves (pushed test events and real ones alike). Platform-internal.
#pragma once

#include <SDL.h>

// Key down/up by scancode, mouse motion, buttons and wheel, and window focus.
// Other events are ignored. Main thread only.
void DispatchEventToInput(const SDL_Event& event);
