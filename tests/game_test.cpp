// The application object: default bindings, entering and leaving worlds, and
// the end-of-pass requests.
#include <gtest/gtest.h>

#include "input/input.h"
#include "shell/game.h"
#include "shell/main_window.h"
#include "support/temp_directory.h"

TEST(Game, ConstructionStartsInMenuModeWithDefaultBindings)
{
    CGame game;
    EXPECT_EQ(game.menuMode, 1);
    EXPECT_EQ(game.scene, nullptr);
    const int32_t expected[kKeySlotCount] = {
        0x57, 0x53, 0x41, 0x44, 0x45, 0x51, 0x20, 0x46, 0x26, 0x28, 0x25, 0x27, 0x21, 0x22, 0xBD, 0x31, 0x32, 0x33,
        0x34, 0x35, 0x36, 0x37, 0x38, 0x39, 0x30, 0x43, 0x2E, 0x55, 0x59, 0x4E, 0x47, 0x5A, 0x42, 0x4D, 0x54, 0x50,
        0x4A, 0x4B, 0x4C, 0x70, 0x71, 0x72, 0x73, 0x74, 0x76, 0x77, 0x78, 0x75, 0x7A, 0xBF, 0xC0, 0xBB};
    for (int i = 0; i < kKeySlotCount; ++i) EXPECT_EQ(game.keySlots[i], expected[i]) << "slot " << i;

    game.keySlots[5] = -1;
    game.SetDefaultBindings();
    EXPECT_EQ(game.keySlots[5], 0x51);
}

TEST(Game, AWorldThatCannotBeOpenedLeavesNoScene)
{
    TempDirectory folder;
    ScopedStartDirectory start(folder.Path());
    folder.Write("Worlds/broken.vsk", "not a world");
    CGame game;
    EXPECT_FALSE(game.LoadWorld("broken.vsk"));
    EXPECT_EQ(game.scene, nullptr);
    EXPECT_EQ(game.menuMode, 1);
}

TEST(Game, LeaveAndQuitInOnePassLeaveTheWorldFirst)
{
    TempDirectory folder;
    ScopedStartDirectory start(folder.Path());
    folder.MakeFolder("Worlds");
    CGame game;
    CInput input;
    game.input = &input;
    const BlankSceneParams blank;
    const TubeSceneParams tube;
    const LandscapeSceneParams landscape;
    ASSERT_TRUE(game.NewWorld("first.vsk", kBlankScene, &blank, &tube, &landscape));
    ASSERT_NE(game.scene, nullptr);
    game.menuMode = 0;

    input.mouseExclusive = 1;
    game.leaveRequest = 1;
    game.quitRequest = 1;
    Running = 1;
    GameFrame(&game);
    EXPECT_EQ(game.scene, nullptr);
    EXPECT_EQ(game.menuMode, 1);
    EXPECT_EQ(input.mouseExclusive, 0);
    EXPECT_EQ(game.leaveRequest, 0);
    EXPECT_EQ(game.quitRequest, 0);
    EXPECT_EQ(Running, 0);
    Running = 1;
}

TEST(Game, LeavingWithASharedMouseLeavesTheMouseAlone)
{
    TempDirectory folder;
    ScopedStartDirectory start(folder.Path());
    folder.MakeFolder("Worlds");
    CGame game;
    CInput input;
    game.input = &input;
    const BlankSceneParams blank;
    const TubeSceneParams tube;
    const LandscapeSceneParams landscape;
    ASSERT_TRUE(game.NewWorld("fresh.vsk", kBlankScene, &blank, &tube, &landscape));
    game.menuMode = 0;
    game.leaveRequest = 1;
    GameFrame(&game);
    EXPECT_EQ(input.mouseExclusive, 0);
    EXPECT_EQ(game.menuMode, 1);
    EXPECT_EQ(Running, 1);
}
