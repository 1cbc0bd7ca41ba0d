#include "shell/start_directory.h"

#include "platform/files.h"

std::string StartDirectory;
std::string LogPath;

void SetStartDirectory(const std::string& folder)
{
    StartDirectory = folder;
    LogPath = platform::JoinPath(folder, "game.log");
}
