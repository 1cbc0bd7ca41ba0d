// Dear ImGui without a window or GPU, for tests of screens and editor
// windows: a context with a built font atlas and a display size, frames run
// around a drawing function, and clicks on items named by their window and
// ID path (Dear ImGui's own remote activation, as keyboard navigation uses).
#pragma once

#include <imgui.h>

#include <functional>
#include <initializer_list>
#include <string>
#include <utility>
#include <variant>
#include <vector>

namespace testing_support {

// One step of an item's ID path: a label (as given to the widget or PushID),
// an int pushed with PushID(int), or a pointer pushed with PushID(ptr).
struct IdPart {
    IdPart(const char* text) : value(std::string(text)) {}
    IdPart(std::string text) : value(std::move(text)) {}
    IdPart(int number) : value(number) {}
    IdPart(const void* pointer) : value(pointer) {}
    std::variant<std::string, int, const void*> value;
};

// A new Dear ImGui context, made current, that reads and writes no settings
// file: tests run side by side in one folder, and one must never read the
// file another is writing.
ImGuiContext* CreateTestImGuiContext();

class ImGuiTestFrame {
public:
    explicit ImGuiTestFrame(float displayWidth = 1280.0f, float displayHeight = 720.0f);
    ~ImGuiTestFrame();
    ImGuiTestFrame(const ImGuiTestFrame&) = delete;
    ImGuiTestFrame& operator=(const ImGuiTestFrame&) = delete;

    // NewFrame, draw(), Render.
    void Frame(const std::function<void()>& draw);
    // The ID of an item: the window's name, then the path inside it.
    static ImGuiID ItemId(const char* windowName, std::initializer_list<IdPart> path);
    // The item is pressed during the next frame (one frame, as a click).
    void Click(const char* windowName, std::initializer_list<IdPart> path);
    // Queues a click, then runs one frame: the common case.
    void ClickAndFrame(const char* windowName, std::initializer_list<IdPart> path, const std::function<void()>& draw);
    // True when the window was drawn in the last frame.
    static bool WindowShown(const char* windowName);
    // Position and size of a window after the last frame ((0,0) when absent).
    static ImVec2 WindowPos(const char* windowName);
    static ImVec2 WindowSize(const char* windowName);

private:
    ImGuiContext* previous_ = nullptr;
    ImGuiContext* context_ = nullptr;
};

}  // namespace testing_support
