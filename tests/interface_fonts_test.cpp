// The interface fonts must draw Latin letters (the front end's labels), the
// Greek and Cyrillic ones a name may be typed in, and the Japanese glyphs
// they are built with: a font missing any shows "?" in their place. They are forgotten with the context they live in.
#include <gtest/gtest.h>

#include <imgui.h>

#include "platform/files.h"
#include "shell/fonts.h"

namespace {

bool GlyphVisible(const ImFont* font, ImWchar codepoint)
{
    const ImFontGlyph* glyph = font->FindGlyphNoFallback(codepoint);
    return glyph && glyph->Visible && glyph->U1 > glyph->U0 && glyph->V1 > glyph->V0;
}

}  // namespace

TEST(InterfaceFonts, EveryFontDrawsLatinGreekCyrillicAndJapaneseGlyphs)
{
    if (!platform::FileExists("/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf") ||
        !platform::FileExists("/usr/share/fonts/truetype/droid/DroidSansFallbackFull.ttf"))
        GTEST_SKIP() << "the font packages are not installed";
    ImGuiContext* previous = ImGui::GetCurrentContext();
    ImGuiContext* context = ImGui::CreateContext();
    ImGui::SetCurrentContext(context);
    LoadInterfaceFonts(1.0f, 16384);
    ASSERT_EQ(FontMap.size(), 3u);
    for (const auto& [name, font] : FontMap) {
        EXPECT_TRUE(GlyphVisible(font, 'A')) << name;
        EXPECT_TRUE(GlyphVisible(font, 'z')) << name;
        EXPECT_TRUE(GlyphVisible(font, 0x0151)) << name << ": o with double acute";
        EXPECT_TRUE(GlyphVisible(font, 0x03A9)) << name << ": Greek Omega";
        EXPECT_TRUE(GlyphVisible(font, 0x0416)) << name << ": Cyrillic Zhe";
        EXPECT_TRUE(GlyphVisible(font, 0x3042)) << name << ": hiragana a";
    }
    // The fonts live in the context: the map goes with it.
    ImGui::DestroyContext(context);
    EXPECT_TRUE(FontMap.empty());
    ImGui::SetCurrentContext(previous);
}
