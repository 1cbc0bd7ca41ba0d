// One Dear ImGui frame of the front end or over a scene, from the input to
// the draw data, with what both kinds of frame share:
//   - it sees this pass's input as the input router gave it;
//   - a frame whose windows the next one would place otherwise (a window
//     about to appear or to fit new contents, a dialog the frame opened, a
//     click that may have moved things) is drawn again, with no new input,
//     until the windows stand still, so that no picture is presented whose
//     layout changes under the pointer without the user doing anything;
//   - it tells the router what it shows, so that a press made for what was
//     shown before does not act on what is shown now.
#pragma once

#include <cstdint>
#include <functional>

class CInput;

struct InterfaceFrame {
    CInput* input = nullptr;  // null: no input (a frame drawn for a test)
    uint32_t view = 0;        // what the frame is drawn for: 0 the front end, or one running scene
    // The dialogs or the screen shown, as a number; called before and after drawing.
    std::function<uint64_t()> dialogsShown;
    // After drawing: the frame asked for another view (the world was left or entered).
    std::function<bool()> leaving;
    std::function<void()> drawWindows;
};

// Runs the frame up to ImGui::Render; false when Dear ImGui can make no frame
// (no font atlas or no display: a scene driven without its back ends).
bool DrawInterfaceFrame(const InterfaceFrame& frame);
