#include "ui/editor_windows.h"

#include "scene/scene.h"

void DrawTexturesWindow(CScene& /*scene*/)
{
    // TODO(editor-windows)
}

void DrawBlocksWindow(CScene& /*scene*/)
{
    // TODO(editor-windows)
}

void DrawExtToolBoxWindow(CScene& /*scene*/)
{
    // TODO(editor-windows)
}

void DrawLineToolBoxWindow(CScene& /*scene*/)
{
    // TODO(editor-windows)
}

void DrawSingleObjectModeWindow(CScene& /*scene*/)
{
    // TODO(editor-windows)
}

void PlaceToolBoxFirstTime(CScene& /*scene*/)
{
    // TODO(editor-windows)
}

void DrawToolBoxWindow(CScene& /*scene*/)
{
    // TODO(editor-windows)
}

