// The front end's screens are bare groups of widgets placed every frame.
#pragma once

#include <imgui.h>

// No title bar, resize, move, scroll bar, wheel scrolling, collapse or
// background.
inline constexpr ImGuiWindowFlags kFrontEndWindowFlags =
    ImGuiWindowFlags_NoTitleBar | ImGuiWindowFlags_NoResize | ImGuiWindowFlags_NoMove |
    ImGuiWindowFlags_NoScrollbar | ImGuiWindowFlags_NoScrollWithMouse | ImGuiWindowFlags_NoCollapse |
    ImGuiWindowFlags_NoBackground;
static_assert(kFrontEndWindowFlags == 0xbf);

// Begins the window and places it; End is the caller's.
inline void BeginFrontEndWindow(const char* name, int x, int y, int width, int height)
{
    ImGui::Begin(name, nullptr, kFrontEndWindowFlags);
    ImGui::SetWindowPos(name, ImVec2(static_cast<float>(x), static_cast<float>(y)));
    ImGui::SetWindowSize(name, ImVec2(static_cast<float>(width), static_cast<float>(height)));
}
