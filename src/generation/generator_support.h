// What the object generators share: the prototype's measures, the guarded
// reading of the settings, the stacking of preview objects, the world's
// rectangle, and the preview builders of each generator type (one file per
// generator). Internal to src/generation/.
#pragma once

#include <cstdint>

#include "core/vector3.h"
#include "generation/generator_settings.h"

class CScene;
class CWorld;
class CNBObject;
class CLine;
struct BlockType;

// The current block type's measures as the generators use them.
struct PrototypeMeasures {
    Vector3 extent;          // size per axis times the scene's object scale (ex, ey, ez)
    float rotatedHeight = 0; // |y| of the extent turned by the block type's default angles (Hy)
    float rotatedDepth = 0;  // |z| of it (Dz)
    float diagonal = 0;      // length of the unscaled size
};
PrototypeMeasures MeasurePrototype(const BlockType& type, const Vector3& objectScale);

// A setting read again within its slider's range; NaN gives the low end.
float ClampSetting(float value, GeneratorRange range);
// A float count truncated toward zero and kept within 0..kMaxGeneratedObjects
// (not finite or negative: 0).
int CountOf(double value);
// A float truncated toward zero and kept within +-1e9 (NaN: 0), for
// coordinates that become integers.
int TruncatedCoordinate(double value);

// The bounding rectangle (x and z) of the world's objects' world boxes.
// False for a world without an object with a usable box.
struct WorldRectangle {
    float minX = 0, minZ = 0, maxX = 0, maxZ = 0;
};
bool MeasureWorldRectangle(const CWorld& world, WorldRectangle& out);

// Makes preview objects of the world's current block type and appends them to
// the scene's preview list, never more than kMaxGeneratedObjects in all.
class PreviewStacker {
public:
    PreviewStacker(CScene& scene, const PrototypeMeasures& measures, float height, float heightOffset);
    // Stacks int(height) objects (1..25) at (x, z) on base height b: level k
    // at b + k * ey + k * heightOffset, its centre raised by Hy / 2. Each new
    // object's transform is first rotated by `yawDegrees[0..yawCount)` about
    // the vertical axis, in order. False once the cap is reached or an object
    // cannot be made (the run stops).
    bool Stack(const Vector3& place, const float* yawDegrees, int yawCount);

private:
    CScene& scene_;
    const PrototypeMeasures& measures_;
    int levels_;
    float levelRise_;
};

// Destroys every preview object and empties the list.
void DestroyPreviewObjects(CScene& scene);
// Turns the preview objects into world objects (bodies, sectors), with colour
// runs of "rainbow_N.dds" when `colourful`; then destroys the previews.
void CreateFromPreviews(CScene& scene, bool colourful);
// Creates the Perlin positions from the field prototype with the Perlin
// "Physics Enable"; destroys the position object, empties the positions.
void CreateFromPositions(CScene& scene);

// The preview builders of GenerateObjects' types.
void PreviewDirectLine(CScene& scene, const PrototypeMeasures& measures);
void PreviewCircle(CScene& scene, const PrototypeMeasures& measures);
void PreviewSpline(CScene& scene, const PrototypeMeasures& measures);
void PreviewPerlinField(CScene& scene, const PrototypeMeasures& measures);

// The automatic scene's path: 10 to 14 steps of adding a point (x, 0.1, z)
// inside the rectangle shrunk by a seventh of its size on every side, each
// turning 37 to 75 degrees from the previous segment.
void DrawAutoScenePath(CLine& line, const WorldRectangle& rectangle);

// The run length of a colour run is drawn from this range.
inline constexpr int kColourRunShortest = 3;
inline constexpr int kColourRunLongest = 7;
