#include "support/headless_driver.h"

#include "graphics/display_modes.h"
#include "graphics/driver.h"
#include "platform/gpu/texture_test_hooks.h"
#include "shell/log.h"
#include "shell/settings.h"

void HeadlessDriverTest::SetUp()
{
    HeadlessGpuTest::SetUp();
    ResetStartupSetup();
    Settings.screenWidth = screenWidth_;
    Settings.screenHeight = screenHeight_;
    ResetLog();
    ASSERT_EQ(InitDefaultDriver(), 1) << Log();
}

void HeadlessDriverTest::TearDown()
{
    // A test that stopped half-way must not leave targets on the stack.
    for (int pop = 0; pop < 17; ++pop) Driver->PopRenderTarget();
    Driver->ReleaseDevice();
    ReleaseDisplayEnumeration();
    ResetStartupSetup();
    HeadlessGpuTest::TearDown();
}

std::vector<uint8_t> HeadlessDriverTest::ReadBack(uint32_t* width)
{
    std::vector<uint8_t> rgba;
    gpu::Texture2D* buffer = nullptr;
    if (!Driver->state->swapChain || Failed(Driver->state->swapChain->GetBuffer(0, &buffer))) return rgba;
    gpu::ReadTexturePixels(buffer, &rgba, width, nullptr);
    buffer->Release();
    return rgba;
}

Pixel HeadlessDriverTest::BackBufferAt(uint32_t x, uint32_t y)
{
    uint32_t width = 0;
    const std::vector<uint8_t> rgba = ReadBack(&width);
    return PixelAt(rgba, width, x, y);
}

Pixel HeadlessDriverTest::Centre()
{
    return BackBufferAt(static_cast<uint32_t>(backBufferWidth / 2), static_cast<uint32_t>(backBufferHeight / 2));
}
