// The executable's entry point. The program reads no command line.
#include "shell/win_main.h"

int main() { return WinMain(1); }
