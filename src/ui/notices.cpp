#include "ui/notices.h"

#include <imgui.h>
#include <imgui_internal.h>

#include <algorithm>
#include <deque>

#include "platform/message_box.h"
#include "shell/log.h"
#include "ui/editor_widgets.h"
#include "world/world_file.h"

namespace {

struct Notice {
    std::string text;
    std::string caption;
    unsigned number = 0;  // counts the notices of the run
};

// Waiting for the user, oldest first.
std::deque<Notice> notices;
unsigned noticesQueued = 0;
unsigned noticeShown = 0;  // the number of the notice drawn last

}  // namespace

void TellRefusal(const std::string& where, const std::string& message)
{
    WriteLog("Error: " + where + " " + message);
    platform::ShowMessageBox(message, "Vesk", platform::MB_OK | platform::MB_ICONWARNING);
}

std::string WorldFileReason()
{
    const std::string& problem = WorldFileProblem();
    return problem.empty() ? std::string(" (game.log tells why)") : ": " + problem;
}

void QueueNotice(const std::string& text, const std::string& caption)
{
    WriteLog("Shown in the window, no message box: " + text);
    notices.push_back(Notice{text, caption, ++noticesQueued});
}

void DrawNotices()
{
    if (notices.empty()) return;
    const Notice& notice = notices.front();
    const ImGuiViewport* viewport = ImGui::GetMainViewport();
    ImGui::SetNextWindowPos(viewport->GetCenter(), ImGuiCond_Always, ImVec2(0.5f, 0.5f));
    // Each notice takes the keyboard focus as it appears.
    if (notice.number != noticeShown) ImGui::SetNextWindowFocus();
    noticeShown = notice.number;
    ScopedFont font("gui");
    // The caption shows as the title; the window is the same for every notice.
    const std::string title = notice.caption + "###notice";
    ImGui::Begin(title.c_str(), nullptr,
                 ImGuiWindowFlags_AlwaysAutoResize | ImGuiWindowFlags_NoCollapse | ImGuiWindowFlags_NoSavedSettings |
                     ImGuiWindowFlags_NoMove);
    // In front of every other window, however they are clicked.
    ImGui::BringWindowToDisplayFront(ImGui::GetCurrentWindow());
    ImGui::PushTextWrapPos(std::min(560.0f, viewport->Size.x * 0.8f));
    ImGui::TextUnformatted(notice.text.c_str());
    ImGui::PopTextWrapPos();
    ImGui::Separator();
    const bool dismissed = ImGui::Button("OK", ImVec2(120.0f, 0.0f)) ||
                           (ImGui::IsWindowFocused() && ImGui::IsKeyPressed(ImGui::GetKeyIndex(ImGuiKey_Enter), false));
    ImGui::End();
    if (dismissed) notices.pop_front();
}

size_t WaitingNotices() { return notices.size(); }

void ForgetNotices() { notices.clear(); }
