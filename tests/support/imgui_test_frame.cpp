#include "support/imgui_test_frame.h"

#include <imgui_internal.h>

namespace testing_support {

ImGuiContext* CreateTestImGuiContext()
{
    ImGuiContext* context = ImGui::CreateContext();
    ImGui::SetCurrentContext(context);
    ImGui::GetIO().IniFilename = nullptr;
    ImGui::GetIO().LogFilename = nullptr;
    return context;
}

ImGuiTestFrame::ImGuiTestFrame(float displayWidth, float displayHeight)
{
    previous_ = ImGui::GetCurrentContext();
    context_ = CreateTestImGuiContext();
    ImGuiIO& io = ImGui::GetIO();
    io.DisplaySize = ImVec2(displayWidth, displayHeight);
    io.DeltaTime = 1.0f / 60.0f;
    unsigned char* pixels = nullptr;
    int width = 0;
    int height = 0;
    io.Fonts->GetTexDataAsRGBA32(&pixels, &width, &height);
}

ImGuiTestFrame::~ImGuiTestFrame()
{
    ImGui::DestroyContext(context_);
    ImGui::SetCurrentContext(previous_);
}

void ImGuiTestFrame::Frame(const std::function<void()>& draw)
{
    ImGui::NewFrame();
    if (draw) draw();
    ImGui::Render();
}

ImGuiID ImGuiTestFrame::ItemId(const char* windowName, std::initializer_list<IdPart> path)
{
    ImGuiID id = ImHashStr(windowName);
    for (const IdPart& part : path) {
        if (const auto* label = std::get_if<std::string>(&part.value)) {
            id = ImHashStr(label->c_str(), 0, id);
        } else if (const auto* number = std::get_if<int>(&part.value)) {
            id = ImHashData(number, sizeof(int), id);
        } else {
            const void* pointer = std::get<const void*>(part.value);
            id = ImHashData(&pointer, sizeof(pointer), id);
        }
    }
    return id;
}

void ImGuiTestFrame::Click(const char* windowName, std::initializer_list<IdPart> path)
{
    ImGui::ActivateItem(ItemId(windowName, path));
}

void ImGuiTestFrame::ClickAndFrame(const char* windowName, std::initializer_list<IdPart> path,
                                   const std::function<void()>& draw)
{
    Click(windowName, path);
    Frame(draw);
}

bool ImGuiTestFrame::WindowShown(const char* windowName)
{
    const ImGuiWindow* window = ImGui::FindWindowByName(windowName);
    return window && window->Active;
}

ImVec2 ImGuiTestFrame::WindowPos(const char* windowName)
{
    const ImGuiWindow* window = ImGui::FindWindowByName(windowName);
    return window ? window->Pos : ImVec2(0, 0);
}

ImVec2 ImGuiTestFrame::WindowSize(const char* windowName)
{
    const ImGuiWindow* window = ImGui::FindWindowByName(windowName);
    return window ? window->Size : ImVec2(0, 0);
}

}  // namespace testing_support
