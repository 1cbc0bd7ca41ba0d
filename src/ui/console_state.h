// The console's text and the one path a typed command takes.
//
// The history and the command line belong to the program, not to a scene,
// so both carry over when one scene replaces another. A scene keeps only the
// console's show flags (25 and 26) and the switches commands set
// (pickingOff, cursorSpriteShown).
#pragma once

#include <cstddef>

class CScene;

// The history: one line per command, oldest first, each ended by a line
// feed; the console lets the user edit it by hand too. Always zero-terminated.
// The command line is cleared to zeros after each command.
struct ConsoleText {
    static constexpr size_t kHistoryBytes = 16384;
    static constexpr size_t kCommandBytes = 128;
    char history[kHistoryBytes] = {};
    char command[kCommandBytes] = {};
};

// The program's one console text, empty at start.
extern ConsoleText Console;

// Enter in the "Command" field: runs the command line, appends it and a line
// feed to the history, then clears the command line.
void SubmitConsoleCommand(CScene& scene);

// The command's effect on the scene; the text must match a command exactly
// (case included), anything else does nothing.
void RunConsoleCommand(CScene& scene, const char* command);

// Appends `line` and a line feed to the zero-terminated text in `history`
// (capacity bytes). When they would not fit, the oldest whole lines go first
// (all of the text when it holds no line feed), so the newest commands are
// always kept. A line that cannot fit even in an empty history is cut.
void AppendConsoleHistory(char* history, size_t capacity, const char* line);
