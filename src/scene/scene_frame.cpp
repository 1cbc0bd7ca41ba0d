// The scene frame: the fixed road of one frame of a running world
// (RenderFrame), the model view that replaces it while flag 16 is set
// (RenderModelView), and the recovery from a lost device.
//
// Index: cache slots and helpers - render caches - RenderFrame (fresh-drop
// release, sector upkeep, the passes, present) - RenderModelView - lost
// device
#include <imgui.h>

#include <algorithm>
#include <iterator>
#include <string>

#include "graphics/driver.h"
#include "graphics/gpu_registry.h"
#include "graphics/texture.h"
#include "input/input.h"
#include "platform/clock.h"
#include "platform/imgui_backends.h"
#include "render/block_previews.h"
#include "render/constant_buffers.h"
#include "render/render_caches.h"
#include "scene/scene.h"
#include "shell/game.h"
#include "shell/log.h"
#include "world/block_type.h"
#include "world/line.h"
#include "world/object.h"
#include "world/object_part.h"
#include "world/polygons_grid.h"
#include "world/world.h"

namespace {

// ---------------------------------------------------------------------------
// Cache slots and helpers
// ---------------------------------------------------------------------------

// The frame's own slots of the render caches (below RenderCaches::kFrameCacheSlots).
enum FrameShaderSlot : int { kModelViewVertexShader, kModelViewPixelShader };
enum FrameBufferSlot : int {
    kModelViewCameraBuffer,
    kModelViewColourBuffer,
    kModelViewWorldBuffer,
    kModelViewMaterialBuffer,
};
enum FrameStateSlot : int { kDefaultDepthState, kModelViewSampler, kModelViewBlend };

constexpr uint32_t kFreshDropHold = 3000;        // ms after the last mark before marks are released
constexpr uint32_t kFreshDropStep = 50;          // ms between two released marks
constexpr uint32_t kSectorReassignPeriod = 120000;
constexpr uint32_t kSectorUpdatePeriod = 1000;
constexpr uint32_t kLostDeviceWait = 300;

// The slot's entry, looked up while the slot is still empty.
template <class Entry, class LookUp>
Entry* Cached(Entry*& slot, LookUp lookUp)
{
    if (!slot) slot = lookUp();
    return slot;
}


bool DeviceReady(const CDriver* driver)
{
    return driver && driver->HasDevice() && driver->state->swapChain;
}

void SetTriangleLists(CDriver& driver)
{
    if (driver.HasDevice()) driver.state->context->IASetPrimitiveTopology(gpu::PRIMITIVE_TOPOLOGY_TRIANGLELIST);
}

// The generators' previews are the scene's own objects, but their meshes link
// to the world's textures and hold render sets of the device: both go before
// the device does. The position object is made again from the field
// prototype when the positions are next drawn; the spline keeps its points.
void ReleasePreviewDeviceObjects(CScene& scene)
{
    for (CNBObject* object : scene.previewObjects) {
        if (!object) continue;
        object->ReleaseGpuRenderSets();
        object->ReleaseAuxRenderSets();
        for (int p = 0; object->Parts && p < object->PartCount; ++p)
            for (CPolygonsGrid* mesh : {object->Parts[p].mainMesh, object->Parts[p].furtherMeshes[0],
                                        object->Parts[p].furtherMeshes[1], object->Parts[p].furtherMeshes[2]})
                if (mesh) std::fill(std::begin(mesh->textures), std::end(mesh->textures), nullptr);
    }
    CNBObject::Delete(scene.positionObject);
    scene.positionObject = nullptr;
    CLine* spline = scene.generator.generatedSpline;
    if (spline && spline->renderSet && spline->driver) spline->driver->ReleaseRenderSetBuffers(spline->renderSet);
}

// The previews on the new device, linked to the world's new textures.
void RemakePreviewDeviceObjects(CScene& scene)
{
    for (CNBObject* object : scene.previewObjects) {
        if (!object) continue;
        object->Driver = scene.driver;
        object->PrepareRenderSets(Vector3{});
        scene.world->LinkObjectTextures(object);
    }
    if (CLine* spline = scene.generator.generatedSpline) {
        spline->driver = scene.driver;
        spline->CreateDriverRenderSet();
    }
}

// Presents with the driver's sync setting. Any non-zero result counts as a
// failure, status codes included. What the frame shows is seen from then on.
bool Present(CDriver& driver, CGame* game)
{
    if (!DeviceReady(&driver)) return false;
    const bool presented = driver.state->swapChain->Present(driver.verticalSync ? 1 : 0, 0) == S_OK;
    if (game && game->input) game->input->router.NoteFramePresented();
    return presented;
}

}  // namespace

// ---------------------------------------------------------------------------
// Render caches
// ---------------------------------------------------------------------------
void RenderCaches::Clear()
{
    std::fill(std::begin(shaders), std::end(shaders), nullptr);
    std::fill(std::begin(constantBuffers), std::end(constantBuffers), nullptr);
    std::fill(std::begin(states), std::end(states), nullptr);
}

// ---------------------------------------------------------------------------
// RenderFrame
// ---------------------------------------------------------------------------
void CScene::RenderFrame()
{
    if (FlagOn(kFlagModelView)) {
        RenderModelView();
        return;
    }
    const uint32_t now = platform::TimeGetTime();

    // Fresh-drop marks go again one object at a time, starting a while after
    // the last mark.
    if (dropsMade && now - lastDropMarkTime > kFreshDropHold && now - lastReleaseStepTime > kFreshDropStep) {
        lastReleaseStepTime = now;
        if (world) {
            const auto marked = std::find_if(world->objects.begin(), world->objects.end(),
                                             [](const CNBObject* object) { return object && object->FreshDrop; });
            if (marked != world->objects.end()) (*marked)->FreshDrop = 0;
        }
    }

    ProcessDropQueue();

    if (world) {
        if (now - lastSectorReassignTime > kSectorReassignPeriod) {
            lastSectorReassignTime = now;
            world->AssignSectors();
        } else if (now - lastSectorUpdateTime > kSectorUpdatePeriod) {
            world->UpdateObjectSectors();
            lastSectorUpdateTime = now;
        }
    }

    MoveViewer();
    // Whatever saves the world later in the frame (the editor windows, the
    // backup) writes the viewer as it stands now.
    StoreCameraBlock();
    if (!driver) return;
    // A device that could not be made again is tried once more each frame;
    // nothing is drawn or presented without one.
    if (deviceLost || !DeviceReady(driver)) {
        platform::Sleep(kLostDeviceWait);
        if (!RecoverLostDevice()) return;
    }

    CullView();
    UpdateProjection(mainCamera);
    ConstantBufferEntry* depthDefault = Cached(renderCaches.states[kDefaultDepthState], [this] {
        return world ? world->FindDepthStencilState(u"default") : nullptr;
    });
    driver->SetDepthStencilState(depthDefault);

    timing.MeasureFps();
    AnimateObjects();
    ReleaseMovedBodies(0);
    StepPhysics();

    if (shadowsOn) RenderShadowMap();
    RenderBlockPreviews(1);

    driver->Clear(17, 170, 250);
    SetTriangleLists(*driver);
    driver->SetDepthStencilState(depthDefault);

    CollectMeshKinds();
    if (world) world->ProjectLabels(mainCamera);
    RenderSkyBox();

    const bool positionsShown = FlagOn(kFlagDynamicPreview) && !previewPositions.empty();
    const bool objectsShown = FlagOn(kFlagGenerateAlongSpline) || FlagOn(kFlagGeneratorPreview);
    if (shadowsOn) {
        RenderShadowedPass();
        RenderShadowedSkinnedPass();
        RenderShadowedAlphaPass();
        if (positionsShown) RenderPreviewPositionsShadowed();
        if (objectsShown) RenderPreviewObjectsShadowed();
    } else {
        RenderDefaultPass();
        RenderSkinnedPass();
        RenderAlphaPass();
        if (positionsShown) RenderPreviewPositions();
        if (objectsShown) RenderPreviewObjects();
    }

    RenderFrames();
    SetTriangleLists(*driver);
    RenderCursorSprite();
    RenderLines();
    RenderCursorMarker();

    DrawUserInterface();
    UpdateObjectSounds();
    BackupWorld();
    timing.TickFrameClock();
    frameClock = timing.sceneClock;

    if (!Present(*driver, game)) {
        platform::Sleep(kLostDeviceWait);
        RecoverLostDevice();
    }
    timing.LimitFrameRate();
}

// ---------------------------------------------------------------------------
// RenderModelView
// ---------------------------------------------------------------------------
void CScene::RenderModelView()
{
    MoveViewer();
    if (!driver) return;
    if (deviceLost || !DeviceReady(driver)) {
        platform::Sleep(kLostDeviceWait);
        if (!RecoverLostDevice()) return;
    }
    timing.MeasureFps();
    UpdateProjection(modelViewCamera);

    ConstantBufferEntry* cameraBuffer = Cached(renderCaches.constantBuffers[kModelViewCameraBuffer], [this] {
        return world ? world->FindConstantBuffer(u"ConstantBufferDef") : nullptr;
    });
    ConstantBufferEntry* colourBuffer = Cached(renderCaches.constantBuffers[kModelViewColourBuffer], [this] {
        return world ? world->FindConstantBuffer(u"PSConstantBufferDef") : nullptr;
    });
    if (cameraBuffer) {
        const ConstantBufferDef camera{ShaderMatrixOf(modelViewCamera.viewMatrix),
                                       ShaderMatrixOf(modelViewCamera.projectionMatrix),
                                       ShaderPoint(modelViewCamera.position),
                                       ShaderPoint(LightPosition),
                                       ShaderFloat4{1.0f, 0.0f, 0.0f, 0.0f},
                                       ShaderFloat4{1000000.0f, 1000000.0f, 1000000.0f, 1.0f}};
        driver->UpdateConstantBuffer(cameraBuffer, &camera);
        const PSConstantBufferDef colours{ShaderFloat4{0.3f, 0.3f, 0.3f, 1.0f}, ShaderFloat4{0.8f, 0.8f, 0.8f, 1.0f},
                                          ShaderFloat4{0.24f, 0.24f, 0.24f, 1.0f}};
        driver->UpdateConstantBuffer(colourBuffer, &colours);
    }

    driver->Clear(150, 150, 30);
    SetTriangleLists(*driver);

    ShaderEntry* vertexShader = Cached(renderCaches.shaders[kModelViewVertexShader], [this] {
        return world ? world->FindVertexShader(u"default.fx") : nullptr;
    });
    ShaderEntry* pixelShader = Cached(renderCaches.shaders[kModelViewPixelShader], [this] {
        return world ? world->FindPixelShader(u"default.fx") : nullptr;
    });
    if (!vertexShader || !pixelShader) return;
    driver->SetVertexShader(vertexShader);
    driver->SetPixelShader(pixelShader);
    driver->SetVertexConstantBuffer(0, cameraBuffer);
    driver->SetPixelConstantBuffer(0, colourBuffer);
    driver->SetPixelSampler(0, Cached(renderCaches.states[kModelViewSampler], [this] {
        return world->FindSamplerState(u"normal");
    }));
    driver->SetBlendState(Cached(renderCaches.states[kModelViewBlend], [this] {
        return world->FindBlendState(u"normal");
    }));

    if (CNBObject* object = world->modelViewObject) {
        Matrix4 matrix = object->WorldMatrix;
        if (world->currentBlockType) RotateByBlockAngles(matrix, *world->currentBlockType);
        ConstantBufferEntry* worldBuffer = Cached(renderCaches.constantBuffers[kModelViewWorldBuffer], [this] {
            return world->FindConstantBuffer(u"ConstantBufferWorldMatrix");
        });
        const ConstantBufferWorldMatrix placed{ShaderMatrixOf(matrix)};
        driver->UpdateConstantBuffer(worldBuffer, &placed);
        driver->SetVertexConstantBuffer(1, worldBuffer);
        // The shader reads the specular power here too: without its own, the
        // object would shine with whatever the last object drawn before it
        // left in the slot (or nothing, on a new device).
        ConstantBufferEntry* materialBuffer = Cached(renderCaches.constantBuffers[kModelViewMaterialBuffer], [this] {
            return world->FindConstantBuffer(u"ConstantBufferMaterialSM");
        });
        const float p = object->Power;
        const ConstantBufferMaterialSM material{ShaderFloat4{p, p, p, 1.0f}, ShaderFloat4{1.0f, 1.0f, 1.0f, 1.0f}};
        driver->UpdateConstantBuffer(materialBuffer, &material);
        driver->SetVertexConstantBuffer(2, materialBuffer);
        for (int p = 0; object->Parts && p < object->PartCount; ++p) {
            CPolygonsGrid* mesh = object->Parts[p].mainMesh;
            if (!mesh) continue;
            driver->SetPixelTexture(0, mesh->textures[0]);
            for (int slot = 0; slot < kVertexFormatSlots; ++slot)
                if (RenderSet* set = mesh->GetRenderSet(slot)) driver->DrawRenderSet(set);
        }
    }

    SetTriangleLists(*driver);
    RenderCursorSprite();
    DrawUserInterface();
    // The model view shares the world frame's recovery: a lost device would
    // otherwise never come back while it is shown.
    if (!Present(*driver, game)) {
        platform::Sleep(kLostDeviceWait);
        RecoverLostDevice();
    }
    timing.LimitFrameRate();
}

// ---------------------------------------------------------------------------
// Lost device
// ---------------------------------------------------------------------------
bool CScene::RecoverLostDevice()
{
    if (!driver) return false;
    // The GPU objects of the old device go first, and with them every link
    // to them and every cached look-up of them: nothing the scene keeps may
    // point at a texture the world frees here. The CPU-side world (objects,
    // bodies, block library) stays as it is.
    // The texture in hand is chosen again by name among the new ones.
    const std::u16string currentTexture = world && world->currentTexture ? world->currentTexture->name : u"";
    if (world) {
        // The turning block pictures are GPU objects of the old device too.
        ReleaseBlockPreviews(*world);
        ReleasePreviewDeviceObjects(*this);
        world->ReleaseResources();
    }
    dialogs.ForgetPictures();  // found again among the new textures
    renderCaches.Clear();
    driver->ReleaseDevice();
    if (driver->CreateDeviceAndSwapChain() != 0 || !DeviceReady(driver)) {
        if (!deviceLost) WriteLog("Error: CScene::RecoverLostDevice() the device cannot be made again");
        deviceLost = 1;
        return false;
    }
    deviceLost = 0;
    if (world) {
        // Rebuilds what was released; the block library keeps its block
        // types (pointers into it stay good) and only gets its textures back.
        world->GenerateWorld();
        if (!currentTexture.empty()) world->currentTexture = world->FindTexture(currentTexture.c_str());
        RemakePreviewDeviceObjects(*this);
        // Every picture, not only the current block type's, which the frame
        // draws: the quick bar and "Blocks" show them all.
        RenderBlockPreviews(-1);
    }
    // Dear ImGui makes its renderer objects again on its next frame.
    platform::InvalidateImGuiDeviceObjects();
    return true;
}
