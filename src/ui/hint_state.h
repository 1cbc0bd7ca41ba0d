// The stats, help and start-hint windows' state in the scene.
#pragma once

struct HintState {
};
