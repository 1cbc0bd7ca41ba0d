// CTexture::SetTexel: the texel writer of the generators' images.
#include <cstdint>

#include "graphics/texture.h"

void CTexture::SetTexel(uint32_t x, uint32_t y, uint8_t red, uint8_t green, uint8_t blue, uint8_t alpha)
{
    if (!pixels || width <= 0 || height <= 0) return;
    // A column past the width would land in the next row, a row past the
    // height outside the buffer: both write nothing.
    if (x >= static_cast<uint32_t>(width) || y >= static_cast<uint32_t>(height)) return;
    const size_t index = (static_cast<size_t>(height) - 1 - y) * static_cast<size_t>(width) + x;
    switch (bitsPerPixel) {
    case 16: {
        const uint16_t texel = static_cast<uint16_t>(((blue >> 3) << 10) | ((green >> 3) << 5) | (red >> 3));
        pixels[2 * index] = static_cast<uint8_t>(texel & 0xFF);
        pixels[2 * index + 1] = static_cast<uint8_t>(texel >> 8);
        break;
    }
    case 24: {
        uint8_t* p = pixels + 3 * index;
        p[0] = blue, p[1] = green, p[2] = red;
        break;
    }
    case 32: {
        uint8_t* p = pixels + 4 * index;
        p[0] = blue, p[1] = green, p[2] = red, p[3] = alpha;
        break;
    }
    default:  // 8 bits (a palette index) and unknown depths: nothing
        break;
    }
}
