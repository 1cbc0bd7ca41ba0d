// defaultinstanced.fx: the vertex stage of default.fx for copies drawn by
// instances; its pixel stage is default.fx's own.
//
// Copy n of a draw is placed by matrix n of ConstantBufferCasterMatrices
// (b1); every copy of one draw shares the material (b2) and, in the pixel
// stage, the colours and texture.

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

layout(std140, binding = 1) uniform ConstantBufferCasterMatrices {
    mat4 world[256];
} copies;

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
    mat4 placement = copies.world[gl_InstanceID];
    vec4 worldPosition = vec4(inPosition, 1.0) * placement;
    gl_Position = worldPosition * camera.view * camera.projection;
    vTexCoord = inTexCoord;
    vNormal = inNormal * mat3(placement);
    vToEye = camera.eye.xyz - worldPosition.xyz;
    vToLight = camera.light.xyz - worldPosition.xyz;
    vLightTerms = vec2(material.power.x, LightFallOff(length(vToLight)));
}

#endif
