#include "ui/menu.h"

void CMenu::ControlsScreen()
{
    // TODO(options): the key bindings of the 52 actions.
}

CGame* CMenu::UnbindDuplicate(int32_t /*code*/)
{
    // TODO(options)
    return game;
}
