// The small 3-D decorations of the backdrops, in "AnimBacks": "lantern.cgo", "crystal.cgo",
// "windmill.cgo" (mesh 1 is the sails, turned about their hub at run time) and "boat.cgo", each a
// composite of ".msh_s" meshes with their own textures.
//
// Shapes are lathe-turned profiles (lantern, crystals, windmill tower and cap, mast), a lofted
// hull, and flat or gently curved cloth (sails, halo). Every decoration stands on y = -1, is
// centred on x = 0 and about two units tall, and shows its front to the viewer looking along +z;
// each mesh carries a slight forward tilt in its own rotation, so the tops show.
//
// The game draws meshes unlit, so the light is painted into the textures: a lathe's texture
// column is an angle around the shape and its row a height on the profile, so each texel knows
// its surface normal and is shaded for a light from the top left and in front. Opaque textures
// are JPEG (drawn opaque and culled), the ones with alpha Targa (blended, both sides shown).
#include "canvas.h"
#include "datagen.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

namespace {

constexpr double PI = 3.14159265358979;
constexpr float TILT = -0.28f;  // pitch of every mesh: the top turns towards the viewer

struct P3 {
    double x = 0, y = 0, z = 0;
};
P3 operator+(P3 a, P3 b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
P3 operator-(P3 a, P3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
P3 operator*(P3 a, double s) { return {a.x * s, a.y * s, a.z * s}; }
double dot(P3 a, P3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
P3 cross(P3 a, P3 b) { return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; }
P3 norm(P3 a)
{
    double l = std::sqrt(dot(a, a));
    return l > 0 ? a * (1.0 / l) : a;
}

struct Corner {
    int vertex;
    float u, v;  // v from the bottom of the picture (the game turns it to 1 - v)
};

struct Geometry {
    std::vector<P3> positions;
    std::vector<Corner> corners;

    // A triangle wound so that its front (clockwise as the viewer sees it) faces `outward`.
    void tri(Corner a, Corner b, Corner c, P3 outward)
    {
        P3 n = cross(positions[size_t(b.vertex)] - positions[size_t(a.vertex)],
                     positions[size_t(c.vertex)] - positions[size_t(a.vertex)]);
        if (dot(n, outward) < 0) std::swap(b, c);
        corners.push_back(a);
        corners.push_back(b);
        corners.push_back(c);
    }
};

// ---- writing ----

void putF(std::vector<uint8_t>& out, float f)
{
    uint8_t b[4];
    std::memcpy(b, &f, 4);
    out.insert(out.end(), b, b + 4);
}

void putI(std::vector<uint8_t>& out, int32_t i)
{
    uint8_t b[4];
    std::memcpy(b, &i, 4);
    out.insert(out.end(), b, b + 4);
}

std::vector<uint8_t> encodeMesh(const Geometry& g, bool smooth, P3 translation, P3 rotation)
{
    std::vector<uint8_t> out = {'M', 'S', 'H'};
    out.push_back(smooth ? 1 : 0);
    for (P3 v : {translation, rotation}) {
        putF(out, float(v.x));
        putF(out, float(v.y));
        putF(out, float(v.z));
    }
    out.push_back(0);
    putI(out, int32_t(g.positions.size()));
    putI(out, int32_t(g.corners.size() / 3));
    for (const P3& p : g.positions) {
        putF(out, float(p.x));
        putF(out, float(p.y));
        putF(out, float(p.z));
    }
    for (const Corner& c : g.corners) putI(out, c.vertex);
    for (const Corner& c : g.corners) {
        putF(out, c.u);
        putF(out, c.v);
    }
    return out;
}

// ---- shapes ----

// A profile point of a lathe: radius and height.
struct RY {
    double r, y;
};

// Turns the profile (bottom to top) about the y axis in `segments` steps. Texture: u = angle / 2 pi
// (0 at +x, a quarter at +z, three quarters at -z, the front), v = position along the profile.
// Neighbouring columns share their vertices; the seam's corners take u = 1.
Geometry lathe(const std::vector<RY>& profile, int segments)
{
    Geometry g;
    const int rows = int(profile.size());
    std::vector<double> along(size_t(rows), 0.0);
    for (int i = 1; i < rows; ++i)
        along[size_t(i)] = along[size_t(i - 1)] + std::hypot(profile[size_t(i)].r - profile[size_t(i - 1)].r,
                                                            profile[size_t(i)].y - profile[size_t(i - 1)].y);
    std::vector<int> first(static_cast<size_t>(rows));
    for (int i = 0; i < rows; ++i) {
        first[size_t(i)] = int(g.positions.size());
        int n = profile[size_t(i)].r == 0 ? 1 : segments;  // a point on the axis is one vertex
        for (int j = 0; j < n; ++j) {
            double a = 2 * PI * j / segments;
            g.positions.push_back({profile[size_t(i)].r * std::cos(a), profile[size_t(i)].y, profile[size_t(i)].r * std::sin(a)});
        }
    }
    auto corner = [&](int i, int j) {
        int n = profile[size_t(i)].r == 0 ? 1 : segments;
        int vertex = first[size_t(i)] + (n == 1 ? 0 : j % segments);
        return Corner{vertex, float(double(j) / segments), float(along[size_t(i)] / along[size_t(rows - 1)])};
    };
    for (int i = 0; i + 1 < rows; ++i) {
        double dr = profile[size_t(i + 1)].r - profile[size_t(i)].r, dy = profile[size_t(i + 1)].y - profile[size_t(i)].y;
        for (int j = 0; j < segments; ++j) {
            double a = 2 * PI * (j + 0.5) / segments;
            P3 out = {dy * std::cos(a), -dr, dy * std::sin(a)};
            if (dot(out, out) == 0) out = {std::cos(a), 0, std::sin(a)};
            Corner a0 = corner(i, j), a1 = corner(i, j + 1), b0 = corner(i + 1, j), b1 = corner(i + 1, j + 1);
            if (profile[size_t(i)].r != 0) g.tri(a0, a1, b1, out);
            if (profile[size_t(i + 1)].r != 0) g.tri(a0, b1, b0, out);
        }
    }
    return g;
}

// A torus about the y axis (used for rings, stood up by the mesh's own rotation).
Geometry torus(double major, double minor, int segments, int sides)
{
    std::vector<RY> profile;
    for (int k = 0; k <= sides; ++k) {
        double a = -PI / 2 + 2 * PI * k / sides;
        profile.push_back({major + minor * std::cos(a), minor * std::sin(a)});
    }
    return lathe(profile, segments);
}

// A grid of (nu + 1) x (nv + 1) points from f(s, t), s and t in 0..1; u = s, v = t. `out` gives the
// side the front faces.
Geometry sheet(int nu, int nv, const std::function<P3(double, double)>& f, P3 outward)
{
    Geometry g;
    for (int j = 0; j <= nv; ++j)
        for (int i = 0; i <= nu; ++i) g.positions.push_back(f(double(i) / nu, double(j) / nv));
    auto c = [&](int i, int j) { return Corner{j * (nu + 1) + i, float(double(i) / nu), float(double(j) / nv)}; };
    for (int j = 0; j < nv; ++j)
        for (int i = 0; i < nu; ++i) {
            g.tri(c(i, j), c(i + 1, j), c(i + 1, j + 1), outward);
            g.tri(c(i, j), c(i + 1, j + 1), c(i, j + 1), outward);
        }
    return g;
}

void append(Geometry& to, const Geometry& from)
{
    int base = int(to.positions.size());
    to.positions.insert(to.positions.end(), from.positions.begin(), from.positions.end());
    for (Corner c : from.corners) to.corners.push_back({c.vertex + base, c.u, c.v});
}

// ---- textures ----

const P3 LIGHT = norm({-0.55, 0.65, -0.55});

struct Rgb {
    double r, g, b;
};
Rgb rgb(uint32_t c) { return {double((c >> 16) & 255) / 255, double((c >> 8) & 255) / 255, double(c & 255) / 255}; }
Rgb mix(Rgb a, Rgb b, double t) { return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t}; }

// Diffuse light with a warm ambient floor, and a highlight of the given strength.
Rgb lit(Rgb base, P3 n, double shine, double sharpness = 24)
{
    n = norm(n);
    double d = std::max(0.0, dot(n, LIGHT));
    P3 h = norm(LIGHT + P3{0, 0, -1});
    double s = shine * std::pow(std::max(0.0, dot(n, h)), sharpness);
    double k = 0.36 + 0.78 * d;
    return {base.r * k * 1.0 + s, base.g * k * 0.97 + s, base.b * k * 0.92 + s};
}

Image makeTexture(int w, int h, const std::function<Rgb(double u, double t, double* alpha)>& f)
{
    Image img = makeImage(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            double alpha = 1.0;
            Rgb c = f((x + 0.5) / w, 1.0 - (y + 0.5) / h, &alpha);
            uint8_t* p = img.at(x, y);
            p[0] = uint8_t(std::clamp(c.r, 0.0, 1.0) * 255 + 0.5);
            p[1] = uint8_t(std::clamp(c.g, 0.0, 1.0) * 255 + 0.5);
            p[2] = uint8_t(std::clamp(c.b, 0.0, 1.0) * 255 + 0.5);
            p[3] = uint8_t(std::clamp(alpha, 0.0, 1.0) * 255 + 0.5);
        }
    return img;
}

// The outward normal of a lathe profile at fraction t of its length, turned to the angle of u.
P3 latheNormal(const std::vector<RY>& profile, double u, double t, bool flatFacets, int segments)
{
    std::vector<double> along(profile.size(), 0.0);
    for (size_t i = 1; i < profile.size(); ++i)
        along[i] = along[i - 1] + std::hypot(profile[i].r - profile[i - 1].r, profile[i].y - profile[i - 1].y);
    double s = t * along.back();
    size_t i = 0;
    while (i + 2 < profile.size() && along[i + 1] < s) ++i;
    double dr = profile[i + 1].r - profile[i].r, dy = profile[i + 1].y - profile[i].y;
    double a = 2 * PI * u;
    if (flatFacets) a = 2 * PI * (std::floor(u * segments) + 0.5) / segments;
    return {dy * std::cos(a), -dr, dy * std::sin(a)};
}

// Cheap value noise in 0..1 (deterministic).
double hash(int x, int y)
{
    uint32_t h = uint32_t(x) * 374761393u + uint32_t(y) * 668265263u;
    h = (h ^ (h >> 13)) * 1274126177u;
    return double((h ^ (h >> 16)) & 0xFFFF) / 65535.0;
}

double noise(double x, double y)
{
    int xi = int(std::floor(x)), yi = int(std::floor(y));
    double fx = x - xi, fy = y - yi;
    fx = fx * fx * (3 - 2 * fx);
    fy = fy * fy * (3 - 2 * fy);
    double a = hash(xi, yi), b = hash(xi + 1, yi), c = hash(xi, yi + 1), d = hash(xi + 1, yi + 1);
    return (a + (b - a) * fx) + ((c + (d - c) * fx) - (a + (b - a) * fx)) * fy;
}

// ---- output ----

struct Writer {
    std::string dir;
    const char* preview;
    bool ok = true;

    void mesh(const char* name, const Geometry& g, bool smooth, P3 translation = {}, P3 rotation = {TILT, 0, 0})
    {
        ok = ok && writeBytes(dir + name, encodeMesh(g, smooth, translation, rotation));
    }
    void texture(const char* name, const Image& img, bool alpha)
    {
        ok = ok && writeBytes(dir + name, alpha ? encodeTga(img, true) : encodeJpeg(img, 92));
        if (preview) writeBytes(std::string(preview) + "/" + name + ".png", encodePng(img));
    }
    void composite(const char* name, const std::vector<std::pair<const char*, const char*>>& parts)
    {
        std::string text = "nummeshes=" + std::to_string(parts.size()) + "\r\n";
        for (size_t i = 0; i < parts.size(); ++i) {
            text += "mesh" + std::to_string(i) + "=" + parts[i].first + "\r\n";
            text += "texture" + std::to_string(i) + "=" + parts[i].second + "\r\n";
        }
        ok = ok && writeBytes(dir + name, std::vector<uint8_t>(text.begin(), text.end()));
    }
};

// A warm glowing lantern: a soft halo behind, a base, a glass body with its iron bars, a roof, and
// a ring on top stood up by its own rotation. Back to front, so it reads right without a depth test.
void lantern(Writer& w)
{
    // halo: a flat disc behind the lantern (blended)
    Geometry halo = sheet(1, 1, [](double s, double t) { return P3{-0.95 + 1.9 * s, -0.75 + 1.9 * t, 0.0}; }, {0, 0, -1});
    w.mesh("lantern_halo.msh_s", halo, false, {0, 0, 0.75}, {0, 0, 0});
    w.texture("lantern_halo.tga", makeTexture(128, 128, [](double u, double t, double* a) {
        double d = std::hypot(u - 0.5, t - 0.5) * 2;
        *a = std::pow(std::max(0.0, 1 - d), 2.2) * 0.75;
        return Rgb{1.0, 0.78, 0.38};
    }), true);

    const std::vector<RY> glass = {{0.30, -0.74}, {0.40, -0.6}, {0.44, -0.3}, {0.44, 0.0}, {0.40, 0.22}, {0.32, 0.32}};
    w.mesh("lantern_glass.msh_s", lathe(glass, 24), true);
    w.texture("lantern_glass.jpg", makeTexture(256, 128, [&](double u, double t, double*) {
        // amber light, brightest in the middle, with six iron bars and two bands
        double core = 1 - std::pow(std::fabs(t - 0.5) * 2, 2.0) * 0.45;
        Rgb light = mix(rgb(0xE88A2E), rgb(0xFFE9A8), core);
        double front = std::max(0.0, -std::sin(2 * PI * u));
        light = mix(light, rgb(0xFFF6D8), 0.35 * front * core);
        double bar = std::fabs(std::fmod(u * 6 + 0.5, 1.0) - 0.5);
        bool iron = bar < 0.06 || std::fabs(t - 0.5) < 0.025;
        if (iron) return lit(rgb(0x3A2A22), latheNormal(glass, u, t, false, 24), 0.3);
        return light;
    }), false);

    // base and roof: dark iron with a warm sheen
    auto iron = [](const std::vector<RY>& profile) {
        return makeTexture(256, 128, [&profile](double u, double t, double*) {
            double grain = 0.85 + 0.15 * noise(u * 40, t * 12);
            Rgb c = lit(rgb(0x5A3C28), latheNormal(profile, u, t, false, 24), 0.45, 30);
            return Rgb{c.r * grain, c.g * grain, c.b * grain};
        });
    };
    const std::vector<RY> baseProfile = {{0.0, -1.0}, {0.50, -1.0}, {0.52, -0.93}, {0.42, -0.86}, {0.32, -0.78},
                                         {0.30, -0.74}};
    w.mesh("lantern_base.msh_s", lathe(baseProfile, 24), true);
    w.texture("lantern_base.jpg", iron(baseProfile), false);
    const std::vector<RY> roofProfile = {{0.30, 0.30}, {0.52, 0.36}, {0.50, 0.43}, {0.24, 0.62}, {0.10, 0.70},
                                         {0.10, 0.76}, {0.0, 0.78}};
    w.mesh("lantern_roof.msh_s", lathe(roofProfile, 24), true);
    w.texture("lantern_roof.jpg", iron(roofProfile), false);

    w.mesh("lantern_ring.msh_s", torus(0.13, 0.028, 24, 8), true, {0, 0.9, 0}, {float(PI / 2), 0, 0});
    w.texture("lantern_ring.jpg", makeTexture(64, 32, [](double u, double t, double*) {
        return mix(rgb(0x2E2018), rgb(0xB08040), std::max(0.0, std::sin(2 * PI * t)) * (0.6 + 0.4 * std::sin(2 * PI * u)));
    }), false);

    w.composite("lantern.cgo", {{"lantern_halo.msh_s", "lantern_halo.tga"},
                                {"lantern_base.msh_s", "lantern_base.jpg"},
                                {"lantern_glass.msh_s", "lantern_glass.jpg"},
                                {"lantern_roof.msh_s", "lantern_roof.jpg"},
                                {"lantern_ring.msh_s", "lantern_ring.jpg"}});
}

// A cluster of three violet-blue crystals (faceted: flat faces, each facet painted with its own
// light) on a rough stone. The meshes come back to front, so the cluster also reads right when
// drawn without a depth test.
void crystal(Writer& w)
{
    // the stone: a lathe with its vertices pushed in and out a little (seeded, so every run is equal)
    const std::vector<RY> rock = {{0.0, -1.0}, {0.62, -1.0}, {0.7, -0.86}, {0.6, -0.68}, {0.34, -0.56}, {0.0, -0.52}};
    Geometry stone = lathe(rock, 14);
    for (size_t i = 0; i < stone.positions.size(); ++i) {
        P3& p = stone.positions[i];
        if (p.y <= -0.999) continue;
        double k = 0.85 + 0.3 * hash(int(i), 7);
        p.x *= k;
        p.z *= k;
        p.y += 0.05 * (hash(int(i), 11) - 0.5);
    }
    w.mesh("crystal_stone.msh_s", stone, true);
    w.texture("crystal_stone.jpg", makeTexture(256, 128, [&](double u, double t, double*) {
        double n = noise(u * 18, t * 6) * 0.6 + noise(u * 50, t * 18) * 0.4;
        Rgb base = mix(rgb(0x5C5348), rgb(0x8C8070), n);
        base = mix(base, rgb(0x4F6B3A), std::max(0.0, t - 0.7) * 2.5 * noise(u * 30, t * 9));  // moss on top
        return lit(base, latheNormal(rock, u, t, false, 14), 0.05);
    }), false);

    // one crystal shape; each of the three has its own file for its own size, turn and place
    auto prism = [](double radius, double height) {
        return std::vector<RY>{{0.0, 0.0}, {radius, 0.0}, {radius * 1.08, height * 0.7}, {radius * 0.9, height * 0.82},
                               {0.0, height}};
    };
    struct Shard {
        const char* name;
        double radius, height;
        P3 at, turn;
    };
    const Shard shards[3] = {{"crystal_a.msh_s", 0.24, 1.55, {0.0, -0.62, 0.0}, {TILT, 0.3, 0.0}},
                             {"crystal_b.msh_s", 0.17, 1.0, {-0.3, -0.66, -0.05}, {TILT, 1.1, 0.5}},
                             {"crystal_c.msh_s", 0.15, 0.85, {0.3, -0.68, 0.05}, {TILT, -0.4, -0.55}}};
    for (const Shard& s : shards) w.mesh(s.name, lathe(prism(s.radius, s.height), 6), false, s.at, s.turn);
    const std::vector<RY> shape = prism(1.0, 5.0);
    w.texture("crystal.jpg", makeTexture(256, 256, [&](double u, double t, double*) {
        // facet by facet: deep violet in shadow, ice blue where lit, a white glint on the lit facets
        P3 n = latheNormal(shape, u, t, true, 6);
        double facet = std::fmod(u * 6, 1.0);
        double edge = std::min(facet, 1 - facet);
        Rgb base = mix(rgb(0x4B3A9E), rgb(0x8FD3FF), 0.35 + 0.5 * t);
        Rgb c = lit(base, n, 0.9, 10);
        double glow = 0.25 * std::pow(t, 3);  // the tips shine from inside
        c = mix(c, rgb(0xE8F6FF), glow + (edge < 0.04 ? 0.35 : 0.0));
        return c;
    }), false);
    w.composite("crystal.cgo", {{"crystal_stone.msh_s", "crystal_stone.jpg"},
                                {"crystal_c.msh_s", "crystal.jpg"},
                                {"crystal_a.msh_s", "crystal.jpg"},
                                {"crystal_b.msh_s", "crystal.jpg"}});
}

// A whitewashed windmill: an eight-sided tower with a door and windows under a shingled cap (one
// mesh, mesh 0), and four lattice sails (mesh 1) whose local origin is their hub. The sails come
// last, so they stay in front when drawn without a depth test.
void windmill(Writer& w)
{
    // the body's picture: the tower in the lower 62 % of its rows, the cap above
    constexpr double SPLIT = 0.62;
    auto remap = [](Geometry g, double v0, double v1) {
        for (Corner& c : g.corners) c.v = float(v0 + (v1 - v0) * c.v);
        return g;
    };
    const std::vector<RY> towerProfile = {{0.0, -1.0}, {0.52, -1.0}, {0.36, 0.45}, {0.0, 0.45}};
    const std::vector<RY> capProfile = {{0.0, 0.40}, {0.44, 0.40}, {0.42, 0.52}, {0.30, 0.70}, {0.12, 0.80},
                                        {0.0, 0.83}};
    Geometry body = remap(lathe(towerProfile, 8), 0.0, SPLIT);
    append(body, remap(lathe(capProfile, 24), SPLIT, 1.0));
    w.mesh("windmill_body.msh_s", body, true);
    w.texture("windmill_body.jpg", makeTexture(256, 512, [&](double u, double v, double*) {
        if (v >= SPLIT) {
            // the cap: rows of red-brown shingles
            double t = (v - SPLIT) / (1 - SPLIT);
            double rowT = t * 14, row = std::floor(rowT);
            double shingle = std::fmod(u * 40 + (int(row) % 2) * 0.5, 1.0);
            double shade = 0.8 + 0.2 * (rowT - row) - (shingle < 0.08 ? 0.2 : 0.0);
            Rgb base = mix(rgb(0x7A2E1E), rgb(0xA8472A), hash(int(u * 40 + (int(row) % 2) * 0.5), int(row)));
            return lit(Rgb{base.r * shade, base.g * shade, base.b * shade}, latheNormal(capProfile, u, t, false, 24), 0.15);
        }
        double t = v / SPLIT;
        P3 n = latheNormal(towerProfile, u, t, true, 8);
        // the side wall runs from t 0.222 to 0.846 of the profile's length (bottom disc, wall, top disc)
        double wall = (t - 0.2223) / (0.846 - 0.2223);
        double plaster = 0.9 + 0.1 * noise(u * 60, t * 40);
        Rgb base = mix(rgb(0xD9CCB0), rgb(0xF2E8D2), plaster);
        // the facets turned to the viewer are centred on u = 0.6875 (door, window) and 0.8125 (window)
        double front = u - 0.6875, right = u - 0.8125;
        if (wall > 0 && wall < 1) {
            if (std::fabs(front) < 0.022 && wall < 0.2) base = wall > 0.185 || std::fabs(front) > 0.019 ? rgb(0x3A2818) : rgb(0x6B4226);
            if (std::fabs(front) < 0.014 && wall > 0.5 && wall < 0.6) base = rgb(0x2A3550);
            if (std::fabs(right) < 0.012 && wall > 0.72 && wall < 0.8) base = rgb(0x2A3550);
            if (wall < 0.05) base = mix(base, rgb(0x7A6A58), 0.6);  // stone footing
        }
        return lit(base, n, 0.08);
    }), false);

    // sails: four blades around the hub, each a lattice of cloth and a spar, in the plane facing the
    // viewer, with a small hub disc
    Geometry sails;
    for (int b = 0; b < 4; ++b) {
        double a = PI / 4 + b * PI / 2;
        P3 along = {std::cos(a), std::sin(a), 0}, side = {-std::sin(a), std::cos(a), 0};
        Geometry blade = sheet(1, 1, [&](double s, double t) { return along * (0.08 + 0.72 * t) + side * (-0.03 + 0.2 * s); },
                               {0, 0, -1});
        append(sails, blade);
    }
    w.mesh("windmill_sails.msh_s", sails, false, {0, 0.5, -0.62}, {TILT, 0, 0});
    w.texture("windmill_sails.tga", makeTexture(128, 256, [](double s, double t, double* a) {
        // s across the blade (0 at the spar), t along it
        bool spar = s < 0.16;
        bool frame = s > 0.9 || t < 0.04 || t > 0.96;
        bool lath = std::fmod(t * 9, 1.0) < 0.1 || std::fabs(s - 0.55) < 0.04;
        if (spar || frame || lath) {
            *a = 1;
            return mix(rgb(0x5A3A20), rgb(0x8A6038), spar ? 0.3 + 0.4 * s / 0.16 : 0.5);
        }
        *a = 0.85;
        return mix(rgb(0xE8DCC0), rgb(0xC8B898), t);
    }), true);

    w.composite("windmill.cgo", {{"windmill_body.msh_s", "windmill_body.jpg"},
                                 {"windmill_sails.msh_s", "windmill_sails.tga"}});
}

// A small sailing boat: a lofted wooden hull with a deck, a mast and a curved sail.
void boat(Writer& w)
{
    // hull: stations along x from stern (-1) to bow (1), each a U-shaped section from the port
    // gunwale down over the keel to the starboard gunwale
    const int stations = 24, sectionPoints = 12;
    auto halfBeam = [](double x) { return 0.36 * std::pow(std::max(0.0, 1 - std::pow(std::fabs(x), 2.4)), 0.6); };
    auto depth = [](double x) { return 0.32 * std::pow(std::max(0.0, 1 - std::pow(std::fabs(x), 3.0)), 0.5) + 0.02; };
    const double deckY = -0.55;
    auto hullPoint = [&](double s, double q) {
        // s 0..1 along the length, q 0..1 round the section (0 port gunwale, 1 starboard)
        double x = -1 + 2 * s;
        double sheer = 0.12 * std::pow(std::fabs(x), 2);  // the ends rise
        double a = PI * q;
        return P3{x * 0.98, deckY + sheer - depth(x) * std::sin(a), -halfBeam(x) * std::cos(a)};
    };
    Geometry hull = sheet(stations, sectionPoints, [&](double s, double q) { return hullPoint(s, q); }, {0, 0, 0});
    // face every hull triangle outwards from the hull's centre line
    for (size_t c = 0; c + 2 < hull.corners.size(); c += 3) {
        P3 a = hull.positions[size_t(hull.corners[c].vertex)], b = hull.positions[size_t(hull.corners[c + 1].vertex)],
           d = hull.positions[size_t(hull.corners[c + 2].vertex)];
        P3 centre = (a + b + d) * (1.0 / 3);
        P3 out = {0, centre.y - (deckY + 0.1), centre.z};
        if (dot(cross(b - a, d - a), out) < 0) std::swap(hull.corners[c + 1], hull.corners[c + 2]);
    }
    w.mesh("boat_hull.msh_s", hull, true);
    w.texture("boat_hull.jpg", makeTexture(256, 128, [&](double s, double q, double*) {
        double x = -1 + 2 * s, a = PI * q;
        P3 n = {0, -std::sin(a) * 0.6, -std::cos(a)};
        n.y -= 0.0;
        double plank = std::fmod(q * 7, 1.0);
        Rgb base = mix(rgb(0x6B4226), rgb(0x9A6A3C), 0.5 + 0.5 * noise(s * 30, q * 7));
        if (plank < 0.08) base = mix(base, rgb(0x3A2414), 0.6);
        if (q < 0.1 || q > 0.9) base = rgb(0x2F5A7A);   // a painted blue rail
        if ((q > 0.12 && q < 0.16) || (q > 0.84 && q < 0.88)) base = rgb(0xE0C080);  // a gold stripe
        (void)x;
        return lit(base, n, 0.12);
    }), false);
    // the deck closes the top
    Geometry deck = sheet(stations, 2, [&](double s, double q) {
        P3 port = hullPoint(s, 0), star = hullPoint(s, 1);
        return port + (star - port) * q;
    }, {0, 1, 0});
    w.mesh("boat_deck.msh_s", deck, false);
    w.texture("boat_deck.jpg", makeTexture(128, 64, [](double s, double q, double*) {
        double board = std::fmod(q * 6, 1.0);
        Rgb base = mix(rgb(0xB08050), rgb(0xC89A64), noise(s * 40, q * 6));
        if (board < 0.1) base = mix(base, rgb(0x5A3A20), 0.7);
        return lit(base, P3{0, 1, 0}, 0.05);
    }), false);

    const std::vector<RY> mastProfile = {{0.0, -0.53}, {0.035, -0.53}, {0.028, 0.95}, {0.0, 0.98}};
    w.mesh("boat_mast.msh_s", lathe(mastProfile, 10), true, {0.05, 0, 0}, {TILT, 0, 0});
    w.texture("boat_mast.jpg", makeTexture(64, 128, [&](double u, double t, double*) {
        return lit(mix(rgb(0x5A3A20), rgb(0x8A5A30), noise(u * 8, t * 40)), latheNormal(mastProfile, u, t, false, 10), 0.2);
    }), false);

    // sail: a quadrilateral from the mast towards the stern, bellied towards the viewer
    Geometry sail = sheet(8, 8, [](double s, double t) {
        double top = 0.9, bottom = -0.42;
        double x = 0.02 - s * (0.72 - 0.25 * t);
        double y = bottom + (top - bottom) * t - 0.05 * s;
        double belly = -0.12 * std::sin(PI * s) * std::sin(PI * std::min(1.0, t * 1.1));
        return P3{x, y, belly};
    }, {0, 0, -1});
    w.mesh("boat_sail.msh_s", sail, false, {0.05, 0, 0}, {TILT, 0, 0});
    w.texture("boat_sail.tga", makeTexture(128, 128, [](double s, double t, double* a) {
        *a = 1;
        Rgb base = mix(rgb(0xF4E8CC), rgb(0xD8C8A4), s * 0.6 + 0.2 * (1 - t));
        if (t > 0.42 && t < 0.56) base = mix(rgb(0xB8442E), rgb(0x963020), s);  // a red band
        if (s > 0.97 || t < 0.025 || t > 0.975) base = mix(base, rgb(0x8A7050), 0.6);  // hems
        double shade = 0.85 + 0.15 * std::sin(PI * s);
        return Rgb{base.r * shade, base.g * shade, base.b * shade};
    }), true);

    w.composite("boat.cgo", {{"boat_hull.msh_s", "boat_hull.jpg"},
                             {"boat_deck.msh_s", "boat_deck.jpg"},
                             {"boat_mast.msh_s", "boat_mast.jpg"},
                             {"boat_sail.msh_s", "boat_sail.tga"}});
}

}  // namespace

bool genMeshes(const char* srcDir, const char* outDir)
{
    (void)srcDir;
    Writer w;
    w.dir = std::string(outDir) + "/AnimBacks/";
    w.preview = std::getenv("OSTRIMAR_ART_PREVIEW");
    lantern(w);
    crystal(w);
    windmill(w);
    boat(w);
    if (!w.ok) std::fprintf(stderr, "datagen: the decorations could not be written\n");
    return w.ok;
}
