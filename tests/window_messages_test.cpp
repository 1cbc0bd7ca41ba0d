// The message pump of the main window: which SDL events reach the program's
// window procedure as which messages, with and without Dear ImGui's back end,
// and how the pointer and taps reach the program and Dear ImGui.
#include <gtest/gtest.h>

#include <imgui.h>

#include <string>
#include <utility>
#include <vector>

#include "input/input.h"
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

// The picture is stretched over the window, whatever size the system gave it:
// the program's cursor and Dear ImGui see the pointer in back-buffer pixels.
TEST_F(WindowMessages, CursorIsTheLastPositionSeenInThePictureTheWindowShows)
{
    int x = -1, y = -1;
    EXPECT_FALSE(platform::GetCursorClientPosition(&x, &y));
    ASSERT_TRUE(gpu_->CreateDevice(1280, 720));
    platform::SetClientRect(window(), 0, 0, 640, 360);
    platform::PushMouseMotionEvent(window(), 10, 20);
    platform::PushMouseMotionEvent(window(), 30, 45);
    Pump();
    ASSERT_TRUE(platform::GetCursorClientPosition(&x, &y));
    EXPECT_EQ(x, 60);
    EXPECT_EQ(y, 90);

    // A button drawn at (600, 300) in the picture takes a click where it is
    // shown: (300, 150) in the window. The layout is the picture's size.
    ImGui::CreateContext();
    ASSERT_TRUE(platform::InitImGuiBackEnds(window()));
    int clicks = 0;
    const auto frame = [&clicks] {
        platform::NewImGuiFrame();
        ImGui::NewFrame();
        ImGui::SetNextWindowPos(ImVec2(580, 280));
        ImGui::Begin("Scaled", nullptr, ImGuiWindowFlags_NoDecoration | ImGuiWindowFlags_AlwaysAutoResize);
        if (ImGui::Button("Press", ImVec2(40, 40))) ++clicks;
        ImGui::End();
        ImGui::EndFrame();
    };
    frame();
    frame();  // a window fitted to its contents shows from its second frame
    EXPECT_EQ(ImGui::GetIO().DisplaySize.x, 1280.0f);
    EXPECT_EQ(ImGui::GetIO().DisplaySize.y, 720.0f);
    platform::PushMouseMotionEvent(window(), 310, 155);
    platform::PushMouseButtonEvent(window(), 0, true, 310, 155);
    platform::PushMouseButtonEvent(window(), 0, false, 310, 155);
    Pump();
    for (int i = 0; i < 3; ++i) frame();
    EXPECT_EQ(clicks, 1);
    platform::ShutdownImGuiBackEnds();
    ImGui::DestroyContext();
}

// A key pressed and released while a frame is still being made (one pump
// drains both) reaches the input devices and Dear ImGui all the same.
TEST_F(WindowMessages, ATapBetweenTwoFramesReachesTheDevicesAndDearImGui)
{
    ImGui::CreateContext();
    ASSERT_TRUE(platform::InitImGuiBackEnds(window()));
    CInput input;
    ASSERT_EQ(input.InitInput(window()), S_OK);
    input.AcquireDevices();
    const int kEnter = 0x0D;
    ASSERT_TRUE(platform::PushKeyDownEvent(window(), kEnter, false));
    ASSERT_TRUE(platform::PushKeyUpEvent(window(), kEnter));
    for (int click = 0; click < 2; ++click) {
        platform::PushMouseButtonEvent(window(), 0, true, 5, 5);
        platform::PushMouseButtonEvent(window(), 0, false, 5, 5);
    }
    Pump();

    // The devices: the press in one read, the release in the next; both
    // clicks, the second timed within a double click of the first.
    int keyReads[2], clickReads[4];
    for (int read = 0; read < 4; ++read) {
        input.PollKeyboard();
        if (read < 2) keyReads[read] = input.ChangedKeyCode(0) * 10 + input.PressedKeyCount();
        input.PollMouse();
        clickReads[read] = input.buttonChanged[0];
    }
    EXPECT_EQ(keyReads[0], 131);
    EXPECT_EQ(keyReads[1], 0);
    EXPECT_EQ(clickReads[0], 0x80);
    EXPECT_EQ(clickReads[1] + clickReads[3], 0);
    EXPECT_EQ(clickReads[2], 0x80);

    // Dear ImGui: down in the next frame, up in the one after (for the keys
    // it reads; letters reach it as typed text).
    ImGuiIO& io = ImGui::GetIO();
    const int key = io.KeyMap[ImGuiKey_Enter];
    bool down[2];
    for (bool& seen : down) {
        platform::NewImGuiFrame();
        ImGui::NewFrame();
        seen = ImGui::IsKeyDown(key);
        ImGui::EndFrame();
    }
    EXPECT_TRUE(down[0]);
    EXPECT_FALSE(down[1]);
    input.ReleaseDevices();
    platform::ShutdownImGuiBackEnds();
    ImGui::DestroyContext();
}

// Keys and text typed while one frame is made reach a text field in the
// order they were typed: Ctrl+A, "x", Backspace, "yz".
TEST_F(WindowMessages, TypingBetweenTwoFramesKeepsItsOrderInATextField)
{
    ImGui::CreateContext();
    ASSERT_TRUE(platform::InitImGuiBackEnds(window()));
    char text[16] = "abc";
    bool focus = true;
    const auto frame = [&] {
        platform::NewImGuiFrame();
        ImGui::NewFrame();
        ImGui::Begin("Typing");
        if (focus) ImGui::SetKeyboardFocusHere();
        focus = false;
        ImGui::InputText("field", text, sizeof text);
        ImGui::End();
        ImGui::EndFrame();
    };
    frame();
    frame();
    const int kCtrl = 0x11, kBackspace = 0x08;
    platform::PushKeyDownEvent(window(), kCtrl, false);
    platform::PushKeyDownEvent(window(), 'A', false);
    platform::PushKeyUpEvent(window(), 'A');
    platform::PushKeyUpEvent(window(), kCtrl);
    platform::PushTextInputEvent(window(), "x");
    platform::PushKeyDownEvent(window(), kBackspace, false);
    platform::PushKeyUpEvent(window(), kBackspace);
    platform::PushTextInputEvent(window(), "yz");
    Pump();
    for (int i = 0; i < 6; ++i) frame();
    EXPECT_STREQ(text, "yz");

    // A tap of Ctrl+A as the system sends it: Ctrl down read by one frame,
    // then A down, Ctrl up and A up together before the next.
    platform::PushKeyDownEvent(window(), kCtrl, false);
    Pump();
    frame();
    platform::PushKeyDownEvent(window(), 'A', false);
    platform::PushKeyUpEvent(window(), kCtrl);
    platform::PushKeyUpEvent(window(), 'A');
    Pump();
    for (int i = 0; i < 3; ++i) frame();
    platform::PushTextInputEvent(window(), "q");
    Pump();
    frame();
    EXPECT_STREQ(text, "q");
    platform::ShutdownImGuiBackEnds();
    ImGui::DestroyContext();
}

// A click into a text field and what was typed at once after it, all
// between two frames: the letters and the Enter are the field's.
TEST_F(WindowMessages, TypingRightAfterAClickGoesToTheFieldClicked)
{
    ImGui::CreateContext();
    ASSERT_TRUE(platform::InitImGuiBackEnds(window()));
    char text[16] = "";
    std::string entered;
    const auto frame = [&] {
        platform::NewImGuiFrame();
        ImGui::NewFrame();
        ImGui::SetNextWindowPos(ImVec2(0, 0));
        ImGui::Begin("Typing", nullptr, ImGuiWindowFlags_NoDecoration | ImGuiWindowFlags_AlwaysAutoResize);
        ImGui::SetNextItemWidth(200);
        if (ImGui::InputText("field", text, sizeof text, ImGuiInputTextFlags_EnterReturnsTrue)) entered = text;
        ImGui::End();
        ImGui::EndFrame();
    };
    frame();
    frame();
    platform::PushMouseMotionEvent(window(), 50, 15);
    Pump();
    frame();
    platform::PushMouseButtonEvent(window(), 0, true, 50, 15);
    platform::PushMouseButtonEvent(window(), 0, false, 50, 15);
    platform::PushTextInputEvent(window(), "ab");
    platform::PushKeyDownEvent(window(), 0x0D, false);
    platform::PushKeyUpEvent(window(), 0x0D);
    Pump();
    for (int i = 0; i < 4; ++i) frame();
    EXPECT_EQ(entered, "ab");
    platform::ShutdownImGuiBackEnds();
    ImGui::DestroyContext();
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
