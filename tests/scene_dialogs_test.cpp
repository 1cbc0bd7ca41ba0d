// The scene dialogs driven by clicks (Dear ImGui's remote activation, no
// window): their places and sizes at 1x and 2x scale and with the "Save As"
// entry open, the generated-scene dialog and the scene chooser with their
// disabled "Continue", the blank dialog building a new ground, and the editor
// frame showing two dialogs at once, each in its own window.
#include <gtest/gtest.h>

#include <string>

#include "graphics/driver.h"
#include "scene/scene.h"
#include "shell/game.h"
#include "shell/settings.h"
#include "support/headless_driver.h"
#include "support/imgui_test_frame.h"
#include "support/temp_directory.h"
#include "ui/editor_dialogs.h"
#include "ui/editor_windows.h"
#include "world/world.h"

using testing_support::ImGuiTestFrame;

namespace {

// The screen size the dialogs are placed on, restored after.
class ScreenSize {
public:
    ScreenSize(int width, int height) : width_(Settings.screenWidth), height_(Settings.screenHeight)
    {
        Settings.screenWidth = width;
        Settings.screenHeight = height;
    }
    ~ScreenSize()
    {
        Settings.screenWidth = width_;
        Settings.screenHeight = height_;
    }

private:
    int width_;
    int height_;
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

void DrawAllDialogs(CScene& scene)
{
    DrawCreateObjectsDialog(scene);
    DrawBlankSceneDialog(scene);
    DrawTubeSceneDialog(scene);
    DrawLandscapeSceneDialog(scene);
    DrawSceneChooser(scene);
    DrawSceneMenu(scene);
}

// The id path of the n-th picture button while its picture is not found.
const void* const kNoPicture = nullptr;

}  // namespace

// ---------------------------------------------------------------------------
// Geometry
// ---------------------------------------------------------------------------

TEST(SceneDialogGeometry, FixedDialogsAndTheMenuAreCentredAndGrowWithTheSaveAsEntry)
{
    const ScreenSize screen(1280, 720);
    ImGuiTestFrame ui(1280, 720);
    CScene scene;
    ui.Frame([&] { DrawAllDialogs(scene); });
    for (const char* fixed : {kBlankSceneDialogName, kTubeSceneDialogName, kLandscapeSceneDialogName})
        ExpectRect(fixed, 440, 60, 400, 600);
    ExpectRect(kSceneMenuName, 440, 80, 400, 560);
    // Scale 1 below 1440 pixels.
    ExpectRect(kCreateObjectsDialogName, 415, 60, 450, 600);
    ExpectRect(kSceneChooserName, 420, 60, 440, 600);

    scene.Flag(kFlagSaveAsEntry) = 1;
    ui.Frame([&] { DrawAllDialogs(scene); });
    ExpectRect(kBlankSceneDialogName, 440, 10, 400, 700);
    ExpectRect(kSceneMenuName, 440, 30, 400, 660);
    ExpectRect(kCreateObjectsDialogName, 415, 10, 450, 700);

    // With the overwrite question the menu outgrows the screen: it stays at the top.
    scene.Flag(kFlagOverwriteQuestion) = 1;
    ui.Frame([&] { DrawAllDialogs(scene); });
    ExpectRect(kSceneMenuName, 440, 0, 400, 720);
}

TEST(SceneDialogGeometry, ScaledDialogsDoubleAt2880AndFixedOnesDoNot)
{
    const ScreenSize screen(2880, 1620);
    ImGuiTestFrame ui(2880, 1620);
    CScene scene;
    ui.Frame([&] { DrawAllDialogs(scene); });
    ExpectRect(kCreateObjectsDialogName, 990, 210, 900, 1200);
    ExpectRect(kSceneChooserName, 1000, 210, 880, 1200);
    ExpectRect(kBlankSceneDialogName, 1240, 510, 400, 600);
    scene.Flag(kFlagSaveAsEntry) = 1;
    ui.Frame([&] { DrawAllDialogs(scene); });
    ExpectRect(kCreateObjectsDialogName, 990, 160, 900, 1300);
}

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
    EXPECT_EQ(scene.dialogs.objectsChoice, 1);
    EXPECT_EQ(scene.dialogs.objectsCaption, u"Direct Objects");
    ui.ClickAndFrame(kCreateObjectsDialogName, {"Continue"}, draw);
    EXPECT_FALSE(scene.FlagOn(kFlagCreateObjectsDialog));
    EXPECT_TRUE(scene.FlagOn(kFlagToolBox));
    EXPECT_TRUE(scene.FlagOn(kFlagGenerateObjects));
    EXPECT_TRUE(scene.FlagOn(kFlagGeneratorPreview));

    // The automatic scene.
    scene.Flag(kFlagCreateObjectsDialog) = 1;
    ui.Frame(draw);
    ui.ClickAndFrame(kCreateObjectsDialogName, {0, kNoPicture, "##picture"}, draw);
    EXPECT_EQ(scene.dialogs.objectsCaption, u"Auto Generated Scene");
    ui.ClickAndFrame(kCreateObjectsDialogName, {"Continue"}, draw);
    EXPECT_TRUE(scene.FlagOn(kFlagAutoSceneGenerator));

    scene.Flag(kFlagCreateObjectsDialog) = 1;
    ui.Frame(draw);
    ui.ClickAndFrame(kCreateObjectsDialogName, {"Cancel"}, draw);
    EXPECT_FALSE(scene.FlagOn(kFlagCreateObjectsDialog));
}

TEST(SceneDialogChoices, TheChooserLeadsToTheChosenDialogAndKeepsItsOwnCaption)
{
    ImGuiTestFrame ui;
    CScene scene;
    scene.Flag(kFlagSceneChooser) = 1;
    const auto draw = [&] { DrawSceneChooser(scene); };
    ui.Frame(draw);
    ui.ClickAndFrame(kSceneChooserName, {"Continue"}, draw);
    EXPECT_TRUE(scene.FlagOn(kFlagSceneChooser));
    for (const int flag : {kFlagBlankSceneDialog, kFlagTubeSceneDialog, kFlagLandscapeSceneDialog})
        EXPECT_FALSE(scene.FlagOn(flag));

    ui.ClickAndFrame(kSceneChooserName, {2, kNoPicture, "##picture"}, draw);
    EXPECT_EQ(scene.dialogs.sceneChoice, 2);
    EXPECT_EQ(scene.dialogs.sceneCaption, u"3D Cube Landscape Scene");
    // A choice in the other dialog does not rename this one's.
    scene.Flag(kFlagCreateObjectsDialog) = 1;
    ui.Frame([&] { DrawCreateObjectsDialog(scene); });
    ui.ClickAndFrame(kCreateObjectsDialogName, {0, kNoPicture, "##picture"}, [&] { DrawCreateObjectsDialog(scene); });
    EXPECT_EQ(scene.dialogs.sceneCaption, u"3D Cube Landscape Scene");

    ui.Frame(draw);
    ui.ClickAndFrame(kSceneChooserName, {"Continue"}, draw);
    EXPECT_FALSE(scene.FlagOn(kFlagSceneChooser));
    EXPECT_TRUE(scene.FlagOn(kFlagLandscapeSceneDialog));

    scene.Flag(kFlagSceneChooser) = 1;
    ui.Frame(draw);
    ui.ClickAndFrame(kSceneChooserName, {"Back"}, draw);
    EXPECT_FALSE(scene.FlagOn(kFlagSceneChooser));
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
    EXPECT_FALSE(ImGuiTestFrame::WindowShown(kBlankSceneDialogName));

    // A click reaches its own dialog only.
    ui.Click(kTubeSceneDialogName, {"Quit"});
    scene.DrawUserInterface();
    EXPECT_FALSE(scene.FlagOn(kFlagTubeSceneDialog));
    EXPECT_TRUE(scene.FlagOn(kFlagSceneMenu));
}
