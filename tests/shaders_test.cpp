// The shipped effect files: each compiles in both stages on llvmpipe, links,
// and lays its uniform blocks, samplers and vertex inputs exactly where the
// program's constant-buffer structs and the GPU layer's fixed slots put them.
// Also the compile call's failures.
#include <gtest/gtest.h>

#include <cstddef>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "platform/gpu/shader_compiler.h"
#include "platform/gpu/shader_inspection.h"
#include "render/constant_buffers.h"
#include "support/headless_gpu.h"
#include "support/temp_directory.h"

namespace {

// The registry's files, as it writes them (mixed case, backslashes).
struct Effect {
    const char* vertexFile;
    const char* pixelFile;
    std::vector<std::string> blocks;  // every uniform block the effect must declare
    std::map<int, bool> samplers;     // unit -> comparison sampler
    bool skinned;
};

const std::vector<Effect>& Effects()
{
    static const std::vector<Effect> effects = {
        {"Shaders\\Default.fx", "Shaders\\Default.fx",
         {"ConstantBufferDef", "ConstantBufferWorldMatrix", "ConstantBufferMaterialSM", "PSConstantBufferDef"},
         {{0, false}}, false},
        {"Shaders\\RenderShadowMap.fx", "Shaders\\RenderShadowMap.fx",
         {"ConstantBufferDef", "ConstantBufferCasterMatrices"}, {}, false},
        {"Shaders\\SkyBox.fx", "Shaders\\skybox.fx",
         {"ConstantBufferSkyBox", "ConstantBufferWorldMatrix", "PSConstantBufferDef"}, {{0, false}}, false},
        {"Shaders\\defaultshadowmap.fx", "Shaders\\defaultshadowmap.fx",
         {"ConstantBufferDefSM", "ConstantBufferWorldMatrix", "ConstantBufferMaterialSM", "PSConstantBufferDef",
          "PSConstantBufferDefSM"},
         {{0, false}, {5, true}}, false},
        {"Shaders\\defaultshadowmapskinnedanimation.fx", "Shaders\\defaultshadowmapskinnedanimation.fx",
         {"ConstantBufferDefSM", "ConstantBufferWorldMatrix", "ConstantBufferMaterialSM",
          "ConstantBufferBonesMatrices", "PSConstantBufferDef", "PSConstantBufferDefSM"},
         {{0, false}, {5, true}}, true},
        {"Shaders\\defaultskinnedanimation.fx", "Shaders\\defaultskinnedanimation.fx",
         {"ConstantBufferDef", "ConstantBufferWorldMatrix", "ConstantBufferMaterialSM", "ConstantBufferBonesMatrices",
          "PSConstantBufferDef"},
         {{0, false}}, true},
        {"Shaders\\RenderShadowMapSkinnedAnimation.fx", "Shaders\\RenderShadowMapSkinnedAnimation.fx",
         {"ConstantBufferDef", "ConstantBufferWorldMatrix", "ConstantBufferBonesMatrices"}, {}, true},
        {"Shaders\\dbgTexture.fx", "Shaders\\dbgTexture.fx", {"VSConstantBufferScale"}, {{0, false}}, false},
        {"Shaders\\2DSprite.fx", "Shaders\\2DSprite.fx", {"VSConstantBufferScale"}, {{0, false}}, false},
        {"Shaders\\3DLine.fx", "Shaders\\3DLine.fx",
         {"ConstantBufferLine", "ConstantBufferWorldMatrix", "PSConstantBufferLine"}, {}, false},
        {"Shaders\\frame.fx", "Shaders\\frame.fx",
         {"ConstantBufferFrame", "ConstantBufferWorldMatrix", "PSConstantBufferFrame"}, {}, false},
    };
    return effects;
}

// Where each buffer binds (vertex slot N -> N, pixel slot N -> 16 + N), its
// size and the offset of every member, all from the C++ structs.
struct BlockLayout {
    int binding;
    size_t size;
    std::map<std::string, size_t> members;
};

#define MEMBER(Block, name) {#Block "." #name, offsetof(Block, name)}
#define ARRAY(Block, name) {#Block "." #name "[0]", offsetof(Block, name)}

const std::map<std::string, BlockLayout>& Layouts()
{
    static const std::map<std::string, BlockLayout> layouts = {
        {"ConstantBufferLine",
         {0, sizeof(ConstantBufferLine), {MEMBER(ConstantBufferLine, view), MEMBER(ConstantBufferLine, projection)}}},
        {"ConstantBufferDef",
         {0, sizeof(ConstantBufferDef),
          {MEMBER(ConstantBufferDef, view), MEMBER(ConstantBufferDef, projection), MEMBER(ConstantBufferDef, eye),
           MEMBER(ConstantBufferDef, light), MEMBER(ConstantBufferDef, attenuation),
           MEMBER(ConstantBufferDef, lightRange)}}},
        {"ConstantBufferSkyBox",
         {0, sizeof(ConstantBufferSkyBox),
          {MEMBER(ConstantBufferSkyBox, view), MEMBER(ConstantBufferSkyBox, projection),
           MEMBER(ConstantBufferSkyBox, eye), MEMBER(ConstantBufferSkyBox, light),
           MEMBER(ConstantBufferSkyBox, attenuation), MEMBER(ConstantBufferSkyBox, lightRange),
           ARRAY(ConstantBufferSkyBox, reserved), MEMBER(ConstantBufferSkyBox, boxScale)}}},
        {"ConstantBufferDefSM",
         {0, sizeof(ConstantBufferDefSM),
          {MEMBER(ConstantBufferDefSM, view), MEMBER(ConstantBufferDefSM, projection),
           MEMBER(ConstantBufferDefSM, lightView), MEMBER(ConstantBufferDefSM, eye),
           MEMBER(ConstantBufferDefSM, light), MEMBER(ConstantBufferDefSM, attenuation),
           MEMBER(ConstantBufferDefSM, lightRange)}}},
        {"ConstantBufferMaterialSM",
         {2, sizeof(ConstantBufferMaterialSM),
          {MEMBER(ConstantBufferMaterialSM, power), MEMBER(ConstantBufferMaterialSM, reserved)}}},
        {"ConstantBufferFrame",
         {0, sizeof(ConstantBufferFrame),
          {MEMBER(ConstantBufferFrame, view), MEMBER(ConstantBufferFrame, projection),
           MEMBER(ConstantBufferFrame, eye), ARRAY(ConstantBufferFrame, reserved)}}},
        {"ConstantBufferWorldMatrix",
         {1, sizeof(ConstantBufferWorldMatrix), {MEMBER(ConstantBufferWorldMatrix, world)}}},
        {"ConstantBufferBonesMatrices",
         {3, sizeof(ConstantBufferBonesMatrices), {ARRAY(ConstantBufferBonesMatrices, bones)}}},
        {"ConstantBufferCasterMatrices",
         {1, sizeof(ConstantBufferCasterMatrices), {ARRAY(ConstantBufferCasterMatrices, world)}}},
        {"VSConstantBufferScale",
         {0, sizeof(VSConstantBufferScale),
          {MEMBER(VSConstantBufferScale, scale), MEMBER(VSConstantBufferScale, centre)}}},
        {"PSConstantBufferDef",
         {16, sizeof(PSConstantBufferDef),
          {MEMBER(PSConstantBufferDef, ambient), MEMBER(PSConstantBufferDef, diffuse),
           MEMBER(PSConstantBufferDef, specular)}}},
        {"PSConstantBufferLine", {16, sizeof(PSConstantBufferLine), {MEMBER(PSConstantBufferLine, color)}}},
        {"PSConstantBufferFrame",
         {16, sizeof(PSConstantBufferFrame),
          {MEMBER(PSConstantBufferFrame, color), MEMBER(PSConstantBufferFrame, diffuse),
           MEMBER(PSConstantBufferFrame, specular)}}},
        {"PSConstantBufferDefSM",
         {17, sizeof(PSConstantBufferDefSM),
          {ARRAY(PSConstantBufferDefSM, cascadeOffsets), ARRAY(PSConstantBufferDefSM, cascadeScales),
           MEMBER(PSConstantBufferDefSM, cascadeSetup), MEMBER(PSConstantBufferDefSM, borderAndBias),
           MEMBER(PSConstantBufferDefSM, texelSizes), ARRAY(PSConstantBufferDefSM, cascadeDistances),
           ARRAY(PSConstantBufferDefSM, cascadeDistanceVectors), MEMBER(PSConstantBufferDefSM, lightDirection)}}},
    };
    return layouts;
}

#undef MEMBER
#undef ARRAY

// The input layouts' fixed locations: POSITION, NORMAL, TEXCOORD,
// BLENDWEIGHT, BLENDINDICES.
const std::map<std::string, int> kInputLocations = {
    {"inPosition", 0}, {"inNormal", 1}, {"inTexCoord", 2}, {"inBlendWeights", 3}, {"inBlendIndices", 4}};

struct CompiledEffect {
    gpu::Blob* vertex = nullptr;
    gpu::Blob* pixel = nullptr;
    ~CompiledEffect()
    {
        if (vertex) vertex->Release();
        if (pixel) pixel->Release();
    }
};

std::string ErrorText(gpu::Blob* errors)
{
    return errors ? std::string(errors->GetBufferPointer(), errors->GetBufferSize()) : std::string();
}

// Compiles both stages and links them; false (with the failure recorded)
// when any step fails.
bool CompileAndInspect(const Effect& effect, CompiledEffect* out, gpu::ProgramInspection* inspection)
{
    const auto compile = [](const char* file, const char* entry, const char* profile, gpu::Blob** code) {
        gpu::Blob* errors = nullptr;
        EXPECT_EQ(gpu::CompileFromFile(file, entry, profile, code, &errors), S_OK)
            << file << " " << entry << ": " << ErrorText(errors);
        if (errors) errors->Release();
    };
    compile(effect.vertexFile, "VS", "vs_4_0", &out->vertex);
    compile(effect.pixelFile, "PS", "ps_4_0", &out->pixel);
    if (!out->vertex || !out->pixel) return false;
    const bool linked = gpu::InspectLinkedProgram(*out->vertex, *out->pixel, inspection);
    EXPECT_TRUE(linked) << inspection->log;
    return linked;
}

}  // namespace

class Shaders : public HeadlessGpuTest {};

// Every shipped effect compiles and links, and lays its uniform blocks,
// samplers and inputs where the C++ structs and the fixed slots put them.
TEST_F(Shaders, EveryShippedEffectLinksWithTheProgramsLayout)
{
    for (const Effect& effect : Effects()) {
        SCOPED_TRACE(effect.vertexFile);
        CompiledEffect compiled;
        gpu::ProgramInspection inspection;
        ASSERT_TRUE(CompileAndInspect(effect, &compiled, &inspection));
        EXPECT_TRUE(inspection.pipelineValid) << inspection.pipelineLog;

        std::set<std::string> found;
        for (const gpu::InspectedBlock& block : inspection.blocks) {
            SCOPED_TRACE(block.name);
            found.insert(block.name);
            const auto layout = Layouts().find(block.name);
            ASSERT_NE(layout, Layouts().end()) << "a uniform block no constant buffer fills";
            EXPECT_EQ(block.binding, layout->second.binding);
            EXPECT_EQ(static_cast<size_t>(block.dataSize), layout->second.size);
            EXPECT_EQ(block.members.size(), layout->second.members.size());
            for (const gpu::InspectedBlockMember& member : block.members) {
                const auto expected = layout->second.members.find(member.name);
                ASSERT_NE(expected, layout->second.members.end()) << member.name;
                EXPECT_EQ(static_cast<size_t>(member.offset), expected->second) << member.name;
                EXPECT_FALSE(member.rowMajor) << member.name;
            }
        }
        EXPECT_EQ(found, std::set<std::string>(effect.blocks.begin(), effect.blocks.end()));

        std::map<int, bool> samplers;
        for (const gpu::InspectedSampler& sampler : inspection.samplers) samplers[sampler.unit] = sampler.comparison;
        EXPECT_EQ(samplers, effect.samplers);
        std::set<int> locations;
        for (const gpu::InspectedInput& input : inspection.inputs) {
            const auto expected = kInputLocations.find(input.name);
            ASSERT_NE(expected, kInputLocations.end()) << input.name;
            EXPECT_EQ(input.location, expected->second) << input.name;
            locations.insert(input.location);
        }
        EXPECT_EQ(locations.count(3) + locations.count(4), effect.skinned ? 2u : 0u);
    }
}

TEST_F(Shaders, MissingAndBrokenSourcesFailWithTheirReason)
{
    gpu::Blob* code = nullptr;
    gpu::Blob* errors = nullptr;

    EXPECT_LT(gpu::CompileFromFile("Shaders\\missing.fx", "VS", "vs_4_0", &code, &errors), 0);
    EXPECT_EQ(code, nullptr);
    ASSERT_NE(errors, nullptr);
    EXPECT_NE(ErrorText(errors).find("missing.fx"), std::string::npos) << ErrorText(errors);
    errors->Release();
    errors = nullptr;

    TempDirectory folder;
    folder.Write("broken.fx", "#ifdef VERTEX_SHADER\nvoid VS() {\n  gl_Position = undeclared;\n}\n#endif\n"
                              "#ifdef PIXEL_SHADER\nvoid PS() {}\n#endif\n");
    const std::string broken = folder.File("broken.fx");
    EXPECT_LT(gpu::CompileFromFile(broken.c_str(), "VS", "vs_4_0", &code, &errors), 0);
    EXPECT_EQ(code, nullptr);
    ASSERT_NE(errors, nullptr);
    // The compiler's own message, with the file's line number (the prelude is not counted).
    EXPECT_NE(ErrorText(errors).find("undeclared"), std::string::npos) << ErrorText(errors);
    EXPECT_NE(ErrorText(errors).find(":3("), std::string::npos) << ErrorText(errors);
    errors->Release();
}
