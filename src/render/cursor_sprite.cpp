// The cursor sprite pass.
#include "render/cursor_sprite.h"

#include "graphics/driver.h"
#include "graphics/gpu_registry.h"
#include "graphics/texture.h"
#include "render/object_passes.h"
#include "scene/scene.h"
#include "world/world.h"

namespace {

// This pass's slots in the scene's render caches, past the blocks that
// render_caches.h hands out.
constexpr int kSlotBase = 1100;
enum ShaderSlot : int { kSpriteVertexShader = kSlotBase, kSpritePixelShader };
enum BufferSlot : int { kScaleBuffer = kSlotBase };
enum StateSlot : int { kDontWriteDepth = kSlotBase, kAlphaBlend };

constexpr float kCrossSize = 0.025f;

template <class Entry, class LookUp>
Entry* Cached(Entry*& slot, LookUp lookUp)
{
    if (!slot) slot = lookUp();
    return slot;
}

}  // namespace

VSConstantBufferScale CursorSpritePlacement(int32_t width, int32_t height, bool atCursor, int cursorX, int cursorY)
{
    const float w = static_cast<float>(width);
    const float h = static_cast<float>(height);
    VSConstantBufferScale placement{ShaderFloat4{kCrossSize * h / w, kCrossSize, kCrossSize, 1.0f},
                                    ShaderFloat4{0.0f, 0.0f, 0.0f, 0.0f}};
    if (atCursor) {
        placement.centre.x = static_cast<float>(cursorX) / w * 2.0f - 1.0f;
        placement.centre.y = -(static_cast<float>(cursorY) / h * 2.0f - 1.0f);
    }
    return placement;
}

void CScene::RenderCursorSprite()
{
    if (!world || !cursorSpriteShown || !driver) return;
    // A window without area (minimised) has no centre to aim at.
    const int32_t width = backBufferWidth;
    const int32_t height = backBufferHeight;
    if (width <= 0 || height <= 0) return;

    driver->SetDepthStencilState(Cached(renderCaches.states[kDontWriteDepth], [this] {
        return world->FindDepthStencilState(u"dontwrite");
    }));

    int cursorX = 0;
    int cursorY = 0;
    const bool atCursor = spaceHeld && PointerPosition(&cursorX, &cursorY);
    const VSConstantBufferScale placement = CursorSpritePlacement(width, height, atCursor, cursorX, cursorY);
    ConstantBufferEntry* scaleBuffer = Cached(renderCaches.constantBuffers[kScaleBuffer], [this] {
        return world->FindConstantBuffer(u"VSConstantBufferScale");
    });
    driver->UpdateConstantBuffer(scaleBuffer, &placement);
    driver->SetVertexConstantBuffer(0, scaleBuffer);

    // Looked up each frame: the world's textures are made anew with the
    // device, which would leave a kept link dangling.
    driver->SetPixelTexture(0, world->FindTexture(u"pcross4.dds"));

    ShaderEntry* vertexShader = Cached(renderCaches.shaders[kSpriteVertexShader], [this] {
        return world->FindVertexShader(u"2dsprite.fx");
    });
    ShaderEntry* pixelShader = Cached(renderCaches.shaders[kSpritePixelShader], [this] {
        return world->FindPixelShader(u"2dsprite.fx");
    });
    if (!vertexShader || !pixelShader) return;

    driver->SetBlendState(Cached(renderCaches.states[kAlphaBlend], [this] {
        return world->FindBlendState(u"alphablend");
    }));
    UseTriangleLists(*driver);
    driver->SetVertexShader(vertexShader);
    driver->SetPixelShader(pixelShader);
    driver->DrawRenderSet(world->spriteQuad);
}
