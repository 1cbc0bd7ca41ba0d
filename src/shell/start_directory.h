// The start directory: the folder that holds the executable and its data
// folders, and the current directory at start-up. Every file the program reads
// or writes is found below it. The log file lives there as "game.log".
#pragma once

#include <string>

extern std::string StartDirectory;
extern std::string LogPath;

// Sets StartDirectory and LogPath together (start-up, and tests that run in a
// temporary folder).
void SetStartDirectory(const std::string& folder);
