// The tool boxes' state in the scene.
#pragma once

struct ToolBoxState {
};
