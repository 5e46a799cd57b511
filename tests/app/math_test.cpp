#include "app/core/appstate.h"
#include "app/core/math.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

namespace {

uint32_t bitsOf(float f)
{
    uint32_t b;
    std::memcpy(&b, &f, sizeof b);
    return b;
}

float floatOf(uint32_t b)
{
    float f;
    std::memcpy(&f, &b, sizeof f);
    return f;
}

}  // namespace

TEST(FastSqrt, ExactPowersAndHalves)
{
    EXPECT_EQ(fastSqrt(4.0f), 2.0f);
    EXPECT_EQ(fastSqrt(1.0f), 1.0f);
    EXPECT_EQ(fastSqrt(0.25f), 0.5f);
    EXPECT_EQ(fastSqrt(16777216.0f), 4096.0f);
    EXPECT_NEAR(fastSqrt(0.5f), 0.70710678f, 1e-4f);
    EXPECT_NEAR(fastSqrt(2.0f), 1.41421356f, 1e-4f);
}

TEST(FastSqrt, ZeroGivesZero)
{
    EXPECT_EQ(bitsOf(fastSqrt(0.0f)), 0u);
    EXPECT_EQ(fastSqrt(-0.0f), 0.0f);
}

// Every exponent (both parities, below and above 1) and many mantissas: the table result stays
// within the 15-bit input precision of the true root. A wrong exponent formula or a swapped
// half of the table shows up as a factor of about 1.41 or 2.
TEST(FastSqrt, RelativeErrorAcrossAllNormalExponents)
{
    for (uint32_t exponent = 1; exponent < 255; exponent++) {
        for (uint32_t m = 0; m < (1u << 23); m += 104729) {
            float x = floatOf((exponent << 23) | m);
            float expected = std::sqrt(x);
            float got = fastSqrt(x);
            ASSERT_NEAR(got / expected, 1.0f, 4e-5f) << "x=" << x;
        }
    }
}

TEST(FastSqrt, TableCanBeRebuiltWithSameResults)
{
    float before = fastSqrt(123.456f);
    buildSqrtTable();
    EXPECT_EQ(fastSqrt(123.456f), before);
}

TEST(Scalars, PulseUsesGlobalClockOnlyBelowThreshold)
{
    resetAppState();
    app.globalTimeMs = 250.0f;  // quarter period at 1 Hz: sin = 1
    EXPECT_NEAR(pulse(1.0f, -2000000.0f), 1.0f, 1e-5f);
    EXPECT_NEAR(pulse(1.0f, 0.0f), 0.5f, 1e-6f);
    EXPECT_NEAR(pulse(1.0f, 750.0f), 0.0f, 1e-5f);
    // Exactly -1000000 is an ordinary time, not the clock.
    EXPECT_NEAR(pulse(1.0f, -1000000.0f), 0.5f, 1e-3f);
    resetAppState();
}

TEST(Scalars, SinCosDegrees)
{
    EXPECT_NEAR(sinDeg(90.0f), 1.0f, 1e-6f);
    EXPECT_NEAR(cosDeg(180.0f), -1.0f, 1e-6f);
    EXPECT_NEAR(sinDeg(-30.0f), -0.5f, 1e-6f);
}

TEST(Vec2, NormalizeZeroStaysZeroAndUnitOtherwise)
{
    Vec2 z;
    z.normalize();
    EXPECT_EQ(z.x, 0.0f);
    EXPECT_EQ(z.y, 0.0f);
    Vec2 v{3.0f, -4.0f};
    EXPECT_NEAR(v.length(), 5.0f, 1e-3f);
    v.normalize();
    EXPECT_NEAR(v.x, 0.6f, 1e-4f);
    EXPECT_NEAR(v.y, -0.8f, 1e-4f);
}

TEST(Vec2, AngleDegreesQuadrants)
{
    EXPECT_NEAR((Vec2{1.0f, 0.0f}).angleDegrees(), 0.0f, 1e-4f);
    EXPECT_NEAR((Vec2{0.0f, 1.0f}).angleDegrees(), 90.0f, 1e-2f);
    EXPECT_NEAR((Vec2{-1.0f, 0.0f}).angleDegrees(), 180.0f, 1e-2f);
    EXPECT_NEAR((Vec2{0.0f, -1.0f}).angleDegrees(), 270.0f, 1e-2f);
    EXPECT_NEAR((Vec2{1.0f, -1.0f}).angleDegrees(), 315.0f, 1e-2f);
    // Unnormalised input and a length slightly over 1 after the table root stay in range.
    float a = (Vec2{1000.0f, -1e-6f}).angleDegrees();
    EXPECT_GE(a, 0.0f);
    EXPECT_LT(a, 360.0f);
    float b = (Vec2{-7.0f, 0.0f}).angleDegrees();
    EXPECT_FALSE(std::isnan(b));
    EXPECT_NEAR(b, 180.0f, 1e-2f);
}

TEST(Vec2, RotateIsCounterClockwiseInDegrees)
{
    Vec2 v{1.0f, 0.0f};
    v.rotate(90.0f);
    EXPECT_NEAR(v.x, 0.0f, 1e-6f);
    EXPECT_NEAR(v.y, 1.0f, 1e-6f);
    v.rotate(-180.0f);
    EXPECT_NEAR(v.y, -1.0f, 1e-6f);
}

TEST(Vec2, ArithmeticAndLerp)
{
    Vec2 a{1.0f, 2.0f};
    Vec2 b{3.0f, -4.0f};
    Vec2 s = a.add(b);
    EXPECT_EQ(s.x, 4.0f);
    EXPECT_EQ(s.y, -2.0f);
    Vec2 d = a.sub(b);
    EXPECT_EQ(d.x, -2.0f);
    EXPECT_EQ(d.y, 6.0f);
    Vec2 q = b.divide(2.0f);
    EXPECT_EQ(q.x, 1.5f);
    EXPECT_EQ(q.y, -2.0f);
    Vec2 m = a;
    m.mulComponents(b);
    EXPECT_EQ(m.x, 3.0f);
    EXPECT_EQ(m.y, -8.0f);
    Vec2 l = a.lerp(b, 0.25f);
    EXPECT_FLOAT_EQ(l.x, 1.5f);
    EXPECT_FLOAT_EQ(l.y, 0.5f);
    Vec2 n = a.negate();
    EXPECT_EQ(n.x, -1.0f);
    Vec3 t = a.toVec3();
    EXPECT_EQ(t.z, 0.0f);
    EXPECT_EQ(t.y, 2.0f);
}

TEST(Vec3, CrossNormalizeDivide)
{
    Vec3 x{1, 0, 0};
    Vec3 y{0, 1, 0};
    Vec3 z = x.cross(y);
    EXPECT_EQ(z.x, 0.0f);
    EXPECT_EQ(z.y, 0.0f);
    EXPECT_EQ(z.z, 1.0f);
    Vec3 minusZ = y.cross(x);
    EXPECT_EQ(minusZ.z, -1.0f);
    Vec3 zero;
    zero.normalize();
    EXPECT_EQ(zero.length(), 0.0f);
    Vec3 v{2, 3, 6};
    EXPECT_NEAR(v.length(), 7.0f, 1e-3f);
    v.normalize();
    EXPECT_NEAR(v.length(), 1.0f, 1e-3f);
    Vec3 h = Vec3{4, 8, -2}.divide(4.0f);
    EXPECT_EQ(h.y, 2.0f);
    EXPECT_EQ(h.z, -0.5f);
}

TEST(Vec4, DefaultLerpScale)
{
    Vec4 d;
    EXPECT_EQ(d.x, 1.0f);
    EXPECT_EQ(d.w, 0.0f);
    Vec4 a;
    a.set(0, 0, 0, 0);
    Vec4 b;
    b.set(4, 8, 12, 16);
    Vec4 l = a.lerp(b, 0.5f);
    EXPECT_EQ(l.x, 2.0f);
    EXPECT_EQ(l.w, 8.0f);
    EXPECT_EQ(b.scale(0.25f).z, 3.0f);
}

TEST(Rect, ContainsItsCornersAndEdgesOnly)
{
    Rect r = Rect::fromCenter(Vec2{10.0f, 20.0f}, 40.0f, 30.0f);
    EXPECT_EQ(r.left, -10.0f);
    EXPECT_EQ(r.right, 30.0f);
    EXPECT_EQ(r.top, 35.0f);
    EXPECT_EQ(r.bottom, 5.0f);
    EXPECT_TRUE(r.contains({r.left, r.top}));
    EXPECT_TRUE(r.contains({r.right, r.top}));
    EXPECT_TRUE(r.contains({r.left, r.bottom}));
    EXPECT_TRUE(r.contains({r.right, r.bottom}));
    EXPECT_FALSE(r.contains({r.right + 0.01f, 20.0f}));
    EXPECT_FALSE(r.contains({10.0f, r.bottom - 0.01f}));
    EXPECT_FALSE(r.contains({10.0f, r.top + 0.01f}));
    EXPECT_EQ(r.width(), 40.0f);
    EXPECT_EQ(r.height(), 30.0f);
    Vec2 c = r.center();
    EXPECT_EQ(c.x, 10.0f);
    EXPECT_EQ(c.y, 20.0f);
    r.offset({5.0f, -5.0f});
    EXPECT_EQ(r.left, -5.0f);
    EXPECT_EQ(r.bottom, 0.0f);
}

TEST(Rect, WidthAndHeightOfInvertedRectArePositive)
{
    Rect r;
    r.set(10.0f, -5.0f, -10.0f, 5.0f);
    EXPECT_EQ(r.width(), 20.0f);
    EXPECT_EQ(r.height(), 10.0f);
}

TEST(Color, MemoryLayoutIsBgra)
{
    Color c(0x11, 0x22, 0x33, 0x44);
    unsigned char bytes[4];
    static_assert(sizeof(Color) == 4);
    std::memcpy(bytes, &c, 4);
    EXPECT_EQ(bytes[0], 0x33);
    EXPECT_EQ(bytes[1], 0x22);
    EXPECT_EQ(bytes[2], 0x11);
    EXPECT_EQ(bytes[3], 0x44);
    EXPECT_EQ(c.asWord(), 0x44112233u);
    EXPECT_EQ(Color::fromWord(0x44112233u), c);
    EXPECT_EQ(Color().asWord(), 0xFFFFFFFFu);
}

TEST(Color, SetKeepsLowEightBits)
{
    Color c(256 + 5, -1, 511, 0x1234);
    EXPECT_EQ(c.r, 5);
    EXPECT_EQ(c.g, 255);
    EXPECT_EQ(c.b, 255);
    EXPECT_EQ(c.a, 0x34);
}

TEST(Color, ScaledTruncatesAndWraps)
{
    Color half = Color(255, 255, 255, 255).scaled(0.5f);
    EXPECT_EQ(half, Color(127, 127, 127, 127));
    // 200 * 1.5 = 300 keeps its low byte 44, channel by channel.
    Color over = Color(200, 10, 100, 255).scaled(1.5f);
    EXPECT_EQ(over.r, 44);
    EXPECT_EQ(over.g, 15);
    EXPECT_EQ(over.b, 150);
    EXPECT_EQ(over.a, static_cast<uint8_t>(382 & 0xFF));
    Color zero = Color(9, 9, 9, 9).scaled(0.0f);
    EXPECT_EQ(zero.asWord(), 0u);
    // Huge or undefined factors must not be undefined behaviour.
    Color huge = Color(255, 255, 255, 255).scaled(1e30f);
    (void)huge;
    Color nan = Color(1, 2, 3, 4).scaled(std::nanf(""));
    EXPECT_EQ(nan.asWord(), 0u);
}

TEST(Matrix, DefaultIsIdentity)
{
    Matrix m;
    for (int r = 0; r < 4; r++)
        for (int c = 0; c < 4; c++) EXPECT_EQ(m.m[r][c], r == c ? 1.0f : 0.0f);
}

TEST(Matrix, MultiplyIsRowMajorAndOrderMatters)
{
    Matrix a;
    a.preTranslate(1, 2, 3);
    Matrix s;
    s.setDiagonal(2, 2, 2);
    // Row vectors: translate then scale moves the translation by the scale.
    Matrix ts = Matrix::multiply(a, s);
    EXPECT_EQ(ts.m[3][0], 2.0f);
    EXPECT_EQ(ts.m[3][1], 4.0f);
    EXPECT_EQ(ts.m[3][2], 6.0f);
    Matrix st = Matrix::multiply(s, a);
    EXPECT_EQ(st.m[3][0], 1.0f);
    EXPECT_EQ(st.m[0][0], 2.0f);
}

TEST(Matrix, PreTranslateUsesRowsOfTheExistingMatrix)
{
    Matrix m;
    m.setDiagonal(2, 3, 4);
    m.preTranslate(Vec3{1, 1, 1});
    EXPECT_EQ(m.m[3][0], 2.0f);
    EXPECT_EQ(m.m[3][1], 3.0f);
    EXPECT_EQ(m.m[3][2], 4.0f);
    EXPECT_EQ(m.m[3][3], 1.0f);
}

TEST(Matrix, RotationZTouchesOnlyItsBlock)
{
    Matrix m;
    m.m[2][2] = 7.0f;
    m.m[3][0] = 5.0f;
    m.setRotationZ(90.0f);
    EXPECT_NEAR(m.m[0][0], 0.0f, 1e-6f);
    EXPECT_NEAR(m.m[0][1], 1.0f, 1e-6f);
    EXPECT_NEAR(m.m[1][0], -1.0f, 1e-6f);
    EXPECT_EQ(m.m[2][2], 7.0f);
    EXPECT_EQ(m.m[3][0], 5.0f);
    Vec3 c0 = m.column0();
    EXPECT_NEAR(c0.y, -1.0f, 1e-6f);
    Vec3 c2 = m.column2();
    EXPECT_EQ(c2.z, 7.0f);
}

TEST(Matrix, PerspectiveAndOrthoEntries)
{
    Matrix p = Matrix::perspectiveFov(0.7853982f, 800.0f / 600.0f, 5.0f, 400.0f);
    float ys = 1.0f / std::tan(0.7853982f / 2.0f);
    EXPECT_NEAR(p.m[1][1], ys, 1e-5f);
    EXPECT_NEAR(p.m[0][0], ys * 0.75f, 1e-5f);
    EXPECT_NEAR(p.m[2][2], 400.0f / 395.0f, 1e-6f);
    EXPECT_EQ(p.m[2][3], 1.0f);
    EXPECT_NEAR(p.m[3][2], -2000.0f / 395.0f, 1e-4f);
    EXPECT_EQ(p.m[3][3], 0.0f);
    EXPECT_EQ(p.m[0][1], 0.0f);
    Matrix o = Matrix::ortho(800.0f, 600.0f, 1.0f, 500.0f);
    EXPECT_FLOAT_EQ(o.m[0][0], 0.0025f);
    EXPECT_FLOAT_EQ(o.m[1][1], 2.0f / 600.0f);
    EXPECT_FLOAT_EQ(o.m[2][2], 1.0f / 499.0f);
    EXPECT_FLOAT_EQ(o.m[3][2], -1.0f / 499.0f);
    EXPECT_EQ(o.m[3][3], 1.0f);
    EXPECT_EQ(o.m[2][3], 0.0f);
}

namespace {
// The camera of the menu screens: orthographic 800 by 600, near 1, far 500, view moved 120 forward.
Frustum menuFrustum()
{
    Matrix view;
    view.preTranslate(0, 0, 120);
    Frustum f;
    f.rebuild(view, Matrix::ortho(800.0f, 600.0f, 1.0f, 500.0f));
    return f;
}
}  // namespace

TEST(Frustum, PlanesAreUnitLength)
{
    Frustum f = menuFrustum();
    for (const Plane& p : f.planes) EXPECT_NEAR(std::sqrt(p.a * p.a + p.b * p.b + p.c * p.c), 1.0f, 1e-5f);
}

TEST(Frustum, OrthoPointsAndSpheres)
{
    Frustum f = menuFrustum();
    EXPECT_TRUE(f.containsPoint(0, 0, 0));
    EXPECT_TRUE(f.containsPoint(399, -299, 0));
    EXPECT_FALSE(f.containsPoint(401, 0, 0));
    EXPECT_FALSE(f.containsPoint(0, -301, 0));
    // Points on a plane count as outside.
    EXPECT_FALSE(f.containsPoint(400, 0, 0));
    // A sphere just beyond the right edge still touches it; one farther away does not.
    EXPECT_TRUE(f.containsSphere(410, 0, 0, 20));
    EXPECT_FALSE(f.containsSphere(430, 0, 0, 20));
    EXPECT_FALSE(f.containsSphere(420, 0, 0, 20));
}

TEST(Frustum, CubesAndBoxesNeedOneCornerInsidePerPlane)
{
    Frustum f = menuFrustum();
    EXPECT_TRUE(f.containsCube(405, 0, 0, 10));
    EXPECT_FALSE(f.containsCube(420, 0, 0, 10));
    EXPECT_TRUE(f.containsBox(Vec3{500, 0, 0}, Vec3{101, 1, 1}));
    EXPECT_FALSE(f.containsBox(Vec3{500, 0, 0}, Vec3{99, 1000, 1}));
}

TEST(Frustum, PerspectiveDepthRange)
{
    Matrix view;
    Frustum f;
    f.rebuild(view, Matrix::perspectiveFov(0.7853982f, 1.0f, 5.0f, 400.0f));
    EXPECT_TRUE(f.containsPoint(0, 0, 100));
    EXPECT_FALSE(f.containsPoint(0, 0, 500));
    // Wide of the 45-degree cone at depth 100 (half height there is about 41).
    EXPECT_FALSE(f.containsPoint(0, 45, 100));
    EXPECT_TRUE(f.containsPoint(0, 40, 100));
}

TEST(Frustum, DegenerateTransformGivesNoNaN)
{
    Matrix zero;
    std::memset(zero.m, 0, sizeof zero.m);
    Frustum f;
    f.rebuild(zero, zero);
    for (const Plane& p : f.planes) {
        EXPECT_FALSE(std::isnan(p.a));
        EXPECT_FALSE(std::isnan(p.d));
    }
    EXPECT_FALSE(f.containsPoint(0, 0, 0));
}
