// The stats, help and start-hint windows' state in the scene. They keep
// none of their own: they show the scene's values, the game's bindings and
// the settings' show-hints switch as they are in each frame, and the status
// lines "Stats" lists are CScene::statusLines.
#pragma once

struct HintState {
};
