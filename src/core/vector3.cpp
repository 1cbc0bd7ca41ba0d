#include "core/vector3.h"

#include <cmath>

namespace {

// Set by the renderer between frames; everything runs on the main thread.
Vector3 g_globalScale{1.0f, 1.0f, 1.0f};
double g_globalVector[3] = {0.0, 0.0, 0.0};

}  // namespace

void SetGlobalScale(const Vector3& scale)
{
    g_globalScale = scale;
}

void SetGlobalVector(double x, double y, double z)
{
    g_globalVector[0] = x;
    g_globalVector[1] = y;
    g_globalVector[2] = z;
}

void Vector3::Set(float newX, float newY, float newZ)
{
    x = newX;
    y = newY;
    z = newZ;
}

void Vector3::Zero()
{
    x = y = z = 0.0f;
}

Vector3 Vector3::AddAssign(const Vector3& v)
{
    x += v.x;
    y += v.y;
    z += v.z;
    return *this;
}

Vector3 Vector3::SubAssign(const Vector3& v)
{
    x -= v.x;
    y -= v.y;
    z -= v.z;
    return *this;
}

Vector3 Vector3::MulAssign(float s)
{
    x *= s;
    y *= s;
    z *= s;
    return *this;
}

Vector3 Vector3::DivAssign(float s)
{
    x /= s;
    y /= s;
    z /= s;
    return *this;
}

Vector3 Vector3::MulComponentsAssign(const Vector3& v)
{
    x *= v.x;
    y *= v.y;
    z *= v.z;
    return *this;
}

Vector3 Vector3::CrossAssign(const Vector3& v)
{
    const Vector3 a = *this;  // v may be this vector
    const Vector3 b = v;
    x = a.y * b.z - a.z * b.y;
    y = a.z * b.x - a.x * b.z;
    z = a.x * b.y - a.y * b.x;
    return *this;
}

Vector3 Vector3::Add(const Vector3& a, const Vector3& b)
{
    return Vector3{a.x + b.x, a.y + b.y, a.z + b.z};
}

Vector3 Vector3::Sub(const Vector3& a, const Vector3& b)
{
    return Vector3{a.x - b.x, a.y - b.y, a.z - b.z};
}

Vector3 Vector3::Scale(const Vector3& v, float s)
{
    return Vector3{v.x * s, v.y * s, v.z * s};
}

Vector3 Vector3::Divide(const Vector3& v, float s)
{
    return Vector3{v.x / s, v.y / s, v.z / s};
}

Vector3 Vector3::Negate() const
{
    return Vector3{-x, -y, -z};
}

float Vector3::Length() const
{
    return std::sqrt(x * x + y * y + z * z);
}

float Vector3::Normalize()
{
    const float length = Length();
    if (length >= 1e-8f) {
        const float inverse = 1.0f / length;
        x *= inverse;
        y *= inverse;
        z *= inverse;
    }
    return length;
}

float Vector3::AngleDegrees(const Vector3& a, const Vector3& b)
{
    const float lengthSqA = a.x * a.x + a.y * a.y + a.z * a.z;
    const float lengthSqB = b.x * b.x + b.y * b.y + b.z * b.z;
    if (lengthSqA == 0.0f || lengthSqB == 0.0f) return 0.0f;
    const float dot = a.x * b.x + a.y * b.y + a.z * b.z;
    // The product of the squared lengths is taken in double: in float it
    // overflows for long vectors and underflows to 0 for short ones.
    double cosine = dot / std::sqrt(static_cast<double>(lengthSqA) * lengthSqB);
    if (cosine > 1.0) cosine = 1.0;
    if (cosine < -1.0) cosine = -1.0;
    return static_cast<float>(std::acos(cosine)) * kRadiansToDegrees;
}

void Vector3::RotateAboutAxis(const Vector3& axis, float degrees, Vector3& v)
{
    const Vector3 u = axis;  // axis may be v itself
    const float t = degrees * kDegreesToRadians;
    const float c = static_cast<float>(std::cos(static_cast<double>(t)));
    const float s = static_cast<float>(std::sin(static_cast<double>(t)));
    const float k = 1.0f - c;
    const Vector3 p = v;
    v.x = (c + u.x * u.x * k) * p.x + (u.x * u.y * k - u.z * s) * p.y + (u.x * u.z * k + u.y * s) * p.z;
    v.y = (u.x * u.y * k + u.z * s) * p.x + (c + u.y * u.y * k) * p.y + (u.y * u.z * k - u.x * s) * p.z;
    v.z = (u.x * u.z * k - u.y * s) * p.x + (u.y * u.z * k + u.x * s) * p.y + (c + u.z * u.z * k) * p.z;
}

Vector3 Vector3::DivideByGlobalScale()
{
    x /= g_globalScale.x;
    y /= g_globalScale.y;
    z /= g_globalScale.z;
    return *this;
}

void Vector3::SetFromGlobalVector()
{
    x = static_cast<float>(g_globalVector[0]);
    y = static_cast<float>(g_globalVector[1]);
    z = static_cast<float>(g_globalVector[2]);
}

float Sign(float f)
{
    if (f > 0.0f) return 1.0f;
    if (f < 0.0f) return -1.0f;
    return 0.0f;
}

Vector4 Vector4::Assign(const Vector4& q)
{
    *this = q;
    return *this;
}
