#include "core/GxMath.h"

#include <cfloat>
#include <cmath>

float GxVector3::Length() const
{
    return std::sqrt(x * x + y * y + z * z);
}

void GxVector3::SetLength(float length)
{
    const float current = Length();
    if (current < FLT_EPSILON) {
        x = y = z = 0.0f;
    } else {
        const float f = length / current;
        x *= f;
        y *= f;
        z *= f;
    }
    w = 0.0f;
}

GxVector3& GxVector3::operator*=(const GxMatrix& mat)
{
    *this = *this * mat;
    return *this;
}

GxVector3 GxVector3::operator*(const GxMatrix& mat) const
{
    const auto& m = mat.m;
    return GxVector3(x * m[0][0] + y * m[1][0] + z * m[2][0] + m[3][0],
                     x * m[0][1] + y * m[1][1] + z * m[2][1] + m[3][1],
                     x * m[0][2] + y * m[1][2] + z * m[2][2] + m[3][2]);
}

namespace {

uint32_t PackChannel(float v)
{
    // The negated test also sends NaN to 0, so the conversion below is always defined.
    if (!(v > 0.0f)) return 0;
    if (v > 1.0f) v = 1.0f;
    return static_cast<uint32_t>(v * 255.0f);
}

}  // namespace

uint32_t GxPackColorArgb(float r, float g, float b, float a)
{
    return PackChannel(a) << 24 | PackChannel(r) << 16 | PackChannel(g) << 8 | PackChannel(b);
}

int32_t GxTruncToInt32(double v)
{
    if (std::isnan(v)) return 0;
    if (v >= 2147483648.0) return INT32_MAX;
    if (v <= -2147483649.0) return INT32_MIN;
    return static_cast<int32_t>(v);
}

uint32_t GxPackColorArgb(const GxFColor& c)
{
    return GxPackColorArgb(c.r, c.g, c.b, c.a);
}

GxFColor GxUnpackColorArgb(uint32_t argb)
{
    return GxFColor(static_cast<float>((argb >> 16) & 0xFF) / 255.0f,
                    static_cast<float>((argb >> 8) & 0xFF) / 255.0f,
                    static_cast<float>(argb & 0xFF) / 255.0f,
                    static_cast<float>((argb >> 24) & 0xFF) / 255.0f);
}

void GxMatrix::SetTranslation(float x, float y, float z)
{
    *this = GxMatrix();
    m[3][0] = x;
    m[3][1] = y;
    m[3][2] = z;
}

void GxMatrix::SetTranslationFromVector(const GxVector3& v)
{
    SetTranslation(v.x, v.y, v.z);
}

void GxMatrix::AddTranslation(float x, float y, float z)
{
    m[3][0] += x;
    m[3][1] += y;
    m[3][2] += z;
}

void GxMatrix::SetRotationX(float angle)
{
    *this = GxMatrix();
    const float c = std::cos(angle);
    const float s = std::sin(angle);
    m[1][1] = c;
    m[1][2] = s;
    m[2][1] = -s;
    m[2][2] = c;
}

void GxMatrix::SetRotationY(float angle)
{
    *this = GxMatrix();
    const float c = std::cos(angle);
    const float s = std::sin(angle);
    m[0][0] = c;
    m[0][2] = -s;
    m[2][0] = s;
    m[2][2] = c;
}

void GxMatrix::SetRotationZ(float angle)
{
    *this = GxMatrix();
    const float c = std::cos(angle);
    const float s = std::sin(angle);
    m[0][0] = c;
    m[0][1] = s;
    m[1][0] = -s;
    m[1][1] = c;
}

void GxMatrix::ApplyScale(const GxVector3& scale)
{
    for (auto& row : m) {
        row[0] *= scale.x;
        row[1] *= scale.y;
        row[2] *= scale.z;
    }
}

GxMatrix operator*(const GxMatrix& left, const GxMatrix& right)
{
    GxMatrix out;
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 4; ++j) {
            out.m[i][j] = left.m[i][0] * right.m[0][j] + left.m[i][1] * right.m[1][j] +
                          left.m[i][2] * right.m[2][j] + left.m[i][3] * right.m[3][j];
        }
    }
    return out;
}

GxMatrix& GxMatrix::operator*=(const GxMatrix& other)
{
    *this = *this * other;
    return *this;
}

bool operator==(const GxMatrix& a, const GxMatrix& b)
{
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 4; ++j) {
            if (a.m[i][j] != b.m[i][j]) return false;
        }
    }
    return true;
}

namespace {

// The start of a world matrix: translate by -centre, scale, then add the centre and take it
// away again. The pair cancels in exact arithmetic but is kept so that the float result, which
// stored positions depend on, stays the same.
void BeginWorld(GxMatrix& out, const GxVector3& scale, const GxVector3& centre)
{
    out.SetTranslation(-centre.x, -centre.y, -centre.z);
    out.ApplyScale(scale);
    out.AddTranslation(centre.x, centre.y, centre.z);
    out.AddTranslation(-centre.x, -centre.y, -centre.z);
}

void RotateX(GxMatrix& out, float a)
{
    if (a == 0.0f) return;
    GxMatrix r;
    r.SetRotationX(a);
    out *= r;
}

void RotateY(GxMatrix& out, float a)
{
    if (a == 0.0f) return;
    GxMatrix r;
    r.SetRotationY(a);
    out *= r;
}

void RotateZ(GxMatrix& out, float a)
{
    if (a == 0.0f) return;
    GxMatrix r;
    r.SetRotationZ(a);
    out *= r;
}

void EndWorld(GxMatrix& out, const GxVector3& position, const GxVector3& centre)
{
    out.AddTranslation(centre.x, centre.y, centre.z);
    out.AddTranslation(position.x, position.y, position.z);
}

}  // namespace

void GxMatrix::SetWorld(const GxVector3& scale, const GxVector3& position,
                        const GxVector3& rotation, const GxVector3& centre)
{
    BeginWorld(*this, scale, centre);
    RotateX(*this, rotation.x);
    RotateY(*this, rotation.y);
    RotateZ(*this, rotation.z);
    EndWorld(*this, position, centre);
}

void GxMatrix::SetWorldZXY(const GxVector3& position, const GxVector3& rotation,
                           const GxVector3& scale, const GxVector3& centre)
{
    BeginWorld(*this, scale, centre);
    RotateZ(*this, rotation.z);
    RotateX(*this, rotation.x);
    RotateY(*this, rotation.y);
    EndWorld(*this, position, centre);
}
