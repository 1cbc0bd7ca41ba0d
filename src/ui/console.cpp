#include "ui/editor_windows.h"

#include "scene/scene.h"

void DrawConsoleWindow(CScene& /*scene*/)
{
    // TODO(editor-windows)
}

void DrawConsoleCommandsWindow(CScene& /*scene*/)
{
    // TODO(editor-windows)
}

