// Small image files built in memory for the texture loaders' tests: PNG
// (8 or 16 bits, grey or colour, with or without an sRGB chunk) and JPEG
// (with or without an EXIF colour space).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// `samples` holds width x height x channels values, rows top-down; 16-bit
// files take the values as they are, 8-bit files their low bytes.
// Channels 1 grey, 2 grey + alpha, 3 RGB, 4 RGBA.
std::string PngFile(uint32_t width, uint32_t height, int channels, int bitDepth, const std::vector<uint16_t>& samples,
                    bool srgbChunk = false);

// Baseline JPEG at quality 100 of 8-bit samples (always written as colour). With
// `exifColorSpace` 0 or more, an EXIF block carries that colour space.
std::string JpegFile(uint32_t width, uint32_t height, int channels, const std::vector<uint8_t>& samples,
                     int exifColorSpace = -1);

// Solid-colour samples for width x height texels.
std::vector<uint16_t> SolidSamples(uint32_t width, uint32_t height, const std::vector<uint16_t>& texel);
