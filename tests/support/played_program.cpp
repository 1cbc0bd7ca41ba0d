#include "support/played_program.h"

#include <gtest/gtest.h>

#include <imgui_internal.h>

#include <algorithm>
#include <cctype>
#include <cfloat>

#include "graphics/driver.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "platform/message_box.h"
#include "platform/window.h"
#include "platform/window_test_events.h"
#include "shell/game.h"
#include "support/editor_window_driver.h"
#include "support/shipped_data.h"
#include "ui/notices.h"

namespace {

constexpr int kShift = 0x10;

}  // namespace

PlayedProgram::PlayedProgram(int width, int height) : width_(width), height_(height)
{
    screenWidth_ = width;
    screenHeight_ = height;
}

void PlayedProgram::SetUp()
{
    RunningGameTest::SetUp();
    platform::SetClockSource([this] { return ++clock_; });
    // What no box may show here is told in the program's window, as in a run.
    platform::SetMessageBoxesSuppressed(true);
    platform::SetMessageBoxFallback(QueueNotice);
    CopyShippedFolder(folder_, "TexturesUI");
    platform::SetClientRect(gpu().Window(), 0, 0, width_, height_);
    ASSERT_EQ(input_.InitInput(gpu().Window()), S_OK);
    game_.input = &input_;
    menu_.driver = Driver;
    menu_.game = &game_;
    menu_.updateChecked = 1;  // no update server here
    menu_.LoadTextures();
    menu_.CreateResources();
    Menu = &menu_;
    Pass(2);  // the front end's first frames
}

void PlayedProgram::TearDown()
{
    game_.UnloadWorld();
    Menu = nullptr;
    menu_.ReleaseResources();
    input_.ReleaseDevices();
    platform::SetMessageBoxFallback(nullptr);
    ForgetNotices();
    RunningGameTest::TearDown();
}

void PlayedProgram::Pass(int passes)
{
    for (int pass = 0; pass < passes; ++pass) {
        int code = 0;
        platform::PumpMessages(&code);
        input_.PollKeyboard();
        input_.PollMouse();
        input_.router.Route(game_.InputOfThisPass());
        if (game_.menuMode)
            MenuFrame();
        else
            GameFrame(&game_);
        Wait(passTime_);
    }
}

void PlayedProgram::KeyDown(int virtualKey) { ASSERT_TRUE(platform::PushKeyDownEvent(gpu().Window(), virtualKey, false)); }

void PlayedProgram::KeyUp(int virtualKey) { ASSERT_TRUE(platform::PushKeyUpEvent(gpu().Window(), virtualKey)); }

void PlayedProgram::Tap(int virtualKey)
{
    KeyDown(virtualKey);
    KeyUp(virtualKey);
}

void PlayedProgram::Type(const char* text)
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

void PlayedProgram::MoveTo(const ImVec2& at)
{
    pointer_ = at;
    platform::PushMouseMotionEvent(gpu().Window(), static_cast<int>(at.x), static_cast<int>(at.y));
}

void PlayedProgram::MoveBy(int dx, int dy)
{
    pointer_ = ImVec2(pointer_.x + static_cast<float>(dx), pointer_.y + static_cast<float>(dy));
    platform::PushMouseMotionEvent(gpu().Window(), static_cast<int>(pointer_.x), static_cast<int>(pointer_.y), dx, dy);
}

void PlayedProgram::Button(int button, bool down, const ImVec2& at)
{
    pointer_ = at;
    platform::PushMouseButtonEvent(gpu().Window(), button, down, static_cast<int>(at.x), static_cast<int>(at.y));
}

void PlayedProgram::Wheel(int notches) { platform::PushMouseWheelEvent(gpu().Window(), notches); }

void PlayedProgram::Focus(bool gained) { platform::PushFocusEvent(gpu().Window(), gained); }

void PlayedProgram::Click(const ImVec2& at)
{
    MoveTo(at);
    Button(0, true, at);
    Button(0, false, at);
}

void PlayedProgram::DoubleClick(const ImVec2& at, uint32_t gap)
{
    // The first click is made as a frame ends, and read at once.
    MoveTo(at);
    const uint32_t firstPress = clock_ + 1;
    Button(0, true, at);
    Button(0, false, at);
    // The frames go on until the second press is made.
    const uint32_t secondPress = firstPress + gap;
    while (static_cast<int32_t>(clock_ + passTime_ + 80 - secondPress) < 0) Pass();
    ASSERT_LT(static_cast<int32_t>(clock_ - secondPress), 0) << "the passes took longer than the gap";
    clock_ = secondPress - 1;
    Button(0, true, at);
    Button(0, false, at);
    // Made as a frame began: it waits for that frame to end before it is read.
    Wait(passTime_ * 9 / 10);
}

std::map<std::string, std::string> PlayedProgram::WorldFiles() const
{
    std::map<std::string, std::string> files;
    std::vector<platform::DirectoryEntry> entries;
    if (!platform::ListDirectory(folder_.File("Worlds"), entries)) return files;
    for (const platform::DirectoryEntry& entry : entries)
        if (!entry.isDirectory) files[entry.name] = folder_.Read("Worlds/" + entry.name);
    return files;
}

ImVec2 PlayedProgram::PointOver(const char* windowName, std::initializer_list<testing_support::IdPart> path,
                                const std::function<void()>& draw)
{
    testing_support::ImGuiTestFrame scratch(static_cast<float>(width_), static_cast<float>(height_));
    scratch.Frame(draw);
    scratch.Frame(draw);  // a window fitted to its contents has its size from its second frame
    return testing_support::PointOverItem(scratch, windowName, path, draw);
}

ImVec2 PlayedProgram::PointOverShown(const char* windowName, std::initializer_list<testing_support::IdPart> path,
                                     const std::function<void()>& draw)
{
    ImVec2 inWindow(-FLT_MAX, -FLT_MAX);
    {
        testing_support::ImGuiTestFrame scratch(static_cast<float>(width_), static_cast<float>(height_));
        scratch.Frame(draw);
        scratch.Frame(draw);
        const ImVec2 at = testing_support::PointOverItem(scratch, windowName, path, draw);
        const ImVec2 window = testing_support::ImGuiTestFrame::WindowPos(windowName);
        if (at.x != -FLT_MAX) inWindow = ImVec2(at.x - window.x, at.y - window.y);
    }
    const ImGuiWindow* shown = ImGui::FindWindowByName(windowName);
    if (!shown || inWindow.x == -FLT_MAX) return ImVec2(-FLT_MAX, -FLT_MAX);
    return ImVec2(shown->Pos.x + inWindow.x, shown->Pos.y + inWindow.y);
}
