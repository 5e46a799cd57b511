#pragma once
// Small value types used throughout the game: 2-, 3- and 4-component vectors, rectangles with
// y growing upward, colours stored as blue/green/red/alpha bytes, row-major 4x4 matrices with
// the row-vector convention (a point is transformed as p x M, translation in row 3), the view
// frustum, and a table-driven square root that the vector lengths use.
// Angles are in degrees unless a function says otherwise.
#include <cstdint>

// Builds the square-root table. Called once at program start; fastSqrt builds it on first
// use too, so tests and tools need not call it.
void buildSqrtTable();
// Table square root with 15 bits of mantissa input, for positive normal floats.
// Returns 0 for +0. Negative inputs, NaN and infinities give meaningless (but finite-time,
// in-bounds) results, as with the table method they are not defined.
float fastSqrt(float x);

// 0.5 + 0.5 sin(frequency * 2pi * t / 1000); when t < -1000000 the global clock is used for t.
float pulse(float frequency, float t);
float sinDeg(float degrees);
float cosDeg(float degrees);

struct Vec3;

struct Vec2 {
    float x = 0.0f;
    float y = 0.0f;

    void set(float nx, float ny) { x = nx; y = ny; }
    Vec2 add(const Vec2& v) const { return {x + v.x, y + v.y}; }
    Vec2 sub(const Vec2& v) const { return {x - v.x, y - v.y}; }
    void addAssign(const Vec2& v) { x += v.x; y += v.y; }
    Vec2 scale(float s) const { return {s * x, s * y}; }
    void scaleAssign(float s) { x *= s; y *= s; }
    void mulComponents(const Vec2& v) { x *= v.x; y *= v.y; }
    // Multiplies by the reciprocal, taken once as a float.
    Vec2 divide(float s) const;
    Vec2 negate() const { return {-x, -y}; }
    float length() const;
    // Unchanged when the length is 0.
    void normalize();
    // Direction in [0, 360): 0 along +x, 90 along +y.
    float angleDegrees() const;
    void rotate(float degrees);
    Vec2 lerp(const Vec2& v, float t) const { return {(1.0f - t) * x + t * v.x, (1.0f - t) * y + t * v.y}; }
    Vec3 toVec3() const;
};

struct Vec3 {
    float x = 0.0f;
    float y = 0.0f;
    float z = 0.0f;

    void set(float nx, float ny, float nz) { x = nx; y = ny; z = nz; }
    void copy(const Vec3& v) { *this = v; }
    Vec3 add(const Vec3& v) const { return {x + v.x, y + v.y, z + v.z}; }
    Vec3 sub(const Vec3& v) const { return {x - v.x, y - v.y, z - v.z}; }
    void addAssign(const Vec3& v) { x += v.x; y += v.y; z += v.z; }
    Vec3 scale(float s) const { return {s * x, s * y, s * z}; }
    Vec3 divide(float s) const;
    float length() const;
    void normalize();
    Vec3 cross(const Vec3& v) const { return {y * v.z - z * v.y, z * v.x - x * v.z, x * v.y - y * v.x}; }
};

inline Vec3 Vec2::toVec3() const { return {x, y, 0.0f}; }

// A float colour or weight set; default (1, 1, 1, 0).
struct Vec4 {
    float x = 1.0f;
    float y = 1.0f;
    float z = 1.0f;
    float w = 0.0f;

    void set(float nx, float ny, float nz, float nw) { x = nx; y = ny; z = nz; w = nw; }
    Vec4 scale(float s) const { return {s * x, s * y, s * z, s * w}; }
    Vec4 lerp(const Vec4& v, float t) const;
};

// y grows upward, so top >= bottom for a well-formed rectangle.
struct Rect {
    float left = 0.0f;
    float top = 0.0f;
    float right = 0.0f;
    float bottom = 0.0f;

    void set(float l, float t, float r, float b) { left = l; top = t; right = r; bottom = b; }
    static Rect fromCenter(const Vec2& c, float w, float h);
    float width() const;
    float height() const;
    Vec2 center() const { return {(left + right) / 2.0f, (top + bottom) / 2.0f}; }
    // Edges inclusive.
    bool contains(const Vec2& p) const { return left <= p.x && p.x <= right && bottom <= p.y && p.y <= top; }
    void offset(const Vec2& v) { left += v.x; right += v.x; top += v.y; bottom += v.y; }
};

// Four bytes in memory order blue, green, red, alpha: read as one 32-bit word 0xAARRGGBB.
struct Color {
    uint8_t b = 255;
    uint8_t g = 255;
    uint8_t r = 255;
    uint8_t a = 255;

    Color() = default;
    // Each argument is stored as its low 8 bits.
    Color(int red, int green, int blue, int alpha) { set(red, green, blue, alpha); }
    static Color fromWord(uint32_t argb);
    void set(int red, int green, int blue, int alpha);
    // Every channel times s, truncated toward zero, stored as its low 8 bits.
    Color scaled(float s) const;
    uint32_t asWord() const;
    bool operator==(const Color&) const = default;
};

struct Matrix {
    float m[4][4] = {{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}};

    void identity();
    // Sets the first three diagonal entries; the others stay as they are.
    void setDiagonal(float a, float b, float c);
    // M = T(x, y, z) x M.
    void preTranslate(float x, float y, float z);
    void preTranslate(const Vec3& v) { preTranslate(v.x, v.y, v.z); }
    // Writes the 2x2 rotation block; the other entries stay as they are.
    void setRotationZ(float degrees);
    static Matrix multiply(const Matrix& a, const Matrix& b);
    Vec3 column0() const { return {m[0][0], m[1][0], m[2][0]}; }
    Vec3 column1() const { return {m[0][1], m[1][1], m[2][1]}; }
    Vec3 column2() const { return {m[0][2], m[1][2], m[2][2]}; }
    // Left-handed perspective; fovY in radians.
    static Matrix perspectiveFov(float fovY, float aspect, float zn, float zf);
    // Left-handed orthographic projection centred on the origin.
    static Matrix ortho(float w, float h, float zn, float zf);
};

struct Plane {
    float a = 0.0f;
    float b = 0.0f;
    float c = 0.0f;
    float d = 0.0f;
};

// The six clip planes of a view, normals of unit length pointing inward.
struct Frustum {
    Plane planes[6];

    // Builds the planes from the view and projection transforms (C = view x projection).
    // The graphics module calls this with the device's current transforms.
    void rebuild(const Matrix& view, const Matrix& projection);
    bool containsPoint(float x, float y, float z) const;
    bool containsCube(float x, float y, float z, float half) const;
    bool containsBox(const Vec3& centre, const Vec3& halfExtents) const;
    bool containsSphere(float x, float y, float z, float radius) const;
};
