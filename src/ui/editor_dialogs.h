// State of the scene dialogs that lives with the scene.
#pragma once

struct EditorDialogState {
};
