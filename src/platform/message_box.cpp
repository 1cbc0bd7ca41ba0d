#include "platform/message_box.h"

#include <SDL.h>

#include <cstdio>
#include <cstring>
#include <utility>

#include "platform/clock.h"
#include "platform/input/input_log.h"
#include "platform/window.h"
#include "platform/window_internal.h"

namespace platform {

namespace {

bool suppressed = false;
std::string lastText;
MessageBoxFallback fallback = nullptr;
MessageBoxStandIn standIn;

// SDL's drivers without a screen would hand the box to whatever display the
// environment names, or fail: neither is a box over this program.
bool DisplayAvailable()
{
    if (SDL_WasInit(SDL_INIT_VIDEO) == 0 || SDL_GetNumVideoDisplays() <= 0) return false;
    const char* driver = SDL_GetCurrentVideoDriver();
    return driver && std::strcmp(driver, "offscreen") != 0 && std::strcmp(driver, "dummy") != 0;
}

// The answer of a box the user never saw.
int NegativeAnswer(unsigned kind)
{
    switch (kind & 0xF) {
    case MB_YESNO: return IDNO;
    case MB_OKCANCEL: return IDCANCEL;
    default: return IDOK;
    }
}

// True when the box was shown; `pressed` is then the button's id, or -1
// when it was closed without one.
bool ShowSdlBox(const std::string& text, const std::string& caption, unsigned kind, int& pressed,
                std::string& failure)
{
    Uint32 flags = SDL_MESSAGEBOX_INFORMATION;
    if ((kind & 0xF0) == MB_ICONERROR) flags = SDL_MESSAGEBOX_ERROR;
    else if ((kind & 0xF0) == MB_ICONWARNING) flags = SDL_MESSAGEBOX_WARNING;

    SDL_MessageBoxButtonData buttons[2]{};
    int count = 2;
    switch (kind & 0xF) {
    case MB_YESNO:
        buttons[0] = {SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT, IDYES, "Yes"};
        buttons[1] = {SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT, IDNO, "No"};
        break;
    case MB_OKCANCEL:
        buttons[0] = {SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT, IDOK, "OK"};
        buttons[1] = {SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT, IDCANCEL, "Cancel"};
        break;
    default:
        buttons[0] = {SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT | SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT, IDOK, "OK"};
        count = 1;
        break;
    }
    // Over the main window, so that it comes up in front of it, also when
    // the window covers the whole screen.
    const SDL_MessageBoxData data{flags, SdlWindowOf(GetMainWindow()), caption.c_str(), text.c_str(),
                                  count, buttons, nullptr};
    pressed = -1;
    if (SDL_ShowMessageBox(&data, &pressed) == 0) return true;
    failure = SDL_GetError();
    return false;
}

}  // namespace

int ShowMessageBox(const std::string& text, const std::string& caption, unsigned kind)
{
    lastText = text;
    std::string failure = suppressed ? "suppressed" : "no display";
    int pressed = -1;
    bool shown = false;
    const uint32_t shownAt = TimeGetTime();
    if (standIn) {
        pressed = standIn(text, kind);
        shown = true;
    } else {
        shown = !suppressed && DisplayAvailable() && ShowSdlBox(text, caption, kind, pressed, failure);
    }
    if (shown) {
        // A box is modal, but under X11 the main window behind it stays
        // enabled: it keeps the keyboard when no window manager hands it to
        // the box, takes clicks and sees the mouse move, and all of it waits
        // to be drained until the box is gone. The user was answering the
        // box alone (Windows disables a box's owner for that time), so what
        // was done meanwhile is dropped, and only that.
        SilenceInputMadeBetween(shownAt, TimeGetTime());
        return pressed == -1 ? NegativeAnswer(kind) : pressed;
    }

    std::fprintf(stderr, "%s: %s (no message box: %s)\n", caption.c_str(), text.c_str(), failure.c_str());
    if (fallback) fallback(text, caption);
    return NegativeAnswer(kind);
}

void SetMessageBoxFallback(MessageBoxFallback value) { fallback = value; }

void SetMessageBoxesSuppressed(bool value) { suppressed = value; }

void SetMessageBoxStandIn(MessageBoxStandIn value) { standIn = std::move(value); }

const std::string& LastMessageBoxText() { return lastText; }

}  // namespace platform
