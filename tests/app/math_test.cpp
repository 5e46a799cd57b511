#include "core/appstate.h"
#include "core/math.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

namespace {

float floatOf(uint32_t b)
{
    float f;
    std::memcpy(&f, &b, sizeof f);
    return f;
}

// The camera of the menu screens: orthographic 800 by 600, near 1, far 500, moved 120 forward.
Frustum menuFrustum()
{
    Matrix view;
    view.preTranslate(0, 0, 120);
    Frustum f;
    f.rebuild(view, Matrix::ortho(800.0f, 600.0f, 1.0f, 500.0f));
    return f;
}

}  // namespace

TEST(FastSqrt, KnownValuesAndZero)
{
    EXPECT_EQ(fastSqrt(4.0f), 2.0f);
    EXPECT_EQ(fastSqrt(0.25f), 0.5f);
    EXPECT_EQ(fastSqrt(16777216.0f), 4096.0f);
    EXPECT_NEAR(fastSqrt(0.5f), 0.70710678f, 1e-4f);
    EXPECT_EQ(fastSqrt(0.0f), 0.0f);
    EXPECT_EQ(fastSqrt(-0.0f), 0.0f);
}

// Every exponent (both parities, below and above 1) and many mantissas stay within the 15-bit
// input precision. A wrong exponent formula or swapped table halves is off by 1.41 or 2.
TEST(FastSqrt, RelativeErrorAcrossAllNormalExponents)
{
    for (uint32_t exponent = 1; exponent < 255; exponent++) {
        for (uint32_t m = 0; m < (1u << 23); m += 104729) {
            float x = floatOf((exponent << 23) | m);
            ASSERT_NEAR(fastSqrt(x) / std::sqrt(x), 1.0f, 4e-5f) << "x=" << x;
        }
    }
}

TEST(Scalars, PulseUsesTheGlobalClockOnlyBelowTheThreshold)
{
    resetAppState();
    app.globalTimeMs = 250.0f;  // a quarter period at 1 Hz
    EXPECT_NEAR(pulse(1.0f, -2000000.0f), 1.0f, 1e-5f);
    EXPECT_NEAR(pulse(1.0f, 750.0f), 0.0f, 1e-5f);
    EXPECT_NEAR(pulse(1.0f, -1000000.0f), 0.5f, 1e-3f);  // an ordinary time
    resetAppState();
}

TEST(Vec2, NormalizeAngleAndRotate)
{
    Vec2 zero;
    zero.normalize();
    EXPECT_EQ(zero.x, 0.0f);
    EXPECT_EQ(zero.y, 0.0f);
    Vec2 v{3.0f, -4.0f};
    v.normalize();
    EXPECT_NEAR(v.x, 0.6f, 1e-4f);
    EXPECT_NEAR(v.y, -0.8f, 1e-4f);
    EXPECT_NEAR((Vec2{1.0f, 0.0f}).angleDegrees(), 0.0f, 1e-4f);
    EXPECT_NEAR((Vec2{0.0f, 1.0f}).angleDegrees(), 90.0f, 1e-2f);
    EXPECT_NEAR((Vec2{-7.0f, 0.0f}).angleDegrees(), 180.0f, 1e-2f);  // length over 1 after the table root
    EXPECT_NEAR((Vec2{0.0f, -1.0f}).angleDegrees(), 270.0f, 1e-2f);
    float nearlyFull = (Vec2{1000.0f, -1e-6f}).angleDegrees();
    EXPECT_GE(nearlyFull, 0.0f);
    EXPECT_LT(nearlyFull, 360.0f);
    Vec2 r{1.0f, 0.0f};
    r.rotate(90.0f);
    EXPECT_NEAR(r.x, 0.0f, 1e-6f);
    EXPECT_NEAR(r.y, 1.0f, 1e-6f);
}

TEST(Vec3, CrossIsRightHandedAndZeroStaysZero)
{
    Vec3 z = Vec3{1, 0, 0}.cross(Vec3{0, 1, 0});
    EXPECT_EQ(z.z, 1.0f);
    EXPECT_EQ((Vec3{0, 1, 0}.cross(Vec3{1, 0, 0}).z), -1.0f);
    Vec3 zero;
    zero.normalize();
    EXPECT_EQ(zero.length(), 0.0f);
    EXPECT_NEAR((Vec3{2, 3, 6}).length(), 7.0f, 1e-3f);
}

TEST(Rect, ContainsItsCornersButNothingBeyond)
{
    Rect r = Rect::fromCenter(Vec2{10.0f, 20.0f}, 40.0f, 30.0f);
    EXPECT_EQ(r.top, 35.0f);  // y grows upward
    EXPECT_EQ(r.bottom, 5.0f);
    EXPECT_TRUE(r.contains({r.left, r.top}));
    EXPECT_TRUE(r.contains({r.right, r.bottom}));
    EXPECT_FALSE(r.contains({r.right + 0.01f, 20.0f}));
    EXPECT_FALSE(r.contains({10.0f, r.top + 0.01f}));
    Rect inverted;
    inverted.set(10.0f, -5.0f, -10.0f, 5.0f);
    EXPECT_EQ(inverted.width(), 20.0f);
    EXPECT_EQ(inverted.height(), 10.0f);
}

TEST(Color, BgraMemoryAndLowByteArithmetic)
{
    static_assert(sizeof(Color) == 4);
    Color c(0x11, 0x22, 0x33, 0x44);
    unsigned char bytes[4];
    std::memcpy(bytes, &c, 4);
    EXPECT_EQ(bytes[0], 0x33);
    EXPECT_EQ(bytes[2], 0x11);
    EXPECT_EQ(c.asWord(), 0x44112233u);
    EXPECT_EQ(Color::fromWord(0x44112233u), c);
    EXPECT_EQ(Color(256 + 5, -1, 0, 0).r, 5);
    EXPECT_EQ(Color(256 + 5, -1, 0, 0).g, 255);
    EXPECT_EQ(Color(255, 255, 255, 255).scaled(0.5f), Color(127, 127, 127, 127));
    // 200 * 1.5 = 300 keeps its low byte, channel by channel.
    EXPECT_EQ(Color(200, 10, 100, 255).scaled(1.5f), Color(44, 15, 150, 382 & 0xFF));
    // Factors beyond any channel range or undefined must not be undefined behaviour.
    EXPECT_EQ(Color(1, 2, 3, 4).scaled(std::nanf("")).asWord(), 0u);
    Color huge = Color(255, 255, 255, 255).scaled(1e30f);
    EXPECT_EQ(huge.r, huge.a);
}

TEST(Matrix, RowVectorOrderAndTranslationRow)
{
    Matrix t;
    t.preTranslate(1, 2, 3);
    Matrix s;
    s.setDiagonal(2, 2, 2);
    // Translate then scale: the translation is scaled too.
    Matrix ts = Matrix::multiply(t, s);
    EXPECT_EQ(ts.m[3][0], 2.0f);
    EXPECT_EQ(ts.m[3][2], 6.0f);
    EXPECT_EQ(Matrix::multiply(s, t).m[3][0], 1.0f);
    // preTranslate goes through the existing rows.
    Matrix m;
    m.setDiagonal(2, 3, 4);
    m.preTranslate(Vec3{1, 1, 1});
    EXPECT_EQ(m.m[3][1], 3.0f);
    EXPECT_EQ(m.m[3][3], 1.0f);
    // setRotationZ writes only its 2x2 block.
    Matrix r;
    r.m[2][2] = 7.0f;
    r.setRotationZ(90.0f);
    EXPECT_NEAR(r.m[0][1], 1.0f, 1e-6f);
    EXPECT_NEAR(r.m[1][0], -1.0f, 1e-6f);
    EXPECT_EQ(r.column2().z, 7.0f);
}

TEST(Matrix, ProjectionEntries)
{
    Matrix p = Matrix::perspectiveFov(0.7853982f, 800.0f / 600.0f, 5.0f, 400.0f);
    float ys = 1.0f / std::tan(0.7853982f / 2.0f);
    EXPECT_NEAR(p.m[0][0], ys * 0.75f, 1e-5f);
    EXPECT_NEAR(p.m[2][2], 400.0f / 395.0f, 1e-6f);
    EXPECT_EQ(p.m[2][3], 1.0f);
    EXPECT_NEAR(p.m[3][2], -2000.0f / 395.0f, 1e-4f);
    EXPECT_EQ(p.m[3][3], 0.0f);
    Matrix o = Matrix::ortho(800.0f, 600.0f, 1.0f, 500.0f);
    EXPECT_FLOAT_EQ(o.m[0][0], 0.0025f);
    EXPECT_FLOAT_EQ(o.m[2][2], 1.0f / 499.0f);
    EXPECT_FLOAT_EQ(o.m[3][2], -1.0f / 499.0f);
    EXPECT_EQ(o.m[3][3], 1.0f);
}

TEST(Frustum, OrthographicTests)
{
    Frustum f = menuFrustum();
    for (const Plane& p : f.planes) EXPECT_NEAR(std::sqrt(p.a * p.a + p.b * p.b + p.c * p.c), 1.0f, 1e-5f);
    EXPECT_TRUE(f.containsPoint(399, -299, 0));
    EXPECT_FALSE(f.containsPoint(400, 0, 0));  // on a plane counts as outside
    EXPECT_TRUE(f.containsSphere(410, 0, 0, 20));
    EXPECT_FALSE(f.containsSphere(420, 0, 0, 20));
    EXPECT_TRUE(f.containsCube(405, 0, 0, 10));
    EXPECT_FALSE(f.containsCube(420, 0, 0, 10));
    EXPECT_TRUE(f.containsBox(Vec3{500, 0, 0}, Vec3{101, 1, 1}));
    EXPECT_FALSE(f.containsBox(Vec3{500, 0, 0}, Vec3{99, 1000, 1}));
}

TEST(Frustum, PerspectiveAndDegenerateTransforms)
{
    Frustum f;
    f.rebuild(Matrix{}, Matrix::perspectiveFov(0.7853982f, 1.0f, 5.0f, 400.0f));
    EXPECT_TRUE(f.containsPoint(0, 40, 100));
    EXPECT_FALSE(f.containsPoint(0, 45, 100));  // outside the 45-degree cone
    EXPECT_FALSE(f.containsPoint(0, 0, 500));   // beyond the far plane
    Matrix zero;
    std::memset(zero.m, 0, sizeof zero.m);
    f.rebuild(zero, zero);
    for (const Plane& p : f.planes) EXPECT_FALSE(std::isnan(p.a) || std::isnan(p.d));
    EXPECT_FALSE(f.containsPoint(0, 0, 0));
}
