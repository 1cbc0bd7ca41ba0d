// The Worlds folder below the start directory: listed once at start-up into
// CGame::worldNames; new world names are proposed against it (CGame), and a
// name typed for a world is checked here before anything is made or saved.
#pragma once

#include <cstddef>
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

// The longest world file name whose saves all fit the 255 bytes a file
// system takes for a name: the world is written through "<name>.tmp", and a
// backup puts a 19-byte time stamp before its ".vsk".
inline constexpr size_t kMostWorldFileNameBytes = 255 - 4 - 19;
// The text fields that take a world's name (the new-world screen, "Save As")
// hold this many bytes, the zero included: more than any name accepted, so
// a longer name is refused with its reason, never cut to fit.
inline constexpr size_t kWorldNameFieldBytes = 512;
static_assert(kWorldNameFieldBytes > kMostWorldFileNameBytes + 1);

// Why a typed name cannot be given to a world, in words that say what is
// wrong with it; empty when it can. Refused: no name, or one of nothing but
// white space, such as U+3000 and U+00A0 (the list would show an empty
// entry); a file name longer than its
// saves and backups can use (kMostWorldFileNameBytes, ".vsk" included); a
// slash or a backslash, which would put the file into another folder (here
// or on Windows); control characters; and a file name that would not end in
// the extension the list shows (".vsk" anywhere but at its end). Everything
// else the file system takes is a name, dots included.
std::string WorldNameRefusal(const std::string& typed);
