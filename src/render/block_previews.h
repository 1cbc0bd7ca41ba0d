// The block types' turning preview pictures (CScene::RenderBlockPreviews):
// each block type's object drawn alone, lit from the eye, into a 512 x 512
// colour target of its own on opaque green, seen from 55 degrees above the
// horizon by a camera that circles it at 15 degrees per second of frame
// time. The scene frame renders the current block type (and the one the
// "Blocks" window shows) every frame, turning them; entering or reloading a
// world renders all of them once, as stills. The pictures live in
// BlockType::preview (world/block_type.h); the tool boxes show
// BlockType::PreviewPicture().
#pragma once

class CCamera;
class CWorld;
struct BlockType;
struct Vector3;

// Side of a preview picture in pixels.
inline constexpr int kBlockPreviewSide = 512;
// Turning speed of a picture, degrees per second of frame time.
inline constexpr float kBlockPreviewTurnRate = 15.0f;
// The camera never comes nearer the object's centre than this, whatever the
// block type's box or the preview scale (a zero box would put the eye inside
// the object, at the centre itself).
inline constexpr float kBlockPreviewMinimumDistance = 0.25f;

// The size the camera distance is taken from: the length of the block type's
// box diagonal, each component times the scale.
float BlockPreviewSize(const BlockType& type, const Vector3& scale);

// The preview angle after `frameTime` seconds more, kept within [0, 360).
// A frame time that is not a positive finite number leaves it unchanged.
float AdvanceBlockPreviewAngle(float angleDegrees, float frameTime);

// Sets up `camera` as the picture's camera for an object of `size` turned by
// `angleDegrees`: at 1.2 x size (at least kBlockPreviewMinimumDistance) from
// the origin, 55 degrees from the vertical, looking at the origin; 45-degree
// view angles, near 0.1, far 1.5 x the distance; matrices and frustum
// updated.
void SetUpBlockPreviewCamera(CCamera& camera, float size, float angleDegrees);

// Frees every block type's preview object and targets; each is made again
// at its next visit. For GPU objects that belong to a device being replaced.
void ReleaseBlockPreviews(CWorld& world);
