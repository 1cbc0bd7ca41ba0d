// defaultskinnedanimation.fx: animated objects, textured and lit, no shadows.
//
// The lighting of default.fx on vertices posed by up to four bones each from
// the bone palette. Bone matrices pose the object in its own space; the
// world matrix then places it.
//
// Vertex stage: ConstantBufferDef (b0), ConstantBufferWorldMatrix (b1),
// ConstantBufferMaterialSM (b2), ConstantBufferBonesMatrices (b3); the skin
// stream (weights, bone indices as floats) at locations 3 and 4. Pixel
// stage: PSConstantBufferDef (b0), texture and sampler unit 0.

#ifdef VERTEX_SHADER

layout(location = 0) in vec3 inPosition;
layout(location = 1) in vec3 inNormal;
layout(location = 2) in vec2 inTexCoord;
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

layout(std140, binding = 2) uniform ConstantBufferMaterialSM {
    vec4 power;
    vec4 reserved;
} material;

layout(std140, binding = 3) uniform ConstantBufferBonesMatrices {
    mat4 bones[80];
} palette;

out gl_PerVertex { vec4 gl_Position; };

layout(location = 0) out vec2 vTexCoord;
layout(location = 1) out vec3 vNormal;
layout(location = 2) out vec3 vToEye;
layout(location = 3) out vec3 vToLight;
layout(location = 4) out vec2 vLightTerms;  // x: specular exponent, y: light fall-off

// The vertex's bones blended by weight. The weights are normalised: a vertex
// keeps at most four of its bones, whose weights then no longer add up to 1.
// A vertex without weights (a mesh without a skin stream) stays unposed.
void Skin(out vec4 position, out vec3 normal)
{
    vec4 rest = vec4(inPosition, 1.0);
    float total = dot(inBlendWeights, vec4(1.0));
    if (abs(total) < 1e-6) {
        position = rest;
        normal = inNormal;
        return;
    }
    position = vec4(0.0);
    normal = vec3(0.0);
    for (int i = 0; i < 4; ++i) {
        float weight = inBlendWeights[i] / total;
        if (weight == 0.0) continue;
        int bone = clamp(int(inBlendIndices[i] + 0.5), 0, 79);
        position += weight * (rest * palette.bones[bone]);
        normal += weight * (inNormal * mat3(palette.bones[bone]));
    }
}

float LightFallOff(float d)
{
    if (d > camera.lightRange.x) return 0.0;
    float divisor = dot(camera.attenuation.xyz, vec3(1.0, d, d * d));
    return clamp(1.0 / max(divisor, 1e-6), 0.0, 1.0);
}

void VS()
{
    vec4 posed;
    vec3 posedNormal;
    Skin(posed, posedNormal);
    vec4 worldPosition = vec4(posed.xyz, 1.0) * object.world;
    gl_Position = worldPosition * camera.view * camera.projection;
    vTexCoord = inTexCoord;
    vNormal = posedNormal * mat3(object.world);
    vToEye = camera.eye.xyz - worldPosition.xyz;
    vToLight = camera.light.xyz - worldPosition.xyz;
    vLightTerms = vec2(material.power.x, LightFallOff(length(vToLight)));
}

#endif

#ifdef PIXEL_SHADER

layout(std140, binding = 16) uniform PSConstantBufferDef {
    vec4 ambient;
    vec4 diffuse;
    vec4 specular;
} colors;

layout(binding = 0) uniform sampler2D surfaceTexture;

layout(location = 0) in vec2 vTexCoord;
layout(location = 1) in vec3 vNormal;
layout(location = 2) in vec3 vToEye;
layout(location = 3) in vec3 vToLight;
layout(location = 4) in vec2 vLightTerms;

layout(location = 0) out vec4 outColor;

// A zero vector stays zero instead of becoming NaN.
vec3 SafeNormalize(vec3 v) { return v * inversesqrt(max(dot(v, v), 1e-20)); }

void PS()
{
    vec4 texel = texture(surfaceTexture, vTexCoord);
    vec3 normal = SafeNormalize(vNormal);
    vec3 toLight = SafeNormalize(vToLight);
    vec3 halfway = SafeNormalize(toLight + SafeNormalize(vToEye));
    float lambert = max(dot(normal, toLight), 0.0);
    float highlight = lambert > 0.0 ? pow(max(dot(normal, halfway), 0.0), max(vLightTerms.x, 1.0)) : 0.0;
    vec3 lit = texel.rgb * (colors.ambient.rgb + colors.diffuse.rgb * lambert * vLightTerms.y)
             + colors.specular.rgb * highlight * vLightTerms.y;
    outColor = vec4(lit, texel.a * colors.diffuse.a);
}

#endif
