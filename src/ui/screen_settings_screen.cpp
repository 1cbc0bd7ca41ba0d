// The screen-settings screen (front-end screen 3): lists filled from the
// driver's display enumeration (adapters, outputs, modes, sample counts) plus
// the full-screen and aspect choices. "Apply" writes the choice into the
// startup setup and rebuilds the front end around a reset of the video mode;
// the values reach "vesk.cfg" at exit.
//
// The choices come from the settings file and may name nothing in the lists
// of this machine: every index is checked before it picks an entry, and Apply
// stays disabled until the resolution and multisampling choices name one.
#include <imgui.h>

#include <algorithm>
#include <string>

#include "graphics/display_modes.h"
#include "platform/text.h"
#include "shell/settings.h"
#include "ui/editor_widgets.h"
#include "ui/front_end_window.h"
#include "ui/menu.h"

namespace {

// Offered when the output has a mode of exactly this size, in this order.
constexpr DisplayResolution kCandidateResolutions[] = {
    {640, 480},   {800, 600},   {1024, 768},  {1152, 864},  {1280, 720},  {1280, 768},  {1280, 800},
    {1280, 960},  {1280, 1024}, {1360, 768},  {1366, 768},  {1440, 900},  {1400, 1050}, {1600, 1024},
    {1680, 1050}, {1680, 1054}, {1600, 1200}, {1600, 1280}, {1792, 1344}, {1800, 1440}, {1856, 1392},
    {1920, 1080}, {1920, 1200}, {1920, 1440}, {2048, 1536}, {2560, 1600}, {2560, 1024}, {3200, 1200},
    {3200, 1280}, {3840, 1080}, {3840, 1200}, {3840, 1440}, {4096, 1536}, {5120, 1600},
};

// Sample counts 0..16, offered when the output reports quality levels for them.
constexpr const char* kFsaaNames[17] = {"none", "NonMaskable", "2x",  "3x",  "4x",  "5x",  "6x",  "7x", "8x",
                                        "9x",   "10x",         "11x", "12x", "13x", "14x", "15x", "16x"};

constexpr const char* kAspectNames[] = {"Auto", "1:1", "4:3", "5:4", "16:9", "16:10"};
constexpr int kAspectCount = 6;

constexpr int kNameChars = 1024;

void AppendItem(std::string& items, const std::string& item)
{
    items += item;
    items.push_back('\0');
}

bool Inside(int32_t index, size_t count) { return index >= 0 && static_cast<size_t>(index) < count; }

void MoveCursorDown(float pixels)
{
    ImGui::SetCursorPos(ImVec2(ImGui::GetCursorPosX(), ImGui::GetCursorPosY() + pixels));
}

void BuildFixedLists(ScreenSettingsState& state)
{
    state.adapterItems.clear();
    const int adapters = GetUsableAdapterCount();
    for (int adapter = 0; adapter < adapters; ++adapter) {
        char16_t name[kNameChars] = {};
        GetAdapterName(adapter, name, kNameChars);
        AppendItem(state.adapterItems, platform::Utf16ToUtf8(name));
    }
    state.fullscreenItems.clear();
    AppendItem(state.fullscreenItems, "YES");
    AppendItem(state.fullscreenItems, "NO");
    state.aspectItems.clear();
    for (const char* aspect : kAspectNames) AppendItem(state.aspectItems, aspect);
}

// Outputs without a readable name are not offered.
void BuildOutputList(ScreenSettingsState& state, int32_t adapter)
{
    state.outputItems.clear();
    const int outputs = GetOutputCount(adapter);
    for (int output = 0; output < outputs; ++output) {
        char16_t name[kNameChars] = {};
        if (!GetOutputName(adapter, output, name, kNameChars)) continue;
        AppendItem(state.outputItems, platform::Utf16ToUtf8(name));
    }
}

void BuildModeLists(ScreenSettingsState& state, int32_t adapter, int32_t output)
{
    state.resolutionItems.clear();
    state.resolutions.clear();
    for (const DisplayResolution& candidate : kCandidateResolutions) {
        if (!HasDisplayMode(adapter, output, candidate.width, candidate.height)) continue;
        state.resolutions.push_back(candidate);
        AppendItem(state.resolutionItems, std::to_string(candidate.width) + "x" + std::to_string(candidate.height));
    }
    state.fsaaItems.clear();
    state.fsaaValues.clear();
    for (int samples = 0; samples <= 16; ++samples) {
        if (GetDisplayModeCount(adapter, output, samples) == 0) continue;
        state.fsaaValues.push_back(samples);
        AppendItem(state.fsaaItems, kFsaaNames[samples]);
    }
}

}  // namespace

void CMenu::ScreenSettingsScreen()
{
    ScreenSettingsState& state = screenSettings;
    bool changed = false;
    if (!screenSettingsInitialised) {
        screenSettingsInitialised = 1;
        BuildFixedLists(state);
        changed = true;
    }

    ScopedFont font("gui");
    const int width = Settings.screenWidth;
    const int height = Settings.screenHeight;
    BeginFrontEndWindow("OM", std::max(0, width / 2 - 300), std::max(0, height / 2 - 300), 600, 600);

    // The lists follow the adapter and output choices however they changed;
    // a change keeps every other choice as it is.
    ImGui::Combo("Adapter", &adapterIndex, state.adapterItems.c_str());
    if (changed || adapterIndex != state.listsAdapter) {
        BuildOutputList(state, adapterIndex);
        changed = true;
    }
    MoveCursorDown(24);
    ImGui::Combo("Output", &outputIndex, state.outputItems.c_str());
    if (changed || outputIndex != state.listsOutput) {
        BuildModeLists(state, adapterIndex, outputIndex);
        state.listsAdapter = adapterIndex;
        state.listsOutput = outputIndex;
    }

    if (resolutionChoice == -1) {
        for (size_t i = 0; i < state.resolutions.size(); ++i) {
            if (state.resolutions[i].width == Settings.screenWidth &&
                state.resolutions[i].height == Settings.screenHeight) {
                resolutionChoice = static_cast<int32_t>(i);
                break;
            }
        }
    }

    MoveCursorDown(24);
    ImGui::Combo("Resolution", &resolutionChoice, state.resolutionItems.c_str());
    MoveCursorDown(24);
    ImGui::Combo("Refresh-rate", &state.refreshRateChoice, "");
    MoveCursorDown(24);
    ImGui::Combo("Fullscreen", &windowed, state.fullscreenItems.c_str());
    MoveCursorDown(24);
    ImGui::Combo("FSAA", &fsaaChoice, state.fsaaItems.c_str());
    MoveCursorDown(24);
    ImGui::Combo("Aspect Ratio", &aspectChoice, state.aspectItems.c_str());

    MoveCursorDown(24);
    const bool choiceValid = Inside(resolutionChoice, state.resolutions.size()) &&
                             Inside(fsaaChoice, state.fsaaValues.size()) && Inside(windowed, 2) &&
                             Inside(aspectChoice, kAspectCount);
    ImGui::BeginDisabled(!choiceValid);
    if (ImGui::Button("Apply", ImVec2(240, 24)) && choiceValid) {
        const DisplayResolution& mode = state.resolutions[static_cast<size_t>(resolutionChoice)];
        Settings.adapterIndex = adapterIndex;
        Settings.outputIndex = outputIndex;
        Settings.screenWidth = mode.width;
        Settings.screenHeight = mode.height;
        Settings.resolutionChoice = resolutionChoice;
        Settings.windowed = windowed;  // item 0 "YES" (full screen) is windowed 0
        Settings.fsaaChoice = fsaaChoice;
        Settings.sampleCount = state.fsaaValues[static_cast<size_t>(fsaaChoice)];
        Settings.aspectChoice = aspectChoice;
        RecreateResources();
    }
    ImGui::EndDisabled();
    if (ImGui::Button("Back", ImVec2(240, 24))) screenState = 2;

    ImGui::End();
}
