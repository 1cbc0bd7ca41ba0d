// The program played as a user plays it, through its whole input path: SDL
// events pushed onto the window's queue, drained by the message pump into
// the input log, routed, and handled by the front end's frames or the
// scene's game steps, pass by pass as the main loop runs them. Events pushed
// between two passes arrive in one pump, as everything done during one slow
// frame does. Window and back buffer have the same size, so a point in the
// window is the same point in the picture.
//
// The clock is the test's: it moves on by a millisecond each time it is
// read, and by what Wait says; every event is stamped with it as it is
// pushed, so "450 ms later" means what it says however long the machine takes.
#pragma once

#include <imgui.h>

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <map>
#include <string>

#include "input/input.h"
#include "support/imgui_test_frame.h"
#include "support/running_game.h"
#include "ui/menu.h"

class CScene;

class PlayedProgram : public RunningGameTest {
protected:
    PlayedProgram(int width = 1280, int height = 720);
    void SetUp() override;
    void TearDown() override;

    // Main-loop passes: the pump drains what was pushed, the devices are read,
    // the router takes its events, one front-end frame or game step runs.
    void Pass(int passes = 1);
    // The user waits: the clock moves on.
    void Wait(uint32_t milliseconds) { clock_ += milliseconds; }
    // Each pass takes this long from now on (0: only the time the frame
    // reads the clock): 100 is a frame rate of 10.
    void SetPassTime(uint32_t milliseconds) { passTime_ = milliseconds; }
    bool InWorld() const { return game_.menuMode == 0 && game_.scene; }

    // Events, in the order pushed (virtual-key codes as WM_KEYDOWN carries them).
    void KeyDown(int virtualKey);
    void KeyUp(int virtualKey);
    void Tap(int virtualKey);
    // Digits, letters and '.', each key with the text it types; capitals
    // with Shift held around the key.
    void Type(const char* text);
    void MoveTo(const ImVec2& at);
    // A move by (dx, dy) from where the last move went: what turns the
    // camera while the mouse is held.
    void MoveBy(int dx, int dy);
    void Button(int button, bool down, const ImVec2& at);
    void Click(const ImVec2& at);  // a move there, a press and a release
    // A double click as a slow hand makes it (xdotool's "click --repeat 2
    // --delay gap"): each click a press and its release at once, the second
    // `gap` ms after the first, the frames running on meanwhile.
    void DoubleClick(const ImVec2& at, uint32_t gap);
    void Wheel(int notches);  // positive away from the user
    void Focus(bool gained);

    // Where the item at `path` of the window `draw` makes lies on the screen,
    // found in a scratch interface of the same size, font and style.
    ImVec2 PointOver(const char* windowName, std::initializer_list<testing_support::IdPart> path,
                     const std::function<void()>& draw);
    // The same item where the program's last frame placed its window (a
    // popup placed where it was opened, say).
    ImVec2 PointOverShown(const char* windowName, std::initializer_list<testing_support::IdPart> path,
                          const std::function<void()>& draw);

    // Every file of the Worlds folder with its bytes.
    std::map<std::string, std::string> WorldFiles() const;

    CInput input_;
    CMenu menu_;
    uint32_t clock_ = 100000;

private:
    ImVec2 pointer_ {0.0f, 0.0f};
    uint32_t passTime_ = 0;
    int width_;
    int height_;
};
