// The cube landscape: at most one cube per column of an n x n grid, its
// height from a noise field and its block type from a biome. Biomes are
// decided per Voronoi cell (seeds relaxed once): the cell's averages of two
// equalised noise pictures, temperature and precipitation, index the biome
// graph. Each picture made on the way is kept in a landscape image slot of
// the scene.
//
// Index: images and noise pictures - LandscapeLevel / PlaceLandscapeCubes -
// the landscape's steps - CScene::GenerateLandscapeScene
#include "generation/cube_landscape.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <new>
#include <string>
#include <unordered_map>
#include <vector>

#include "generation/landscape_images.h"
#include "generation/landscape_voronoi.h"
#include "generation/noise.h"
#include "graphics/texture.h"
#include "platform/files.h"
#include "scene/scene.h"
#include "shell/log.h"
#include "shell/start_directory.h"
#include "world/block_type.h"
#include "world/sector.h"
#include "world/world.h"

namespace {

// Slot numbers of the landscape images.
enum LandscapeSlot : int {
    kVoronoiSlot = 1,
    kRelaxedSlot,
    kGreyNoiseSlot,
    kTemperatureSlot,
    kPrecipitationSlot,
    kTemperatureEqualisedSlot,
    kPrecipitationEqualisedSlot,
    kTemperatureCellsSlot,
    kPrecipitationCellsSlot,
    kBiomeSlot,
    kHeightSlot,
};

// Noise frequencies across the picture, and the height field's scale.
constexpr double kGreyNoiseFrequency = 50.0;
constexpr double kClimateFrequency = 3.0;
constexpr double kHeightScale = 40.0;

void LogLandscape(const std::string& why) { WriteLog("Error: CScene::GenerateLandscapeScene() " + why); }

uint8_t GreyOf(double noise)
{
    const double g = (noise + 1.0) * 0.5 * 255.0;
    if (!(g > 0.0)) return 0;
    return g >= 255.0 ? 255 : static_cast<uint8_t>(static_cast<int>(g));
}

uint32_t ColourKey(uint8_t r, uint8_t g, uint8_t b) { return uint32_t{r} << 16 | uint32_t{g} << 8 | b; }

// ---------------------------------------------------------------------------
// Images and noise pictures
// ---------------------------------------------------------------------------
// A new zeroed image in the slot (emptied by the caller); null, logged, when
// it cannot be had.
CTexture* MakeSlot(CScene& scene, int slot, int n, const char16_t* name)
{
    CTexture* image = NewLandscapeImage(n, name);
    if (!image) {
        LogLandscape("no memory for image " + std::to_string(slot));
        return nullptr;
    }
    scene.landscapeImages.Put(slot, image, scene.driver);
    return image;
}

// A fresh random noise table (the "Randomize Noise" switch is turned on for
// it and stays on), loaded for the sampling that follows.
void DrawNewNoiseTable(CScene& scene)
{
    scene.Flag(kFlagRandomizeNoise) = 1;
    scene.RandomizePerlinTable();
    ReloadNoiseWorkingTable();
}

// Every texel (x outer, y inner) the colour of the noise at frequency / n.
template <typename Colour>
void PaintNoise(CTexture& image, int n, double frequency, Colour colour)
{
    uint8_t rgb[3];
    for (int x = 0; x < n; ++x)
        for (int y = 0; y < n; ++y) {
            colour(PerlinNoise3(frequency * x / n, frequency * y / n, 0.0), rgb);
            image.SetTexel(x, y, rgb[0], rgb[1], rgb[2], 255);
        }
}

}  // namespace

// ---------------------------------------------------------------------------
// LandscapeLevel, PlaceLandscapeCubes
// ---------------------------------------------------------------------------
int LandscapeLevel(float h, int maxHeight)
{
    const float level = h * static_cast<float>(maxHeight);
    if (!std::isfinite(level)) return -1;
    return static_cast<int>(level);  // toward zero: -0.5 is level 0
}

int PlaceLandscapeCubes(CScene& scene, const CTexture& biomeMap, const std::vector<float>& heights, int maxHeight,
                        bool present[kLandscapeBiomeCount])
{
    CWorld* world = scene.world;
    const int n = biomeMap.width;
    if (!world || n <= 0 || biomeMap.height != n || heights.size() < static_cast<size_t>(n) * n) return 0;

    BlockType* prototypes[kLandscapeBiomeCount];
    for (int i = 0; i < kLandscapeBiomeCount; ++i) prototypes[i] = world->FindBlockType(kLandscapeBiomes[i].prototype);

    // The cubes are static and at scale 1.
    const Vector3 savedScale = scene.options.previewScale;
    const uint8_t savedPhysics = scene.options.physicsActive;
    scene.options.previewScale = Vector3{1.0f, 1.0f, 1.0f};
    scene.options.physicsActive = 0;

    // Tens of thousands of static bodies: they enter the physics world
    // together once all are made.
    const size_t firstObject = world->objects.size();
    const bool bulk = scene.OpenBulkBodies();

    const Vector3 base = scene.cursor3D;
    int made = 0;
    for (int x = 0; x < n; ++x) {
        for (int y = 0; y < n; ++y) {
            uint8_t r = 0, g = 0, b = 0, a = 0;
            if (!biomeMap.GetPixel(x, y, r, g, b, a)) continue;
            const int biome = FindLandscapeBiome(r, g, b);
            if (biome < 0) continue;
            present[biome] = true;
            BlockType* prototype = prototypes[biome];
            if (!prototype) continue;
            const int level = LandscapeLevel(heights[LandscapeHeightIndex(n, x, y)], maxHeight);
            if (level < 0) continue;
            const float halfHeight = 0.5f * (prototype->boundsMax.y - prototype->boundsMin.y);
            const float columnX = base.x + static_cast<float>(y + 1);
            const float columnY = base.y + halfHeight + static_cast<float>(level);
            const float columnZ = base.z + static_cast<float>(x);
            if (scene.CreateObjectFromBlockType(prototype, 1, 1, columnX, columnY, columnZ, 0.0f, 0.0f, 0.0f)) ++made;
        }
    }

    if (bulk) scene.CloseBulkBodies(firstObject);
    scene.options.previewScale = savedScale;
    scene.options.physicsActive = savedPhysics;
    return made;
}

// ---------------------------------------------------------------------------
// The landscape's steps
// ---------------------------------------------------------------------------
namespace {

// Every picture, then the cubes. False (logged) when an image or the biome
// graph cannot be had; what was made so far stays.
bool BuildLandscape(CScene& scene, int n, int maxHeight, bool present[kLandscapeBiomeCount])
{
    CDriver* driver = scene.driver;
    const ColourRamp temperatureRamp = BuildTemperatureRamp();
    const ColourRamp precipitationRamp = BuildPrecipitationRamp();

    // Voronoi cells of random seeds, then one relaxation step.
    CTexture* voronoi = MakeSlot(scene, kVoronoiSlot, n, u"voronoi0");
    if (!voronoi) return false;
    std::vector<VoronoiSeed> seeds = DrawVoronoiSeeds(n);
    PaintVoronoiCells(*voronoi, seeds, true);
    UploadLandscapeImage(driver, voronoi);

    RelaxSeeds(seeds);
    CTexture* relaxed = MakeSlot(scene, kRelaxedSlot, n, u"voronoi0");
    if (!relaxed) return false;
    PaintVoronoiCells(*relaxed, seeds, false);
    UploadLandscapeImage(driver, relaxed);

    // Grey noise (shown only), temperature and precipitation, each from a
    // fresh noise table.
    CTexture* grey = MakeSlot(scene, kGreyNoiseSlot, n, u"voronoi0");
    if (!grey) return false;
    DrawNewNoiseTable(scene);
    PaintNoise(*grey, n, kGreyNoiseFrequency, [](double v, uint8_t rgb[3]) { rgb[0] = rgb[1] = rgb[2] = GreyOf(v); });
    UploadLandscapeImage(driver, grey);

    CTexture* temperature = MakeSlot(scene, kTemperatureSlot, n, u"temperaturenoise");
    if (!temperature) return false;
    DrawNewNoiseTable(scene);
    PaintNoise(*temperature, n, kClimateFrequency, TemperatureColour);
    UploadLandscapeImage(driver, temperature);

    CTexture* precipitation = MakeSlot(scene, kPrecipitationSlot, n, u"temperaturenoise");
    if (!precipitation) return false;
    DrawNewNoiseTable(scene);
    PaintNoise(*precipitation, n, kClimateFrequency, PrecipitationColour);
    UploadLandscapeImage(driver, precipitation);

    CTexture* temperatureEqualised = MakeSlot(scene, kTemperatureEqualisedSlot, n, u"temperaturenoise");
    if (!temperatureEqualised) return false;
    EqualizeImage(temperature, temperatureEqualised, driver);
    CTexture* precipitationEqualised = MakeSlot(scene, kPrecipitationEqualisedSlot, n, u"temperaturenoise");
    if (!precipitationEqualised) return false;
    EqualizeImage(precipitation, precipitationEqualised, driver);

    // Both equalised pictures averaged over each relaxed cell.
    const LandscapeCells cells = CollectCells(*relaxed);
    CTexture* temperatureCells = MakeSlot(scene, kTemperatureCellsSlot, n, u"temperaturenoise");
    if (!temperatureCells) return false;
    AverageOverCells(cells, *temperatureEqualised, *temperatureCells);
    UploadLandscapeImage(driver, temperatureCells);
    CTexture* precipitationCells = MakeSlot(scene, kPrecipitationCellsSlot, n, u"temperaturenoise");
    if (!precipitationCells) return false;
    AverageOverCells(cells, *precipitationEqualised, *precipitationCells);
    UploadLandscapeImage(driver, precipitationCells);

    // The biome map: each cell's temperature and precipitation, found back on
    // their ramps, pick a texel of the biome graph. A cell has one colour, so
    // each colour is looked up once.
    BiomeGraph graph;
    std::string error;
    if (!LoadBiomeGraph(platform::JoinPath(StartDirectory, kBiomeGraphFile), graph, error)) {
        LogLandscape(std::string(kBiomeGraphFile) + ": " + error);
        return false;
    }
    CTexture* biomes = MakeSlot(scene, kBiomeSlot, n, u"temperaturenoise");
    if (!biomes) return false;
    std::unordered_map<uint32_t, float> temperatureOf, precipitationOf;
    const auto rampValue = [](std::unordered_map<uint32_t, float>& known, const ColourRamp& ramp, uint8_t r,
                              uint8_t g, uint8_t b) {
        const auto [entry, added] = known.try_emplace(ColourKey(r, g, b), 0.0f);
        if (added) entry->second = NearestRampValue(ramp, r, g, b);
        return entry->second;
    };
    for (int x = 0; x < n; ++x) {
        for (int y = 0; y < n; ++y) {
            uint8_t r = 0, g = 0, b = 0, a = 0;
            temperatureCells->GetPixel(x, y, r, g, b, a);
            const float t = rampValue(temperatureOf, temperatureRamp, r, g, b);
            precipitationCells->GetPixel(x, y, r, g, b, a);
            const float p = rampValue(precipitationOf, precipitationRamp, r, g, b);
            uint32_t gx = 0, gy = 0;
            BiomeGraphCell(t, p, graph.width, graph.height, gx, gy);
            uint8_t texel[4];
            graph.Texel(gx, gy, texel);
            biomes->SetTexel(x, y, texel[0], texel[1], texel[2], texel[3]);
        }
    }
    UploadLandscapeImage(driver, biomes);

    // Heights from the precipitation's noise table, kept as floats.
    CTexture* heightImage = MakeSlot(scene, kHeightSlot, n, u"temperaturenoise");
    if (!heightImage) return false;
    std::vector<float> heights;
    heights.reserve(static_cast<size_t>(n) * n);
    for (int i = 0; i < n; ++i) {
        for (int j = 0; j < n; ++j) {
            const double h = PerlinNoise2(i / kHeightScale, j / kHeightScale);
            heights.push_back(static_cast<float>(h));
            const uint8_t g = GreyOf(h);
            heightImage->SetTexel(i, j, g, g, g, 255);
        }
    }
    UploadLandscapeImage(driver, heightImage);

    PlaceLandscapeCubes(scene, *biomes, heights, maxHeight, present);
    return true;
}

}  // namespace

// ---------------------------------------------------------------------------
// CScene::GenerateLandscapeScene
// ---------------------------------------------------------------------------
void CScene::GenerateLandscapeScene(int size, int maxHeight)
{
    if (!world) return;
    const int n = std::clamp(size, kLandscapeSizeMin, kLandscapeSizeMax);
    maxHeight = std::clamp(maxHeight, kLandscapeHeightMin, kLandscapeHeightMax);

    if (world->sectors.empty()) {
        for (int i = 0; i < kLandscapeSectors; ++i) {
            Sector* sector = new (std::nothrow) Sector;
            if (!sector) break;
            world->sectors.push_back(sector);
        }
    }
    landscapeImages.Release();

    // A landscape that stops early (no image, no graph) has made no cube,
    // and its status lines say so.
    bool present[kLandscapeBiomeCount] = {};
    const size_t objectsBefore = world->objects.size();
    const std::vector<CTexture*> texturesBefore = world->textures;
    BuildLandscape(*this, n, maxHeight, present);
    statusLines = AbsentBiomeLines(present);
    // Every object leaves here linked to the world's textures. Each cube was
    // linked as it was made; against an unchanged texture list a second look-up
    // finds the same, so only the objects from before go again, sparing a pass
    // over 150,000 cubes.
    if (world->textures != texturesBefore || world->objects.size() < objectsBefore) {
        world->LinkTextures();
        return;
    }
    for (size_t i = 0; i < objectsBefore; ++i) world->LinkObjectTextures(world->objects[i]);
    world->LinkObjectTextures(world->previewObject);
}
