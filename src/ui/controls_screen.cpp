// The controls screen (front-end screen 6): the 52 actions with the input
// bound to each; a click on a row and a key press rebind it, "Default" puts
// every binding back. Changes go straight into CGame's key slots, which the
// settings file stores at exit.
#include <imgui.h>

#include <algorithm>
#include <cstdio>

#include "input/input.h"
#include "platform/clock.h"
#include "shell/game.h"
#include "shell/settings.h"
#include "ui/editor_widgets.h"
#include "ui/front_end_window.h"
#include "ui/input_code_names.h"
#include "ui/menu.h"
#include "ui/confirmations.h"

const ControlAction kControlActions[kControlActionCount] = {
    {"Forward", 0},
    {"Backward", 1},
    {"Left", 2},
    {"Right", 3},
    {"Up", 4},
    {"Down", 5},
    {"Jump", 6},
    {"Fly Camera", 7},
    {"Move Selected Object Front", 8},
    {"Move Selected Object Back", 9},
    {"Move Selected Object Left", 10},
    {"Move Selected Object Right", 11},
    {"Move Selected Object Up", 12},
    {"Move Selected Object Down", 13},
    {"None Tool", 14},
    {"Tool 1", 15},
    {"Tool 2", 16},
    {"Tool 3", 17},
    {"Tool 4", 18},
    {"Tool 5", 19},
    {"Tool 6", 20},
    {"Tool 7", 21},
    {"Tool 8", 22},
    {"Tool 9", 23},
    {"Tool 10", 24},
    {"Create New Object", 25},
    {"Delete Picked Object", 26},
    {"Apply Relative Impulse", 27},
    {"Apply Central Impulse", 28},
    {"Clear Scene", 29},
    {"Create and Throw New Object", 30},
    {"Enable Disable Shadows", 31},
    {"Object Properties", 32},
    {"Sun Properties", 33},
    {"Change Texture", 34},
    {"Enable Disable Physics Simulation", 35},
    {"Pitch Rotate with Mouse", 36},
    {"Roll Rotate with Mouse", 37},
    {"Yaw Rotate with Mouse", 38},
    {"Help", 39},
    {"Extended Tool Box", 40},
    {"Show Stats", 41},
    {"Line Tool Box", 42},
    {"Extended Tools", 43},
    {"Extended Textures", 44},
    {"Camera Options", 45},
    {"Misc Options", 46},
    {"Single Object Mode", 47},
    {"Turn on/off Physics Active", 50},
    {"Create Objects", 51},
    {"Show/Hide ToolBox", 48},
    {"Show/Hide Console", 49},
};

namespace {

// A row click needs this long since the last assignment or dialog frame.
constexpr uint32_t kClickGuardMs = 500;

void MoveCursorDown(float pixels)
{
    ImGui::SetCursorPos(ImVec2(ImGui::GetCursorPosX(), ImGui::GetCursorPosY() + pixels));
}

}  // namespace

CGame* CMenu::UnbindDuplicate(int32_t code)
{
    if (!game) return nullptr;
    for (int action = 0; action < kControlActionCount; ++action) {
        if (action == controls.selectedAction) continue;
        int32_t& slot = game->keySlots[kControlActions[action].slot];
        if (slot == code) {
            slot = -1;
            break;
        }
    }
    return game;
}

void CMenu::ControlsScreen()
{
    ControlsScreenState& state = controls;
    CInput* input = game ? game->input : nullptr;

    // Only keyboard keys are captured; with no key down the capture stays.
    if (input) {
        const int pressed = input->PressedKeyCount();
        for (int i = 0; i < pressed; ++i) {
            const InputCode code = input->PressedKeyCode(i);
            if (code > 0) {
                state.capturedCode = code;
                break;
            }
        }
    }

    ScopedFont font("gui");
    const int width = Settings.screenWidth;
    const int height = Settings.screenHeight;
    BeginFrontEndWindow("CM", std::max(0, width / 2 - 300), std::max(0, height / 2 - 300), 600, 600);

    bool rowClicked = false;
    const ImGuiTableFlags tableFlags = ImGuiTableFlags_ScrollY | ImGuiTableFlags_ScrollX;
    if (ImGui::BeginTable("table1", 3, tableFlags, ImVec2(0, 400))) {
        ImGui::TableSetupScrollFreeze(1, 1);
        ImGui::TableSetupColumn("ID", ImGuiTableColumnFlags_DefaultSort | ImGuiTableColumnFlags_WidthFixed |
                                          ImGuiTableColumnFlags_NoHide,
                                0.0f, 0);
        ImGui::TableSetupColumn("Action", ImGuiTableColumnFlags_WidthFixed, 0.0f, 1);
        ImGui::TableSetupColumn("Key", ImGuiTableColumnFlags_WidthFixed | ImGuiTableColumnFlags_NoSort, 0.0f, 2);
        ImGui::TableHeadersRow();
        for (int action = 0; action < kControlActionCount; ++action) {
            ImGui::PushID(action);
            ImGui::TableNextRow();
            ImGui::TableSetBgColor(ImGuiTableBgTarget_RowBg1, ImGui::GetColorU32(ImVec4(0.7f, 0.3f, 0.3f, 0.65f)));
            ImGui::TableNextColumn();
            char number[16] = {};
            std::snprintf(number, sizeof number, "%04d", action);
            if (ImGui::Selectable(number, false,
                                  ImGuiSelectableFlags_SpanAllColumns | ImGuiSelectableFlags_AllowItemOverlap)) {
                // Unsigned difference: right across the wrap of the 32-bit clock.
                if (platform::TimeGetTime() - state.lastAssignmentTime > kClickGuardMs) {
                    state.selectedAction = action;
                    state.capturedCode = -1;
                    rowClicked = true;
                }
            }
            ImGui::TableNextColumn();
            ImGui::TextUnformatted(kControlActions[action].label);
            ImGui::TableNextColumn();
            char name[256] = {};
            if (game) InputCodeName(name, game->keySlots[kControlActions[action].slot]);
            ImGui::TextUnformatted(name);
            ImGui::PopID();
        }
        ImGui::EndTable();
    }

    MoveCursorDown(24);
    if (ImGui::Button("Default", ImVec2(240, 24))) ImGui::OpenPopup("Default");
    // "OK" never lies under the pointer that clicked "Default".
    if (BeginConfirmation("Default")) {
        state.lastAssignmentTime = platform::TimeGetTime();
        ImGui::TextUnformatted("Reset Controls to Default");
        ImGui::Separator();
        if (ImGui::Button("OK", ImVec2(120, 0))) {
            if (game) game->SetDefaultBindings();
            ImGui::CloseCurrentPopup();
            state.lastAssignmentTime = platform::TimeGetTime();
        }
        ImGui::SameLine();
        if (ImGui::Button("Cancel", ImVec2(120, 0))) ImGui::CloseCurrentPopup();
        ImGui::EndPopup();
    }

    MoveCursorDown(24);
    ImGui::Button("Apply", ImVec2(240, 24));  // bindings take effect at once; Apply has no role
    if (ImGui::Button("Back", ImVec2(240, 24))) {
        screenState = 2;
        if (input) input->AcquireDevices();
    }

    if (rowClicked) ImGui::OpenPopup("Assignment");
    ImGui::SetNextWindowPos(ImGui::GetMainViewport()->GetCenter(), ImGuiCond_Appearing, ImVec2(0.5f, 0.5f));
    if (ImGui::BeginPopupModal("Assignment", nullptr, ImGuiWindowFlags_AlwaysAutoResize)) {
        state.lastAssignmentTime = platform::TimeGetTime();
        char captured[64] = {};
        if (state.capturedCode != -1) InputCodeName(captured, state.capturedCode);
        ImGui::TextUnformatted(captured);
        ImGui::Separator();
        if (ImGui::Button("OK", ImVec2(120, 0))) {
            if (game && state.selectedAction >= 0 && state.selectedAction < kControlActionCount &&
                state.capturedCode != -1) {
                game->keySlots[kControlActions[state.selectedAction].slot] = state.capturedCode;
                UnbindDuplicate(state.capturedCode);
            }
            ImGui::CloseCurrentPopup();
            state.lastAssignmentTime = platform::TimeGetTime();
        }
        ImGui::SameLine();
        if (ImGui::Button("Cancel", ImVec2(120, 0))) ImGui::CloseCurrentPopup();
        ImGui::EndPopup();
    }

    ImGui::End();
}
