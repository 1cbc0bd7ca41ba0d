// The object generators' settings and working state in the scene.
#pragma once

struct ObjectGeneratorSettings {
};
