// Confirmations (modal popups that ask before something is done) placed so
// that none of their answers lies under the pointer whose click opened them.
#pragma once

// ImGui::BeginPopupModal for a confirmation (auto-resizing): it appears
// centred across the screen, but above or below the point where the click
// that opened it was pressed, clear of it. ImGui::EndPopup when true.
bool BeginConfirmation(const char* name);
