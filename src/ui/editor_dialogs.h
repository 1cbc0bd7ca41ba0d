// State of the scene dialogs (ui/scene_dialogs.cpp, ui/scene_menu.cpp): what
// lives with the scene (the choices made, their captions, the pictures found
// among the world's textures, a save name awaiting the overwrite answer) and
// what outlives every scene (the new-scene parameters and the save name).
#pragma once

#include <cstddef>
#include <string>

#include "world/worlds_folder.h"

class CTexture;

// Dear ImGui names of the dialogs. Each shows as "GM" (there is no title
// bar); each has its own ID, so dialogs shown at once keep their own places.
inline constexpr char kCreateObjectsDialogName[] = "GM##CreateObjects";
inline constexpr char kSceneChooserName[] = "GM##SceneChooser";
inline constexpr char kBlankSceneDialogName[] = "GM##BlankScene";
inline constexpr char kTubeSceneDialogName[] = "GM##TubeScene";
inline constexpr char kLandscapeSceneDialogName[] = "GM##LandscapeScene";
inline constexpr char kSceneMenuName[] = "GM##SceneMenu";

struct EditorDialogState {
    int sceneChoice = -1;    // scene chooser: -1 none yet; 0..2 blank, tube style, cube landscape
    int objectsChoice = -1;  // generated-scene dialog: -1 nothing yet, 0 automatic scene, 1 direct objects
    // The display name of each dialog's choice: a dialog shows its own.
    std::u16string sceneCaption;
    std::u16string objectsCaption;

    // Pictures found by name among the world's textures; a null one is
    // looked up again the next frame.
    CTexture* autoScenePicture = nullptr;
    CTexture* objectsScenePicture = nullptr;
    CTexture* blankThumbnail = nullptr;
    CTexture* tubeThumbnail = nullptr;
    CTexture* landThumbnail = nullptr;

    // The file name the overwrite question asks about; the world takes it
    // only when it has been saved under it.
    std::string pendingSaveName;

    // "ReLoad Last Saved" was clicked; the world is read again once the
    // frame's interface is drawn (ReloadIfAsked).
    bool reloadAsked = false;

    // Before the world's textures go.
    void ForgetPictures();
};

// Values kept for the whole run, between dialogs and between worlds.
struct SceneDialogValues {
    static constexpr size_t kSaveNameBytes = kWorldNameFieldBytes;

    float blankWorldSize = 250.0f;
    float blankObjectSize = 25.0f;
    bool blankVerticalBorders = true;
    float blankHeight = 4.0f;
    bool blankMosaic = false;
    float tubeWorldSize = 250.0f;
    float tubeMaxLeafSize = 25.0f;
    bool tubeMultiLevel = false;
    bool tubeBaseLevel = false;
    float landscapeWorldSize = 32.0f;
    float landscapeMaxHeight = 10.0f;
    char saveName[kSaveNameBytes] = {};  // UTF-8 and the zero
};

extern SceneDialogValues DialogValues;

// 1 when the path (UTF-16) names something that exists and is no directory.
int FileExists(const char16_t* path);
