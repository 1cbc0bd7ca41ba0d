// Placing the main window from the setup.
#include <gtest/gtest.h>

#include "shell/settings.h"
#include "shell/window_placement.h"
#include "support/headless_gpu.h"

namespace {

PlacementInput Windowed(int clientWidth, int clientHeight, platform::ScreenRect screen)
{
    PlacementInput input;
    input.windowed = 1;
    input.clientWidth = clientWidth;
    input.clientHeight = clientHeight;
    input.screen = screen;
    input.frameKnown = true;
    input.frame = platform::FrameSize {8, 31, 8, 8};
    return input;
}

}  // namespace

TEST(WindowPlacement, WindowedClientIsCentredUnderItsFrameAndNeverPlacedOffTheScreen)
{
    const WindowPlacement p = ComputeWindowPlacement(Windowed(1280, 720, {0, 0, 1920, 1080}));
    EXPECT_EQ(p.outerX, 320);
    EXPECT_EQ(p.outerY, 180);
    const WindowPlacement large = ComputeWindowPlacement(Windowed(3000, 2000, {0, 0, 1920, 1080}));
    EXPECT_EQ(large.outerX, 0);
    EXPECT_EQ(large.outerY, 0);
}

TEST(WindowPlacement, UnusableSizesFallBackToTheDefault)
{
    const StartupSetup defaults;
    for (const auto& [width, height] : {std::pair {0, 600}, {800, -1}, {100000, 600}}) {
        int32_t w = width, h = height;
        EXPECT_TRUE(SanitizeWindowSize(&w, &h)) << width << " x " << height;
        EXPECT_EQ(w, defaults.screenWidth);
        EXPECT_EQ(h, defaults.screenHeight);
    }
    int32_t w = 800, h = 600;
    EXPECT_FALSE(SanitizeWindowSize(&w, &h));
    EXPECT_EQ(w, 800);
}

class WindowPlacementOnScreen : public HeadlessGpuTest {
protected:
    void TearDown() override
    {
        ResetStartupSetup();
        HeadlessGpuTest::TearDown();
    }
};

TEST_F(WindowPlacementOnScreen, PlaceMainWindowSizesTheClientAreaFromTheSetup)
{
    ResetStartupSetup();
    Settings.windowed = 1;
    Settings.screenWidth = 800;
    Settings.screenHeight = 600;
    EXPECT_EQ(PlaceMainWindow(), 1);
    int width = 0, height = 0;
    ASSERT_TRUE(platform::GetClientSize(gpu().Window(), &width, &height));
    EXPECT_EQ(width, 800);
    EXPECT_EQ(height, 600);

    // A size no window can have is replaced by the default before placing.
    Settings.screenWidth = 0;
    EXPECT_EQ(PlaceMainWindow(), 1);
    platform::GetClientSize(gpu().Window(), &width, &height);
    EXPECT_EQ(width, 1280);

    // Back from full screen the window has the chosen size at once, and the
    // setup keeps it.
    ASSERT_TRUE(gpu().CreateDevice(640, 480));
    ASSERT_EQ(gpu().swapChain->SetFullscreenState(1, nullptr), S_OK);
    platform::GetClientSize(gpu().Window(), &width, &height);
    ASSERT_NE(width, 800);
    Settings.screenWidth = 800;
    Settings.screenHeight = 600;
    EXPECT_EQ(PlaceMainWindow(), 1);
    platform::GetClientSize(gpu().Window(), &width, &height);
    EXPECT_EQ(width, 800);
    EXPECT_EQ(height, 600);
    EXPECT_EQ(Settings.screenWidth, 800);
}
