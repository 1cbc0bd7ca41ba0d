#include "support/gpu_test_shaders.h"

#include <array>
#include <cstddef>

const char* const kSolidEffect = R"(
#ifdef VERTEX_SHADER
layout(location = 0) in vec3 inPosition;
layout(std140, binding = 0) uniform Move { vec4 offset; } move;
out gl_PerVertex { vec4 gl_Position; };
void VS() { gl_Position = vec4(inPosition + move.offset.xyz, 1.0); }
#endif
#ifdef PIXEL_SHADER
layout(std140, binding = 17) uniform Tint { float unused; vec4 colour; } tint;
layout(location = 0) out vec4 outColor;
void PS() { outColor = tint.colour; }
#endif
)";

const char* const kSkinWeightEffect = R"(
#ifdef VERTEX_SHADER
layout(location = 0) in vec3 inPosition;
layout(location = 3) in vec4 inWeights;
out gl_PerVertex { vec4 gl_Position; };
layout(location = 0) out vec4 vWeights;
void VS() { gl_Position = vec4(inPosition, 1.0); vWeights = inWeights; }
#endif
#ifdef PIXEL_SHADER
layout(location = 0) in vec4 vWeights;
layout(location = 0) out vec4 outColor;
void PS() { outColor = vec4(vWeights.xyz, 1.0); }
#endif
)";

namespace {

// Joins two string literals at compile time, so that effects sharing a stage
// stay constants.
template <size_t A, size_t B>
constexpr std::array<char, A + B - 1> Join(const char (&first)[A], const char (&second)[B])
{
    std::array<char, A + B - 1> joined {};
    for (size_t i = 0; i + 1 < A; ++i) joined[i] = first[i];
    for (size_t i = 0; i < B; ++i) joined[A - 1 + i] = second[i];
    return joined;
}

// Clip-space positions passed straight through.
constexpr char kPassThroughVertexStage[] = R"(
#ifdef VERTEX_SHADER
layout(location = 0) in vec3 inPosition;
out gl_PerVertex { vec4 gl_Position; };
void VS() { gl_Position = vec4(inPosition, 1.0); }
#endif
)";

constexpr auto kTextureAtText = Join(kPassThroughVertexStage, R"(#ifdef PIXEL_SHADER
layout(std140, binding = 16) uniform At { vec4 uv; } at;
layout(binding = 0) uniform sampler2D picture;
layout(location = 0) out vec4 outColor;
void PS() { outColor = texture(picture, at.uv.xy); }
#endif
)");

constexpr auto kShadowCompareText = Join(kPassThroughVertexStage, R"(#ifdef PIXEL_SHADER
layout(std140, binding = 16) uniform Reference { vec4 depth; } reference;
layout(binding = 0) uniform sampler2DShadow shadow;
layout(location = 0) out vec4 outColor;
void PS() { outColor = vec4(vec3(texture(shadow, vec3(0.5, 0.5, reference.depth.x))), 1.0); }
#endif
)");

}  // namespace

const char* const kTextureAtEffect = kTextureAtText.data();
const char* const kShadowCompareEffect = kShadowCompareText.data();

std::string StageSource(gpu::ShaderStage stage, const std::string& effect)
{
    const bool vertex = stage == gpu::ShaderStage::Vertex;
    return std::string("#version 450 core\n") + (vertex ? "#define VERTEX_SHADER 1\n#define VS main\n"
                                                        : "#define PIXEL_SHADER 1\n#define PS main\n") +
           "#line 1\n" + effect;
}

gpu::Blob* MakeStageBlob(gpu::ShaderStage stage, const std::string& effect)
{
    return new gpu::Blob(stage, StageSource(stage, effect));
}

// Clip space y = +1 is the top of the picture.
const float kQuadVertices[4 * 8] = {
    -1, 1,  0.5f, 0, 0, -1, 0, 0,  // top-left
    1,  1,  0.5f, 0, 0, -1, 1, 0,  // top-right
    1,  -1, 0.5f, 0, 0, -1, 1, 1,  // bottom-right
    -1, -1, 0.5f, 0, 0, -1, 0, 1,  // bottom-left
};
const uint16_t kQuadIndices[6] = {0, 1, 2, 0, 2, 3};
const uint16_t kCounterClockwiseQuadIndices[6] = {0, 2, 1, 0, 3, 2};
