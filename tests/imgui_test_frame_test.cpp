// The UI test harness itself: a remote click reaches a plain button, a
// button under PushID, and a check box, and only for one frame.
#include <gtest/gtest.h>

#include "support/imgui_test_frame.h"

using testing_support::ImGuiTestFrame;

TEST(ImGuiTestFrame, ClicksReachButtonsByWindowAndIdPath)
{
    ImGuiTestFrame ui;
    int plain = 0;
    int second = 0;
    bool ticked = false;
    const auto draw = [&] {
        ImGui::Begin("Panel");
        if (ImGui::Button("Go")) ++plain;
        for (int i = 0; i < 3; ++i) {
            ImGui::PushID(i);
            if (ImGui::Button("Pick") && i == 1) ++second;
            ImGui::PopID();
        }
        ImGui::Checkbox("Tick", &ticked);
        ImGui::End();
    };
    ui.Frame(draw);
    EXPECT_TRUE(ImGuiTestFrame::WindowShown("Panel"));
    ui.ClickAndFrame("Panel", {"Go"}, draw);
    ui.Frame(draw);
    EXPECT_EQ(plain, 1);
    ui.ClickAndFrame("Panel", {1, "Pick"}, draw);
    EXPECT_EQ(second, 1);
    ui.ClickAndFrame("Panel", {"Tick"}, draw);
    EXPECT_TRUE(ticked);
}
