// The console: what each typed command does to the scene, the bounded
// history, and the command field (typing, Enter, Esc).
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

#include "scene/scene.h"
#include "support/imgui_test_frame.h"
#include "support/imgui_typing.h"
#include "support/temp_directory.h"
#include "ui/console_state.h"
#include "ui/editor_windows.h"

using testing_support::ImGuiTestFrame;

namespace {

class ConsoleTest : public ::testing::Test {
protected:
    // The console's text is global: every test starts and leaves it empty.
    void SetUp() override
    {
        Console = ConsoleText{};
        scene_ = std::make_unique<CScene>();
    }
    void TearDown() override { Console = ConsoleText{}; }

    // Types the command and presses Enter, as the "Command" field does.
    void Enter(const char* command)
    {
        std::strncpy(Console.command, command, ConsoleText::kCommandBytes - 1);
        SubmitConsoleCommand(*scene_);
    }

    TempDirectory folder_;
    ScopedStartDirectory start_{folder_.Path()};
    std::unique_ptr<CScene> scene_;
};

}  // namespace

TEST_F(ConsoleTest, CommandsSwitchTheSceneAndEveryLineIsRecorded)
{
    Enter("dontpick");
    EXPECT_EQ(scene_->pickingOff, 1);  // set, and not cleared again by the "pick" test
    Enter("Pick");
    EXPECT_EQ(scene_->pickingOff, 1);  // case differs: nothing
    Enter("pick");
    EXPECT_EQ(scene_->pickingOff, 0);

    ASSERT_EQ(scene_->cursorSpriteShown, 1);
    Enter(" cursor");  // not the whole line
    EXPECT_EQ(scene_->cursorSpriteShown, 1);
    Enter("cursor");
    EXPECT_EQ(scene_->cursorSpriteShown, 0);

    Enter("");
    EXPECT_EQ(std::string(Console.history), "dontpick\nPick\npick\n cursor\ncursor\n\n");
    EXPECT_EQ(Console.command[0], '\0');
}

TEST_F(ConsoleTest, FallingAndBuildingGoThroughTheDropQueue)
{
    Enter("fall");
    Enter("fall");
    ASSERT_EQ(scene_->dropQueue.size(), 1u);  // the record with the same key is replaced
    EXPECT_EQ(scene_->dropQueue[0].key, kDropContinuously);

    Enter("building");
    ASSERT_EQ(scene_->dropQueue.size(), 2u);

    Enter("stop fall");
    ASSERT_EQ(scene_->dropQueue.size(), 1u);
    EXPECT_EQ(scene_->dropQueue[0].key, kMarkAllDropped);
    Enter("stop fall");  // nothing left to stop
    EXPECT_EQ(scene_->dropQueue.size(), 1u);
}

TEST_F(ConsoleTest, FullHistoryDropsItsOldestWholeLinesAndTheCommandStillRuns)
{
    // 16,383 characters: lines of 99 letters and a line feed, then a tail.
    std::string text;
    for (int i = 0; text.size() + 100 <= ConsoleText::kHistoryBytes - 1; ++i) {
        text += std::string(99, static_cast<char>('a' + i % 26)) + '\n';
    }
    text += std::string(ConsoleText::kHistoryBytes - 1 - text.size(), 'z');
    ASSERT_EQ(text.size(), ConsoleText::kHistoryBytes - 1);
    std::memcpy(Console.history, text.c_str(), text.size() + 1);

    Enter("dontpick");
    EXPECT_EQ(scene_->pickingOff, 1);
    const std::string after(Console.history);
    EXPECT_EQ(after, text.substr(100) + "dontpick\n");  // exactly one whole line went

    // A command longer than one old line takes two.
    const std::string longCommand(127, 'x');
    std::memcpy(Console.history, text.c_str(), text.size() + 1);
    Enter(longCommand.c_str());
    EXPECT_EQ(std::string(Console.history), text.substr(200) + longCommand + "\n");
}

TEST_F(ConsoleTest, FullHistoryWithoutLineFeedsStartsOver)
{
    std::memset(Console.history, 'q', ConsoleText::kHistoryBytes);  // not even terminated
    Enter("cursor");
    EXPECT_EQ(std::string(Console.history), "cursor\n");
    EXPECT_EQ(scene_->cursorSpriteShown, 0);

    char small[8] = "ab\ncd\n";  // 6 of 7 characters used
    AppendConsoleHistory(small, sizeof small, "xyz");
    EXPECT_STREQ(small, "cd\nxyz\n");
    AppendConsoleHistory(small, sizeof small, "0123456789");  // cut to fit
    EXPECT_STREQ(small, "012345\n");
}

// The whole road of a typed command: the field takes the keyboard, the
// characters arrive through Dear ImGui's input queue, Enter submits them.
TEST_F(ConsoleTest, EnterInTheCommandFieldRunsTheCommand)
{
    ImGuiTestFrame ui;
    scene_->Flag(kFlagConsole) = 1;
    const auto draw = [this] { DrawConsoleWindow(*scene_); };
    ui.Frame(draw);

    testing_support::FocusForTyping(ui, "Console", {"Command"}, draw);
    testing_support::TypeAndFrame(ui, "dontpick", draw);
    EXPECT_STREQ(Console.command, "dontpick");
    EXPECT_EQ(scene_->pickingOff, 0);
    // Enter, and the next command typed on before the frame after it.
    ImGuiIO& io = ImGui::GetIO();
    if (io.KeyMap[ImGuiKey_Enter] < 0) io.KeyMap[ImGuiKey_Enter] = 256 + ImGuiKey_Enter;
    io.KeysDown[io.KeyMap[ImGuiKey_Enter]] = true;
    ui.Frame(draw);
    EXPECT_EQ(scene_->pickingOff, 1);
    EXPECT_EQ(std::string(Console.history), "dontpick\n");
    EXPECT_EQ(Console.command[0], '\0');
    io.KeysDown[io.KeyMap[ImGuiKey_Enter]] = false;
    testing_support::TypeAndFrame(ui, "pi", draw);

    // The field keeps the keyboard for the next command, without a click.
    EXPECT_TRUE(io.WantTextInput);
    testing_support::TypeAndFrame(ui, "ck", draw);
    EXPECT_STREQ(Console.command, "pick");
    testing_support::PressKey(ui, ImGuiKey_Enter, draw);
    EXPECT_EQ(scene_->pickingOff, 0);
    EXPECT_EQ(std::string(Console.history), "dontpick\npick\n");
    EXPECT_TRUE(ImGui::GetIO().WantTextInput);

    // Esc gives the keyboard back.
    testing_support::PressKey(ui, ImGuiKey_Escape, draw);
    testing_support::TypeAndFrame(ui, "n", draw);
    EXPECT_FALSE(ImGui::GetIO().WantTextInput);
    EXPECT_STREQ(Console.command, "");
}

