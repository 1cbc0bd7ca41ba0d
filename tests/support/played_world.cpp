#include "support/played_world.h"

#include <gtest/gtest.h>

#include <cctype>

#include "platform/window.h"
#include "platform/window_test_events.h"
#include "scene/scene.h"
#include "support/editor_window_driver.h"

namespace {

constexpr int kSize[2] = {640, 480};
constexpr int kShift = 0x10;

}  // namespace

PlayedWorld::PlayedWorld()
{
    screenWidth_ = kSize[0];
    screenHeight_ = kSize[1];
}

void PlayedWorld::SetUp()
{
    RunningGameTest::SetUp();
    platform::SetClientRect(gpu().Window(), 0, 0, kSize[0], kSize[1]);
    ASSERT_EQ(input_.InitInput(gpu().Window()), S_OK);
    game_.input = &input_;
    const BlankSceneParams blank {40.0f, 20.0f, 1, 5.0f, 0, 0};
    ASSERT_TRUE(game_.NewWorld("played", kBlankScene, &blank, nullptr, nullptr)) << Log();
    game_.menuMode = 0;
    Scene().Flag(kFlagStartHints) = 0;
    Pass(2);  // the scene's first frames; the mouse is taken exclusively
}

void PlayedWorld::TearDown()
{
    game_.UnloadWorld();
    input_.ReleaseDevices();
    RunningGameTest::TearDown();
}

void PlayedWorld::Pass(int passes)
{
    for (int pass = 0; pass < passes; ++pass) {
        int code = 0;
        platform::PumpMessages(&code);
        input_.PollKeyboard();
        input_.PollMouse();
        GameFrame(&game_);
    }
}

void PlayedWorld::KeyDown(int virtualKey) { ASSERT_TRUE(platform::PushKeyDownEvent(gpu().Window(), virtualKey, false)); }

void PlayedWorld::KeyUp(int virtualKey) { ASSERT_TRUE(platform::PushKeyUpEvent(gpu().Window(), virtualKey)); }

void PlayedWorld::Tap(int virtualKey)
{
    KeyDown(virtualKey);
    KeyUp(virtualKey);
}

void PlayedWorld::Type(const char* text)
{
    for (const char* c = text; *c; ++c) {
        const bool capital = std::isupper(static_cast<unsigned char>(*c)) != 0;
        const int key = *c == '.' ? 0xBE : std::toupper(static_cast<unsigned char>(*c));
        if (capital) KeyDown(kShift);
        KeyDown(key);
        const char typed[2] = {*c, '\0'};
        platform::PushTextInputEvent(gpu().Window(), typed);
        KeyUp(key);
        if (capital) KeyUp(kShift);
    }
}

void PlayedWorld::MoveTo(const ImVec2& at)
{
    platform::PushMouseMotionEvent(gpu().Window(), static_cast<int>(at.x), static_cast<int>(at.y));
}

void PlayedWorld::Button(int button, bool down, const ImVec2& at)
{
    platform::PushMouseButtonEvent(gpu().Window(), button, down, static_cast<int>(at.x), static_cast<int>(at.y));
}

void PlayedWorld::Wheel(int notches) { platform::PushMouseWheelEvent(gpu().Window(), notches); }

void PlayedWorld::Click(const ImVec2& at)
{
    MoveTo(at);
    Button(0, true, at);
    Button(0, false, at);
}

ImVec2 PlayedWorld::PointOver(const char* windowName, std::initializer_list<testing_support::IdPart> path,
                              const std::function<void()>& draw)
{
    testing_support::ImGuiTestFrame scratch(static_cast<float>(kSize[0]), static_cast<float>(kSize[1]));
    scratch.Frame(draw);
    scratch.Frame(draw);  // a window fitted to its contents has its size from its second frame
    return testing_support::PointOverItem(scratch, windowName, path, draw);
}
