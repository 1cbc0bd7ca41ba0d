#include "core/matrix4d.h"

#include <cmath>

double MinorDeterminant(const double m[16], int skipRow, int skipColumn)
{
    double a[9];
    int n = 0;
    for (int row = 0; row < 4; ++row) {
        if (row == skipRow) continue;
        for (int column = 0; column < 4; ++column) {
            if (column == skipColumn) continue;
            a[n++] = m[row * 4 + column];
        }
    }
    return a[0] * (a[4] * a[8] - a[5] * a[7]) - a[1] * (a[3] * a[8] - a[5] * a[6]) +
           a[2] * (a[3] * a[7] - a[4] * a[6]);
}

void Matrix4d::SetIdentity()
{
    for (int i = 0; i < 16; ++i) m[i] = (i % 5 == 0) ? 1.0 : 0.0;
    identity = 1;
}

void Matrix4d::Rotate(Vector3& axis, float degrees)
{
    const float t = degrees * kDegreesToRadians;
    // Float cosine and sine, widened: cameras turn exactly as objects do.
    const double c = static_cast<float>(std::cos(static_cast<double>(t)));
    const double s = static_cast<float>(std::sin(static_cast<double>(t)));
    axis.Normalize();
    const double ux = axis.x;
    const double uy = axis.y;
    const double uz = axis.z;
    const double k = 1.0 - c;

    // The transpose of Vector3::RotateAboutAxis's matrix: the row-vector form.
    Matrix4d r;
    r.SetIdentity();
    r.m[0] = c + ux * ux * k;
    r.m[1] = ux * uy * k + uz * s;
    r.m[2] = ux * uz * k - uy * s;
    r.m[4] = ux * uy * k - uz * s;
    r.m[5] = c + uy * uy * k;
    r.m[6] = uy * uz * k + ux * s;
    r.m[8] = ux * uz * k + uy * s;
    r.m[9] = uy * uz * k - ux * s;
    r.m[10] = c + uz * uz * k;

    // The product lands in a record that starts as the identity and is copied
    // whole, flag included.
    Matrix4d product;
    product.SetIdentity();
    Multiply(r, product);
    *this = product;
}

void Matrix4d::Multiply(const Matrix4d& b, Matrix4d& out) const
{
    // Both operands are copied first: out may be either of them.
    double left[16];
    double right[16];
    for (int i = 0; i < 16; ++i) {
        left[i] = m[i];
        right[i] = b.m[i];
    }
    for (int row = 0; row < 4; ++row) {
        for (int column = 0; column < 4; ++column) {
            double sum = 0.0;
            for (int k = 0; k < 4; ++k) sum += left[row * 4 + k] * right[k * 4 + column];
            out.m[row * 4 + column] = sum;
        }
    }
}

void Matrix4d::Transpose()
{
    for (int row = 0; row < 4; ++row) {
        for (int column = row + 1; column < 4; ++column) {
            const double t = m[row * 4 + column];
            m[row * 4 + column] = m[column * 4 + row];
            m[column * 4 + row] = t;
        }
    }
}

double Matrix4d::Determinant() const
{
    double determinant = 0.0;
    for (int column = 0; column < 4; ++column) {
        const double sign = (column % 2 == 0) ? 1.0 : -1.0;
        determinant += sign * m[column] * MinorDeterminant(m, 0, column);
    }
    return determinant;
}

void Matrix4d::Inverse()
{
    double determinant = Determinant();
    if (determinant == 0.0) determinant = 1.0;
    double source[16];
    for (int i = 0; i < 16; ++i) source[i] = m[i];
    // Element (c, r) of the inverse is the cofactor (r, c) over the determinant.
    for (int row = 0; row < 4; ++row) {
        for (int column = 0; column < 4; ++column) {
            const double sign = ((row + column) % 2 == 0) ? 1.0 : -1.0;
            m[column * 4 + row] = sign * MinorDeterminant(source, row, column) / determinant;
        }
    }
}
