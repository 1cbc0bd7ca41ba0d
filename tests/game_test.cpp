// The application object leaving a world at the end of a pass, and leaving
// the input to a notice while one waits, with the input layer's fake system
// behind the game's input.
#include <gtest/gtest.h>

#include "input/input.h"
#include "platform/input/fake_input.h"
#include "platform/message_box.h"
#include "scene/scene.h"
#include "shell/game.h"
#include "shell/main_window.h"
#include "support/scan_codes.h"
#include "support/temp_directory.h"
#include "ui/notices.h"
#include "world/world.h"

namespace {

namespace fake = dinput::fake;

class GameInAWorld : public ::testing::Test {
protected:
    void SetUp() override
    {
        platform::SetMessageBoxesSuppressed(true);
        fake::UseFakeSystem();
        ASSERT_EQ(input.InitInput(nullptr), S_OK);
        input.AcquireDevices();
        input.PollMouse();  // the shared mouse is acquired from here on
        folder.MakeFolder("Worlds");
        game.input = &input;
        ASSERT_TRUE(game.NewWorld("fresh.vsk", kBlankScene, &blank, &tube, &landscape));
        game.menuMode = 0;
        Running = 1;
    }
    void TearDown() override
    {
        input.ReleaseDevices();
        fake::UseSdlSystem();
        Running = 1;
    }
    // The motion made now, as the next read reports it.
    int MotionOfTheNextRead()
    {
        fake::MoveMouse(3, 0);
        input.PollMouse();
        return input.GetMouseAxis(kMouseAxisX);
    }

    TempDirectory folder;
    ScopedStartDirectory start {folder.Path()};
    CInput input;
    CGame game;
    const BlankSceneParams blank;
    const TubeSceneParams tube;
    const LandscapeSceneParams landscape;
};

}  // namespace

TEST_F(GameInAWorld, LeaveAndQuitInOnePassLeaveTheWorldFirstAndFreeAnExclusiveMouse)
{
    game.scene->Flag(kFlagStartHints) = 0;  // no window open: the scene keeps the mouse exclusive
    ASSERT_EQ(input.SetMouseExclusive(1), S_OK);
    input.PollMouse();
    game.modalOpen = 1;  // "Quit to Menu" while "Save As" takes the keys
    game.leaveRequest = game.quitRequest = 1;
    GameFrame(&game);
    EXPECT_EQ(game.scene, nullptr);
    EXPECT_EQ(game.menuMode, 1);
    EXPECT_EQ(input.mouseExclusive, 0);
    EXPECT_EQ(game.modalOpen, 0);
    EXPECT_FALSE(fake::RelativeMouseMode());
    EXPECT_EQ(Running, 0);
}

TEST_F(GameInAWorld, LeavingWithASharedMouseLeavesTheMouseAlone)
{
    game.leaveRequest = 1;
    GameFrame(&game);
    EXPECT_EQ(game.scene, nullptr);
    EXPECT_EQ(MotionOfTheNextRead(), 3);  // the mouse still reads
    EXPECT_EQ(Running, 1);
}

// While a notice waits the user answers it alone: a key the scene would act
// on (N, Clear Scene) does nothing there, and the mouse is freed for the
// notice's "OK". Once it is dismissed, keys act again.
TEST_F(GameInAWorld, WhileANoticeWaitsTheSceneTakesNoInputAndTheMouseIsFree)
{
    game.scene->Flag(kFlagStartHints) = 0;
    const auto pass = [this] {
        input.PollKeyboard();
        input.PollMouse();
        input.router.Route(game.InputOfThisPass());
        GameFrame(&game);
    };
    const auto tap = [&pass](uint8_t key) {
        fake::KeyDown(key);
        pass();
        fake::KeyUp(key);
        pass();
    };
    pass();
    ASSERT_EQ(input.mouseExclusive, 1);
    const size_t objects = game.scene->world->objects.size();
    ASSERT_GT(objects, 0u);

    QueueNotice("The world could not be saved.", "Vesk");
    tap(scan_code::kN);
    EXPECT_EQ(game.scene->world->objects.size(), objects);
    EXPECT_EQ(input.mouseExclusive, 0);

    ForgetNotices();
    tap(scan_code::kN);
    EXPECT_EQ(game.scene->world->objects.size(), 0u);
    EXPECT_EQ(input.mouseExclusive, 1);
}
