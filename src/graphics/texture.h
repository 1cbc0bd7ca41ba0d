// CTexture: what the program keeps of an image - its name (lower case, with
// its hash, so look-ups ignore case), width and height, pixels in memory when
// a caller reads them back (8-bit images with their palette), and the GPU
// objects the driver made for it. Records live
// on a heap of their own; pixels and palette on the shared heap.
//
// Destroy always in this order: CDriver::ReleaseTexture, CTexture::Release,
// delete (CTexture::Delete does the last two).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/private_heap.h"

struct GpuTexture;

// What a texture is for; depth targets are 2, as the render passes test.
enum TextureKind : uint8_t { kTextureImage = 0, kTextureColorTarget = 1, kTextureDepthTarget = 2 };

class CTexture : public HeapAllocated<CTexture> {
public:
    CTexture() = default;
    ~CTexture() = default;
    CTexture(const CTexture&) = delete;
    CTexture& operator=(const CTexture&) = delete;

    // Stores the name lower-cased (A-Z only) with its NameHash.
    void SetName(const char16_t* wideName);
    void SetName(const std::u16string& wideName) { SetName(wideName.c_str()); }

    // Replaces the pixel buffer by `bytes` uninitialised bytes of the shared heap.
    void AllocPixels(size_t bytes);

    // Reads texel (x, y), y from the top, rows stored bottom-up. False (outputs
    // untouched) when out of range, without pixels, or of an unknown depth.
    bool GetPixel(uint32_t x, int32_t y, uint8_t& c0, uint8_t& c1, uint8_t& c2, uint8_t& c3) const;
    // Writes texel (x, y), y from the top, rows stored bottom-up, from red,
    // green, blue and alpha: 16 bits as 5-bit blue, green, red (red lowest,
    // top bit 0), 24 bits as blue, green, red, 32 bits as blue, green, red,
    // alpha. Nothing for x or y out of range, no pixels, or another depth
    // (8-bit images are left unchanged). Defined with the noise, whose
    // images it writes (generation/texel_writer.cpp).
    void SetTexel(uint32_t x, uint32_t y, uint8_t red, uint8_t green, uint8_t blue, uint8_t alpha);

    // Frees the CPU side (child, palette, pixels, name); the hash, sizes and
    // the GPU record stay.
    void Release();
    // Release, then delete.
    static void Delete(CTexture* texture);

    CTexture* child = nullptr;
    std::u16string name;
    uint32_t nameHash = 0;
    int32_t width = 0;
    int32_t height = 0;
    uint8_t bitsPerPixel = 0;
    uint8_t kind = kTextureImage;
    GpuTexture* gpu = nullptr;
    uint8_t* palette = nullptr;
    uint8_t* pixels = nullptr;
};

// A new record named `name` at the end of `list`, or null when it cannot be
// made or listed (nothing is left behind then). The caller loads its image.
CTexture* AppendNamedTexture(std::vector<CTexture*>& list, const std::u16string& name);
