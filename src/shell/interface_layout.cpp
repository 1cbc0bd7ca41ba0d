#include "shell/interface_layout.h"

#include <imgui/imgui.h>

#include <cstdint>
#include <vector>

#include "platform/files.h"

// Dear ImGui's own loader takes a file of zero bytes for a text to measure and
// reads past the end of its buffer. Such a file is what a save cut short
// leaves, so the bytes are read here and handed over with their length; an
// empty text still marks the settings as loaded, so the loader never runs.
void LoadInterfaceLayout()
{
    const char* path = ImGui::GetIO().IniFilename;
    std::vector<uint8_t> bytes;
    if (!path || !platform::ReadWholeFile(path, bytes, uint64_t{1} << 24)) bytes.clear();
    if (bytes.empty())
        ImGui::LoadIniSettingsFromMemory("", 0);
    else
        ImGui::LoadIniSettingsFromMemory(reinterpret_cast<const char*>(bytes.data()), bytes.size());
}
