// The property and option editors' state in the scene.
//
// "Object Properties", "Sun Properties", "Misc Options" and "Camera Options"
// keep nothing of their own: every control edits a copy of a scene, world or
// selected-object value and writes it back only when it changed, so the
// windows always show the values in force (a world opened later, or a key
// that switched a flag, shows at once).
#pragma once

struct PropertyEditorState {
};
