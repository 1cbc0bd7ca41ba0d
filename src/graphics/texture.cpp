#include "graphics/texture.h"

#include <new>

#include "core/name_key.h"

void CTexture::SetName(const char16_t* wideName)
{
    name = ToLowerWide(wideName ? std::u16string_view(wideName) : std::u16string_view());
    nameHash = NameHash(name);
}

void CTexture::AllocPixels(size_t bytes)
{
    SharedHeapFree(pixels);
    pixels = static_cast<uint8_t*>(SharedHeapAlloc(bytes));
}

bool CTexture::GetPixel(uint32_t x, int32_t y, uint8_t& c0, uint8_t& c1, uint8_t& c2, uint8_t& c3) const
{
    if (!pixels || width <= 0 || height <= 0) return false;
    // In 64 bits: x past the width still reads into the next row up, as the
    // element index alone is checked, but nothing can wrap around.
    const int64_t index = int64_t{x} + int64_t{width} * (int64_t{height} - 1 - y);
    const int64_t count = int64_t{width} * height;
    if (index < 0 || index >= count) return false;
    const auto i = static_cast<size_t>(index);
    switch (bitsPerPixel) {
    case 8: {
        if (!palette) return false;
        const uint8_t* entry = palette + 4 * static_cast<size_t>(pixels[i]);
        c0 = entry[0], c1 = entry[1], c2 = entry[2], c3 = entry[3];
        return true;
    }
    case 16: {
        const uint16_t v = static_cast<uint16_t>(pixels[2 * i] | (pixels[2 * i + 1] << 8));
        c0 = static_cast<uint8_t>((v & 0x1F) << 3);
        c1 = static_cast<uint8_t>(((v >> 5) & 0x1F) << 3);
        c2 = static_cast<uint8_t>(((v >> 10) & 0x1F) << 3);
        c3 = 0;
        return true;
    }
    case 24: {
        const uint8_t* p = pixels + 3 * i;
        c0 = p[2], c1 = p[1], c2 = p[0], c3 = 0;
        return true;
    }
    case 32: {
        const uint8_t* p = pixels + 4 * i;
        c0 = p[2], c1 = p[1], c2 = p[0], c3 = p[3];
        return true;
    }
    default:
        return false;
    }
}

void CTexture::Release()
{
    if (child) {
        CTexture::Delete(child);
        child = nullptr;
    }
    SharedHeapFree(palette);
    palette = nullptr;
    SharedHeapFree(pixels);
    pixels = nullptr;
    std::u16string().swap(name);
}

void CTexture::Delete(CTexture* texture)
{
    if (!texture) return;
    texture->Release();
    delete texture;
}

CTexture* AppendNamedTexture(std::vector<CTexture*>& list, const std::u16string& name)
{
    CTexture* texture = new CTexture;
    if (!texture) return nullptr;
    try {
        list.push_back(texture);
    } catch (const std::bad_alloc&) {
        CTexture::Delete(texture);
        return nullptr;
    }
    texture->SetName(name);
    return texture;
}
