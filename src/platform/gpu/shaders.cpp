// Index
//   - Separable programs
//   - Vertex and pixel shaders
//   - Input layouts
//   - Device entry points
#include "platform/gpu/shaders.h"

#include <epoxy/gl.h>

#include <cstdio>
#include <string>

#include "platform/gpu/device.h"

namespace gpu {

// ---------------------------------------------------------------------------
// Separable programs
// ---------------------------------------------------------------------------

namespace {

// Compiles and links one stage's source as a separable program. The log of a
// failure goes to stderr, where the program's debugger output goes.
HResult MakeSeparableProgram(GLenum stage, const void* code, size_t length, GLuint* program)
{
    *program = 0;
    if (!code || length == 0 || !GlReady()) return E_INVALIDARG;
    const std::string source(static_cast<const char*>(code), length);
    const char* text = source.c_str();
    const GLuint made = glCreateShaderProgramv(stage, 1, &text);
    if (made == 0) return E_OUTOFMEMORY;
    GLint linked = GL_FALSE;
    glGetProgramiv(made, GL_LINK_STATUS, &linked);
    if (linked != GL_TRUE) {
        GLint logLength = 0;
        glGetProgramiv(made, GL_INFO_LOG_LENGTH, &logLength);
        std::string log(static_cast<size_t>(logLength > 0 ? logLength : 1), '\0');
        glGetProgramInfoLog(made, static_cast<GLsizei>(log.size()), nullptr, log.data());
        std::fprintf(stderr, "%s shader: %s\n", stage == GL_VERTEX_SHADER ? "Vertex" : "Pixel", log.c_str());
        glDeleteProgram(made);
        return E_INVALIDARG;
    }
    *program = made;
    return S_OK;
}

}  // namespace

// ---------------------------------------------------------------------------
// Vertex and pixel shaders
// ---------------------------------------------------------------------------

HResult VertexShader::Create(const void* code, size_t length, VertexShader** shader)
{
    if (!shader) return E_INVALIDARG;
    *shader = nullptr;
    GLuint program = 0;
    const HResult result = MakeSeparableProgram(GL_VERTEX_SHADER, code, length, &program);
    if (Failed(result)) return result;
    VertexShader* made = new VertexShader;
    made->program_ = MakeGlName(program);
    *shader = made;
    return S_OK;
}

VertexShader::~VertexShader()
{
    if (GlNameDeletable(program_)) {
        glDeleteProgram(program_.name);
        ForgetAppliedGlState();
    }
}

HResult PixelShader::Create(const void* code, size_t length, PixelShader** shader)
{
    if (!shader) return E_INVALIDARG;
    *shader = nullptr;
    GLuint program = 0;
    const HResult result = MakeSeparableProgram(GL_FRAGMENT_SHADER, code, length, &program);
    if (Failed(result)) return result;
    PixelShader* made = new PixelShader;
    made->program_ = MakeGlName(program);
    *shader = made;
    return S_OK;
}

PixelShader::~PixelShader()
{
    if (GlNameDeletable(program_)) {
        glDeleteProgram(program_.name);
        ForgetAppliedGlState();
    }
}

// ---------------------------------------------------------------------------
// Input layouts
// ---------------------------------------------------------------------------

namespace {

struct SemanticLocation {
    const char* name;
    uint32_t location;
};

constexpr SemanticLocation kSemantics[] = {
    {"POSITION", 0}, {"NORMAL", 1}, {"TEXCOORD", 2}, {"BLENDWEIGHT", 3}, {"BLENDINDICES", 4},
};
constexpr uint32_t kLocationCount = 5;

// Semantic names are case-insensitive, as in HLSL.
bool SameSemantic(const char* a, const char* b)
{
    for (; *a && *b; ++a, ++b) {
        const char x = (*a >= 'a' && *a <= 'z') ? static_cast<char>(*a - 32) : *a;
        if (x != *b) return false;
    }
    return *a == *b;
}

bool FindLocation(const InputElementDesc& element, uint32_t* location)
{
    if (!element.SemanticName || element.SemanticIndex != 0) return false;
    for (const SemanticLocation& semantic : kSemantics) {
        if (SameSemantic(element.SemanticName, semantic.name)) {
            *location = semantic.location;
            return true;
        }
    }
    return false;
}

// Float components of a vertex format; 0 for formats a layout cannot use.
uint32_t FloatComponents(Format format)
{
    switch (format) {
    case FORMAT_R32_FLOAT: return 1;
    case FORMAT_R32G32_FLOAT: return 2;
    case FORMAT_R32G32B32_FLOAT: return 3;
    case FORMAT_R32G32B32A32_FLOAT: return 4;
    default: return 0;
    }
}

// Every attribute the vertex shader reads must come from the layout, as
// Direct3D checks the layout against the shader's input signature.
HResult CheckSignature(const void* code, size_t length, const std::vector<VertexAttribute>& attributes)
{
    GLuint program = 0;
    const HResult compiled = MakeSeparableProgram(GL_VERTEX_SHADER, code, length, &program);
    if (Failed(compiled)) return compiled;
    GLint inputs = 0;
    glGetProgramInterfaceiv(program, GL_PROGRAM_INPUT, GL_ACTIVE_RESOURCES, &inputs);
    HResult result = S_OK;
    for (GLint index = 0; index < inputs && Succeeded(result); ++index) {
        const GLenum property = GL_LOCATION;
        GLint location = -1;
        glGetProgramResourceiv(program, GL_PROGRAM_INPUT, static_cast<GLuint>(index), 1, &property, 1, nullptr,
                               &location);
        if (location < 0) continue;  // gl_VertexID and the other built-ins
        bool provided = false;
        for (const VertexAttribute& attribute : attributes)
            provided = provided || attribute.location == static_cast<uint32_t>(location);
        if (!provided) result = E_INVALIDARG;
    }
    glDeleteProgram(program);
    return result;
}

}  // namespace

HResult InputLayout::Create(const InputElementDesc* elements, uint32_t count, const void* code, size_t length,
                            InputLayout** layout)
{
    if (!layout) return E_INVALIDARG;
    *layout = nullptr;
    if ((count > 0 && !elements) || count > kLocationCount || !code || length == 0 || !GlReady())
        return E_INVALIDARG;

    std::vector<VertexAttribute> attributes;
    uint32_t slotEnd[kVertexBufferSlots] = {};
    bool locationUsed[kLocationCount] = {};
    for (uint32_t index = 0; index < count; ++index) {
        const InputElementDesc& element = elements[index];
        VertexAttribute attribute;
        attribute.components = FloatComponents(element.Format);
        if (!FindLocation(element, &attribute.location) || locationUsed[attribute.location] ||
            attribute.components == 0 || element.InputSlot >= kVertexBufferSlots)
            return E_INVALIDARG;
        if (element.InputSlotClass != INPUT_PER_VERTEX_DATA) return E_NOTIMPL;
        locationUsed[attribute.location] = true;
        attribute.slot = element.InputSlot;
        // An appended element follows the previous element of the same slot.
        attribute.offset =
            element.AlignedByteOffset == APPEND_ALIGNED_ELEMENT ? slotEnd[attribute.slot] : element.AlignedByteOffset;
        if (attribute.offset > 2048 || attribute.offset % 4 != 0) return E_INVALIDARG;
        slotEnd[attribute.slot] = attribute.offset + 4 * attribute.components;
        attributes.push_back(attribute);
    }
    const HResult signature = CheckSignature(code, length, attributes);
    if (Failed(signature)) return signature;

    GLuint vertexArray = 0;
    glCreateVertexArrays(1, &vertexArray);
    for (const VertexAttribute& attribute : attributes) {
        glEnableVertexArrayAttrib(vertexArray, attribute.location);
        glVertexArrayAttribFormat(vertexArray, attribute.location, static_cast<GLint>(attribute.components), GL_FLOAT,
                                  GL_FALSE, attribute.offset);
        glVertexArrayAttribBinding(vertexArray, attribute.location, attribute.slot);
    }
    InputLayout* made = new InputLayout;
    made->attributes_ = std::move(attributes);
    made->vertexArray_ = MakeGlName(vertexArray);
    *layout = made;
    return S_OK;
}

InputLayout::~InputLayout()
{
    if (GlNameDeletable(vertexArray_)) {
        glDeleteVertexArrays(1, &vertexArray_.name);
        ForgetAppliedGlState();
    }
}

// ---------------------------------------------------------------------------
// Device entry points
// ---------------------------------------------------------------------------

HResult Device::CreateVertexShader(const void* code, size_t length, void* classLinkage, VertexShader** shader)
{
    if (classLinkage) {
        if (shader) *shader = nullptr;
        return E_NOTIMPL;
    }
    return VertexShader::Create(code, length, shader);
}

HResult Device::CreatePixelShader(const void* code, size_t length, void* classLinkage, PixelShader** shader)
{
    if (classLinkage) {
        if (shader) *shader = nullptr;
        return E_NOTIMPL;
    }
    return PixelShader::Create(code, length, shader);
}

HResult Device::CreateInputLayout(const InputElementDesc* elements, uint32_t count, const void* code, size_t length,
                                  InputLayout** layout)
{
    return InputLayout::Create(elements, count, code, length, layout);
}

}  // namespace gpu
