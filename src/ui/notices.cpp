#include "ui/notices.h"

#include <imgui.h>

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
};

// The Dear ImGui name of the notice's popup, after its caption.
constexpr char kNoticeId[] = "###notice";

// Waiting for the user, oldest first.
std::deque<Notice> notices;

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
    notices.push_back(Notice{text, caption});
}

void DrawNotices()
{
    if (notices.empty()) return;
    const Notice& notice = notices.front();
    // A modal popup of the outermost level: while it shows, the windows
    // behind it take no click, key or focus. Each notice opens it anew, so
    // each takes the keyboard focus as it appears.
    if (!ImGui::IsPopupOpen(kNoticeId)) ImGui::OpenPopup(kNoticeId);
    const ImGuiViewport* viewport = ImGui::GetMainViewport();
    ImGui::SetNextWindowPos(viewport->GetCenter(), ImGuiCond_Always, ImVec2(0.5f, 0.5f));
    ScopedFont font("gui");
    // The caption shows as the title; the popup is the same for every notice.
    const std::string title = notice.caption + kNoticeId;
    if (!ImGui::BeginPopupModal(title.c_str(), nullptr,
                                ImGuiWindowFlags_AlwaysAutoResize | ImGuiWindowFlags_NoSavedSettings |
                                    ImGuiWindowFlags_NoMove))
        return;
    ImGui::PushTextWrapPos(std::min(560.0f, viewport->Size.x * 0.8f));
    ImGui::TextUnformatted(notice.text.c_str());
    ImGui::PopTextWrapPos();
    ImGui::Separator();
    const bool dismissed = ImGui::Button("OK", ImVec2(120.0f, 0.0f)) ||
                           (ImGui::IsWindowFocused() && ImGui::IsKeyPressed(ImGui::GetKeyIndex(ImGuiKey_Enter), false));
    if (dismissed) ImGui::CloseCurrentPopup();
    ImGui::EndPopup();
    if (dismissed) notices.pop_front();
}

size_t WaitingNotices() { return notices.size(); }

void ForgetNotices() { notices.clear(); }
