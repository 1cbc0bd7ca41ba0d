// The "Stats", "Help - F1" and "Start Hints" windows: the values and key
// names they show (read from Dear ImGui's text log of a frame), that the two
// read-only windows let clicks through to the scene, and what "Close" and
// "Show hints" change. Dear ImGui's IO is written directly (no window).
#include <gtest/gtest.h>

#include <imgui.h>

#include <functional>
#include <memory>
#include <string>

#include "scene/scene.h"
#include "shell/game.h"
#include "shell/settings.h"
#include "sound/sound_buffer.h"
#include "support/imgui_test_frame.h"
#include "support/temp_directory.h"
#include "ui/editor_windows.h"

using testing_support::ImGuiTestFrame;

namespace {

class StatsHelpHints : public ::testing::Test {
protected:
    void SetUp() override
    {
        saved_ = Settings;
        Settings.screenWidth = 1440;
        Settings.screenHeight = 900;
        scene_ = std::make_unique<CScene>();
    }

    void TearDown() override
    {
        scene_.reset();
        Settings = saved_;
    }

    // The text a window shows in its second frame (the first only measures
    // an automatically sized window): Dear ImGui logs it to the "clipboard"
    // when the window ends.
    std::string TextOf(const std::function<void()>& draw)
    {
        std::string text;
        ImGuiIO& io = ImGui::GetIO();
        io.ClipboardUserData = &text;
        io.SetClipboardTextFn = [](void* data, const char* logged) { *static_cast<std::string*>(data) += logged; };
        frame_.Frame(draw);
        text.clear();
        frame_.Frame([&] {
            ImGui::LogToClipboard();
            draw();
            ImGui::LogFinish();  // when nothing was drawn
        });
        io.SetClipboardTextFn = nullptr;
        io.ClipboardUserData = nullptr;
        return text;
    }

    static bool Shows(const std::string& text, const std::string& line)
    {
        return text.find(line) != std::string::npos;
    }

    TempDirectory folder_;
    ScopedStartDirectory start_{folder_.Path()};
    StartupSetup saved_;
    CGame game_;
    std::unique_ptr<CScene> scene_;
    ImGuiTestFrame frame_{1440.0f, 900.0f};
};

CSoundBuffer* Sound(uint8_t paused, int32_t stopped)
{
    CSoundBuffer* sound = new CSoundBuffer;
    sound->Paused = paused;
    sound->Stopped = stopped;
    return sound;
}

}  // namespace

TEST_F(StatsHelpHints, StatsCountsTheSoundsAndShowsFourZerosForNone)
{
    CScene& scene = *scene_;
    const auto draw = [&] { DrawStatsWindow(scene); };
    std::string text = TextOf(draw);
    EXPECT_TRUE(Shows(text, "Paused/Playing/Stopped/Total Sounds: 0/0/0/0")) << text;

    // Paused and stopped, playing, stopped, and an empty entry (total only).
    scene.soundInstances.push_back(Sound(1, 1));
    scene.soundInstances.push_back(Sound(0, 0));
    scene.soundInstances.push_back(Sound(0, 1));
    scene.soundInstances.push_back(nullptr);
    text = TextOf(draw);
    EXPECT_TRUE(Shows(text, "Paused/Playing/Stopped/Total Sounds: 1/1/2/4")) << text;
}

TEST_F(StatsHelpHints, HelpAndHintsNameTheKeysBoundNow)
{
    CScene& scene = *scene_;
    const auto help = [&] { DrawHelpWindow(scene); };
    const auto hints = [&] { DrawStartHintsWindow(scene); };

    scene.game = &game_;
    std::string text = TextOf(help);
    for (const char* line : {"Forward - W", "Get Texture - Ctrl + T", "Tool 10 - 0", "Alt - avoid mouse rotate"})
        EXPECT_TRUE(Shows(text, line)) << line << "\n" << text;

    // A key rebound on the controls screen shows in the next frame; an
    // unbound action shows "???".
    game_.keySlots[kSlotForward] = 'Z';
    game_.keySlots[kSlotCreateObjects] = -1;
    text = TextOf(help);
    EXPECT_TRUE(Shows(text, "Forward - Z")) << text;
    EXPECT_TRUE(Shows(text, "Create Sets - ???")) << text;

    text = TextOf(hints);
    EXPECT_TRUE(Shows(text, "Forward - Z")) << text;
    EXPECT_FALSE(Shows(text, "Jump - ")) << text;  // the hints leave jumping out
    EXPECT_TRUE(Shows(text, "Press F1 to close this window")) << text;
}

TEST_F(StatsHelpHints, StatsAndHelpLetClicksThroughWhileTheHintsTakeThem)
{
    CScene& scene = *scene_;
    scene.game = &game_;
    ImGuiIO& io = ImGui::GetIO();
    const auto readOnly = [&] {
        DrawStatsWindow(scene);
        DrawHelpWindow(scene);
    };
    io.MousePos = ImVec2(60.0f, 60.0f);  // over both
    frame_.Frame(readOnly);
    frame_.Frame(readOnly);
    frame_.Frame(readOnly);
    ASSERT_TRUE(ImGuiTestFrame::WindowShown("Stats"));
    EXPECT_FALSE(io.WantCaptureMouse);

    const auto hints = [&] { DrawStartHintsWindow(scene); };
    io.MousePos = ImVec2(720.0f, 450.0f);  // the middle of the screen
    frame_.Frame(hints);
    frame_.Frame(hints);
    EXPECT_TRUE(io.WantCaptureMouse);
}

TEST_F(StatsHelpHints, HintsCloseOrStopShowingInLaterScenes)
{
    ImGuiTestFrame& frame = frame_;
    CScene& scene = *scene_;
    scene.Flag(kFlagStartHints) = 1;
    Settings.showHints = 1;
    const auto hints = [&] {
        if (scene.FlagOn(kFlagStartHints)) DrawStartHintsWindow(scene);
    };
    frame.Frame(hints);

    // Unticking keeps this scene's hints open and is what the settings file keeps.
    frame.ClickAndFrame("Start Hints", {"Show hints"}, hints);
    EXPECT_EQ(Settings.showHints, 0);
    EXPECT_TRUE(scene.FlagOn(kFlagStartHints));
    frame.ClickAndFrame("Start Hints", {"Close"}, hints);
    EXPECT_FALSE(scene.FlagOn(kFlagStartHints));
}
