// The overlays drawn after the object passes (lines_and_frames.cpp):
// CScene::RenderFrames, translucent highlights ("frame.fx") over the object
// about to be placed, the selected and the dragged object, drawn with the
// driver's depth-biased rasterizer state so they lie on the objects' own
// surfaces; CScene::RenderLines, the world's lines with a marker at each
// control point, and CScene::RenderCursorMarker, a marker at the 3D cursor
// ("3dline.fx", both ignoring depth so they always show).
#pragma once

#include <cstdint>

#include "core/vector3.h"

class CNBObject;
struct BlockType;

// Placement and selection frames stay hidden this long (ms) after a throw or
// queued drop, so they do not flicker over objects in flight.
inline constexpr uint32_t kFrameHoldAfterThrow = 1500;

// True when `lastThrowTime` is set and less than kFrameHoldAfterThrow before `now`.
bool IsRecentThrow(uint32_t lastThrowTime, uint32_t now);

// The placement pose of `object` at `point` on a surface with `normal`: its
// world matrix becomes the block type's default rotation (none for a null
// type) moved to the point, then moved along the normal (normalised, kept as
// it is below length 1e-8) until the lowest vertex of its first part's mesh
// lies in the surface plane. An object without a part or vertices is only
// rotated and moved to the point.
void PosePlacementObject(CNBObject& object, const BlockType* type, const Vector3& point, Vector3 normal);
