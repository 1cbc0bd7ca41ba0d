#include "ui/editor_windows.h"

#include "scene/scene.h"

void DrawCreateObjectsDialog(CScene& /*scene*/)
{
    // TODO(front-end)
}

void DrawBlankSceneDialog(CScene& /*scene*/)
{
    // TODO(front-end)
}

void DrawTubeSceneDialog(CScene& /*scene*/)
{
    // TODO(front-end)
}

void DrawLandscapeSceneDialog(CScene& /*scene*/)
{
    // TODO(front-end)
}

void DrawSceneChooser(CScene& /*scene*/)
{
    // TODO(front-end)
}

void DrawSceneMenu(CScene& /*scene*/)
{
    // TODO(front-end)
}

