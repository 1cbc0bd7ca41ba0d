// The message pump of the main window: which SDL events reach the program's
// window procedure as which messages, with and without Dear ImGui's back end.
#include <gtest/gtest.h>

#include <imgui.h>

#include <utility>
#include <vector>

#include "platform/imgui_backends.h"
#include "platform/message_box.h"
#include "platform/window.h"
#include "platform/window_test_events.h"
#include "support/headless_gpu.h"

namespace {

std::vector<std::pair<uint32_t, uintptr_t>> received;

intptr_t RecordingProc(platform::Window* window, uint32_t message, uintptr_t wParam, intptr_t lParam)
{
    received.emplace_back(message, wParam);
    if (message == platform::WM_DESTROY) platform::PostQuitMessage(0);
    return platform::DefWindowProc(window, message, wParam, lParam);
}

class WindowMessages : public ::testing::Test {
protected:
    void SetUp() override
    {
        received.clear();
        gpu_ = std::make_unique<HeadlessGpu>(RecordingProc);
        ASSERT_TRUE(gpu_->Ready()) << gpu_->Failure();
    }
    void TearDown() override { gpu_.reset(); }
    platform::Window* window() { return gpu_->Window(); }

    std::unique_ptr<HeadlessGpu> gpu_;
};

int Pump()
{
    int code = -1;
    return platform::PumpMessages(&code);
}

}  // namespace

TEST_F(WindowMessages, OnePassDrainsEveryPendingEvent)
{
    for (const int key : {int {'W'}, int {'A'}, int {'S'}, int {'D'}, 0x1B}) ASSERT_TRUE(platform::PushKeyDownEvent(window(), key, false));
    EXPECT_EQ(Pump(), 1);
    ASSERT_EQ(received.size(), 5u);
    EXPECT_EQ(received[0], std::make_pair(uint32_t {platform::WM_KEYDOWN}, uintptr_t {'W'}));
    EXPECT_EQ(received[4], std::make_pair(uint32_t {platform::WM_KEYDOWN}, uintptr_t {0x1B}));
}

TEST_F(WindowMessages, AltSlashIsTheAboutCommand)
{
    ASSERT_TRUE(platform::PushKeyDownEvent(window(), 0xBF, true));
    ASSERT_TRUE(platform::PushKeyDownEvent(window(), 0xBF, false));
    Pump();
    ASSERT_EQ(received.size(), 2u);
    EXPECT_EQ(received[0], std::make_pair(uint32_t {platform::WM_COMMAND}, uintptr_t {platform::kAboutCommand}));
    EXPECT_EQ(received[1], std::make_pair(uint32_t {platform::WM_KEYDOWN}, uintptr_t {0xBF}));

    platform::ShowAboutBox();
    EXPECT_NE(platform::LastMessageBoxText().find("Vesk, Version 1.0"), std::string::npos);
}

TEST_F(WindowMessages, CloseAndQuitReachTheProgramEvenUnderDearImGui)
{
    ImGui::CreateContext();
    ASSERT_TRUE(platform::InitImGuiBackEnds(window()));
    platform::PushWindowCloseEvent(window());
    platform::PushQuitEvent();
    ASSERT_TRUE(platform::PushKeyDownEvent(window(), 'Q', false));
    Pump();
    platform::ShutdownImGuiBackEnds();
    ImGui::DestroyContext();
    // Dear ImGui keeps the key to itself; closing is never its decision.
    ASSERT_EQ(received.size(), 2u);
    EXPECT_EQ(received[0].first, platform::WM_CLOSE);
    EXPECT_EQ(received[1].first, platform::WM_CLOSE);
}

TEST_F(WindowMessages, CursorIsTheLastMousePositionSeen)
{
    int x = -1, y = -1;
    EXPECT_FALSE(platform::GetCursorClientPosition(&x, &y));
    platform::PushMouseMotionEvent(window(), 10, 20);
    platform::PushMouseMotionEvent(window(), 30, 40);
    Pump();
    ASSERT_TRUE(platform::GetCursorClientPosition(&x, &y));
    EXPECT_EQ(x, 30);
    EXPECT_EQ(y, 40);
}

TEST_F(WindowMessages, PostedQuitEndsThePumpWithItsCode)
{
    platform::PostQuitMessage(7);
    int code = 0;
    EXPECT_EQ(platform::PumpMessages(&code), 0);
    EXPECT_EQ(code, 7);
    EXPECT_EQ(platform::PumpMessages(&code), 1);

    // Destroying the window sends WM_DESTROY, whose handler posts the quit.
    gpu_.reset();
    ASSERT_FALSE(received.empty());
    EXPECT_EQ(received.back().first, platform::WM_DESTROY);
    code = -1;
    EXPECT_EQ(platform::PumpMessages(&code), 0);
    EXPECT_EQ(code, 0);
}
