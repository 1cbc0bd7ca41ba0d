// The application object: entering and leaving worlds, and the end-of-pass requests.
#include <gtest/gtest.h>

#include "input/input.h"
#include "shell/game.h"
#include "shell/main_window.h"
#include "support/temp_directory.h"

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
    game.modalOpen = 1;  // "Quit to Menu" while "Save As" takes the keys
    game.leaveRequest = 1;
    game.quitRequest = 1;
    Running = 1;
    GameFrame(&game);
    EXPECT_EQ(game.scene, nullptr);
    EXPECT_EQ(game.menuMode, 1);
    EXPECT_EQ(input.mouseExclusive, 0);
    EXPECT_EQ(game.modalOpen, 0);
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
