// The screen-settings screen against a faked display enumeration: which
// resolutions and multisample levels it offers and in which order, the
// preselected resolution, what "Apply" stores, lists that follow the adapter
// without resetting the choices, and stored choices that name nothing.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "graphics/display_modes.h"
#include "platform/gpu/enumeration.h"
#include "shell/settings.h"
#include "support/imgui_test_frame.h"
#include "ui/menu.h"

using testing_support::IdPart;
using testing_support::ImGuiTestFrame;

namespace {

gpu::AdapterInfo Adapter(const std::u16string& name, std::vector<gpu::DisplayModeInfo> modes,
                         std::vector<uint32_t> sampleCounts, int outputs = 1)
{
    gpu::AdapterInfo adapter;
    adapter.description = name;
    adapter.vendorId = 0x10DE;
    adapter.sampleCounts = std::move(sampleCounts);
    for (int i = 0; i < outputs; ++i)
        adapter.outputs.push_back(
            gpu::DisplayInfo {name + u" screen " + char16_t(u'0' + i), gpu::Rect {0, 0, 1920, 1080}, modes});
    return adapter;
}

// Splits Dear ImGui's zero-separated item string.
std::vector<std::string> Items(const std::string& items)
{
    std::vector<std::string> out;
    size_t start = 0;
    while (start < items.size()) {
        const size_t end = items.find('\0', start);
        out.push_back(items.substr(start, end - start));
        start = end + 1;
    }
    return out;
}

class ScreenSettings : public ::testing::Test {
protected:
    void SetUp() override { ResetStartupSetup(); }
    void TearDown() override
    {
        ReleaseDisplayEnumeration();
        gpu::SetDisplaySystemForTesting(nullptr);
        ResetStartupSetup();
    }
    void Install(const gpu::DisplaySystem& system)
    {
        gpu::SetDisplaySystemForTesting(&system);
        ASSERT_EQ(EnumerateAdapters(), 1);
    }
    void Draw() { ui.Frame([this] { menu.ScreenSettingsScreen(); }); }
    void Click(const char* window, std::initializer_list<IdPart> path)
    {
        ui.ClickAndFrame(window, path, [this] { menu.ScreenSettingsScreen(); });
    }
    // Opens a combo and picks its item `index` (Dear ImGui pushes the index
    // as the id around each item).
    void Choose(const char* combo, int index, const char* item)
    {
        Click("OM", {combo});
        Draw();
        ASSERT_TRUE(ImGuiTestFrame::WindowShown("##Combo_00")) << combo;
        Click("##Combo_00", {index, item});
        Draw();
    }
    void Apply() { Click("OM", {"Apply"}); }

    CMenu menu;
    ImGuiTestFrame ui {1280, 720};
};

const std::vector<gpu::DisplayModeInfo> kWideModes = {
    {1920, 1080, 60}, {1024, 600, 60}, {1680, 1050, 60}, {1280, 720, 60}, {1280, 720, 75}};

}  // namespace

TEST_F(ScreenSettings, OffersCandidateModesInListOrderAndPreselectsTheSetupSize)
{
    Install(gpu::DisplaySystem {{Adapter(u"Card", kWideModes, {2, 4, 8})}});
    Settings.screenWidth = 1280;
    Settings.screenHeight = 720;
    Draw();
    const ScreenSettingsState& state = menu.screenSettings;
    // 1024 x 600 is not a candidate; 1280 x 720 shows once.
    EXPECT_EQ(Items(state.resolutionItems), (std::vector<std::string> {"1280x720", "1680x1050", "1920x1080"}));
    EXPECT_EQ(menu.resolutionChoice, 0);
    // Slot 0 stands for the probe device, slot 1 for plain rendering.
    EXPECT_EQ(Items(state.fsaaItems), (std::vector<std::string> {"none", "NonMaskable", "2x", "4x", "8x"}));
}

TEST_F(ScreenSettings, ApplyStoresTheChoiceFullScreenAsWindowedZero)
{
    Install(gpu::DisplaySystem {{Adapter(u"Card", kWideModes, {2, 4, 8})}});
    Settings.screenWidth = 1280;
    Settings.screenHeight = 720;
    Draw();
    Choose("Resolution", 2, "1920x1080");
    Choose("Fullscreen", 0, "YES");
    Choose("FSAA", 3, "4x");
    Choose("Aspect Ratio", 4, "16:9");
    Apply();
    EXPECT_EQ(Settings.screenWidth, 1920);
    EXPECT_EQ(Settings.windowed, 0);
    EXPECT_EQ(Settings.sampleCount, 4);
    EXPECT_EQ(Settings.aspectChoice, 4);
}

TEST_F(ScreenSettings, ChangingTheAdapterRebuildsTheListsAndKeepsTheChoices)
{
    gpu::AdapterInfo first = Adapter(u"First", kWideModes, {2, 4, 8});
    gpu::AdapterInfo second = Adapter(u"Second", {{800, 600, 60}, {1024, 768, 60}, {1280, 720, 60}}, {2}, 2);
    Install(gpu::DisplaySystem {{first, second}});
    Settings.screenWidth = 1680;
    Settings.screenHeight = 1050;
    Draw();
    EXPECT_EQ(menu.resolutionChoice, 1);
    Choose("FSAA", 2, "2x");

    Choose("Adapter", 1, "Second");
    const ScreenSettingsState& state = menu.screenSettings;
    EXPECT_EQ(menu.adapterIndex, 1);
    EXPECT_EQ(Items(state.resolutionItems), (std::vector<std::string> {"800x600", "1024x768", "1280x720"}));
    EXPECT_EQ(Items(state.fsaaItems), (std::vector<std::string> {"none", "NonMaskable", "2x"}));
    EXPECT_EQ(menu.resolutionChoice, 1);
    EXPECT_EQ(menu.fsaaChoice, 2);

    Choose("Output", 1, "Second screen 1");
    EXPECT_EQ(menu.outputIndex, 1);
    Apply();
    EXPECT_EQ(Settings.adapterIndex, 1);
    EXPECT_EQ(Settings.outputIndex, 1);
    EXPECT_EQ(Settings.screenWidth, 1024);
    EXPECT_EQ(Settings.sampleCount, 2);
}

TEST_F(ScreenSettings, ApplyIsDisabledWhileAChoiceNamesNothing)
{
    Install(gpu::DisplaySystem {{Adapter(u"Card", kWideModes, {2, 4})}});
    // A setup size this output does not offer leaves the resolution unchosen.
    Settings.screenWidth = 1000;
    Settings.screenHeight = 700;
    Draw();
    EXPECT_EQ(menu.resolutionChoice, -1);
    Apply();
    EXPECT_EQ(Settings.screenWidth, 1000);
    EXPECT_EQ(Settings.resolutionChoice, -1);

    // Choices from a settings file written on another machine.
    menu.resolutionChoice = 1;
    menu.fsaaChoice = 9;
    Draw();
    Apply();
    EXPECT_EQ(Settings.screenWidth, 1000);
    menu.fsaaChoice = 1;
    menu.windowed = 1;
    Draw();
    Apply();
    EXPECT_EQ(Settings.screenWidth, 1680);
    EXPECT_EQ(Settings.sampleCount, 1);

    // An adapter and output that do not exist give empty lists, never a crash.
    menu.adapterIndex = 5;
    menu.outputIndex = -3;
    menu.resolutionChoice = 40;
    menu.aspectChoice = 99;
    Draw();
    EXPECT_TRUE(menu.screenSettings.resolutionItems.empty());
    EXPECT_TRUE(menu.screenSettings.fsaaValues.empty());
    Settings.screenWidth = 1000;
    Apply();
    EXPECT_EQ(Settings.screenWidth, 1000);
}
