#include "shell/main_window.h"

int Running = 1;

void SendCloseToMainWindow() { Running = 0; }
