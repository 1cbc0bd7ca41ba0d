// 2dsprite.fx: pictures drawn flat on the screen (the aiming cross, the
// front end's background).
//
// The quad's vertices are given in clip space and placed by
// VSConstantBufferScale: (x, y, z) lands at (x sx + cx, y sy + cy, z sz).
// Pixels are the picture as it is, alpha included.
//
// Vertex stage: VSConstantBufferScale (b0). Pixel stage: texture and sampler
// unit 0.

#ifdef VERTEX_SHADER

layout(location = 0) in vec3 inPosition;
layout(location = 2) in vec2 inTexCoord;

layout(std140, binding = 0) uniform VSConstantBufferScale {
    vec4 scale;
    vec4 centre;
} placement;

out gl_PerVertex { vec4 gl_Position; };

layout(location = 0) out vec2 vTexCoord;

void VS()
{
    gl_Position = vec4(inPosition.xy * placement.scale.xy + placement.centre.xy, inPosition.z * placement.scale.z, 1.0);
    vTexCoord = inTexCoord;
}

#endif

#ifdef PIXEL_SHADER

layout(binding = 0) uniform sampler2D spriteTexture;

layout(location = 0) in vec2 vTexCoord;

layout(location = 0) out vec4 outColor;

void PS()
{
    outColor = texture(spriteTexture, vTexCoord);
}

#endif
