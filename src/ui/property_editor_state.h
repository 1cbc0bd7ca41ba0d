// The property and option editors' state in the scene.
#pragma once

struct PropertyEditorState {
};
