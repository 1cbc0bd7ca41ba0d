// For tests: what GL made of an effect's two compiled stages once linked into
// one program. Checks that a shader's uniform blocks lie exactly where the
// program's constant-buffer structs put their bytes, and that its samplers
// and vertex inputs sit at the layer's fixed units and locations. Nothing in
// the program calls it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/gpu/blob.h"

namespace gpu {

struct InspectedBlockMember {
    std::string name;  // "Block.member", arrays as "Block.member[0]"
    int32_t offset = -1;
    int32_t arrayStride = 0;
    int32_t matrixStride = 0;
    bool rowMajor = false;
};

struct InspectedBlock {
    std::string name;
    int32_t binding = -1;
    int32_t dataSize = 0;
    bool vertexStage = false;
    bool pixelStage = false;
    std::vector<InspectedBlockMember> members;
};

struct InspectedSampler {
    std::string name;
    int32_t unit = -1;
    bool comparison = false;  // sampler2DShadow
};

struct InspectedInput {
    std::string name;
    int32_t location = -1;
};

struct ProgramInspection {
    std::string log;
    // The device's way: each stage a separable program, joined in a program
    // pipeline, whose stage interfaces match by location only.
    bool pipelineValid = false;
    std::string pipelineLog;
    std::vector<InspectedBlock> blocks;
    std::vector<InspectedSampler> samplers;
    std::vector<InspectedInput> inputs;  // vertex-buffer inputs: built-ins such as gl_InstanceID are left out
};

// Links the vertex and pixel code blobs of CompileFromFile into one program
// and reads its interface, and validates them as a separable pipeline. False
// (with the link log) when they do not link or no GL context is current.
bool InspectLinkedProgram(const Blob& vertex, const Blob& pixel, ProgramInspection* out);

}  // namespace gpu
