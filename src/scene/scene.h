// The scene object of one running world. At most one exists, owned by CGame.
#pragma once

#include <cstdint>

#include "scene/scene_params.h"

class CDriver;
class CSoundManager;
class CGame;
class CWorld;

class CScene {
public:
    // Starts a fresh "game.log" for every world that is opened or created.
    CScene();
    ~CScene();
    CScene(const CScene&) = delete;
    CScene& operator=(const CScene&) = delete;

    // Opens (mode 0) or generates (mode 1) the scene's world. True when a world
    // now exists.
    bool CreateWorld(int mode, const char* worldFileName, int sceneKind, const BlankSceneParams* blank,
                     const TubeSceneParams* tube, const LandscapeSceneParams* landscape);

    // One complete scene frame.
    void RenderFrame();

    CDriver* driver = nullptr;
    CSoundManager* soundManager = nullptr;
    CGame* game = nullptr;
    CWorld* world = nullptr;
};
