// The controls screen's working state in the front end, and the table of the
// 52 rebindable actions in the order the screen lists them.
#pragma once

#include <cstdint>

// One row of the controls screen: what the user reads and the key slot of
// CGame it edits. Rows go in slot order up to 47; the last four swap pairs:
// rows 48-51 hold slots 50, 51, 48, 49.
struct ControlAction {
    const char* label;
    int32_t slot;
};
constexpr int kControlActionCount = 52;
extern const ControlAction kControlActions[kControlActionCount];

// Kept by the menu for the whole run, so a rebinding half done survives
// leaving the screen and coming back.
struct ControlsScreenState {
    int32_t selectedAction = -1;  // the row being rebound, -1 none
    int32_t capturedCode = -1;    // the first key seen down since the row was clicked, -1 none
    // timeGetTime of the last assignment or dialog frame: a row click within
    // 500 ms of it is ignored, so the click that closes a dialog does not
    // select the row under it.
    uint32_t lastAssignmentTime = 0;
};
