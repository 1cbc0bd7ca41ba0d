#include "ui/opening_clicks.h"

#include <imgui.h>
#include <imgui_internal.h>

#include "ui/notices.h"

namespace {

// Two left presses less than this apart are one double click, as in the
// scene (seconds on Dear ImGui's clock).
constexpr double kDoubleClickSeconds = 0.5;
// How far a confirmation stays from the press that opened it, in pixels.
constexpr float kClearance = 40.0f;

struct Guard {
    ImGuiContext* context = nullptr;  // the times below are this context's
    uint64_t shown = 0;       // what the frame began with
    double openedAt = -1.0;   // when the opening click was pressed; below 0: nothing opened yet
    ImVec2 openedPos;         // where it was pressed
    bool firstFrame = false;  // the coming frame is the first to draw what was opened
    bool ignoring = false;    // a press taken from Dear ImGui, until its release
};
Guard guard;

// The times are a context's own: the guard starts afresh with each context
// and forgets one as it is destroyed (whose address a new one may take).
void ForgetContext(ImGuiContext* context, ImGuiContextHook*)
{
    if (guard.context == context) guard = Guard{};
}

void FollowCurrentContext()
{
    ImGuiContext* context = ImGui::GetCurrentContext();
    if (guard.context == context) return;
    guard = Guard{context};
    ImGuiContextHook hook;
    hook.Type = ImGuiContextHookType_Shutdown;
    hook.Callback = ForgetContext;
    ImGui::AddContextHook(context, &hook);
}

// The caller's number with the modal popup on top and the notices waiting.
uint64_t WhatIsShown(uint64_t shown)
{
    const ImGuiWindow* modal = ImGui::GetTopMostPopupModal();
    uint64_t key = shown;
    key = key * 1000003u ^ (modal ? modal->ID : 0u);
    key = key * 1000003u ^ WaitingNotices();
    return key;
}

// A press soon after the opening one and where it was is the second half of
// a double click; a press elsewhere is aimed at what was opened.
bool SecondPressOfTheOpeningClick(const ImGuiIO& io)
{
    const ImVec2 offset(io.MouseClickedPos[0].x - guard.openedPos.x, io.MouseClickedPos[0].y - guard.openedPos.y);
    const float reach = io.MouseDoubleClickMaxDist;
    return io.MouseClickedTime[0] - guard.openedAt < kDoubleClickSeconds &&
           offset.x * offset.x + offset.y * offset.y <= reach * reach;
}

}  // namespace

void IgnorePressesOfTheOpeningClick(uint64_t shown)
{
    FollowCurrentContext();
    ImGuiIO& io = ImGui::GetIO();
    // A press the first frame sees was made before the user could see what
    // it would land on; a later one within a double click still follows
    // the opening press.
    if (io.MouseClicked[0] && guard.openedAt >= 0.0 &&
        (guard.firstFrame || SecondPressOfTheOpeningClick(io)))
        guard.ignoring = true;
    guard.firstFrame = false;
    if (guard.ignoring) {
        io.MouseClicked[0] = false;
        io.MouseDoubleClicked[0] = false;
        if (io.MouseReleased[0] || !io.MouseDown[0]) {
            io.MouseReleased[0] = false;
            guard.ignoring = false;
        }
    }
    guard.shown = WhatIsShown(shown);
}

void NoteWhatTheClickOpened(uint64_t shown)
{
    const ImGuiIO& io = ImGui::GetIO();
    if (guard.context != ImGui::GetCurrentContext()) return;
    // Buttons act when released, pictures and lists may act when pressed.
    const bool clicked = io.MouseClicked[0] || io.MouseReleased[0];
    if (!clicked || WhatIsShown(shown) == guard.shown) return;
    guard.openedAt = io.MouseClickedTime[0];
    guard.openedPos = io.MouseClickedPos[0];
    guard.firstFrame = true;
}

bool BeginConfirmation(const char* name)
{
    if (!ImGui::IsPopupOpen(name)) return false;
    const ImVec2 centre = ImGui::GetMainViewport()->GetCenter();
    const ImVec2 press = ImGui::GetIO().MouseClickedPos[0];
    // Applied as the popup appears (and again once its size is known).
    if (press.y < centre.y)
        ImGui::SetNextWindowPos(ImVec2(centre.x, press.y + kClearance), ImGuiCond_Appearing, ImVec2(0.5f, 0.0f));
    else
        ImGui::SetNextWindowPos(ImVec2(centre.x, press.y - kClearance), ImGuiCond_Appearing, ImVec2(0.5f, 1.0f));
    return ImGui::BeginPopupModal(name, nullptr, ImGuiWindowFlags_AlwaysAutoResize);
}
