// A blank world played through the program's whole input path: SDL events
// pushed onto the window's queue, drained by the message pump into the input
// log, read by CInput's polls, dispatched by CGame and taken by the scene's
// interface frames, pass by pass as the main loop runs them. Events pushed
// between two passes arrive in one pump, as everything done during one slow
// frame does. Window and back buffer are both 640 x 480, so a point in the
// window is the same point in the picture.
#pragma once

#include <imgui.h>

#include <functional>
#include <initializer_list>

#include "input/input.h"
#include "support/imgui_test_frame.h"
#include "support/running_game.h"

class CScene;

class PlayedWorld : public RunningGameTest {
protected:
    PlayedWorld();
    void SetUp() override;
    void TearDown() override;

    CScene& Scene() { return *game_.scene; }

    // Main-loop passes: the pump drains what was pushed, the devices are
    // read, one game step runs.
    void Pass(int passes = 1);

    // Events, in the order pushed (virtual-key codes as WM_KEYDOWN carries them).
    void KeyDown(int virtualKey);
    void KeyUp(int virtualKey);
    void Tap(int virtualKey);
    // Digits, letters and '.', each key with the text it types; capitals
    // with Shift held around the key.
    void Type(const char* text);
    void MoveTo(const ImVec2& at);
    void Button(int button, bool down, const ImVec2& at);
    void Click(const ImVec2& at);  // a move there, a press and a release
    void Wheel(int notches);       // positive away from the user

    // Where the item at `path` of the window `draw` makes lies on the screen,
    // found in a scratch interface of the same size, font and style.
    ImVec2 PointOver(const char* windowName, std::initializer_list<testing_support::IdPart> path,
                     const std::function<void()>& draw);

    CInput input_;
};
