// frame.fx: the translucent highlight drawn over an object (placement,
// selection, dragging).
//
// The object's own geometry in the frame colour, whose alpha is the
// highlight's opacity. Lit from the eye, so faces turned towards the viewer
// are brighter and the shape still reads through the tint: the diffuse
// colour scales that shading, the specular colour adds a soft highlight.
//
// Vertex stage: ConstantBufferFrame (b0), ConstantBufferWorldMatrix (b1).
// Pixel stage: PSConstantBufferFrame (b0).

#ifdef VERTEX_SHADER

layout(location = 0) in vec3 inPosition;
layout(location = 1) in vec3 inNormal;

layout(std140, binding = 0) uniform ConstantBufferFrame {
    mat4 view;
    mat4 projection;
    vec4 eye;
    vec4 reserved[3];
} camera;

layout(std140, binding = 1) uniform ConstantBufferWorldMatrix {
    mat4 world;
} object;

out gl_PerVertex { vec4 gl_Position; };

layout(location = 0) out vec3 vNormal;
layout(location = 1) out vec3 vToEye;

void VS()
{
    vec4 worldPosition = vec4(inPosition, 1.0) * object.world;
    gl_Position = worldPosition * camera.view * camera.projection;
    vNormal = inNormal * mat3(object.world);
    vToEye = camera.eye.xyz - worldPosition.xyz;
}

#endif

#ifdef PIXEL_SHADER

layout(std140, binding = 16) uniform PSConstantBufferFrame {
    vec4 color;
    vec4 diffuse;
    vec4 specular;
} frame;

layout(location = 0) in vec3 vNormal;
layout(location = 1) in vec3 vToEye;

layout(location = 0) out vec4 outColor;

// A zero vector stays zero instead of becoming NaN.
vec3 SafeNormalize(vec3 v) { return v * inversesqrt(max(dot(v, v), 1e-20)); }

void PS()
{
    float facing = abs(dot(SafeNormalize(vNormal), SafeNormalize(vToEye)));
    vec3 shaded = frame.color.rgb * (0.5 + 0.5 * frame.diffuse.rgb * facing) + frame.specular.rgb * pow(facing, 16.0);
    outColor = vec4(shaded, frame.color.a);
}

#endif
