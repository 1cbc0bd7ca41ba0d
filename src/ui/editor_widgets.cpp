#include "ui/editor_widgets.h"

#include <algorithm>

#include "graphics/gpu_texture.h"
#include "graphics/texture.h"
#include "input/input.h"
#include "platform/imgui_backends.h"
#include "scene/scene.h"
#include "shell/fonts.h"
#include "shell/game.h"
#include "shell/settings.h"
#include "ui/input_code_names.h"

float InterfaceScale()
{
    return std::clamp(static_cast<float>(Settings.screenWidth) / 1440.0f, 1.0f, 10.0f);
}

ScopedFont::ScopedFont(const char* name)
{
    const auto found = FontMap.find(name);
    if (found == FontMap.end() || !found->second) return;
    ImGui::PushFont(found->second);
    pushed_ = true;
}

ScopedFont::~ScopedFont()
{
    if (pushed_) ImGui::PopFont();
}

ImTextureID TextureIdOf(const CTexture* picture)
{
    if (!picture || !picture->gpu) return nullptr;
    return platform::ImGuiTextureOf(picture->gpu->shaderView);
}

bool ImageButtonSelectable(const CTexture* picture, const ImVec2& size, bool selected, const ImVec4& background)
{
    const ImTextureID texture = TextureIdOf(picture);
    ImGui::PushID(picture);
    int pushedColours = 0;
    if (selected) {
        // A selected button looks hovered; while it is held, active.
        const ImGuiStyle& style = ImGui::GetStyle();
        ImGui::PushStyleColor(ImGuiCol_Button, style.Colors[ImGuiCol_ButtonHovered]);
        ImGui::PushStyleColor(ImGuiCol_ButtonHovered, style.Colors[ImGuiCol_ButtonHovered]);
        pushedColours = 2;
    }
    bool clicked = false;
    if (texture) {
        clicked = ImGui::ImageButton(texture, size, ImVec2(0, 0), ImVec2(1, 1), 3, background, ImVec4(1, 1, 1, 1));
    } else {
        // Without a picture the button keeps its place and stays clickable.
        ImGui::PushStyleVar(ImGuiStyleVar_FramePadding, ImVec2(3, 3));
        clicked = ImGui::Button("##picture", ImVec2(size.x + 6, size.y + 6));
        ImGui::PopStyleVar();
    }
    ImGui::PopStyleColor(pushedColours);
    ImGui::PopID();
    return clicked;
}

std::string BoundKeyName(const CScene& scene, int slot)
{
    char name[64] = {};
    if (scene.game && slot >= 0 && slot < kKeySlotCount) InputCodeName(name, scene.game->keySlots[slot]);
    name[sizeof name - 1] = '\0';
    return name;
}

void GiveMouseBackToScene(const CScene& scene)
{
    CGame* game = scene.game;
    if (!game || !game->input) return;
    if (!game->input->mouseExclusive) game->input->SetMouseExclusive(1);
}
