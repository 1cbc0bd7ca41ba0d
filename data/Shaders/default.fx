// default.fx: solid and transparent objects, textured and lit, no shadows.
//
// A point light (ConstantBufferDef.light) with ambient, diffuse and Blinn
// specular terms; the specular exponent is the object's material value.
// The texture's alpha times the diffuse alpha is the pixel's opacity, which
// the transparent pass blends with.
//
// Vertex stage: ConstantBufferDef (b0), ConstantBufferWorldMatrix (b1),
// ConstantBufferMaterialSM (b2). Pixel stage: PSConstantBufferDef (b0),
// texture and sampler unit 0.

#ifdef VERTEX_SHADER

layout(location = 0) in vec3 inPosition;
layout(location = 1) in vec3 inNormal;
layout(location = 2) in vec2 inTexCoord;

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

out gl_PerVertex { vec4 gl_Position; };

layout(location = 0) out vec2 vTexCoord;
layout(location = 1) out vec3 vNormal;
layout(location = 2) out vec3 vToEye;
layout(location = 3) out vec3 vToLight;
layout(location = 4) out vec2 vLightTerms;  // x: specular exponent, y: light fall-off

float LightFallOff(float d)
{
    if (d > camera.lightRange.x) return 0.0;
    float divisor = dot(camera.attenuation.xyz, vec3(1.0, d, d * d));
    return clamp(1.0 / max(divisor, 1e-6), 0.0, 1.0);
}

void VS()
{
    vec4 worldPosition = vec4(inPosition, 1.0) * object.world;
    gl_Position = worldPosition * camera.view * camera.projection;
    vTexCoord = inTexCoord;
    vNormal = inNormal * mat3(object.world);
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
