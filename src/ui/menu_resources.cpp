#include "ui/menu.h"

int CMenu::CreateResources()
{
    // TODO(front-end): the front end's registries and its screen quad.
    return 1;
}

void CMenu::DrawBackground()
{
    // TODO(front-end)
}

int CMenu::RecreateResources()
{
    // TODO(front-end)
    return driver ? CreateResources() : 0;
}
