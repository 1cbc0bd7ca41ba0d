// The front-end screens driven through Dear ImGui without a GPU, as the
// front-end frame draws them (remote clicks by window and ID path): the main
// menu's return to the last world, the worlds list with opening and
// deleting, and the new-world screen with the names it refuses. Double
// clicks across screens are played through the whole program in
// played_input_test.cpp.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "platform/files.h"
#include "scene/scene.h"
#include "platform/message_box.h"
#include "shell/game.h"
#include "shell/settings.h"
#include "support/editor_window_driver.h"
#include "support/imgui_test_frame.h"
#include "support/temp_directory.h"
#include "ui/menu.h"
#include "ui/notices.h"

using testing_support::ImGuiTestFrame;

namespace {

class MenuScreens : public ::testing::Test {
protected:
    MenuScreens()
    {
        platform::SetMessageBoxesSuppressed(true);
        platform::SetMessageBoxFallback(QueueNotice);  // what the user is told shows as a notice
        ResetStartupSetup();
        Settings.screenWidth = 1280;
        Settings.screenHeight = 720;
        folder_.MakeFolder("Worlds");
        menu_.game = &game_;
        menu_.updateChecked = 1;
    }
    ~MenuScreens() override
    {
        ResetStartupSetup();
        platform::SetMessageBoxFallback(nullptr);
        ForgetNotices();
    }

    // What the front-end frame draws.
    void Draw() { DrawFrontEnd(menu_); }
    void Frame() { ui_.Frame([this] { Draw(); }); }
    void Click(const char* window, std::initializer_list<testing_support::IdPart> path)
    {
        ui_.ClickAndFrame(window, path, [this] { Draw(); });
        Frame();
    }
    void ConfirmDelete() { Click("Delete##confirm", {"OK"}); }

    // World files in the Worlds folder, listed as the start-up scan lists them.
    void MakeWorlds(const std::vector<std::string>& names)
    {
        for (const std::string& name : names) {
            folder_.Write("Worlds/" + name, "world");
            game_.worldNames.push_back(name);
        }
    }
    bool WorldFile(const std::string& name) const { return platform::FileExists(folder_.File("Worlds/" + name)); }
    std::string LastWorld() const { return std::string(Settings.lastWorld, strnlen(Settings.lastWorld, 128)); }
    std::string Log() const { return folder_.Read("game.log"); }

    TempDirectory folder_;
    ScopedStartDirectory start_ {folder_.Path()};
    CGame game_;
    CMenu menu_;
    ImGuiTestFrame ui_ {1280.0f, 720.0f};
};

}  // namespace

// ---------------------------------------------------------------------------
// Main menu
// ---------------------------------------------------------------------------

TEST_F(MenuScreens, ContinueSelectsTheLastWorldInAnyLetterCaseAndKeepsTheSelectionWithoutMatch)
{
    game_.worldNames = {"alpha.vsk", "Beta.vsk", "gamma.vsk"};
    std::strcpy(Settings.lastWorld, "BETA.VSK");
    Frame();
    Click("GM", {"Continue"});
    EXPECT_EQ(menu_.screenState, kWorldsScreen);
    EXPECT_EQ(menu_.selectedWorld, 1);

    menu_.screenState = kMainMenuScreen;
    menu_.selectedWorld = 2;
    std::strcpy(Settings.lastWorld, "delta.vsk");
    Frame();
    Click("GM", {"Continue"});
    EXPECT_EQ(menu_.screenState, kWorldsScreen);
    EXPECT_EQ(menu_.selectedWorld, 2);
}

// The settings keep 127 bytes of the last world's name, cut between whole
// characters; a longer name is still the one selected again.
TEST_F(MenuScreens, AWorldWhoseNameIsLongerThanTheSettingsKeepIsSelectedAgain)
{
    const std::string longName = std::string(126, 'a') + "\xC3\xA9" + std::string(60, 'b') + ".vsk";
    MakeWorlds({std::string(126, 'a') + ".vsk", longName});
    menu_.screenState = kWorldsScreen;
    menu_.selectedWorld = 1;
    Frame();
    Click("GM", {"Continue"});  // the file is no world: it stays unopened, but is the last one chosen
    EXPECT_EQ(LastWorld(), std::string(126, 'a'));
    EXPECT_EQ(Settings.lastWorld[127], 0);

    menu_.screenState = kMainMenuScreen;
    menu_.selectedWorld = 0;
    Frame();
    Click("GM", {"Continue"});
    EXPECT_EQ(menu_.selectedWorld, 1);
}

// ---------------------------------------------------------------------------
// Worlds list
// ---------------------------------------------------------------------------

// The message says why: a damaged file, or the system's own reason.
TEST_F(MenuScreens, AWorldThatCannotBeOpenedKeepsTheFrontEndWithItsReason)
{
    MakeWorlds({"broken.vsk"});
    game_.worldNames.push_back("gone.vsk");
    menu_.screenState = kWorldsScreen;
    Frame();
    Click("GM", {"Continue"});
    EXPECT_EQ(game_.scene, nullptr);
    EXPECT_EQ(game_.menuMode, 1);
    EXPECT_EQ(menu_.screenState, kWorldsScreen);
    EXPECT_EQ(platform::LastMessageBoxText(), "The world broken.vsk cannot be opened: the file is damaged.");
    EXPECT_NE(Log().find("Error: CMenu::WorldsScreen() "), std::string::npos) << Log();

    menu_.selectedWorld = 1;
    Click("GM", {"Continue"});
    EXPECT_EQ(platform::LastMessageBoxText(), "The world gone.vsk cannot be opened: No such file or directory.");
}

TEST_F(MenuScreens, DeletingTheFirstWorldKeepsTheSelectionAtTheTop)
{
    MakeWorlds({"a.vsk", "b.vsk", "c.vsk"});
    menu_.screenState = kWorldsScreen;
    Frame();
    Click("GM", {"Delete"});
    EXPECT_EQ(menu_.deleteConfirmation, 1);
    EXPECT_TRUE(ImGuiTestFrame::WindowShown("Delete##confirm"));
    ConfirmDelete();
    EXPECT_FALSE(WorldFile("a.vsk"));
    EXPECT_EQ(game_.worldNames, (std::vector<std::string> {"b.vsk", "c.vsk"}));
    EXPECT_EQ(menu_.selectedWorld, 0);

    // Deleting a later world selects the one before it; Cancel deletes nothing.
    menu_.selectedWorld = 1;
    Click("GM", {"Delete"});
    Click("Delete##confirm", {"Cancel"});
    EXPECT_TRUE(WorldFile("c.vsk"));
    EXPECT_EQ(menu_.deleteConfirmation, 0);
    Click("GM", {"Delete"});
    ConfirmDelete();
    EXPECT_FALSE(WorldFile("c.vsk"));
    EXPECT_EQ(game_.worldNames, (std::vector<std::string> {"b.vsk"}));
    EXPECT_EQ(menu_.selectedWorld, 0);
}

TEST_F(MenuScreens, AFailedDeleteChangesNothingAndASelectionOutsideTheListDeletesNothing)
{
    // Listed, but the file is gone: the deletion fails.
    MakeWorlds({"a.vsk", "b.vsk"});
    game_.worldNames.push_back("gone.vsk");
    menu_.screenState = kWorldsScreen;
    menu_.selectedWorld = 2;
    Frame();
    Click("GM", {"Delete"});
    ConfirmDelete();
    EXPECT_EQ(game_.worldNames, (std::vector<std::string> {"a.vsk", "b.vsk", "gone.vsk"}));
    EXPECT_EQ(menu_.selectedWorld, 2);
    EXPECT_NE(Log().find("gone.vsk cannot be deleted"), std::string::npos) << Log();
    EXPECT_EQ(WaitingNotices(), 1u);
    Click("###notice", {"OK"});

    // The dialog open while the selection leaves the list: "OK" closes it and
    // touches neither the files nor the Worlds folder.
    menu_.selectedWorld = 0;
    Click("GM", {"Delete"});
    menu_.selectedWorld = 7;
    ConfirmDelete();
    EXPECT_EQ(menu_.deleteConfirmation, 0);
    EXPECT_TRUE(WorldFile("a.vsk"));
    EXPECT_TRUE(platform::DirectoryExists(folder_.File("Worlds")));
}

// ---------------------------------------------------------------------------
// New world
// ---------------------------------------------------------------------------

TEST_F(MenuScreens, ANewWorldIsSavedListedAndEntered)
{
    menu_.screenState = kNewWorldScreen;
    menu_.proposedWorldName = "meadow";
    menu_.blankParams = BlankSceneParams {40.0f, 20.0f, 0, 0.0f, 0, 0};
    Frame();
    Click("SM", {"Continue"});
    EXPECT_NE(game_.scene, nullptr);
    EXPECT_EQ(game_.menuMode, 0);
    EXPECT_EQ(menu_.screenState, kNewWorldScreen);
    EXPECT_TRUE(WorldFile("meadow.vsk"));
    EXPECT_EQ(game_.worldNames, (std::vector<std::string> {"meadow.vsk"}));
    EXPECT_EQ(LastWorld(), "meadow.vsk");
    game_.UnloadWorld();
    menu_.proposedWorldName = "default.vsk";
    game_.menuMode = 1;
    Click("SM", {"Continue"});
    ASSERT_NE(game_.scene, nullptr);

    // In the world, which "Save As" also saves as "default1.vsk"; left, the
    // front end comes back to this screen, which proposes a free name.
    ui_.Frame([] {});
    game_.AddWorldName("default1.vsk");
    game_.UnloadWorld();
    game_.menuMode = 1;
    Frame();
    EXPECT_EQ(menu_.proposedWorldName, "default2.vsk");
    // A free name the user typed is kept.
    menu_.proposedWorldName = "orchard";
    ui_.Frame([] {});
    Frame();
    EXPECT_EQ(menu_.proposedWorldName, "orchard");
}

// Every name refused is refused on the screen, with a message, before
// anything is made: taken names in any case, no name at all (it once
// replaced "default.vsk"), names that reach out of the folder, that no file
// system takes, or that would hide the world from the list.
TEST_F(MenuScreens, ANewWorldNeverReplacesAWorldNorLeavesTheWorldsFolder)
{
    folder_.Write("Worlds/Meadow.vsk", "precious");
    folder_.Write("Worlds/default.vsk", "the default world");
    game_.worldNames = {"listed.vsk"};
    std::strcpy(Settings.lastWorld, "before.vsk");
    menu_.screenState = kNewWorldScreen;
    Frame();
    const std::vector<std::string> names = {"MEADOW",      "listed",     "",  "   ", "../outside", "a\\b",
                                            "tab\tname",  "a.vsk.bak",  "default1.vsktube rooms",
                                            ".vsk",        std::string(229, 'n')};
    for (const std::string& name : names) {
        const size_t told = WaitingNotices();
        menu_.proposedWorldName = name;
        Click("SM", {"Continue"});
        EXPECT_EQ(game_.scene, nullptr) << name;
        EXPECT_EQ(game_.menuMode, 1) << name;
        EXPECT_EQ(WaitingNotices(), told + 1) << name;
    }
    EXPECT_EQ(folder_.Read("Worlds/Meadow.vsk"), "precious");
    EXPECT_EQ(folder_.Read("Worlds/default.vsk"), "the default world");
    EXPECT_FALSE(platform::FileExists(folder_.File("outside.vsk")));
    std::vector<platform::DirectoryEntry> files;
    ASSERT_TRUE(platform::ListDirectory(folder_.File("Worlds"), files));
    EXPECT_EQ(files.size(), 2u);
    EXPECT_EQ(game_.worldNames, (std::vector<std::string> {"listed.vsk"}));
    EXPECT_EQ(LastWorld(), "before.vsk");
    EXPECT_NE(Log().find("Error: CMenu::NewWorldScreen() "), std::string::npos) << Log();

    // The longest name there is room for makes a world that can be saved and backed up.
    menu_.proposedWorldName = std::string(228, 'n');
    Click("SM", {"Continue"});
    ASSERT_NE(game_.scene, nullptr) << Log();
    folder_.MakeFolder("Worlds/Backups");
    game_.scene->lastBackupTime = 1;
    game_.scene->frameClock = 1000000;
    game_.scene->BackupWorld();
    std::vector<platform::DirectoryEntry> backups;
    ASSERT_TRUE(platform::ListDirectory(folder_.File("Worlds/Backups"), backups));
    EXPECT_EQ(backups.size(), 1u);
    game_.UnloadWorld();
}

// A world whose first save fails is neither entered nor listed, and the
// user is told why.
TEST_F(MenuScreens, ANewWorldThatCannotBeSavedIsNotMade)
{
    folder_.MakeFolder("Worlds/meadow.vsk");  // no file can be written there
    menu_.screenState = kNewWorldScreen;
    menu_.proposedWorldName = "meadow";
    Frame();
    Click("SM", {"Continue"});
    EXPECT_EQ(game_.scene, nullptr);
    EXPECT_EQ(game_.menuMode, 1);
    EXPECT_TRUE(game_.worldNames.empty());
    EXPECT_EQ(WaitingNotices(), 1u);
    EXPECT_EQ(platform::LastMessageBoxText(),
              "The world meadow.vsk could not be made and saved in the Worlds folder: Is a directory.");
    EXPECT_TRUE(platform::DirectoryExists(folder_.File("Worlds/meadow.vsk")));
}
