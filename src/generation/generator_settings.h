// The object generators' settings and working state in the scene
// (CScene::generator). The "Generate Objects" and "Auto Scene Geenrator"
// windows edit the settings; the generators read them as they stand and clamp
// them again to the windows' slider ranges (the k...Range constants below), so
// a value typed past a slider's end cannot make a huge or endless run.
//
// Values that are scene flags live in the scene's flag table, not here:
//   41 "Dynamic Preview" (the Perlin positions are drawn while set)
//   42 "Randomize Noise" (CScene::RandomizePerlinTable draws only while set)
//   43 "3D Noise"
//   231 "Physics Enable" of the direct-line, circle and spline objects
//   232 "Physics Enable" of the Perlin objects
//   313 / 314 preview objects are shown, 315 step mode (0 "Auto", 1 "Fixed")
//
// Sections: direct line - circle and spiral - spline and along-line -
// Perlin field - automatic scene - working state - slider ranges.
#pragma once

#include <cstdint>

#include "core/vector3.h"

class CLine;
struct BlockType;

// Curve kinds of the spline generator ("Line" combo) and the line types they give.
enum SplineCurveKind : uint8_t { kCurveLine = 0, kCurveBezier = 1, kCurveNurbs = 2 };

// Generator types of CScene::GenerateObjects and its modes.
enum GeneratorType : int { kGenerateDirectLine = 0, kGenerateCircle = 1, kGenerateSpline = 2, kGeneratePerlin = 3 };
enum GeneratorMode : int { kGeneratorClear = -1, kGeneratorPreview = 0, kGeneratorCreate = 1 };

// No generator run makes more objects than this, whatever its settings say.
inline constexpr int kMaxGeneratedObjects = 100000;

struct ObjectGeneratorSettings {
    ObjectGeneratorSettings() = default;
    // Deletes the generated spline.
    ~ObjectGeneratorSettings();
    ObjectGeneratorSettings(const ObjectGeneratorSettings&) = delete;
    ObjectGeneratorSettings& operator=(const ObjectGeneratorSettings&) = delete;

    // Deletes the generated spline and forgets it, so the next spline preview
    // draws a new one (the Spline tab's "ReGenerate").
    void ReleaseGeneratedSpline();

    // ---- direct line (type 0) ----
    float lineLengthCount = 1.0f;     // "Length Object Num", 0..100
    float lineLengthOffset = 0.0f;    // "Length Offset", -10..10: gap added to the depth along the line
    float lineWidthCount = 1.0f;      // "Width Objects", 1..100: rows side by side
    float lineWidthOffset = 0.0f;     // "Width Offset", -10..10: gap between rows
    float lineHeight = 1.0f;          // "Height", 1..25: objects stacked per place
    float lineHeightOffset = 0.0f;    // "Height Offset", 0..2: extra rise per stack level
    float lineAngle = 0.0f;           // "Angle", 0..360: heading in degrees
    uint8_t lineDynamicOrientation = 1;  // "Dynamic Orientation": objects turned by the angle
    uint8_t lineColorful = 0;         // "Colorful": colour runs when created

    // ---- circle and spiral (type 1) ----
    float circleRadius = 5.0f;        // "Radius", 0.2..50
    float circleObjectNum = 10.0f;    // "Object Num", 0..400
    float circleStartAngleOffset = 0.0f;  // "Start Angle Offset", 0..360: first angle
    float circleFullAngle = 360.0f;   // "Full Angle", 0..360: arc covered
    uint8_t circleSpiral = 0;         // "Spiral"
    float circleFullTurnNum = 1.0f;   // "Full Turn Num", 0..5: whole turns added (spiral)
    float circleRadiusStep = 2.0f;    // "Radius Step", 0..5: radius growth per 360 degrees (spiral)
    uint8_t circleInverse = 0;        // "Inverse": the spiral runs with decreasing angle
    float circleHeight = 1.0f;        // "Height", 1..25
    float circleHeightOffset = 0.0f;  // "Height Offset", 0..2
    float circleStartAngle = 0.0f;    // "Start Angle", 0..180: extra turn of every object
    uint8_t circleDynamicOrientation = 1;  // "Dynamic Orientation": objects face along the circle
    uint8_t circleColorful = 0;       // "Colorful"

    // ---- spline (type 2) and the along-line tools ----
    float splineMaxSegments = 25.0f;  // "Max Segments", 1..250: upper bound of points
    float splineMaxXStep = 10.0f;     // "Max X Step", 0..20: largest step in x
    float splineMaxYStep = 10.0f;     // "Max Y Step", 0..20: largest step in z
    uint8_t splineCurveKind = kCurveLine;  // "Line" combo: SplineCurveKind
    uint8_t splineRectLimits = 0;     // "Rect Limits": points kept in a rectangle around the cursor
    float splineRectLimitWidth = 50.0f;   // "Rect Limit Width", 10..250
    float splineRectLimitHeight = 50.0f;  // "Rect Limit Height", 10..250
    // "Fixed Step", 0..5: spacing along a line in fixed step mode (flag 315),
    // shared with the Ext Tool Box's "Generate Along Spline".
    float fixedStep = 1.0f;
    float splineHeight = 1.0f;        // "Height", 1..25
    float splineHeightOffset = 0.0f;  // "Height Offset", 0..2
    uint8_t splineColorful = 0;       // "Colorful"

    // ---- Perlin field (type 3) ----
    float perlinTextureSizeX = 32.0f; // "Texture Size X", 0..64: grid cells in x
    float perlinTextureSizeY = 32.0f; // "Texture Size Y", 0..64: grid cells in z
    float perlinScale = 20.0f;        // "Scale", 1..100: noise coordinate divisor
    float perlinOctaves = 1.0f;       // "Octaves", 1..20
    float perlinPersistence = 1.0f;   // "Persistence", 1..100: amplitude factor per octave
    float perlinLacunarity = 1.0f;    // "Lacunarity", 1..100: frequency factor per octave
    float perlinHeight = 10.0f;       // "Height", 0..100: height scale
    float perlinOffsetX = 64000.0f;   // "Perlin Offset X", 0..100000
    float perlinOffsetY = 64000.0f;   // "Perlin Offset Y", 0..100000

    // ---- automatic scene ----
    float autoSceneIterations = 1.0f; // "Iterations", 1..10: runs per "Generate"

    // ---- working state ----
    CLine* generatedSpline = nullptr; // owned: the random spline of type 2 between previews
    uint8_t alongLineRequest = 0;     // set before GenerateAlongLine / GenerateAlongGivenLine; they clear it
    BlockType* fieldPrototype = nullptr;  // borrowed: the block type of the Perlin positions
    uint8_t fieldDirty = 0;           // the Perlin tab changed: the next Perlin preview rebuilds
    Vector3 fieldOrigin;              // corner of the Perlin field (the 3D cursor at its preview)
};

// The sliders' ranges, which the generators clamp to again.
struct GeneratorRange {
    float low;
    float high;
};
inline constexpr GeneratorRange kLineLengthCountRange{0.0f, 100.0f};
inline constexpr GeneratorRange kLineOffsetRange{-10.0f, 10.0f};
inline constexpr GeneratorRange kLineWidthCountRange{1.0f, 100.0f};
inline constexpr GeneratorRange kStackHeightRange{1.0f, 25.0f};
inline constexpr GeneratorRange kStackHeightOffsetRange{0.0f, 2.0f};
inline constexpr GeneratorRange kAngleRange{0.0f, 360.0f};
inline constexpr GeneratorRange kCircleRadiusRange{0.2f, 50.0f};
inline constexpr GeneratorRange kCircleObjectNumRange{0.0f, 400.0f};
inline constexpr GeneratorRange kCircleFullTurnRange{0.0f, 5.0f};
inline constexpr GeneratorRange kCircleRadiusStepRange{0.0f, 5.0f};
inline constexpr GeneratorRange kCircleStartAngleRange{0.0f, 180.0f};
inline constexpr GeneratorRange kSplineMaxSegmentsRange{1.0f, 250.0f};
inline constexpr GeneratorRange kSplineMaxStepRange{0.0f, 20.0f};
inline constexpr GeneratorRange kSplineRectLimitRange{10.0f, 250.0f};
inline constexpr GeneratorRange kFixedStepRange{0.0f, 5.0f};
inline constexpr GeneratorRange kPerlinTextureSizeRange{0.0f, 64.0f};
inline constexpr GeneratorRange kPerlinScaleRange{1.0f, 100.0f};
inline constexpr GeneratorRange kPerlinOctavesRange{1.0f, 20.0f};
inline constexpr GeneratorRange kPerlinFactorRange{1.0f, 100.0f};  // persistence, lacunarity
inline constexpr GeneratorRange kPerlinHeightRange{0.0f, 100.0f};
inline constexpr GeneratorRange kPerlinOffsetRange{0.0f, 100000.0f};
inline constexpr GeneratorRange kAutoSceneIterationsRange{1.0f, 10.0f};
