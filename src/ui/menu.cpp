#include "ui/menu.h"


CMenu* Menu = nullptr;

CMenu::CMenu() = default;

void CMenu::LoadTextures()
{
    // TODO(front-end): load the background pictures and scene thumbnails.
}

int CMenu::CreateResources()
{
    // TODO(front-end): the front end's registries and its screen quad.
    return 1;
}

void MenuFrame()
{
    // TODO(front-end): the background and the screens.
}
