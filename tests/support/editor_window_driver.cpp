#include "support/editor_window_driver.h"

#include <imgui_internal.h>

#include <cfloat>
#include <cmath>

namespace testing_support {

namespace {

// Gives the item keyboard focus, as if navigated to; null without its window.
ImGuiWindow* FocusItem(const char* windowName, ImGuiID id)
{
    ImGuiWindow* window = ImGui::FindWindowByName(windowName);
    if (!window) return nullptr;
    ImGui::FocusWindow(window);
    // An item still held by an earlier activation would keep the input away.
    ImGui::ClearActiveID();
    ImGuiContext& g = *GImGui;
    // A window's first appearance asks for its first item to take the focus;
    // that request must not override this one.
    g.NavInitRequest = false;
    g.NavInitResultId = 0;
    g.NavId = id;
    g.NavLayer = ImGuiNavLayer_Main;
    g.NavDisableHighlight = false;
    return window;
}

}  // namespace

std::string FrameText(ImGuiTestFrame& ui, const std::function<void()>& draw)
{
    // A window's End stops the log and hands it to the clipboard.
    ImGui::SetClipboardText("");
    ui.Frame([&] {
        ImGui::LogToClipboard();
        if (draw) draw();
        if (GImGui->LogEnabled) ImGui::LogFinish();
    });
    const char* text = ImGui::GetClipboardText();
    return text ? text : "";
}

void TypeIntoSlider(ImGuiTestFrame& ui, const char* windowName, std::initializer_list<IdPart> path,
                    const char* text, const std::function<void()>& draw)
{
    // Enter (the "input" navigation key) on the focused slider opens its text
    // field with the whole text selected; typed characters replace it and
    // apply in the next frame.
    FocusItem(windowName, ImGuiTestFrame::ItemId(windowName, path));
    ImGuiIO& io = ImGui::GetIO();
    io.NavInputs[ImGuiNavInput_Input] = 1.0f;
    ui.Frame(draw);
    io.NavInputs[ImGuiNavInput_Input] = 0.0f;
    io.AddInputCharactersUTF8(text);
    ui.Frame(draw);
    ImGui::ClearActiveID();
    ui.Frame(draw);
}

ImVec2 PointOverItem(ImGuiTestFrame& ui, const char* windowName, std::initializer_list<IdPart> path,
                     const std::function<void()>& draw)
{
    // Dear ImGui keeps no rectangle per item, so the mouse looks for it: it
    // moves over the window row by row, a few columns, until the item reports
    // itself hovered; then on to where it stops being hovered, across and
    // down, and the middle of that is where a user would aim.
    const ImVec2 nowhere(-FLT_MAX, -FLT_MAX);
    ImGuiWindow* window = ImGui::FindWindowByName(windowName);
    if (!window) return nowhere;
    ImGui::FocusWindow(window);
    ImGui::ClearActiveID();
    const ImGuiID id = ImGuiTestFrame::ItemId(windowName, path);
    ImGuiIO& io = ImGui::GetIO();
    const auto hovered = [&](float x, float y) {
        io.MousePos = ImVec2(x, y);
        ui.Frame(draw);
        return GImGui->HoveredId == id;
    };
    constexpr float kStep = 2.0f;
    for (float dx : {12.0f, 40.0f, 100.0f, 200.0f}) {
        for (float dy = 2.0f; dy < window->Size.y; dy += 4.0f) {
            const float x = window->Pos.x + dx;
            const float top = window->Pos.y + dy;
            if (!hovered(x, top)) continue;
            float bottom = top;
            while (hovered(x, bottom + kStep)) bottom += kStep;
            const float y = (top + bottom) * 0.5f;
            float left = x;
            while (hovered(left - kStep, y)) left -= kStep;
            float right = x;
            while (hovered(right + kStep, y)) right += kStep;
            const ImVec2 middle(std::floor((left + right) * 0.5f), std::floor(y));
            hovered(middle.x, middle.y);
            return middle;
        }
    }
    return nowhere;
}

void MouseClickAt(ImGuiTestFrame& ui, ImVec2 at, const std::function<void()>& draw, int frames)
{
    ImGuiIO& io = ImGui::GetIO();
    io.MousePos = at;
    for (const bool down : {true, false}) {
        io.MouseDown[0] = down;
        for (int frame = 0; frame < frames; ++frame) ui.Frame(draw);
    }
}

void MouseClick(ImGuiTestFrame& ui, const char* windowName, std::initializer_list<IdPart> path,
                const std::function<void()>& draw)
{
    ImGuiIO& io = ImGui::GetIO();
    if (PointOverItem(ui, windowName, path, draw).x != -FLT_MAX) {
        io.MouseDown[0] = true;
        ui.Frame(draw);
        io.MouseDown[0] = false;
        ui.Frame(draw);
    }
    io.MousePos = ImVec2(-FLT_MAX, -FLT_MAX);
    ui.Frame(draw);
}

}  // namespace testing_support
