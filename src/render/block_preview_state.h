// The block-type preview pictures' state in the scene.
#pragma once

struct BlockPreviewState {
};
