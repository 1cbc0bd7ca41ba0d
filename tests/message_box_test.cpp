// Messages that no box can show: a question takes its negative answer, the
// text reaches the program's fallback, and the program's own notice shows it
// over the frames until the user dismisses it. Last, real boxes over the main
// window on an X display, answered with xdotool: skipped unless
// scripts/check_message_box.sh runs it under Xvfb.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "platform/message_box.h"
#include "platform/window.h"
#include "support/editor_window_driver.h"
#include "support/imgui_test_frame.h"
#include "ui/notices.h"

namespace {

std::vector<std::string> received;
void Receive(const std::string& text, const std::string& caption) { received.push_back(caption + ": " + text); }

}  // namespace

TEST(MessageBoxes, ABoxNotShownAnswersNoToAQuestionAndHandsItsTextOver)
{
    received.clear();
    platform::SetMessageBoxFallback(Receive);
    // Suppressed by a test, and without any display (the tests' offscreen
    // driver, or none at all): never blocks, never says yes.
    for (const bool suppressed : {true, false}) {
        platform::SetMessageBoxesSuppressed(suppressed);
        EXPECT_EQ(platform::ShowMessageBox("Replace it?", "Vesk", platform::MB_YESNO), platform::IDNO);
        EXPECT_EQ(platform::ShowMessageBox("Go on?", "Vesk", platform::MB_OKCANCEL), platform::IDCANCEL);
        EXPECT_EQ(platform::ShowMessageBox("Done.", "Vesk", platform::MB_OK), platform::IDOK);
    }
    platform::SetMessageBoxesSuppressed(true);
    platform::SetMessageBoxFallback(nullptr);
    EXPECT_EQ(received.size(), 6u);
    EXPECT_EQ(received.front(), "Vesk: Replace it?");
    EXPECT_EQ(platform::LastMessageBoxText(), "Done.");
}

// Each notice is modal: a click on the window behind it does nothing there.
TEST(MessageBoxes, ANoticeShowsOverTheFramesAloneUntilItsOkAndTheNextFollows)
{
    testing_support::ImGuiTestFrame ui;
    QueueNotice("The world cannot be saved.", "Vesk");
    QueueNotice("Second.", "Vesk");
    int pressedBehind = 0;
    const auto draw = [&pressedBehind] {
        ImGui::SetNextWindowPos(ImVec2(0.0f, 0.0f));
        ImGui::Begin("Screen");
        if (ImGui::Button("Under the notice", ImVec2(600, 400))) ++pressedBehind;
        ImGui::End();
        DrawNotices();
    };
    // On the button behind, far from the centred notice.
    const auto clickBehind = [&] {
        ImGuiIO& io = ImGui::GetIO();
        io.MousePos = ImVec2(40.0f, 60.0f);
        for (const bool down : {false, false, true, true, false, false}) {
            io.MouseDown[0] = down;
            ui.Frame(draw);
        }
    };
    ui.Frame(draw);
    ui.Frame(draw);
    EXPECT_TRUE(testing_support::ImGuiTestFrame::WindowShown("###notice"));
    EXPECT_NE(testing_support::FrameText(ui, DrawNotices).find("The world cannot be saved."), std::string::npos);
    clickBehind();
    EXPECT_EQ(pressedBehind, 0);
    // A real click, which would land on the window behind if the notice were not in front.
    testing_support::MouseClick(ui, "###notice", {"OK"}, draw);
    EXPECT_EQ(WaitingNotices(), 1u);
    EXPECT_NE(testing_support::FrameText(ui, DrawNotices).find("Second."), std::string::npos);
    testing_support::MouseClick(ui, "###notice", {"OK"}, draw);
    EXPECT_EQ(WaitingNotices(), 0u);
    ui.Frame(draw);
    EXPECT_FALSE(testing_support::ImGuiTestFrame::WindowShown("###notice"));
    clickBehind();
    EXPECT_EQ(pressedBehind, 1);
}

namespace {

// Once the box titled `caption` shows, a picture of the screen goes to
// `picture` and the box gets `key`.
std::thread AnswerBox(const std::string& caption, const std::string& key, const std::string& picture)
{
    return std::thread([=] {
        const std::string find = "xwininfo -name '" + caption + "' 2>/dev/null | awk '/Window id:/{print $4}'";
        const std::string script = "for i in $(seq 100); do w=$(" + find +
                                   "); [ -n \"$w\" ] && break; sleep 0.1; done; sleep 0.5; import -window root '" +
                                   picture + "'; xdotool windowfocus \"$w\" key " + key;
        EXPECT_EQ(std::system(script.c_str()), 0);
    });
}

}  // namespace

TEST(MessageBoxOnADisplay, RealBoxesShowOverTheMainWindowAndAnswerWithTheirButtons)
{
    const char* pictures = std::getenv("VESK_MESSAGE_BOX_PICTURES");
    if (!pictures) GTEST_SKIP() << "needs an X display: scripts/check_message_box.sh";
    std::string why;
    platform::Window* window = platform::CreateMainWindow("Vesk", nullptr, &why);
    ASSERT_NE(window, nullptr) << why;
    platform::ShowMainWindow(window, true);
    received.clear();
    platform::SetMessageBoxFallback(Receive);
    platform::SetMessageBoxesSuppressed(false);
    struct Case {
        unsigned kind;
        const char* key;
        int answer;
    };
    const Case cases[] = {{platform::MB_OK | platform::MB_ICONWARNING, "Return", platform::IDOK},
                          {platform::MB_YESNO, "Return", platform::IDYES},
                          {platform::MB_YESNO, "Escape", platform::IDNO}};
    int number = 0;
    for (const Case& c : cases) {
        const std::string picture = std::string(pictures) + "/message-box-" + std::to_string(++number) + ".png";
        std::thread answer = AnswerBox("Vesk box check", c.key, picture);
        EXPECT_EQ(platform::ShowMessageBox("A world named default.vsk exists already. Please choose another name.",
                                           "Vesk box check", c.kind),
                  c.answer);
        answer.join();
    }
    platform::SetMessageBoxesSuppressed(true);
    platform::SetMessageBoxFallback(nullptr);
    EXPECT_TRUE(received.empty()) << received.front();  // every message was a box
    platform::DestroyMainWindow(window);
}
