// MessageBoxW in place: an SDL message box when a display is up, otherwise a
// line on stderr. Tests suppress boxes so none ever blocks a run.
#pragma once

#include <string>

namespace platform {

enum MessageBoxKind : unsigned {
    MB_OK = 0x0,
    MB_OKCANCEL = 0x1,
    MB_YESNO = 0x4,
    MB_ICONERROR = 0x10,
    MB_ICONWARNING = 0x30,
    MB_ICONINFORMATION = 0x40,
};

enum MessageBoxResult : int { IDOK = 1, IDCANCEL = 2, IDYES = 6, IDNO = 7 };

// Returns the button pressed; without a display the first (affirmative) one.
int ShowMessageBox(const std::string& text, const std::string& caption, unsigned kind);

void SetMessageBoxesSuppressed(bool suppressed);
// The last text shown or suppressed, so tests can check what the user was told.
const std::string& LastMessageBoxText();

}  // namespace platform
