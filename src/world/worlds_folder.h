// The Worlds folder below the start directory: listed once at start-up into
// CGame::worldNames; new world names are proposed against it (CGame), and a
// name typed for a world is checked here before anything is made or saved.
#pragma once

#include <string>

class CGame;

// "<StartDirectory>/Worlds"
std::string WorldsFolder();

// Appends the world files (extension exactly "vsk" or "VSK") of the Worlds
// folder to game->worldNames, in sorted order. A missing folder adds nothing.
void ScanWorldsFolder(CGame* game);

// The file a typed world name is saved as: the name with ".vsk" appended
// unless it holds ".vsk" somewhere already. Empty stays empty.
std::string WorldFileNameOf(const std::string& typed);

// Why a typed name cannot be given to a world, in words for the user; empty
// when it can. Refused: an empty name, a file name longer than its saves and
// backups can use (232 bytes with ".vsk"), a name that reaches out of the Worlds folder
// (a slash, a backslash, ".."), control characters, and a file name that would not end
// in the extension the list shows (".vsk" anywhere but at its end).
std::string WorldNameRefusal(const std::string& typed);
