#include "platform/gpu/shader_inspection.h"

#include <epoxy/gl.h>

#include <cstring>

#include "platform/gpu/gl_names.h"

namespace gpu {

namespace {

GLuint CompileShader(GLenum stage, const Blob& code)
{
    const GLuint shader = glCreateShader(stage);
    const char* source = code.GetBufferPointer();
    glShaderSource(shader, 1, &source, nullptr);
    glCompileShader(shader);
    return shader;
}

std::string ProgramLog(GLuint program)
{
    GLint length = 0;
    glGetProgramiv(program, GL_INFO_LOG_LENGTH, &length);
    if (length <= 1) return {};
    std::vector<char> buffer(static_cast<size_t>(length) + 1, '\0');
    glGetProgramInfoLog(program, length, nullptr, buffer.data());
    return buffer.data();
}

void ReadBlocks(GLuint program, ProgramInspection* out)
{
    GLint blockCount = 0;
    glGetProgramiv(program, GL_ACTIVE_UNIFORM_BLOCKS, &blockCount);
    for (GLint index = 0; index < blockCount; ++index) {
        InspectedBlock block;
        char name[256] = {};
        glGetActiveUniformBlockName(program, static_cast<GLuint>(index), sizeof name, nullptr, name);
        block.name = name;
        GLint value = 0;
        glGetActiveUniformBlockiv(program, static_cast<GLuint>(index), GL_UNIFORM_BLOCK_BINDING, &value);
        block.binding = value;
        glGetActiveUniformBlockiv(program, static_cast<GLuint>(index), GL_UNIFORM_BLOCK_DATA_SIZE, &value);
        block.dataSize = value;
        glGetActiveUniformBlockiv(program, static_cast<GLuint>(index), GL_UNIFORM_BLOCK_REFERENCED_BY_VERTEX_SHADER,
                                  &value);
        block.vertexStage = value != 0;
        glGetActiveUniformBlockiv(program, static_cast<GLuint>(index),
                                  GL_UNIFORM_BLOCK_REFERENCED_BY_FRAGMENT_SHADER, &value);
        block.pixelStage = value != 0;

        GLint memberCount = 0;
        glGetActiveUniformBlockiv(program, static_cast<GLuint>(index), GL_UNIFORM_BLOCK_ACTIVE_UNIFORMS,
                                  &memberCount);
        std::vector<GLint> members(static_cast<size_t>(memberCount > 0 ? memberCount : 0));
        if (!members.empty())
            glGetActiveUniformBlockiv(program, static_cast<GLuint>(index), GL_UNIFORM_BLOCK_ACTIVE_UNIFORM_INDICES,
                                      members.data());
        for (const GLint member : members) {
            const GLuint uniform = static_cast<GLuint>(member);
            InspectedBlockMember entry;
            char memberName[256] = {};
            glGetActiveUniformName(program, uniform, sizeof memberName, nullptr, memberName);
            entry.name = memberName;
            glGetActiveUniformsiv(program, 1, &uniform, GL_UNIFORM_OFFSET, &value);
            entry.offset = value;
            glGetActiveUniformsiv(program, 1, &uniform, GL_UNIFORM_ARRAY_STRIDE, &value);
            entry.arrayStride = value;
            glGetActiveUniformsiv(program, 1, &uniform, GL_UNIFORM_MATRIX_STRIDE, &value);
            entry.matrixStride = value;
            glGetActiveUniformsiv(program, 1, &uniform, GL_UNIFORM_IS_ROW_MAJOR, &value);
            entry.rowMajor = value != 0;
            block.members.push_back(entry);
        }
        out->blocks.push_back(std::move(block));
    }
}

bool IsSamplerType(GLenum type, bool* comparison)
{
    *comparison = type == GL_SAMPLER_2D_SHADOW || type == GL_SAMPLER_CUBE_SHADOW || type == GL_SAMPLER_2D_ARRAY_SHADOW;
    return *comparison || type == GL_SAMPLER_2D || type == GL_SAMPLER_3D || type == GL_SAMPLER_CUBE ||
           type == GL_SAMPLER_1D || type == GL_SAMPLER_2D_ARRAY;
}

void ReadSamplers(GLuint program, ProgramInspection* out)
{
    GLint uniformCount = 0;
    glGetProgramiv(program, GL_ACTIVE_UNIFORMS, &uniformCount);
    for (GLint index = 0; index < uniformCount; ++index) {
        char name[256] = {};
        GLint size = 0;
        GLenum type = 0;
        glGetActiveUniform(program, static_cast<GLuint>(index), sizeof name, nullptr, &size, &type, name);
        InspectedSampler sampler;
        if (!IsSamplerType(type, &sampler.comparison)) continue;
        sampler.name = name;
        GLint unit = -1;
        glGetUniformiv(program, glGetUniformLocation(program, name), &unit);
        sampler.unit = unit;
        out->samplers.push_back(sampler);
    }
}

void ReadInputs(GLuint program, ProgramInspection* out)
{
    GLint inputCount = 0;
    glGetProgramInterfaceiv(program, GL_PROGRAM_INPUT, GL_ACTIVE_RESOURCES, &inputCount);
    for (GLint index = 0; index < inputCount; ++index) {
        char name[256] = {};
        glGetProgramResourceName(program, GL_PROGRAM_INPUT, static_cast<GLuint>(index), sizeof name, nullptr, name);
        if (std::strncmp(name, "gl_", 3) == 0) continue;
        InspectedInput input;
        input.name = name;
        const GLenum property = GL_LOCATION;
        GLint location = -1;
        glGetProgramResourceiv(program, GL_PROGRAM_INPUT, static_cast<GLuint>(index), 1, &property, 1, nullptr,
                               &location);
        input.location = location;
        out->inputs.push_back(input);
    }
}

std::string PipelineLog(GLuint pipeline)
{
    GLint length = 0;
    glGetProgramPipelineiv(pipeline, GL_INFO_LOG_LENGTH, &length);
    if (length <= 1) return {};
    std::vector<char> buffer(static_cast<size_t>(length) + 1, '\0');
    glGetProgramPipelineInfoLog(pipeline, length, nullptr, buffer.data());
    return buffer.data();
}

void ValidatePipeline(const Blob& vertex, const Blob& pixel, ProgramInspection* out)
{
    const char* vertexSource = vertex.GetBufferPointer();
    const char* pixelSource = pixel.GetBufferPointer();
    const GLuint vertexProgram = glCreateShaderProgramv(GL_VERTEX_SHADER, 1, &vertexSource);
    const GLuint pixelProgram = glCreateShaderProgramv(GL_FRAGMENT_SHADER, 1, &pixelSource);
    GLuint pipeline = 0;
    glCreateProgramPipelines(1, &pipeline);
    glUseProgramStages(pipeline, GL_VERTEX_SHADER_BIT, vertexProgram);
    glUseProgramStages(pipeline, GL_FRAGMENT_SHADER_BIT, pixelProgram);
    glValidateProgramPipeline(pipeline);
    GLint valid = GL_FALSE;
    glGetProgramPipelineiv(pipeline, GL_VALIDATE_STATUS, &valid);
    out->pipelineValid = valid == GL_TRUE;
    out->pipelineLog = PipelineLog(pipeline);
    glDeleteProgramPipelines(1, &pipeline);
    glDeleteProgram(vertexProgram);
    glDeleteProgram(pixelProgram);
}

}  // namespace

bool InspectLinkedProgram(const Blob& vertex, const Blob& pixel, ProgramInspection* out)
{
    *out = ProgramInspection {};
    if (!GlReady()) {
        out->log = "no GL context is current";
        return false;
    }
    const GLuint vertexShader = CompileShader(GL_VERTEX_SHADER, vertex);
    const GLuint pixelShader = CompileShader(GL_FRAGMENT_SHADER, pixel);
    const GLuint program = glCreateProgram();
    glAttachShader(program, vertexShader);
    glAttachShader(program, pixelShader);
    glLinkProgram(program);
    glDeleteShader(vertexShader);
    glDeleteShader(pixelShader);
    GLint linked = GL_FALSE;
    glGetProgramiv(program, GL_LINK_STATUS, &linked);
    out->log = ProgramLog(program);
    if (linked == GL_TRUE) {
        ReadBlocks(program, out);
        ReadSamplers(program, out);
        ReadInputs(program, out);
        ValidatePipeline(vertex, pixel, out);
    }
    glDeleteProgram(program);
    return linked == GL_TRUE;
}

}  // namespace gpu
