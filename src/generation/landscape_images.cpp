// The landscape's image slots, slot images and their equalisation.
//
// Index: LandscapeImages - NewLandscapeImage / UploadLandscapeImage -
// EqualizeLuma / EqualizeImage
#include "generation/landscape_images.h"

#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

#include <cstring>
#include <vector>

#include "graphics/driver.h"
#include "graphics/texture.h"

// ---------------------------------------------------------------------------
// LandscapeImages
// ---------------------------------------------------------------------------
CTexture* LandscapeImages::Get(int slot) const
{
    return slot >= 1 && slot <= kLandscapeImageSlots ? slots_[slot - 1] : nullptr;
}

void LandscapeImages::Put(int slot, CTexture* image, CDriver* driver)
{
    if (slot < 1 || slot > kLandscapeImageSlots) return;
    Free(slots_[slot - 1]);
    if (driver) driver_ = driver;
    slots_[slot - 1] = image;
}

void LandscapeImages::Release()
{
    for (CTexture*& image : slots_) Free(image);
}

void LandscapeImages::Free(CTexture*& image)
{
    if (!image) return;
    if (driver_) driver_->ReleaseTexture(image);
    CTexture::Delete(image);
    image = nullptr;
}

// ---------------------------------------------------------------------------
// NewLandscapeImage, UploadLandscapeImage
// ---------------------------------------------------------------------------
CTexture* NewLandscapeImage(int n, const char16_t* name)
{
    if (n <= 0) return nullptr;
    CTexture* image = new CTexture;
    if (!image) return nullptr;
    image->SetName(name);
    image->width = n;
    image->height = n;
    image->bitsPerPixel = 32;
    image->kind = kGeneratedImageKind;
    const size_t bytes = static_cast<size_t>(n) * static_cast<size_t>(n) * 4;
    image->AllocPixels(bytes);
    if (!image->pixels) {
        CTexture::Delete(image);
        return nullptr;
    }
    std::memset(image->pixels, 0, bytes);
    return image;
}

void UploadLandscapeImage(CDriver* driver, CTexture* image)
{
    if (driver && image) driver->CreateTextureFromImage(image);
}

// ---------------------------------------------------------------------------
// EqualizeLuma, EqualizeImage
// ---------------------------------------------------------------------------
cv::Mat EqualizeLuma(const cv::Mat& image)
{
    if (image.empty() || image.depth() != CV_8U || image.channels() < 3 || image.channels() > 4) return cv::Mat();
    cv::Mat ycrcb;
    cv::cvtColor(image, ycrcb, cv::COLOR_BGR2YCrCb);
    std::vector<cv::Mat> channels;
    cv::split(ycrcb, channels);
    cv::equalizeHist(channels[0], channels[0]);
    cv::merge(channels, ycrcb);
    cv::Mat result;
    cv::cvtColor(ycrcb, result, cv::COLOR_YCrCb2BGR);
    return result;
}

void EqualizeImage(CTexture* source, CTexture* target, CDriver* driver)
{
    if (!source || !target || !source->pixels || !target->pixels) return;
    if (source->bitsPerPixel != 32 || target->bitsPerPixel != 32) return;
    if (source->width <= 0 || source->width != source->height || target->width != source->width ||
        target->height != source->height)
        return;
    const int n = source->width;
    // Wrapped, not copied: the source stays as it is.
    const cv::Mat stored(n, n, CV_8UC4, source->pixels);
    cv::Mat swapped;
    cv::cvtColor(stored, swapped, cv::COLOR_BGRA2RGBA);
    const cv::Mat equalised = EqualizeLuma(swapped);
    if (equalised.empty()) return;
    cv::Mat result;
    cv::cvtColor(equalised, result, cv::COLOR_BGR2RGBA);
    if (!result.isContinuous() || result.total() * result.elemSize() != static_cast<size_t>(n) * n * 4) return;
    std::memcpy(target->pixels, result.data, static_cast<size_t>(n) * n * 4);
    UploadLandscapeImage(driver, target);
}
