// CScene::RenderSkyBox.
#include "render/sky_box_pass.h"

#include "core/matrix4.h"
#include "graphics/driver.h"
#include "render/object_passes.h"
#include "render/render_caches.h"
#include "scene/camera.h"
#include "scene/drop_queue.h"
#include "scene/scene.h"
#include "world/world.h"

namespace {

// Cache slots within the pass's block.
enum ShaderSlot : int { kVertexShaderSlot, kPixelShaderSlot };
enum BufferSlot : int { kSkyBufferSlot, kColourBufferSlot, kWorldBufferSlot };
enum StateSlot : int { kSamplerSlot, kDepthStateSlot, kBlendStateSlot };

}  // namespace

ConstantBufferSkyBox SkyBoxConstants(const CCamera& camera, const Vector3& light)
{
    return ConstantBufferSkyBox{ShaderMatrixOf(camera.viewMatrix),
                                ShaderMatrixOf(camera.projectionMatrix),
                                ShaderPoint(camera.position),
                                ShaderPoint(light),
                                ShaderFloat4{1.0f, 0.0f, 0.0f, 0.0f},
                                ShaderFloat4{1000000.0f, 1000000.0f, 1000000.0f, 1.0f},
                                {ShaderFloat4{4.0f, 4.0f, 4.0f, 1.0f}, ShaderFloat4{1.0f, 1.0f, 1.0f, 1.0f}},
                                ShaderFloat4{250.0f, 250.0f, 250.0f, 1.0f}};
}

void CScene::RenderSkyBox()
{
    if (!world || !world->skyBoxSides || !driver) return;
    PassCache cache(*this, kSkyBoxCacheBlock);

    ConstantBufferEntry* skyBuffer = cache.ConstantBuffer(kSkyBufferSlot, u"ConstantBufferSkyBox");
    const ConstantBufferSkyBox sky = SkyBoxConstants(mainCamera, LightPosition);
    driver->UpdateConstantBuffer(skyBuffer, &sky);
    ConstantBufferEntry* colourBuffer = cache.ConstantBuffer(kColourBufferSlot, u"PSConstantBufferDef");
    const PSConstantBufferDef defaults = PassDefaultColours();
    driver->UpdateConstantBuffer(colourBuffer, &defaults);

    ShaderEntry* vertexShader = cache.VertexShader(kVertexShaderSlot, u"skybox.fx");
    ShaderEntry* pixelShader = cache.PixelShader(kPixelShaderSlot, u"skybox.fx");
    if (!vertexShader || !pixelShader) return;
    driver->SetVertexShader(vertexShader);
    driver->SetPixelShader(pixelShader);
    driver->SetVertexConstantBuffer(0, skyBuffer);
    driver->SetPixelConstantBuffer(0, colourBuffer);
    driver->SetPixelSampler(0, cache.SamplerState(kSamplerSlot, u"normal"));
    driver->SetDepthStencilState(cache.DepthStencilState(kDepthStateSlot, u"default"));
    driver->SetBlendState(cache.BlendState(kBlendStateSlot, u"normal"));

    if (CTexture* side = world->FindTexture(u"skybox_side.jpg")) driver->SetPixelTexture(0, side);
    // The sky is its pictures as they are: full ambient, no other light.
    const PSConstantBufferDef unlit{ShaderFloat4{1.0f, 1.0f, 1.0f, 1.0f}, ShaderFloat4{0.0f, 0.0f, 0.0f, 0.0f},
                                    ShaderFloat4{0.0f, 0.0f, 0.0f, 0.0f}};
    driver->UpdateConstantBuffer(colourBuffer, &unlit);
    Matrix4 identity;
    identity.SetIdentity();
    ConstantBufferEntry* worldBuffer = cache.ConstantBuffer(kWorldBufferSlot, u"ConstantBufferWorldMatrix");
    const ConstantBufferWorldMatrix placement{ShaderMatrixOf(identity)};
    driver->UpdateConstantBuffer(worldBuffer, &placement);
    driver->SetVertexConstantBuffer(1, worldBuffer);

    UseTriangleLists(*driver);
    driver->SetVertexShader(vertexShader);
    driver->SetPixelShader(pixelShader);
    driver->DrawRenderSet(world->skyBoxSides);
    if (CTexture* top = world->FindTexture(u"skybox_top.jpg")) driver->SetPixelTexture(0, top);
    if (world->skyBoxTop) driver->DrawRenderSet(world->skyBoxTop);
    if (CTexture* bottom = world->FindTexture(u"skybox_bottom.jpg")) driver->SetPixelTexture(0, bottom);
    if (world->skyBoxBottom) driver->DrawRenderSet(world->skyBoxBottom);
    UseTriangleLists(*driver);
}
