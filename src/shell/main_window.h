// The process-wide state of the main window that the program's own code touches:
// the running flag of the main loop and closing the window by message.
#pragma once

// The main loop runs while this is non-zero; closing the window clears it.
extern int Running;

// SendMessageW(WM_CLOSE) to the main window: the window procedure handles it at
// once and clears the running flag; the loop ends after the current pass.
void SendCloseToMainWindow();
