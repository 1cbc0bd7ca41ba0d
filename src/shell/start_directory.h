// The start directory: the executable's folder with the data folders beside
// it, made the current directory as the program starts. All paths the program
// uses are relative to it, the log "game.log" included.
#pragma once

#include <string>

extern std::string StartDirectory;
extern std::string LogPath;

// Sets StartDirectory and LogPath together (start-up, and tests that run in a
// temporary folder).
void SetStartDirectory(const std::string& folder);
