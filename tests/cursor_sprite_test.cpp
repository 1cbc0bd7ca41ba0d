// The cursor sprite on a headless device: where it lands on screen (centre,
// mouse cursor while Space is held) and when nothing is drawn (cross switched
// off, window without area).
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "graphics/driver.h"
#include "platform/files.h"
#include "platform/window.h"
#include "platform/window_test_events.h"
#include "render/cursor_sprite.h"
#include "scene/scene.h"
#include "shell/settings.h"
#include "shell/window_placement.h"
#include "support/headless_driver.h"
#include "world/world.h"

namespace {

// A world on a 800 x 400 back buffer whose cross picture is an opaque one.
class CursorSpriteDevice : public HeadlessDriverTest {
protected:
    void SetUp() override
    {
        HeadlessDriverTest::SetUp();
        Settings.screenWidth = 800;
        Settings.screenHeight = 400;
        ASSERT_EQ(Driver->ResetVideoMode(), 1);
        PlaceMainWindow();  // the window of that size, so window and picture share coordinates
        std::vector<uint8_t> bytes;
        ASSERT_TRUE(platform::ReadWholeFile("Textures/ground.dds", bytes));
        folder_.Write("Textures/pcross4.dds", std::string(bytes.begin(), bytes.end()));
        scene_.driver = Driver;
        scene_.world = new CWorld;
        scene_.world->driver = Driver;
        scene_.world->GenerateWorld();
    }
    void TearDown() override
    {
        delete scene_.world;  // while the device still exists
        scene_.world = nullptr;
        HeadlessDriverTest::TearDown();
    }

    // The bounding box of every pixel that is not black after one pass.
    struct Box {
        int left = 1 << 20, top = 1 << 20, right = -1, bottom = -1;
        bool Empty() const { return right < 0; }
        int CentreX() const { return (left + right + 1) / 2; }
        int CentreY() const { return (top + bottom + 1) / 2; }
    };
    Box Drawn()
    {
        Driver->Clear(0, 0, 0);
        scene_.RenderCursorSprite();
        uint32_t width = 0;
        const std::vector<uint8_t> rgba = ReadBack(&width);
        Box box;
        for (size_t i = 0; i + 3 < rgba.size(); i += 4) {
            if (rgba[i] == 0 && rgba[i + 1] == 0 && rgba[i + 2] == 0) continue;
            const int x = static_cast<int>((i / 4) % width);
            const int y = static_cast<int>((i / 4) / width);
            box.left = std::min(box.left, x);
            box.right = std::max(box.right, x);
            box.top = std::min(box.top, y);
            box.bottom = std::max(box.bottom, y);
        }
        return box;
    }

    CScene scene_;
};

}  // namespace

TEST_F(CursorSpriteDevice, TheCrossSitsSquareAtTheCentreAndAtTheMouseOnlyWhileSpaceIsHeld)
{
    platform::PushMouseMotionEvent(platform::GetMainWindow(), 600, 100);
    int exitCode = 0;
    platform::PumpMessages(&exitCode);

    Box box = Drawn();
    ASSERT_FALSE(box.Empty());
    EXPECT_NEAR(box.CentreX(), 400, 1);
    EXPECT_NEAR(box.CentreY(), 200, 1);
    EXPECT_NEAR(box.bottom - box.top + 1, 10, 1);

    scene_.spaceHeld = 1;
    box = Drawn();
    EXPECT_NEAR(box.CentreX(), 600, 1);
    EXPECT_NEAR(box.CentreY(), 100, 1);
}

TEST_F(CursorSpriteDevice, NothingIsDrawnWithTheCrossOffOrWithoutAWindowArea)
{
    scene_.cursorSpriteShown = 0;
    EXPECT_TRUE(Drawn().Empty());
    scene_.cursorSpriteShown = 1;

    const int32_t width = backBufferWidth;
    backBufferWidth = 0;
    const Box box = Drawn();
    backBufferWidth = width;
    EXPECT_TRUE(box.Empty());
    EXPECT_FALSE(Drawn().Empty());
}
