// The block types' turning preview pictures.
//
// Index:
//   - Cache slots and constants
//   - Size, angle and camera
//   - One block type's picture (object, targets, drawing)
//   - CScene::RenderBlockPreviews, ReleaseBlockPreviews
#include "render/block_previews.h"

#include <cmath>

#include "core/vector3.h"
#include "graphics/driver.h"
#include "graphics/gpu_texture.h"
#include "graphics/texture.h"
#include "render/object_passes.h"
#include "scene/camera.h"
#include "scene/scene.h"
#include "world/block_type.h"
#include "world/object.h"
#include "world/world.h"

namespace {

// ---------------------------------------------------------------------------
// Cache slots and constants
// ---------------------------------------------------------------------------

// This pass's slots in the scene's render caches, past the blocks that
// render_caches.h hands out.
constexpr int kSlotBase = 1400;
enum StateSlot : int { kAlwaysDepth = kSlotBase, kNormalSampler, kNormalBlend };

// The picture's background, opaque green (0, 200, 0), shows around the object.
constexpr float kBackground[4] = {0.0f, 0.7843137f, 0.0f, 1.0f};

constexpr float kDistanceFactor = 1.2f;   // eye distance per unit of size
constexpr float kFarFactor = 1.5f;        // far plane per unit of eye distance
constexpr float kNearDistance = 0.1f;
constexpr float kViewAngleDegrees = 45.0f;
constexpr float kMinimumViewAngle = 0.008726646f;  // half a degree, in radians
constexpr float kElevation = 0.9599311f;           // 55 degrees from the vertical, in radians
// A size so large that its distance is no longer a number the projection can
// use is drawn from here instead.
constexpr float kMaximumDistance = 1.0e6f;

template <class Entry, class LookUp>
Entry* Cached(Entry*& slot, LookUp lookUp)
{
    if (!slot) slot = lookUp();
    return slot;
}

bool SameScale(const Vector3& a, const Vector3& b) { return a.x == b.x && a.y == b.y && a.z == b.z; }

}  // namespace

// ---------------------------------------------------------------------------
// Size, angle and camera
// ---------------------------------------------------------------------------

float BlockPreviewSize(const BlockType& type, const Vector3& scale)
{
    const Vector3 box = Vector3::Sub(type.boundsMax, type.boundsMin);
    const Vector3 scaled{box.x * scale.x, box.y * scale.y, box.z * scale.z};
    return scaled.Length();
}

float AdvanceBlockPreviewAngle(float angleDegrees, float frameTime)
{
    if (!std::isfinite(angleDegrees)) angleDegrees = 0.0f;
    if (!std::isfinite(frameTime) || frameTime <= 0.0f) return angleDegrees;
    // Kept small, so hours of turning do not wear away the float's precision.
    const float angle = std::fmod(angleDegrees + frameTime * kBlockPreviewTurnRate, 360.0f);
    return angle < 0.0f ? angle + 360.0f : angle;
}

void SetUpBlockPreviewCamera(CCamera& camera, float size, float angleDegrees)
{
    float distance = kDistanceFactor * size;
    if (!std::isfinite(distance) || distance < kBlockPreviewMinimumDistance) distance = kBlockPreviewMinimumDistance;
    if (distance > kMaximumDistance) distance = kMaximumDistance;

    const float a = angleDegrees * kDegreesToRadians;
    const Vector3 eye{distance * std::sin(kElevation) * std::cos(a), distance * std::cos(kElevation),
                      distance * std::sin(kElevation) * std::sin(a)};
    camera.position = eye;

    Vector3 toCentre = eye.Negate();
    toCentre.Normalize();
    Vector3 horizontal{eye.x, 0.0f, eye.z};
    if (horizontal.Normalize() < 1e-8f) horizontal = Vector3{1.0f, 0.0f, 0.0f};
    camera.SetOrientation(toCentre, Vector3{-horizontal.z, 0.0f, horizontal.x});

    camera.farDistance = kFarFactor * distance;
    camera.nearDistance = kNearDistance;
    camera.fieldOfView = kViewAngleDegrees;
    camera.verticalViewAngle =
        std::fmax((kViewAngleDegrees + camera.angleOffsets[0]) * kDegreesToRadians, kMinimumViewAngle);
    camera.horizontalViewAngle =
        std::fmax((kViewAngleDegrees + camera.angleOffsets[1]) * kDegreesToRadians, kMinimumViewAngle);
    camera.UpdateViewMatrix();
    camera.UpdateProjectionMatrix();
    camera.UpdateFrustum();
}

// ---------------------------------------------------------------------------
// One block type's picture
// ---------------------------------------------------------------------------

namespace {

// The preview object at the scene's preview scale, with the world's textures
// linked afresh (a texture chosen since shows at once). False when it cannot
// be made.
bool PrepareObject(CScene& scene, BlockType& type)
{
    BlockPreview& preview = type.preview;
    if (preview.object && !SameScale(preview.object->Scale, scene.options.previewScale)) {
        CNBObject::Delete(preview.object);
        preview.object = nullptr;
    }
    if (!preview.object) {
        // Not in the world's lists, without a body, at the origin.
        preview.object = scene.CreateObjectFromBlockType(&type, 0, 0, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f);
        if (!preview.object) return false;
    }
    scene.world->LinkObjectTextures(preview.object);
    return true;
}

CTexture* NewTarget()
{
    CTexture* texture = new CTexture;
    if (!texture) return nullptr;
    texture->width = kBlockPreviewSide;
    texture->height = kBlockPreviewSide;
    return texture;
}

// The colour and depth targets, made on the first visit. A pair made while
// there was no device has no GPU objects: it is made again once a device
// exists. False when the colour record cannot be had.
bool PrepareTargets(CDriver* driver, BlockPreview& preview)
{
    const bool device = driver && driver->HasDevice();
    if (preview.picture && (preview.picture->gpu || !device)) return true;
    preview.ReleaseTargets();
    preview.driver = driver;
    preview.picture = NewTarget();
    if (!preview.picture) return false;
    preview.picture->kind = kTextureColorTarget;
    preview.depth = NewTarget();
    if (preview.depth) {
        preview.depth->SetName(u"shadowmap");
        preview.depth->bitsPerPixel = 32;
        preview.depth->kind = kTextureDepthTarget;
    }
    if (!device) return true;
    driver->CreateRenderTarget(preview.picture);
    driver->CreateColorShaderView(preview.picture);
    driver->CreateColorTargetView(preview.picture);
    if (preview.depth) {
        preview.depth->gpu = new GpuTexture;
        if (preview.depth->gpu) driver->CreateDepthTarget(preview.depth);
    }
    return true;
}

// Draws the object into its picture with the camera turned on by
// `frameTime`. The scene camera is the picture's camera while the object is
// drawn.
void DrawPicture(CScene& scene, BlockPreview& preview, float size, float frameTime)
{
    CDriver* driver = scene.driver;
    const bool target = driver && driver->HasDevice() && preview.picture->gpu && preview.picture->gpu->targetView;
    gpu::Viewport keptViewport;
    uint32_t keptViewports = 1;
    if (target) {
        gpu::Context* context = driver->state->context;
        context->RSGetViewports(&keptViewports, &keptViewport);
        driver->PushRenderTarget(preview.picture, preview.depth);
        context->ClearRenderTargetView(preview.picture->gpu->targetView, kBackground);
        if (preview.depth && preview.depth->gpu && preview.depth->gpu->depthView)
            context->ClearDepthStencilView(preview.depth->gpu->depthView, gpu::CLEAR_DEPTH, 1.0f, 0);

        RenderCaches& caches = scene.renderCaches;
        CWorld& world = *scene.world;
        driver->SetDepthStencilState(
            Cached(caches.states[kAlwaysDepth], [&] { return world.FindDepthStencilState(u"always"); }));
        driver->SetPixelSampler(
            0, Cached(caches.states[kNormalSampler], [&] { return world.FindSamplerState(u"normal"); }));
        driver->SetBlendState(Cached(caches.states[kNormalBlend], [&] { return world.FindBlendState(u"normal"); }));
        UseTriangleLists(*driver);
        const gpu::Viewport viewport{0.0f, 0.0f, static_cast<float>(kBlockPreviewSide),
                                     static_cast<float>(kBlockPreviewSide), 0.0f, 1.0f};
        context->RSSetViewports(1, &viewport);
    }

    preview.angle = AdvanceBlockPreviewAngle(preview.angle, frameTime);
    CCamera camera;
    SetUpBlockPreviewCamera(camera, size, preview.angle);

    if (target) {
        const CCamera kept = scene.mainCamera;
        scene.mainCamera = camera;
        scene.RenderSingleObject(preview.object, &scene.mainCamera);
        scene.mainCamera = kept;
        driver->PopRenderTarget();
        if (keptViewports > 0) driver->state->context->RSSetViewports(keptViewports, &keptViewport);
    }
}

void RenderBlockPreview(CScene& scene, BlockType& type, float frameTime)
{
    BlockPreview& preview = type.preview;
    // Targets made with an earlier driver are released through it first.
    if (preview.driver != scene.driver) preview.ReleaseTargets();
    preview.driver = scene.driver;
    if (!PrepareObject(scene, type)) return;
    if (!PrepareTargets(scene.driver, preview)) return;
    DrawPicture(scene, preview, BlockPreviewSize(type, scene.options.previewScale), frameTime);
}

}  // namespace

// ---------------------------------------------------------------------------
// CScene::RenderBlockPreviews, ReleaseBlockPreviews
// ---------------------------------------------------------------------------

void CScene::RenderBlockPreviews(int which)
{
    if (!world) return;
    const bool all = which == -1;
    const Vector3 keptScale = options.previewScale;
    if (all) options.previewScale = Vector3{1.0f, 1.0f, 1.0f};
    // Only the pictures drawn every frame turn. One drawn for every block
    // type at once is a still at the angle it has: the frame rate of that
    // moment (a reload, a new device) must not turn the whole library.
    const float frameTime = all ? 0.0f : timing.FrameTime();

    const BlockType* shown = FlagOn(kFlagBlocksWindow) ? world->pickedBlockType : nullptr;
    for (BlockType* type : world->blockTypes) {
        if (!type) continue;
        if (all || type == world->currentBlockType || type == shown) RenderBlockPreview(*this, *type, frameTime);
    }

    if (all) options.previewScale = keptScale;
}

void ReleaseBlockPreviews(CWorld& world)
{
    for (BlockType* type : world.blockTypes)
        if (type) type->preview.Release();
}
