// The whole program driven like a player would: enter a blank world, walk
// forward, throw three objects, let them come to rest, delete one of them and
// close the window. Every step goes through the real input path (synthetic
// SDL events, the input devices, the in-game dispatch) and the real frames.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/clock.h"
#include "platform/files.h"
#include "platform/window.h"
#include "platform/window_test_events.h"
#include "scene/scene.h"
#include "shell/game.h"
#include "shell/win_main.h"
#include "support/program_run.h"
#include "world/object.h"
#include "world/world.h"

namespace {

constexpr int kKeyW = 'W';
constexpr int kKeyThrow = 'G';
constexpr int kKeyTool1 = '1';
constexpr int kKeyDelete = 0x2E;

constexpr int kEnterPass = 2;
constexpr int kMaxPasses = 6000;  // a hard stop, whatever state the script is in

std::vector<CNBObject*> ThrownObjects(const CWorld& world)
{
    std::vector<CNBObject*> found;
    for (CNBObject* object : world.objects)
        if (object && object->Kind == 2) found.push_back(object);
    return found;
}

// The scripted player. Each pass's hook runs before that pass polls input,
// so an event pushed now is read by the next pass.
struct Script {
    enum Step { kWaitToEnter, kWalk, kThrow, kSettle, kDelete, kClose, kDone };

    Step step = kWaitToEnter;
    int stepPass = 0;  // passes spent in the current step
    std::string failure;

    bool entered = false;
    Vector3 walkStart {};
    Vector3 walkForward {};
    Vector3 walkEnd {};
    size_t thrownBefore = 0;
    size_t thrownAfter = 0;
    std::vector<CNBObject*> thrown;
    std::vector<float> lastY;
    int quietPasses = 0;
    uint32_t quietSince = 0;
    bool settled = false;
    std::vector<float> restY;
    CNBObject* target = nullptr;
    bool selected = false;
    size_t countBeforeDelete = 0;
    size_t countAfterDelete = 0;
    bool targetGone = false;

    void Go(Step next)
    {
        step = next;
        stepPass = 0;
    }
    void Fail(const std::string& why)
    {
        if (failure.empty()) failure = why;
        Go(kClose);
    }

    void Pass(int pass)
    {
        platform::Window* window = platform::GetMainWindow();
        // Physics and the frame limiter run on the real clock.
        platform::Sleep(2);
        if (pass >= kMaxPasses && step != kDone) {
            Fail("the script did not finish within the pass budget (stuck in step " + std::to_string(step) + ")");
        }
        if (step != kWaitToEnter && step != kClose && step != kDone && (!Game || !Game->scene || !Game->scene->world)) {
            Fail("the world went away in step " + std::to_string(step));
        }
        ++stepPass;
        switch (step) {
        case kWaitToEnter: {
            if (pass < kEnterPass) return;
            BlankSceneParams blank;
            TubeSceneParams tube;
            LandscapeSceneParams landscape;
            entered = Game->NewWorld("e2e.vsk", kBlankScene, &blank, &tube, &landscape);
            if (!entered || !Game->scene || !Game->scene->world) return Fail("NewWorld did not give a world");
            Game->menuMode = 0;
            return Go(kWalk);
        }
        case kWalk: {
            CScene& scene = *Game->scene;
            if (stepPass == 5) {
                walkStart = scene.mainCamera.position;
                walkForward = scene.mainCamera.LevelledForward();
                if (!platform::PushKeyDownEvent(window, kKeyW, false)) return Fail("W has no key event");
            } else if (stepPass == 65) {
                platform::PushKeyUpEvent(window, kKeyW);
            } else if (stepPass == 75) {
                walkEnd = scene.mainCamera.position;
                return Go(kThrow);
            }
            return;
        }
        case kThrow: {
            // Tool 1 first: a throw needs a current block type.
            if (stepPass == 1) {
                if (Game->scene->world->quickBar.empty()) return Fail("the blank world has no quick bar");
                platform::PushKeyDownEvent(window, kKeyTool1, false);
                return;
            }
            if (stepPass == 2) platform::PushKeyUpEvent(window, kKeyTool1);
            if (stepPass < 6) return;
            if (stepPass == 6) {
                if (!Game->scene->world->currentBlockType) return Fail("key 1 did not choose a block type");
                thrownBefore = ThrownObjects(*Game->scene->world).size();
            }
            // Down, up, a pause: three separate presses, none held long
            // enough for the throw key to repeat.
            const int inPress = (stepPass - 6) % 6;
            const int press = (stepPass - 6) / 6;
            if (press < 3) {
                if (inPress == 0) platform::PushKeyDownEvent(window, kKeyThrow, false);
                if (inPress == 1) platform::PushKeyUpEvent(window, kKeyThrow);
                return;
            }
            if (press == 3 && inPress == 3) {
                thrown = ThrownObjects(*Game->scene->world);
                thrownAfter = thrown.size();
                if (thrownAfter != thrownBefore + 3) return Fail("G pressed three times did not throw three objects");
                thrown.erase(thrown.begin(), thrown.begin() + static_cast<std::ptrdiff_t>(thrownBefore));
                return Go(kSettle);
            }
            return;
        }
        case kSettle: {
            const std::vector<CNBObject*> now = ThrownObjects(*Game->scene->world);
            for (CNBObject* object : thrown)
                if (std::find(now.begin(), now.end(), object) == now.end())
                    return Fail("a thrown object vanished while falling");
            std::vector<float> y;
            for (CNBObject* object : thrown) y.push_back(object->WorldMatrix.m[13]);
            bool still = lastY.size() == y.size();
            for (size_t i = 0; still && i < y.size(); ++i)
                if (std::fabs(y[i] - lastY[i]) > 1e-4f) still = false;
            const uint32_t clock = platform::TimeGetTime();
            if (!still || quietPasses == 0) quietSince = clock;
            quietPasses = still ? quietPasses + 1 : 0;
            lastY = y;
            // Still over many passes and over a good stretch of real time, so
            // a fast run of passes between two physics steps does not count.
            if (stepPass > 20 && quietPasses >= 30 && clock - quietSince >= 400) {
                settled = true;
                restY = y;
                return Go(kDelete);
            }
            if (stepPass > 4000) return Fail("the thrown objects never came to rest");
            return;
        }
        case kDelete: {
            CScene& scene = *Game->scene;
            if (stepPass == 1) {
                platform::PushKeyDownEvent(window, kKeyDelete, false);
                return;
            }
            if (stepPass == 2) {
                // This pass reads the Delete press: aim at one of the objects
                // now, so nothing between aiming and dispatching moves the view.
                const std::vector<CNBObject*> present = ThrownObjects(*scene.world);
                for (CNBObject* object : thrown)
                    if (std::find(present.begin(), present.end(), object) == present.end())
                        return Fail("a resting object vanished before it could be aimed at");
                target = thrown[0];
                const Vector3 eye = scene.mainCamera.position;
                const Vector3 at {target->WorldMatrix.m[12], target->WorldMatrix.m[13], target->WorldMatrix.m[14]};
                Vector3 up {0.0f, 1.0f, 0.0f};
                scene.mainCamera.LookAt(eye, at, up);
                scene.mainCamera.UpdateViewMatrix();
                scene.SelectAtCursor();
                selected = scene.selectedObject == target;
                if (!selected) {
                    // Another thrown object in front of it is as good.
                    for (CNBObject* object : thrown)
                        if (scene.selectedObject == object) {
                            target = object;
                            selected = true;
                        }
                }
                if (!selected) return Fail("aiming at a resting object did not select it");
                countBeforeDelete = ThrownObjects(*scene.world).size();
                return;
            }
            if (stepPass == 3) {
                platform::PushKeyUpEvent(window, kKeyDelete);
                const std::vector<CNBObject*> now = ThrownObjects(*scene.world);
                countAfterDelete = now.size();
                targetGone = std::find(now.begin(), now.end(), target) == now.end();
                return;
            }
            if (stepPass == 6) return Go(kClose);
            return;
        }
        case kClose:
            platform::PushWindowCloseEvent(window);
            return Go(kDone);
        case kDone:
            return;
        }
    }
};

using SandboxEndToEnd = ProgramRunTest;

}  // namespace

TEST_F(SandboxEndToEnd, WalksThrowsSettlesDeletesAndCloses)
{
    Script script;
    SetMainLoopPassHook([&script](int pass) { script.Pass(pass); });
    const int exitCode = WinMain(1);
    SetMainLoopPassHook(nullptr);

    EXPECT_EQ(exitCode, 0);
    EXPECT_EQ(script.failure, "");
    ASSERT_TRUE(script.entered) << "no world was entered";
    EXPECT_EQ(script.step, Script::kDone);

    // Walking: the camera went along its levelled viewing direction.
    const Vector3 moved {script.walkEnd.x - script.walkStart.x, script.walkEnd.y - script.walkStart.y,
                         script.walkEnd.z - script.walkStart.z};
    const float along = moved.x * script.walkForward.x + moved.y * script.walkForward.y + moved.z * script.walkForward.z;
    EXPECT_GT(along, 0.1f) << "holding W did not move the camera forward";

    EXPECT_EQ(script.thrownAfter, script.thrownBefore + 3);
    EXPECT_TRUE(script.settled);
    ASSERT_EQ(script.restY.size(), 3u);
    for (float y : script.restY) {
        EXPECT_TRUE(std::isfinite(y));
        EXPECT_GT(y, 0.0f) << "a thrown object came to rest below the ground";
    }

    EXPECT_TRUE(script.selected);
    EXPECT_EQ(script.countAfterDelete + 1, script.countBeforeDelete);
    EXPECT_TRUE(script.targetGone) << "Delete removed some other object than the selected one";

    const std::string log = folder.Read("game.log");
    EXPECT_EQ(log.find("Error"), std::string::npos) << log;
}
