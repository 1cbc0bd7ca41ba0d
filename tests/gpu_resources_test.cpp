// The resource half of the GPU layer, read back from pixels: buffers and
// their updates, separable shaders meeting in the pipeline, input layouts at
// fixed locations, blend and sampler states, and what DrawIndexed drops.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <vector>

#include "platform/gpu/gpu.h"
#include "support/gpu_test_shaders.h"
#include "support/headless_gpu.h"

namespace {

// Holds one reference and releases it.
template <class T>
class Ref {
public:
    Ref() = default;
    ~Ref()
    {
        if (object_) object_->Release();
    }
    Ref(const Ref&) = delete;
    Ref& operator=(const Ref&) = delete;
    T** Out() { return &object_; }
    void Reset()
    {
        if (object_) object_->Release();
        object_ = nullptr;
    }
    T* Get() const { return object_; }
    T* const* Slot() const { return &object_; }

private:
    T* object_ = nullptr;
};

constexpr gpu::InputElementDesc kPlainLayout[] = {
    {"POSITION", 0, gpu::FORMAT_R32G32B32_FLOAT, 0, 0},
    {"NORMAL", 0, gpu::FORMAT_R32G32B32_FLOAT, 0, 12},
    {"TEXCOORD", 0, gpu::FORMAT_R32G32_FLOAT, 0, 24},
};

constexpr gpu::InputElementDesc kSkinnedLayout[] = {
    {"POSITION", 0, gpu::FORMAT_R32G32B32_FLOAT, 0, 0},
    {"NORMAL", 0, gpu::FORMAT_R32G32B32_FLOAT, 0, 12},
    {"TEXCOORD", 0, gpu::FORMAT_R32G32_FLOAT, 0, 24},
    {"BLENDWEIGHT", 0, gpu::FORMAT_R32G32B32A32_FLOAT, 1, gpu::APPEND_ALIGNED_ELEMENT},
    {"BLENDINDICES", 0, gpu::FORMAT_R32G32B32A32_FLOAT, 1, gpu::APPEND_ALIGNED_ELEMENT},
};

constexpr Pixel kBlack {0, 0, 0, 255};
constexpr uint32_t kSize = 32;

struct Effect {
    Ref<gpu::VertexShader> vertex;
    Ref<gpu::PixelShader> pixel;
    Ref<gpu::InputLayout> layout;
};

class GpuResources : public HeadlessGpuTest {
protected:
    void SetUp() override
    {
        HeadlessGpuTest::SetUp();
        ASSERT_TRUE(gpu().CreateDevice(kSize, kSize));
        device = gpu().device;
        context = gpu().context;
    }

    HResult MakeBuffer(uint32_t bytes, uint32_t bindFlags, const void* data, gpu::Buffer** buffer)
    {
        gpu::BufferDesc desc;
        desc.ByteWidth = bytes;
        desc.BindFlags = bindFlags;
        gpu::SubresourceData initial;
        initial.pSysMem = data;
        return device->CreateBuffer(&desc, data ? &initial : nullptr, buffer);
    }

    void MakeEffect(const char* effect, const gpu::InputElementDesc* elements, uint32_t count, Effect* made)
    {
        const std::string vertex = StageSource(gpu::ShaderStage::Vertex, effect);
        const std::string pixel = StageSource(gpu::ShaderStage::Pixel, effect);
        ASSERT_EQ(device->CreateVertexShader(vertex.data(), vertex.size(), nullptr, made->vertex.Out()), S_OK);
        ASSERT_EQ(device->CreatePixelShader(pixel.data(), pixel.size(), nullptr, made->pixel.Out()), S_OK);
        ASSERT_EQ(device->CreateInputLayout(elements, count, vertex.data(), vertex.size(), made->layout.Out()), S_OK);
    }

    // The quad's buffers bound, the effect's stages and layout set, triangle list.
    void BindQuad(const Effect& effect)
    {
        quadVertices_.Reset();
        quadIndices_.Reset();
        ASSERT_EQ(MakeBuffer(sizeof(kQuadVertices), gpu::BIND_VERTEX_BUFFER, kQuadVertices, quadVertices_.Out()), S_OK);
        ASSERT_EQ(MakeBuffer(sizeof(kQuadIndices), gpu::BIND_INDEX_BUFFER, kQuadIndices, quadIndices_.Out()), S_OK);
        const uint32_t stride = 32, offset = 0;
        context->IASetVertexBuffers(0, 1, quadVertices_.Slot(), &stride, &offset);
        context->IASetIndexBuffer(quadIndices_.Get(), gpu::FORMAT_R16_UINT, 0);
        context->IASetInputLayout(effect.layout.Get());
        context->IASetPrimitiveTopology(gpu::PRIMITIVE_TOPOLOGY_TRIANGLELIST);
        context->VSSetShader(effect.vertex.Get(), nullptr, 0);
        context->PSSetShader(effect.pixel.Get(), nullptr, 0);
    }

    void ClearTo(float r, float g, float b)
    {
        const float colour[4] = {r, g, b, 1.0f};
        context->ClearRenderTargetView(gpu().backBufferView, colour);
    }

    Pixel At(uint32_t x, uint32_t y) { return PixelAt(gpu().ReadBackBuffer(), kSize, x, y); }

    gpu::Device* device = nullptr;
    gpu::Context* context = nullptr;

private:
    Ref<gpu::Buffer> quadVertices_;
    Ref<gpu::Buffer> quadIndices_;
};

// A pixel-stage constant buffer: a float, then a colour at byte 16 (std140).
struct TintConstants {
    float unused = 7.0f;
    float padding[3] = {};
    float colour[4] = {};
};

bool Near(uint8_t value, int expected) { return std::abs(int {value} - expected) <= 1; }

// A one-mip, one-slice, single-sampled 2-D texture.
gpu::Texture2DDesc PlainTextureDesc(uint32_t width, uint32_t height, gpu::Format format, uint32_t bindFlags)
{
    gpu::Texture2DDesc desc;
    desc.Width = width;
    desc.Height = height;
    desc.MipLevels = 1;
    desc.ArraySize = 1;
    desc.Format = format;
    desc.SampleDesc.Count = 1;
    desc.BindFlags = bindFlags;
    return desc;
}

// Two RGBA8 texels, left then right, as a texture bound at pixel slot 0.
void BindTwoTexels(gpu::Device* device, gpu::Context* context, const void* texels, Ref<gpu::Texture2D>& texture,
                   Ref<gpu::ShaderResourceView>& view)
{
    const gpu::Texture2DDesc desc = PlainTextureDesc(2, 1, gpu::FORMAT_R8G8B8A8_UNORM, gpu::BIND_SHADER_RESOURCE);
    gpu::SubresourceData initial;
    initial.pSysMem = texels;
    initial.SysMemPitch = 8;
    ASSERT_EQ(device->CreateTexture2D(&desc, &initial, texture.Out()), S_OK);
    ASSERT_EQ(device->CreateShaderResourceView(texture.Get(), nullptr, view.Out()), S_OK);
    context->PSSetShaderResources(0, 1, view.Slot());
}

}  // namespace

TEST_F(GpuResources, BufferDescriptionsAreCheckedAsDirect3DChecksThem)
{
    const uint8_t bytes[64] = {};
    gpu::Buffer* buffer = reinterpret_cast<gpu::Buffer*>(1);
    EXPECT_EQ(MakeBuffer(0, gpu::BIND_VERTEX_BUFFER, bytes, &buffer), E_INVALIDARG);
    EXPECT_EQ(buffer, nullptr);
    // Constant buffers: whole 16-byte constants, at most 64 KiB, bound as nothing else.
    EXPECT_EQ(MakeBuffer(20, gpu::BIND_CONSTANT_BUFFER, nullptr, &buffer), E_INVALIDARG);
    EXPECT_EQ(MakeBuffer(65536 + 16, gpu::BIND_CONSTANT_BUFFER, nullptr, &buffer), E_INVALIDARG);
    EXPECT_EQ(MakeBuffer(64, gpu::BIND_CONSTANT_BUFFER | gpu::BIND_VERTEX_BUFFER, bytes, &buffer), E_INVALIDARG);
    EXPECT_EQ(MakeBuffer(64, 0, bytes, &buffer), E_INVALIDARG);

    gpu::BufferDesc desc;
    desc.ByteWidth = 64;
    desc.BindFlags = gpu::BIND_VERTEX_BUFFER;
    desc.Usage = gpu::USAGE_IMMUTABLE;
    EXPECT_EQ(device->CreateBuffer(&desc, nullptr, &buffer), E_INVALIDARG);
    gpu::SubresourceData empty;
    desc.Usage = gpu::USAGE_DEFAULT;
    EXPECT_EQ(device->CreateBuffer(&desc, &empty, &buffer), E_INVALIDARG);
}

TEST_F(GpuResources, ConstantBuffersReachBothStagesAtTheirBindingsAndUpdates)
{
    Effect effect;
    ASSERT_NO_FATAL_FAILURE(MakeEffect(kSolidEffect, kPlainLayout, 3, &effect));
    Ref<gpu::Buffer> move, paint;
    ASSERT_EQ(MakeBuffer(16, gpu::BIND_CONSTANT_BUFFER, nullptr, move.Out()), S_OK);
    ASSERT_EQ(MakeBuffer(sizeof(TintConstants), gpu::BIND_CONSTANT_BUFFER, nullptr, paint.Out()), S_OK);
    // Vertex b0 moves the quad half a screen right; pixel b1 paints it green.
    const float offset[4] = {1.0f, 0, 0, 0};
    context->UpdateSubresource(move.Get(), 0, nullptr, offset, 0, 0);
    TintConstants tint;
    tint.colour[1] = tint.colour[3] = 1.0f;
    context->UpdateSubresource(paint.Get(), 0, nullptr, &tint, 0, 0);
    context->VSSetConstantBuffers(0, 1, move.Slot());
    context->PSSetConstantBuffers(1, 1, paint.Slot());
    ASSERT_NO_FATAL_FAILURE(BindQuad(effect));

    ClearTo(0, 0, 0);
    context->DrawIndexed(6, 0, 0);
    EXPECT_EQ(At(4, kSize / 2), kBlack);
    EXPECT_EQ(At(kSize - 4, kSize / 2), (Pixel {0, 255, 0, 255}));

    // Start index and count draw one triangle (culling is GpuDevice's test).
    ClearTo(0, 0, 0);
    context->DrawIndexed(3, 3, 0);
    EXPECT_EQ(At(kSize - 2, 1), kBlack);  // the first triangle is the top-right half
    EXPECT_EQ(At(kSize / 2 + 1, kSize - 2), (Pixel {0, 255, 0, 255}));

    // A box updates only its bytes: the colour, not the float before it.
    const float blue[4] = {0, 0, 1, 1};
    gpu::Box colourBytes;
    colourBytes.left = 16;
    colourBytes.right = 32;
    context->UpdateSubresource(paint.Get(), 0, &colourBytes, blue, 0, 0);
    // A box beyond the buffer changes nothing.
    gpu::Box outside;
    outside.left = 32;
    outside.right = 48;
    const float red[4] = {1, 0, 0, 1};
    context->UpdateSubresource(paint.Get(), 0, &outside, red, 0, 0);
    ClearTo(0, 0, 0);
    context->DrawIndexed(6, 0, 0);
    EXPECT_EQ(At(kSize - 4, kSize / 2), (Pixel {0, 0, 255, 255}));
}

TEST_F(GpuResources, DrawsWithoutShaderLayoutIndicesOrTopologyAreDropped)
{
    Effect effect;
    ASSERT_NO_FATAL_FAILURE(MakeEffect(kSolidEffect, kPlainLayout, 3, &effect));
    TintConstants tint;
    tint.colour[0] = tint.colour[3] = 1.0f;
    Ref<gpu::Buffer> paint;
    ASSERT_EQ(MakeBuffer(sizeof(tint), gpu::BIND_CONSTANT_BUFFER, &tint, paint.Out()), S_OK);
    context->PSSetConstantBuffers(1, 1, paint.Slot());

    const auto drawsNothing = [&](const char* what, uint32_t startIndex = 0) {
        ClearTo(0, 0, 0);
        context->DrawIndexed(6, startIndex, 0);
        EXPECT_EQ(At(kSize / 2, kSize / 2), kBlack) << what;
    };
    ASSERT_NO_FATAL_FAILURE(BindQuad(effect));
    context->VSSetShader(nullptr, nullptr, 0);
    drawsNothing("no vertex shader");
    ASSERT_NO_FATAL_FAILURE(BindQuad(effect));
    context->IASetInputLayout(nullptr);
    drawsNothing("no input layout");
    ASSERT_NO_FATAL_FAILURE(BindQuad(effect));
    context->IASetPrimitiveTopology(gpu::PRIMITIVE_TOPOLOGY_UNDEFINED);
    drawsNothing("no topology");
    ASSERT_NO_FATAL_FAILURE(BindQuad(effect));
    drawsNothing("indices past the end of the buffer", 6);

    // Without a pixel shader only depth would be written: the colour stays.
    ASSERT_NO_FATAL_FAILURE(BindQuad(effect));
    context->PSSetShader(nullptr, nullptr, 0);
    drawsNothing("no pixel shader");

    ASSERT_NO_FATAL_FAILURE(BindQuad(effect));
    ClearTo(0, 0, 0);
    context->DrawIndexed(6, 0, 0);
    EXPECT_EQ(At(kSize / 2, kSize / 2), (Pixel {255, 0, 0, 255}));
}

TEST_F(GpuResources, SkinStreamFeedsSlotOneAndAnEmptySlotReadsZeros)
{
    Effect effect;
    ASSERT_NO_FATAL_FAILURE(MakeEffect(kSkinWeightEffect, kSkinnedLayout, 5, &effect));
    ASSERT_NO_FATAL_FAILURE(BindQuad(effect));
    // Four weights then four bone indices per vertex.
    float skin[4 * 8] = {};
    for (int vertex = 0; vertex < 4; ++vertex) {
        skin[vertex * 8 + 0] = 1.0f;
        skin[vertex * 8 + 1] = 0.5f;
        skin[vertex * 8 + 4] = 9.0f;  // an index, not a weight
    }
    Ref<gpu::Buffer> skinBuffer;
    ASSERT_EQ(MakeBuffer(sizeof(skin), gpu::BIND_VERTEX_BUFFER, skin, skinBuffer.Out()), S_OK);
    const uint32_t stride = 32, offset = 0;
    context->IASetVertexBuffers(1, 1, skinBuffer.Slot(), &stride, &offset);

    ClearTo(0, 0, 1);
    context->DrawIndexed(6, 0, 0);
    const Pixel weighted = At(kSize / 2, kSize / 2);
    EXPECT_EQ(weighted.r, 255);
    EXPECT_TRUE(Near(weighted.g, 128)) << weighted;
    EXPECT_EQ(weighted.b, 0);

    context->IASetVertexBuffers(1, 1, nullptr, nullptr, nullptr);
    ClearTo(0, 0, 1);
    context->DrawIndexed(6, 0, 0);
    EXPECT_EQ(At(kSize / 2, kSize / 2), kBlack);
}

TEST_F(GpuResources, AlphaBlendingMixesWithTheTargetUntilTheStateIsUnbound)
{
    Effect effect;
    ASSERT_NO_FATAL_FAILURE(MakeEffect(kSolidEffect, kPlainLayout, 3, &effect));
    TintConstants tint;
    tint.colour[0] = 1.0f;
    tint.colour[3] = 0.5f;
    Ref<gpu::Buffer> paint;
    ASSERT_EQ(MakeBuffer(sizeof(tint), gpu::BIND_CONSTANT_BUFFER, &tint, paint.Out()), S_OK);
    context->PSSetConstantBuffers(1, 1, paint.Slot());
    ASSERT_NO_FATAL_FAILURE(BindQuad(effect));

    gpu::BlendDesc desc;
    desc.RenderTarget[0].BlendEnable = 1;
    desc.RenderTarget[0].SrcBlend = gpu::BLEND_SRC_ALPHA;
    desc.RenderTarget[0].DestBlend = gpu::BLEND_INV_SRC_ALPHA;
    desc.RenderTarget[0].BlendOpAlpha = gpu::BLEND_OP_SUBTRACT;
    Ref<gpu::BlendState> blend;
    ASSERT_EQ(device->CreateBlendState(&desc, blend.Out()), S_OK);
    const float factor[4] = {};
    context->OMSetBlendState(blend.Get(), factor, 0xFFFFFFFFu);

    ClearTo(0, 0, 1);
    context->DrawIndexed(6, 0, 0);
    const Pixel mixed = At(kSize / 2, kSize / 2);
    EXPECT_TRUE(Near(mixed.r, 128) && mixed.g == 0 && Near(mixed.b, 127)) << mixed;
    // ONE and ZERO alpha factors: SUBTRACT leaves the source alpha.
    EXPECT_TRUE(Near(mixed.a, 128)) << mixed;

    context->OMSetBlendState(nullptr, nullptr, 0xFFFFFFFFu);
    ClearTo(0, 0, 1);
    context->DrawIndexed(6, 0, 0);
    EXPECT_TRUE(Near(At(kSize / 2, kSize / 2).b, 0));

    // Colour factors are refused for alpha, as Direct3D refuses them.
    desc.RenderTarget[0].SrcBlendAlpha = gpu::BLEND_SRC_COLOR;
    gpu::BlendState* refused = nullptr;
    EXPECT_EQ(device->CreateBlendState(&desc, &refused), E_INVALIDARG);
    EXPECT_EQ(refused, nullptr);
}

TEST_F(GpuResources, TexturesSampleWithTheBoundSamplerOrDirect3DsDefault)
{
    Effect effect;
    ASSERT_NO_FATAL_FAILURE(MakeEffect(kTextureAtEffect, kPlainLayout, 3, &effect));
    ASSERT_NO_FATAL_FAILURE(BindQuad(effect));
    // Two texels, red then green; sampled past the right edge.
    const uint8_t texels[8] = {255, 0, 0, 255, 0, 255, 0, 255};
    Ref<gpu::Texture2D> texture;
    Ref<gpu::ShaderResourceView> view;
    ASSERT_NO_FATAL_FAILURE(BindTwoTexels(device, context, texels, texture, view));
    const float at[4] = {1.25f, 0.5f, 0, 0};
    Ref<gpu::Buffer> where;
    ASSERT_EQ(MakeBuffer(16, gpu::BIND_CONSTANT_BUFFER, at, where.Out()), S_OK);
    context->PSSetConstantBuffers(0, 1, where.Slot());

    // No sampler: Direct3D's default clamps, so the right edge's green.
    const Pixel green {0, 255, 0, 255};
    const Pixel red {255, 0, 0, 255};
    ClearTo(0, 0, 0);
    context->DrawIndexed(6, 0, 0);
    EXPECT_EQ(At(kSize / 2, kSize / 2), green);

    // A wrapping sampler lands on the first texel's centre.
    gpu::SamplerDesc wrapping;
    wrapping.AddressU = wrapping.AddressV = wrapping.AddressW = gpu::TEXTURE_ADDRESS_WRAP;
    Ref<gpu::SamplerState> sampler;
    ASSERT_EQ(device->CreateSamplerState(&wrapping, sampler.Out()), S_OK);
    context->PSSetSamplers(0, 1, sampler.Slot());
    ClearTo(0, 0, 0);
    context->DrawIndexed(6, 0, 0);
    EXPECT_EQ(At(kSize / 2, kSize / 2), red);

    context->PSSetSamplers(0, 1, nullptr);
    ClearTo(0, 0, 0);
    context->DrawIndexed(6, 0, 0);
    EXPECT_EQ(At(kSize / 2, kSize / 2), green);

    // Reductions other than plain and comparison, and anisotropy past 16, are refused.
    gpu::SamplerDesc refused;
    refused.Filter = static_cast<gpu::Filter>(0x115);
    gpu::SamplerState* none = nullptr;
    EXPECT_EQ(device->CreateSamplerState(&refused, &none), E_INVALIDARG);
    refused = gpu::SamplerDesc {};
    refused.Filter = gpu::FILTER_ANISOTROPIC;
    refused.MaxAnisotropy = 17;
    EXPECT_EQ(device->CreateSamplerState(&refused, &none), E_INVALIDARG);
    EXPECT_EQ(none, nullptr);
}

TEST_F(GpuResources, ShadersAndLayoutsThatCannotWorkAreRefused)
{
    const std::string broken = StageSource(gpu::ShaderStage::Vertex, "void VS() { this is not GLSL }");
    gpu::VertexShader* vertex = reinterpret_cast<gpu::VertexShader*>(1);
    testing::internal::CaptureStderr();
    EXPECT_EQ(device->CreateVertexShader(broken.data(), broken.size(), nullptr, &vertex), E_INVALIDARG);
    EXPECT_NE(testing::internal::GetCapturedStderr(), "");
    EXPECT_EQ(vertex, nullptr);
    EXPECT_EQ(device->CreateVertexShader(nullptr, 0, nullptr, &vertex), E_INVALIDARG);

    // The skinned shader reads BLENDWEIGHT: a plain layout does not feed it.
    const std::string skinned = StageSource(gpu::ShaderStage::Vertex, kSkinWeightEffect);
    gpu::InputLayout* layout = reinterpret_cast<gpu::InputLayout*>(1);
    EXPECT_EQ(device->CreateInputLayout(kPlainLayout, 3, skinned.data(), skinned.size(), &layout), E_INVALIDARG);
    EXPECT_EQ(layout, nullptr);

    const std::string solid = StageSource(gpu::ShaderStage::Vertex, kSolidEffect);
    const gpu::InputElementDesc unknown[] = {{"POSITION", 0, gpu::FORMAT_R32G32B32_FLOAT, 0, 0},
                                             {"COLOR", 0, gpu::FORMAT_R32G32B32A32_FLOAT, 0, 12}};
    EXPECT_EQ(device->CreateInputLayout(unknown, 2, solid.data(), solid.size(), &layout), E_INVALIDARG);
    const gpu::InputElementDesc oddFormat[] = {{"POSITION", 0, gpu::FORMAT_R8G8B8A8_UNORM, 0, 0}};
    EXPECT_EQ(device->CreateInputLayout(oddFormat, 1, solid.data(), solid.size(), &layout), E_INVALIDARG);
    // Semantic names fold case, as HLSL's do; extra elements are fine.
    const gpu::InputElementDesc lowerCase[] = {{"position", 0, gpu::FORMAT_R32G32B32_FLOAT, 0, 0},
                                               {"TexCoord", 0, gpu::FORMAT_R32G32_FLOAT, 0, 24}};
    Ref<gpu::InputLayout> accepted;
    EXPECT_EQ(device->CreateInputLayout(lowerCase, 2, solid.data(), solid.size(), accepted.Out()), S_OK);
}

// The context states only what changed since its last draw: what GL lost
// behind its back (a clear turns the scissor test off) and uploads equal to
// the last one must still come out right.
TEST_F(GpuResources, DrawsSeeEveryChangeSinceTheLastDrawAndOnlyRealDrawsCount)
{
    Effect effect;
    ASSERT_NO_FATAL_FAILURE(MakeEffect(kTextureAtEffect, kPlainLayout, 3, &effect));
    ASSERT_NO_FATAL_FAILURE(BindQuad(effect));
    const Pixel green {0, 255, 0, 255};
    const Pixel texels[2] = {green, kBlack};
    Ref<gpu::Texture2D> texture;
    Ref<gpu::ShaderResourceView> view;
    ASSERT_NO_FATAL_FAILURE(BindTwoTexels(device, context, texels, texture, view));
    const float onGreen[4] = {0.25f, 0.5f, 0, 0}, onBlack[4] = {0.75f, 0.5f, 0, 0};
    Ref<gpu::Buffer> where;
    ASSERT_EQ(MakeBuffer(16, gpu::BIND_CONSTANT_BUFFER, onGreen, where.Out()), S_OK);
    context->PSSetConstantBuffers(0, 1, where.Slot());

    for (const float* uv : {onBlack, onGreen, onGreen, onBlack, onGreen}) {
        context->UpdateSubresource(where.Get(), 0, nullptr, uv, 0, 0);
        ClearTo(0, 0, 0);
        context->DrawIndexed(6, 0, 0);
        EXPECT_EQ(At(kSize / 2, kSize / 2), uv == onGreen ? green : kBlack) << "u " << uv[0];
    }

    gpu::RasterizerDesc scissored;
    scissored.ScissorEnable = 1;
    Ref<gpu::RasterizerState> rasterizer;
    ASSERT_EQ(device->CreateRasterizerState(&scissored, rasterizer.Out()), S_OK);
    context->RSSetState(rasterizer.Get());
    const gpu::Rect leftHalf {0, 0, kSize / 2, kSize};
    context->RSSetScissorRects(1, &leftHalf);
    for (int pass = 0; pass < 2; ++pass) {
        ClearTo(0, 0, 0);
        context->DrawIndexed(6, 0, 0);
        EXPECT_EQ(At(4, kSize / 2), green) << pass;
        EXPECT_EQ(At(kSize - 4, kSize / 2), kBlack) << pass;
    }

    // Dropped draws never reach GL and are not counted.
    const uint64_t before = context->DrawCount();
    context->DrawIndexed(6, 6, 0);
    EXPECT_EQ(context->DrawCount(), before);
    context->DrawIndexed(6, 0, 0);
    EXPECT_EQ(context->DrawCount(), before + 1);
}
