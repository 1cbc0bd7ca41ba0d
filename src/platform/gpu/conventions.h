// The one place where Direct3D's conventions become GL state, so the
// program's matrices, winding and texture coordinates work unchanged:
//   - clip-space depth 0..1 (glClipControl ZERO_TO_ONE), always;
//   - front faces clockwise unless a rasterizer state says otherwise;
//   - clip origin per render target: LOWER_LEFT while the back buffer is
//     bound, UPPER_LEFT while a texture is. NDC y = +1 is then the top of the
//     presented picture, and row 0 of every texture is the top of its image;
//   - viewports and scissors in Direct3D's top-left coordinates: unchanged on
//     a texture, y flipped to height - (y + h) on the back buffer.
#pragma once

#include <cstdint>

#include "platform/gpu/gpu_types.h"

namespace gpu {

void ApplyTargetOrigin(bool backBufferBound);
void ApplyFrontFace(bool frontCounterClockwise);

struct GlRect {
    float x = 0, y = 0, width = 0, height = 0;
};

// A Direct3D rectangle (top-left origin) on a target `targetHeight` rows high
// as GL's window rectangle (bottom-left origin of GL's row 0).
GlRect ToGlRect(float left, float top, float width, float height, uint32_t targetHeight, bool backBuffer);

}  // namespace gpu
