// Small effects and a quad for tests of the GPU layer, the driver and the
// registries. Each effect is written as our .fx files are: one GLSL source
// with both stages, VS() under VERTEX_SHADER and PS() under PIXEL_SHADER.
#pragma once

#include <cstdint>
#include <string>

#include "platform/gpu/blob.h"

// Moves POSITION by the xyz of vertex b0 ("offset", a vec4 at byte 0) and
// paints the vec4 at byte 16 of pixel b1 (after a float, as std140 lays it).
extern const char* const kSolidEffect;
// Paints the first three BLENDWEIGHT values (location 3, the skin stream).
extern const char* const kSkinWeightEffect;
// Paints texture unit 0 sampled at the uv in the xy of pixel b0.
extern const char* const kTextureAtEffect;
// Paints white where the reference in x of pixel b0 passes the comparison
// sampler of unit 0 against the depth at (0.5, 0.5), black elsewhere.
extern const char* const kShadowCompareEffect;

// The stage's complete source, as the compile stand-in makes it from an .fx
// text (prelude with VERTEX_SHADER / PIXEL_SHADER, entry renamed main).
std::string StageSource(gpu::ShaderStage stage, const std::string& effect);
// A new code blob holding StageSource; the caller releases it.
gpu::Blob* MakeStageBlob(gpu::ShaderStage stage, const std::string& effect);

// A quad over all of clip space in 32-byte vertices (position, normal, uv),
// uv (0,0) at the top-left. kQuadIndices draw it as two clockwise triangles
// (top-right and bottom-left halves), kCounterClockwiseQuadIndices the same
// triangles wound the other way.
extern const float kQuadVertices[4 * 8];
extern const uint16_t kQuadIndices[6];
extern const uint16_t kCounterClockwiseQuadIndices[6];
