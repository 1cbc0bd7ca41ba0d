// The whole program, headless: start-up, a few passes of the main loop, a
// close request, and the orderly shut-down that writes the settings file.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

#include "graphics/driver.h"
#include "platform/files.h"
#include "platform/message_box.h"
#include "platform/window.h"
#include "platform/window_test_events.h"
#include "shell/game.h"
#include "shell/settings.h"
#include "shell/win_main.h"
#include "support/temp_directory.h"

namespace {

class Startup : public ::testing::Test {
protected:
    void SetUp() override
    {
        platform::SetMessageBoxesSuppressed(true);
        ResetStartupSetup();
    }
    void TearDown() override
    {
        SetMainLoopPassHook(nullptr);
        ResetStartupSetup();
        platform::SetCurrentDirectory(previous_);
    }

    // Runs the program until `closeAtPass`, then closes its window.
    int RunFor(int closeAtPass)
    {
        passes_ = 0;
        SetMainLoopPassHook([this, closeAtPass](int pass) {
            passes_ = pass + 1;
            if (pass == closeAtPass) platform::PushWindowCloseEvent(platform::GetMainWindow());
        });
        return WinMain(1);
    }

    TempDirectory folder;
    ScopedStartDirectory start {folder.Path()};
    std::string previous_ = [] {
        std::string here;
        platform::GetCurrentDirectory(here);
        return here;
    }();
    int passes_ = 0;
};

}  // namespace

TEST_F(Startup, RunsUntilClosedAndWritesTheSettings)
{
    folder.MakeFolder("Worlds");
    EXPECT_EQ(RunFor(5), 0);
    EXPECT_GE(passes_, 6);
    const std::string settings = folder.Read("vesk.cfg");
    EXPECT_EQ(settings.size(), 656u);
    EXPECT_EQ(std::memcmp(settings.data(), "vesk0.03", 8), 0);
    const std::string log = folder.Read("game.log");
    EXPECT_NE(log.find("DXInput...ok\nDXInput->Initialize...ok\n"), std::string::npos);
    EXPECT_EQ(log.find("Error"), std::string::npos);
}

TEST_F(Startup, KeepsSettingsAcrossRunsAndCountsStarts)
{
    EXPECT_EQ(RunFor(1), 0);
    ResetStartupSetup();
    EXPECT_EQ(RunFor(1), 0);
    ASSERT_EQ(LoadStartupSetup(), 1);
    EXPECT_EQ(Settings.startCount, 2);  // the second run loaded it once, this load once more
}

TEST_F(Startup, WithoutOpenGl45ItSaysWhyAndEndsWithCode1)
{
    // Mesa told to offer no more than OpenGL 3.3: the start is refused.
    setenv("MESA_GL_VERSION_OVERRIDE", "3.3", 1);
    const int code = RunFor(0);
    unsetenv("MESA_GL_VERSION_OVERRIDE");
    EXPECT_EQ(code, 1);
    EXPECT_EQ(passes_, 0);
    const std::string log = folder.Read("game.log");
    EXPECT_NE(log.find("Error: WinMain\nNo OpenGL 4.5 core context"), std::string::npos) << log;
    EXPECT_EQ(platform::LastMessageBoxText().rfind("Vesk cannot start: No OpenGL 4.5 core context", 0), 0u);
    // Everything made before the failure is gone again.
    EXPECT_EQ(Game, nullptr);
    EXPECT_EQ(Driver, nullptr);
    EXPECT_EQ(platform::GetMainWindow(), nullptr);
}
