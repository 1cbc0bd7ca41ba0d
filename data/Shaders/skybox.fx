// skybox.fx: the sky around the viewer.
//
// The sky mesh is a unit cube; it is scaled by boxScale, turned by the world
// matrix and centred on the eye, so the viewer never reaches it. Its depth
// is pinned just in front of the far end of the depth range: the sky lies
// behind everything drawn after it and is never cut off by a short view
// distance. Pixels are the picture times the ambient colour, unlit.
//
// Vertex stage: ConstantBufferSkyBox (b0), ConstantBufferWorldMatrix (b1).
// Pixel stage: PSConstantBufferDef (b0), texture and sampler unit 0.

#ifdef VERTEX_SHADER

layout(location = 0) in vec3 inPosition;
layout(location = 2) in vec2 inTexCoord;

layout(std140, binding = 0) uniform ConstantBufferSkyBox {
    mat4 view;
    mat4 projection;
    vec4 eye;
    vec4 light;
    vec4 attenuation;
    vec4 lightRange;
    vec4 reserved[2];
    vec4 boxScale;
} sky;

layout(std140, binding = 1) uniform ConstantBufferWorldMatrix {
    mat4 world;
} object;

out gl_PerVertex { vec4 gl_Position; };

layout(location = 0) out vec2 vTexCoord;

// Depth 0.99999 passes the "less than the cleared 1.0" test and stays apart
// from it even in a 24-bit depth buffer.
const float kSkyDepth = 0.99999;

void VS()
{
    vec4 turned = vec4(inPosition * sky.boxScale.xyz, 1.0) * object.world;
    vec4 clip = vec4(turned.xyz + sky.eye.xyz, 1.0) * sky.view * sky.projection;
    gl_Position = vec4(clip.xy, clip.w * kSkyDepth, clip.w);
    vTexCoord = inTexCoord;
}

#endif

#ifdef PIXEL_SHADER

layout(std140, binding = 16) uniform PSConstantBufferDef {
    vec4 ambient;
    vec4 diffuse;
    vec4 specular;
} colors;

layout(binding = 0) uniform sampler2D skyTexture;

layout(location = 0) in vec2 vTexCoord;

layout(location = 0) out vec4 outColor;

void PS()
{
    // The sampler wraps; keeping half a texel off the picture's edges stops
    // the opposite edge from bleeding into the seams between the faces.
    vec2 halfTexel = 0.5 / vec2(max(textureSize(skyTexture, 0), ivec2(1)));
    vec2 uv = clamp(vTexCoord, halfTexel, 1.0 - halfTexel);
    outColor = texture(skyTexture, uv) * colors.ambient;
}

#endif
