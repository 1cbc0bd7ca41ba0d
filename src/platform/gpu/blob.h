// ID3DBlob in place: the output of compiling one entry point of an .fx file.
// Our "compiled code" is the stage's complete GLSL source (with its prelude),
// which the device turns into a separable GL program when a shader is made.
#pragma once

#include <string>

#include "platform/gpu/object.h"

namespace gpu {

enum class ShaderStage { Vertex, Pixel };

class Blob : public Object {
public:
    Blob(ShaderStage stage, std::string text) : stage_(stage), text_(std::move(text)) {}

    ShaderStage Stage() const { return stage_; }
    // GetBufferPointer / GetBufferSize: the source text, or the compiler's log
    // for an error blob.
    const char* GetBufferPointer() const { return text_.c_str(); }
    size_t GetBufferSize() const { return text_.size(); }

private:
    ~Blob() override = default;

    ShaderStage stage_;
    std::string text_;
};

}  // namespace gpu
