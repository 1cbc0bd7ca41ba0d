// The user-interface fonts by name: "main", "help" and "gui". Only fonts that
// loaded are in the map; callers push a font only when its name is found.
// The map empties when the Dear ImGui context that holds the fonts is
// destroyed.
#pragma once

#include <map>
#include <string>

struct ImFont;

extern std::map<std::string, ImFont*> FontMap;

// Adds the three fonts to the current Dear ImGui context at 24 s, 12 s and
// 17 s pixels for the interface scale s: DejaVu Sans (its Latin, Greek and
// Cyrillic letters) with the Japanese glyphs of Droid Sans Fallback merged in
// (when that file exists). Without DejaVu
// Sans, or when the atlas cannot be built within `maxTextureSize`, Dear
// ImGui's own font is used and the map stays empty.
void LoadInterfaceFonts(float scale, int maxTextureSize);
