#include "world/worlds_folder.h"

#include <vector>

#include "core/name_key.h"
#include "platform/files.h"
#include "shell/game.h"
#include "shell/start_directory.h"

namespace {

constexpr int kNameCandidates = 999;

bool IsWorldFileName(const std::string& name)
{
    const size_t dot = name.rfind('.');
    const std::string extension = dot == std::string::npos ? name : name.substr(dot + 1);
    return extension == "vsk" || extension == "VSK";
}

}  // namespace

std::string WorldsFolder() { return platform::JoinPath(StartDirectory, "Worlds"); }

void ScanWorldsFolder(CGame* game)
{
    if (!game) return;
    std::vector<platform::DirectoryEntry> entries;
    if (!platform::ListDirectory(WorldsFolder(), entries)) return;
    for (const auto& entry : entries)
        if (!entry.isDirectory && IsWorldFileName(entry.name)) game->worldNames.push_back(entry.name);
}

std::string CGame::ProposeWorldName() const
{
    const std::string folder = WorldsFolder();
    for (int i = 0; i < kNameCandidates; ++i) {
        const std::string candidate = i == 0 ? "default.vsk" : "default" + std::to_string(i) + ".vsk";
        bool taken = false;
        for (const auto& listed : worldNames) {
            if (ToLowerAscii(listed) == candidate) { taken = true; break; }
        }
        // A file the list does not know (made by another run) must not be overwritten either.
        if (!taken && platform::FileExists(platform::ResolveFileName(folder, candidate))) taken = true;
        if (!taken) return candidate;
    }
    return "default";
}

void CGame::AddWorldName(const std::string& name)
{
    for (const auto& listed : worldNames)
        if (ToLowerAscii(listed) == ToLowerAscii(name)) return;
    worldNames.push_back(name);
}
