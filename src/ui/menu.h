// The front end: what the user sees whenever CGame is in menu mode. One
// instance for the life of the process, created at start-up.
#pragma once

#include <cstdint>

#include "scene/scene_params.h"

class CDriver;
class CGame;

class CMenu {
public:
    CMenu();

    // Loads the front-end pictures from the "TexturesUI" folder.
    void LoadTextures();
    // Creates the front end's own GPU resources; 1 on success.
    int CreateResources();

    CDriver* driver = nullptr;
    CGame* game = nullptr;
    int32_t screenState = 0;

    // The display choices of the screen-settings screen, copied from the
    // settings at start-up.
    int32_t adapterIndex = 0;
    int32_t outputIndex = 0;
    int32_t resolutionChoice = -1;
    int32_t windowed = 1;
    int32_t fsaaChoice = 0;
    int32_t aspectChoice = 0;

    BlankSceneParams blankParams;
    TubeSceneParams tubeParams;
    LandscapeSceneParams landscapeParams;
};

// The front end, created by the entry point.
extern CMenu* Menu;

// One front-end frame on the global menu.
void MenuFrame();
