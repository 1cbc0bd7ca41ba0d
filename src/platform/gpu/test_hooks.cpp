#include "platform/gpu/test_hooks.h"

#include <epoxy/gl.h>

#include "platform/gpu/context.h"
#include "platform/gpu/gl_names.h"
#include "platform/window_internal.h"

namespace gpu {

namespace {

constexpr const char* kVertexSource = R"(#version 450 core
uniform vec4 corners[3];
void main() { gl_Position = corners[gl_VertexID]; }
)";

constexpr const char* kFragmentSource = R"(#version 450 core
uniform vec4 color;
out vec4 fragment;
void main() { fragment = color; }
)";

struct TestProgram {
    GlName program;
    GlName vertexArray;
};

GLuint Compile(GLenum stage, const char* source)
{
    const GLuint shader = glCreateShader(stage);
    glShaderSource(shader, 1, &source, nullptr);
    glCompileShader(shader);
    return shader;
}

// Made once per GL context and kept for the run: test-only.
const TestProgram& Program()
{
    static TestProgram made;
    if (made.program.generation != platform::GlContextGeneration()) {
        const GLuint vertex = Compile(GL_VERTEX_SHADER, kVertexSource);
        const GLuint fragment = Compile(GL_FRAGMENT_SHADER, kFragmentSource);
        const GLuint program = glCreateProgram();
        glAttachShader(program, vertex);
        glAttachShader(program, fragment);
        glLinkProgram(program);
        glDeleteShader(vertex);
        glDeleteShader(fragment);
        GLuint vertexArray = 0;
        glCreateVertexArrays(1, &vertexArray);
        made.program = MakeGlName(program);
        made.vertexArray = MakeGlName(vertexArray);
    }
    return made;
}

}  // namespace

bool DrawTestTriangle(Context* context, const float corners[3][4], const float color[4])
{
    if (!context || !GlReady() || !context->ApplyOutputState()) return false;
    const TestProgram& program = Program();
    const GLuint name = program.program.name;
    glProgramUniform4fv(name, glGetUniformLocation(name, "corners"), 3, &corners[0][0]);
    glProgramUniform4fv(name, glGetUniformLocation(name, "color"), 1, color);
    glUseProgram(name);
    glBindVertexArray(program.vertexArray.name);
    glDrawArrays(GL_TRIANGLES, 0, 3);
    glBindVertexArray(0);
    glUseProgram(0);
    return true;
}

}  // namespace gpu
