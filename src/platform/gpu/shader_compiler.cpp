#include "platform/gpu/shader_compiler.h"

#include <epoxy/gl.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "platform/files.h"
#include "platform/gpu/gl_names.h"

namespace gpu {

namespace {

// Far beyond any effect file; a bigger "source" is not one.
constexpr uint64_t kMaxSourceBytes = uint64_t {1} << 20;

bool IsIdentifier(std::string_view text)
{
    if (text.empty() || (text[0] >= '0' && text[0] <= '9')) return false;
    for (const char c : text) {
        const bool letter = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
        if (!letter && !(c >= '0' && c <= '9') && c != '_') return false;
    }
    return true;
}

bool StageOfProfile(std::string_view profile, ShaderStage* stage)
{
    if (profile.substr(0, 3) == "vs_") {
        *stage = ShaderStage::Vertex;
        return true;
    }
    if (profile.substr(0, 3) == "ps_") {
        *stage = ShaderStage::Pixel;
        return true;
    }
    return false;
}

// The program writes "Shaders\Default.fx"; the file on disk is
// "Shaders/default.fx".
std::string FindSourceFile(const char* path)
{
    std::string wanted(path);
    for (char& c : wanted)
        if (c == '\\') c = '/';
    if (platform::FileExists(wanted)) return wanted;
    const size_t slash = wanted.rfind('/');
    if (slash == std::string::npos) {
        const std::string found = platform::ResolveFileName(".", wanted);
        return found.rfind("./", 0) == 0 ? found.substr(2) : found;
    }
    return platform::ResolveFileName(wanted.substr(0, slash), wanted.substr(slash + 1));
}

std::string Prelude(ShaderStage stage, std::string_view entryPoint)
{
    std::string text = "#version 450 core\n";
    text += stage == ShaderStage::Vertex ? "#define VERTEX_SHADER 1\n" : "#define PIXEL_SHADER 1\n";
    text += "#define ";
    text += entryPoint;
    text += " main\n#line 1\n";
    return text;
}

// Compiles and links the stage as the device will; the log holds the
// compiler's and the linker's messages.
bool CompileStage(ShaderStage stage, const std::string& text, std::string* log)
{
    DrainGlErrors();
    const char* sources[] = {text.c_str()};
    const GLuint program =
        glCreateShaderProgramv(stage == ShaderStage::Vertex ? GL_VERTEX_SHADER : GL_FRAGMENT_SHADER, 1, sources);
    if (program == 0) {
        *log = "the GL made no program for the stage";
        return false;
    }
    GLint linked = GL_FALSE;
    glGetProgramiv(program, GL_LINK_STATUS, &linked);
    GLint length = 0;
    glGetProgramiv(program, GL_INFO_LOG_LENGTH, &length);
    if (length > 1) {
        std::vector<char> buffer(static_cast<size_t>(length) + 1, '\0');
        glGetProgramInfoLog(program, length, nullptr, buffer.data());
        log->assign(buffer.data());
    }
    glDeleteProgram(program);
    if (linked != GL_TRUE && log->empty()) *log = "the stage did not compile (the GL gave no log)";
    return linked == GL_TRUE;
}

HResult Fail(HResult result, ShaderStage stage, const std::string& message, Blob** errors)
{
    std::fprintf(stderr, "Shader compilation failed: %s\n", message.c_str());
    if (errors) *errors = new Blob(stage, message);
    return result;
}

}  // namespace

HResult CompileFromFile(const char* path, const char* entryPoint, const char* profile, Blob** code, Blob** errors)
{
    if (code) *code = nullptr;
    if (errors) *errors = nullptr;
    ShaderStage stage = ShaderStage::Vertex;
    if (!path || !entryPoint || !profile || !code)
        return Fail(E_INVALIDARG, stage, "CompileFromFile: a path, entry point, profile and code out are needed",
                    errors);
    const std::string where = std::string(path) + " (" + entryPoint + ", " + profile + ")";
    if (!StageOfProfile(profile, &stage)) return Fail(E_INVALIDARG, stage, where + ": unknown profile", errors);
    if (!IsIdentifier(entryPoint)) return Fail(E_INVALIDARG, stage, where + ": the entry point is no name", errors);

    const std::string file = FindSourceFile(path);
    std::vector<uint8_t> bytes;
    if (!platform::FileExists(file))
        return Fail(HResultFromErrno(ENOENT), stage, where + ": the file cannot be found", errors);
    errno = 0;
    if (!platform::ReadWholeFile(file, bytes, kMaxSourceBytes)) {
        const int error = errno != 0 ? errno : EFBIG;
        return Fail(HResultFromErrno(error), stage, where + ": the file cannot be read: " + std::strerror(error),
                    errors);
    }
    const std::string source(bytes.begin(), bytes.end());
    if (source.find('\0') != std::string::npos)
        return Fail(E_FAIL, stage, where + ": the file is not shader source text", errors);

    if (!GlReady()) return Fail(E_FAIL, stage, where + ": no GL context is current to compile with", errors);
    std::string text = Prelude(stage, entryPoint) + source;
    if (!text.empty() && text.back() != '\n') text.push_back('\n');
    std::string log;
    if (!CompileStage(stage, text, &log)) return Fail(E_FAIL, stage, where + ":\n" + log, errors);
    *code = new Blob(stage, std::move(text));
    return S_OK;
}

}  // namespace gpu
