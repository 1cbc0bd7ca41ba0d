// The generator preview passes: what a generator would create, drawn in
// place after the object passes. The Perlin field's positions are drawn with
// the one shared position object (only its translation changes); the other
// generators' preview objects each with their own matrix. Each kind has a
// plain and a shadowed pass; as for the objects, the scene's shadows switch
// picks which one runs. Preview colours are the objects' own: no world light colour
// is added and nothing is clamped. The material buffer is not filled: it
// keeps what the last object pass uploaded.
//
// Index: set-up (plain, shadowed) - the position object - drawing -
// the four passes
#include "core/matrix4.h"
#include "graphics/driver.h"
#include "render/constant_buffers.h"
#include "render/object_passes.h"
#include "render/render_caches.h"
#include "render/shadow_maps.h"
#include "scene/drop_queue.h"
#include "scene/scene.h"
#include "world/object.h"
#include "world/vertex_formats.h"
#include "world/world.h"

namespace {

// The render-cache slots of these passes (see render_caches.h).
constexpr int kSlotBase = 1600;
enum ShaderSlot : int { kPlainVertexShader = kSlotBase, kPlainPixelShader, kShadowedVertexShader, kShadowedPixelShader };
enum BufferSlot : int {
    kCameraBuffer = kSlotBase,
    kShadowedCameraBuffer,
    kColourBuffer,
    kShadowBuffer,
    kMaterialBuffer,
    kWorldBuffer
};
enum StateSlot : int { kNormalSampler = kSlotBase, kShadowSampler, kNormalBlend, kAlphaBlend };

// The render-set slots the position object's blend choice looks at.
constexpr int kOpaqueSlot = 0;
constexpr int kMaskSlot = 2;
constexpr int kGlassSlot = 4;

template <class Entry, class LookUp>
Entry* Cached(Entry*& slot, LookUp lookUp)
{
    if (!slot) slot = lookUp();
    return slot;
}

// What a set-up leaves for drawing.
struct PreviewPass {
    ConstantBufferEntry* colours = nullptr;
    ConstantBufferEntry* world = nullptr;
};

// ---------------------------------------------------------------------------
// Set-up
// ---------------------------------------------------------------------------

// The plain pass: "default.fx" with the main camera and the pass defaults.
// False when a shader is missing.
bool SetUpPlain(CScene& scene, PreviewPass& pass)
{
    CDriver& driver = *scene.driver;
    const CWorld& world = *scene.world;
    RenderCaches& caches = scene.renderCaches;

    ConstantBufferEntry* camera = Cached(caches.constantBuffers[kCameraBuffer],
                                         [&] { return world.FindConstantBuffer(u"ConstantBufferDef"); });
    const ConstantBufferDef cameraConstants = CameraConstants(scene.mainCamera, LightPosition);
    driver.UpdateConstantBuffer(camera, &cameraConstants);
    pass.colours = Cached(caches.constantBuffers[kColourBuffer],
                          [&] { return world.FindConstantBuffer(u"PSConstantBufferDef"); });
    const PSConstantBufferDef defaults = PassDefaultColours();
    driver.UpdateConstantBuffer(pass.colours, &defaults);

    ShaderEntry* vertexShader =
        Cached(caches.shaders[kPlainVertexShader], [&] { return world.FindVertexShader(u"default.fx"); });
    ShaderEntry* pixelShader =
        Cached(caches.shaders[kPlainPixelShader], [&] { return world.FindPixelShader(u"default.fx"); });
    if (!vertexShader || !pixelShader) return false;
    ConstantBufferEntry* material = Cached(caches.constantBuffers[kMaterialBuffer],
                                           [&] { return world.FindConstantBuffer(u"ConstantBufferMaterialSM"); });
    pass.world = Cached(caches.constantBuffers[kWorldBuffer],
                        [&] { return world.FindConstantBuffer(u"ConstantBufferWorldMatrix"); });

    UseTriangleLists(driver);
    driver.SetVertexShader(vertexShader);
    driver.SetPixelShader(pixelShader);
    driver.SetVertexConstantBuffer(0, camera);
    driver.SetVertexConstantBuffer(2, material);
    driver.SetPixelConstantBuffer(0, pass.colours);
    driver.SetPixelSampler(0, Cached(caches.states[kNormalSampler], [&] { return world.FindSamplerState(u"normal"); }));
    driver.SetBlendState(Cached(caches.states[kNormalBlend], [&] { return world.FindBlendState(u"normal"); }));
    driver.SetVertexConstantBuffer(1, pass.world);
    return true;
}

// The shadowed pass: "defaultshadowmap.fx" with the cascades' light view and
// shadow parameters and the shadow map at slot 5. False when a shader is
// missing.
bool SetUpShadowed(CScene& scene, PreviewPass& pass)
{
    CDriver& driver = *scene.driver;
    const CWorld& world = *scene.world;
    RenderCaches& caches = scene.renderCaches;

    ConstantBufferEntry* camera = Cached(caches.constantBuffers[kShadowedCameraBuffer],
                                         [&] { return world.FindConstantBuffer(u"ConstantBufferDefSM"); });
    const ConstantBufferDefSM cameraConstants =
        ShadowedCameraConstants(scene.mainCamera, scene.shadowCascades.lightView, LightPosition);
    driver.UpdateConstantBuffer(camera, &cameraConstants);
    ConstantBufferEntry* shadow = Cached(caches.constantBuffers[kShadowBuffer],
                                         [&] { return world.FindConstantBuffer(u"PSConstantBufferDefSM"); });
    PSConstantBufferDefSM shadowConstants{};
    FillShadowMapParameters(scene.shadowCascades, world, LightPosition, shadowConstants);
    driver.UpdateConstantBuffer(shadow, &shadowConstants);
    pass.colours = Cached(caches.constantBuffers[kColourBuffer],
                          [&] { return world.FindConstantBuffer(u"PSConstantBufferDef"); });

    ShaderEntry* vertexShader =
        Cached(caches.shaders[kShadowedVertexShader], [&] { return world.FindVertexShader(u"defaultshadowmap.fx"); });
    ShaderEntry* pixelShader =
        Cached(caches.shaders[kShadowedPixelShader], [&] { return world.FindPixelShader(u"defaultshadowmap.fx"); });
    if (!vertexShader || !pixelShader) return false;
    ConstantBufferEntry* material = Cached(caches.constantBuffers[kMaterialBuffer],
                                           [&] { return world.FindConstantBuffer(u"ConstantBufferMaterialSM"); });
    pass.world = Cached(caches.constantBuffers[kWorldBuffer],
                        [&] { return world.FindConstantBuffer(u"ConstantBufferWorldMatrix"); });

    UseTriangleLists(driver);
    driver.SetVertexShader(vertexShader);
    driver.SetPixelShader(pixelShader);
    driver.SetVertexConstantBuffer(0, camera);
    driver.SetVertexConstantBuffer(1, pass.world);
    driver.SetVertexConstantBuffer(2, material);
    driver.SetPixelConstantBuffer(0, pass.colours);
    driver.SetPixelConstantBuffer(1, shadow);
    driver.SetPixelSampler(0, Cached(caches.states[kNormalSampler], [&] { return world.FindSamplerState(u"normal"); }));
    driver.SetPixelSampler(5, Cached(caches.states[kShadowSampler], [&] { return world.FindSamplerState(u"shadowmap"); }));
    driver.SetPixelTexture(5, world.shadowMap);
    driver.SetBlendState(Cached(caches.states[kNormalBlend], [&] { return world.FindBlendState(u"normal"); }));
    return true;
}

bool CanDraw(const CScene& scene) { return scene.world && scene.driver; }

// ---------------------------------------------------------------------------
// The position object
// ---------------------------------------------------------------------------

// The position object, built from the field prototype when there is none.
// Null when it cannot be made: the next frame tries again.
CNBObject* PositionObject(CScene& scene)
{
    if (!scene.positionObject) {
        scene.positionObject = scene.CreateMeshObject(scene.generator.fieldPrototype);
        if (scene.positionObject) scene.world->LinkObjectTextures(scene.positionObject);
    }
    return scene.positionObject;
}

// Opaque meshes are drawn unblended; a prototype of glass or masked meshes
// only is blended.
void ChooseBlend(CScene& scene, const CNBObject& object)
{
    const CWorld& world = *scene.world;
    RenderCaches& caches = scene.renderCaches;
    if (object.RenderFlags[kOpaqueSlot])
        scene.driver->SetBlendState(Cached(caches.states[kNormalBlend], [&] { return world.FindBlendState(u"normal"); }));
    else if (object.RenderFlags[kGlassSlot] || object.RenderFlags[kMaskSlot])
        scene.driver->SetBlendState(
            Cached(caches.states[kAlphaBlend], [&] { return world.FindBlendState(u"alphablend"); }));
}

// ---------------------------------------------------------------------------
// Drawing
// ---------------------------------------------------------------------------

PSConstantBufferDef OwnColours(const CNBObject& object)
{
    const auto colour = [](const Vector4& c) { return ShaderFloat4{c.v[0], c.v[1], c.v[2], c.v[3]}; };
    return PSConstantBufferDef{colour(object.Ambient), colour(object.Diffuse), colour(object.Specular)};
}

void DrawAt(CDriver& driver, const PreviewPass& pass, const CNBObject& object, const Matrix4& placement)
{
    const ConstantBufferWorldMatrix matrix{ShaderMatrixOf(placement)};
    driver.UpdateConstantBuffer(pass.world, &matrix);
    driver.SetVertexConstantBuffer(1, pass.world);
    DrawObjectParts(driver, object, kAnyMeshSlot);
}

void DrawPositions(CScene& scene, const PreviewPass& pass)
{
    CNBObject* object = PositionObject(scene);
    if (!object) return;
    ChooseBlend(scene, *object);
    CDriver& driver = *scene.driver;
    const PSConstantBufferDef colours = OwnColours(*object);
    driver.UpdateConstantBuffer(pass.colours, &colours);
    Matrix4 placement = object->WorldMatrix;
    for (const Vector3& p : scene.previewPositions) {
        placement.m[12] = p.x;
        placement.m[13] = p.y;
        placement.m[14] = p.z;
        DrawAt(driver, pass, *object, placement);
    }
}

void DrawPreviewObjects(CScene& scene, const PreviewPass& pass)
{
    CDriver& driver = *scene.driver;
    for (const CNBObject* object : scene.previewObjects) {
        if (!object) continue;
        const PSConstantBufferDef colours = OwnColours(*object);
        driver.UpdateConstantBuffer(pass.colours, &colours);
        DrawAt(driver, pass, *object, object->WorldMatrix);
    }
}

}  // namespace

// ---------------------------------------------------------------------------
// The four passes
// ---------------------------------------------------------------------------

void CScene::RenderPreviewPositions()
{
    if (!CanDraw(*this) || !generator.fieldPrototype) return;
    PreviewPass pass;
    if (!SetUpPlain(*this, pass)) return;
    DrawPositions(*this, pass);
}

void CScene::RenderPreviewPositionsShadowed()
{
    if (!CanDraw(*this)) return;
    PreviewPass pass;
    if (!SetUpShadowed(*this, pass) || !generator.fieldPrototype) return;
    DrawPositions(*this, pass);
}

void CScene::RenderPreviewObjects()
{
    if (previewObjects.empty() || !CanDraw(*this)) return;
    PreviewPass pass;
    if (!SetUpPlain(*this, pass)) return;
    DrawPreviewObjects(*this, pass);
}

void CScene::RenderPreviewObjectsShadowed()
{
    if (previewObjects.empty() || !CanDraw(*this)) return;
    PreviewPass pass;
    if (!SetUpShadowed(*this, pass)) return;
    DrawPreviewObjects(*this, pass);
}
