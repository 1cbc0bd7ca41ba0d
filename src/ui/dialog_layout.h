// Geometry shared by the scene dialogs and the scene menu: fixed flags,
// places and sizes forced every frame from the screen size, and the cursor
// moves between their buttons.
#pragma once

#include <imgui.h>

class CScene;

namespace scene_dialogs {

// NoTitleBar, NoResize, NoMove, NoScrollbar, NoScrollWithMouse, NoCollapse.
inline constexpr ImGuiWindowFlags kDialogFlags = ImGuiWindowFlags_NoTitleBar | ImGuiWindowFlags_NoResize |
                                                 ImGuiWindowFlags_NoMove | ImGuiWindowFlags_NoScrollbar |
                                                 ImGuiWindowFlags_NoScrollWithMouse | ImGuiWindowFlags_NoCollapse;
static_assert(kDialogFlags == 63);

// Button size shared by the scene menu and the dialogs laid out at fixed places.
inline const ImVec2 kDialogButton{396.0f, 32.0f};

struct DialogRect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
};

// A dialog scaled by the interface scale: `width` x 600 at scale 1, 100
// taller while the "Save As" entry is open, centred.
DialogRect ScaledDialogRect(const CScene& scene, float width);
// 400 x 600 (700 while the "Save As" entry is open), centred.
DialogRect FixedDialogRect(const CScene& scene);
// 400 x 560, 100 taller with the "Save As" entry, 60 more with the overwrite
// question, centred.
DialogRect SceneMenuRect(const CScene& scene);

// ImGui::Begin with kDialogFlags at the place and size given, forced every
// frame. The caller ends the window with ImGui::End.
void BeginDialog(const char* name, const DialogRect& rect);

// Moves the layout cursor down from where it stands.
void MoveDown(float pixels);

}  // namespace scene_dialogs
