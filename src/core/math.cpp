#include "core/math.h"

#include "core/appstate.h"

#include <cmath>
#include <cstring>

namespace {

constexpr float DEG_TO_RAD = 0.017453292f;
constexpr float RAD_TO_DEG = 57.295776f;

// The square-root table: entries 0..32767 hold the mantissas of the roots of [2, 4),
// entries 32768..65535 those of [1, 2), indexed by the lowest exponent bit and the top
// 15 mantissa bits of the input.
struct MathState {
    uint32_t sqrtTable[65536];
    bool sqrtTableBuilt = false;
};

MathState mathState;

uint32_t floatBits(float f)
{
    uint32_t b;
    std::memcpy(&b, &f, sizeof b);
    return b;
}

float bitsFloat(uint32_t b)
{
    float f;
    std::memcpy(&f, &b, sizeof f);
    return f;
}

}  // namespace

void buildSqrtTable()
{
    for (uint32_t i = 0; i < 32768; i++) {
        float upper = bitsFloat(0x40000000u | (i << 8));
        float lower = bitsFloat(0x3F800000u | (i << 8));
        mathState.sqrtTable[i] = floatBits(std::sqrt(upper)) & 0x007FFFFFu;
        mathState.sqrtTable[32768 + i] = floatBits(std::sqrt(lower)) & 0x007FFFFFu;
    }
    mathState.sqrtTableBuilt = true;
}

float fastSqrt(float x)
{
    uint32_t b = floatBits(x);
    if ((b & 0x7FFFFFFFu) == 0) return 0.0f;
    if (!mathState.sqrtTableBuilt) buildSqrtTable();
    uint32_t exponent = ((((b - 0x3F800000u) >> 1) + 0x3F800000u) & 0x7F800000u);
    return bitsFloat(exponent | mathState.sqrtTable[(b >> 8) & 0xFFFFu]);
}

float pulse(float frequency, float t)
{
    if (t < -1000000.0f) t = app.globalTimeMs;
    return 0.5f + 0.5f * std::sin(frequency * 6.2831855f * t * 0.001f);
}

float sinDeg(float degrees) { return std::sin(degrees * DEG_TO_RAD); }
float cosDeg(float degrees) { return std::cos(degrees * DEG_TO_RAD); }

// ---- Vec2 ----

Vec2 Vec2::divide(float s) const
{
    float inv = 1.0f / s;
    return {x * inv, y * inv};
}

float Vec2::length() const { return fastSqrt(x * x + y * y); }

void Vec2::normalize()
{
    float len = length();
    if (len == 0.0f) return;
    float inv = 1.0f / len;
    x *= inv;
    y *= inv;
}

float Vec2::angleDegrees() const
{
    Vec2 n = *this;
    n.normalize();
    float cx = n.x;
    if (cx > 1.0f) cx = 1.0f;
    if (cx < -1.0f) cx = -1.0f;
    float a = std::acos(cx) * RAD_TO_DEG;
    if (n.y >= 0.0f) return a;
    float r = 360.0f - a;
    // acos of exactly 1 gives 0, so a tiny negative y would give exactly 360; keep [0, 360).
    return r >= 360.0f ? 0.0f : r;
}

void Vec2::rotate(float degrees)
{
    float rad = degrees * DEG_TO_RAD;
    float c = std::cos(rad);
    float s = std::sin(rad);
    float nx = c * x - s * y;
    float ny = s * x + c * y;
    x = nx;
    y = ny;
}

// ---- Vec3 ----

Vec3 Vec3::divide(float s) const
{
    float inv = 1.0f / s;
    return {x * inv, y * inv, z * inv};
}

float Vec3::length() const { return fastSqrt(x * x + y * y + z * z); }

void Vec3::normalize()
{
    float len = length();
    if (len == 0.0f) return;
    float inv = 1.0f / len;
    x *= inv;
    y *= inv;
    z *= inv;
}

// ---- Vec4 ----

Vec4 Vec4::lerp(const Vec4& v, float t) const
{
    float u = 1.0f - t;
    return {u * x + t * v.x, u * y + t * v.y, u * z + t * v.z, u * w + t * v.w};
}

// ---- Rect ----

Rect Rect::fromCenter(const Vec2& c, float w, float h)
{
    Rect r;
    r.left = c.x - w / 2.0f;
    r.top = c.y + h / 2.0f;
    r.right = c.x + w / 2.0f;
    r.bottom = c.y - h / 2.0f;
    return r;
}

float Rect::width() const { return std::fabs(left - right); }
float Rect::height() const { return std::fabs(top - bottom); }

// ---- Color ----

Color Color::fromWord(uint32_t argb)
{
    return Color(static_cast<int>((argb >> 16) & 0xFF), static_cast<int>((argb >> 8) & 0xFF),
                 static_cast<int>(argb & 0xFF), static_cast<int>(argb >> 24));
}

void Color::set(int red, int green, int blue, int alpha)
{
    r = static_cast<uint8_t>(red & 0xFF);
    g = static_cast<uint8_t>(green & 0xFF);
    b = static_cast<uint8_t>(blue & 0xFF);
    a = static_cast<uint8_t>(alpha & 0xFF);
}

namespace {
// Truncates toward zero and keeps the low 8 bits. Values outside the range of a 32-bit
// integer (or NaN) would be undefined to convert, so they are clamped first.
uint8_t scaleChannel(uint8_t v, float s)
{
    float f = static_cast<float>(v) * s;
    if (!(f == f)) return 0;
    if (f > 2147483520.0f) f = 2147483520.0f;
    if (f < -2147483520.0f) f = -2147483520.0f;
    return static_cast<uint8_t>(static_cast<uint32_t>(static_cast<int32_t>(f)) & 0xFFu);
}
}  // namespace

Color Color::scaled(float s) const
{
    Color c;
    c.r = scaleChannel(r, s);
    c.g = scaleChannel(g, s);
    c.b = scaleChannel(b, s);
    c.a = scaleChannel(a, s);
    return c;
}

uint32_t Color::asWord() const
{
    return (static_cast<uint32_t>(a) << 24) | (static_cast<uint32_t>(r) << 16) |
           (static_cast<uint32_t>(g) << 8) | static_cast<uint32_t>(b);
}

// ---- Matrix ----

void Matrix::identity() { *this = Matrix{}; }

void Matrix::setDiagonal(float a, float b, float c)
{
    m[0][0] = a;
    m[1][1] = b;
    m[2][2] = c;
}

void Matrix::preTranslate(float x, float y, float z)
{
    for (int c = 0; c < 4; c++) m[3][c] += x * m[0][c] + y * m[1][c] + z * m[2][c];
}

void Matrix::setRotationZ(float degrees)
{
    float rad = degrees * DEG_TO_RAD;
    float c = std::cos(rad);
    float s = std::sin(rad);
    m[0][0] = c;
    m[0][1] = s;
    m[1][0] = -s;
    m[1][1] = c;
}

Matrix Matrix::multiply(const Matrix& a, const Matrix& b)
{
    Matrix r;
    for (int i = 0; i < 4; i++) {
        for (int j = 0; j < 4; j++) {
            float sum = 0.0f;
            for (int k = 0; k < 4; k++) sum += a.m[i][k] * b.m[k][j];
            r.m[i][j] = sum;
        }
    }
    return r;
}

Matrix Matrix::perspectiveFov(float fovY, float aspect, float zn, float zf)
{
    Matrix r;
    std::memset(r.m, 0, sizeof r.m);
    float yScale = std::cos(fovY / 2.0f) / std::sin(fovY / 2.0f);
    r.m[0][0] = yScale / aspect;
    r.m[1][1] = yScale;
    r.m[2][2] = zf / (zf - zn);
    r.m[2][3] = 1.0f;
    r.m[3][2] = zn * zf / (zn - zf);
    return r;
}

Matrix Matrix::ortho(float w, float h, float zn, float zf)
{
    Matrix r;
    std::memset(r.m, 0, sizeof r.m);
    r.m[0][0] = 2.0f / w;
    r.m[1][1] = 2.0f / h;
    r.m[2][2] = 1.0f / (zf - zn);
    r.m[3][2] = zn / (zn - zf);
    r.m[3][3] = 1.0f;
    return r;
}

// ---- Frustum ----

void Frustum::rebuild(const Matrix& view, const Matrix& projection)
{
    Matrix c = Matrix::multiply(view, projection);
    for (int r = 0; r < 3; r++) {
        Plane& minus = planes[2 * r];
        Plane& plus = planes[2 * r + 1];
        minus.a = c.m[0][3] - c.m[0][r];
        minus.b = c.m[1][3] - c.m[1][r];
        minus.c = c.m[2][3] - c.m[2][r];
        minus.d = c.m[3][3] - c.m[3][r];
        plus.a = c.m[0][3] + c.m[0][r];
        plus.b = c.m[1][3] + c.m[1][r];
        plus.c = c.m[2][3] + c.m[2][r];
        plus.d = c.m[3][3] + c.m[3][r];
    }
    for (Plane& p : planes) {
        float len = std::sqrt(p.a * p.a + p.b * p.b + p.c * p.c);
        // A degenerate transform gives a zero normal; leave such a plane as it is rather
        // than fill it with infinities.
        if (len == 0.0f) continue;
        float inv = 1.0f / len;
        p.a *= inv;
        p.b *= inv;
        p.c *= inv;
        p.d *= inv;
    }
}

namespace {
float planeDistance(const Plane& p, float x, float y, float z) { return p.a * x + p.b * y + p.c * z + p.d; }
}  // namespace

bool Frustum::containsPoint(float x, float y, float z) const
{
    for (const Plane& p : planes)
        if (planeDistance(p, x, y, z) <= 0.0f) return false;
    return true;
}

bool Frustum::containsCube(float x, float y, float z, float half) const
{
    return containsBox(Vec3{x, y, z}, Vec3{half, half, half});
}

bool Frustum::containsBox(const Vec3& centre, const Vec3& h) const
{
    for (const Plane& p : planes) {
        bool anyInside = false;
        for (int corner = 0; corner < 8 && !anyInside; corner++) {
            float x = centre.x + ((corner & 1) ? h.x : -h.x);
            float y = centre.y + ((corner & 2) ? h.y : -h.y);
            float z = centre.z + ((corner & 4) ? h.z : -h.z);
            if (planeDistance(p, x, y, z) > 0.0f) anyInside = true;
        }
        if (!anyInside) return false;
    }
    return true;
}

bool Frustum::containsSphere(float x, float y, float z, float radius) const
{
    for (const Plane& p : planes)
        if (planeDistance(p, x, y, z) <= -radius) return false;
    return true;
}
