// The console's state in the scene.
#pragma once

struct ConsoleState {
};
