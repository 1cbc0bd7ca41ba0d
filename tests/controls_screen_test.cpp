// The controls screen, driven through Dear ImGui without a window: clicking
// a row and pressing a key rebinds the action, a duplicate binding is cleared
// in action order, "Default" restores the table, the 500 ms click guard holds
// across the clock's wrap, and rebindings reach "vesk.cfg".
#include <gtest/gtest.h>
#include <imgui_internal.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

#include "input/input.h"
#include "platform/clock.h"
#include "platform/message_box.h"
#include "shell/game.h"
#include "shell/settings.h"
#include "support/imgui_test_frame.h"
#include "support/scan_codes.h"
#include "support/temp_directory.h"
#include "ui/input_code_names.h"
#include "ui/menu.h"

using testing_support::ImGuiTestFrame;

namespace {

constexpr uint8_t kScanS = 31;
constexpr uint8_t kScanZ = 44;
constexpr int32_t kVkW = 'W';
constexpr int32_t kVkS = 'S';
constexpr int32_t kVkZ = 'Z';

// The binding of each slot (0 to 51) in a new program.
constexpr int32_t kBindingsByDefault[kKeySlotCount] = {
    'W',  'S',  'A',  'D',  'E',  'Q',  ' ',  'F',  0x26, 0x28, 0x25, 0x27, 0x21, 0x22, 0xBD, '1', '2', '3',
    '4',  '5',  '6',  '7',  '8',  '9',  '0',  'C',  0x2E, 'U',  'Y',  'N',  'G',  'Z',  'B',  'M', 'T', 'P',
    'J',  'K',  'L',  0x70, 0x71, 0x72, 0x73, 0x74, 0x76, 0x77, 0x78, 0x75, 0x7A, 0xBF, 0xC0, 0xBB};

class ControlsScreen : public ::testing::Test {
protected:
    void SetUp() override
    {
        platform::SetClockSource([this] { return now; });
        game.input = &input;
        menu.game = &game;
        menu.screenState = 6;
        // A new window draws its items from its second frame on.
        Draw();
    }
    void TearDown() override { platform::SetClockSource({}); }

    void Draw() { ui.Frame([this] { menu.ControlsScreen(); }); }
    void Click(const char* window, std::initializer_list<testing_support::IdPart> path)
    {
        ui.ClickAndFrame(window, path, [this] { menu.ControlsScreen(); });
    }
    // The table scrolls inside its 400-pixel child window, and Dear ImGui
    // only handles the rows in view: scrolls the row into view first.
    void ScrollToRow(int action)
    {
        ImGuiWindow* table = nullptr;
        for (ImGuiWindow* window : GImGui->Windows)
            if (window->ParentWindow && std::strcmp(window->ParentWindow->Name, "CM") == 0 &&
                std::strstr(window->Name, "table1"))
                table = window;
        ASSERT_NE(table, nullptr);
        const float rowHeight = ImGui::GetFontSize() + 2 * ImGui::GetStyle().CellPadding.y;
        ImGui::SetScrollY(table, std::max(0.0f, (action + 1) * rowHeight - 200.0f));
        Draw();
    }
    // A click on the row of `action` (its "%04d" selectable inside the table).
    void ClickRow(int action)
    {
        ScrollToRow(action);
        char number[8];
        std::snprintf(number, sizeof number, "%04d", action);
        Click("CM", {"table1", action, number});
    }
    void Hold(uint8_t scanCode) { input.keyState[scanCode] = 0x80; }
    void ReleaseKeys() { std::memset(input.keyState, 0, sizeof input.keyState); }

    // Click the row, press the key, let go, OK; each step one frame apart.
    void Rebind(int action, uint8_t scanCode)
    {
        ClickRow(action);
        Hold(scanCode);
        Draw();
        ReleaseKeys();
        Draw();
        Click("Assignment", {"OK"});
        now += 1000;  // past the click guard for the next row
        Draw();
    }
    int32_t SlotOfAction(int action) const { return game.keySlots[kControlActions[action].slot]; }

    uint32_t now = 100000;
    CInput input;
    CGame game;
    CMenu menu;
    ImGuiTestFrame ui {1280, 720};
};

}  // namespace

TEST_F(ControlsScreen, OnlyTheFirstDuplicateInActionOrderIsCleared)
{
    // "Z" is also the shadows key (action 31); Left and Right take it too.
    game.keySlots[2] = kVkZ;
    game.keySlots[3] = kVkZ;
    Draw();
    Rebind(0, kScanZ);
    EXPECT_EQ(SlotOfAction(0), kVkZ);
    EXPECT_EQ(SlotOfAction(2), -1);
    EXPECT_EQ(SlotOfAction(3), kVkZ);
    EXPECT_EQ(SlotOfAction(31), kVkZ);

    // Action order, not slot order: row 48 (slot 50) comes before row 50 (slot 48).
    game.keySlots[48] = kVkS;
    game.keySlots[50] = kVkS;
    game.keySlots[1] = 0;
    Rebind(0, kScanS);
    EXPECT_EQ(game.keySlots[50], -1);
    EXPECT_EQ(game.keySlots[48], kVkS);
}

TEST_F(ControlsScreen, CaptureTakesTheFirstKeyInInputOrderAndUnnamedKeysBindAllTheSame)
{
    Draw();
    ClickRow(5);
    Hold(scan_code::kA);
    Draw();
    EXPECT_EQ(menu.controls.capturedCode, 'A');
    // W joins A: W comes first in the keyboard's order, so W is taken.
    Hold(scan_code::kW);
    Draw();
    EXPECT_EQ(menu.controls.capturedCode, kVkW);
    // Letting go keeps the capture.
    ReleaseKeys();
    Draw();
    EXPECT_EQ(menu.controls.capturedCode, kVkW);

    // Tab has no name but is a key: it is bound, its cell stays empty.
    Hold(scan_code::kTab);
    Draw();
    ReleaseKeys();
    Click("Assignment", {"OK"});
    const int32_t tab = SlotOfAction(5);
    EXPECT_GT(tab, 0);
    char name[64] = {};
    EXPECT_EQ(InputCodeName(name, tab), 0);
}

TEST_F(ControlsScreen, RowClickWithin500MsOfADialogIsIgnoredAcrossTheClockWrap)
{
    now = 0xFFFFFF00u;
    Draw();
    ClickRow(2);
    Draw();
    Click("Assignment", {"Cancel"});  // the guard's time is the dialog's last frame
    Draw();

    now = 0x000000F0u;  // 496 ms later, after the wrap
    ClickRow(7);
    EXPECT_EQ(menu.controls.selectedAction, 2);
    Draw();
    EXPECT_FALSE(ImGuiTestFrame::WindowShown("Assignment"));

    now = 0x00000110u;  // 528 ms later
    ClickRow(7);
    EXPECT_EQ(menu.controls.selectedAction, 7);
    Draw();
    EXPECT_TRUE(ImGuiTestFrame::WindowShown("Assignment"));
}

TEST_F(ControlsScreen, DefaultThenOkRestoresTheTable)
{
    for (int32_t& slot : game.keySlots) slot = -1;
    Draw();
    Click("CM", {"Default"});
    Draw();
    ASSERT_TRUE(ImGuiTestFrame::WindowShown("Default"));
    Click("Default", {"Cancel"});
    EXPECT_EQ(game.keySlots[0], -1);
    Draw();
    Click("CM", {"Default"});
    Draw();
    Click("Default", {"OK"});
    for (int slot = 0; slot < kKeySlotCount; ++slot) EXPECT_EQ(game.keySlots[slot], kBindingsByDefault[slot]) << slot;

    // The OK click itself restarts the guard: a row click at once does nothing.
    ClickRow(4);
    EXPECT_NE(menu.controls.selectedAction, 4);
}

TEST_F(ControlsScreen, RebindingsSurviveTheSettingsFileExceptTool9And10)
{
    platform::SetMessageBoxesSuppressed(true);
    TempDirectory folder;
    ScopedStartDirectory start(folder.Path());
    ResetStartupSetup();
    Draw();
    Rebind(1, scan_code::kW);            // Backward := W, Forward unbound
    Rebind(51, kScanZ);                  // Show/Hide Console (slot 49) := Z
    Rebind(23, scan_code::kA);           // Tool 9 := A
    Rebind(24, scan_code::kEquals);      // Tool 10 := "+"
    Rebind(5, scan_code::kNumpadMinus);  // Down := numeric-pad minus, code 108

    Game = &game;
    ASSERT_EQ(SaveStartupSetup(), 1);
    // The next start: a fresh application object with the defaults reads the file.
    CGame next;
    Game = &next;
    ASSERT_EQ(LoadStartupSetup(), 1);
    Game = nullptr;
    ResetStartupSetup();

    EXPECT_EQ(next.keySlots[1], kVkW);
    EXPECT_EQ(next.keySlots[0], -1);
    EXPECT_EQ(next.keySlots[49], kVkZ);
    EXPECT_EQ(next.keySlots[5], 108);
    EXPECT_EQ(next.keySlots[31], -1);  // Z's old owner was cleared, and that lasts too
    EXPECT_EQ(next.keySlots[2], -1);   // A went to Tool 9, which is not stored...
    EXPECT_EQ(game.keySlots[23], 'A');
    EXPECT_EQ(next.keySlots[23], 0x39);  // ...so after a start Tool 9 and 10 show 9 and 0 again
    EXPECT_EQ(next.keySlots[24], 0x30);
}
