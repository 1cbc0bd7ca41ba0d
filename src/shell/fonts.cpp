#include "shell/fonts.h"

#include <imgui.h>
#include <imgui_freetype.h>

#include "platform/files.h"

std::map<std::string, ImFont*> FontMap;

namespace {

// Stand-ins for the Windows font that covers the Japanese glyph ranges.
const char* const kFontFiles[] = {
    "/usr/share/fonts/truetype/droid/DroidSansFallbackFull.ttf",
    "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf",
};

bool BuildAtlas(ImFontAtlas* atlas, int maxTextureSize)
{
    atlas->FontBuilderIO = ImGuiFreeType::GetBuilderForFreeType();
    atlas->TexDesiredWidth = maxTextureSize >= 4096 ? 4096 : maxTextureSize;
    if (!atlas->Build()) return false;
    return atlas->TexWidth <= maxTextureSize && atlas->TexHeight <= maxTextureSize;
}

}  // namespace

void LoadInterfaceFonts(float scale, int maxTextureSize)
{
    ImFontAtlas* atlas = ImGui::GetIO().Fonts;
    FontMap.clear();
    const char* file = nullptr;
    for (const char* candidate : kFontFiles) {
        // Dear ImGui asserts on a file it cannot open: never hand it one.
        if (platform::FileExists(candidate)) {
            file = candidate;
            break;
        }
    }
    if (file) {
        const ImWchar* ranges = atlas->GetGlyphRangesJapanese();
        ImFont* main = atlas->AddFontFromFileTTF(file, 24.0f * scale, nullptr, ranges);
        ImFont* help = atlas->AddFontFromFileTTF(file, 12.0f * scale, nullptr, ranges);
        ImFont* gui = atlas->AddFontFromFileTTF(file, 17.0f * scale, nullptr, ranges);
        if (main && help && gui && BuildAtlas(atlas, maxTextureSize)) {
            FontMap["main"] = main;
            FontMap["help"] = help;
            FontMap["gui"] = gui;
            return;
        }
    }
    atlas->Clear();
    atlas->AddFontDefault();
    BuildAtlas(atlas, maxTextureSize);
}
