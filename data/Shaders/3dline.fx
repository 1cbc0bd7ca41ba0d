// 3dline.fx: lines, curves, their control points and the cursor marker, in
// one flat colour.
//
// Vertex stage: ConstantBufferLine (b0), ConstantBufferWorldMatrix (b1).
// Pixel stage: PSConstantBufferLine (b0).

#ifdef VERTEX_SHADER

layout(location = 0) in vec3 inPosition;

layout(std140, binding = 0) uniform ConstantBufferLine {
    mat4 view;
    mat4 projection;
} camera;

layout(std140, binding = 1) uniform ConstantBufferWorldMatrix {
    mat4 world;
} object;

out gl_PerVertex { vec4 gl_Position; };

void VS()
{
    gl_Position = vec4(inPosition, 1.0) * object.world * camera.view * camera.projection;
}

#endif

#ifdef PIXEL_SHADER

layout(std140, binding = 16) uniform PSConstantBufferLine {
    vec4 color;
} line;

layout(location = 0) out vec4 outColor;

void PS()
{
    outColor = line.color;
}

#endif
