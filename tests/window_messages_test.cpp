// The message pump of the main window: which SDL events reach the program's
// window procedure as which messages, with and without Dear ImGui's back end,
// and how the pointer and taps reach the program and Dear ImGui.
#include <gtest/gtest.h>

#include <imgui.h>

#include <functional>
#include <utility>
#include <vector>

#include "input/input.h"
#include "platform/imgui_backends.h"
#include "platform/window.h"
#include "platform/window_test_events.h"
#include "support/imgui_test_frame.h"
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
    void TearDown() override
    {
        if (imgui_) {
            platform::ShutdownImGuiBackEnds();
            ImGui::DestroyContext();
        }
        gpu_.reset();
    }
    platform::Window* window() { return gpu_->Window(); }

    // Dear ImGui with its real back ends on the window, until the test ends.
    void StartImGui()
    {
        testing_support::CreateTestImGuiContext();
        imgui_ = true;
        ASSERT_TRUE(platform::InitImGuiBackEnds(window()));
    }
    // One front-end pass around `draw`, as the program makes it: the router
    // gives the interface what it can see in one frame.
    void Frame(const std::function<void()>& draw)
    {
        router_.Route(ProgramInput {});
        platform::NewImGuiFrame(router_.InterfaceEvents(), router_.PointerShownToInterface());
        ImGui::NewFrame();
        draw();
        ImGui::EndFrame();
    }

    // A window with one text field, which takes the keyboard from its first frame.
    std::function<void()> TextField(char (&text)[16])
    {
        focus_ = true;
        return [this, &text] {
            ImGui::Begin("Typing");
            if (focus_) ImGui::SetKeyboardFocusHere();
            focus_ = false;
            ImGui::InputText("field", text, sizeof text);
            ImGui::End();
        };
    }

    InputRouter router_;
    bool focus_ = false;
    std::unique_ptr<HeadlessGpu> gpu_;
    bool imgui_ = false;
};

int Pump()
{
    int code = -1;
    return platform::PumpMessages(&code);
}

}  // namespace

TEST_F(WindowMessages, AltSlashIsTheAboutCommand)
{
    ASSERT_TRUE(platform::PushKeyDownEvent(window(), 0xBF, true));
    ASSERT_TRUE(platform::PushKeyDownEvent(window(), 0xBF, false));
    Pump();
    ASSERT_EQ(received.size(), 2u);
    EXPECT_EQ(received[0], std::make_pair(uint32_t {platform::WM_COMMAND}, uintptr_t {platform::kAboutCommand}));
    EXPECT_EQ(received[1], std::make_pair(uint32_t {platform::WM_KEYDOWN}, uintptr_t {0xBF}));
}

TEST_F(WindowMessages, CloseAndQuitReachTheProgramEvenUnderDearImGui)
{
    ASSERT_NO_FATAL_FAILURE(StartImGui());
    platform::PushWindowCloseEvent(window());
    platform::PushQuitEvent();
    ASSERT_TRUE(platform::PushKeyDownEvent(window(), 'Q', false));
    Pump();
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
    ASSERT_NO_FATAL_FAILURE(StartImGui());
    int clicks = 0;
    const auto draw = [&clicks] {
        ImGui::SetNextWindowPos(ImVec2(580, 280));
        ImGui::Begin("Scaled", nullptr, ImGuiWindowFlags_NoDecoration | ImGuiWindowFlags_AlwaysAutoResize);
        if (ImGui::Button("Press", ImVec2(40, 40))) ++clicks;
        ImGui::End();
    };
    Frame(draw);
    Frame(draw);  // a window fitted to its contents shows from its second frame
    EXPECT_EQ(ImGui::GetIO().DisplaySize.x, 1280.0f);
    EXPECT_EQ(ImGui::GetIO().DisplaySize.y, 720.0f);
    platform::PushMouseMotionEvent(window(), 310, 155);
    platform::PushMouseButtonEvent(window(), 0, true, 310, 155);
    platform::PushMouseButtonEvent(window(), 0, false, 310, 155);
    Pump();
    for (int i = 0; i < 3; ++i) Frame(draw);
    EXPECT_EQ(clicks, 1);
}

// A key pressed and released while a frame is still being made (one pump
// drains both) reaches the input devices and Dear ImGui all the same. A key
// still held in an earlier window is no key of a new one.
TEST_F(WindowMessages, ATapBetweenTwoFramesReachesTheDevicesAndDearImGui)
{
    ASSERT_TRUE(platform::PushKeyDownEvent(window(), 'W', false));
    Pump();
    gpu_.reset();
    gpu_ = std::make_unique<HeadlessGpu>(RecordingProc);
    ASSERT_TRUE(gpu_->Ready()) << gpu_->Failure();
    ASSERT_NO_FATAL_FAILURE(StartImGui());
    CInput input;
    ASSERT_EQ(input.InitInput(window()), S_OK);
    input.AcquireDevices();
    // A text field takes the keys.
    char text[16] = "";
    const auto field = TextField(text);
    Frame(field);
    Frame(field);
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
    // a text field reads; letters reach it as typed text).
    ImGuiIO& io = ImGui::GetIO();
    const int key = io.KeyMap[ImGuiKey_Enter];
    bool down[2];
    for (bool& seen : down) Frame([&] {
        field();
        seen = ImGui::IsKeyDown(key);
    });
    EXPECT_TRUE(down[0]);
    EXPECT_FALSE(down[1]);
    input.ReleaseDevices();
}

// Keys and text typed while one frame is made reach a text field in the
// order they were typed: Ctrl+A, "x", Backspace, "yz".
TEST_F(WindowMessages, TypingBetweenTwoFramesKeepsItsOrderInATextField)
{
    ASSERT_NO_FATAL_FAILURE(StartImGui());
    char text[16] = "abc";
    const auto draw = TextField(text);
    Frame(draw);
    Frame(draw);
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
    for (int i = 0; i < 6; ++i) Frame(draw);
    EXPECT_STREQ(text, "yz");

    // A tap of Ctrl+A as the system sends it: Ctrl down read by one frame,
    // then A down, Ctrl up and A up together before the next.
    platform::PushKeyDownEvent(window(), kCtrl, false);
    Pump();
    Frame(draw);
    platform::PushKeyDownEvent(window(), 'A', false);
    platform::PushKeyUpEvent(window(), kCtrl);
    platform::PushKeyUpEvent(window(), 'A');
    Pump();
    for (int i = 0; i < 3; ++i) Frame(draw);
    platform::PushTextInputEvent(window(), "q");
    Pump();
    Frame(draw);
    EXPECT_STREQ(text, "q");
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
