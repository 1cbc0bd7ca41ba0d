#include "world/worlds_folder.h"

#include <algorithm>
#include <vector>

#include "core/name_key.h"
#include "platform/files.h"
#include "platform/text.h"
#include "shell/game.h"
#include "shell/start_directory.h"

namespace {

constexpr int kNameCandidates = 999;
constexpr char kWorldExtension[] = ".vsk";
constexpr size_t kExtensionLength = sizeof kWorldExtension - 1;

bool IsWorldFileName(const std::string& name)
{
    const size_t dot = name.rfind('.');
    const std::string extension = dot == std::string::npos ? name : name.substr(dot + 1);
    return extension == "vsk" || extension == "VSK";
}

// Unicode's white space (every such character lies in the Basic Multilingual
// Plane): what a list shows as empty room, so a name made only of it looks
// like no name at all.
bool IsWhiteSpace(char16_t unit)
{
    return unit == u' ' || (unit >= u'\t' && unit <= u'\r') || unit == 0x85 || unit == 0xA0 || unit == 0x1680 ||
           (unit >= 0x2000 && unit <= 0x200A) || unit == 0x2028 || unit == 0x2029 || unit == 0x202F ||
           unit == 0x205F || unit == 0x3000;
}

}  // namespace

std::string WorldFileNameOf(const std::string& typed)
{
    if (typed.empty() || typed.find(kWorldExtension) != std::string::npos) return typed;
    return typed + kWorldExtension;
}

std::string WorldNameRefusal(const std::string& typed)
{
    const std::string file = WorldFileNameOf(typed);
    const std::string quoted = "The name \"" + typed + "\" ";
    if (typed.empty()) return "Please give the world a name.";
    const std::u16string units = platform::Utf8ToUtf16(typed);
    if (std::all_of(units.begin(), units.end(), IsWhiteSpace))
        return "The name is only blank space, which the list would show as an empty line: please give the world a "
               "name.";
    if (file.size() <= kExtensionLength)
        return quoted + "is only the extension: please put a name before it.";
    if (file.size() > kMostWorldFileNameBytes)
        return "The name is too long: a world's file name holds at most " + std::to_string(kMostWorldFileNameBytes) +
               " bytes, \".vsk\" included.";
    if (std::any_of(file.begin(), file.end(), [](char c) {
            const auto code = static_cast<unsigned char>(c);
            return code < 0x20 || code == 0x7f;
        }))
        return quoted + "holds a control character (such as a tab or a line break), which the list of worlds cannot show.";
    if (file.find('/') != std::string::npos)
        return quoted + "holds \"/\", which would put the world into another folder.";
    if (file.find('\\') != std::string::npos)
        return quoted + "holds \"\\\", which would put the world into another folder on Windows.";
    // The list shows files ending in ".vsk" or ".VSK" only.
    const std::string ending = file.substr(file.size() - kExtensionLength);
    const bool listed = ending == kWorldExtension || ending == ".VSK";
    if (!listed || file.find(kWorldExtension) < file.size() - kExtensionLength)
        return quoted + "cannot be used for a world: \".vsk\" may stand only at its end.";
    return {};
}

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
