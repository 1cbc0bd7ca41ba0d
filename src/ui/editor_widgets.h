// Small pieces every editor window and front-end screen shares: the
// interface scale, fonts pushed by name, picture buttons that can show as
// selected, and handing the mouse back to the scene once a window is shut.
#pragma once

#include <imgui.h>

#include <string>

class CScene;
class CTexture;

// s = screen width / 1440 within [1, 10], from the current display mode.
float InterfaceScale();

// Pushes the named font of FontMap for its lifetime when the font exists;
// otherwise the window keeps the default font.
class ScopedFont {
public:
    explicit ScopedFont(const char* name);
    ~ScopedFont();
    ScopedFont(const ScopedFont&) = delete;
    ScopedFont& operator=(const ScopedFont&) = delete;

private:
    bool pushed_ = false;
};

// The Dear ImGui texture id of a picture; null without one (the button then
// shows no picture).
ImTextureID TextureIdOf(const CTexture* picture);

// An image button (frame padding 3, uv (0,0)-(1,1), white tint) whose frame
// shows in the hovered colour (the active colour while held) while
// `selected`, exactly as if it were hovered. Its id is the picture, so
// callers PushID around buttons that may share one. True on a click.
bool ImageButtonSelectable(const CTexture* picture, const ImVec2& size, bool selected, const ImVec4& background);

// The name of the key bound to a key slot of the game, as the user knows
// it: "???" for an unbound slot, empty for a code without a name or without
// a game. Read every frame, so a key rebound on the controls screen shows at once.
std::string BoundKeyName(const CScene& scene, int slot);

// When the game has its input and the mouse is not exclusive, makes it
// exclusive again: the scene gets the mouse back after a window closes.
void GiveMouseBackToScene(const CScene& scene);
