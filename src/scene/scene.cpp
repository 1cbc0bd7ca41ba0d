#include "scene/scene.h"

#include "shell/log.h"

CScene::CScene() { ResetLog(); }

CScene::~CScene() = default;

bool CScene::CreateWorld(int mode, const char* worldFileName, int sceneKind, const BlankSceneParams* blank,
                         const TubeSceneParams* tube, const LandscapeSceneParams* landscape)
{
    // TODO(scene-runtime): build the world, open its file or generate it.
    return true;
}

void CScene::RenderFrame()
{
    // TODO(scene-runtime): the frame pipeline.
}
