// The records of the drop queue and of the recorded pushes, and two values
// shared by the whole process: when an object last dropped, and where the
// lighting and shadow passes put the light.
#pragma once

#include <cstdint>
#include <string>

#include "core/vector3.h"

class CNBObject;

// One entry of the scene's drop queue. Key 0 drops objects onto the 3D
// cursor, one per pass at most every 301 ms, for as long as it stays queued;
// key 2 marks every object but the ground as freshly dropped once and leaves
// the queue; other keys wait in the queue without effect.
struct DropRecord {
    std::string name;  // a block-type name kept for the editor windows
    int32_t key = 0;
    int32_t reserved = 0;
};

inline constexpr int32_t kDropContinuously = 0;
inline constexpr int32_t kMarkAllDropped = 2;

// One recorded push: the object under the cursor when it was recorded (null
// for empty space) and the direction it is pushed in (the camera's forward
// axis then; zero without an object).
struct RecordedObject {
    CNBObject* object = nullptr;
    Vector3 direction;
};

// The light position of every scene: on a sphere of radius 500 around the
// origin, from the world's sun angles (CScene::SetLightDirection). Starts at
// (500, 500, 500) and survives scenes.
extern Vector3 LightPosition;

// Clock (ms) of the last drop of any scene; 0 before the first.
extern uint32_t LastDropTime;
