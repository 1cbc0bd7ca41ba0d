// rendershadowmap.fx: shadow casters into the shadow depth texture.
//
// Depth only: the camera buffer holds the sun's view and one cascade's
// orthographic projection, and the pixel stage writes no colour (the shadow
// target has none). One draw places up to 256 copies of a mesh, copy n by
// the n-th matrix of the casters' buffer.
//
// Vertex stage: ConstantBufferDef (b0), ConstantBufferCasterMatrices (b1).

#ifdef VERTEX_SHADER

layout(location = 0) in vec3 inPosition;

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
} casters;

out gl_PerVertex { vec4 gl_Position; };

void VS()
{
    gl_Position = vec4(inPosition, 1.0) * casters.world[gl_InstanceID] * camera.view * camera.projection;
}

#endif

#ifdef PIXEL_SHADER

void PS()
{
}

#endif
