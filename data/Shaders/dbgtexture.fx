// dbgtexture.fx: a texture shown flat on the screen for looking at it while
// debugging (a render target, the shadow depth texture).
//
// Placed like 2dsprite.fx by VSConstantBufferScale; the colour channels are
// shown opaque, whatever the alpha channel holds (a depth texture reads as
// its depth in red).
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

layout(binding = 0) uniform sampler2D shownTexture;

layout(location = 0) in vec2 vTexCoord;

layout(location = 0) out vec4 outColor;

void PS()
{
    outColor = vec4(texture(shownTexture, vTexCoord).rgb, 1.0);
}

#endif
