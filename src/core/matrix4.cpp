#include "core/matrix4.h"

#include <cmath>

#include "core/matrix4d.h"

void Matrix4::SetIdentity()
{
    for (int i = 0; i < 16; ++i) m[i] = (i % 5 == 0) ? 1.0f : 0.0f;
    identity = 1;
}

void Matrix4::Multiply(const Matrix4& b, Matrix4& out) const
{
    // Computed into a temporary: out may be this or b.
    float product[16];
    for (int row = 0; row < 4; ++row) {
        for (int column = 0; column < 4; ++column) {
            float sum = 0.0f;
            for (int k = 0; k < 4; ++k) sum += m[row * 4 + k] * b.m[k * 4 + column];
            product[row * 4 + column] = sum;
        }
    }
    for (int i = 0; i < 16; ++i) out.m[i] = product[i];
}

void Matrix4::Rotate(Vector3& axis, float degrees)
{
    const float t = degrees * kDegreesToRadians;
    const float c = std::cos(t);
    const float s = std::sin(t);
    axis.Normalize();
    const Vector3 u = axis;
    const float k = 1.0f - c;

    // The transpose of Vector3::RotateAboutAxis's matrix: the row-vector form.
    Matrix4 r;
    r.m[0] = c + u.x * u.x * k;
    r.m[1] = u.x * u.y * k + u.z * s;
    r.m[2] = u.x * u.z * k - u.y * s;
    r.m[4] = u.x * u.y * k - u.z * s;
    r.m[5] = c + u.y * u.y * k;
    r.m[6] = u.y * u.z * k + u.x * s;
    r.m[8] = u.x * u.z * k + u.y * s;
    r.m[9] = u.y * u.z * k - u.x * s;
    r.m[10] = c + u.z * u.z * k;
    r.m[15] = 1.0f;
    Multiply(r, *this);
}

void Matrix4::Transpose()
{
    for (int row = 0; row < 4; ++row) {
        for (int column = row + 1; column < 4; ++column) {
            const float t = m[row * 4 + column];
            m[row * 4 + column] = m[column * 4 + row];
            m[column * 4 + row] = t;
        }
    }
}

Vector3 Matrix4::GetTranslation() const
{
    return Vector3{m[12], m[13], m[14]};
}

float Matrix4::Determinant() const
{
    double wide[16];
    for (int i = 0; i < 16; ++i) wide[i] = m[i];
    // Minors in double, but the running sum is a float: each product drops to
    // float precision as it joins the sum.
    float determinant = 0.0f;
    for (int column = 0; column < 4; ++column) {
        const double sign = (column % 2 == 0) ? 1.0 : -1.0;
        determinant += static_cast<float>(sign * wide[column] * MinorDeterminant(wide, 0, column));
    }
    return determinant;
}

void Matrix4::Inverse()
{
    float determinant = Determinant();
    if (determinant == 0.0f) determinant = 1.0f;
    double wide[16];
    for (int i = 0; i < 16; ++i) wide[i] = m[i];
    // Element (c, r) of the inverse is the cofactor (r, c) over the determinant.
    for (int row = 0; row < 4; ++row) {
        for (int column = 0; column < 4; ++column) {
            const double sign = ((row + column) % 2 == 0) ? 1.0 : -1.0;
            const double cofactor = sign * MinorDeterminant(wide, row, column);
            m[column * 4 + row] = static_cast<float>(cofactor / determinant);
        }
    }
}

void Matrix4::FromQuaternion(const Vector4& q)
{
    const float w = q.v[0];
    const float x = q.v[1];
    const float y = q.v[2];
    const float z = q.v[3];
    // The column-vector rotation first; the transpose below gives our form.
    m[0] = 1.0f - 2.0f * (y * y + z * z);
    m[1] = 2.0f * (x * y - w * z);
    m[2] = 2.0f * (w * y + x * z);
    m[3] = 0.0f;
    m[4] = 2.0f * (w * z + x * y);
    m[5] = 1.0f - 2.0f * (x * x + z * z);
    m[6] = 2.0f * (y * z - w * x);
    m[7] = 0.0f;
    m[8] = 2.0f * (x * z - w * y);
    m[9] = 2.0f * (w * x + y * z);
    m[10] = 1.0f - 2.0f * (x * x + y * y);
    m[11] = 0.0f;
    m[12] = 0.0f;
    m[13] = 0.0f;
    m[14] = 0.0f;
    m[15] = 1.0f;
    Transpose();
}
