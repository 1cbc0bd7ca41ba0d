// The Perlin field generator (type 3): a grid of cells at the 3D cursor,
// each raised by multi-octave Perlin noise, as single positions or (with
// "3D Noise") columns. Only positions are kept; the preview passes draw the
// one position object at each, and creating turns them into objects.
#include <algorithm>
#include <cmath>

#include "generation/generator_support.h"
#include "generation/noise.h"
#include "scene/scene.h"
#include "world/world.h"

namespace {

// How far above and below the field's height the ground is looked for, in
// heights.
constexpr float kGroundProbeHeights = 10.0f;

struct FieldSettings {
    int cellsX;
    int cellsZ;
    double scale;
    int octaves;
    double persistence;
    double lacunarity;
    float height;
    double offsetX;
    double offsetY;
};

FieldSettings ReadSettings(const ObjectGeneratorSettings& s)
{
    return FieldSettings{CountOf(ClampSetting(s.perlinTextureSizeX, kPerlinTextureSizeRange)),
                         CountOf(ClampSetting(s.perlinTextureSizeY, kPerlinTextureSizeRange)),
                         ClampSetting(s.perlinScale, kPerlinScaleRange),
                         CountOf(ClampSetting(s.perlinOctaves, kPerlinOctavesRange)),
                         ClampSetting(s.perlinPersistence, kPerlinFactorRange),
                         ClampSetting(s.perlinLacunarity, kPerlinFactorRange),
                         ClampSetting(s.perlinHeight, kPerlinHeightRange),
                         ClampSetting(s.perlinOffsetX, kPerlinOffsetRange),
                         ClampSetting(s.perlinOffsetY, kPerlinOffsetRange)};
}

// The octaves' sum at cell (i, j), as 2 x sum / octaves.
double FieldValue(const FieldSettings& f, int i, int j)
{
    double sum = 0.0;
    double amplitude = 1.0;
    double frequency = 1.0;
    for (int octave = 0; octave < f.octaves; ++octave) {
        const double x = f.offsetX + frequency * i / f.scale;
        const double y = f.offsetY + frequency * j / f.scale;
        sum += amplitude * PerlinNoise3(x, y, 0.0);
        amplitude *= f.persistence;
        frequency *= f.lacunarity;
    }
    return 2.0 * sum / f.octaves;
}

bool Full(const CScene& scene) { return scene.previewPositions.size() >= static_cast<size_t>(kMaxGeneratedObjects); }

}  // namespace

void PreviewPerlinField(CScene& scene, const PrototypeMeasures& measures)
{
    ObjectGeneratorSettings& s = scene.generator;
    if (!s.fieldDirty) return;
    s.fieldDirty = 0;
    s.fieldPrototype = scene.world->currentBlockType;
    s.fieldOrigin = scene.cursor3D;
    scene.previewPositions.clear();
    ReloadNoiseWorkingTable();

    const FieldSettings f = ReadSettings(s);
    if (f.octaves < 1) return;
    const Vector3& origin = s.fieldOrigin;
    const Vector3& e = measures.extent;
    const bool columns = scene.FlagOn(kFlagNoise3D);
    for (int i = 0; i < f.cellsX; ++i) {
        for (int j = 0; j < f.cellsZ; ++j) {
            const double v = FieldValue(f, i, j);
            if (!(v >= 0.0)) continue;
            const float top = origin.y + f.height * static_cast<float>(v);
            const float x = origin.x + static_cast<float>(i) * e.x;
            const float z = origin.z + static_cast<float>(j) * e.z;
            float y = top;

            PickRay ray;
            ray.start[0] = ray.end[0] = x;
            ray.start[2] = ray.end[2] = z;
            ray.start[1] = y + kGroundProbeHeights * f.height;
            ray.end[1] = y - kGroundProbeHeights * f.height;
            Vector3 hit, placement, normal;
            int staticFlag = 0;
            if (scene.PickByRay(ray, hit, placement, normal, staticFlag)) y = columns ? hit.y : y - hit.y;

            if (!columns) {
                if (Full(scene)) return;
                scene.previewPositions.push_back(Vector3{x, y + e.y / 2.0f, z});
                continue;
            }
            const int count = CountOf(top);
            float level = y + e.y / 2.0f;
            for (int k = 0; k < count; ++k) {
                if (k > 0) {
                    level += e.y;
                    if (level > top || level < 0.0f) break;
                }
                if (Full(scene)) return;
                scene.previewPositions.push_back(Vector3{x, level, z});
            }
        }
    }
}
