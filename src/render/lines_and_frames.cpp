// Lines, the cursor marker and the selection frames.
//
// Index:
//   - Cache slots, colours and helpers
//   - Recency and the placement pose
//   - Line pass set-up, CScene::RenderLines, CScene::RenderCursorMarker
//   - CScene::RenderFrames
#include "render/lines_and_frames.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "core/grid_snap.h"
#include "core/matrix4.h"
#include "graphics/driver.h"
#include "graphics/gpu_registry.h"
#include "graphics/render_set.h"
#include "platform/clock.h"
#include "render/constant_buffers.h"
#include "render/object_passes.h"
#include "render/render_caches.h"
#include "scene/scene.h"
#include "world/block_type.h"
#include "world/line.h"
#include "world/object.h"
#include "world/object_part.h"
#include "world/polygons_grid.h"
#include "world/world.h"

namespace {

// ---------------------------------------------------------------------------
// Cache slots, colours and helpers
// ---------------------------------------------------------------------------

// These passes' slots in the scene's render caches, past the blocks that
// render_caches.h hands out.
constexpr int kSlotBase = 1200;
enum ShaderSlot : int { kLineVertexShader = kSlotBase, kLinePixelShader, kFrameVertexShader, kFramePixelShader };
enum BufferSlot : int {
    kLineCameraBuffer = kSlotBase,
    kLineColourBuffer,
    kWorldBuffer,
    kFrameCameraBuffer,
    kFrameColourBuffer,
};
enum StateSlot : int { kAlwaysDepth = kSlotBase, kNormalSampler, kNormalBlend, kAlphaBlend };

constexpr ShaderFloat4 kLinePassColour{0.8f, 0.5f, 0.3f, 1.0f};
constexpr ShaderFloat4 kCurveColour{0.5f, 0.5f, 0.3f, 1.0f};
constexpr ShaderFloat4 kDrawingCurveColour{0.95f, 0.1f, 0.1f, 1.0f};
constexpr ShaderFloat4 kActiveCurveColour{0.5f, 0.21f, 0.1f, 15.0f};
constexpr ShaderFloat4 kControlPointColour{0.5f, 0.5f, 0.3f, 1.0f};
constexpr ShaderFloat4 kSelectedControlPointColour{0.95f, 0.1f, 0.1f, 1.0f};
constexpr ShaderFloat4 kCursorMarkerColour{0.95f, 0.3f, 0.3f, 1.0f};
constexpr ShaderFloat4 kPlacementFrameColour{0.2f, 0.59f, 0.9f, 0.4f};
constexpr ShaderFloat4 kSelectedFrameColour{0.2f, 0.99f, 0.2f, 0.4f};
constexpr ShaderFloat4 kDraggedFrameColour{0.8f, 0.9f, 0.1f, 0.4f};

constexpr float kHomogeneousLimit = 1e-5f;

template <class Entry, class LookUp>
Entry* Cached(Entry*& slot, LookUp lookUp)
{
    if (!slot) slot = lookUp();
    return slot;
}

Matrix4 Translation(const Vector3& point)
{
    Matrix4 matrix;
    matrix.SetIdentity();
    matrix.m[12] = point.x;
    matrix.m[13] = point.y;
    matrix.m[14] = point.z;
    return matrix;
}

// (p, 1) x m with the homogeneous divide, skipped when |w| < 1e-5.
Vector3 Transform(const Matrix4& matrix, const Vector3& p)
{
    const float* m = matrix.m;
    const float x = p.x * m[0] + p.y * m[4] + p.z * m[8] + m[12];
    const float y = p.x * m[1] + p.y * m[5] + p.z * m[9] + m[13];
    const float z = p.x * m[2] + p.y * m[6] + p.z * m[10] + m[14];
    const float w = p.x * m[3] + p.y * m[7] + p.z * m[11] + m[15];
    if (std::fabs(w) < kHomogeneousLimit) return Vector3{x, y, z};
    return Vector3{x / w, y / w, z / w};
}

float Dot(const Vector3& a, const Vector3& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }

}  // namespace

// ---------------------------------------------------------------------------
// Recency and the placement pose
// ---------------------------------------------------------------------------

bool IsRecentThrow(uint32_t lastThrowTime, uint32_t now)
{
    return lastThrowTime != 0 && now - lastThrowTime < kFrameHoldAfterThrow;
}

void PosePlacementObject(CNBObject& object, const BlockType* type, const Vector3& point, Vector3 normal)
{
    Matrix4 pose;
    pose.SetIdentity();
    if (type) RotateByBlockAngles(pose, *type);
    pose.m[12] = point.x;
    pose.m[13] = point.y;
    pose.m[14] = point.z;

    const ObjectPart* part = object.GetPart(0);
    const CPolygonsGrid* mesh = part ? part->mainMesh : nullptr;
    if (mesh && mesh->positions && mesh->vertexCount > 0) {
        normal.Normalize();
        const float plane = Dot(point, normal);
        float lowest = std::numeric_limits<float>::max();
        for (int i = 0; i < mesh->vertexCount; ++i)
            lowest = std::min(lowest, Dot(Transform(pose, mesh->positions[i]), normal) - plane);
        if (std::isfinite(lowest)) {
            pose.m[12] = point.x - lowest * normal.x;
            pose.m[13] = point.y - lowest * normal.y;
            pose.m[14] = point.z - lowest * normal.z;
        }
    }
    object.WorldMatrix = pose;
}

// ---------------------------------------------------------------------------
// Lines and the cursor marker
// ---------------------------------------------------------------------------

namespace {

// What the line and marker draws bind, once set up.
struct LinePass {
    ConstantBufferEntry* worldBuffer = nullptr;
    ConstantBufferEntry* colourBuffer = nullptr;
};

// The common set-up of the line pass and the cursor marker; false when a
// "3dline.fx" shader is missing and the pass ends.
bool BeginLinePass(CScene& scene, LinePass& pass)
{
    CWorld& world = *scene.world;
    CDriver& driver = *scene.driver;
    RenderCaches& caches = scene.renderCaches;

    driver.SetDepthStencilState(
        Cached(caches.states[kAlwaysDepth], [&] { return world.FindDepthStencilState(u"always"); }));
    ConstantBufferEntry* cameraBuffer = Cached(caches.constantBuffers[kLineCameraBuffer],
                                               [&] { return world.FindConstantBuffer(u"ConstantBufferLine"); });
    const ConstantBufferLine camera{ShaderMatrixOf(scene.mainCamera.viewMatrix),
                                    ShaderMatrixOf(scene.mainCamera.projectionMatrix)};
    driver.UpdateConstantBuffer(cameraBuffer, &camera);
    pass.colourBuffer = Cached(caches.constantBuffers[kLineColourBuffer],
                               [&] { return world.FindConstantBuffer(u"PSConstantBufferLine"); });
    const PSConstantBufferLine colour{kLinePassColour};
    driver.UpdateConstantBuffer(pass.colourBuffer, &colour);

    ShaderEntry* vertexShader =
        Cached(caches.shaders[kLineVertexShader], [&] { return world.FindVertexShader(u"3dline.fx"); });
    ShaderEntry* pixelShader =
        Cached(caches.shaders[kLinePixelShader], [&] { return world.FindPixelShader(u"3dline.fx"); });
    if (!vertexShader || !pixelShader) return false;
    driver.SetVertexShader(vertexShader);
    driver.SetPixelShader(pixelShader);
    driver.SetVertexConstantBuffer(0, cameraBuffer);
    driver.SetPixelConstantBuffer(0, pass.colourBuffer);
    driver.SetPixelSampler(0, Cached(caches.states[kNormalSampler], [&] { return world.FindSamplerState(u"normal"); }));
    driver.SetBlendState(Cached(caches.states[kNormalBlend], [&] { return world.FindBlendState(u"normal"); }));

    pass.worldBuffer = Cached(caches.constantBuffers[kWorldBuffer],
                              [&] { return world.FindConstantBuffer(u"ConstantBufferWorldMatrix"); });
    Matrix4 identity;
    identity.SetIdentity();
    const ConstantBufferWorldMatrix placed{ShaderMatrixOf(identity)};
    driver.UpdateConstantBuffer(pass.worldBuffer, &placed);
    driver.SetVertexConstantBuffer(1, pass.worldBuffer);
    if (driver.HasDevice()) driver.state->context->IASetPrimitiveTopology(gpu::PRIMITIVE_TOPOLOGY_LINELIST);
    return true;
}

void SetLineColour(CDriver& driver, const LinePass& pass, const ShaderFloat4& colour)
{
    const PSConstantBufferLine data{colour};
    driver.UpdateConstantBuffer(pass.colourBuffer, &data);
}

void SetWorldMatrix(CDriver& driver, ConstantBufferEntry* worldBuffer, const Matrix4& matrix)
{
    const ConstantBufferWorldMatrix data{ShaderMatrixOf(matrix)};
    driver.UpdateConstantBuffer(worldBuffer, &data);
}

}  // namespace

void CScene::RenderLines()
{
    if (!world || !driver) return;
    LinePass pass;
    if (!BeginLinePass(*this, pass)) return;
    Matrix4 identity;
    identity.SetIdentity();

    for (const CLine* line : world->lines) {
        if (!line || line->pointCount <= 1) continue;
        SetWorldMatrix(*driver, pass.worldBuffer, identity);
        if (line->LineType == kPolyline || line->LineType == kRoundedCurve || line->LineType == kBSpline) {
            if (!line->renderSet) continue;
            const ShaderFloat4& colour = line == world->drawingLine ? kDrawingCurveColour
                                         : line->active            ? kActiveCurveColour
                                                                   : kCurveColour;
            SetLineColour(*driver, pass, colour);
            driver->DrawRenderSet(line->renderSet);
        }
        if (!world->cursorMarker || !line->points) continue;
        for (int m = 0; m < line->pointCount; ++m) {
            SetWorldMatrix(*driver, pass.worldBuffer, Translation(line->points[m]));
            const bool selected = static_cast<size_t>(m) < line->pointMarks.size() && line->pointMarks[m];
            SetLineColour(*driver, pass, selected ? kSelectedControlPointColour : kControlPointColour);
            driver->DrawRenderSet(world->cursorMarker);
        }
    }
}

void CScene::RenderCursorMarker()
{
    if (!world || !driver || !cursorSpriteShown) return;
    LinePass pass;
    if (!BeginLinePass(*this, pass)) return;
    if (!world->cursorMarker) return;
    SetWorldMatrix(*driver, pass.worldBuffer, Translation(cursor3D));
    SetLineColour(*driver, pass, kCursorMarkerColour);
    driver->DrawRenderSet(world->cursorMarker);
}

// ---------------------------------------------------------------------------
// Frames
// ---------------------------------------------------------------------------

namespace {

struct FramePass {
    ShaderEntry* vertexShader = nullptr;
    ShaderEntry* pixelShader = nullptr;
    ConstantBufferEntry* cameraBuffer = nullptr;
    ConstantBufferEntry* colourBuffer = nullptr;
    ConstantBufferEntry* worldBuffer = nullptr;
    ConstantBufferEntry* blend = nullptr;
};

FramePass LookUpFramePass(CScene& scene)
{
    CWorld& world = *scene.world;
    RenderCaches& caches = scene.renderCaches;
    FramePass pass;
    pass.vertexShader =
        Cached(caches.shaders[kFrameVertexShader], [&] { return world.FindVertexShader(u"frame.fx"); });
    pass.pixelShader = Cached(caches.shaders[kFramePixelShader], [&] { return world.FindPixelShader(u"frame.fx"); });
    pass.cameraBuffer = Cached(caches.constantBuffers[kFrameCameraBuffer],
                               [&] { return world.FindConstantBuffer(u"ConstantBufferFrame"); });
    pass.colourBuffer = Cached(caches.constantBuffers[kFrameColourBuffer],
                               [&] { return world.FindConstantBuffer(u"PSConstantBufferFrame"); });
    pass.worldBuffer = Cached(caches.constantBuffers[kWorldBuffer],
                              [&] { return world.FindConstantBuffer(u"ConstantBufferWorldMatrix"); });
    pass.blend = Cached(caches.states[kAlphaBlend], [&] { return world.FindBlendState(u"alphablend"); });
    return pass;
}

// The object's own geometry once more in the frame colour, lifted towards
// the viewer by the depth-biased rasterizer state.
void DrawFrame(CScene& scene, const FramePass& pass, const CNBObject* object, const ShaderFloat4& colour)
{
    if (!object || !scene.driver) return;
    CDriver& driver = *scene.driver;
    const CCamera& camera = scene.mainCamera;
    ConstantBufferFrame cameraData{};
    cameraData.view = ShaderMatrixOf(camera.viewMatrix);
    cameraData.projection = ShaderMatrixOf(camera.projectionMatrix);
    cameraData.eye = ShaderPoint(camera.position);
    driver.UpdateConstantBuffer(pass.cameraBuffer, &cameraData);
    driver.SetVertexConstantBuffer(0, pass.cameraBuffer);
    const PSConstantBufferFrame colours{colour, ShaderFloat4{0.8f, 0.8f, 0.8f, 1.0f},
                                        ShaderFloat4{0.24f, 0.24f, 0.24f, 1.0f}};
    driver.UpdateConstantBuffer(pass.colourBuffer, &colours);
    driver.SetPixelConstantBuffer(0, pass.colourBuffer);
    SetWorldMatrix(driver, pass.worldBuffer, object->WorldMatrix);
    driver.SetVertexConstantBuffer(1, pass.worldBuffer);
    driver.SetVertexShader(pass.vertexShader);
    driver.SetPixelShader(pass.pixelShader);
    driver.SetBlendState(pass.blend);

    if (!driver.HasDevice()) return;
    gpu::Context* context = driver.state->context;
    context->RSSetState(driver.state->depthBiasRasterizerState);
    for (int p = 0; object->Parts && p < object->PartCount; ++p) {
        const CPolygonsGrid* mesh = object->Parts[p].mainMesh;
        if (!mesh || !mesh->textures[0]) continue;
        const int slots = std::min(mesh->renderSetSlots, kVertexFormatSlots);
        for (int slot = 0; slot < slots; ++slot)
            if (RenderSet* set = mesh->GetRenderSet(slot)) driver.DrawRenderSet(set);
    }
    context->RSSetState(driver.state->rasterizerState);
}

}  // namespace

void CScene::RenderFrames()
{
    if (!world) return;
    const bool recent = IsRecentThrow(lastThrowTime, platform::TimeGetTime());
    const FramePass pass = LookUpFramePass(*this);
    // Missing shaders only stop the drawing: others read the preview
    // object's placement pose, so it is updated regardless.
    const bool drawing = driver && pass.vertexShader && pass.pixelShader;
    if (drawing) UseTriangleLists(*driver);

    CNBObject* placement = world->previewObject;
    if (FlagOn(kFlagShowGhostObject) && world->currentBlockType && placement && !recent) {
        Vector3 hitPoint;
        Vector3 placementPoint;
        Vector3 normal;
        int staticFlag = 0;
        PickAtCursor(hitPoint, placementPoint, normal, staticFlag);
        const Vector3 point = FlagOn(kFlagSnapToGrid) ? SnapToGrid(hitPoint, options.sceneValueA) : hitPoint;
        PosePlacementObject(*placement, world->currentBlockType, point, normal);
        if (drawing) DrawFrame(*this, pass, placement, kPlacementFrameColour);
    }
    if (!drawing) return;

    if (selectedObject && FlagOn(kFlagShowPickedObject) && !recent && selectedObject->Kind != 1)
        DrawFrame(*this, pass, selectedObject,
                  selectedObject == draggedObject ? kDraggedFrameColour : kSelectedFrameColour);
    if (draggedObject && draggedObject != selectedObject)
        DrawFrame(*this, pass, draggedObject, kDraggedFrameColour);
}
