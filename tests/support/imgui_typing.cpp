#include "support/imgui_typing.h"

#include <imgui_internal.h>

namespace testing_support {

namespace {
// Keys a test gives the map sit here, clear of the ones a back end would use.
constexpr int kFirstFreeKeyIndex = 256;
}

void FocusForTyping(ImGuiTestFrame& ui, const char* windowName, std::initializer_list<IdPart> path,
                    const std::function<void()>& draw)
{
    ui.Click(windowName, path);
    // What keyboard navigation asks of a slider when the user presses Enter
    // on it: its text entry rather than tweaking.
    ImGui::GetCurrentContext()->NavNextActivateFlags = ImGuiActivateFlags_PreferInput;
    ui.Frame(draw);
    ui.Frame(draw);
}

void TypeAndFrame(ImGuiTestFrame& ui, const char* text, const std::function<void()>& draw)
{
    ImGui::GetIO().AddInputCharactersUTF8(text);
    ui.Frame(draw);
}

void EndTyping(ImGuiTestFrame& ui, const std::function<void()>& draw)
{
    ImGui::ClearActiveID();
    ui.Frame(draw);
}

void PressKey(ImGuiTestFrame& ui, int imguiKey, const std::function<void()>& draw)
{
    ImGuiIO& io = ImGui::GetIO();
    if (io.KeyMap[imguiKey] < 0) io.KeyMap[imguiKey] = kFirstFreeKeyIndex + imguiKey;
    const int key = io.KeyMap[imguiKey];
    io.KeysDown[key] = true;
    ui.Frame(draw);
    io.KeysDown[key] = false;
    ui.Frame(draw);
}

}  // namespace testing_support
