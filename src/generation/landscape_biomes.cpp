// Colour ramps, the biome table and the biome graph of the cube landscape.
//
// Index: colour ramps - biomes - biome graph
#include "generation/landscape_biomes.h"

#include <algorithm>
#include <cmath>
#include <exception>

#include "graphics/tga_image.h"

namespace {

// ---------------------------------------------------------------------------
// Colour ramps
// ---------------------------------------------------------------------------
// Piecewise-linear colours of v in -1..1 in the precision T; t runs 0..1 over
// each half.
template <typename T>
void TemperatureChannels(T v, T c[3])
{
    if (v < 0) {
        const T t = v + 1;
        c[0] = T(0.5) * t;
        c[1] = t;
        c[2] = 1 - T(0.5) * t;
    } else {
        const T t = v;
        c[0] = T(0.5) + T(0.5) * t;
        c[1] = 1 - t;
        c[2] = T(0.5) - T(0.5) * t;
    }
}

template <typename T>
void PrecipitationChannels(T v, T c[3])
{
    if (v < 0) {
        const T t = v + 1;
        c[0] = T(0.03) + T(0.22) * t;
        c[1] = T(0.12) + T(0.58) * t;
        c[2] = T(0.40) + T(0.35) * t;
    } else {
        const T t = v;
        c[0] = T(0.25) + T(0.73) * t;
        c[1] = T(0.70) + (T(0.98) - T(0.70)) * t;
        c[2] = T(0.75) + (T(0.85) - T(0.75)) * t;
    }
}

// 255 x c truncated; a NaN or a channel past the ends is held at 0 or 255.
template <typename T>
uint8_t ChannelByte(T c)
{
    const T scaled = T(255) * c;
    if (!(scaled > 0)) return 0;
    if (scaled >= 255) return 255;
    return static_cast<uint8_t>(static_cast<int>(scaled));
}

template <void (*Channels)(float, float*)>
ColourRamp BuildRamp()
{
    ColourRamp ramp;
    ramp.reserve(kColourRampEntries);
    float v = -1.0f;
    for (int k = 0; k < kColourRampEntries; ++k, v += 1.0f / 256.0f) {
        float c[3];
        Channels(v, c);
        ramp.push_back(ColourRampEntry{float(ChannelByte(c[0])), float(ChannelByte(c[1])), float(ChannelByte(c[2])), v});
    }
    return ramp;
}

}  // namespace

ColourRamp BuildTemperatureRamp() { return BuildRamp<TemperatureChannels<float>>(); }

ColourRamp BuildPrecipitationRamp() { return BuildRamp<PrecipitationChannels<float>>(); }

void TemperatureColour(double v, uint8_t rgb[3])
{
    double c[3];
    TemperatureChannels(v, c);
    for (int i = 0; i < 3; ++i) rgb[i] = ChannelByte(c[i]);
}

void PrecipitationColour(double v, uint8_t rgb[3])
{
    double c[3];
    PrecipitationChannels(v, c);
    for (int i = 0; i < 3; ++i) rgb[i] = ChannelByte(c[i]);
}

float NearestRampValue(const ColourRamp& ramp, uint8_t red, uint8_t green, uint8_t blue)
{
    float best = 100000.0f;
    float value = -1.0f;
    const float r = red, g = green, b = blue;
    for (const ColourRampEntry& entry : ramp) {
        const float sum = std::fabs(entry.red - r) + std::fabs(entry.green - g) + std::fabs(entry.blue - b);
        if (sum < best) {
            best = sum;
            value = entry.value;
        }
    }
    return value;
}

// ---------------------------------------------------------------------------
// Biomes
// ---------------------------------------------------------------------------
const LandscapeBiome kLandscapeBiomes[kLandscapeBiomeCount] = {
    {35, 114, 94, u"CubeBorealForest", u"BorealForest"},
    {34, 61, 53, u"CubeTemperateRoainforest", u"TemplerateRainforest"},
    {33, 77, 41, u"CubeRainforest", u"Rainforest"},
    {68, 179, 106, u"CubeTemperateForest", u"TemperateForest"},
    {106, 144, 38, u"CubeSeasonalForest", u"SeasonalForest"},
    {190, 255, 242, u"CubeTundra", u"Tundra"},
    {184, 200, 98, u"CubeSavanna", u"Savanna"},
    {188, 161, 53, u"CubeTropicalWoodland", u"TropicalWoodland"},
    {255, 255, 178, u"CubeDesert", u"Desert"},
};

int FindLandscapeBiome(uint8_t red, uint8_t green, uint8_t blue)
{
    for (int i = 0; i < kLandscapeBiomeCount; ++i) {
        const LandscapeBiome& biome = kLandscapeBiomes[i];
        if (biome.red == red && biome.green == green && biome.blue == blue) return i;
    }
    return -1;
}

std::vector<std::u16string> AbsentBiomeLines(const bool present[kLandscapeBiomeCount])
{
    std::vector<std::u16string> lines;
    for (int i = 0; i < kLandscapeBiomeCount; ++i)
        if (!present[i]) lines.emplace_back(kLandscapeBiomes[i].statusLine);
    return lines;
}

// ---------------------------------------------------------------------------
// Biome graph
// ---------------------------------------------------------------------------
void BiomeGraph::Texel(uint32_t gx, uint32_t gy, uint8_t out[4]) const
{
    if (gx >= width || gy >= height) {
        out[0] = out[1] = out[2] = out[3] = 0;
        return;
    }
    const uint8_t* texel = rgba.data() + (static_cast<size_t>(gy) * width + gx) * 4;
    std::copy(texel, texel + 4, out);
}

bool BiomeGraphFromTga(const CTgaImage& tga, BiomeGraph& graph, std::string& error)
{
    if (tga.bitsPerPixel != 24 && tga.bitsPerPixel != 32) {
        error = "not a 24- or 32-bit picture";
        return false;
    }
    if (tga.width == 0 || tga.height == 0 || tga.width > kBiomeGraphLargestSide ||
        tga.height > kBiomeGraphLargestSide) {
        error = "picture size " + std::to_string(tga.width) + " x " + std::to_string(tga.height) + " refused";
        return false;
    }
    // 24-bit texels are packed at 3 bytes in both of the reader's layouts.
    const size_t stride = tga.bitsPerPixel / 8;
    const size_t texels = static_cast<size_t>(tga.width) * tga.height;
    if (tga.pixels.size() < texels * stride) {
        error = "pixel data shorter than the picture";
        return false;
    }
    // Uncompressed texels are stored blue first, run-length ones red first.
    const int redAt = tga.compressed ? 0 : 2;
    const int blueAt = tga.compressed ? 2 : 0;
    graph.width = tga.width;
    graph.height = tga.height;
    graph.rgba.resize(texels * 4);
    for (size_t i = 0; i < texels; ++i) {
        const uint8_t* in = tga.pixels.data() + i * stride;
        uint8_t* out = graph.rgba.data() + i * 4;
        out[0] = in[redAt];
        out[1] = in[1];
        out[2] = in[blueAt];
        out[3] = stride == 4 ? in[3] : 255;
    }
    return true;
}

bool LoadBiomeGraph(const std::string& path, BiomeGraph& graph, std::string& error)
{
    try {
        const CTgaImage tga(path);
        return BiomeGraphFromTga(tga, graph, error);
    } catch (const std::exception& failure) {
        // std::invalid_argument with the reader's message, or no memory.
        error = failure.what();
    }
    return false;
}

void BiomeGraphCell(float t, float p, uint32_t width, uint32_t height, uint32_t& gx, uint32_t& gy)
{
    const auto cell = [](float value, uint32_t side) -> uint32_t {
        if (side == 0) return 0;
        const float scaled = (value + 1.0f) * 0.5f * static_cast<float>(side - 1);
        if (!(scaled > 0.0f)) return 0;
        return std::min(static_cast<uint32_t>(scaled), side - 1);
    };
    gx = cell(t, width);
    gy = cell(p, height);
}
