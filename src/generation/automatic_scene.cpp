// The automatic scene (CScene::GenerateAutoScene): a B-spline path laid with
// the current block type plus a small tower of two demo block types, both
// kept within the rectangle the world's objects span, so an empty world gets
// nothing. Also the line tool's vertex at the mouse cursor
// (CScene::AddLineVertexAtCursor).
//
// Index: path - tower - CScene::GenerateAutoScene - CScene::AddLineVertexAtCursor
#include <algorithm>
#include <cmath>
#include <vector>

#include "core/random.h"
#include "generation/generator_support.h"
#include "scene/scene.h"
#include "world/block_type.h"
#include "world/line.h"
#include "world/world.h"

namespace {

constexpr int kShortestPath = 10;
constexpr int kLongestPath = 14;
constexpr int kAttemptsPerPoint = 250;
constexpr float kPathHeight = 0.1f;
constexpr int kPathSubdivision = 10;
constexpr int kSmallestTurn = 37;   // degrees
constexpr int kTurnSpread = 38;     // degrees added at most
constexpr float kSharpestTurn = 75.0f;

// The world's rectangle with whole-number sizes and the inner part the path
// keeps to.
struct AutoArea {
    WorldRectangle outer;
    int w = 0;
    int h = 0;
    float innerMinX = 0, innerMaxX = 0, innerMinZ = 0, innerMaxZ = 0;

    bool InnerHolds(float x, float z) const
    {
        return x >= innerMinX && x <= innerMaxX && z >= innerMinZ && z <= innerMaxZ;
    }
};

AutoArea AreaOf(const WorldRectangle& r)
{
    AutoArea area;
    area.outer = r;
    area.w = TruncatedCoordinate(static_cast<double>(r.maxX) - r.minX);
    area.h = TruncatedCoordinate(static_cast<double>(r.maxZ) - r.minZ);
    area.innerMinX = r.minX + static_cast<float>(area.w / 7);
    area.innerMaxX = std::max(area.innerMinX, r.maxX - static_cast<float>(area.w / 7));
    area.innerMinZ = r.minZ + static_cast<float>(area.h / 7);
    area.innerMaxZ = std::max(area.innerMinZ, r.maxZ - static_cast<float>(area.h / 7));
    return area;
}

float Dot(const Vector3& a, const Vector3& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }

// The angle between a and b in degrees; 0 when either has no length.
float AngleBetween(Vector3 a, Vector3 b)
{
    if (!(a.Length() > 0.0f) || !(b.Length() > 0.0f)) return 0.0f;
    a.Normalize();
    b.Normalize();
    return std::acos(std::clamp(Dot(a, b), -1.0f, 1.0f)) * kRadiansToDegrees;
}

// ---------------------------------------------------------------------------
// Path
// ---------------------------------------------------------------------------

// One candidate for the next point, or false when it is refused.
bool NextPathPoint(const CLine& line, const AutoArea& area, Vector3& candidate)
{
    if (line.pointCount < 2) {
        candidate = Vector3{static_cast<float>(RandomInt(TruncatedCoordinate(area.innerMinX),
                                                         TruncatedCoordinate(area.innerMaxX))),
                            kPathHeight,
                            static_cast<float>(RandomInt(TruncatedCoordinate(area.innerMinZ),
                                                         TruncatedCoordinate(area.innerMaxZ)))};
        return true;
    }
    const Vector3& last = line.points[line.pointCount - 1];
    const Vector3 previousStep = Vector3::Sub(last, line.points[line.pointCount - 2]);
    const int turn = kSmallestTurn + RandomInt(0, kTurnSpread);
    const int sign = RandomInt(0, 10) > 4 ? -1 : 1;
    Vector3 d = previousStep;
    const Vector3 up{0.0f, 1.0f, 0.0f};
    Vector3::RotateAboutAxis(up, static_cast<float>(sign * turn), d);
    const float length = d.Length();
    const int newLength = RandomInt(TruncatedCoordinate(0.2 * length), TruncatedCoordinate(1.25 * length));
    d.Normalize();
    d = Vector3::Scale(d, static_cast<float>(newLength));
    candidate = Vector3{last.x + d.x, kPathHeight, last.z + d.z};
    if (!area.InnerHolds(candidate.x, candidate.z)) return false;
    const Vector3 step{candidate.x - last.x, kPathHeight - last.y, candidate.z - last.z};
    return !(AngleBetween(previousStep, step) > kSharpestTurn);
}

}  // namespace

void DrawAutoScenePath(CLine& line, const WorldRectangle& rectangle)
{
    const AutoArea area = AreaOf(rectangle);
    const int budget = RandomInt(kShortestPath, kLongestPath);
    for (int i = 0; i < budget; ++i) {
        for (int attempt = 0; attempt < kAttemptsPerPoint; ++attempt) {
            Vector3 candidate;
            if (!NextPathPoint(line, area, candidate)) continue;
            Vector3* point = line.AddPoint();
            if (point) *point = candidate;
            break;
        }
    }
}

namespace {

// ---------------------------------------------------------------------------
// Tower
// ---------------------------------------------------------------------------

void SetAngles(BlockType& type, float yaw)
{
    type.pitch = 0.0f;
    type.roll = 0.0f;
    type.yaw = yaw;
}

void BuildTower(CScene& scene, const AutoArea& area)
{
    CWorld& world = *scene.world;
    BlockType* lower = world.FindBlockType(u"DemoBlockColor1");
    BlockType* upper = world.FindBlockType(u"DemoBlockColor2");
    if (!lower || !upper) return;
    const Vector3& scale = scene.options.previewScale;
    const float a = (lower->boundsMax.x - lower->boundsMin.x) * scale.x;
    const float b = (lower->boundsMax.y - lower->boundsMin.y) * scale.y;
    if (!std::isfinite(a) || !std::isfinite(b)) return;  // a block type without vertices has no size
    const WorldRectangle& r = area.outer;
    const float cx = static_cast<float>(RandomInt(TruncatedCoordinate(r.minX + 0.1 * area.w),
                                                  TruncatedCoordinate(r.maxX - 0.1 * area.w)));
    const float cz = static_cast<float>(RandomInt(TruncatedCoordinate(r.minZ + 0.1 * area.h),
                                                  TruncatedCoordinate(r.maxZ - 0.1 * area.h)));
    const int levels = 5 + RandomInt(0, 5);
    float y = b / 2.0f;
    for (int level = 0; level < levels; ++level) {
        SetAngles(*lower, 0.0f);
        SetAngles(*upper, 0.0f);
        scene.CreateObjectFromBlockType(lower, 1, 1, cx, y, cz, 0.0f, 0.0f, 0.0f);
        scene.CreateObjectFromBlockType(lower, 1, 1, cx, y, cz + 0.8f * a, 0.0f, 0.0f, 0.0f);
        const float top = y + b;
        SetAngles(*upper, 90.0f);
        scene.CreateObjectFromBlockType(upper, 1, 1, cx - 0.4f * a, top, cz + 0.4f * a, 0.0f, 0.0f, 0.0f);
        scene.CreateObjectFromBlockType(upper, 1, 1, cx + 0.4f * a, top, cz + 0.4f * a, 0.0f, 0.0f, 0.0f);
        y = top + b;
    }
}

}  // namespace

// ---------------------------------------------------------------------------
// CScene::GenerateAutoScene
// ---------------------------------------------------------------------------

void CScene::GenerateAutoScene()
{
    if (!world) return;
    WorldRectangle rectangle;
    // An empty world covers no area to fill.
    if (!MeasureWorldRectangle(*world, rectangle)) return;
    const AutoArea area = AreaOf(rectangle);

    CLine* line = new CLine;
    if (!line) return;
    line->driver = driver;
    DrawAutoScenePath(*line, rectangle);
    line->LineType = kBSpline;
    line->samplesPerSpan = kPathSubdivision;
    line->CreateDriverRenderSet();
    try {
        world->lines.push_back(line);
    } catch (...) {
        delete line;
        return;
    }
    for (CLine* other : world->lines)
        if (other) other->active = 0;
    line->active = 1;

    const bool borrowed = world->currentBlockType == nullptr;
    if (borrowed) {
        world->currentBlockType = world->FindBlockType(u"TitleBlack");
        if (!world->currentBlockType && !world->blockTypes.empty()) world->currentBlockType = world->blockTypes.front();
    }
    // The path's objects go through the preview list; previews the
    // "Generate Objects" window shows meanwhile wait aside, so they are
    // neither created in place of the path nor lost.
    std::vector<CNBObject*> waiting;
    waiting.swap(previewObjects);
    generator.alongLineRequest = 1;
    GenerateAlongLine(1);
    DestroyPreviewObjects(*this);
    previewObjects.swap(waiting);
    if (borrowed) world->currentBlockType = nullptr;

    world->DeleteLine(line);
    BuildTower(*this, area);
    world->AssignSectors();
}

// ---------------------------------------------------------------------------
// CScene::AddLineVertexAtCursor
// ---------------------------------------------------------------------------

void CScene::AddLineVertexAtCursor()
{
    if (!world) return;
    Vector3 hit, placement, normal;
    int staticFlag = 0;
    PickAtCursor(hit, placement, normal, staticFlag);
    if (!world->drawingLine && !world->selectedLine) world->BeginLine();
    CLine* line = world->drawingLine ? world->drawingLine : world->selectedLine;
    if (!line) return;
    line->driver = driver;
    Vector3* point = line->AddPoint();
    if (!point) return;
    *point = Vector3{hit.x, hit.y + 0.1f, hit.z};
    line->CreateDriverRenderSet();
}
