// Three-float vectors, the four-float value (a quaternion w, x, y, z or a colour
// r, g, b, a) and the sign helper. Angles are in degrees at every interface.
//
// These are plain, trivially copyable structs: records that hold them are
// written to files field by field.
#pragma once

// Degrees to radians and back, as single floats (every rotation uses these).
inline constexpr float kDegreesToRadians = 0.017453292f;
inline constexpr float kRadiansToDegrees = 57.295776f;

struct Vector3 {
    float x = 0.0f;
    float y = 0.0f;
    float z = 0.0f;

    void Assign(const Vector3& v) { *this = v; }
    void Set(float newX, float newY, float newZ);
    void Zero();

    // In-place arithmetic; each returns a copy of the new value.
    Vector3 AddAssign(const Vector3& v);
    Vector3 SubAssign(const Vector3& v);
    Vector3 MulAssign(float s);
    Vector3 DivAssign(float s);  // no test for 0: callers divide by lengths they checked
    Vector3 MulComponentsAssign(const Vector3& v);
    Vector3 CrossAssign(const Vector3& v);  // this = this x v

    // Out-of-place arithmetic.
    static Vector3 Add(const Vector3& a, const Vector3& b);
    static Vector3 Sub(const Vector3& a, const Vector3& b);
    static Vector3 Scale(const Vector3& v, float s);
    static Vector3 Divide(const Vector3& v, float s);  // no test for 0
    // Each component with its sign bit flipped, so 0 gives -0.
    Vector3 Negate() const;

    float Length() const;
    // Scales to unit length when the length is at least 1e-8, otherwise leaves
    // the vector as it is. Returns the length it had in both cases.
    float Normalize();

    // The angle between a and b in degrees, in [0, 180]; 0 when either is zero.
    static float AngleDegrees(const Vector3& a, const Vector3& b);
    // Rotates v in place, right-handed, by `degrees` about `axis`, which must
    // already be of unit length (it is not normalised here).
    static void RotateAboutAxis(const Vector3& axis, float degrees, Vector3& v);

    // Divides component-wise by the process-wide scale the renderer sets;
    // returns a copy of the new value.
    Vector3 DivideByGlobalScale();
    // Copies the renderer's process-wide double vector into this, each
    // component converted to float.
    void SetFromGlobalVector();
};

// The process-wide values read by DivideByGlobalScale and SetFromGlobalVector.
// They start as (1, 1, 1) and (0, 0, 0); the renderer sets them.
void SetGlobalScale(const Vector3& scale);
void SetGlobalVector(double x, double y, double z);

// 1 when f > 0, -1 when f < 0, otherwise 0 (also for NaN).
float Sign(float f);

// Four floats copied as a unit. For a rotation quaternion v[0] is the scalar
// part w and v[1..3] are x, y, z; for a colour they are r, g, b, a.
struct Vector4 {
    float v[4] = {0.0f, 0.0f, 0.0f, 0.0f};

    Vector4 Assign(const Vector4& q);
};
