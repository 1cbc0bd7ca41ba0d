// The WIC loader over the image decoder: PNG and JPEG decoded into the
// formats Direct3D would get, sRGB marks from the PNG chunk and the EXIF
// colour space, grey images sampled grey, 16-bit images as 8-bit RGBA,
// oversize images shrunk to the limit, and the failures of files no codec
// reads.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "graphics/dds_loader.h"
#include "graphics/wic_loader.h"
#include "platform/gpu/texture_test_hooks.h"
#include "platform/image_decoder.h"
#include "platform/text.h"
#include "support/headless_gpu.h"
#include "support/image_files.h"
#include "support/temp_directory.h"

namespace {

class WicLoader : public HeadlessGpuTest {
protected:
    void SetUp() override
    {
        HeadlessGpuTest::SetUp();
        ASSERT_TRUE(gpu().CreateDevice(16, 16));
    }
    void TearDown() override
    {
        Drop();
        HeadlessGpuTest::TearDown();
    }
    void Drop()
    {
        if (view) view->Release();
        if (texture) texture->Release();
        view = nullptr;
        texture = nullptr;
    }

    HResult Load(const std::string& name, const std::string& bytes, size_t maxSize = 0)
    {
        Drop();
        folder.Write(name, bytes);
        const std::u16string path = platform::Utf8ToUtf16(folder.File(name));
        return LoadWICTextureWithOptions(gpu().device, gpu().context, path.c_str(), maxSize, gpu::USAGE_DEFAULT,
                                         gpu::BIND_SHADER_RESOURCE, 0, 0, 0, &texture, &view);
    }
    gpu::Texture2DDesc Desc() const
    {
        gpu::Texture2DDesc desc;
        if (texture && texture->GetType() == gpu::RESOURCE_DIMENSION_TEXTURE2D)
            static_cast<gpu::Texture2D*>(texture)->GetDesc(&desc);
        return desc;
    }
    std::vector<uint8_t> TopLevel() const
    {
        std::vector<uint8_t> bytes;
        EXPECT_EQ(gpu::ReadTextureSubresource(texture, 0, &bytes), S_OK);
        return bytes;
    }
    std::vector<int> Sample(float u, float v) { return SampleTexel(view, {u, v}); }

    TempDirectory folder;
    gpu::Resource* texture = nullptr;
    gpu::ShaderResourceView* view = nullptr;
};

// A 3 x 2 picture with a distinct top-left texel.
std::vector<uint16_t> Corners()
{
    return {255, 0, 0, 0, 255, 0, 0, 0, 255, 10, 20, 30, 40, 50, 60, 70, 80, 90};
}

TEST_F(WicLoader, PngBecomesRgbaWithItsTopLeftTexelFirst)
{
    ASSERT_EQ(Load("corner.png", PngFile(3, 2, 3, 8, Corners())), S_OK);
    EXPECT_EQ(Desc().Format, gpu::FORMAT_R8G8B8A8_UNORM);
    EXPECT_EQ(Desc().Width, 3u);
    EXPECT_EQ(Desc().Height, 2u);
    EXPECT_EQ(Desc().MipLevels, 2u);  // generated on the GPU
    const std::vector<uint8_t> top = TopLevel();
    EXPECT_EQ(std::vector<uint8_t>(top.begin(), top.begin() + 4), (std::vector<uint8_t> {255, 0, 0, 255}));
    EXPECT_EQ(std::vector<uint8_t>(top.begin() + 12, top.begin() + 16), (std::vector<uint8_t> {10, 20, 30, 255}));
    EXPECT_EQ(Sample(0.1f, 0.1f), (std::vector<int> {255, 0, 0, 255}));
}

TEST_F(WicLoader, SrgbMarksComeFromThePngChunkAndTheExifColourSpace)
{
    const std::string marked = PngFile(1, 1, 3, 8, {1, 2, 3}, true);
    ASSERT_EQ(Load("marked.png", marked), S_OK);
    EXPECT_EQ(Desc().Format, gpu::FORMAT_R8G8B8A8_UNORM_SRGB);
    ASSERT_EQ(Load("plain.png", PngFile(1, 1, 3, 8, {1, 2, 3})), S_OK);
    EXPECT_EQ(Desc().Format, gpu::FORMAT_R8G8B8A8_UNORM);

    const std::vector<uint8_t> orange(8 * 8 * 3, 0);
    ASSERT_EQ(Load("photo.jpg", JpegFile(8, 8, 3, orange, 1)), S_OK);
    EXPECT_EQ(Desc().Format, gpu::FORMAT_R8G8B8A8_UNORM_SRGB);
    ASSERT_EQ(Load("photo.jpg", JpegFile(8, 8, 3, orange, 0xFFFF)), S_OK);  // uncalibrated
    EXPECT_EQ(Desc().Format, gpu::FORMAT_R8G8B8A8_UNORM);
}

TEST_F(WicLoader, GreyImagesSampleGreyAndSixteenBitOnesBecomeRgba8)
{
    ASSERT_EQ(Load("grey.png", PngFile(2, 2, 1, 8, {90, 90, 90, 90})), S_OK);
    EXPECT_EQ(Desc().Format, gpu::FORMAT_R8_UNORM);
    EXPECT_EQ(Sample(0.5f, 0.5f), (std::vector<int> {90, 90, 90, 255}));

    // 16-bit colour and grey: the device has no 16-bit UNORM formats.
    ASSERT_EQ(Load("deep.png", PngFile(1, 1, 4, 16, {0xFFFF, 0x8080, 0x0000, 0xFFFF})), S_OK);
    EXPECT_EQ(Desc().Format, gpu::FORMAT_R8G8B8A8_UNORM);
    EXPECT_EQ(TopLevel(), (std::vector<uint8_t> {255, 128, 0, 255}));
    ASSERT_EQ(Load("deepgrey.png", PngFile(1, 1, 1, 16, {0x4040})), S_OK);
    EXPECT_EQ(Desc().Format, gpu::FORMAT_R8G8B8A8_UNORM);
    EXPECT_EQ(TopLevel(), (std::vector<uint8_t> {64, 64, 64, 255}));
}

TEST_F(WicLoader, OversizeImagesShrinkToTheLimitKeepingTheirShape)
{
    // 64 x 16: the left half black, the right half white.
    std::vector<uint16_t> samples;
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 64; ++x) samples.insert(samples.end(), 3, x < 32 ? 0 : 255);
    ASSERT_EQ(Load("wide.png", PngFile(64, 16, 3, 8, samples), 16), S_OK);
    EXPECT_EQ(Desc().Width, 16u);
    EXPECT_EQ(Desc().Height, 4u);
    const std::vector<uint8_t> top = TopLevel();
    EXPECT_EQ(top[0], 0);
    EXPECT_EQ(top[15 * 4], 255);
}

TEST_F(WicLoader, FilesNoCodecReadsFailAsWicFails)
{
    EXPECT_EQ(Load("notes.png", "plain text, not a picture"), platform::WINCODEC_ERR_COMPONENTNOTFOUND);
    EXPECT_EQ(texture, nullptr);
    EXPECT_EQ(view, nullptr);
    const std::string png = PngFile(4, 4, 3, 8, SolidSamples(4, 4, {1, 2, 3}));
    EXPECT_TRUE(Failed(Load("cut.png", png.substr(0, png.size() - 30))));
    EXPECT_EQ(texture, nullptr);
    EXPECT_TRUE(Failed(Load("header.png", png.substr(0, 20))));

    Drop();
    const std::u16string missing = platform::Utf8ToUtf16(folder.File("missing.png"));
    EXPECT_EQ(LoadWICTextureFromFile(gpu().device, gpu().context, missing.c_str(), &texture, &view),
              HResultFromErrno(2));
}

}  // namespace
