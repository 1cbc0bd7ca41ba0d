// Hooks for tests of the layer and of the program's recovery paths. Nothing
// in the program calls them.
#pragma once

#include "platform/gpu/gpu_types.h"

namespace gpu {

class Context;

// The next SwapChain::Present returns `result` (DXGI_ERROR_DEVICE_REMOVED, ...)
// without presenting; S_OK cancels.
void ForceNextPresentResult(HResult result);

// Draws one triangle, given in clip space (x, y, z, w per corner), in a solid
// colour through the context's recorded state, exactly as a draw of the
// program would apply it. For checking the layer's conventions before shaders
// exist. False when the context dropped the draw.
bool DrawTestTriangle(Context* context, const float corners[3][4], const float color[4]);

}  // namespace gpu
