// The scene dialogs driven by clicks (Dear ImGui's remote activation, no
// window): the menu's place with the "Save As" entry open, the generated-scene dialog and the scene chooser with their
// disabled "Continue", the blank dialog building a new ground, and the editor
// frame showing two dialogs at once, each in its own window.
#include <gtest/gtest.h>

#include <string>

#include "graphics/driver.h"
#include "scene/scene.h"
#include "shell/game.h"
#include "shell/settings.h"
#include "support/headless_driver.h"
#include "support/editor_window_driver.h"
#include "support/imgui_test_frame.h"
#include "support/temp_directory.h"
#include "ui/editor_dialogs.h"
#include "ui/editor_windows.h"
#include "world/world.h"

using testing_support::ImGuiTestFrame;

namespace {

// The screen size the dialogs are placed on, restored after.
struct ScreenSize {
    ScreenSize(int width, int height) { Settings.screenWidth = width; Settings.screenHeight = height; }
    ~ScreenSize() { Settings = saved; }
    const StartupSetup saved = Settings;
};

void ExpectRect(const char* window, float x, float y, float width, float height)
{
    EXPECT_TRUE(ImGuiTestFrame::WindowShown(window)) << window;
    const ImVec2 pos = ImGuiTestFrame::WindowPos(window);
    const ImVec2 size = ImGuiTestFrame::WindowSize(window);
    EXPECT_EQ(pos.x, x) << window;
    EXPECT_EQ(pos.y, y) << window;
    EXPECT_EQ(size.x, width) << window;
    EXPECT_EQ(size.y, height) << window;
}

// The id path of the n-th picture button while its picture is not found.
const void* const kNoPicture = nullptr;

}  // namespace

// ---------------------------------------------------------------------------
// Choices
// ---------------------------------------------------------------------------

TEST(SceneDialogChoices, GeneratedSceneContinueWaitsForAPictureAndOpensTheChosenWindow)
{
    ImGuiTestFrame ui;
    CScene scene;
    scene.Flag(kFlagCreateObjectsDialog) = 1;
    scene.Flag(kFlagToolBox) = 0;
    const auto draw = [&] { DrawCreateObjectsDialog(scene); };
    ui.Frame(draw);
    ui.ClickAndFrame(kCreateObjectsDialogName, {"Continue"}, draw);
    EXPECT_TRUE(scene.FlagOn(kFlagCreateObjectsDialog));
    EXPECT_FALSE(scene.FlagOn(kFlagToolBox));

    // Direct objects: the "Generate Objects" window with a line preview at once.
    ui.ClickAndFrame(kCreateObjectsDialogName, {1, kNoPicture, "##picture"}, draw);
    ui.ClickAndFrame(kCreateObjectsDialogName, {"Continue"}, draw);
    EXPECT_FALSE(scene.FlagOn(kFlagCreateObjectsDialog));
    EXPECT_TRUE(scene.FlagOn(kFlagToolBox));
    EXPECT_TRUE(scene.FlagOn(kFlagGenerateObjects));
    EXPECT_TRUE(scene.FlagOn(kFlagGeneratorPreview));
}

// ---------------------------------------------------------------------------
// New-scene dialogs
// ---------------------------------------------------------------------------

TEST(SceneDialogCreate, TheBlankDialogBuildsANewGroundInTheRunningWorld)
{
    TempDirectory folder;
    const ScopedStartDirectory start(folder.Path());
    folder.MakeFolder("Worlds");
    CScene scene;
    ASSERT_TRUE(scene.CreateWorld(kGenerateWorld, "", kBlankScene, nullptr, nullptr, nullptr));
    ImGuiTestFrame ui;
    const auto draw = [&] { DrawBlankSceneDialog(scene); };

    // "Quit" closes without touching the world.
    const size_t before = scene.world->objects.size();
    scene.Flag(kFlagBlankSceneDialog) = 1;
    ui.Frame(draw);
    ui.ClickAndFrame(kBlankSceneDialogName, {"Quit"}, draw);
    EXPECT_FALSE(scene.FlagOn(kFlagBlankSceneDialog));
    EXPECT_EQ(scene.world->objects.size(), before);

    // A floor without borders 60 wide in tiles of about 20: 4 x 4 tiles.
    DialogValues.blankWorldSize = 60.0f;
    DialogValues.blankObjectSize = 20.0f;
    DialogValues.blankVerticalBorders = false;
    scene.Flag(kFlagBlankSceneDialog) = 1;
    scene.Flag(kFlagToolBox) = 0;
    scene.mainCamera.position = Vector3{50.0f, 50.0f, 50.0f};
    ui.Frame(draw);
    ui.ClickAndFrame(kBlankSceneDialogName, {"Create"}, draw);
    EXPECT_FALSE(scene.FlagOn(kFlagBlankSceneDialog));
    EXPECT_TRUE(scene.FlagOn(kFlagToolBox));
    EXPECT_EQ(scene.world->objects.size(), 16u);
    EXPECT_LT(scene.mainCamera.position.y, 50.0f);  // the viewer stands on the new ground
    DialogValues = SceneDialogValues{};
}

// ---------------------------------------------------------------------------
// The editor frame
// ---------------------------------------------------------------------------

class EditorFrame : public HeadlessDriverTest {};

TEST_F(EditorFrame, TwoDialogsShownAtOnceKeepTheirOwnWindows)
{
    const ScreenSize screen(1280, 720);
    ImGuiTestFrame ui(1280, 720);
    CScene scene;
    scene.driver = Driver;
    scene.Flag(kFlagSceneMenu) = 1;
    scene.Flag(kFlagTubeSceneDialog) = 1;
    scene.DrawUserInterface();
    ExpectRect(kSceneMenuName, 440, 80, 400, 560);
    ExpectRect(kTubeSceneDialogName, 440, 60, 400, 600);

    // A click reaches its own dialog only.
    ui.Click(kTubeSceneDialogName, {"Quit"});
    scene.DrawUserInterface();
    EXPECT_FALSE(scene.FlagOn(kFlagTubeSceneDialog));
    EXPECT_TRUE(scene.FlagOn(kFlagSceneMenu));
}
