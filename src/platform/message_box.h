// MessageBoxW in place: every message the program shows goes through
// ShowMessageBox. It is an SDL message box over the main window when one can
// be shown; otherwise the text goes to stderr and to the fallback the program
// registered (its log, and a notice in its own window), and a question takes
// its negative answer. Tests suppress boxes, which takes that second road, so
// no test ever blocks on a box.
#pragma once

#include <functional>
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

// The button pressed. A box that cannot be shown, or that closes without a
// button, answers IDOK for MB_OK, IDCANCEL for MB_OKCANCEL and IDNO for
// MB_YESNO: never the affirmative answer of a question.
int ShowMessageBox(const std::string& text, const std::string& caption, unsigned kind);

// Receives every message no box could show; null for none.
using MessageBoxFallback = void (*)(const std::string& text, const std::string& caption);
void SetMessageBoxFallback(MessageBoxFallback fallback);

void SetMessageBoxesSuppressed(bool suppressed);
// Tests: answers in place of the system's box, as a user who saw it; it may
// push the events that user makes meanwhile. Empty (the default) shows the
// system's boxes.
using MessageBoxStandIn = std::function<int(const std::string& text, unsigned kind)>;
void SetMessageBoxStandIn(MessageBoxStandIn standIn);
// The last text shown or suppressed, so tests can check what the user was told.
const std::string& LastMessageBoxText();

}  // namespace platform
