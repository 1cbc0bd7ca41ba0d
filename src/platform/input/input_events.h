// The entry from the window's message loop into the input layer: every drained
// SDL event goes through here, is recorded in the input log (input_log.h) and
// reaches the devices as recorded, so keyboard, mouse and focus state follow
// the events themselves (pushed test events and real ones alike).
// Platform-internal.
#pragma once

#include <SDL.h>

// Key down/up by scancode, mouse motion, buttons and wheel, typed text, the
// pointer leaving the window and window focus. Other events are ignored.
// The window notes where the pointer is before it hands an event over; the
// event carries its stamp (event_times.h).
// Main thread only.
void DispatchEventToInput(const SDL_Event& event);

// A new main window has seen no input: what earlier windows' events left
// held (and the log of them) is forgotten. Devices keep their own state.
void ForgetInputOfEarlierWindows();
