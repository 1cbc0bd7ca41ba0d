// The named GPU registries: built from the shipped effect files on a real
// device, looked up by folded name (shaders, constant buffers) or exact name
// (states), released and rebuilt with every heap back where it was, and what
// a missing or broken effect file leaves behind.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "graphics/driver.h"
#include "graphics/gpu_registry.h"
#include "graphics/render_set.h"
#include "platform/files.h"
#include "platform/heap.h"
#include "support/gpu_test_shaders.h"
#include "support/headless_driver.h"

namespace {

class GpuRegistryTest : public HeadlessDriverTest {};

// Live blocks of every heap the registries use.
struct HeapCounts {
    int shaders = ShaderEntry::Heap().LiveCount();
    int constantBuffers = ConstantBufferEntry::Heap(GpuEntryKind::kConstantBuffer).LiveCount();
    int rasterizer = ConstantBufferEntry::Heap(GpuEntryKind::kRasterizerState).LiveCount();
    int depthStencil = ConstantBufferEntry::Heap(GpuEntryKind::kDepthStencilState).LiveCount();
    int blend = ConstantBufferEntry::Heap(GpuEntryKind::kBlendState).LiveCount();
    int sampler = ConstantBufferEntry::Heap(GpuEntryKind::kSamplerState).LiveCount();
    int shared = SharedHeap().LiveCount();
    bool operator==(const HeapCounts&) const = default;
};

std::ostream& operator<<(std::ostream& out, const HeapCounts& c)
{
    return out << c.shaders << "/" << c.constantBuffers << "/" << c.rasterizer << "/" << c.depthStencil << "/"
               << c.blend << "/" << c.sampler << "/" << c.shared;
}

size_t Count(const std::string& text, const std::string& what)
{
    size_t count = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++count;
    return count;
}

// What the shipped effect files fill each list with, every entry with its
// GPU objects.
void CheckShippedLists(const GpuRegistry& registry)
{
    ASSERT_EQ(registry.vertexShaders.size(), 12u);
    ASSERT_EQ(registry.pixelShaders.size(), 12u);
    EXPECT_EQ(registry.constantBuffers.size(), 14u);
    EXPECT_EQ(registry.samplerStates.size(), 2u);
    EXPECT_EQ(registry.blendStates.size(), 2u);
    EXPECT_EQ(registry.depthStencilStates.size(), 3u);
    ASSERT_EQ(registry.rasterizerStates.size(), 1u);
    for (const ShaderEntry* entry : registry.vertexShaders) {
        ASSERT_NE(entry->objects, nullptr);
        EXPECT_NE(entry->objects->vertexShader, nullptr);
        EXPECT_NE(entry->objects->inputLayout, nullptr);
    }
    for (const ShaderEntry* entry : registry.pixelShaders) {
        ASSERT_NE(entry->objects, nullptr);
        EXPECT_NE(entry->objects->pixelShader, nullptr);
    }
    EXPECT_EQ(registry.vertexShaders[4]->layout, kSkinnedVertexLayout);
    for (const ConstantBufferEntry* entry : registry.constantBuffers) EXPECT_NE(entry->BufferPayload()->buffer, nullptr);
    EXPECT_NE(registry.samplerStates[1]->SamplerPayload()->state, nullptr);
    EXPECT_NE(registry.depthStencilStates[2]->DepthStencilPayload()->state, nullptr);
}

}  // namespace

TEST_F(GpuRegistryTest, ShadersAndBuffersAreFoundInAnyCaseStatesOnlyByTheirExactName)
{
    GpuRegistry registry;
    registry.CreateAll(Driver);
    ASSERT_EQ(registry.vertexShaders.size(), 12u);

    EXPECT_EQ(registry.FindVertexShader(u"DEFAULT.FX"), registry.vertexShaders[0]);
    EXPECT_EQ(registry.FindPixelShader(u"SkyBox.fx"), registry.pixelShaders[2]);
    EXPECT_EQ(registry.FindConstantBuffer(u"psconstantbufferdefsm"), registry.constantBuffers[10]);
    EXPECT_EQ(registry.FindVertexShader(nullptr), nullptr);

    EXPECT_EQ(registry.FindBlendState(u"alphablend"), registry.blendStates[1]);
    EXPECT_EQ(registry.FindBlendState(u"alphaBlend"), nullptr);
    EXPECT_EQ(registry.FindDepthStencilState(nullptr), nullptr);

    // Of two equal names the earlier wins; an empty name matches only an empty name.
    ShaderEntry* second = new ShaderEntry;
    second->SetName(u"Default.FX");
    registry.vertexShaders.push_back(second);
    EXPECT_EQ(registry.FindVertexShader(u"default.fx"), registry.vertexShaders[0]);
    ShaderEntry* unnamed = new ShaderEntry;
    registry.vertexShaders.push_back(unnamed);
    EXPECT_EQ(registry.FindVertexShader(u""), unnamed);
}

TEST_F(GpuRegistryTest, ShippedEffectsBuildEveryListAndReleaseAndRebuildRestoreEveryHeap)
{
    const HeapCounts before;
    {
        GpuRegistry registry;
        registry.CreateAll(Driver);
        EXPECT_EQ(Log().find("The FX file cannot be compiled..."), std::string::npos) << Log();
        ASSERT_NO_FATAL_FAILURE(CheckShippedLists(registry));
        registry.ReleaseAll();
        EXPECT_TRUE(registry.vertexShaders.empty() && registry.rasterizerStates.empty());
        EXPECT_EQ(HeapCounts {}, before);

        // After a device re-creation the lists are filled again, files compiled anew.
        Driver->ReleaseDevice();
        ASSERT_EQ(Driver->CreateDeviceAndSwapChain(), 0);
        registry.CreateAll(Driver);
        ASSERT_NO_FATAL_FAILURE(CheckShippedLists(registry));
    }
    // The registry's destructor releases what is left.
    EXPECT_EQ(HeapCounts {}, before);
}

TEST_F(GpuRegistryTest, MissingOrBrokenEffectsLeaveEntriesWithoutCodeThatDrawNothing)
{
    folder_.Write("Shaders/default.fx", "this is not GLSL");
    folder_.Write("Shaders/2dsprite.fx", kSolidEffect);
    platform::ScopedCurrentDirectory restore;
    ASSERT_TRUE(platform::SetCurrentDirectory(folder_.Path()));

    GpuRegistry registry;
    testing::internal::CaptureStderr();
    registry.LoadVertexShaders(Driver);
    registry.LoadPixelShaders(Driver);
    testing::internal::GetCapturedStderr();
    // Every effect but the sprite is missing or broken, in each list.
    EXPECT_EQ(Count(Log(), "The FX file cannot be compiled..."), 22u) << Log();
    ASSERT_EQ(registry.vertexShaders.size(), 12u);
    ShaderEntry* broken = registry.FindVertexShader(u"Default.fx");
    ASSERT_EQ(broken, registry.vertexShaders[0]);
    EXPECT_EQ(broken->code, nullptr);
    EXPECT_NE(registry.FindVertexShader(u"2DSprite.fx")->code, nullptr);

    registry.CreateVertexShaders(Driver);
    registry.CreatePixelShaders(Driver);
    registry.CreateConstantBuffers(Driver);
    ASSERT_NE(broken->objects, nullptr);
    EXPECT_EQ(broken->objects->vertexShader, nullptr);
    ShaderEntry* sprite = registry.FindVertexShader(u"2dsprite.fx");
    EXPECT_NE(sprite->objects->vertexShader, nullptr);

    // A pass using the working effect draws; with the broken one bound it draws nothing.
    float vertices[32];
    uint16_t indices[6];
    std::memcpy(vertices, kQuadVertices, sizeof(vertices));
    std::memcpy(indices, kQuadIndices, sizeof(indices));
    GpuBufferSet buffers;
    RenderSet quad;
    quad.vertices32 = vertices;
    quad.vertexCount = 4;
    quad.indices = indices;
    quad.indexCount = 6;
    quad.gpu = &buffers;
    ASSERT_EQ(Driver->CreateRenderSetBuffers(&quad), 1);
    ConstantBufferEntry* tint = registry.FindConstantBuffer(u"PSConstantBufferFrame");
    const float colour[12] = {0, 0, 0, 0, 1, 1, 1, 1};
    Driver->UpdateConstantBuffer(tint, colour);
    Driver->SetPixelConstantBuffer(1, tint);
    ConstantBufferEntry* scale = registry.FindConstantBuffer(u"VSConstantBufferScale");
    const float noOffset[8] = {};
    Driver->UpdateConstantBuffer(scale, noOffset);
    Driver->SetVertexConstantBuffer(0, scale);
    Driver->state->context->IASetPrimitiveTopology(gpu::PRIMITIVE_TOPOLOGY_TRIANGLELIST);
    Driver->SetPixelShader(registry.FindPixelShader(u"2dsprite.fx"));

    Driver->SetVertexShader(broken);
    Driver->Clear(0, 0, 0);
    Driver->DrawRenderSet(&quad);
    EXPECT_EQ(Centre(), (Pixel {0, 0, 0, 0}));
    Driver->SetVertexShader(sprite);
    Driver->DrawRenderSet(&quad);
    EXPECT_EQ(Centre(), (Pixel {255, 255, 255, 255}));
    Driver->ReleaseRenderSetBuffers(&quad);
}

TEST_F(GpuRegistryTest, NothingIsBuiltWithoutADriverAndWhatMemoryDeniesIsLeftOut)
{
    GpuRegistry registry;
    registry.CreateAll(nullptr);
    EXPECT_TRUE(registry.vertexShaders.empty() && registry.constantBuffers.empty() &&
                registry.rasterizerStates.empty());

    // No entry: the list stops there, and look-ups find nothing.
    platform::FailNextHeapAllocs(1);
    registry.CreateConstantBuffers(Driver);
    platform::FailNextHeapAllocs(0);
    EXPECT_TRUE(registry.constantBuffers.empty());
    EXPECT_EQ(registry.FindConstantBuffer(u"ConstantBufferLine"), nullptr);

    // No objects record: that entry stays in its list without objects.
    registry.LoadVertexShaders(Driver);
    ASSERT_EQ(registry.vertexShaders.size(), 12u);
    platform::FailNextHeapAllocs(1);
    registry.CreateVertexShaders(Driver);
    platform::FailNextHeapAllocs(0);
    EXPECT_EQ(registry.vertexShaders[0]->objects, nullptr);
    ASSERT_NE(registry.vertexShaders[1]->objects, nullptr);
    EXPECT_NE(registry.vertexShaders[1]->objects->vertexShader, nullptr);

    // No payload: the entry cannot get an object.
    ConstantBufferEntry* entry = ConstantBufferEntry::New(GpuEntryKind::kConstantBuffer);
    ASSERT_NE(entry, nullptr);
    platform::FailNextHeapAllocs(1);
    EXPECT_FALSE(entry->AllocPayload());
    platform::FailNextHeapAllocs(0);
    EXPECT_EQ(Driver->CreateConstantBuffer(entry, 16), E_INVALIDARG);
    ConstantBufferEntry::Delete(entry);
}
