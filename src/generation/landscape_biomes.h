// What turns the landscape's temperature and precipitation colours into
// biomes: the two colour ramps over the noise values -1..1, the nine biomes
// with their block types, and the biome graph picture
// ("temp-percp-graph.tga"), indexed by temperature across and precipitation
// down.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

class CTgaImage;

// ---------------------------------------------------------------------------
// Colour ramps
// ---------------------------------------------------------------------------
// One ramp entry: the colour bytes (as floats) of a noise value.
struct ColourRampEntry {
    float red = 0.0f;
    float green = 0.0f;
    float blue = 0.0f;
    float value = 0.0f;
};
using ColourRamp = std::vector<ColourRampEntry>;

// One entry per 1/256 step of the value, from -1 up to 1 inclusive.
inline constexpr int kColourRampEntries = 513;

// Temperature: pure blue for -1, a light green for 0, pure red for 1, and
// straight blends in between (the channel formulas are in the .cpp). Built in
// single precision; each channel is 255 x c, truncated.
ColourRamp BuildTemperatureRamp();
// Precipitation: dark blue for -1, a teal for 0, near white for 1, blended
// the same way.
ColourRamp BuildPrecipitationRamp();
// The same colours of a noise value in double precision, as the temperature
// and precipitation images use them; channels outside 0..255 (a value
// beyond -1..1) are held at the ends.
void TemperatureColour(double v, uint8_t rgb[3]);
void PrecipitationColour(double v, uint8_t rgb[3]);
// The value of the entry whose colour is nearest by the single-precision sum
// of absolute channel differences; the first of equally near entries wins.
// -1 when the ramp is empty.
float NearestRampValue(const ColourRamp& ramp, uint8_t red, uint8_t green, uint8_t blue);

// ---------------------------------------------------------------------------
// Biomes
// ---------------------------------------------------------------------------
struct LandscapeBiome {
    uint8_t red, green, blue;    // the colour of the biome map
    const char16_t* prototype;   // block type of the cubes
    const char16_t* statusLine;  // listed when no column has the biome
};
inline constexpr int kLandscapeBiomeCount = 9;
extern const LandscapeBiome kLandscapeBiomes[kLandscapeBiomeCount];

// The biome of exactly this colour, or -1.
int FindLandscapeBiome(uint8_t red, uint8_t green, uint8_t blue);
// The status lines of the biomes not present, in table order.
std::vector<std::u16string> AbsentBiomeLines(const bool present[kLandscapeBiomeCount]);

// ---------------------------------------------------------------------------
// Biome graph
// ---------------------------------------------------------------------------
// The graph's texels as red, green, blue, alpha, 4 bytes each, rows in the
// order the file stores them.
struct BiomeGraph {
    uint32_t width = 0;
    uint32_t height = 0;
    std::vector<uint8_t> rgba;

    // Texel (gx, gy): column gx of the gy-th stored row. Out of range: black,
    // alpha 0.
    void Texel(uint32_t gx, uint32_t gy, uint8_t out[4]) const;
};

// Sides beyond this are refused: the graph is a small lookup picture.
inline constexpr uint32_t kBiomeGraphLargestSide = 8192;

// The graph from a decoded TGA picture: 32-bit texels as they are, 24-bit
// ones with alpha 255, in the byte order the reader leaves (blue first for
// uncompressed files, red first for run-length ones). False, with the
// reason, for another depth, an empty or too large picture, or pixel data
// shorter than the picture.
bool BiomeGraphFromTga(const CTgaImage& tga, BiomeGraph& graph, std::string& error);
// Reads the graph file (narrow path). False, with the reader's message or
// the reason it cannot be used, when it cannot.
bool LoadBiomeGraph(const std::string& path, BiomeGraph& graph, std::string& error);

// The graph texel for a temperature t and precipitation p (-1..1):
// gx = truncation of (t + 1) / 2 x (width - 1), gy likewise with p and the
// height, each held inside the graph.
void BiomeGraphCell(float t, float p, uint32_t width, uint32_t height, uint32_t& gx, uint32_t& gy);
