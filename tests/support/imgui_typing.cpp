#include "support/imgui_typing.h"

#include <imgui_internal.h>

namespace testing_support {

namespace {
constexpr int kEnterKeyIndex = 13;
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

void PressEnter(ImGuiTestFrame& ui, const std::function<void()>& draw)
{
    ImGuiIO& io = ImGui::GetIO();
    if (io.KeyMap[ImGuiKey_Enter] < 0) io.KeyMap[ImGuiKey_Enter] = kEnterKeyIndex;
    const int key = io.KeyMap[ImGuiKey_Enter];
    io.KeysDown[key] = true;
    ui.Frame(draw);
    io.KeysDown[key] = false;
    ui.Frame(draw);
}

}  // namespace testing_support
