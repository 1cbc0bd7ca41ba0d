// Driving editor windows in tests, beside ImGuiTestFrame: the text a window
// drew, a value typed into a slider the way the keyboard does, and a real
// mouse click on an item (which, unlike a remote activation, a disabled
// item or a window without inputs refuses).
#pragma once

#include <functional>
#include <initializer_list>
#include <string>

#include "support/imgui_test_frame.h"

namespace testing_support {

// Runs one frame of `draw` and returns the texts Dear ImGui rendered in the
// first window that frame ends (labels, slider values, combo previews), as
// its own text log writes them.
std::string FrameText(ImGuiTestFrame& ui, const std::function<void()>& draw);

// Types `text` into the slider (or text field) at the path, replacing its
// value, as Enter on the focused item and typing do; three frames. The item
// is left inactive.
void TypeIntoSlider(ImGuiTestFrame& ui, const char* windowName, std::initializer_list<IdPart> path,
                    const char* text, const std::function<void()>& draw);

// The middle of the item at the path, found by moving the mouse over its
// window until the item reports itself hovered, then to its edges (a frame
// per probe; disabled items count); (-FLT_MAX, -FLT_MAX) when it is not
// drawn. The mouse stays near it.
ImVec2 PointOverItem(ImGuiTestFrame& ui, const char* windowName, std::initializer_list<IdPart> path,
                     const std::function<void()>& draw);

// Presses the left button at `at`, holds it for `frames` frames, and
// releases it for as many: a click as the user makes it, frame by frame.
void MouseClickAt(ImGuiTestFrame& ui, ImVec2 at, const std::function<void()>& draw, int frames = 3);

// Finds the item at the path under the mouse, then presses and releases the
// left button over it; a frame per probe. The mouse leaves the display
// afterwards. An item not drawn is not clicked.
void MouseClick(ImGuiTestFrame& ui, const char* windowName, std::initializer_list<IdPart> path,
                const std::function<void()>& draw);

}  // namespace testing_support
