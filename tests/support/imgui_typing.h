// Typing into Dear ImGui fields from a test: a text field, or a slider
// switched to its text entry (as Ctrl+click does), is activated remotely for
// keyboard input; characters and Enter then go through Dear ImGui's own
// input queue and key map, so the widget's real code path runs.
#pragma once

#include <initializer_list>

#include "support/imgui_test_frame.h"

namespace testing_support {

// Activates the field (or the slider's text entry) named by window and ID
// path during the next frame, then runs two frames so it holds the keyboard.
void FocusForTyping(ImGuiTestFrame& ui, const char* windowName, std::initializer_list<IdPart> path,
                    const std::function<void()>& draw);

// Queues the characters and runs one frame: the focused field takes them
// (a slider's text entry replaces its whole text and applies the value).
void TypeAndFrame(ImGuiTestFrame& ui, const char* text, const std::function<void()>& draw);

// Takes the keyboard from whatever field holds it (as a click elsewhere
// does) and runs one frame.
void EndTyping(ImGuiTestFrame& ui, const std::function<void()>& draw);

// Presses and releases a key of Dear ImGui's key map (ImGuiKey_Enter,
// ImGuiKey_Escape...) over two frames; a key the map lacks is given one.
void PressKey(ImGuiTestFrame& ui, int imguiKey, const std::function<void()>& draw);

}  // namespace testing_support
