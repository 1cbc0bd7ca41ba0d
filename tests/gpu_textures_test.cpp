// The GPU layer's textures: initial data in Direct3D's layout (row 0 the top),
// cube maps and volumes, swizzled views, mip generation, and refused descriptions.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "platform/gpu/gpu.h"
#include "platform/gpu/texture_test_hooks.h"
#include "support/headless_gpu.h"

namespace {

class GpuTextures : public HeadlessGpuTest {
protected:
    void SetUp() override
    {
        HeadlessGpuTest::SetUp();
        ASSERT_TRUE(gpu().CreateDevice(16, 16));
        device = gpu().device;
        context = gpu().context;
    }

    std::vector<int> Sample(gpu::ShaderResourceView* view, std::vector<float> coord, float lod = 0.0f)
    {
        return SampleTexel(view, coord, lod);
    }

    gpu::Device* device = nullptr;
    gpu::Context* context = nullptr;
};

using Texel = std::vector<int>;

gpu::Texture2DDesc Desc2D(uint32_t width, uint32_t height, gpu::Format format, uint32_t mips = 1,
                          uint32_t arraySize = 1)
{
    gpu::Texture2DDesc desc;
    desc.Width = width;
    desc.Height = height;
    desc.MipLevels = mips;
    desc.ArraySize = arraySize;
    desc.Format = format;
    desc.SampleDesc.Count = 1;
    desc.BindFlags = gpu::BIND_SHADER_RESOURCE;
    return desc;
}

TEST_F(GpuTextures, InitialDataRowZeroIsTheTopAndPitchesAreHonoured)
{
    // 2 x 2 RGBA with rows 12 bytes apart (4 bytes of padding each).
    const uint8_t pixels[24] = {255, 0, 0, 255, 0, 255, 0, 255, 9, 9, 9, 9,
                                0, 0, 255, 255, 255, 255, 255, 255, 9, 9, 9, 9};
    const gpu::SubresourceData data {pixels, 12, 24};
    gpu::Texture2DDesc desc = Desc2D(2, 2, gpu::FORMAT_R8G8B8A8_UNORM);
    gpu::Texture2D* texture = nullptr;
    ASSERT_EQ(device->CreateTexture2D(&desc, &data, &texture), S_OK);

    std::vector<uint8_t> rgba;
    ASSERT_EQ(gpu::ReadTexturePixels(texture, &rgba, nullptr, nullptr), S_OK);
    EXPECT_EQ(PixelAt(rgba, 2, 0, 0), (Pixel {255, 0, 0, 255}));
    EXPECT_EQ(PixelAt(rgba, 2, 1, 1), (Pixel {255, 255, 255, 255}));

    // A shader sampling near uv (0, 0) reads the top-left texel.
    gpu::ShaderResourceView* view = nullptr;
    ASSERT_EQ(device->CreateShaderResourceView(texture, nullptr, &view), S_OK);
    EXPECT_EQ(Sample(view, {0.25f, 0.25f}), (Texel {255, 0, 0, 255}));
    EXPECT_EQ(Sample(view, {0.25f, 0.75f}), (Texel {0, 0, 255, 255}));
    view->Release();
    texture->Release();
}

TEST_F(GpuTextures, GreyAndOpaqueFormatsSampleAsDirect3DShowsThem)
{
    const uint8_t grey[1] = {200};
    gpu::Texture2DDesc desc = Desc2D(1, 1, gpu::FORMAT_R8_UNORM);
    gpu::Texture2D* texture = nullptr;
    gpu::SubresourceData data {grey, 1, 1};
    ASSERT_EQ(device->CreateTexture2D(&desc, &data, &texture), S_OK);
    gpu::ShaderResourceView* view = nullptr;
    ASSERT_EQ(device->CreateShaderResourceView(texture, nullptr, &view), S_OK);
    EXPECT_EQ(Sample(view, {0.5f, 0.5f}), (Texel {200, 200, 200, 255}));
    view->Release();
    texture->Release();

    // BGRX: bytes blue, green, red, ignored.
    const uint8_t bgrx[4] = {10, 20, 30, 0};
    desc.Format = gpu::FORMAT_B8G8R8X8_UNORM;
    data = gpu::SubresourceData {bgrx, 4, 4};
    ASSERT_EQ(device->CreateTexture2D(&desc, &data, &texture), S_OK);
    ASSERT_EQ(device->CreateShaderResourceView(texture, nullptr, &view), S_OK);
    EXPECT_EQ(Sample(view, {0.5f, 0.5f}), (Texel {30, 20, 10, 255}));
    view->Release();
    texture->Release();
}

TEST_F(GpuTextures, CubeFacesKeepDirect3DOrderAndOrientation)
{
    // Six 2 x 2 faces, each a colour of its own with its top-right texel white.
    std::vector<uint8_t> faces(6 * 16);
    std::vector<gpu::SubresourceData> data(6);
    for (uint32_t face = 0; face < 6; ++face) {
        for (int texel = 0; texel < 4; ++texel) {
            uint8_t* p = &faces[face * 16 + texel * 4];
            p[0] = static_cast<uint8_t>(face * 40);
            p[1] = static_cast<uint8_t>(255 - face * 40);
            p[2] = texel == 1 ? 255 : 0;
            p[3] = 255;
        }
        data[face] = gpu::SubresourceData {&faces[face * 16], 8, 16};
    }
    gpu::Texture2DDesc desc = Desc2D(2, 2, gpu::FORMAT_R8G8B8A8_UNORM, 1, 6);
    desc.MiscFlags = gpu::RESOURCE_MISC_TEXTURECUBE;
    gpu::Texture2D* texture = nullptr;
    ASSERT_EQ(device->CreateTexture2D(&desc, data.data(), &texture), S_OK);
    gpu::ShaderResourceView* view = nullptr;
    ASSERT_EQ(device->CreateShaderResourceView(texture, nullptr, &view), S_OK);
    gpu::ShaderResourceViewDesc viewDesc;
    view->GetDesc(&viewDesc);
    EXPECT_EQ(viewDesc.ViewDimension, gpu::SRV_DIMENSION_TEXTURECUBE);

    // +X is face 0, -Z face 5. On +X, up (+y) is the top row and -z the right.
    EXPECT_EQ(Sample(view, {1.0f, 0.0f, 0.0f, 0.0f})[1], 255);
    EXPECT_EQ(Sample(view, {0.0f, 0.0f, -1.0f, 0.0f})[0], 200);
    EXPECT_EQ(Sample(view, {1.0f, 0.5f, -0.5f, 0.0f})[2], 255);
    EXPECT_EQ(Sample(view, {1.0f, -0.5f, -0.5f, 0.0f})[2], 0);
    view->Release();
    texture->Release();
}

TEST_F(GpuTextures, VolumesTakeSlicePitches)
{
    // 1 x 1 x 3 volume, slices 8 bytes apart.
    const uint8_t volume[24] = {10, 0, 0, 255, 7, 7, 7, 7, 20, 0, 0, 255, 7, 7, 7, 7, 30, 0, 0, 255, 7, 7, 7, 7};
    gpu::Texture3DDesc desc3;
    desc3.Width = desc3.Height = 1;
    desc3.Depth = 3;
    desc3.MipLevels = 1;
    desc3.Format = gpu::FORMAT_R8G8B8A8_UNORM;
    desc3.BindFlags = gpu::BIND_SHADER_RESOURCE;
    gpu::SubresourceData data {volume, 4, 8};
    gpu::Texture3D* texture3 = nullptr;
    ASSERT_EQ(device->CreateTexture3D(&desc3, &data, &texture3), S_OK);
    std::vector<uint8_t> bytes;
    ASSERT_EQ(gpu::ReadTextureSubresource(texture3, 0, &bytes), S_OK);
    EXPECT_EQ(bytes, (std::vector<uint8_t> {10, 0, 0, 255, 20, 0, 0, 255, 30, 0, 0, 255}));
    gpu::ShaderResourceView* view = nullptr;
    ASSERT_EQ(device->CreateShaderResourceView(texture3, nullptr, &view), S_OK);
    EXPECT_EQ(Sample(view, {0.5f, 0.5f, 0.9f})[0], 30);
    view->Release();
    texture3->Release();
}

TEST_F(GpuTextures, UpdateSubresourceAndGenerateMipsFillTheChain)
{
    gpu::Texture2DDesc desc = Desc2D(4, 4, gpu::FORMAT_R8G8B8A8_UNORM, 0);
    desc.BindFlags = gpu::BIND_SHADER_RESOURCE | gpu::BIND_RENDER_TARGET;
    desc.MiscFlags = gpu::RESOURCE_MISC_GENERATE_MIPS;
    gpu::Texture2D* texture = nullptr;
    ASSERT_EQ(device->CreateTexture2D(&desc, nullptr, &texture), S_OK);
    gpu::Texture2DDesc made;
    texture->GetDesc(&made);
    EXPECT_EQ(made.MipLevels, 3u);

    // Left half black, right half white: the last mip is mid grey.
    std::vector<uint8_t> pixels(4 * 4 * 4, 0);
    for (int y = 0; y < 4; ++y)
        for (int x = 2; x < 4; ++x) std::memset(&pixels[(y * 4 + x) * 4], 255, 4);
    for (int y = 0; y < 4; ++y) pixels[(y * 4) * 4 + 3] = pixels[(y * 4 + 1) * 4 + 3] = 255;
    context->UpdateSubresource(texture, 0, nullptr, pixels.data(), 16, 64);
    gpu::ShaderResourceView* view = nullptr;
    ASSERT_EQ(device->CreateShaderResourceView(texture, nullptr, &view), S_OK);
    // Making mips reads nothing back from the GPU, which would stall a real
    // card: the levels come from what the CPU gave, or from GL itself.
    const auto generateMips = [&] {
        gpu::GlReadBackCounter readBacks;
        context->GenerateMips(view);
        EXPECT_EQ(readBacks.Count(), 0u);
    };
    generateMips();
    const Texel last = Sample(view, {0.5f, 0.5f}, 2.0f);
    EXPECT_NEAR(last[0], 128, 2);
    EXPECT_EQ(last[3], 255);

    // A box replaces only its texels.
    const uint8_t green[4] = {0, 255, 0, 255};
    const gpu::Box box {1, 2, 0, 2, 3, 1};
    context->UpdateSubresource(texture, 0, &box, green, 4, 4);
    std::vector<uint8_t> rgba;
    {
        gpu::GlReadBackCounter readBacks;  // which does see a read-back
        ASSERT_EQ(gpu::ReadTexturePixels(texture, &rgba, nullptr, nullptr), S_OK);
        EXPECT_EQ(readBacks.Count(), 1u);
    }
    EXPECT_EQ(PixelAt(rgba, 4, 1, 2), (Pixel {0, 255, 0, 255}));
    EXPECT_EQ(PixelAt(rgba, 4, 2, 2), (Pixel {255, 255, 255, 255}));

    // Mips made again show every write since: the box alone, then a whole
    // white level with a black quarter, then what a render target drew.
    generateMips();
    EXPECT_NEAR(Sample(view, {0.5f, 0.5f}, 2.0f)[1], 143, 2);
    std::fill(pixels.begin(), pixels.end(), 255);
    context->UpdateSubresource(texture, 0, nullptr, pixels.data(), 16, 64);
    const uint8_t black[4 * 4] = {0, 0, 0, 255, 0, 0, 0, 255, 0, 0, 0, 255, 0, 0, 0, 255};
    const gpu::Box quarter {0, 0, 0, 2, 2, 1};
    context->UpdateSubresource(texture, 0, &quarter, black, 8, 16);
    generateMips();
    EXPECT_NEAR(Sample(view, {0.5f, 0.5f}, 2.0f)[0], 191, 2);
    context->UpdateSubresource(texture, 0, nullptr, pixels.data(), 16, 64);
    gpu::RenderTargetView* target = nullptr;
    ASSERT_EQ(device->CreateRenderTargetView(texture, nullptr, &target), S_OK);
    const float cleared[4] = {0.0f, 0.0f, 0.0f, 1.0f};
    context->ClearRenderTargetView(target, cleared);
    generateMips();
    EXPECT_EQ(Sample(view, {0.5f, 0.5f}, 2.0f)[0], 0);
    target->Release();
    view->Release();
    texture->Release();
}

// Mips made from 8-bit pictures filter as GL's blit does: sRGB texels are
// averaged as light (black and white make half the light, which shaders
// read as 128), BGRA keeps its order, an odd side takes its middle.
TEST_F(GpuTextures, GeneratedMipsOfSrgbBgraAndOddPicturesFilterAsTheBlitDoes)
{
    struct Case {
        gpu::Format format;
        uint32_t width;
        std::vector<uint8_t> texels;
        Texel expected;  // the last level as a shader reads it, RGBA
    };
    const std::vector<Case> cases = {
        {gpu::FORMAT_R8G8B8A8_UNORM_SRGB, 2, {0, 0, 0, 255, 255, 255, 255, 255}, {128, 128, 128, 255}},
        {gpu::FORMAT_B8G8R8A8_UNORM, 2, {255, 0, 0, 255, 255, 0, 0, 0}, {0, 0, 255, 128}},
        {gpu::FORMAT_R8G8B8A8_UNORM, 3, {0, 0, 0, 0, 90, 60, 30, 255, 255, 255, 255, 255}, {90, 60, 30, 255}},
    };
    for (const Case& c : cases) {
        gpu::Texture2DDesc desc = Desc2D(c.width, 1, c.format, 0);
        desc.BindFlags = gpu::BIND_SHADER_RESOURCE | gpu::BIND_RENDER_TARGET;
        desc.MiscFlags = gpu::RESOURCE_MISC_GENERATE_MIPS;
        gpu::Texture2D* texture = nullptr;
        ASSERT_EQ(device->CreateTexture2D(&desc, nullptr, &texture), S_OK);
        context->UpdateSubresource(texture, 0, nullptr, c.texels.data(), c.width * 4, c.width * 4);
        gpu::ShaderResourceView* view = nullptr;
        ASSERT_EQ(device->CreateShaderResourceView(texture, nullptr, &view), S_OK);
        context->GenerateMips(view);
        const Texel last = Sample(view, {0.5f, 0.5f}, 1.0f);
        for (int channel = 0; channel < 4; ++channel)
            EXPECT_NEAR(last[channel], c.expected[channel], 1) << "format " << c.format << " channel " << channel;
        view->Release();
        texture->Release();
    }
}

TEST_F(GpuTextures, DescriptionsDirect3DRefusesAreRefused)
{
    gpu::Texture2D* texture = nullptr;
    gpu::Texture2DDesc desc = Desc2D(4, 2, gpu::FORMAT_R8G8B8A8_UNORM, 1, 6);
    desc.MiscFlags = gpu::RESOURCE_MISC_TEXTURECUBE;  // faces must be square
    EXPECT_EQ(device->CreateTexture2D(&desc, nullptr, &texture), E_INVALIDARG);
    desc = Desc2D(4, 4, gpu::FORMAT_R8G8B8A8_UNORM, 1, 4);
    desc.MiscFlags = gpu::RESOURCE_MISC_TEXTURECUBE;  // six faces per cube
    EXPECT_EQ(device->CreateTexture2D(&desc, nullptr, &texture), E_INVALIDARG);
    desc = Desc2D(1, 1, gpu::FORMAT_BC1_UNORM);
    desc.BindFlags |= gpu::BIND_RENDER_TARGET;
    desc.MiscFlags = gpu::RESOURCE_MISC_GENERATE_MIPS;  // blocks cannot be rendered
    EXPECT_EQ(device->CreateTexture2D(&desc, nullptr, &texture), E_INVALIDARG);
    EXPECT_EQ(texture, nullptr);
}

TEST_F(GpuTextures, ViewsCheckTheirRangeAndReadDepthAsFloat)
{
    gpu::Texture2DDesc desc = Desc2D(4, 4, gpu::FORMAT_R8G8B8A8_UNORM, 0);
    gpu::Texture2D* texture = nullptr;
    ASSERT_EQ(device->CreateTexture2D(&desc, nullptr, &texture), S_OK);
    gpu::ShaderResourceViewDesc view;
    view.Format = gpu::FORMAT_R8G8B8A8_UNORM;
    view.ViewDimension = gpu::SRV_DIMENSION_TEXTURE2D;
    view.Texture2D = gpu::SrvMipRange {1, 3};  // mips 1..3 of 0..2
    gpu::ShaderResourceView* made = nullptr;
    EXPECT_EQ(device->CreateShaderResourceView(texture, &view, &made), E_INVALIDARG);
    view.Texture2D = gpu::SrvMipRange {1, 0xFFFFFFFFu};
    ASSERT_EQ(device->CreateShaderResourceView(texture, &view, &made), S_OK);
    gpu::ShaderResourceViewDesc resolved;
    made->GetDesc(&resolved);
    EXPECT_EQ(resolved.Texture2D.MipLevels, 2u);
    made->Release();
    view.ViewDimension = gpu::SRV_DIMENSION_TEXTURECUBE;  // not a cube
    EXPECT_EQ(device->CreateShaderResourceView(texture, &view, &made), E_INVALIDARG);
    view.ViewDimension = gpu::SRV_DIMENSION_TEXTURE2D;
    view.Format = gpu::FORMAT_R8G8B8A8_UNORM_SRGB;  // only a typeless family changes type
    EXPECT_EQ(device->CreateShaderResourceView(texture, &view, &made), E_INVALIDARG);
    texture->Release();

    // The shadow map's pairing: R32_TYPELESS, depth written, read as R32_FLOAT.
    desc = Desc2D(2, 2, gpu::FORMAT_R32_TYPELESS);
    desc.BindFlags = gpu::BIND_SHADER_RESOURCE | gpu::BIND_DEPTH_STENCIL;
    ASSERT_EQ(device->CreateTexture2D(&desc, nullptr, &texture), S_OK);
    gpu::DepthStencilViewDesc depthDesc;
    depthDesc.Format = gpu::FORMAT_D32_FLOAT;
    depthDesc.ViewDimension = gpu::DSV_DIMENSION_TEXTURE2D;
    gpu::DepthStencilView* depthView = nullptr;
    ASSERT_EQ(device->CreateDepthStencilView(texture, &depthDesc, &depthView), S_OK);
    context->ClearDepthStencilView(depthView, gpu::CLEAR_DEPTH, 0.25f, 0);
    view = gpu::ShaderResourceViewDesc {};
    view.Format = gpu::FORMAT_R32_FLOAT;
    view.ViewDimension = gpu::SRV_DIMENSION_TEXTURE2D;
    view.Texture2D = gpu::SrvMipRange {0, 1};
    ASSERT_EQ(device->CreateShaderResourceView(texture, &view, &made), S_OK);
    EXPECT_EQ(Sample(made, {0.5f, 0.5f})[0], 64);
    made->Release();
    depthView->Release();
    texture->Release();
}

}  // namespace
