#include "ui/menu.h"

void CMenu::CheckForUpdate()
{
    // TODO(options): ask the update server for a newer version.
}

void CMenu::DownloadAndUpdate()
{
    // TODO(options): fetch the announced update and start it.
}
