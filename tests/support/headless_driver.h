// The program's driver on a headless window, for tests of the driver's
// resource operations and of what is built on them (registries, world GPU
// objects): InitDefaultDriver with a small back buffer, the start directory
// and log in a temporary folder, everything released after the test.
//
//   class MyTest : public HeadlessDriverTest {};
//   TEST_F(MyTest, Draws) { Driver->Clear(0, 0, 0); ... BackBufferAt(x, y) ... }
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "support/headless_gpu.h"
#include "support/temp_directory.h"

class HeadlessDriverTest : public HeadlessGpuTest {
protected:
    void SetUp() override;
    void TearDown() override;

    std::string Log() const { return folder_.Read("game.log"); }
    // The back buffer, RGBA rows top-down.
    std::vector<uint8_t> ReadBack(uint32_t* width = nullptr);
    Pixel BackBufferAt(uint32_t x, uint32_t y);
    Pixel Centre();

    TempDirectory folder_;
    // The back buffer's size; a derived fixture may set another before SetUp.
    int screenWidth_ = 64;
    int screenHeight_ = 48;

private:
    ScopedStartDirectory start_ {folder_.Path()};
};
