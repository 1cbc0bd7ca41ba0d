// The device half of the GPU layer and the driver's device state: display
// enumeration (fake displays), start-up with its fallback, release and reset,
// and the Direct3D conventions as they show in read-back pixels.
#include <gtest/gtest.h>

#include <string>

#include "graphics/display_modes.h"
#include "graphics/driver.h"
#include "platform/gpu/gpu.h"
#include "platform/gpu/test_hooks.h"
#include "platform/gpu/texture_test_hooks.h"
#include "platform/heap.h"
#include "shell/log.h"
#include "shell/settings.h"
#include "shell/window_placement.h"
#include "support/headless_gpu.h"
#include "support/temp_directory.h"

namespace {

gpu::AdapterInfo FakeAdapter(const std::u16string& name, bool usable = true)
{
    gpu::AdapterInfo adapter;
    adapter.description = name;
    adapter.vendorId = 0x10DE;
    adapter.canCreateDevice = usable;
    adapter.sampleCounts = {2, 4};
    gpu::DisplayInfo wide {u"Wide screen", gpu::Rect {0, 0, 1920, 1080}, {{1280, 720, 60}, {1920, 1080, 60}}};
    gpu::DisplayInfo old {u"Old screen", gpu::Rect {1920, 0, 2944, 768}, {{1024, 768, 75}}};
    adapter.outputs = {wide, old};
    return adapter;
}

// Installs a fake display system for one test.
class ScopedFakeDisplays {
public:
    explicit ScopedFakeDisplays(const gpu::DisplaySystem& system) { gpu::SetDisplaySystemForTesting(&system); }
    ~ScopedFakeDisplays()
    {
        ReleaseDisplayEnumeration();
        gpu::SetDisplaySystemForTesting(nullptr);
    }
};

std::u16string AdapterName(int ordinal)
{
    char16_t name[1024] = {};
    GetAdapterName(ordinal, name, 1024);
    return name;
}

// Driver tests need the log in a folder of their own and the default setup.
class GpuDeviceDriver : public HeadlessGpuTest {
protected:
    void SetUp() override
    {
        HeadlessGpuTest::SetUp();
        ResetStartupSetup();
        ResetLog();
    }
    void TearDown() override
    {
        ReleaseDisplayEnumeration();
        gpu::SetDisplaySystemForTesting(nullptr);
        ResetStartupSetup();
        HeadlessGpuTest::TearDown();
    }
    std::string Log() const { return folder_.Read("game.log"); }

    TempDirectory folder_;
    ScopedStartDirectory start_ {folder_.Path()};
};

class GpuDeviceDrawing : public HeadlessGpuTest {};

constexpr float kBlack[4] = {0, 0, 0, 1};
constexpr float kRed[4] = {1, 0, 0, 1};
constexpr Pixel kRedPixel {255, 0, 0, 255};
constexpr Pixel kBlackPixel {0, 0, 0, 255};

// A triangle larger than clip space that covers all of it.
constexpr float kFullScreen[3][4] = {{-1, -1, 0.5f, 1}, {-1, 3, 0.5f, 1}, {3, -1, 0.5f, 1}};

gpu::RasterizerState* NoCulling(gpu::Device* device)
{
    gpu::RasterizerDesc desc;
    desc.CullMode = gpu::CULL_NONE;
    gpu::RasterizerState* state = nullptr;
    device->CreateRasterizerState(&desc, &state);
    return state;
}

// A render-target texture with its view, for checks on texture targets.
struct TextureTarget {
    gpu::Texture2D* texture = nullptr;
    gpu::RenderTargetView* view = nullptr;
    ~TextureTarget()
    {
        if (view) view->Release();
        if (texture) texture->Release();
    }
    std::vector<uint8_t> Read() const
    {
        std::vector<uint8_t> rgba;
        gpu::ReadTexturePixels(texture, &rgba, nullptr, nullptr);
        return rgba;
    }
};

bool MakeTextureTarget(gpu::Device* device, uint32_t width, uint32_t height, TextureTarget* target)
{
    gpu::Texture2DDesc desc;
    desc.Width = width;
    desc.Height = height;
    desc.MipLevels = 1;
    desc.ArraySize = 1;
    desc.Format = gpu::FORMAT_R8G8B8A8_UNORM;
    desc.SampleDesc.Count = 1;
    desc.BindFlags = gpu::BIND_RENDER_TARGET | gpu::BIND_SHADER_RESOURCE;
    return Succeeded(device->CreateTexture2D(&desc, nullptr, &target->texture)) &&
           Succeeded(device->CreateRenderTargetView(target->texture, nullptr, &target->view));
}

}  // namespace

// ---------------------------------------------------------------------------
// Display enumeration with fake displays
// ---------------------------------------------------------------------------

TEST(GpuDevice, FakeDisplaysGiveNamesModesAndMultisampleRows)
{
    ScopedFakeDisplays fake(gpu::DisplaySystem {{FakeAdapter(u"Test GPU")}});
    ASSERT_EQ(EnumerateAdapters(), 1);
    EXPECT_EQ(GetUsableAdapterCount(), 1);
    EXPECT_EQ(AdapterName(0), u"Test GPU");
    EXPECT_EQ(GetOutputCount(0), 2);
    char16_t output[1024] = {};
    EXPECT_EQ(GetOutputName(0, 1, output, 1024), 1);
    EXPECT_EQ(std::u16string(output), u"Old screen");

    // Width and height decide; an output beyond the last answers for the last.
    EXPECT_EQ(HasDisplayMode(0, 0, 1280, 720), 1);
    EXPECT_EQ(HasDisplayMode(0, 0, 1024, 768), 0);
    EXPECT_EQ(HasDisplayMode(0, 1, 1024, 768), 1);
    EXPECT_EQ(HasDisplayMode(0, 7, 1024, 768), 1);

    // Slot 0: the probe device was made; slot s: s samples offered.
    EXPECT_EQ(GetDisplayModeCount(0, 0, 0), 1);
    EXPECT_EQ(GetDisplayModeCount(0, 0, 3), 0);
    EXPECT_EQ(GetDisplayModeCount(0, 0, 4), 1);
    EXPECT_EQ(GetMultisampleQualityLevels(0, 9, 4), 1);
}

TEST(GpuDevice, IndicesOutOfRangeAnswerZeroAndCopyNothing)
{
    ScopedFakeDisplays fake(gpu::DisplaySystem {{FakeAdapter(u"Test GPU")}});
    ASSERT_EQ(EnumerateAdapters(), 1);
    for (const int ordinal : {-1, 1000}) {
        EXPECT_EQ(AdapterName(ordinal), u"") << ordinal;
        EXPECT_EQ(HasDisplayMode(ordinal, 0, 1280, 720), 0) << ordinal;
    }
    char16_t name[8] = {u'x', 0};
    EXPECT_EQ(GetOutputName(0, 2, name, 8), 0);
    EXPECT_EQ(std::u16string(name), u"x");
    EXPECT_EQ(HasDisplayMode(0, -1, 1280, 720), 0);
    EXPECT_EQ(GetDisplayModeCount(0, 0, 33), 0);
    EXPECT_EQ(MultisampleQualityEntry(0, 32, 1), 0);

    // Names are cut to the caller's buffer and always terminated.
    char16_t shortName[4] = {u'?', u'?', u'?', u'?'};
    GetAdapterName(0, shortName, 4);
    EXPECT_EQ(std::u16string(shortName), u"Tes");
}

TEST(GpuDevice, OrdinalsCountOnlyUsableAdapters)
{
    gpu::AdapterInfo noDevice = FakeAdapter(u"A", false);
    gpu::AdapterInfo basicRender = FakeAdapter(u"Basic Render Driver");
    basicRender.vendorId = 0x1414;
    basicRender.deviceId = 0x8C;
    ScopedFakeDisplays fake(
        gpu::DisplaySystem {{noDevice, basicRender, FakeAdapter(u"C"), FakeAdapter(u"D")}});
    ASSERT_EQ(EnumerateAdapters(), 1);
    EXPECT_EQ(IsAdapterUsable(0), 0);
    EXPECT_EQ(IsAdapterUsable(1), 0);
    EXPECT_EQ(IsAdapterUsable(2), 1);
    EXPECT_EQ(GetUsableAdapterCount(), 2);
    EXPECT_EQ(AdapterName(0), u"C");
    EXPECT_EQ(AdapterName(1), u"D");
    EXPECT_EQ(AdapterName(2), u"");
}

TEST(GpuDevice, OutputWhoseModeListCannotBeAllocatedHasNoModes)
{
    ScopedFakeDisplays fake(gpu::DisplaySystem {{FakeAdapter(u"Test GPU")}});
    // Every display format of the first output fails its allocation.
    platform::FailNextHeapAllocs(4);
    ASSERT_EQ(EnumerateAdapters(), 1);
    platform::FailNextHeapAllocs(0);
    EXPECT_EQ(HasDisplayMode(0, 0, 1280, 720), 0);
    EXPECT_EQ(GetDisplayModeCount(0, 0, 0), 0);
    EXPECT_EQ(HasDisplayMode(0, 1, 1024, 768), 1);
}

// ---------------------------------------------------------------------------
// Start-up, fallback, release and reset
// ---------------------------------------------------------------------------

TEST_F(GpuDeviceDriver, FailedFirstAttemptFallsBackToWindowed1024x768)
{
    Settings.sampleCount = 64;  // beyond any sample count
    Settings.adapterIndex = 3;  // beyond the adapters
    Settings.windowed = 0;
    Settings.screenWidth = 1600;
    Settings.screenHeight = 900;
    Settings.useRefreshRate = 1;
    Settings.refreshRate = 75;
    Settings.colorBits = 16;
    ASSERT_EQ(InitDefaultDriver(), 1) << Log();
    EXPECT_NE(Log().find("Unsupported mode"), std::string::npos);
    EXPECT_EQ(Log().find("Error: InitDefaultDriver"), std::string::npos);
    EXPECT_EQ(Settings.windowed, 1);
    EXPECT_EQ(Settings.screenWidth, 1024);
    EXPECT_EQ(Settings.screenHeight, 768);
    EXPECT_EQ(Settings.sampleCount, 0);
    EXPECT_EQ(Settings.adapterIndex, 0);
    EXPECT_EQ(backBufferWidth, 1024);
}

TEST_F(GpuDeviceDriver, NoUsableAdapterFailsStartUp)
{
    ScopedFakeDisplays fake(gpu::DisplaySystem {{FakeAdapter(u"Broken", false)}});
    EXPECT_EQ(InitDefaultDriver(), 0);
    EXPECT_FALSE(Driver->HasDevice());
    EXPECT_NE(Log().find("Error: InitDefaultDriver"), std::string::npos);
}

TEST_F(GpuDeviceDriver, ReleaseAndResetClearWhatTheyRelease)
{
    ASSERT_EQ(InitDefaultDriver(), 1) << Log();
    DriverState& state = *Driver->state;

    Driver->ReleaseDevice();
    EXPECT_EQ(state.device, nullptr);
    EXPECT_EQ(state.depthBiasRasterizerState, nullptr);
    ASSERT_EQ(Driver->CreateDeviceAndSwapChain(), 0);

    Settings.screenWidth = 640;
    Settings.screenHeight = 480;
    ASSERT_EQ(Driver->ResetVideoMode(), 1);
    EXPECT_EQ(backBufferWidth, 640);
    EXPECT_EQ(backBufferHeight, 480);
    EXPECT_NE(state.depthBiasRasterizerState, nullptr);

    // While anything still holds the back buffer the swap chain cannot be
    // resized: the sized objects stay released and the caller re-creates.
    gpu::Texture2D* held = nullptr;
    ASSERT_EQ(state.swapChain->GetBuffer(0, &held), S_OK);
    Settings.screenWidth = 800;
    EXPECT_EQ(Driver->ResetVideoMode(), 0);
    held->Release();
    EXPECT_EQ(state.backBufferView, nullptr);
    EXPECT_EQ(state.depthBuffer, nullptr);
    EXPECT_EQ(state.rasterizerState, nullptr);
    EXPECT_NE(state.device, nullptr);
    EXPECT_EQ(Driver->ResetVideoMode(), 1);
    EXPECT_EQ(backBufferWidth, 800);

    // An unusable size is refused before anything is touched.
    Settings.screenWidth = 0;
    EXPECT_EQ(Driver->ResetVideoMode(), -1);
    EXPECT_NE(state.backBufferView, nullptr);
}

// ---------------------------------------------------------------------------
// Conventions, read back from pixels
// ---------------------------------------------------------------------------

TEST_F(GpuDeviceDrawing, ClearFillsTheBackBufferWhateverTheScissor)
{
    ASSERT_TRUE(gpu().CreateDevice(32, 16));
    gpu::RasterizerDesc scissored;
    scissored.ScissorEnable = 1;
    gpu::RasterizerState* state = nullptr;
    ASSERT_EQ(gpu().device->CreateRasterizerState(&scissored, &state), S_OK);
    gpu().context->RSSetState(state);
    const gpu::Rect tiny {0, 0, 1, 1};
    gpu().context->RSSetScissorRects(1, &tiny);
    ASSERT_TRUE(gpu::DrawTestTriangle(gpu().context, kFullScreen, kBlack));  // leaves the scissor on in GL
    gpu().context->ClearRenderTargetView(gpu().backBufferView, kRed);
    state->Release();

    uint32_t width = 0, height = 0;
    const std::vector<uint8_t> pixels = gpu().ReadBackBuffer(&width, &height);
    ASSERT_EQ(width, 32u);
    ASSERT_EQ(height, 16u);
    EXPECT_EQ(PixelAt(pixels, width, 0, 0), kRedPixel);
    EXPECT_EQ(PixelAt(pixels, width, 31, 15), kRedPixel);
}

TEST_F(GpuDeviceDrawing, PositiveNdcYIsTheTopOfTheBackBufferAndOfATexture)
{
    ASSERT_TRUE(gpu().CreateDevice(16, 16));
    gpu::RasterizerState* noCulling = NoCulling(gpu().device);
    gpu().context->RSSetState(noCulling);
    // Covers y from 0 to +1 across the whole width.
    const float upperHalf[3][4] = {{-1, 0, 0.5f, 1}, {-1, 2, 0.5f, 1}, {3, 0, 0.5f, 1}};

    gpu().context->ClearRenderTargetView(gpu().backBufferView, kBlack);
    ASSERT_TRUE(gpu::DrawTestTriangle(gpu().context, upperHalf, kRed));
    const std::vector<uint8_t> back = gpu().ReadBackBuffer();
    EXPECT_EQ(PixelAt(back, 16, 8, 2), kRedPixel);
    EXPECT_EQ(PixelAt(back, 16, 8, 13), kBlackPixel);

    TextureTarget target;
    ASSERT_TRUE(MakeTextureTarget(gpu().device, 16, 16, &target));
    gpu().context->OMSetRenderTargets(1, &target.view, nullptr);
    gpu().context->ClearRenderTargetView(target.view, kBlack);
    ASSERT_TRUE(gpu::DrawTestTriangle(gpu().context, upperHalf, kRed));
    // Row 0 of a texture is the top of its picture.
    const std::vector<uint8_t> texture = target.Read();
    EXPECT_EQ(PixelAt(texture, 16, 8, 2), kRedPixel);
    EXPECT_EQ(PixelAt(texture, 16, 8, 13), kBlackPixel);
    noCulling->Release();
}

TEST_F(GpuDeviceDrawing, ClockwiseFrontFacesAreKeptAndBackFacesCulled)
{
    ASSERT_TRUE(gpu().CreateDevice(16, 16));
    // Top-left, top-right, bottom-left: clockwise as seen on the picture.
    const float clockwise[3][4] = {{-1, 1, 0.5f, 1}, {3, 1, 0.5f, 1}, {-1, -3, 0.5f, 1}};
    const float counterClockwise[3][4] = {{-1, 1, 0.5f, 1}, {-1, -3, 0.5f, 1}, {3, 1, 0.5f, 1}};

    TextureTarget target;
    ASSERT_TRUE(MakeTextureTarget(gpu().device, 16, 16, &target));
    for (gpu::RenderTargetView* view : {gpu().backBufferView, target.view}) {
        const bool backBuffer = view == gpu().backBufferView;
        gpu().context->OMSetRenderTargets(1, &view, nullptr);
        gpu().context->ClearRenderTargetView(view, kBlack);
        ASSERT_TRUE(gpu::DrawTestTriangle(gpu().context, counterClockwise, kRed));
        std::vector<uint8_t> pixels = backBuffer ? gpu().ReadBackBuffer() : target.Read();
        EXPECT_EQ(PixelAt(pixels, 16, 8, 8), kBlackPixel) << (backBuffer ? "back buffer" : "texture");
        ASSERT_TRUE(gpu::DrawTestTriangle(gpu().context, clockwise, kRed));
        pixels = backBuffer ? gpu().ReadBackBuffer() : target.Read();
        EXPECT_EQ(PixelAt(pixels, 16, 8, 8), kRedPixel) << (backBuffer ? "back buffer" : "texture");
    }
}

TEST_F(GpuDeviceDrawing, DrawsWithoutTargetOrViewportAreDropped)
{
    ASSERT_TRUE(gpu().CreateDevice(8, 8));
    gpu().context->RSSetViewports(0, nullptr);
    EXPECT_FALSE(gpu::DrawTestTriangle(gpu().context, kFullScreen, kRed));
    const gpu::Viewport full {0, 0, 8, 8, 0, 1};
    gpu().context->RSSetViewports(1, &full);
    gpu().context->OMSetRenderTargets(0, nullptr, nullptr);
    EXPECT_FALSE(gpu::DrawTestTriangle(gpu().context, kFullScreen, kRed));
}
