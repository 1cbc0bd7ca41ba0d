// The object passes and their building blocks.
//
// Index: building blocks - the six passes (their designs, the set-up, the
// objects taken, one object) - RenderSingleObject
#include "render/object_passes.h"

#include <algorithm>
#include <cstddef>

#include "core/matrix4d.h"
#include "core/vector3.h"
#include "graphics/driver.h"
#include "graphics/render_set.h"
#include "render/render_caches.h"
#include "render/shadow_maps.h"
#include "render/view_culling.h"
#include "scene/camera.h"
#include "scene/drop_queue.h"
#include "scene/scene.h"
#include "world/object.h"
#include "world/object_part.h"
#include "world/polygons_grid.h"
#include "world/sector.h"
#include "world/world.h"

// ---------------------------------------------------------------------------
// Building blocks
// ---------------------------------------------------------------------------

namespace {

constexpr ShaderFloat4 kNoFallOff{1.0f, 0.0f, 0.0f, 0.0f};
constexpr ShaderFloat4 kLightRange{1000000.0f, 1000000.0f, 1000000.0f, 1.0f};

float Clamped(float value) { return std::clamp(value, 0.0f, 1.0f); }

ShaderFloat4 WithLight(const Vector4& colour, const Vector4& added)
{
    return ShaderFloat4{Clamped(colour.v[0] + added.v[0]), Clamped(colour.v[1] + added.v[1]),
                        Clamped(colour.v[2] + added.v[2]), colour.v[3]};
}

}  // namespace

PSConstantBufferDef PassDefaultColours()
{
    return PSConstantBufferDef{ShaderFloat4{0.3f, 0.3f, 0.3f, 1.0f}, ShaderFloat4{0.8f, 0.8f, 0.8f, 1.0f},
                               ShaderFloat4{0.24f, 0.24f, 0.24f, 1.0f}};
}

ConstantBufferDef CameraConstants(const CCamera& camera, const Vector3& light)
{
    return ConstantBufferDef{ShaderMatrixOf(camera.viewMatrix), ShaderMatrixOf(camera.projectionMatrix),
                             ShaderPoint(camera.position), ShaderPoint(light), kNoFallOff, kLightRange};
}

ConstantBufferDefSM ShadowedCameraConstants(const CCamera& camera, const Matrix4d& lightView, const Vector3& light)
{
    return ConstantBufferDefSM{ShaderMatrixOf(camera.viewMatrix),
                               ShaderMatrixOf(camera.projectionMatrix),
                               ShaderMatrixOf(lightView),
                               ShaderPoint(camera.position),
                               ShaderPoint(light),
                               kNoFallOff,
                               kLightRange};
}

PSConstantBufferDef ObjectColours(const CNBObject& object, const CWorld& world)
{
    return PSConstantBufferDef{WithLight(object.Ambient, world.sunAmbient), WithLight(object.Diffuse, world.sunDiffuse),
                               WithLight(object.Specular, world.sunSpecular)};
}

namespace {

ConstantBufferMaterialSM MaterialOfPower(float p)
{
    return ConstantBufferMaterialSM{ShaderFloat4{p, p, p, 1.0f}, ShaderFloat4{1.0f, 1.0f, 1.0f, 1.0f}};
}

}  // namespace

ConstantBufferMaterialSM ObjectMaterial(const CNBObject& object) { return MaterialOfPower(object.Power); }

void DrawObjectParts(CDriver& driver, const CNBObject& object, int requiredSlot)
{
    const CPolygonsGrid* bound = nullptr;
    ForEachPartSet(object, requiredSlot, [&](const CPolygonsGrid& mesh, RenderSet* set) {
        if (&mesh != bound) driver.SetPixelTexture(0, mesh.textures[0]);
        bound = &mesh;
        driver.DrawRenderSet(set);
    });
}

void UseTriangleLists(CDriver& driver)
{
    if (driver.HasDevice()) driver.state->context->IASetPrimitiveTopology(gpu::PRIMITIVE_TOPOLOGY_TRIANGLELIST);
}

// ---------------------------------------------------------------------------
// The six passes
// ---------------------------------------------------------------------------

namespace {

// Cache slots within each pass's block.
enum ShaderSlot : int { kVertexShaderSlot, kPixelShaderSlot };
enum BufferSlot : int {
    kCameraBufferSlot,
    kMaterialBufferSlot,
    kColourBufferSlot,
    kWorldBufferSlot,
    kBonesBufferSlot,
    kShadowBufferSlot
};
enum StateSlot : int { kNormalSamplerSlot, kShadowSamplerSlot, kBlendStateSlot };

// What sets one pass apart from the others.
struct ObjectPassDesign {
    RenderCacheBlock cacheBlock;
    const char16_t* effect;
    int meshSlot;       // the pass runs while this slot is marked and takes objects whose table holds it
    bool skinned;       // animated objects with their bone palette; otherwise objects that are not animated
    bool shadowed;      // the shadow map and its parameters
    bool transparent;   // the label list, far to near, blended
    bool skipFreshDrops;
    int requiredSlot;   // a mesh without this render set draws nothing (kAnyMeshSlot: every mesh draws)
    // Copies of equal meshes gathered and drawn by instances ("defaultinstanced.fx"
    // places them), not object by object.
    bool instanced = false;
};

constexpr ObjectPassDesign kDefaultPass{
    kDefaultPassCacheBlock, u"defaultinstanced.fx", kPlainMeshSlot, false, false, false, false, kAnyMeshSlot,
    true};
constexpr ObjectPassDesign kSkinnedPass{
    kSkinnedPassCacheBlock, u"defaultskinnedanimation.fx", kPlainMeshSlot, true, false, false, false,
    kPlainMeshSlot};
constexpr ObjectPassDesign kAlphaPass{
    kAlphaPassCacheBlock, u"default.fx", kGlassMeshSlot, false, false, true, false, kAnyMeshSlot};
constexpr ObjectPassDesign kShadowedPass{
    kShadowedPassCacheBlock, u"defaultshadowmap.fx", kPlainMeshSlot, false, true, false, true, kPlainMeshSlot};
constexpr ObjectPassDesign kShadowedSkinnedPass{
    kShadowedSkinnedPassCacheBlock, u"defaultshadowmapskinnedanimation.fx", kPlainMeshSlot, true, true, false,
    false, kPlainMeshSlot};
constexpr ObjectPassDesign kShadowedAlphaPass{
    kShadowedAlphaPassCacheBlock, u"defaultshadowmap.fx", kGlassMeshSlot, false, true, true, true,
    kGlassMeshSlot};

// The buffers one pass uploads per object.
struct ObjectBuffers {
    ConstantBufferEntry* material = nullptr;
    ConstantBufferEntry* colours = nullptr;
    ConstantBufferEntry* world = nullptr;  // the placements of a run of copies when instanced
    ConstantBufferEntry* bones = nullptr;  // skinned passes only
};

class ObjectPass {
public:
    ObjectPass(CScene& scene, const ObjectPassDesign& design)
        : scene_(scene), driver_(*scene.driver), world_(*scene.world), design_(design),
          cache_(scene, design.cacheBlock)
    {
    }

    void Run()
    {
        if (!scene_.meshKinds[design_.meshSlot]) return;
        if (!SetUp()) return;
        if (design_.transparent) {
            // The list is sorted nearest first (the editor windows read it
            // that way too); blending needs the farthest drawn first.
            const std::vector<ObjectLabel>& labels = world_.labels;
            for (size_t i = labels.size(); i-- > 0;)
                if (labels[i].object && Takes(*labels[i].object)) Draw(*labels[i].object);
            return;
        }
        if (design_.instanced) scene_.instanceBatches.Clear();
        const std::vector<Sector*>& sectors = world_.sectors;
        for (size_t s = 0; s < sectors.size(); ++s) {
            const Sector* sector = sectors[s];
            if (!sector || !sector->renderFlags[design_.meshSlot]) continue;
            if (design_.skinned && !scene_.visibleObjects.MayListAnimated(s, *sector)) continue;
            ForEachPossiblyVisibleObject(&scene_.visibleObjects, s, *sector, [this](const CNBObject& object) {
                if (!Takes(object)) return;
                if (design_.instanced)
                    Gather(object);
                else
                    Draw(object);
            });
        }
        if (design_.instanced) DrawGathered();
    }

private:
    // Uploads the pass's camera (and shadow) constants and binds the pass.
    // False when a shader is missing: then nothing is drawn.
    bool SetUp()
    {
        const CCamera& camera = scene_.mainCamera;
        ConstantBufferEntry* cameraBuffer = nullptr;
        ConstantBufferEntry* shadowBuffer = nullptr;
        buffers_.colours = cache_.ConstantBuffer(kColourBufferSlot, u"PSConstantBufferDef");
        if (design_.shadowed) {
            cameraBuffer = cache_.ConstantBuffer(kCameraBufferSlot, u"ConstantBufferDefSM");
            const ConstantBufferDefSM cameraConstants =
                ShadowedCameraConstants(camera, scene_.shadowCascades.lightView, LightPosition);
            driver_.UpdateConstantBuffer(cameraBuffer, &cameraConstants);
            shadowBuffer = cache_.ConstantBuffer(kShadowBufferSlot, u"PSConstantBufferDefSM");
            PSConstantBufferDefSM shadowConstants{};
            FillShadowMapParameters(scene_.shadowCascades, world_, LightPosition, shadowConstants);
            driver_.UpdateConstantBuffer(shadowBuffer, &shadowConstants);
        } else {
            cameraBuffer = cache_.ConstantBuffer(kCameraBufferSlot, u"ConstantBufferDef");
            const ConstantBufferDef cameraConstants = CameraConstants(camera, LightPosition);
            driver_.UpdateConstantBuffer(cameraBuffer, &cameraConstants);
            const PSConstantBufferDef defaults = PassDefaultColours();
            driver_.UpdateConstantBuffer(buffers_.colours, &defaults);
        }

        ShaderEntry* vertexShader = cache_.VertexShader(kVertexShaderSlot, design_.effect);
        ShaderEntry* pixelShader = cache_.PixelShader(kPixelShaderSlot, design_.effect);
        if (!vertexShader || !pixelShader) return false;
        buffers_.material = cache_.ConstantBuffer(kMaterialBufferSlot, u"ConstantBufferMaterialSM");
        buffers_.world = cache_.ConstantBuffer(
            kWorldBufferSlot, design_.instanced ? u"ConstantBufferCasterMatrices" : u"ConstantBufferWorldMatrix");

        driver_.SetVertexShader(vertexShader);
        driver_.SetPixelShader(pixelShader);
        // Every pass binds its own camera: none relies on an earlier pass
        // having left one in place.
        driver_.SetVertexConstantBuffer(0, cameraBuffer);
        driver_.SetVertexConstantBuffer(1, buffers_.world);
        driver_.SetVertexConstantBuffer(2, buffers_.material);
        if (design_.skinned) {
            buffers_.bones = cache_.ConstantBuffer(kBonesBufferSlot, u"ConstantBufferBonesMatrices");
            driver_.SetVertexConstantBuffer(3, buffers_.bones);
        }
        driver_.SetPixelConstantBuffer(0, buffers_.colours);
        driver_.SetPixelSampler(0, cache_.SamplerState(kNormalSamplerSlot, u"normal"));
        driver_.SetBlendState(cache_.BlendState(kBlendStateSlot, design_.transparent ? u"alphablend" : u"normal"));
        if (design_.shadowed) {
            driver_.SetPixelConstantBuffer(1, shadowBuffer);
            driver_.SetPixelSampler(5, cache_.SamplerState(kShadowSamplerSlot, u"shadowmap"));
            driver_.SetPixelTexture(5, world_.shadowMap);
        }
        return true;
    }

    bool Takes(const CNBObject& object) const
    {
        if (!object.Visible || object.IsAnimated() != design_.skinned) return false;
        if (design_.skipFreshDrops && object.FreshDrop) return false;
        return object.RenderFlags[design_.meshSlot] != 0;
    }

    void Draw(const CNBObject& object)
    {
        const ConstantBufferMaterialSM material = ObjectMaterial(object);
        driver_.UpdateConstantBuffer(buffers_.material, &material);
        const PSConstantBufferDef colours = ObjectColours(object, world_);
        driver_.UpdateConstantBuffer(buffers_.colours, &colours);
        const ConstantBufferWorldMatrix placement{ShaderMatrixOf(object.WorldMatrix)};
        driver_.UpdateConstantBuffer(buffers_.world, &placement);
        if (design_.skinned) {
            // The palette holds kMaxBoneMatrices; bones past it stay unposed.
            const size_t count = std::min<size_t>(object.Pose.size(), kMaxBoneMatrices);
            for (size_t i = 0; i < count; ++i) palette_.bones[i] = ShaderMatrixOf(object.Pose[i].matrix);
            driver_.UpdateConstantBuffer(buffers_.bones, &palette_);
        }
        DrawObjectParts(driver_, object, design_.requiredSlot);
    }

    void Gather(const CNBObject& object)
    {
        CopyLook look{nullptr, ObjectColours(object, world_), object.Power};
        const ShaderMatrix placement = ShaderMatrixOf(object.WorldMatrix);
        ForEachPartSet(object, design_.requiredSlot, [&](const CPolygonsGrid& mesh, RenderSet* set) {
            look.texture = mesh.textures[0];
            scene_.instanceBatches.Add(set, look, placement);
        });
    }

    void DrawGathered()
    {
        // A software rasterizer shades the pixels of what it was given at a
        // flush, on threads of its own: handing it the copies in parts lets
        // it shade the first while this thread still sets up the rest,
        // instead of all of them at the frame's present.
        constexpr int kRunsPerFlush = 8;
        int runs = 0;
        scene_.instanceBatches.ForEachRun(
            [&](RenderSet* set, const CopyLook& look, const ShaderMatrix* placements, uint32_t count) {
                const ConstantBufferMaterialSM material = MaterialOfPower(look.power);
                driver_.UpdateConstantBuffer(buffers_.material, &material);
                driver_.UpdateConstantBuffer(buffers_.colours, &look.colours);
                driver_.SetPixelTexture(0, look.texture);
                driver_.UpdateConstantBufferStart(buffers_.world, placements, count * sizeof(ShaderMatrix));
                driver_.DrawRenderSetInstances(set, count);
                if (++runs % kRunsPerFlush == 0) driver_.Flush();
            });
    }

    CScene& scene_;
    CDriver& driver_;
    const CWorld& world_;
    const ObjectPassDesign& design_;
    PassCache cache_;
    ObjectBuffers buffers_;
    ConstantBufferBonesMatrices palette_{};
};

void RunObjectPass(CScene& scene, const ObjectPassDesign& design)
{
    if (!scene.world || !scene.driver) return;
    ObjectPass(scene, design).Run();
}

}  // namespace

void CScene::RenderDefaultPass() { RunObjectPass(*this, kDefaultPass); }
void CScene::RenderSkinnedPass() { RunObjectPass(*this, kSkinnedPass); }
void CScene::RenderAlphaPass() { RunObjectPass(*this, kAlphaPass); }
void CScene::RenderShadowedPass() { RunObjectPass(*this, kShadowedPass); }
void CScene::RenderShadowedSkinnedPass() { RunObjectPass(*this, kShadowedSkinnedPass); }
void CScene::RenderShadowedAlphaPass() { RunObjectPass(*this, kShadowedAlphaPass); }

// ---------------------------------------------------------------------------
// RenderSingleObject
// ---------------------------------------------------------------------------

void CScene::RenderSingleObject(CNBObject* object, CCamera* camera)
{
    if (!object || !camera || !world || !driver) return;
    PassCache cache(*this, kSingleObjectCacheBlock);
    // Lit from where it is seen, whatever the sun does.
    ConstantBufferEntry* cameraBuffer = cache.ConstantBuffer(kCameraBufferSlot, u"ConstantBufferDef");
    const ConstantBufferDef cameraConstants = CameraConstants(*camera, camera->position);
    driver->UpdateConstantBuffer(cameraBuffer, &cameraConstants);
    ConstantBufferEntry* colourBuffer = cache.ConstantBuffer(kColourBufferSlot, u"PSConstantBufferDef");
    const PSConstantBufferDef defaults = PassDefaultColours();
    driver->UpdateConstantBuffer(colourBuffer, &defaults);

    ShaderEntry* vertexShader = cache.VertexShader(kVertexShaderSlot, u"default.fx");
    ShaderEntry* pixelShader = cache.PixelShader(kPixelShaderSlot, u"default.fx");
    if (!vertexShader || !pixelShader) return;
    ConstantBufferEntry* materialBuffer = cache.ConstantBuffer(kMaterialBufferSlot, u"ConstantBufferMaterialSM");
    ConstantBufferEntry* worldBuffer = cache.ConstantBuffer(kWorldBufferSlot, u"ConstantBufferWorldMatrix");

    UseTriangleLists(*driver);
    driver->SetVertexShader(vertexShader);
    driver->SetPixelShader(pixelShader);
    driver->SetVertexConstantBuffer(0, cameraBuffer);
    driver->SetVertexConstantBuffer(2, materialBuffer);
    driver->SetPixelConstantBuffer(0, colourBuffer);
    driver->SetPixelSampler(0, cache.SamplerState(kNormalSamplerSlot, u"normal"));
    driver->SetBlendState(cache.BlendState(kBlendStateSlot, u"normal"));

    const ConstantBufferMaterialSM material = ObjectMaterial(*object);
    driver->UpdateConstantBuffer(materialBuffer, &material);
    const PSConstantBufferDef colours = ObjectColours(*object, *world);
    driver->UpdateConstantBuffer(colourBuffer, &colours);
    const ConstantBufferWorldMatrix placement{ShaderMatrixOf(object->WorldMatrix)};
    driver->UpdateConstantBuffer(worldBuffer, &placement);
    driver->SetVertexConstantBuffer(1, worldBuffer);
    DrawObjectParts(*driver, *object, kAnyMeshSlot);
    UseTriangleLists(*driver);
}
