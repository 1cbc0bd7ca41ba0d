#include "ui/editor_windows.h"

#include "scene/scene.h"

void DrawMiscOptionsWindow(CScene& /*scene*/)
{
    // TODO(editor-windows)
}

void DrawCameraOptionsWindow(CScene& /*scene*/)
{
    // TODO(editor-windows)
}

void DrawObjectPropertiesWindow(CScene& /*scene*/)
{
    // TODO(editor-windows)
}

void DrawSunPropertiesWindow(CScene& /*scene*/)
{
    // TODO(editor-windows)
}

