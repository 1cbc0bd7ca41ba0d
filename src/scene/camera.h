// CCamera: where the eye is and how it looks - double-precision view and
// projection matrices (row vectors, left-handed; the near plane maps to depth
// 0, the far plane to 1), the six frustum planes that follow from them, and
// the viewer's walking and turning. SceneSlot: the plain record of which the scene holds 32.
//
// Sections: SceneSlot / CCamera (construction, screen and world, matrices,
// movement, turning and orientation, fields).
#pragma once

#include <cstdint>

#include "core/matrix4d.h"
#include "core/vector3.h"

// ---------------------------------------------------------------------------
// SceneSlot: only its construction is fixed; nothing reads it afterwards.
// ---------------------------------------------------------------------------

struct SceneSlotEntry {
    int32_t first = 0;
    int32_t second = 0;
    uint8_t flag = 0;
};

struct SceneSlot {
    int32_t leadingWords[9] = {};
    float values[17] = {12.0f, 0.0f, 15.0f, 1.0f, 2.0f, 0.8f, 0.0f, 15.0f, 10.0f,
                        0.001f, 0.001f, 1.0f, 1.0f, 0.0f, 40.0f, 0.0f, 0.3f};
    int32_t word = 0;
    uint8_t switches[3] = {1, 0, 1};
    int32_t middleWords[6] = {};
    int32_t pairBeforeRange[2] = {};
    float range = 20.0f;
    int32_t wordsBeforeScale[4] = {};
    float scale = 1.0f;
    int32_t wordsAfterScale[4] = {};
    uint16_t half = 0;
    SceneSlotEntry entries[8];
    int32_t tailWord = 0;
    uint8_t tailByte = 0;
    int32_t lastWord = 0;
};

// One frustum plane: (a, b, c) is its inward normal, so a point p is inside
// while dot((a, b, c), p) + d >= 0.
struct FrustumPlane {
    float a = 0.0f;
    float b = 0.0f;
    float c = 0.0f;
    float d = 0.0f;
};

// Plain data without pointers: the shadow pass keeps a copy of the scene
// camera and assigns it back when done.
class CCamera {
public:
    // ---- Construction -----------------------------------------------------
    // Field of view 90 degrees, near 0.25, far 1000, position at the origin,
    // orientation tilted 20 degrees about x, identity view and projection,
    // viewport 0 x 0. The frustum planes stay zero until UpdateFrustum.
    CCamera();

    // ---- Screen and world -------------------------------------------------
    // World point to screen pixels, in place: (x, y, z, 1) through the view
    // and then the projection matrix (each homogeneous divide skipped when
    // |w| < 1e-5), then x, y in pixels with y growing downwards and z the
    // projected depth. True when the pixel lies within width x height and the
    // depth within [0, 1]; the point is written in any case. A zero width or
    // height is never on screen.
    bool ProjectToScreen(Vector3& point, int width, int height) const;
    // Screen pixel (x, y, depth 0..1) in the camera's viewport to a world
    // point, the inverse of ProjectToScreen. The screen point's y is flipped
    // in place (to height - y) on the way, so the same point object handed in
    // twice names two different pixels.
    void Unproject(Vector3& screenPoint, Vector3& worldPoint) const;

    // ---- Matrices ---------------------------------------------------------
    // Recompute; callers run them in this order after changing the camera.
    void UpdateViewMatrix();
    void UpdateProjectionMatrix();
    void UpdateFrustum();
    // The scene's per-frame projection: x projection factor height / width,
    // field of view clamped to [15, 160] degrees, the near and far planes,
    // the two view angles, then the three updates above. Settings that are
    // not finite or not usable (near <= 0, far <= near) take the scene's
    // defaults (70 degrees, 0.2, 1000).
    void ApplySceneProjection(float fieldOfViewSetting, float nearPlaneSetting, float farPlaneSetting,
                              int32_t screenWidth, int32_t screenHeight);

    // ---- Movement (levelled: along the ground, whatever the pitch) ---------
    void MoveForward(float amount);
    void MoveSideways(float amount);
    // Displacements without moving; the viewer movement applies them after
    // its collision test. ForwardStep also adds to the travelled distance.
    void ForwardStep(float amount, Vector3& out);
    void SidewaysStep(float amount, Vector3& out) const;
    void VerticalStep(float amount, Vector3& out) const;
    // The sideways sway of a walking step: the levelled side direction times
    // 0.002 sin(travelled distance).
    void SideVector(Vector3& out) const;
    // The viewing direction along the ground, unit length (zero when looking
    // straight up or down).
    Vector3 LevelledForward() const;
    Vector3 LevelledSide() const;

    // ---- Turning and orientation (angles in degrees) -----------------------
    void Yaw(float amount);
    void Pitch(float amount);
    // Viewing axis along `first`, side axis along `second`.
    void SetOrientation(const Vector3& first, const Vector3& second);
    // Orientation and translation looking from eye to target. The caller's
    // up vector is normalised and then replaced by the side axis.
    void LookAt(const Vector3& eye, const Vector3& target, Vector3& up);

    // ---- Fields -----------------------------------------------------------
    int32_t firstWord = 0;
    uint8_t projectionFlag = 0;  // set by the scene's projection update
    int32_t modeWord = 1;
    float scalar = 2.0f;
    float moveStep = 1.0f;  // length of one movement unit
    float turnStep = 1.0f;  // degrees of one turning unit
    int32_t unitMode = 2;   // 1: far x 0.001, near x 0.01; 3: both x 2.5
    int32_t projectionModes[2] = {2, 2};
    float fieldOfView = 90.0f;  // degrees
    Vector3 pointPair[2];
    Vector3 cornerPoints[8];
    FrustumPlane planes[6];  // right, left, bottom, top, far, near side
    Vector3 position;
    float farDistance = 1000.0f;  // also the culling distance
    float nearDistance = 0.25f;
    float verticalViewAngle = 0.0f;    // radians
    float horizontalViewAngle = 0.0f;  // radians
    // The rotation's first three columns hold the side, up and view axes.
    Matrix4d orientation;
    Matrix4d viewMatrix;
    Matrix4d projectionMatrix;
    // Gravity and jump state of the viewer movement.
    uint8_t gravity = 1;  // 1 walks and falls, 0 flies
    uint8_t jumping = 0;
    float jumpSpeed = 0.0f;
    float jumpStartHeight = 0.0f;
    float jumpStep = 0.0f;
    float jumpTravelled = 0.0f;
    float jumpTargetHeight = 1.2f;
    int32_t viewportWidth = 0;  // pixels; used by Unproject
    int32_t viewportHeight = 0;
    float travelledDistance = 0.0f;  // sum of all ForwardStep steps
    float xProjectionFactor = 1.0f;
    float yProjectionFactor = 1.0f;
    float angleOffsets[2] = {0.0f, 0.0f};  // degrees added for the vertical, horizontal angle
    Vector3 eyeOffset;                      // moves the eye off `position` in the view matrix only
};
