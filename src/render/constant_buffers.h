// The bytes of every constant buffer the render passes upload, as the
// shaders in Shaders/*.fx read them (std140 uniform blocks made only of
// vec4, ivec4 and mat4, so no member ever needs padding). A pass fills one
// of these structs and uploads it whole with UpdateConstantBuffer.
//
// Matrices: the program's matrices are row-vector matrices (translation in
// the fourth row). Each is stored transposed, so row r of a ShaderMatrix is
// column r of the program's matrix; a shader declaring it as a default
// column-major mat4 and multiplying `v * M` then computes exactly v x M.
//
// Index:
//   - Element types
//   - Vertex-stage buffers, bound at slots 0..3 in this order: pass camera,
//     world matrix, material, bone palette
//   - Pixel-stage buffers, bound at slots 0 and 1: colours, shadow parameters
#pragma once

#include <cstddef>
#include <cstdint>

// ---------------------------------------------------------------------------
// Element types
// ---------------------------------------------------------------------------
struct ShaderFloat4 {
    float x, y, z, w;
};

struct ShaderInt4 {
    int32_t x, y, z, w;
};

// A program matrix stored transposed: m[r][k] is element (k, r) of the
// program's matrix.
struct ShaderMatrix {
    float m[4][4];
};

static_assert(sizeof(ShaderFloat4) == 16 && sizeof(ShaderInt4) == 16 && sizeof(ShaderMatrix) == 64);

// ---------------------------------------------------------------------------
// Vertex-stage buffers
// ---------------------------------------------------------------------------

// Lines and the cursor marker ("3dline.fx"), vertex slot 0.
struct ConstantBufferLine {
    ShaderMatrix view;
    ShaderMatrix projection;
};

// The camera of the plain object passes and the shadow casters ("default.fx",
// "defaultinstanced.fx", "defaultskinnedanimation.fx", "rendershadowmap*.fx"),
// vertex slot 0. The light is a point light: its intensity falls off as
// 1 / (a.x + a.y d + a.z d^2) with the distance d and ends at lightRange.x.
struct ConstantBufferDef {
    ShaderMatrix view;
    ShaderMatrix projection;
    ShaderFloat4 eye;          // camera position, 1
    ShaderFloat4 light;        // light position, 1
    ShaderFloat4 attenuation;  // (1, 0, 0, 0): no fall-off
    ShaderFloat4 lightRange;   // (1e6, 1e6, 1e6, 1)
};

// The sky box ("skybox.fx"), vertex slot 0: the unit cube of the sky mesh
// scaled by boxScale and centred on the eye.
struct ConstantBufferSkyBox {
    ShaderMatrix view;
    ShaderMatrix projection;
    ShaderFloat4 eye;
    ShaderFloat4 light;
    ShaderFloat4 attenuation;
    ShaderFloat4 lightRange;
    ShaderFloat4 reserved[2];  // written as (4, 4, 4, 1) and (1, 1, 1, 1); the sky reads neither
    ShaderFloat4 boxScale;     // (250, 250, 250, 1)
};

// The camera of the shadowed object passes ("defaultshadowmap*.fx"),
// vertex slot 0, with the light's view of the cascades.
struct ConstantBufferDefSM {
    ShaderMatrix view;
    ShaderMatrix projection;
    ShaderMatrix lightView;
    ShaderFloat4 eye;
    ShaderFloat4 light;
    ShaderFloat4 attenuation;
    ShaderFloat4 lightRange;
};

// Per object, vertex slot 2: power = (p, p, p, 1), p the specular exponent
// (the object's "Material"); reserved is written as (1, 1, 1, 1).
struct ConstantBufferMaterialSM {
    ShaderFloat4 power;
    ShaderFloat4 reserved;
};

// Selection frames ("frame.fx"), vertex slot 0.
struct ConstantBufferFrame {
    ShaderMatrix view;
    ShaderMatrix projection;
    ShaderFloat4 eye;          // camera position, 1
    ShaderFloat4 reserved[3];  // not read
};

// Per object, vertex slot 1.
struct ConstantBufferWorldMatrix {
    ShaderMatrix world;
};

// Shadow casters ("rendershadowmap.fx") and the plain opaque pass
// ("defaultinstanced.fx"), vertex slot 1: the placement of each copy of one
// instanced draw, by instance number.
constexpr int kCasterMatrices = 256;
struct ConstantBufferCasterMatrices {
    ShaderMatrix world[kCasterMatrices];
};

// Skinned objects, vertex slot 3: bone i's pose matrix. Vertices name their
// bones by index (as floats); a vertex whose weights are all 0 is not skinned.
constexpr int kMaxBoneMatrices = 80;
struct ConstantBufferBonesMatrices {
    ShaderMatrix bones[kMaxBoneMatrices];
};

// The 2D sprite and the front end's background ("2dsprite.fx"), and the
// debug texture view ("dbgtexture.fx"), vertex slot 0: a vertex (x, y, z)
// lands at (x sx + cx, y sy + cy, z sz) in clip space.
struct VSConstantBufferScale {
    ShaderFloat4 scale;   // (sx, sy, sz, 1)
    ShaderFloat4 centre;  // (cx, cy, 0, 0)
};

// ---------------------------------------------------------------------------
// Pixel-stage buffers
// ---------------------------------------------------------------------------

// Object colours, pixel slot 0 (also the sky's tint: ambient x texture).
struct PSConstantBufferDef {
    ShaderFloat4 ambient;
    ShaderFloat4 diffuse;
    ShaderFloat4 specular;
};

// Lines, pixel slot 0.
struct PSConstantBufferLine {
    ShaderFloat4 color;
};

// Selection frames, pixel slot 0: the frame colour (its alpha is the
// frame's opacity), then how strongly the surface shading and a highlight
// show through it.
struct PSConstantBufferFrame {
    ShaderFloat4 color;
    ShaderFloat4 diffuse;
    ShaderFloat4 specular;
};

// The cascaded shadow map, pixel slot 1. S is the shadow size in texels; the
// cascades lie side by side in one texture S x count wide. For cascade c a
// light-view position p maps to t = p * cascadeScales[c] + cascadeOffsets[c]:
// t.x and t.y run 0..2 across the cascade (y upwards), t.z is the depth.
constexpr int kMaxShadowCascades = 8;
struct PSConstantBufferDefSM {
    ShaderFloat4 cascadeOffsets[kMaxShadowCascades];  // (P(3,0) + 1, P(3,1) + 1, P(3,2), 0)
    ShaderFloat4 cascadeScales[kMaxShadowCascades];   // (P(0,0), P(1,1), P(2,2), 1)
    // (cascade count, 0: not read, -1 and 2: the filter's first and end texel offset)
    ShaderInt4 cascadeSetup;
    // (1/S and (S-1)/S: the usable part of a cascade, 0.001: depth bias, 1/count: a cascade's width)
    ShaderFloat4 borderAndBias;
    // (0.005: not read, 1/S: texel height, 1/(S count): texel width, 0)
    ShaderFloat4 texelSizes;
    ShaderFloat4 cascadeDistances[2];                         // far distances 0-7, four per float4; not read
    ShaderFloat4 cascadeDistanceVectors[kMaxShadowCascades];  // distance i in x, cascade i's depth bias in y
    ShaderFloat4 lightDirection;  // from the light towards the scene, unit length, w 1
};

// ---------------------------------------------------------------------------
// Sizes the registry creates and offsets the shaders rely on
// ---------------------------------------------------------------------------
static_assert(sizeof(ConstantBufferLine) == 128);
static_assert(sizeof(ConstantBufferDef) == 192);
static_assert(offsetof(ConstantBufferDef, eye) == 128 && offsetof(ConstantBufferDef, lightRange) == 176);
static_assert(sizeof(ConstantBufferSkyBox) == 240);
static_assert(offsetof(ConstantBufferSkyBox, reserved) == 192 && offsetof(ConstantBufferSkyBox, boxScale) == 224);
static_assert(sizeof(ConstantBufferDefSM) == 256);
static_assert(offsetof(ConstantBufferDefSM, lightView) == 128 && offsetof(ConstantBufferDefSM, eye) == 192);
static_assert(sizeof(ConstantBufferMaterialSM) == 32);
static_assert(sizeof(ConstantBufferFrame) == 192);
static_assert(offsetof(ConstantBufferFrame, eye) == 128);
static_assert(sizeof(ConstantBufferWorldMatrix) == 64);
static_assert(sizeof(ConstantBufferBonesMatrices) == 5120);
static_assert(sizeof(ConstantBufferCasterMatrices) == 16384);
static_assert(sizeof(VSConstantBufferScale) == 32);
static_assert(sizeof(PSConstantBufferDef) == 48);
static_assert(sizeof(PSConstantBufferLine) == 16);
static_assert(sizeof(PSConstantBufferFrame) == 48);
static_assert(sizeof(PSConstantBufferDefSM) == 480);
static_assert(offsetof(PSConstantBufferDefSM, cascadeScales) == 128);
static_assert(offsetof(PSConstantBufferDefSM, cascadeSetup) == 256);
static_assert(offsetof(PSConstantBufferDefSM, borderAndBias) == 272);
static_assert(offsetof(PSConstantBufferDefSM, texelSizes) == 288);
static_assert(offsetof(PSConstantBufferDefSM, cascadeDistances) == 304);
static_assert(offsetof(PSConstantBufferDefSM, cascadeDistanceVectors) == 336);
static_assert(offsetof(PSConstantBufferDefSM, lightDirection) == 464);
