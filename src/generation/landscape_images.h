// The cube landscape's images: the eleven slots it leaves in the scene, how a
// slot image is made and given its GPU texture, and the histogram
// equalisation of the temperature and precipitation pictures.
//
// Every image is n x n texels of 32 bits, rows stored bottom-up, a texel in
// memory blue, green, red, alpha (CTexture::SetTexel and GetPixel take and
// give red, green, blue, alpha).
#pragma once

#include <cstdint>

class CDriver;
class CTexture;
namespace cv {
class Mat;
}

inline constexpr int kLandscapeImageSlots = 11;
// The kind value generated images carry.
inline constexpr uint8_t kGeneratedImageKind = 2;

// Slots 1..11: Voronoi cells, relaxed cells, grey noise, temperature,
// precipitation, both equalised, both averaged per cell, biome map, heights.
// Owned; the next landscape or the scene's end frees them.
class LandscapeImages {
public:
    LandscapeImages() = default;
    ~LandscapeImages() { Release(); }
    LandscapeImages(const LandscapeImages&) = delete;
    LandscapeImages& operator=(const LandscapeImages&) = delete;

    // Slot 1..11; null when empty (or for a number outside the range).
    CTexture* Get(int slot) const;
    // Puts an image into a slot (an image already there is freed); the
    // driver that gives the images their GPU textures is remembered for the
    // release.
    void Put(int slot, CTexture* image, CDriver* driver);
    // Releases every image's GPU texture, frees it and empties its slot.
    void Release();

private:
    void Free(CTexture*& image);

    CTexture* slots_[kLandscapeImageSlots] = {};
    CDriver* driver_ = nullptr;
};

// A new n x n image of 32 bits, kind kGeneratedImageKind, with its name and
// n x n x 4 pixel bytes all 0. Null when n is not positive or the record or
// its pixels cannot be had.
CTexture* NewLandscapeImage(int n, const char16_t* name);
// The image's GPU texture from its pixels; nothing without a driver, a
// device or an image.
void UploadLandscapeImage(CDriver* driver, CTexture* image);

// Histogram equalisation of the luma (YCrCb's Y) of a 3- or 4-channel 8-bit
// matrix taken as blue, green, red[, alpha]; a 3-channel matrix comes back.
// Fewer than 3 channels (or an empty matrix) give an empty matrix.
cv::Mat EqualizeLuma(const cv::Mat& image);
// The equalised copy of `source` into `target`'s pixels (both 32-bit images
// of one size), alpha 255, then target's GPU texture. Nothing unless both
// are given, of 32 bits and of the same size.
//
// The equalisation reads the stored bytes in red, green, blue order although
// they hold blue, green, red: the weights meant for red fall on the stored
// blue and the other way round. The result goes back in the same byte order.
void EqualizeImage(CTexture* source, CTexture* target, CDriver* driver);
