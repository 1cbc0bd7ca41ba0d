// The whole program driven through its front end: "Continue", "New World",
// a blank world created from the new-world screen, objects thrown, Escape,
// "Save", "Quit to Menu", the world found in the worlds list and opened again
// with its objects where they were, left again and deleted. Buttons are
// pressed through Dear ImGui's own item activation (the SDL back end reads
// the mouse only with keyboard focus, which no offscreen window has); keys go
// through synthetic SDL events and the real input path.
#include <gtest/gtest.h>

#include <imgui.h>
#include <imgui_internal.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "platform/clock.h"
#include "platform/files.h"
#include "platform/window.h"
#include "platform/window_test_events.h"
#include "scene/scene.h"
#include "shell/game.h"
#include "shell/win_main.h"
#include "support/imgui_test_frame.h"
#include "support/program_run.h"
#include "support/virtual_keys.h"
#include "ui/menu.h"
#include "world/object.h"
#include "world/world.h"

namespace {

using testing_support::ImGuiTestFrame;

constexpr int kKeyThrow = 'G';
constexpr int kKeyTool1 = '1';
constexpr int kMaxPasses = 8000;

std::vector<Vector3> ThrownPositions(const CWorld& world)
{
    std::vector<Vector3> found;
    for (const CNBObject* object : world.objects)
        if (object && object->Kind == 2)
            found.push_back({object->WorldMatrix.m[12], object->WorldMatrix.m[13], object->WorldMatrix.m[14]});
    return found;
}

void Press(const char* window, std::initializer_list<testing_support::IdPart> path)
{
    ImGui::ActivateItem(ImGuiTestFrame::ItemId(window, path));
}

bool InScene()
{
    return Game && Game->menuMode == 0 && Game->scene && Game->scene->world;
}

std::string startDirectory;
bool WorldFileExists(const std::string& name)
{
    return platform::FileExists(platform::JoinPath(platform::JoinPath(startDirectory, "Worlds"), name));
}
bool Listed(const std::string& name)
{
    return std::find(Game->worldNames.begin(), Game->worldNames.end(), name) != Game->worldNames.end();
}

struct Script {
    enum Step {
        kMainMenu, kWorldsList, kNewWorld, kEnterWorld, kThrow, kSettle, kSave, kLeave, kBackToList,
        kReopen, kLeaveAgain, kDelete, kConfirmDelete, kClose, kDone
    };
    Step step = kMainMenu;
    int stepPass = 0;
    std::string failure;

    std::string worldName;
    std::vector<Vector3> lastPositions;
    std::vector<Vector3> savedPositions;
    std::vector<Vector3> reopenedPositions;
    int quietPasses = 0;
    uint32_t quietSince = 0;
    int okPass = 0;
    bool savedFileSeen = false;
    bool listedAfterLeaving = false;
    bool deletedFromDisk = false;
    bool deletedFromList = false;

    void Go(Step next)
    {
        step = next;
        stepPass = 0;
    }
    void Fail(const std::string& why)
    {
        if (failure.empty()) failure = why + " (step " + std::to_string(step) + ")";
        Go(kClose);
    }
    // Down at pass `at` of the step, up at the next.
    void Tap(platform::Window* window, int key, int at)
    {
        if (stepPass == at) platform::PushKeyDownEvent(window, key, false);
        if (stepPass == at + 1) platform::PushKeyUpEvent(window, key);
    }
    // Escape, then "Quit to Menu"; true once the front end is back.
    bool QuitToMenu(platform::Window* window)
    {
        Tap(window, kVkEscape, 1);
        if (stepPass == 5) Press("GM##SceneMenu", {"Quit to Menu"});
        return stepPass > 6 && Game->menuMode == 1 && !Game->scene;
    }
    void Pass(int pass)
    {
        platform::Window* window = platform::GetMainWindow();
        platform::Sleep(2);
        if (pass >= kMaxPasses && step < kClose) Fail("the script did not finish within the pass budget");
        ++stepPass;
        switch (step) {
        case kMainMenu:
            if (stepPass < 3) return;
            if (stepPass == 3) {
                if (!Menu || Menu->screenState != 0) return Fail("the program did not open on the main menu");
                Press("GM", {"Continue"});
            }
            if (stepPass == 5) {
                if (Menu->screenState != 1) return Fail("main menu Continue did not open the worlds list");
                return Go(kWorldsList);
            }
            return;
        case kWorldsList:
            if (stepPass == 1) Press("GM", {"New World"});
            if (stepPass == 3) {
                if (Menu->screenState != 8) return Fail("New World did not open the new-world screen");
                worldName = Menu->proposedWorldName;
                if (worldName.empty()) return Fail("no world name was proposed");
                return Go(kNewWorld);
            }
            return;
        case kNewWorld:
            if (stepPass == 1) Press("SM", {"Continue"});
            if (stepPass > 2 && InScene()) return Go(kEnterWorld);
            if (stepPass > 50) return Fail("Continue on the new-world screen did not enter a world");
            return;
        case kEnterWorld:
            Tap(window, kKeyTool1, 1);
            if (stepPass == 6) {
                if (!Game->scene->world->currentBlockType) return Fail("key 1 did not choose a block type");
                return Go(kThrow);
            }
            return;
        case kThrow: {
            const int press = (stepPass - 1) / 6;  // two presses, six passes apart
            if (press < 2) return Tap(window, kKeyThrow, 6 * press + 1);
            if (ThrownPositions(*Game->scene->world).size() != 2) return Fail("G twice did not throw two objects");
            return Go(kSettle);
        }
        case kSettle: {
            const std::vector<Vector3> now = ThrownPositions(*Game->scene->world);
            bool still = now.size() == lastPositions.size();
            for (size_t i = 0; still && i < now.size(); ++i)
                if (Vector3::Sub(now[i], lastPositions[i]).Length() > 1e-4f) still = false;
            const uint32_t clock = platform::TimeGetTime();
            if (!still || quietPasses == 0) quietSince = clock;
            quietPasses = still ? quietPasses + 1 : 0;
            lastPositions = now;
            if (stepPass > 20 && quietPasses >= 30 && clock - quietSince >= 400) return Go(kSave);
            if (stepPass > 4000) return Fail("the thrown objects never came to rest");
            return;
        }
        case kSave:
            Tap(window, kVkEscape, 1);
            if (stepPass == 5) {
                if (!Game->scene->FlagOn(kFlagSceneMenu)) return Fail("Escape did not open the scene menu");
                savedPositions = ThrownPositions(*Game->scene->world);
                Press("GM##SceneMenu", {"Save"});
            }
            if (stepPass == 7) {
                savedFileSeen = WorldFileExists(worldName);
                if (Game->scene->FlagOn(kFlagSceneMenu)) return Fail("Save did not close the scene menu");
                return Go(kLeave);
            }
            return;
        case kLeave:
            if (QuitToMenu(window)) {
                listedAfterLeaving = Listed(worldName);
                return Go(kBackToList);
            }
            if (stepPass > 60) return Fail("Quit to Menu did not return to the front end");
            return;
        case kBackToList:
            // The front end resumes on the screen it showed last.
            if (stepPass == 2 && Menu->screenState == 8) Press("SM", {"Back"});
            if (stepPass == 4) {
                if (Menu->screenState != 1) return Fail("Back did not return to the worlds list");
                if (!Listed(worldName)) return Fail("the saved world is not in the worlds list");
                Menu->selectedWorld = static_cast<int32_t>(
                    std::find(Game->worldNames.begin(), Game->worldNames.end(), worldName) - Game->worldNames.begin());
                return Go(kReopen);
            }
            return;
        case kReopen:
            if (stepPass == 1) Press("GM", {"Continue"});
            if (stepPass > 2 && InScene()) {
                reopenedPositions = ThrownPositions(*Game->scene->world);
                return Go(kLeaveAgain);
            }
            if (stepPass > 50) return Fail("Continue in the worlds list did not open the world");
            return;
        case kLeaveAgain:
            if (QuitToMenu(window)) return Go(kDelete);
            if (stepPass > 60) return Fail("the second Quit to Menu did not return to the front end");
            return;
        case kDelete:
            if (stepPass == 2) {
                if (Menu->screenState != 1) return Fail("the front end did not resume on the worlds list");
                Press("GM", {"Delete"});
            }
            if (stepPass == 4) return Go(kConfirmDelete);
            return;
        case kConfirmDelete:
            // "OK" counts once the dialog has been up for longer than a double click.
            if (stepPass == 1) quietSince = platform::TimeGetTime();
            if (okPass == 0 && platform::TimeGetTime() - quietSince > 600) {
                Press("Delete##confirm", {"OK"});
                okPass = stepPass;
            }
            if (okPass > 0 && stepPass == okPass + 2) {
                deletedFromDisk = !WorldFileExists(worldName);
                deletedFromList = !Listed(worldName);
                return Go(kClose);
            }
            return;
        case kClose:
            platform::PushWindowCloseEvent(window);
            return Go(kDone);
        case kDone:
            return;
        }
    }
};

class FrontEndEndToEnd : public ProgramRunTest {
protected:
    void SetUp() override
    {
        ProgramRunTest::SetUp();
        startDirectory = folder.Path();
    }
};

}  // namespace

TEST_F(FrontEndEndToEnd, CreatesSavesReopensAndDeletesAWorldThroughTheMenus)
{
    Script script;
    SetMainLoopPassHook([&script](int pass) { script.Pass(pass); });
    const int exitCode = WinMain(1);
    SetMainLoopPassHook(nullptr);

    EXPECT_EQ(exitCode, 0);
    EXPECT_EQ(script.failure, "");
    EXPECT_EQ(script.step, Script::kDone);
    EXPECT_TRUE(script.savedFileSeen) << "Save wrote no file";
    EXPECT_TRUE(script.listedAfterLeaving) << "the new world is not in the worlds list";
    ASSERT_EQ(script.savedPositions.size(), 2u);
    ASSERT_EQ(script.reopenedPositions.size(), 2u) << "the reopened world lost its thrown objects";
    for (size_t i = 0; i < 2; ++i) {
        EXPECT_NEAR(script.reopenedPositions[i].x, script.savedPositions[i].x, 0.05f);
        EXPECT_NEAR(script.reopenedPositions[i].y, script.savedPositions[i].y, 0.05f);
        EXPECT_NEAR(script.reopenedPositions[i].z, script.savedPositions[i].z, 0.05f);
    }
    EXPECT_TRUE(script.deletedFromDisk);
    EXPECT_TRUE(script.deletedFromList);
}
