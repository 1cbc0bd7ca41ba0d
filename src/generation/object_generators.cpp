// Object generators: previews and runs along lines, circles, spirals, splines
// and Perlin fields, and the line tool's vertices at the mouse cursor.
#include "scene/scene.h"

void CScene::GenerateObjects(int type, int mode)
{
    // TODO(generation): preview (mode 0) or create the objects of a generator type.
    lastGeneratorType = type;
}

void CScene::AddLineVertexAtCursor()
{
    // TODO(generation): a vertex at the mouse cursor for the line being drawn.
}

void CScene::GenerateAlongLine(int /*mode*/)
{
    // TODO(generation)
}

void CScene::GenerateAlongGivenLine(CWorld* /*world*/, CLine* /*line*/)
{
    // TODO(generation)
}

void CScene::RandomizePerlinTable()
{
    // TODO(generation)
}

void CScene::GenerateAutoScene()
{
    // TODO(generation)
}
