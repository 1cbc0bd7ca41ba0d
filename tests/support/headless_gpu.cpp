#include "support/headless_gpu.h"

#include <cmath>
#include <cstdlib>
#include <ostream>

#include "platform/gpu/texture_test_hooks.h"
#include "platform/message_box.h"

HeadlessGpu::HeadlessGpu(platform::WindowProc proc)
{
    // ctest sets these; a direct run of the test binary stays headless too.
    setenv("SDL_VIDEODRIVER", "offscreen", 0);
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    platform::SetMessageBoxesSuppressed(true);
    window_ = platform::CreateMainWindow("Vesk test", proc, &failure_);
}

HeadlessGpu::~HeadlessGpu()
{
    ReleaseDevice();
    if (window_) platform::DestroyMainWindow(window_);
}

bool HeadlessGpu::CreateDevice(uint32_t width, uint32_t height, uint32_t samples)
{
    ReleaseDevice();
    if (!window_) return false;
    gpu::SwapChainDesc desc;
    desc.BufferDesc.Width = width;
    desc.BufferDesc.Height = height;
    desc.BufferDesc.Format = gpu::FORMAT_R8G8B8A8_UNORM;
    desc.SampleDesc.Count = samples;
    desc.BufferUsage = gpu::USAGE_RENDER_TARGET_OUTPUT;
    desc.BufferCount = 1;
    desc.OutputWindow = window_;
    desc.Windowed = 1;
    if (Failed(gpu::CreateDeviceAndSwapChain(nullptr, gpu::DRIVER_TYPE_HARDWARE, 0, nullptr, 0, &desc, &swapChain,
                                             &device, nullptr, &context)))
        return false;
    gpu::Texture2D* buffer = nullptr;
    swapChain->GetBuffer(0, &buffer);
    const HResult result = device->CreateRenderTargetView(buffer, nullptr, &backBufferView);
    buffer->Release();
    if (Failed(result)) return false;
    context->OMSetRenderTargets(1, &backBufferView, nullptr);
    gpu::Viewport viewport {0, 0, static_cast<float>(width), static_cast<float>(height), 0.0f, 1.0f};
    context->RSSetViewports(1, &viewport);
    return true;
}

void HeadlessGpu::ReleaseDevice()
{
    if (backBufferView) backBufferView->Release();
    if (context) context->Release();
    if (swapChain) swapChain->Release();
    if (device) device->Release();
    backBufferView = nullptr;
    context = nullptr;
    swapChain = nullptr;
    device = nullptr;
}

std::vector<uint8_t> HeadlessGpu::ReadBackBuffer(uint32_t* width, uint32_t* height) const
{
    std::vector<uint8_t> rgba;
    if (!swapChain) return rgba;
    gpu::Texture2D* buffer = nullptr;
    swapChain->GetBuffer(0, &buffer);
    gpu::ReadTexturePixels(buffer, &rgba, width, height);
    buffer->Release();
    return rgba;
}

void HeadlessGpuTest::SetUp()
{
    gpu_ = std::make_unique<HeadlessGpu>();
    ASSERT_TRUE(gpu_->Ready()) << gpu_->Failure();
}

void HeadlessGpuTest::TearDown() { gpu_.reset(); }

Pixel PixelAt(const std::vector<uint8_t>& rgba, uint32_t width, uint32_t x, uint32_t y)
{
    const size_t at = (static_cast<size_t>(y) * width + x) * 4;
    if (at + 3 >= rgba.size()) return Pixel {0, 0, 0, 0};
    return Pixel {rgba[at], rgba[at + 1], rgba[at + 2], rgba[at + 3]};
}

std::ostream& operator<<(std::ostream& out, const Pixel& pixel)
{
    return out << "(" << int {pixel.r} << ", " << int {pixel.g} << ", " << int {pixel.b} << ", " << int {pixel.a}
               << ")";
}

std::vector<int> SampleTexel(gpu::ShaderResourceView* view, std::vector<float> coord, float lod)
{
    coord.resize(4, 0.0f);
    float rgba[4] = {};
    EXPECT_TRUE(gpu::SampleShaderResourceView(view, coord.data(), lod, rgba));
    std::vector<int> result;
    for (float channel : rgba) result.push_back(static_cast<int>(std::lround(channel * 255.0f)));
    return result;
}
