// What the user is told: refusals, shown in a box and written to the log,
// and notices drawn in the program's own window for every message no box
// could show, over each frame (front end and scene alike) until dismissed.
#pragma once

#include <cstddef>
#include <string>

// Logs "Error: <where> <message>" and shows the message in a warning box.
void TellRefusal(const std::string& where, const std::string& message);
// The reason a world file could not be read or written, as a message ends
// it: ": <reason>" (WorldFileProblem), or a pointer to the log when the
// failure came before any file was touched.
std::string WorldFileReason();

// Logs the message and keeps it to be drawn as a notice; the message box
// hands over here whatever it could not show (see WinMain).
void QueueNotice(const std::string& text, const std::string& caption);
// Draws the oldest waiting notice, centred, as a modal popup in front of the
// frame's windows, with its "OK" (or Enter) that dismisses it. Inside a Dear
// ImGui frame, after every other window.
void DrawNotices();
// How many notices wait (while one does, the user answers it alone: see
// GameFrame); ForgetNotices drops them all.
size_t WaitingNotices();
void ForgetNotices();
