#include "ui/menu.h"

void CMenu::ScreenSettingsScreen()
{
    // TODO(options): adapter, output, resolution, full screen, multisampling and aspect ratio.
}
