// The Worlds folder below the start directory: listed once at start-up into
// CGame::worldNames; new world names are proposed against it (CGame).
#pragma once

#include <string>

class CGame;

// "<StartDirectory>/Worlds"
std::string WorldsFolder();

// Appends the world files (extension exactly "vsk" or "VSK") of the Worlds
// folder to game->worldNames, in sorted order. A missing folder adds nothing.
void ScanWorldsFolder(CGame* game);
