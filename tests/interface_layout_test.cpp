#include "shell/interface_layout.h"

#include <gtest/gtest.h>
#include <imgui.h>

#include <string>

#include "support/imgui_test_frame.h"
#include "support/temp_directory.h"

using testing_support::ImGuiTestFrame;

namespace {

// Where the "Tools" window opens in the first frame after the settings file
// holding `text` was read.
ImVec2 ToolsWindowPlaceAfterReading(const std::string& text)
{
    TempDirectory folder;
    folder.Write("imgui.ini", text);
    const std::string path = folder.File("imgui.ini");
    ImGuiTestFrame frame;
    ImGui::GetIO().IniFilename = path.c_str();
    LoadInterfaceLayout();
    frame.Frame([] {
        ImGui::SetNextWindowPos(ImVec2(10, 20), ImGuiCond_FirstUseEver);
        ImGui::Begin("Tools");
        ImGui::End();
    });
    ImGui::GetIO().IniFilename = nullptr;
    return ImGuiTestFrame::WindowPos("Tools");
}

}  // namespace

// A file cut short to nothing (the sanitizer build catches the old loader
// reading past its buffer) opens windows where they first open; a whole one
// puts them back where they were.
TEST(InterfaceLayout, EmptyFileLeavesFirstPlacesAndAWholeOneRestoresThem)
{
    const ImVec2 fromEmpty = ToolsWindowPlaceAfterReading("");
    EXPECT_EQ(fromEmpty.x, 10);
    EXPECT_EQ(fromEmpty.y, 20);

    const ImVec2 restored = ToolsWindowPlaceAfterReading("[Window][Tools]\nPos=300,200\nSize=100,80\nCollapsed=0\n");
    EXPECT_EQ(restored.x, 300);
    EXPECT_EQ(restored.y, 200);
}
