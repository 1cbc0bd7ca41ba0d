// The generator windows' state in the scene.
#pragma once

struct GeneratorWindowState {
};
