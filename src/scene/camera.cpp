// Sections: helpers / construction / screen and world / matrices / scene
// projection / movement / turning and orientation.
#include "scene/camera.h"

#include <algorithm>
#include <cmath>

#include "core/matrix4.h"
#include "scene/ray_tests.h"

namespace {

// ---- Helpers ---------------------------------------------------------------

constexpr float kMinimumViewAngle = 0.008726646f;  // half a degree
// A view angle of 180 degrees or more has no finite (or a negative) focal
// length and turns the picture inside out; 179 degrees is the widest kept.
constexpr float kMaximumViewAngle = 179.0f * kDegreesToRadians;
constexpr float kDefaultViewAngle = 90.0f * kDegreesToRadians;
constexpr float kDefaultNearDistance = 0.25f;
constexpr float kDefaultFarDistance = 1000.0f;

// The scene's own defaults for its projection settings.
constexpr float kSceneFieldOfView = 70.0f;
constexpr float kSceneNearPlane = 0.2f;
constexpr float kSceneFarPlane = 1000.0f;
constexpr float kMinimumFieldOfView = 15.0f;
constexpr float kMaximumFieldOfView = 160.0f;

constexpr float kHomogeneousLimit = 1e-5f;
constexpr float kNormaliseLimit = 1e-8f;

// (p, 1) x m, formed in double and rounded to float, divided by w (through
// its float reciprocal) unless |w| < 1e-5.
Vector3 TransformHomogeneous(const Matrix4d& matrix, const Vector3& p)
{
    const double* m = matrix.m;
    const auto x = static_cast<float>(p.x * m[0] + p.y * m[4] + p.z * m[8] + m[12]);
    const auto y = static_cast<float>(p.x * m[1] + p.y * m[5] + p.z * m[9] + m[13]);
    const auto z = static_cast<float>(p.x * m[2] + p.y * m[6] + p.z * m[10] + m[14]);
    const auto w = static_cast<float>(p.x * m[3] + p.y * m[7] + p.z * m[11] + m[15]);
    if (std::fabs(w) < kHomogeneousLimit) return Vector3{x, y, z};
    const float inverse = 1.0f / w;
    return Vector3{x * inverse, y * inverse, z * inverse};
}

// (field of view + offset) in radians, within [half a degree, 179 degrees];
// a NaN sum takes the right angle of a fresh camera.
float ViewAngle(float fieldOfViewDegrees, float offsetDegrees)
{
    const float angle = (offsetDegrees + fieldOfViewDegrees) * kDegreesToRadians;
    if (std::isnan(angle)) return kDefaultViewAngle;
    return std::clamp(angle, kMinimumViewAngle, kMaximumViewAngle);
}

bool IsUsableDistancePair(float nearDistance, float farDistance)
{
    return std::isfinite(nearDistance) && std::isfinite(farDistance) && nearDistance > 0.0f &&
           farDistance > nearDistance;
}

// The first three components of one row of the rotation part.
Vector3 Row(const Matrix4d& matrix, int row)
{
    return Vector3{static_cast<float>(matrix.m[row * 4]), static_cast<float>(matrix.m[row * 4 + 1]),
                   static_cast<float>(matrix.m[row * 4 + 2])};
}

Vector3 Column(const Matrix4d& matrix, int column)
{
    return Vector3{static_cast<float>(matrix.m[column]), static_cast<float>(matrix.m[4 + column]),
                   static_cast<float>(matrix.m[8 + column])};
}

void SetColumn(Matrix4d& matrix, int column, const Vector3& v)
{
    matrix.m[column] = v.x;
    matrix.m[4 + column] = v.y;
    matrix.m[8 + column] = v.z;
}

// The part of a direction that lies across the vertical, made unit length.
Vector3 Levelled(const Vector3& direction)
{
    const Vector3 up{0.0f, 1.0f, 0.0f};
    Vector3 across;
    RotateIntoPlane(direction, up, &across, nullptr);
    across.Normalize();
    return across;
}

float Dot(const Vector3& a, const Vector3& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }

Vector3 Cross(const Vector3& a, const Vector3& b)
{
    Vector3 result = a;
    result.CrossAssign(b);
    return result;
}

}  // namespace

// ---- Construction ------------------------------------------------------------

CCamera::CCamera()
{
    orientation.SetIdentity();
    Vector3 pitchAxis{1.0f, 0.0f, 0.0f};
    orientation.Rotate(pitchAxis, -20.0f);
    viewMatrix.SetIdentity();
    projectionMatrix.SetIdentity();
    verticalViewAngle = ViewAngle(fieldOfView, angleOffsets[0]);
    horizontalViewAngle = ViewAngle(fieldOfView, angleOffsets[1]);
}

// ---- Screen and world ----------------------------------------------------------

bool CCamera::ProjectToScreen(Vector3& point, int width, int height) const
{
    const Vector3 n = TransformHomogeneous(projectionMatrix, TransformHomogeneous(viewMatrix, point));
    const double halfWidth = width * 0.5;
    const double halfHeight = height * 0.5;
    const auto sx = static_cast<float>(n.x * halfWidth + n.x + width / 2);
    const auto sy = static_cast<float>(height - (n.y * halfHeight + n.y + height / 2));
    point = Vector3{sx, sy, n.z};
    // Truncated toward zero, a coordinate lands in [0, size) exactly when it
    // lies in (-1, size); compared as floats, so no huge value is converted.
    const bool onScreenX = sx > -1.0f && sx < static_cast<float>(width);
    const bool onScreenY = sy > -1.0f && sy < static_cast<float>(height);
    return width > 0 && height > 0 && onScreenX && onScreenY && n.z >= 0.0f && n.z <= 1.0f;
}

void CCamera::Unproject(Vector3& screenPoint, Vector3& worldPoint) const
{
    const double width = viewportWidth;
    const double height = viewportHeight;
    screenPoint.y = static_cast<float>(height - screenPoint.y);
    const Vector3 normalised{static_cast<float>((screenPoint.x - width * 0.5) / (width * 0.5 + 1.0)),
                             static_cast<float>((screenPoint.y - height * 0.5) / (height * 0.5 + 1.0)),
                             screenPoint.z};
    Matrix4d inverseProjection = projectionMatrix;
    inverseProjection.Inverse();
    Matrix4d inverseView = viewMatrix;
    inverseView.Inverse();
    worldPoint = TransformHomogeneous(inverseView, TransformHomogeneous(inverseProjection, normalised));
}

// ---- Matrices ----------------------------------------------------------------

void CCamera::UpdateViewMatrix()
{
    const Vector3 eye = Vector3::Add(position, eyeOffset);
    viewMatrix = orientation;
    double* m = viewMatrix.m;
    m[3] = 0.0;
    m[7] = 0.0;
    m[11] = 0.0;
    for (int column = 0; column < 3; ++column) {
        const auto along = static_cast<float>(eye.x * m[column] + eye.y * m[4 + column] + eye.z * m[8 + column]);
        m[12 + column] = -along;
    }
    m[15] = 1.0;
}

void CCamera::UpdateProjectionMatrix()
{
    // Owners write angles and distances directly; whatever they wrote, the
    // matrix stays a proper perspective.
    const float horizontal = std::isnan(horizontalViewAngle)
                                 ? kDefaultViewAngle
                                 : std::clamp(horizontalViewAngle, kMinimumViewAngle, kMaximumViewAngle);
    const float vertical = std::isnan(verticalViewAngle)
                               ? kDefaultViewAngle
                               : std::clamp(verticalViewAngle, kMinimumViewAngle, kMaximumViewAngle);
    const float cx = 1.0f / static_cast<float>(std::tan(0.5 * horizontal));
    const float cy = 1.0f / static_cast<float>(std::tan(0.5 * vertical));

    float farPlane = farDistance;
    float nearPlane = nearDistance;
    if (unitMode == 1) {
        farPlane *= 0.001f;
        nearPlane *= 0.01f;
    } else if (unitMode == 3) {
        farPlane *= 2.5f;
        nearPlane *= 2.5f;
    }
    // A near plane at or behind the eye, or a far plane not beyond it (unit
    // mode 1 also brings far below near when far < 10 near), would give a
    // matrix without a depth range: the fresh camera's distances stand in.
    if (!IsUsableDistancePair(nearPlane, farPlane)) {
        nearPlane = kDefaultNearDistance;
        farPlane = kDefaultFarDistance;
    }
    const float q = farPlane / (farPlane - nearPlane);

    double* m = projectionMatrix.m;
    for (int i = 0; i < 16; ++i) m[i] = 0.0;
    m[0] = cx * xProjectionFactor;
    m[5] = cy * yProjectionFactor;
    m[10] = q;
    m[11] = 1.0;
    m[14] = -q * nearPlane;
}

void CCamera::UpdateFrustum()
{
    Matrix4 view;
    Matrix4 projection;
    for (int i = 0; i < 16; ++i) {
        view.m[i] = static_cast<float>(viewMatrix.m[i]);
        projection.m[i] = static_cast<float>(projectionMatrix.m[i]);
    }
    Matrix4 clip;
    view.Multiply(projection, clip);
    const float* c = clip.m;
    // Column j of the clip matrix, as plane coefficients.
    auto column = [c](int j) { return FrustumPlane{c[j], c[4 + j], c[8 + j], c[12 + j]}; };
    auto add = [](const FrustumPlane& p, const FrustumPlane& q) {
        return FrustumPlane{p.a + q.a, p.b + q.b, p.c + q.c, p.d + q.d};
    };
    auto subtract = [](const FrustumPlane& p, const FrustumPlane& q) {
        return FrustumPlane{p.a - q.a, p.b - q.b, p.c - q.c, p.d - q.d};
    };
    const FrustumPlane c0 = column(0);
    const FrustumPlane c1 = column(1);
    const FrustumPlane c2 = column(2);
    const FrustumPlane c3 = column(3);
    planes[0] = subtract(c3, c0);  // right
    planes[1] = add(c3, c0);       // left
    planes[2] = add(c3, c1);       // bottom
    planes[3] = subtract(c3, c1);  // top
    planes[4] = subtract(c3, c2);  // far
    // z = -w: between the eye and the near plane (about half the near
    // distance), so geometry just short of the near plane still counts.
    planes[5] = add(c3, c2);
    for (FrustumPlane& plane : planes) {
        const float length = std::sqrt(plane.a * plane.a + plane.b * plane.b + plane.c * plane.c);
        // A degenerate matrix gives a plane without a normal: keep it as it
        // is rather than fill the culling with infinities and NaN.
        if (!(length >= kNormaliseLimit)) continue;
        plane.a /= length;
        plane.b /= length;
        plane.c /= length;
        plane.d /= length;
    }
}

// ---- Scene projection ------------------------------------------------------------

void CCamera::ApplySceneProjection(float fieldOfViewSetting, float nearPlaneSetting, float farPlaneSetting,
                                   int32_t screenWidth, int32_t screenHeight)
{
    projectionFlag = 1;
    if (screenWidth > 0 && screenHeight > 0) {
        xProjectionFactor = static_cast<float>(screenHeight) / static_cast<float>(screenWidth);
        yProjectionFactor = 1.0f;
    }

    if (IsUsableDistancePair(nearPlaneSetting, farPlaneSetting)) {
        nearDistance = nearPlaneSetting;
        farDistance = farPlaneSetting;
    } else {
        nearDistance = kSceneNearPlane;
        farDistance = kSceneFarPlane;
    }

    const float fov = std::isfinite(fieldOfViewSetting)
                          ? std::clamp(fieldOfViewSetting, kMinimumFieldOfView, kMaximumFieldOfView)
                          : kSceneFieldOfView;
    fieldOfView = fov;
    projectionModes[0] = 2;
    projectionModes[1] = 2;
    for (float& offset : angleOffsets)
        if (!std::isfinite(offset)) offset = 0.0f;
    verticalViewAngle = ViewAngle(fov, angleOffsets[0]);
    horizontalViewAngle = ViewAngle(fov, angleOffsets[1]);

    UpdateViewMatrix();
    UpdateProjectionMatrix();
    UpdateFrustum();
}

// ---- Movement ------------------------------------------------------------------

Vector3 CCamera::LevelledForward() const { return Levelled(Column(orientation, 2)); }

Vector3 CCamera::LevelledSide() const { return Levelled(Row(orientation, 0).Negate()); }

void CCamera::MoveForward(float amount)
{
    position.AddAssign(Vector3::Scale(LevelledForward(), moveStep * amount));
}

void CCamera::MoveSideways(float amount)
{
    const Vector3 s = Vector3::Scale(LevelledSide(), moveStep * amount);
    position.x += s.x;
    position.y += s.y;
    position.z -= s.z;
}

void CCamera::ForwardStep(float amount, Vector3& out)
{
    out = Vector3::Scale(LevelledForward(), moveStep * amount);
    travelledDistance += moveStep * amount;
}

void CCamera::SidewaysStep(float amount, Vector3& out) const
{
    out = Vector3::Scale(LevelledSide(), moveStep * amount);
    out.z = -out.z;
}

void CCamera::VerticalStep(float amount, Vector3& out) const { out = Vector3{0.0f, moveStep * amount, 0.0f}; }

void CCamera::SideVector(Vector3& out) const
{
    const auto sway = static_cast<float>(0.002 * std::sin(static_cast<double>(travelledDistance)));
    out = Vector3::Scale(LevelledSide(), sway);
}

// ---- Turning and orientation -------------------------------------------------------

void CCamera::Yaw(float amount)
{
    // The world's up direction as the orientation carries it.
    Vector3 axis = Row(orientation, 1);
    orientation.Rotate(axis, -(turnStep * amount));
}

void CCamera::Pitch(float amount)
{
    Vector3 axis{1.0f, 0.0f, 0.0f};
    orientation.Rotate(axis, -(turnStep * amount));
}

void CCamera::SetOrientation(const Vector3& first, const Vector3& second)
{
    Vector3 viewing = first;
    viewing.Normalize();
    Vector3 side = second;
    side.Normalize();
    Vector3 up = Cross(viewing, side);
    up.Normalize();
    SetColumn(orientation, 0, side);
    SetColumn(orientation, 1, up);
    SetColumn(orientation, 2, viewing);
}

void CCamera::LookAt(const Vector3& eye, const Vector3& target, Vector3& up)
{
    Vector3 viewing = Vector3::Sub(target, eye);
    viewing.Normalize();
    up.Normalize();
    up = Cross(up, viewing);
    up.Normalize();
    const Vector3 side = up;
    Vector3 trueUp = Cross(viewing, side);
    trueUp.Normalize();

    SetColumn(orientation, 0, side);
    SetColumn(orientation, 1, trueUp);
    SetColumn(orientation, 2, viewing);
    double* m = orientation.m;
    m[3] = 0.0;
    m[7] = 0.0;
    m[11] = 0.0;
    m[12] = -Dot(eye, side);
    m[13] = -Dot(eye, trueUp);
    m[14] = -Dot(eye, viewing);
    m[15] = 1.0;
}
