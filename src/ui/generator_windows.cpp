#include "ui/editor_windows.h"

#include "scene/scene.h"

void DrawAutoSceneGeneratorWindow(CScene& /*scene*/)
{
    // TODO(generation)
}

void DrawGenerateObjectsWindow(CScene& /*scene*/)
{
    // TODO(generation)
}

