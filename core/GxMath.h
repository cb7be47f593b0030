// Geometry and colour value types shared by the whole engine, and the content stream's value
// types. All of them are plain copyable values with public fields and no virtual operations.
//
// Conventions:
// - Angles are radians.
// - GxMatrix is row-major m[row][column] with row vectors: a point p is transformed as p x M, so
//   a product A x B applies A first, and the translation is the fourth row.
// - Arithmetic stays in float throughout (the build uses -ffp-contract=off): world matrices feed
//   stored positions and drawings, so their exact float results matter.
#pragma once

#include <cstdint>

struct GxMatrix;

// Rotations are held in degrees and turned into radians only when a matrix or quad is built.
inline constexpr float GxDegToRad = 0.017453292f;

struct GxVector2
{
    float x = 0.0f;
    float y = 0.0f;

    constexpr GxVector2() = default;
    constexpr GxVector2(float x_, float y_) : x(x_), y(y_) {}

    friend constexpr bool operator==(const GxVector2& a, const GxVector2& b)
    {
        return a.x == b.x && a.y == b.y;
    }
};

// Positions, scales, rotations and centres. Four floats are kept (the stream stores and the
// readers may fill the fourth), but the operations use x, y, z and leave w = 0 in their results.
struct GxVector3
{
    float x = 0.0f;
    float y = 0.0f;
    float z = 0.0f;
    float w = 0.0f;

    constexpr GxVector3() = default;
    constexpr GxVector3(float x_, float y_, float z_) : x(x_), y(y_), z(z_), w(0.0f) {}
    constexpr GxVector3(float x_, float y_, float z_, float w_) : x(x_), y(y_), z(z_), w(w_) {}

    float Length() const;
    // Scales x, y, z to the given length; a vector shorter than FLT_EPSILON becomes 0.
    void SetLength(float length);

    // The point (x, y, z, 1) x M without division by w; w = 0 in the result.
    GxVector3& operator*=(const GxMatrix& m);
    GxVector3 operator*(const GxMatrix& m) const;

    constexpr GxVector3 operator+(const GxVector3& o) const { return {x + o.x, y + o.y, z + o.z}; }
    constexpr GxVector3 operator-(const GxVector3& o) const { return {x - o.x, y - o.y, z - o.z}; }
    constexpr GxVector3& operator+=(const GxVector3& o)
    {
        x += o.x;
        y += o.y;
        z += o.z;
        w = 0.0f;
        return *this;
    }

    // Exact comparison of x, y, z; w is ignored.
    constexpr bool operator==(const GxVector3& o) const { return x == o.x && y == o.y && z == o.z; }
    constexpr bool operator!=(const GxVector3& o) const { return !(*this == o); }
};

// x, y and z from degrees to radians (w = 0).
inline GxVector3 GxDegreesToRadians(const GxVector3& degrees)
{
    return GxVector3(degrees.x * GxDegToRad, degrees.y * GxDegToRad, degrees.z * GxDegToRad);
}

// Four floats used as a whole (key-frame track values, vertices).
struct GxVector4
{
    float x = 0.0f;
    float y = 0.0f;
    float z = 0.0f;
    float w = 0.0f;

    constexpr GxVector4() = default;
    constexpr GxVector4(float x_, float y_, float z_, float w_) : x(x_), y(y_), z(z_), w(w_) {}

    constexpr GxVector4 operator+(const GxVector4& o) const
    {
        return {x + o.x, y + o.y, z + o.z, w + o.w};
    }
    constexpr GxVector4 operator-(const GxVector4& o) const
    {
        return {x - o.x, y - o.y, z - o.z, w - o.w};
    }
    constexpr GxVector4 operator*(float f) const { return {x * f, y * f, z * f, w * f}; }

    friend constexpr bool operator==(const GxVector4& a, const GxVector4& b)
    {
        return a.x == b.x && a.y == b.y && a.z == b.z && a.w == b.w;
    }
};

// A quaternion; the default is the identity rotation (0, 0, 0, 1).
struct GxQuat
{
    float x = 0.0f;
    float y = 0.0f;
    float z = 0.0f;
    float w = 1.0f;

    constexpr GxQuat() = default;
    constexpr GxQuat(float x_, float y_, float z_, float w_) : x(x_), y(y_), z(z_), w(w_) {}

    friend constexpr bool operator==(const GxQuat& a, const GxQuat& b)
    {
        return a.x == b.x && a.y == b.y && a.z == b.z && a.w == b.w;
    }
};

// Floating-point RGBA, nominally 0..1 per channel.
struct GxFColor
{
    float r = 0.0f;
    float g = 0.0f;
    float b = 0.0f;
    float a = 0.0f;

    constexpr GxFColor() = default;
    constexpr GxFColor(float r_, float g_, float b_, float a_) : r(r_), g(g_), b(b_), a(a_) {}

    friend constexpr bool operator==(const GxFColor& x, const GxFColor& y)
    {
        return x.r == y.r && x.g == y.g && x.b == y.b && x.a == y.a;
    }
};

// Packs to 0xAARRGGBB: each channel clamped to 0..1 (NaN counts as 0), times 255, truncated
// toward zero (0.5 gives 127, 1.0 gives 255).
uint32_t GxPackColorArgb(const GxFColor& c);

// Truncation toward zero for values that may come from stored data: NaN gives 0 and values
// beyond the range give the nearer bound (a plain cast would be undefined there).
int32_t GxTruncToInt32(double v);
uint32_t GxPackColorArgb(float r, float g, float b, float a);
// Each byte of 0xAARRGGBB divided by 255.
GxFColor GxUnpackColorArgb(uint32_t argb);

struct GxMatrix
{
    float m[4][4];

    // Identity.
    constexpr GxMatrix()
        : m{{1.0f, 0.0f, 0.0f, 0.0f},
            {0.0f, 1.0f, 0.0f, 0.0f},
            {0.0f, 0.0f, 1.0f, 0.0f},
            {0.0f, 0.0f, 0.0f, 1.0f}}
    {
    }
    constexpr GxMatrix(const GxMatrix&) = default;
    constexpr GxMatrix& operator=(const GxMatrix&) = default;

    void SetIdentity() { *this = GxMatrix(); }

    // Identity with the fourth row (x, y, z, 1).
    void SetTranslation(float x, float y, float z);
    void SetTranslationFromVector(const GxVector3& v);
    // Adds to m[3][0..2].
    void AddTranslation(float x, float y, float z);

    // Identity with the rotation block of the given axis.
    void SetRotationX(float angle);
    void SetRotationY(float angle);
    void SetRotationZ(float angle);

    // this = this x diag(x, y, z, 1): columns 0..2 of all four rows scaled.
    void ApplyScale(const GxVector3& scale);

    // this = this x other.
    GxMatrix& operator*=(const GxMatrix& other);

    // T(-centre) x S x Rx x Ry x Rz x T(centre + position): scale and rotation act about the
    // centre, then the object moves to its position. A zero angle multiplies nothing.
    void SetWorld(const GxVector3& scale, const GxVector3& position, const GxVector3& rotation,
                  const GxVector3& centre);
    // The same with the rotations applied Z, then X, then Y (note the argument order).
    void SetWorldZXY(const GxVector3& position, const GxVector3& rotation, const GxVector3& scale,
                     const GxVector3& centre);

    friend bool operator==(const GxMatrix& a, const GxMatrix& b);
};

// left x right: left is applied first.
GxMatrix operator*(const GxMatrix& left, const GxMatrix& right);

struct GxRect
{
    int32_t left = 0;
    int32_t top = 0;
    int32_t right = 0;
    int32_t bottom = 0;

    constexpr GxRect() = default;
    constexpr GxRect(int32_t l, int32_t t, int32_t r, int32_t b) : left(l), top(t), right(r), bottom(b) {}

    friend constexpr bool operator==(const GxRect&, const GxRect&) = default;
};

struct GxFRect
{
    float left = 0.0f;
    float top = 0.0f;
    float right = 0.0f;
    float bottom = 0.0f;

    constexpr GxFRect() = default;
    constexpr GxFRect(float l, float t, float r, float b) : left(l), top(t), right(r), bottom(b) {}

    friend constexpr bool operator==(const GxFRect&, const GxFRect&) = default;
};

struct GxPoint2
{
    int32_t x = 0;
    int32_t y = 0;

    constexpr GxPoint2() = default;
    constexpr GxPoint2(int32_t x_, int32_t y_) : x(x_), y(y_) {}

    friend constexpr bool operator==(const GxPoint2&, const GxPoint2&) = default;
};

struct GxPoint3
{
    int32_t x = 0;
    int32_t y = 0;
    int32_t z = 0;

    constexpr GxPoint3() = default;
    constexpr GxPoint3(int32_t x_, int32_t y_, int32_t z_) : x(x_), y(y_), z(z_) {}

    friend constexpr bool operator==(const GxPoint3&, const GxPoint3&) = default;
};

struct GxPoint4
{
    int32_t x = 0;
    int32_t y = 0;
    int32_t z = 0;
    int32_t w = 0;

    constexpr GxPoint4() = default;
    constexpr GxPoint4(int32_t x_, int32_t y_, int32_t z_, int32_t w_) : x(x_), y(y_), z(z_), w(w_) {}

    friend constexpr bool operator==(const GxPoint4&, const GxPoint4&) = default;
};
