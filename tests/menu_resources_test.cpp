// The front end's GPU resources on a headless device: the background drawn
// upright over the whole back buffer, the registries it builds, an effect
// that does not compile (nothing drawn), a quad that cannot be allocated, a
// re-creation that loads everything afresh, and whole front-end frames with
// Dear ImGui's real back ends, including one whose present fails.
#include <gtest/gtest.h>

#include <imgui.h>
#include <imgui_internal.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "graphics/driver.h"
#include "graphics/gpu_texture.h"
#include "graphics/render_set.h"
#include "graphics/texture.h"
#include "platform/files.h"
#include "platform/gpu/resources.h"
#include "platform/gpu/test_hooks.h"
#include "platform/heap.h"
#include "platform/imgui_backends.h"
#include "shell/game.h"
#include "shell/settings.h"
#include "shell/log.h"
#include "support/imgui_test_frame.h"
#include "support/headless_driver.h"
#include "support/image_files.h"
#include "support/shipped_data.h"
#include "ui/menu.h"

namespace {

struct HeapCounts {
    int textures = CTexture::Heap().LiveCount();
    int gpuTextures = GpuTexture::Heap().LiveCount();
    int shaders = ShaderEntry::Heap().LiveCount();
    int constantBuffers = ConstantBufferEntry::Heap(GpuEntryKind::kConstantBuffer).LiveCount();
    int depthStates = ConstantBufferEntry::Heap(GpuEntryKind::kDepthStencilState).LiveCount();
    int shared = SharedHeap().LiveCount();
    bool operator==(const HeapCounts&) const = default;
};

std::ostream& operator<<(std::ostream& out, const HeapCounts& c)
{
    return out << c.textures << "/" << c.gpuTextures << "/" << c.shaders << "/" << c.constantBuffers << "/"
               << c.depthStates << "/" << c.shared;
}

// 16 x 16 in four quadrants: red top left, green top right, blue bottom
// left, white bottom right.
std::string QuadrantPicture()
{
    std::vector<uint8_t> samples;
    for (int y = 0; y < 16; ++y) {
        for (int x = 0; x < 16; ++x) {
            const bool right = x >= 8;
            const bool bottom = y >= 8;
            const uint8_t r = (!right && !bottom) || (right && bottom) ? 255 : 0;
            const uint8_t g = (right && !bottom) || (right && bottom) ? 255 : 0;
            const uint8_t b = (!right && bottom) || (right && bottom) ? 255 : 0;
            samples.insert(samples.end(), {r, g, b});
        }
    }
    return JpegFile(16, 16, 3, samples);
}

bool Near(const Pixel& pixel, int r, int g, int b)
{
    return std::abs(pixel.r - r) < 40 && std::abs(pixel.g - g) < 40 && std::abs(pixel.b - b) < 40;
}

class MenuResources : public HeadlessDriverTest {
protected:
    void SetUp() override
    {
        HeadlessDriverTest::SetUp();
        menu_ = std::make_unique<CMenu>();
        menu_->driver = Driver;
    }
    void TearDown() override
    {
        menu_.reset();
        platform::FailNextHeapAllocs(0);
        HeadlessDriverTest::TearDown();
    }

    void ShipData()
    {
        folder_.Write("Shaders/2dsprite.fx", Shipped("Shaders/2dsprite.fx"));
        folder_.Write("TexturesUI/background2.jpg", QuadrantPicture());
    }

    // The four quadrants of the background in the four corners of the screen.
    void ExpectBackgroundUpright()
    {
        uint32_t width = 0;
        const std::vector<uint8_t> pixels = ReadBack(&width);
        const uint32_t right = width - 3;
        const auto bottom = static_cast<uint32_t>(backBufferHeight - 3);
        EXPECT_TRUE(Near(PixelAt(pixels, width, 2, 2), 255, 0, 0)) << PixelAt(pixels, width, 2, 2);
        EXPECT_TRUE(Near(PixelAt(pixels, width, right, 2), 0, 255, 0)) << PixelAt(pixels, width, right, 2);
        EXPECT_TRUE(Near(PixelAt(pixels, width, 2, bottom), 0, 0, 255)) << PixelAt(pixels, width, 2, bottom);
        EXPECT_TRUE(Near(PixelAt(pixels, width, right, bottom), 255, 255, 255)) << PixelAt(pixels, width, right, bottom);
    }

    std::unique_ptr<CMenu> menu_;
};

}  // namespace

TEST_F(MenuResources, AnEffectThatDoesNotCompileIsNeitherBoundNorDrawn)
{
    folder_.Write("TexturesUI/background2.jpg", QuadrantPicture());
    for (const bool present : {false, true}) {
        if (present) folder_.Write("Shaders/2dsprite.fx", "#error not a shader\n");
        ResetLog();
        menu_->LoadTextures();
        EXPECT_EQ(menu_->CreateResources(), 1);
        EXPECT_NE(Log().find("The FX file cannot be compiled..."), std::string::npos) << Log();
        Driver->Clear(10, 20, 30);
        menu_->DrawBackground();
        EXPECT_EQ(Centre(), (Pixel {10, 20, 30, 0}));
    }
}

TEST_F(MenuResources, AQuadThatCannotBeAllocatedIsReportedAndNothingIsDrawn)
{
    ShipData();
    const HeapCounts before;
    platform::FailNextHeapAllocs(1 << 20);
    EXPECT_EQ(menu_->CreateResources(), 0);
    platform::FailNextHeapAllocs(0);
    EXPECT_EQ(menu_->backgroundQuad, nullptr);
    EXPECT_NE(Log().find("Error: CWorld::GenerateWorld() "), std::string::npos) << Log();
    Driver->Clear(10, 20, 30);
    menu_->DrawBackground();
    EXPECT_EQ(Centre(), (Pixel {10, 20, 30, 0}));

    // Memory back, everything can be made, and all of it goes again.
    menu_->LoadTextures();
    EXPECT_EQ(menu_->CreateResources(), 1);
    menu_->ReleaseResources();
    EXPECT_EQ(HeapCounts {}, before);
}

TEST_F(MenuResources, RecreatingLoadsEverythingAfreshAndTheBackgroundComesBack)
{
    ShipData();
    menu_->LoadTextures();
    ASSERT_EQ(menu_->CreateResources(), 1);
    const HeapCounts built;

    EXPECT_EQ(menu_->RecreateResources(), 1) << Log();
    EXPECT_EQ(HeapCounts {}, built);  // nothing kept twice, nothing lost
    Driver->Clear(0, 0, 0);
    menu_->DrawBackground();
    ExpectBackgroundUpright();
    EXPECT_EQ(Log().find("Error"), std::string::npos) << Log();
}

// ---------------------------------------------------------------------------
// Whole front-end frames
// ---------------------------------------------------------------------------

namespace {

class MenuFrames : public MenuResources {
protected:
    void SetUp() override
    {
        MenuResources::SetUp();
        testing_support::CreateTestImGuiContext();
        ASSERT_TRUE(platform::InitImGuiBackEnds(gpu().Window()));
        menu_->game = &game_;
        // The update check asks a server; these frames must not.
        menu_->updateChecked = 1;
        Menu = menu_.get();
    }
    void TearDown() override
    {
        Menu = nullptr;
        platform::ShutdownImGuiBackEnds();
        ImGui::DestroyContext();
        MenuResources::TearDown();
    }

    CGame game_;
};

}  // namespace

TEST_F(MenuFrames, AFrameShowsTheBackgroundAndSurvivesAFailedPresent)
{
    ShipData();
    menu_->LoadTextures();
    ASSERT_EQ(menu_->CreateResources(), 1);

    // The main menu's windows, then a screen number that draws nothing, so
    // the corners show the background alone.
    MenuFrame();
    EXPECT_TRUE(ImGui::FindWindowByName("GM") != nullptr);
    menu_->screenState = 99;
    MenuFrame();
    ExpectBackgroundUpright();

    // A failed present re-creates the front end's resources and has Dear
    // ImGui's renderer objects made anew; the next frame draws as before.
    gpu::ForceNextPresentResult(gpu::DXGI_ERROR_DEVICE_REMOVED);
    MenuFrame();
    EXPECT_EQ(menu_->invalidateInterfaceObjects, 0);
    EXPECT_EQ(ImGui::GetIO().Fonts->TexID, nullptr);
    EXPECT_TRUE(Driver->HasDevice());
    MenuFrame();
    EXPECT_NE(ImGui::GetIO().Fonts->TexID, nullptr);
    ExpectBackgroundUpright();
    EXPECT_EQ(Log().find("Error"), std::string::npos) << Log();
}

TEST_F(MenuFrames, ADeviceThatIsGoneIsMadeAgainAndTheFrontEndComesBack)
{
    ShipData();
    menu_->LoadTextures();
    ASSERT_EQ(menu_->CreateResources(), 1);
    menu_->screenState = 99;
    menu_->ReleaseResources();
    Driver->ReleaseDevice();

    MenuFrame();
    ASSERT_TRUE(Driver->HasDevice()) << Log();
    EXPECT_EQ(menu_->textures.size(), 6u);
    MenuFrame();
    ExpectBackgroundUpright();
    EXPECT_EQ(Log().find("Error"), std::string::npos) << Log();
}

// Dear ImGui's renderer objects are made anew with every new video mode;
// its screens must still be drawn afterwards, not only the background.
TEST_F(MenuFrames, ANewVideoModeKeepsTheScreensOnTop)
{
    ShipData();
    menu_->LoadTextures();
    ASSERT_EQ(menu_->CreateResources(), 1);
    const int32_t oldWidth = Settings.screenWidth;
    const int32_t oldHeight = Settings.screenHeight;
    menu_->screenState = 0;
    MenuFrame();
    MenuFrame();

    Settings.screenWidth = backBufferWidth + 16;
    Settings.screenHeight = backBufferHeight + 8;
    ASSERT_EQ(menu_->RecreateResources(), 1);
    // The background alone, then the main menu, whose "Continue" lies over
    // the top-left corner of this small back buffer.
    menu_->screenState = 99;
    for (int frame = 0; frame < 3; ++frame) MenuFrame();
    uint32_t width = 0;
    const Pixel background = PixelAt(ReadBack(&width), width, 20, 20);
    menu_->screenState = 0;
    for (int frame = 0; frame < 3; ++frame) MenuFrame();
    const Pixel withMenu = PixelAt(ReadBack(&width), width, 20, 20);
    Settings.screenWidth = oldWidth;
    Settings.screenHeight = oldHeight;
    EXPECT_NE(withMenu, background) << "the menu is not drawn after the new mode";
}
