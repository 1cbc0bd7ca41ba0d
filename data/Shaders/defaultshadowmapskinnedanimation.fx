// defaultshadowmapskinnedanimation.fx: animated objects, textured and lit
// by the sun, with the cascaded shadow map.
//
// The lighting and shadow look-up of defaultshadowmap.fx on vertices posed
// by up to four bones each from the bone palette, as in
// defaultskinnedanimation.fx.
//
// Vertex stage: ConstantBufferDefSM (b0), ConstantBufferWorldMatrix (b1),
// ConstantBufferMaterialSM (b2), ConstantBufferBonesMatrices (b3); the skin
// stream (weights, bone indices as floats) at locations 3 and 4. Pixel
// stage: PSConstantBufferDef (b0), PSConstantBufferDefSM (b1), the surface
// texture on unit 0 and the shadow depth texture on unit 5 (comparison
// sampler).

#ifdef VERTEX_SHADER

layout(location = 0) in vec3 inPosition;
layout(location = 1) in vec3 inNormal;
layout(location = 2) in vec2 inTexCoord;
layout(location = 3) in vec4 inBlendWeights;
layout(location = 4) in vec4 inBlendIndices;

layout(std140, binding = 0) uniform ConstantBufferDefSM {
    mat4 view;
    mat4 projection;
    mat4 lightView;
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
layout(location = 3) out float vSpecularPower;
layout(location = 4) out vec4 vLightViewPosition;

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
    vSpecularPower = material.power.x;
    vLightViewPosition = worldPosition * camera.lightView;
}

#endif

#ifdef PIXEL_SHADER

layout(std140, binding = 16) uniform PSConstantBufferDef {
    vec4 ambient;
    vec4 diffuse;
    vec4 specular;
} colors;

layout(std140, binding = 17) uniform PSConstantBufferDefSM {
    vec4 cascadeOffsets[8];
    vec4 cascadeScales[8];
    ivec4 cascadeSetup;  // count, (unused), first and end filter offset
    vec4 borderAndBias;  // usable part of a cascade: x..y; depth bias; width of a cascade in the texture
    vec4 texelSizes;     // (unused), texel height, texel width
    vec4 cascadeDistances[2];
    vec4 cascadeDistanceVectors[8];  // y: the cascade's own depth bias (negative: towards the sun)
    vec4 lightDirection;
} shadow;

layout(binding = 0) uniform sampler2D surfaceTexture;
layout(binding = 5) uniform sampler2DShadow shadowMap;

layout(location = 0) in vec2 vTexCoord;
layout(location = 1) in vec3 vNormal;
layout(location = 2) in vec3 vToEye;
layout(location = 3) in float vSpecularPower;
layout(location = 4) in vec4 vLightViewPosition;

layout(location = 0) out vec4 outColor;

// A zero vector stays zero instead of becoming NaN.
vec3 SafeNormalize(vec3 v) { return v * inversesqrt(max(dot(v, v), 1e-20)); }

// The share of comparisons around `uv` (0..1 across the cascade) that find
// nothing nearer the sun than `depth`.
float FilteredSunlight(int cascade, vec2 uv, float depth)
{
    int first = clamp(shadow.cascadeSetup.z, -4, 0);
    int end = clamp(shadow.cascadeSetup.w, first + 1, 5);
    vec2 atlas = vec2((float(cascade) + uv.x) * shadow.borderAndBias.w, uv.y);
    vec2 texel = vec2(shadow.texelSizes.z, shadow.texelSizes.y);
    float lit = 0.0;
    for (int y = first; y < end; ++y)
        for (int x = first; x < end; ++x)
            lit += textureLod(shadowMap, vec3(atlas + vec2(x, y) * texel, depth), 0.0);
    return lit / float((end - first) * (end - first));
}

float Sunlight(vec4 lightViewPosition)
{
    int count = clamp(shadow.cascadeSetup.x, 0, 8);
    for (int c = 0; c < count; ++c) {
        vec3 t = lightViewPosition.xyz * shadow.cascadeScales[c].xyz + shadow.cascadeOffsets[c].xyz;
        // t.xy runs 0..2 across the cascade with y upwards; texture rows run downwards.
        vec2 uv = vec2(t.x, 2.0 - t.y) * 0.5;
        if (any(lessThan(uv, vec2(shadow.borderAndBias.x))) || any(greaterThan(uv, vec2(shadow.borderAndBias.y))))
            continue;
        float depth = min(t.z, 1.0) - shadow.borderAndBias.z + shadow.cascadeDistanceVectors[c].y;
        return FilteredSunlight(c, uv, depth);
    }
    return 1.0;
}

void PS()
{
    vec4 texel = texture(surfaceTexture, vTexCoord);
    vec3 normal = SafeNormalize(vNormal);
    vec3 toSun = SafeNormalize(-shadow.lightDirection.xyz);
    vec3 halfway = SafeNormalize(toSun + SafeNormalize(vToEye));
    float lambert = max(dot(normal, toSun), 0.0);
    float highlight = lambert > 0.0 ? pow(max(dot(normal, halfway), 0.0), max(vSpecularPower, 1.0)) : 0.0;
    float sun = lambert > 0.0 ? Sunlight(vLightViewPosition) : 0.0;
    vec3 lit = texel.rgb * (colors.ambient.rgb + colors.diffuse.rgb * lambert * sun)
             + colors.specular.rgb * highlight * sun;
    outColor = vec4(lit, texel.a * colors.diffuse.a);
}

#endif
