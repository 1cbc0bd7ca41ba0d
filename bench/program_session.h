// What the benchmarks that run the whole program share: a start directory of
// their own, the process's resident and peak sizes, front-end presses by
// Dear ImGui ID, and the scene test. Header-only; each benchmark drives
// WinMain through its main-loop pass hook.
#pragma once

#include <imgui.h>
#include <imgui_internal.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <initializer_list>
#include <string>

#include "process_memory.h"
#include "scene/scene.h"
#include "shell/game.h"
#include "support/imgui_test_frame.h"

namespace bench_session {

using bench_memory::HeapMegabytes;
using bench_memory::PeakMegabytes;
using bench_memory::ResetPeak;
using bench_memory::ResidentMegabytes;
using Clock = std::chrono::steady_clock;

inline double SecondsSince(Clock::time_point from)
{
    return std::chrono::duration<double>(Clock::now() - from).count();
}

// A start directory of its own: the shipped data of the current directory
// linked, no worlds, no settings. Empty when it cannot be made.
inline std::string MakeStartDirectory(const char* prefix)
{
    namespace fs = std::filesystem;
    const fs::path shipped = fs::current_path();
    std::string pattern = std::string("/tmp/") + prefix + "-XXXXXX";
    if (!mkdtemp(pattern.data())) return {};
    const fs::path folder = pattern;
    for (const char* data : {"Blocks", "Textures", "TexturesUI", "Shaders", "Sounds", "temp-percp-graph.tga"})
        if (fs::exists(shipped / data)) fs::create_symlink(shipped / data, folder / data);
    fs::create_directories(folder / "Worlds" / "Backups");
    return folder.string();
}

// Presses a Dear ImGui item in the frame that comes next.
inline void Press(const char* window, std::initializer_list<testing_support::IdPart> path)
{
    ImGui::ActivateItem(testing_support::ImGuiTestFrame::ItemId(window, path));
}

inline bool InScene() { return Game && Game->menuMode == 0 && Game->scene && Game->scene->world; }

}  // namespace bench_session
