// The program's entry: start-up, the main loop and the orderly shut-down.
#pragma once

#include <functional>

// Runs the whole program; returns the process exit code: 0 after a normal
// end, 1 when start-up failed (logged, and shown where a display exists).
int WinMain(int showCommand);

// Called at the start of every main-loop pass with the pass number, so a
// scripted run can drive the program (tests push events from here).
void SetMainLoopPassHook(std::function<void(int pass)> hook);
