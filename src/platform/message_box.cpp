#include "platform/message_box.h"

#include <SDL.h>
#include <cstdio>

namespace platform {

namespace {

bool suppressed = false;
std::string lastText;

bool DisplayAvailable() { return SDL_WasInit(SDL_INIT_VIDEO) != 0 && SDL_GetNumVideoDisplays() > 0; }

}  // namespace

int ShowMessageBox(const std::string& text, const std::string& caption, unsigned kind)
{
    lastText = text;
    const bool yesNo = (kind & 0xF) == MB_YESNO;
    const bool okCancel = (kind & 0xF) == MB_OKCANCEL;
    const int affirmative = yesNo ? IDYES : IDOK;
    if (suppressed || !DisplayAvailable()) {
        std::fprintf(stderr, "%s: %s\n", caption.c_str(), text.c_str());
        return affirmative;
    }

    Uint32 flags = SDL_MESSAGEBOX_INFORMATION;
    if ((kind & 0xF0) == MB_ICONERROR) flags = SDL_MESSAGEBOX_ERROR;
    else if ((kind & 0xF0) == MB_ICONWARNING) flags = SDL_MESSAGEBOX_WARNING;

    SDL_MessageBoxButtonData buttons[2] {};
    int count = 1;
    if (yesNo) {
        buttons[0] = {SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT, IDYES, "Yes"};
        buttons[1] = {SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT, IDNO, "No"};
        count = 2;
    } else if (okCancel) {
        buttons[0] = {SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT, IDOK, "OK"};
        buttons[1] = {SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT, IDCANCEL, "Cancel"};
        count = 2;
    } else {
        buttons[0] = {SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT | SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT, IDOK, "OK"};
    }
    const SDL_MessageBoxData data {flags, nullptr, caption.c_str(), text.c_str(), count, buttons, nullptr};
    int pressed = affirmative;
    if (SDL_ShowMessageBox(&data, &pressed) != 0) {
        std::fprintf(stderr, "%s: %s\n", caption.c_str(), text.c_str());
        return affirmative;
    }
    return pressed;
}

void SetMessageBoxesSuppressed(bool value) { suppressed = value; }

const std::string& LastMessageBoxText() { return lastText; }

}  // namespace platform
