#include "ui/confirmations.h"

#include <imgui.h>

namespace {

// How far a confirmation stays from the press that opened it, in pixels.
constexpr float kClearance = 40.0f;

}  // namespace

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
