// The GPU resources working together as a render pass uses them: shipped
// textures loaded through the driver, the registries built from the shipped
// effects, a hand-made cube uploaded as a render set and drawn with
// "Default.fx" into a colour and depth target, its pixels read back and
// checked (coverage, lighting, texture detail), then everything released.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "core/matrix4d.h"
#include "core/private_heap.h"
#include "core/vector3.h"
#include "graphics/driver.h"
#include "graphics/gpu_registry.h"
#include "graphics/gpu_texture.h"
#include "graphics/render_set.h"
#include "graphics/texture.h"
#include "render/constant_buffers.h"
#include "scene/camera.h"
#include "support/headless_driver.h"

namespace {

// Textures made by the test; whatever a failed test left is released here.
class LitCube : public HeadlessDriverTest {
protected:
    void TearDown() override
    {
        ReleaseTextures();
        HeadlessDriverTest::TearDown();
    }
    CTexture* MakeTexture()
    {
        textures_.push_back(new CTexture);
        return textures_.back();
    }
    void ReleaseTextures()
    {
        for (CTexture* texture : textures_) {
            Driver->ReleaseTexture(texture);
            CTexture::Delete(texture);
        }
        textures_.clear();
    }

private:
    std::vector<CTexture*> textures_;
};

constexpr uint32_t kTargetSide = 128;

Vector3 CrossOf(const Vector3& a, const Vector3& b)
{
    return Vector3 {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

// A cube from -1 to 1: four vertices per face (position, normal, uv) so
// every face has its own normal and the whole texture, two triangles per
// face wound clockwise as seen from outside (Direct3D's front faces).
struct Cube {
    Cube()
    {
        const Vector3 normals[6] = {{0, 0, -1}, {0, 0, 1}, {1, 0, 0}, {-1, 0, 0}, {0, 1, 0}, {0, -1, 0}};
        for (int face = 0; face < 6; ++face) {
            const Vector3 n = normals[face];
            // Up and right on the face as a viewer outside it sees them
            // (left-handed: right = up x viewing direction).
            const Vector3 up = n.y != 0 ? Vector3 {0, 0, 1} : Vector3 {0, 1, 0};
            const Vector3 right = CrossOf(up, Vector3 {-n.x, -n.y, -n.z});
            const float corners[4][4] = {{-1, 1, 0, 0}, {1, 1, 1, 0}, {1, -1, 1, 1}, {-1, -1, 0, 1}};
            for (int corner = 0; corner < 4; ++corner) {
                const float* c = corners[corner];
                float* v = vertices + (face * 4 + corner) * 8;
                v[0] = n.x + c[0] * right.x + c[1] * up.x;
                v[1] = n.y + c[0] * right.y + c[1] * up.y;
                v[2] = n.z + c[0] * right.z + c[1] * up.z;
                v[3] = n.x, v[4] = n.y, v[5] = n.z;
                v[6] = c[2], v[7] = c[3];
            }
            const uint16_t base = static_cast<uint16_t>(face * 4);
            const uint16_t order[6] = {0, 1, 2, 0, 2, 3};
            for (int i = 0; i < 6; ++i) indices[face * 6 + i] = static_cast<uint16_t>(base + order[i]);
        }
        set.vertices32 = vertices;
        set.vertexCount = 24;
        set.indices = indices;
        set.indexCount = 36;
        set.gpu = &buffers;
    }
    float vertices[24 * 8] = {};
    uint16_t indices[36] = {};
    GpuBufferSet buffers;
    RenderSet set;  // over the arrays above: never handed to RenderSet::Release
};

// The program's row-vector matrix stored transposed, as the shaders read it.
ShaderMatrix Transposed(const Matrix4d& matrix)
{
    ShaderMatrix out;
    for (int row = 0; row < 4; ++row)
        for (int column = 0; column < 4; ++column) out.m[row][column] = static_cast<float>(matrix.m[column * 4 + row]);
    return out;
}

ShaderFloat4 Float4(float x, float y, float z, float w) { return ShaderFloat4 {x, y, z, w}; }

int Brightness(const Pixel& pixel) { return pixel.r + pixel.g + pixel.b; }

}  // namespace

TEST_F(LitCube, TexturedCubeIsDrawnLitIntoATargetAndEverythingIsReleased)
{
    const int texturesBefore = CTexture::Heap().LiveCount();
    const int sharedBefore = SharedHeap().LiveCount();
    gpu::Context* context = Driver->state->context;

    // 1. Shipped textures, one through each loader.
    CTexture* laminate = MakeTexture();
    CTexture* sky = MakeTexture();
    EXPECT_EQ(Driver->LoadTextureFromFile(laminate, u"Textures/laminat_surface.dds"), 0);
    EXPECT_EQ(Driver->LoadTextureFromFile(sky, u"Textures/skybox_side.jpg"), 0);
    for (const CTexture* texture : {laminate, sky}) {
        ASSERT_NE(texture->gpu, nullptr);
        EXPECT_NE(texture->gpu->shaderView, nullptr) << Log();
    }
    ASSERT_NE(laminate->gpu->shaderView, nullptr);

    // 2. The registries from the shipped effects.
    GpuRegistry registry;
    registry.CreateAll(Driver);
    ShaderEntry* vertexShader = registry.FindVertexShader(u"Default.fx");
    ShaderEntry* pixelShader = registry.FindPixelShader(u"Default.fx");
    ConstantBufferEntry* cameraBuffer = registry.FindConstantBuffer(u"ConstantBufferDef");
    ConstantBufferEntry* worldBuffer = registry.FindConstantBuffer(u"ConstantBufferWorldMatrix");
    ConstantBufferEntry* materialBuffer = registry.FindConstantBuffer(u"ConstantBufferMaterialSM");
    ConstantBufferEntry* colourBuffer = registry.FindConstantBuffer(u"PSConstantBufferDef");
    ConstantBufferEntry* sampler = registry.FindSamplerState(u"normal");
    ConstantBufferEntry* depthState = registry.FindDepthStencilState(u"default");
    ConstantBufferEntry* blend = registry.FindBlendState(u"normal");
    ASSERT_TRUE(vertexShader && pixelShader && cameraBuffer && worldBuffer && materialBuffer && colourBuffer &&
                sampler && depthState && blend && registry.rasterizerStates.size() == 1)
        << Log();
    ASSERT_NE(vertexShader->objects, nullptr);
    ASSERT_NE(vertexShader->objects->inputLayout, nullptr);

    // 3. The cube.
    Cube cube;
    ASSERT_EQ(Driver->CreateRenderSetBuffers(&cube.set), 1);

    // 4. Targets, pass state, constants and the draw.
    CTexture* colour = MakeTexture();
    CTexture* depth = MakeTexture();
    colour->width = colour->height = depth->width = depth->height = kTargetSide;
    EXPECT_EQ(Driver->CreateRenderTarget(colour), 0);
    EXPECT_EQ(Driver->CreateColorShaderView(colour), 0);
    EXPECT_EQ(Driver->CreateColorTargetView(colour), 0);
    EXPECT_EQ(Driver->CreateRenderTarget(depth), 0);
    EXPECT_EQ(Driver->CreateDepthTarget(depth), 0);
    ASSERT_NE(colour->gpu->targetView, nullptr);
    ASSERT_NE(depth->gpu->depthView, nullptr);

    Driver->PushRenderTarget(colour, depth);
    const gpu::Viewport viewport {0, 0, float(kTargetSide), float(kTargetSide), 0, 1};
    context->RSSetViewports(1, &viewport);
    const float background[4] = {20 / 255.0f, 20 / 255.0f, 40 / 255.0f, 1.0f};
    context->ClearRenderTargetView(colour->gpu->targetView, background);
    context->ClearDepthStencilView(depth->gpu->depthView, gpu::CLEAR_DEPTH, 1.0f, 0);

    // Seen from front-right and above: the front (-z), right (+x) and top
    // faces show, the centre of the picture on the front face. The light is
    // in front and to the left, so the front face is lit and the right and
    // top faces are turned away from it.
    CCamera camera;
    const Vector3 eye {3.0f, 2.5f, -4.0f};
    Vector3 up {0, 1, 0};
    camera.position = eye;
    camera.LookAt(eye, Vector3 {0, 0, 0}, up);
    camera.ApplySceneProjection(60.0f, 0.5f, 100.0f, kTargetSide, kTargetSide);

    ConstantBufferDef cameraConstants;
    cameraConstants.view = Transposed(camera.viewMatrix);
    cameraConstants.projection = Transposed(camera.projectionMatrix);
    cameraConstants.eye = Float4(eye.x, eye.y, eye.z, 1);
    cameraConstants.light = Float4(-3.0f, 0.0f, -10.0f, 1);
    cameraConstants.attenuation = Float4(1, 0, 0, 0);
    cameraConstants.lightRange = Float4(1e6f, 1e6f, 1e6f, 1);
    Matrix4d identity;
    identity.SetIdentity();
    const ConstantBufferWorldMatrix worldConstants {Transposed(identity)};
    const ConstantBufferMaterialSM materialConstants {Float4(8, 8, 8, 1), Float4(1, 1, 1, 1)};
    const PSConstantBufferDef colourConstants {Float4(0.15f, 0.15f, 0.15f, 1), Float4(1, 1, 1, 1),
                                               Float4(0, 0, 0, 1)};
    Driver->UpdateConstantBuffer(cameraBuffer, &cameraConstants);
    Driver->UpdateConstantBuffer(worldBuffer, &worldConstants);
    Driver->UpdateConstantBuffer(materialBuffer, &materialConstants);
    Driver->UpdateConstantBuffer(colourBuffer, &colourConstants);

    Driver->SetVertexShader(vertexShader);
    Driver->SetPixelShader(pixelShader);
    Driver->SetVertexConstantBuffer(0, cameraBuffer);
    Driver->SetVertexConstantBuffer(1, worldBuffer);
    Driver->SetVertexConstantBuffer(2, materialBuffer);
    Driver->SetPixelConstantBuffer(0, colourBuffer);
    Driver->SetPixelTexture(0, laminate);
    Driver->SetPixelSampler(0, sampler);
    EXPECT_EQ(Driver->SetDepthStencilState(depthState), 1);
    Driver->SetBlendState(blend);
    context->RSSetState(registry.rasterizerStates[0]->RasterizerPayload()->state);
    context->IASetPrimitiveTopology(gpu::PRIMITIVE_TOPOLOGY_TRIANGLELIST);
    EXPECT_EQ(Driver->DrawRenderSet(&cube.set), 0);
    Driver->PopRenderTarget();

    // 5. The picture.
    std::vector<uint8_t> pixels;
    uint32_t width = 0, height = 0;
    ASSERT_EQ(gpu::ReadTexturePixels(colour->gpu->texture, &pixels, &width, &height), S_OK);
    ASSERT_EQ(width, kTargetSide);
    const auto at = [&](Vector3 point) {
        EXPECT_TRUE(camera.ProjectToScreen(point, int(width), int(height)));
        return PixelAt(pixels, width, uint32_t(point.x), uint32_t(point.y));
    };
    const Pixel cleared {20, 20, 40, 255};
    EXPECT_EQ(PixelAt(pixels, width, 0, 0), cleared);
    EXPECT_EQ(PixelAt(pixels, width, width - 1, height - 1), cleared);

    const Pixel centre = PixelAt(pixels, width, width / 2, height / 2);
    EXPECT_GT(Brightness(centre), 60) << centre;

    // Points on the faces: the lit front face against the right face turned away.
    const Pixel frontUpperLeft = at(Vector3 {-0.5f, 0.5f, -1.0f});
    const Pixel frontLowerRight = at(Vector3 {0.5f, -0.5f, -1.0f});
    const Pixel right = at(Vector3 {1.0f, 0.0f, 0.0f});
    EXPECT_NE(right, cleared);
    EXPECT_GT(Brightness(frontUpperLeft), 2 * Brightness(right)) << frontUpperLeft << " " << right;
    EXPECT_GT(Brightness(frontLowerRight), 2 * Brightness(right)) << frontLowerRight << " " << right;
    // The wood's grain: two places of the same lit face differ.
    EXPECT_NE(frontUpperLeft, frontLowerRight);

    // Release, in the program's order, back to the counts at the start.
    EXPECT_EQ(Driver->ReleaseRenderSetBuffers(&cube.set), 1);
    EXPECT_EQ(cube.buffers.vertexBuffer, nullptr);
    registry.ReleaseAll();
    ReleaseTextures();
    EXPECT_EQ(CTexture::Heap().LiveCount(), texturesBefore);
    EXPECT_EQ(SharedHeap().LiveCount(), sharedBefore);
}
