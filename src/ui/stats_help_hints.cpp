#include "ui/editor_windows.h"

#include "scene/scene.h"

void DrawStatsWindow(CScene& /*scene*/)
{
    // TODO(editor-windows)
}

void DrawHelpWindow(CScene& /*scene*/)
{
    // TODO(editor-windows)
}

void DrawStartHintsWindow(CScene& /*scene*/)
{
    // TODO(editor-windows)
}

