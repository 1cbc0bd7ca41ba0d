// A real main window with an OpenGL 4.5 core context for tests that draw or
// present: SDL's offscreen video driver (EGL, no display needed) with Mesa's
// llvmpipe. Message boxes are suppressed while it lives.
//
//   class MyGpuTest : public HeadlessGpuTest {};
//   TEST_F(MyGpuTest, Draws) { ASSERT_TRUE(gpu().CreateDevice(64, 32)); ... gpu().ReadBackBuffer() ... }
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/gpu/gpu.h"
#include "platform/window.h"

class HeadlessGpu {
public:
    explicit HeadlessGpu(platform::WindowProc proc = nullptr);
    ~HeadlessGpu();
    HeadlessGpu(const HeadlessGpu&) = delete;
    HeadlessGpu& operator=(const HeadlessGpu&) = delete;

    bool Ready() const { return window_ != nullptr; }
    const std::string& Failure() const { return failure_; }
    platform::Window* Window() const { return window_; }

    // A device, its immediate context and a windowed swap chain of that size
    // on the window, with a view of the back buffer bound as the render
    // target and a full viewport. Released with the fixture.
    bool CreateDevice(uint32_t width, uint32_t height, uint32_t samples = 1);
    void ReleaseDevice();

    // The back buffer's pixels, RGBA rows top-down.
    std::vector<uint8_t> ReadBackBuffer(uint32_t* width = nullptr, uint32_t* height = nullptr) const;

    gpu::Device* device = nullptr;
    gpu::Context* context = nullptr;
    gpu::SwapChain* swapChain = nullptr;
    gpu::RenderTargetView* backBufferView = nullptr;

private:
    platform::Window* window_ = nullptr;
    std::string failure_;
};

// The fixture: a fresh headless window per test; fails the test when no GL
// 4.5 core context can be had.
class HeadlessGpuTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    HeadlessGpu& gpu() { return *gpu_; }

private:
    std::unique_ptr<HeadlessGpu> gpu_;
};

// RGBA of the pixel at (x, y), y counted from the top.
struct Pixel {
    uint8_t r, g, b, a;
    bool operator==(const Pixel&) const = default;
};
Pixel PixelAt(const std::vector<uint8_t>& rgba, uint32_t width, uint32_t x, uint32_t y);
std::ostream& operator<<(std::ostream& out, const Pixel& pixel);

// What a shader reads through `view` at `coord` (up to four numbers, the rest
// 0) and mip `lod`, each channel rounded to 0..255; records a failure when the
// view cannot be sampled.
std::vector<int> SampleTexel(gpu::ShaderResourceView* view, std::vector<float> coord, float lod = 0.0f);
