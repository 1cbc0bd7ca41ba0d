// The DDS loader: header checks, the legacy format table, size computation,
// layouts and their limits, mip collection against truncated data, and whole
// loads onto the GPU (mip chains, generated mips, cube maps, volumes, grey).
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "graphics/dds_loader.h"
#include "graphics/wic_loader.h"
#include "platform/gpu/texture_test_hooks.h"
#include "platform/text.h"
#include "support/headless_gpu.h"
#include "support/temp_directory.h"

namespace {

constexpr uint32_t kFourCC = 0x4, kRGB = 0x40;
constexpr uint32_t kVolume = 0x800000;

uint32_t Code(const char* text)
{
    uint32_t code = 0;
    for (int index = 3; index >= 0; --index) code = code << 8 | uint8_t(text[index]);
    return code;
}

// The fields of a DDS file a test sets; the rest are zero.
struct DdsFields {
    uint32_t width = 4, height = 4, depth = 0, mipCount = 0;
    uint32_t flags = 0x1007;
    uint32_t pfFlags = kRGB, fourCC = 0, bitCount = 32;
    uint32_t masks[4] = {0xFF, 0xFF00, 0xFF0000, 0xFF000000};
    uint32_t caps2 = 0;
    bool dx10 = false;
    uint32_t dxgiFormat = 0, dimension = 3, miscFlag = 0, arraySize = 1, miscFlags2 = 0;
    std::string data;
};

void Put(std::string& out, uint32_t value)
{
    for (int shift = 0; shift < 32; shift += 8) out.push_back(static_cast<char>(value >> shift));
}

std::string DdsBytes(const DdsFields& fields)
{
    std::string out = "DDS ";
    Put(out, 124);
    Put(out, fields.flags);
    Put(out, fields.height);
    Put(out, fields.width);
    Put(out, 0);
    Put(out, fields.depth);
    Put(out, fields.mipCount);
    for (int i = 0; i < 11; ++i) Put(out, 0);
    Put(out, 32);
    Put(out, fields.dx10 ? kFourCC : fields.pfFlags);
    Put(out, fields.dx10 ? Code("DX10") : fields.fourCC);
    Put(out, fields.bitCount);
    for (uint32_t mask : fields.masks) Put(out, mask);
    Put(out, 0x1000);
    Put(out, fields.caps2);
    for (int i = 0; i < 3; ++i) Put(out, 0);
    if (fields.dx10) {
        Put(out, fields.dxgiFormat);
        Put(out, fields.dimension);
        Put(out, fields.miscFlag);
        Put(out, fields.arraySize);
        Put(out, fields.miscFlags2);
    }
    return out + fields.data;
}

DdsFields Dxt1(uint32_t width, uint32_t height)
{
    DdsFields fields;
    fields.width = width;
    fields.height = height;
    fields.pfFlags = kFourCC;
    fields.fourCC = Code("DXT1");
    fields.bitCount = 0;
    std::fill(std::begin(fields.masks), std::end(fields.masks), 0);
    return fields;
}

HResult Parse(const std::string& bytes, DDSFile* file)
{
    return ParseDDSData(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), file);
}

HResult Layout(const DdsFields& fields, DDSTextureLayout* layout, uint32_t miscFlags = 0)
{
    const std::string bytes = DdsBytes(fields);
    DDSFile file;
    const HResult parsed = Parse(bytes, &file);
    if (Failed(parsed)) return parsed;
    return ReadDDSTextureLayout(file, miscFlags, layout);
}

// ---- Parsing, formats and sizes (no GPU) ----
TEST(DdsLoader, HeaderChecksRefuseWhatIsNotADdsFile)
{
    DDSFile file;
    const std::string good = DdsBytes(DdsFields {});
    ASSERT_EQ(Parse(good, &file), S_OK);
    EXPECT_EQ(Parse(good.substr(0, 127), &file), E_FAIL);

    std::string bad = good;
    bad[3] = 'X';  // magic
    EXPECT_EQ(Parse(bad, &file), E_FAIL);
    bad = good;
    bad[76] = 31;  // pixel-format size
    EXPECT_EQ(Parse(bad, &file), E_FAIL);

    DdsFields dx10;
    dx10.dx10 = true;
    dx10.dxgiFormat = 28;
    dx10.data = "abcd";
    const std::string extended = DdsBytes(dx10);
    ASSERT_EQ(Parse(extended, &file), S_OK);
    EXPECT_EQ(Parse(extended.substr(0, 147), &file), E_FAIL);
}

TEST(DdsLoader, SurfaceSizesForBlockPackedPlanarAndPlainFormats)
{
    struct Case {
        uint32_t width, height, format;
        uint64_t image, row, rows;
    };
    const Case cases[] = {
        {5, 3, 71, 16, 16, 1},  // BC1: 2 x 1 blocks of 8 bytes
        {3, 3, 28, 36, 12, 3},  // RGBA8, odd width
    };
    for (const Case& c : cases) {
        uint64_t image = 1, row = 1, rows = 1;
        ASSERT_EQ(ComputeSurfaceSize(c.width, c.height, c.format, &image, &row, &rows), S_OK) << c.format;
        EXPECT_EQ(image, c.image) << c.format;
        EXPECT_EQ(row, c.row) << c.format;
        EXPECT_EQ(rows, c.rows) << c.format;
    }
    // Sizes past 32 bits are refused, never wrapped.
    EXPECT_EQ(ComputeSurfaceSize(0xFFFFFFFF, 2, 2, nullptr, nullptr, nullptr), HRESULT_ARITHMETIC_OVERFLOW);
    EXPECT_EQ(ComputeSurfaceSize(65536, 65536, 28, nullptr, nullptr, nullptr), HRESULT_ARITHMETIC_OVERFLOW);
}

TEST(DdsLoader, LegacyPixelFormatsMapByTheTable)
{
    DDSTextureLayout layout;
    DdsFields fields;
    ASSERT_EQ(Layout(fields, &layout), S_OK);
    EXPECT_EQ(layout.format, gpu::FORMAT_R8G8B8A8_UNORM);
    fields.masks[3] = 0;
    std::swap(fields.masks[0], fields.masks[2]);
    ASSERT_EQ(Layout(fields, &layout), S_OK);
    EXPECT_EQ(layout.format, gpu::FORMAT_B8G8R8X8_UNORM);

    fields.bitCount = 24;  // 24-bit RGB has no DXGI format
    EXPECT_EQ(Layout(fields, &layout), HRESULT_NOT_SUPPORTED);

    DdsFields unknown = Dxt1(4, 4);
    unknown.fourCC = Code("DXT9");
    EXPECT_EQ(Layout(unknown, &layout), HRESULT_NOT_SUPPORTED);
}

TEST(DdsLoader, LayoutsCheckCubesVolumesArraysAndLimits)
{
    DDSTextureLayout layout;
    DdsFields cube;
    cube.caps2 = 0xFE00;
    ASSERT_EQ(Layout(cube, &layout), S_OK);
    EXPECT_TRUE(layout.isCubeMap);
    EXPECT_EQ(layout.arraySize, 6u);
    cube.caps2 = 0xFE00 & ~0x2000u;  // one face missing
    EXPECT_EQ(Layout(cube, &layout), HRESULT_NOT_SUPPORTED);

    DdsFields wide;
    wide.width = 20000;
    wide.height = 100;
    EXPECT_EQ(Layout(wide, &layout), HRESULT_NOT_SUPPORTED);
    DdsFields deep;
    deep.mipCount = 16;
    EXPECT_EQ(Layout(deep, &layout), HRESULT_NOT_SUPPORTED);

    DdsFields dx10;
    dx10.dx10 = true;
    dx10.dxgiFormat = 28;
    dx10.arraySize = 0;
    EXPECT_EQ(Layout(dx10, &layout), HRESULT_INVALID_DATA);

    // Six faces per cube must not wrap a hostile array size into a small one.
    dx10.miscFlag = 0x4;
    dx10.arraySize = 0x2AAAAAAB;
    EXPECT_EQ(Layout(dx10, &layout), HRESULT_NOT_SUPPORTED);
    dx10.arraySize = 2;
    ASSERT_EQ(Layout(dx10, &layout), S_OK);
    EXPECT_EQ(layout.arraySize, 12u);

    // The caller's cube flag makes a 2-D array of 6n items a cube map.
    DdsFields array = dx10;
    array.miscFlag = 0;
    array.arraySize = 12;
    ASSERT_EQ(Layout(array, &layout, gpu::RESOURCE_MISC_TEXTURECUBE), S_OK);
    EXPECT_TRUE(layout.isCubeMap);
}

TEST(DdsLoader, MipCollectionStaysInsideTheData)
{
    DDSTextureLayout layout;
    layout.dimension = gpu::RESOURCE_DIMENSION_TEXTURE2D;
    layout.format = gpu::FORMAT_R8G8B8A8_UNORM;
    layout.width = 4;
    layout.height = 2;
    layout.depth = 1;
    layout.mipCount = 3;  // 32 + 8 + 4 bytes
    layout.arraySize = 2;
    std::vector<uint8_t> bits(88);
    DDSMipData mips;
    ASSERT_EQ(CollectMipData(layout, 0, bits.data(), bits.size(), &mips), S_OK);
    ASSERT_EQ(mips.subresources.size(), 6u);
    EXPECT_EQ(mips.subresources[3].pSysMem, bits.data() + 44);
    EXPECT_EQ(mips.subresources[1].SysMemPitch, 8u);
    EXPECT_EQ(CollectMipData(layout, 0, bits.data(), 87, &mips), E_HANDLE_EOF);

    // A size limit leaves out the levels above it, in every item.
    ASSERT_EQ(CollectMipData(layout, 2, bits.data(), bits.size(), &mips), S_OK);
    EXPECT_EQ(mips.skippedMips, 1u);
    EXPECT_EQ(mips.width, 2u);
    ASSERT_EQ(mips.subresources.size(), 4u);
    EXPECT_EQ(mips.subresources[2].pSysMem, bits.data() + 44 + 32);

    // Every slice of a volume level must be there, not only the first.
    layout.arraySize = 1;
    layout.mipCount = 1;
    layout.dimension = gpu::RESOURCE_DIMENSION_TEXTURE3D;
    layout.depth = 3;
    EXPECT_EQ(CollectMipData(layout, 0, bits.data(), 95, &mips), E_HANDLE_EOF);
    EXPECT_EQ(CollectMipData(layout, 0, bits.data(), 88, &mips), E_HANDLE_EOF);
    std::vector<uint8_t> volume(96);
    ASSERT_EQ(CollectMipData(layout, 0, volume.data(), volume.size(), &mips), S_OK);
    EXPECT_EQ(mips.subresources[0].SysMemSlicePitch, 32u);
}

// ---- Loading onto the GPU ----
class DdsLoaderGpu : public HeadlessGpuTest {
protected:
    void SetUp() override
    {
        HeadlessGpuTest::SetUp();
        ASSERT_TRUE(gpu().CreateDevice(16, 16));
    }
    void TearDown() override
    {
        if (view) view->Release();
        if (texture) texture->Release();
        HeadlessGpuTest::TearDown();
    }

    HResult Load(const std::string& name, const std::string& bytes)
    {
        folder.Write(name, bytes);
        return LoadFile(name);
    }
    HResult LoadFile(const std::string& name)
    {
        if (view) view->Release();
        if (texture) texture->Release();
        view = nullptr;
        texture = nullptr;
        const std::u16string path = platform::Utf8ToUtf16(folder.File(name));
        return LoadDDSTextureFromFile(gpu().device, gpu().context, path.c_str(), &texture, &view);
    }
    gpu::TextureShape Shape() const
    {
        gpu::TextureShape shape;
        gpu::GetTextureShape(texture, &shape);
        return shape;
    }
    std::vector<int> Sample(std::vector<float> coord, float lod = 0.0f) { return SampleTexel(view, coord, lod); }

    TempDirectory folder;
    gpu::Resource* texture = nullptr;
    gpu::ShaderResourceView* view = nullptr;
};

TEST_F(DdsLoaderGpu, Dxt1WithTenLevelsLoadsEveryLevel)
{
    DdsFields fields = Dxt1(512, 512);
    fields.mipCount = 10;
    uint32_t blocks = 0;
    for (uint32_t size = 512; size >= 1; size /= 2) blocks += std::max(size / 4, 1u) * std::max(size / 4, 1u);
    // Every block: colour 0 green, all texels index 0.
    for (uint32_t block = 0; block < blocks; ++block) fields.data += std::string("\xE0\x07\x00\x00\x00\x00\x00\x00", 8);
    ASSERT_EQ(Load("rock.dds", DdsBytes(fields)), S_OK);
    EXPECT_EQ(Shape().mipLevels, 10u);
    EXPECT_EQ(Shape().format, gpu::FORMAT_BC1_UNORM);
    EXPECT_EQ(Sample({0.5f, 0.5f}, 9.0f), (std::vector<int> {0, 255, 0, 255}));

    // One byte short: the last level is cut.
    fields.data.pop_back();
    EXPECT_EQ(Load("cut.dds", DdsBytes(fields)), E_HANDLE_EOF);
    EXPECT_EQ(texture, nullptr);
    EXPECT_EQ(view, nullptr);
}

TEST_F(DdsLoaderGpu, SingleLevelGetsAGeneratedChainWithRowZeroAtTheTop)
{
    DdsFields fields;  // 4 x 4 RGBA8, top row red, the rest blue
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x)
            fields.data += y == 0 ? std::string("\xFF\x00\x00\xFF", 4) : std::string("\x00\x00\xFF\xFF", 4);
    ASSERT_EQ(Load("sky.dds", DdsBytes(fields)), S_OK);
    EXPECT_EQ(Shape().mipLevels, 3u);
    EXPECT_EQ(Sample({0.1f, 0.1f}), (std::vector<int> {255, 0, 0, 255}));
    EXPECT_EQ(Sample({0.1f, 0.9f}), (std::vector<int> {0, 0, 255, 255}));
    const std::vector<int> last = Sample({0.5f, 0.5f}, 2.0f);
    EXPECT_NEAR(last[0], 64, 2);
    EXPECT_NEAR(last[2], 191, 2);

    // The generated chain still needs the whole top level.
    fields.data.resize(63);
    EXPECT_EQ(Load("short.dds", DdsBytes(fields)), E_HANDLE_EOF);
}

TEST_F(DdsLoaderGpu, CubeMapsLoadAsCubesAndAShortFaceFails)
{
    // 2 x 2 faces of one colour each; each face's level goes up on its own.
    DdsFields cube;
    cube.width = cube.height = 2;
    cube.mipCount = 1;
    cube.caps2 = 0xFE00;
    for (int face = 0; face < 6; ++face)
        for (int texel = 0; texel < 4; ++texel) cube.data += std::string({char(face * 40), 0, 0, char(0xFF)});
    ASSERT_EQ(LoadFile("missing.dds"), HResultFromErrno(2));
    ASSERT_EQ(Load("box.dds", DdsBytes(cube)), S_OK);
    EXPECT_TRUE(Shape().cube);
    EXPECT_EQ(Shape().arraySize, 6u);
    EXPECT_EQ(Shape().mipLevels, 2u);
    EXPECT_EQ(Sample({0.0f, 0.0f, -1.0f}, 1.0f)[0], 200);  // the last face, each face's level made
    cube.data.resize(cube.data.size() - 1);  // the last face cut short
    EXPECT_EQ(Load("box.dds", DdsBytes(cube)), E_HANDLE_EOF);
}

TEST_F(DdsLoaderGpu, VolumesNeedEverySliceAndNamesAreFoundAsWindowsFindsThem)
{
    DdsFields volume;
    volume.width = volume.height = 1;
    volume.depth = 2;
    volume.mipCount = 1;
    volume.flags |= kVolume;
    volume.data = std::string("\x10\x00\x00\xFF", 4);  // one slice of two
    EXPECT_EQ(Load("fog.dds", DdsBytes(volume)), E_HANDLE_EOF);
    volume.data += std::string("\x20\x00\x00\xFF", 4);
    ASSERT_EQ(Load("fog.dds", DdsBytes(volume)), S_OK);
    EXPECT_EQ(Shape().dimension, gpu::RESOURCE_DIMENSION_TEXTURE3D);
    EXPECT_EQ(Sample({0.5f, 0.5f, 0.75f})[0], 32);

    // "STONE.DDS" is opened for "stone.dds"; the driver hands a name in
    // capitals to the image loader, which knows the file by its magic.
    ASSERT_EQ(Load("STONE.DDS", DdsBytes(volume)), S_OK);
    ASSERT_EQ(LoadFile("stone.dds"), S_OK);
    const std::u16string capitals = platform::Utf8ToUtf16(folder.File("STONE.DDS"));
    gpu::Resource* viaImageLoader = nullptr;
    ASSERT_EQ(LoadWICTextureFromFile(gpu().device, gpu().context, capitals.c_str(), &viaImageLoader, nullptr), S_OK);
    viaImageLoader->Release();
}

// A format the device lacks (BC4) fails as Direct3D's creation fails.
TEST_F(DdsLoaderGpu, FormatsTheDeviceLacksFail)
{
    DdsFields bc4 = Dxt1(4, 4);
    bc4.fourCC = Code("ATI1");
    bc4.data = std::string(8, '\0');
    EXPECT_EQ(Load("bc4.dds", DdsBytes(bc4)), E_INVALIDARG);
    EXPECT_EQ(view, nullptr);
}

}  // namespace
