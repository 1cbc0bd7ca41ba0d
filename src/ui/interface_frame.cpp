#include "ui/interface_frame.h"

#include <imgui.h>

#include <vector>

#include "input/input.h"
#include "platform/imgui_backends.h"

namespace {

// Frames drawn again at most: enough for a dialog opened by a click to
// appear, fit its contents and centre itself; a layout that still moves
// after that moves by itself.
constexpr int kMostFramesAgain = 3;

uint64_t Mix(uint64_t key, uint64_t value) { return key * 1000003u ^ value; }

}  // namespace

bool DrawInterfaceFrame(const InterfaceFrame& frame)
{
    static const std::vector<platform::InputEvent> kNoEvents;
    InputRouter* router = frame.input ? &frame.input->router : nullptr;
    platform::NewImGuiFrame(router ? router->InterfaceEvents() : kNoEvents,
                            router ? router->PointerShownToInterface() : true);
    const ImGuiIO& io = ImGui::GetIO();
    if (!io.Fonts->IsBuilt() || io.DisplaySize.x <= 0.0f || io.DisplaySize.y <= 0.0f) return false;

    ImGui::NewFrame();
    uint64_t dialogs = frame.dialogsShown();
    frame.drawWindows();
    // A frame that left its view shows nothing more of it.
    const auto leaving = [&frame] { return frame.leaving && frame.leaving(); };
    bool mayMove = !leaving() && ((router && router->InterfaceTookClick()) || platform::InterfaceLayoutPending() ||
                                  frame.dialogsShown() != dialogs);
    for (int again = 0; mayMove && again < kMostFramesAgain; ++again) {
        const std::vector<platform::WindowPlace> places = platform::InterfaceWindowPlaces();
        dialogs = frame.dialogsShown();
        ImGui::EndFrame();
        platform::NewImGuiFrameAgain();
        ImGui::NewFrame();
        frame.drawWindows();
        mayMove = !leaving() && (platform::InterfaceLayoutPending() || frame.dialogsShown() != dialogs ||
                                 platform::InterfaceWindowPlaces() != places);
    }

    if (router) {
        // The view, its dialogs, and the windows and popups shown.
        uint64_t shown = Mix(frame.view, frame.dialogsShown());
        uint64_t windows = 0;
        for (const platform::WindowPlace& place : platform::InterfaceWindowPlaces()) windows = Mix(windows, place.id);
        shown = Mix(shown, windows);
        router->NoteInterfaceFrame(frame.view, shown, leaving());
    }
    ImGui::Render();
    return true;
}
