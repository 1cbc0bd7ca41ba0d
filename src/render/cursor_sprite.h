// The aiming cross ("pcross4.dds"), a small screen-aligned quad drawn with
// "2dsprite.fx" on top of the objects and their frames
// (CScene::RenderCursorSprite, cursor_sprite.cpp). It sits at the screen
// centre, where picking aims, and follows the mouse cursor while Space is
// held, when picking goes through the cursor.
#pragma once

#include <cstdint>

#include "render/constant_buffers.h"

// "VSConstantBufferScale" for a display of width x height pixels (both
// above 0): the quad 0.025 high in clip space and 0.025 x height / width
// wide, so it is square on screen; centred at the screen centre, or at the
// cursor pixel (cursorX, cursorY; y downwards) when `atCursor` is set.
VSConstantBufferScale CursorSpritePlacement(int32_t width, int32_t height, bool atCursor, int cursorX, int cursorY);
