#include "shell/fonts.h"

#include <imgui.h>
#include <imgui_freetype.h>
#include <imgui_internal.h>

#include "platform/files.h"

std::map<std::string, ImFont*> FontMap;

namespace {

// Stand-ins for the Windows font that covers the Japanese glyph ranges.
// Droid Sans Fallback carries the Japanese glyphs but no Latin letters, so
// the Latin font comes first and the fallback is merged into it.
const char* const kLatinFontFile = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";
const char* const kJapaneseFontFile = "/usr/share/fonts/truetype/droid/DroidSansFallbackFull.ttf";

// The scripts of the Latin font: names typed in them (a world's name, a
// command) show as letters rather than "?".
const ImWchar kLatinGreekCyrillicRanges[] = {
    0x0020, 0x024F,  // Latin, Latin-1 and Latin Extended-A and -B
    0x0370, 0x03FF,  // Greek
    0x0400, 0x052F,  // Cyrillic and its supplement
    0,
};

// One interface font of `pixels` size: the Latin font (Latin, Greek and
// Cyrillic) with the Japanese glyphs merged in; null when the Latin font is
// missing or does not load.
ImFont* AddInterfaceFont(ImFontAtlas* atlas, float pixels, bool withJapanese)
{
    ImFont* font = atlas->AddFontFromFileTTF(kLatinFontFile, pixels, nullptr, kLatinGreekCyrillicRanges);
    if (!font || !withJapanese) return font;
    ImFontConfig merge;
    merge.MergeMode = true;
    atlas->AddFontFromFileTTF(kJapaneseFontFile, pixels, &merge, atlas->GetGlyphRangesJapanese());
    return font;
}

// The context whose fonts the map holds, and the one a shut-down hook was
// given to. The fonts are the context's own: once it shuts down, a name
// found in the map would hand out freed memory.
ImGuiContext* fontContext = nullptr;
ImGuiContext* hookedContext = nullptr;

void ForgetFontsOf(ImGuiContext* context, ImGuiContextHook*)
{
    if (context == hookedContext) hookedContext = nullptr;
    if (context != fontContext) return;
    FontMap.clear();
    fontContext = nullptr;
}

void ForgetFontsWithContext(ImGuiContext* context)
{
    fontContext = context;
    if (!context || context == hookedContext) return;
    ImGuiContextHook hook;
    hook.Type = ImGuiContextHookType_Shutdown;
    hook.Callback = ForgetFontsOf;
    ImGui::AddContextHook(context, &hook);
    hookedContext = context;
}

bool BuildAtlas(ImFontAtlas* atlas, int maxTextureSize)
{
    atlas->FontBuilderIO = ImGuiFreeType::GetBuilderForFreeType();
    // Dear ImGui picks the width from the glyphs' area when it may go up to
    // 4096: 1024 for the usual scales, whose narrow skyline packs the
    // Japanese glyphs faster than a 4096-wide one.
    atlas->TexDesiredWidth = maxTextureSize >= 4096 ? 0 : maxTextureSize;
    if (!atlas->Build()) return false;
    return atlas->TexWidth <= maxTextureSize && atlas->TexHeight <= maxTextureSize;
}

}  // namespace

void LoadInterfaceFonts(float scale, int maxTextureSize)
{
    ImFontAtlas* atlas = ImGui::GetIO().Fonts;
    FontMap.clear();
    // Dear ImGui asserts on a file it cannot open, so only files that exist
    // are handed to it.
    if (platform::FileExists(kLatinFontFile)) {
        const bool withJapanese = platform::FileExists(kJapaneseFontFile);
        ImFont* main = AddInterfaceFont(atlas, 24.0f * scale, withJapanese);
        ImFont* help = AddInterfaceFont(atlas, 12.0f * scale, withJapanese);
        ImFont* gui = AddInterfaceFont(atlas, 17.0f * scale, withJapanese);
        if (main && help && gui && BuildAtlas(atlas, maxTextureSize)) {
            FontMap["main"] = main;
            FontMap["help"] = help;
            FontMap["gui"] = gui;
            ForgetFontsWithContext(ImGui::GetCurrentContext());
            return;
        }
    }
    atlas->Clear();
    atlas->AddFontDefault();
    BuildAtlas(atlas, maxTextureSize);
}
