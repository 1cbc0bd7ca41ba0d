// rendershadowmapskinnedanimation.fx: animated shadow casters into the
// shadow depth texture.
//
// Depth only, as rendershadowmap.fx, on vertices posed by up to four bones
// each from the bone palette, as in defaultskinnedanimation.fx.
//
// Vertex stage: ConstantBufferDef (b0), ConstantBufferWorldMatrix (b1),
// ConstantBufferBonesMatrices (b3); the skin stream at locations 3 and 4.

#ifdef VERTEX_SHADER

layout(location = 0) in vec3 inPosition;
layout(location = 3) in vec4 inBlendWeights;
layout(location = 4) in vec4 inBlendIndices;

layout(std140, binding = 0) uniform ConstantBufferDef {
    mat4 view;
    mat4 projection;
    vec4 eye;
    vec4 light;
    vec4 attenuation;
    vec4 lightRange;
} camera;

layout(std140, binding = 1) uniform ConstantBufferWorldMatrix {
    mat4 world;
} object;

layout(std140, binding = 3) uniform ConstantBufferBonesMatrices {
    mat4 bones[80];
} palette;

out gl_PerVertex { vec4 gl_Position; };

// The vertex's bones blended by normalised weight; a vertex without weights
// stays unposed.
vec3 SkinPosition()
{
    vec4 rest = vec4(inPosition, 1.0);
    float total = dot(inBlendWeights, vec4(1.0));
    if (abs(total) < 1e-6) return inPosition;
    vec4 posed = vec4(0.0);
    for (int i = 0; i < 4; ++i) {
        float weight = inBlendWeights[i] / total;
        if (weight == 0.0) continue;
        int bone = clamp(int(inBlendIndices[i] + 0.5), 0, 79);
        posed += weight * (rest * palette.bones[bone]);
    }
    return posed.xyz;
}

void VS()
{
    gl_Position = vec4(SkinPosition(), 1.0) * object.world * camera.view * camera.projection;
}

#endif

#ifdef PIXEL_SHADER

void PS()
{
}

#endif
