// The driver's resource operations on a real device: render sets drawn and
// read back, the render-target stack, clears, shader entries whose code or
// layout fails, entry states, and textures made from CPU pixels.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "graphics/driver.h"
#include "graphics/gpu_registry.h"
#include "graphics/gpu_texture.h"
#include "graphics/render_set.h"
#include "graphics/texture.h"
#include "core/name_key.h"
#include "platform/text.h"
#include "support/gpu_test_shaders.h"
#include "platform/gpu/texture_test_hooks.h"
#include "support/headless_driver.h"

namespace {

// A quad render set over arrays of its own (never handed to RenderSet::Release).
struct QuadSet {
    explicit QuadSet(bool skinned = false)
    {
        std::memcpy(vertices, kQuadVertices, sizeof(vertices));
        std::memcpy(indices, kQuadIndices, sizeof(indices));
        for (int vertex = 0; vertex < 4; ++vertex) {
            skin[vertex * 8 + 0] = 0.5f;  // weights, then bone indices
            skin[vertex * 8 + 1] = 1.0f;
        }
        set.vertices32 = vertices;
        set.vertexCount = 4;
        set.indices = indices;
        set.indexCount = 6;
        set.skin = skinned ? skin : nullptr;
        set.gpu = &buffers;
    }
    float vertices[32] = {};
    uint16_t indices[6] = {};
    float skin[32] = {};
    GpuBufferSet buffers;
    RenderSet set;
};

struct TintConstants {
    float unused = 0.0f;
    float padding[3] = {};
    float colour[4] = {};
};

class DriverResources : public HeadlessDriverTest {
protected:
    void SetUp() override
    {
        HeadlessDriverTest::SetUp();
        driver = Driver;
        context = Driver->state->context;
    }
    void TearDown() override
    {
        for (QuadSet* quad : quads_) {
            Driver->ReleaseRenderSetBuffers(&quad->set);
            delete quad;
        }
        for (ShaderEntry* entry : shaders_) delete entry;
        for (ConstantBufferEntry* entry : entries_) ConstantBufferEntry::Delete(entry);
        for (CTexture* texture : textures_) {
            Driver->ReleaseTexture(texture);
            CTexture::Delete(texture);
        }
        HeadlessDriverTest::TearDown();
    }

    ShaderEntry* MakeShader(ShaderKind kind, int32_t layout, const char* effect)
    {
        ShaderEntry* entry = new ShaderEntry;
        shaders_.push_back(entry);
        entry->kind = kind;
        entry->layout = layout;
        if (effect)
            entry->code = MakeStageBlob(kind == kVertexShaderKind ? gpu::ShaderStage::Vertex : gpu::ShaderStage::Pixel,
                                        effect);
        entry->objects = new (SharedHeapAlloc(sizeof(ShaderObjects))) ShaderObjects {};
        return entry;
    }

    ConstantBufferEntry* MakeEntry(GpuEntryKind kind)
    {
        ConstantBufferEntry* entry = ConstantBufferEntry::New(kind);
        entries_.push_back(entry);
        entry->AllocPayload();
        return entry;
    }

    QuadSet* MakeQuad(bool skinned = false)
    {
        quads_.push_back(new QuadSet(skinned));
        return quads_.back();
    }

    CTexture* MakeTexture(int32_t width, int32_t height)
    {
        CTexture* texture = new CTexture;
        textures_.push_back(texture);
        texture->width = width;
        texture->height = height;
        return texture;
    }

    // The solid effect bound with a tint at pixel b1 and no offset at vertex b0.
    void BindSolid(float r, float g, float b, float a = 1.0f)
    {
        ShaderEntry* vertex = MakeShader(kVertexShaderKind, kPlainVertexLayout, kSolidEffect);
        ShaderEntry* pixel = MakeShader(kPixelShaderKind, 0, kSolidEffect);
        ASSERT_EQ(driver->CreateShader(vertex), 0);
        ASSERT_EQ(driver->CreateShader(pixel), 0);
        ConstantBufferEntry* move = MakeEntry(GpuEntryKind::kConstantBuffer);
        ConstantBufferEntry* tint = MakeEntry(GpuEntryKind::kConstantBuffer);
        ASSERT_EQ(driver->CreateConstantBuffer(move, 16), 0);
        ASSERT_EQ(driver->CreateConstantBuffer(tint, 32), 0);
        TintConstants constants;
        constants.colour[0] = r, constants.colour[1] = g, constants.colour[2] = b, constants.colour[3] = a;
        driver->UpdateConstantBuffer(tint, &constants);
        const float offset[4] = {};
        driver->UpdateConstantBuffer(move, offset);
        driver->SetVertexConstantBuffer(0, move);
        driver->SetPixelConstantBuffer(1, tint);
        driver->SetVertexShader(vertex);
        driver->SetPixelShader(pixel);
        context->IASetPrimitiveTopology(gpu::PRIMITIVE_TOPOLOGY_TRIANGLELIST);
    }

    CDriver* driver = nullptr;
    gpu::Context* context = nullptr;

private:
    std::vector<ShaderEntry*> shaders_;
    std::vector<ConstantBufferEntry*> entries_;
    std::vector<QuadSet*> quads_;
    std::vector<CTexture*> textures_;
};

constexpr Pixel kRed {255, 0, 0, 255};

}  // namespace

// ---- Render sets ----
TEST_F(DriverResources, BuffersAreReleasedBeforeTheyAreMadeAgainAndFailuresKeepWhatWasMade)
{
    QuadSet* quad = MakeQuad(true);
    ASSERT_EQ(driver->CreateRenderSetBuffers(&quad->set), 1);
    gpu::Buffer* first = quad->buffers.vertexBuffer;
    first->AddRef();
    ASSERT_EQ(first->ReferenceCount(), 2u);
    ASSERT_EQ(driver->CreateRenderSetBuffers(&quad->set), 1);
    EXPECT_NE(quad->buffers.vertexBuffer, first);
    EXPECT_EQ(first->ReferenceCount(), 1u);  // only this test's reference is left
    first->Release();

    // Without vertices32 nothing is made; without indices the vertex streams stay.
    QuadSet* empty = MakeQuad();
    empty->set.vertices32 = nullptr;
    EXPECT_LT(driver->CreateRenderSetBuffers(&empty->set), 0);
    EXPECT_EQ(empty->buffers.vertexBuffer, nullptr);
    QuadSet* noIndices = MakeQuad();
    noIndices->set.indices = nullptr;
    EXPECT_LT(driver->CreateRenderSetBuffers(&noIndices->set), 0);
    EXPECT_NE(noIndices->buffers.vertexBuffer, nullptr);
    EXPECT_EQ(noIndices->buffers.indexBuffer, nullptr);
}

// Render sets holding the same bytes draw from one buffer of the device;
// each lets go of it on its own, and a new device shares nothing old.
TEST_F(DriverResources, SetsWithTheSameArraysShareBuffersUntilTheLastLetsGo)
{
    ASSERT_NO_FATAL_FAILURE(BindSolid(1, 0, 0));
    QuadSet* first = MakeQuad();
    QuadSet* second = MakeQuad();
    QuadSet* moved = MakeQuad();
    moved->vertices[0] = 0.5f;
    for (QuadSet* quad : {first, second, moved}) ASSERT_EQ(driver->CreateRenderSetBuffers(&quad->set), 1);
    EXPECT_EQ(second->buffers.vertexBuffer, first->buffers.vertexBuffer);
    EXPECT_EQ(second->buffers.indexBuffer, first->buffers.indexBuffer);
    EXPECT_NE(moved->buffers.vertexBuffer, first->buffers.vertexBuffer);
    EXPECT_EQ(moved->buffers.indexBuffer, first->buffers.indexBuffer);
    // Equal bytes are told from what the sets handed over, never by reading
    // the GPU's copy back: a set made from the first's bytes shares its buffer
    // even after that buffer's content was overwritten on the GPU.
    context->UpdateSubresource(first->buffers.vertexBuffer, 0, nullptr, moved->vertices, 0, 0);
    QuadSet* third = MakeQuad();
    ASSERT_EQ(driver->CreateRenderSetBuffers(&third->set), 1);
    EXPECT_EQ(third->buffers.vertexBuffer, first->buffers.vertexBuffer);
    context->UpdateSubresource(first->buffers.vertexBuffer, 0, nullptr, first->vertices, 0, 0);
    driver->ReleaseRenderSetBuffers(&third->set);

    gpu::Buffer* shared = second->buffers.vertexBuffer;
    shared->AddRef();
    EXPECT_EQ(driver->ReleaseRenderSetBuffers(&first->set), 1);
    // Both triangles of the quad, with the default states: back faces culled,
    // clockwise in front, depth LESS against the cleared 1.0.
    driver->Clear(0, 0, 0);
    EXPECT_EQ(driver->DrawRenderSet(&second->set), 0);
    uint32_t width = 0;
    const std::vector<uint8_t> pixels = ReadBack(&width);
    EXPECT_EQ(PixelAt(pixels, width, backBufferWidth - 2, 1), kRed);
    EXPECT_EQ(PixelAt(pixels, width, 1, backBufferHeight - 2), kRed);
    driver->ReleaseRenderSetBuffers(&second->set);
    context->IASetVertexBuffers(0, 1, nullptr, nullptr, nullptr);
    EXPECT_EQ(shared->ReferenceCount(), 1u);  // only this test's reference is left
    shared->Release();

    driver->ReleaseDevice();
    ASSERT_EQ(driver->CreateDeviceAndSwapChain(), 0);
    QuadSet* again = MakeQuad();
    ASSERT_EQ(driver->CreateRenderSetBuffers(&again->set), 1);
    EXPECT_NE(again->buffers.indexBuffer, moved->buffers.indexBuffer);
}

// A hash only finds the buffers that may hold a set's bytes: with one that
// makes every content collide, different bytes still get buffers of their
// own and equal bytes still share.
TEST_F(DriverResources, BuffersWhoseHashesCollideAreSharedOnlyForEqualBytes)
{
    SharedRenderSetBuffers table([](const void*, size_t) { return SharedRenderSetBuffers::ContentHash{}; });
    gpu::Device* device = driver->state->device;
    QuadSet first, moved, same;
    moved.vertices[0] = 0.5f;
    gpu::Buffer* buffers[3] = {};
    const QuadSet* sets[3] = {&first, &moved, &same};
    for (int i = 0; i < 3; ++i)
        ASSERT_EQ(table.Acquire(device, sizeof first.vertices, gpu::BIND_VERTEX_BUFFER, sets[i]->vertices, &buffers[i]),
                  S_OK);
    EXPECT_NE(buffers[1], buffers[0]);
    EXPECT_EQ(buffers[2], buffers[0]);
    EXPECT_EQ(table.BufferCount(), 2u);
    // The first buffer outlives the set that made it; its bytes still decide.
    table.Release(buffers[0]);
    gpu::Buffer* again = nullptr;
    ASSERT_EQ(table.Acquire(device, sizeof same.vertices, gpu::BIND_VERTEX_BUFFER, same.vertices, &again), S_OK);
    EXPECT_EQ(again, buffers[2]);
    for (gpu::Buffer* buffer : {again, buffers[1], buffers[2]}) table.Release(buffer);
    EXPECT_EQ(table.BufferCount(), 0u);
}

TEST_F(DriverResources, SkinStreamIsUploadedAndBoundAtSlotOneOnlyForSkinnedSets)
{
    ShaderEntry* vertex = MakeShader(kVertexShaderKind, kSkinnedVertexLayout, kSkinWeightEffect);
    ShaderEntry* pixel = MakeShader(kPixelShaderKind, 0, kSkinWeightEffect);
    ASSERT_EQ(driver->CreateShader(vertex), 0);
    ASSERT_EQ(driver->CreateShader(pixel), 0);
    ASSERT_NE(vertex->objects->inputLayout, nullptr);
    driver->SetVertexShader(vertex);
    driver->SetPixelShader(pixel);
    context->IASetPrimitiveTopology(gpu::PRIMITIVE_TOPOLOGY_TRIANGLELIST);

    QuadSet* skinned = MakeQuad(true);
    ASSERT_EQ(driver->CreateRenderSetBuffers(&skinned->set), 1);
    ASSERT_NE(skinned->buffers.skinBuffer, nullptr);
    driver->Clear(0, 0, 255);
    driver->DrawRenderSet(&skinned->set);
    // The weights reached the shader: the stream was uploaded with its data.
    const Pixel weighted = Centre();
    EXPECT_NEAR(weighted.r, 128, 1) << weighted;
    EXPECT_EQ(weighted.g, 255) << weighted;
    EXPECT_EQ(weighted.b, 0) << weighted;

    // A plain set leaves slot 1 as it was.
    QuadSet* plain = MakeQuad();
    ASSERT_EQ(driver->CreateRenderSetBuffers(&plain->set), 1);
    driver->DrawRenderSet(&plain->set);
    gpu::Buffer* slots[2] = {};
    context->IAGetVertexBuffers(0, 2, slots, nullptr, nullptr);
    EXPECT_EQ(slots[0], plain->buffers.vertexBuffer);
    EXPECT_EQ(slots[1], skinned->buffers.skinBuffer);
    for (gpu::Buffer* buffer : slots)
        if (buffer) buffer->Release();
}

// ---- Frame and targets ----
TEST_F(DriverResources, ClearFillsTheBackBufferAndItsDepthWhateverIsBound)
{
    ASSERT_NO_FATAL_FAILURE(BindSolid(1, 0, 0));
    QuadSet* quad = MakeQuad();
    ASSERT_EQ(driver->CreateRenderSetBuffers(&quad->set), 1);
    driver->DrawRenderSet(&quad->set);  // leaves depth 0.5 behind

    // A texture target and a state that writes no depth are bound: the back
    // buffer and its depth are cleared all the same.
    CTexture* target = MakeTexture(8, 8);
    ASSERT_EQ(driver->CreateRenderTarget(target), 0);
    ASSERT_EQ(driver->CreateColorTargetView(target), 0);
    ConstantBufferEntry* dontWrite = MakeEntry(GpuEntryKind::kDepthStencilState);
    ASSERT_EQ(driver->CreateDepthStencilState(dontWrite, 0, gpu::DEPTH_WRITE_MASK_ZERO, gpu::COMPARISON_NEVER), 0);
    driver->SetDepthStencilState(dontWrite);
    driver->PushRenderTarget(target, nullptr);
    EXPECT_EQ(driver->Clear(17, 170, 250), 1);
    driver->PopRenderTarget();
    EXPECT_EQ(Centre(), (Pixel {17, 170, 250, 0}));

    // Depth 1.0: a quad at 0.5 passes LESS everywhere again.
    ConstantBufferEntry* less = MakeEntry(GpuEntryKind::kDepthStencilState);
    ASSERT_EQ(driver->CreateDepthStencilState(less, 1, gpu::DEPTH_WRITE_MASK_ALL, gpu::COMPARISON_LESS), 0);
    EXPECT_EQ(driver->SetDepthStencilState(less), 1);
    driver->DrawRenderSet(&quad->set);
    EXPECT_EQ(Centre(), kRed);
}

TEST_F(DriverResources, RenderTargetStackRestoresViewsAndViewportAndRefusesASeventeenthPush)
{
    gpu::RenderTargetView* view = nullptr;
    gpu::DepthStencilView* depth = nullptr;
    gpu::RenderTargetView* original = nullptr;
    gpu::DepthStencilView* originalDepth = nullptr;
    const auto bound = [&](gpu::RenderTargetView** v, gpu::DepthStencilView** d) {
        context->OMGetRenderTargets(1, v, d);
        if (*v) (*v)->Release();  // compared by address only
        if (*d) (*d)->Release();
    };
    bound(&original, &originalDepth);
    ASSERT_EQ(original, Driver->state->backBufferView);

    const gpu::Viewport custom {3, 4, 30, 20, 0.25f, 0.75f};
    context->RSSetViewports(1, &custom);
    CTexture* colour = MakeTexture(16, 16);
    ASSERT_EQ(driver->CreateRenderTarget(colour), 0);
    ASSERT_EQ(driver->CreateColorTargetView(colour), 0);
    CTexture* depthTexture = MakeTexture(16, 16);
    depthTexture->gpu = new GpuTexture;
    ASSERT_EQ(driver->CreateDepthTarget(depthTexture), 0);

    for (int push = 0; push < 16; ++push) driver->PushRenderTarget(colour, depthTexture);
    bound(&view, &depth);
    EXPECT_EQ(view, colour->gpu->targetView);
    EXPECT_EQ(depth, depthTexture->gpu->depthView);
    EXPECT_EQ(Log().find("Error: CDriver::PushRenderTarget"), std::string::npos);

    // The seventeenth is refused and logged; the sixteenth's targets stay bound.
    CTexture* other = MakeTexture(16, 16);
    ASSERT_EQ(driver->CreateRenderTarget(other), 0);
    ASSERT_EQ(driver->CreateColorTargetView(other), 0);
    driver->PushRenderTarget(other, nullptr);
    EXPECT_NE(Log().find("Error: CDriver::PushRenderTarget"), std::string::npos);
    bound(&view, &depth);
    EXPECT_EQ(view, colour->gpu->targetView);

    const gpu::Viewport inner {0, 0, 16, 16, 0, 1};
    context->RSSetViewports(1, &inner);
    for (int pop = 0; pop < 16; ++pop) driver->PopRenderTarget();
    bound(&view, &depth);
    EXPECT_EQ(view, original);
    EXPECT_EQ(depth, originalDepth);
    gpu::Viewport restored;
    uint32_t count = 1;
    context->RSGetViewports(&count, &restored);
    ASSERT_EQ(count, 1u);
    EXPECT_EQ(std::memcmp(&restored, &custom, sizeof(custom)), 0);
}

// ---- Shaders and states from entries ----
TEST_F(DriverResources, FailedShadersReleaseWhatTheyMadeAndTheirEntriesDrawNothing)
{
    // The skinned effect reads BLENDWEIGHT, which layout 4097 lacks: the
    // vertex shader made before the layout failed is released with the code.
    ShaderEntry* mismatched = MakeShader(kVertexShaderKind, kPlainVertexLayout, kSkinWeightEffect);
    EXPECT_LT(driver->CreateShader(mismatched), 0);
    EXPECT_EQ(mismatched->objects->vertexShader, nullptr);
    EXPECT_EQ(mismatched->objects->inputLayout, nullptr);
    EXPECT_EQ(mismatched->code, nullptr);

    ShaderEntry* broken = MakeShader(kPixelShaderKind, 0, "void PS() { not GLSL }");
    testing::internal::CaptureStderr();
    EXPECT_LT(driver->CreateShader(broken), 0);
    testing::internal::GetCapturedStderr();
    EXPECT_EQ(broken->objects->pixelShader, nullptr);
    EXPECT_EQ(broken->code, nullptr);

    // An entry whose file did not compile has no code: nothing is made, and a
    // pass that binds it draws nothing.
    ShaderEntry* uncompiled = MakeShader(kVertexShaderKind, kPlainVertexLayout, nullptr);
    EXPECT_LT(driver->CreateShader(uncompiled), 0);
    EXPECT_EQ(uncompiled->objects->vertexShader, nullptr);

    ASSERT_NO_FATAL_FAILURE(BindSolid(1, 0, 0));
    QuadSet* quad = MakeQuad();
    ASSERT_EQ(driver->CreateRenderSetBuffers(&quad->set), 1);
    driver->SetVertexShader(uncompiled);
    driver->Clear(0, 0, 0);
    driver->DrawRenderSet(&quad->set);
    EXPECT_EQ(Centre(), (Pixel {0, 0, 0, 0}));
}

TEST_F(DriverResources, StatesComeFromTheirEntriesAndOtherKindsAreIgnored)
{
    ASSERT_NO_FATAL_FAILURE(BindSolid(1, 0, 0, 0.5f));
    QuadSet* quad = MakeQuad();
    ASSERT_EQ(driver->CreateRenderSetBuffers(&quad->set), 1);

    ConstantBufferEntry* alpha = MakeEntry(GpuEntryKind::kBlendState);
    ASSERT_EQ(driver->CreateBlendState(alpha, 1, gpu::BLEND_SRC_ALPHA, gpu::BLEND_INV_SRC_ALPHA,
                                       gpu::BLEND_OP_SUBTRACT),
              0);
    driver->SetBlendState(alpha);
    driver->Clear(0, 0, 255);
    driver->DrawRenderSet(&quad->set);
    const Pixel mixed = Centre();
    EXPECT_NEAR(mixed.r, 128, 1) << mixed;
    EXPECT_NEAR(mixed.b, 127, 1) << mixed;

    // An entry of another kind is not a blend state: the blend stays.
    ConstantBufferEntry* sampler = MakeEntry(GpuEntryKind::kSamplerState);
    ASSERT_EQ(driver->CreateSamplerState(sampler, gpu::FILTER_MIN_MAG_MIP_LINEAR, gpu::TEXTURE_ADDRESS_WRAP,
                                         gpu::TEXTURE_ADDRESS_WRAP, gpu::TEXTURE_ADDRESS_WRAP, 0, 1,
                                         gpu::COMPARISON_ALWAYS, 0, 0, 0, 0, 0, 3.4e38f),
              0);
    driver->SetBlendState(sampler);
    EXPECT_EQ(driver->SetDepthStencilState(sampler), 0);
    EXPECT_EQ(driver->SetDepthStencilState(nullptr), 0);
    driver->Clear(0, 0, 255);
    driver->DrawRenderSet(&quad->set);
    EXPECT_EQ(Centre(), mixed);
}

// ---- Textures ----
TEST_F(DriverResources, TextureFromImageKeepsTheTopLeftPixelFirst)
{
    // 2 x 2, 32 bits, rows stored bottom-up as B, G, R, A.
    CTexture* image = MakeTexture(2, 2);
    image->bitsPerPixel = 32;
    image->AllocPixels(16);
    const uint8_t bottomUp[16] = {
        0, 0, 255, 255, 0, 255, 0, 255,      // bottom row: red, green
        255, 0, 0, 255, 255, 255, 255, 128,  // top row: blue, white half alpha
    };
    std::memcpy(image->pixels, bottomUp, sizeof(bottomUp));
    ASSERT_EQ(driver->CreateTextureFromImage(image), 0);
    ASSERT_NE(image->gpu, nullptr);
    ASSERT_NE(image->gpu->shaderView, nullptr);
    std::vector<uint8_t> texels;
    ASSERT_EQ(gpu::ReadTexturePixels(image->gpu->texture, &texels, nullptr, nullptr), S_OK);
    EXPECT_EQ(PixelAt(texels, 2, 0, 0), (Pixel {0, 0, 255, 255}));
    EXPECT_EQ(PixelAt(texels, 2, 1, 0), (Pixel {255, 255, 255, 128}));
    EXPECT_EQ(PixelAt(texels, 2, 0, 1), (Pixel {255, 0, 0, 255}));

    // A size that cannot be made frees the record.
    CTexture* empty = MakeTexture(0, 4);
    EXPECT_LT(driver->CreateTextureFromImage(empty), 0);
    EXPECT_EQ(empty->gpu, nullptr);
    CTexture* huge = MakeTexture(1 << 20, 1 << 20);
    EXPECT_LT(driver->CreateTextureFromImage(huge), 0);
    EXPECT_EQ(huge->gpu, nullptr);
}

TEST_F(DriverResources, ShadowMapRecordsShareOneDepthTextureAndReleaseFreesThem)
{
    const int before = GpuTexture::Heap().LiveCount();
    CTexture* depth = MakeTexture(64, 32);
    CTexture* view = MakeTexture(64, 32);
    EXPECT_EQ(driver->CreateShadowMapTarget(depth, view), 1);
    ASSERT_TRUE(depth->gpu && view->gpu);
    EXPECT_EQ(driver->CreateDepthShaderView(depth), 0);
    EXPECT_NE(depth->gpu->shaderView, nullptr);

    // The shadow pass: the first record has no colour view, so only depth is written.
    driver->PushRenderTarget(depth, view);
    gpu::RenderTargetView* colour = reinterpret_cast<gpu::RenderTargetView*>(1);
    gpu::DepthStencilView* written = nullptr;
    context->OMGetRenderTargets(1, &colour, &written);
    EXPECT_EQ(colour, nullptr);
    EXPECT_EQ(written, view->gpu->depthView);
    if (written) written->Release();
    driver->PopRenderTarget();

    driver->ReleaseTexture(depth);
    driver->ReleaseTexture(view);
    EXPECT_EQ(depth->gpu, nullptr);
    EXPECT_EQ(GpuTexture::Heap().LiveCount(), before);
}

TEST_F(DriverResources, TextureFromFileTakesItsNameAndSizeAndAMissingFileLeavesAnEmptyRecord)
{
    // A 3 x 2 TGA, 32 bits, rows top-down.
    std::string tga = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 3, 0, 2, 0, 32, 0x28};
    for (int pixel = 0; pixel < 6; ++pixel) tga += std::string {'\x10', '\x20', '\x30', '\xFF'};
    folder_.Write("Pic.TGA", tga);
    const std::u16string path = platform::Utf8ToUtf16(folder_.File("Pic.TGA"));

    CTexture* texture = MakeTexture(0, 0);
    EXPECT_EQ(driver->LoadTextureFromFile(texture, path.c_str()), 0);
    ASSERT_NE(texture->gpu, nullptr);
    EXPECT_EQ(texture->width, 3);
    EXPECT_EQ(texture->height, 2);
    EXPECT_EQ(texture->name, platform::Utf8ToUtf16(ToLowerAscii(folder_.File("Pic.TGA"))));

    CTexture* missing = MakeTexture(5, 5);
    const std::u16string nowhere = platform::Utf8ToUtf16(folder_.File("none.dds"));
    EXPECT_EQ(driver->LoadTextureFromFile(missing, nowhere.c_str()), 0);
    ASSERT_NE(missing->gpu, nullptr);
    EXPECT_EQ(missing->gpu->resource, nullptr);
}
