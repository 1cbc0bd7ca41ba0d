// The camera-move record: one request of the input dispatch to move or turn
// the viewer, consumed by CScene::MoveViewer (direct path) or ramped up and
// down by the smooth camera (CScene::QueueCameraMove, ApplyCameraMoves).
// The viewer operations themselves are CScene members (viewer.cpp).
#pragma once

#include <cstdint>

// Motion codes of a record's key (smooth camera) and kind (direct path).
enum CameraMoveCode : int32_t {
    kCameraForward = 1,
    kCameraBackward = 2,
    kCameraSideways = 3,      // levelled side step one way (the Left slot)
    kCameraSidewaysBack = 4,  // the other way (the Right slot)
    kCameraLower = 5,         // sent by the slot named Up
    kCameraRaise = 6,         // sent by the slot named Down
    kCameraJump = 7,          // kind only: starts a jump
    kCameraYawPlus = 7,       // key only: horizontal mouse motion, x > 0
    kCameraYawMinus = 8,
    kCameraPitchPlus = 9,     // vertical mouse motion
    kCameraPitchMinus = 10,
};
// The jump key's record key; no smooth motion belongs to it.
inline constexpr int32_t kCameraJumpKey = 20;
// The kind of records meant for the smooth camera only.
inline constexpr int32_t kCameraSmoothOnly = -1;

struct CameraMove {
    float ramp = 0.0f;           // 0..1, share of full speed (smooth camera only)
    uint32_t time = 0;           // scene clock (ms) when last fed
    int32_t key = 0;             // smooth-camera motion code and the record's identity
    int32_t kind = 0;            // direct-path motion code, kCameraSmoothOnly for none
    int32_t keepSelection = 0;   // low byte 0: re-select under the cursor after the move
};

// Radius of the sphere that keeps the viewer out of world geometry.
inline constexpr float kViewerRadius = 0.375f;
// A fall never moves the viewer more than this in one frame.
inline constexpr float kMaxFallStep = 8.0f;
// Height a jump gains.
inline constexpr float kJumpHeight = 1.2f;
