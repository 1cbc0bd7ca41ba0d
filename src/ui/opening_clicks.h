// A click acts once, on what the user aimed it at. A click that opens a
// screen, a dialog, a confirmation or a notice must not also act on what
// then appears under the pointer: the second press of a double click (fast
// or slow) on the button that opened it, or any press made before the new
// screen was even drawn, still belongs to the opening click.
//
// Both interface frames (the front end's and the scene's) run the guard
// around their windows, with a number that tells what they show (a screen,
// the dialogs open); the guard adds the modal popup on top and the notices
// waiting. When that changes during a frame in which the left button went
// down or up, the click of that frame opened it.
#pragma once

#include <cstdint>

// After ImGui::NewFrame, before any window: a left press that belongs to the
// click that opened what is shown now is taken from Dear ImGui, press and
// release, so no item acts on it.
void IgnorePressesOfTheOpeningClick(uint64_t shown);

// After the last window, before ImGui::Render.
void NoteWhatTheClickOpened(uint64_t shown);

// ImGui::BeginPopupModal for a confirmation (auto-resizing): it appears
// centred across the screen, but above or below the point where the click
// that opened it was pressed, clear of it, so that none of its answers lies
// under the pointer that opened it. ImGui::EndPopup when true.
bool BeginConfirmation(const char* name);
