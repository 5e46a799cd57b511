// The adventure map's data: the map picture "megamap.jpg" (the river road winding through the
// fifteen lands), the path "mapspline.spl" made from the same road, the frame "mapback.jpg",
// the marks and buttons, the fifteen artefact pictures with their icons, and the covers that
// hide the stage pictures in ten pieces.
//
// The road comes from data/map/road.txt (control points); a Catmull-Rom curve runs through
// them and is resampled every 20 pixels of arc. The stage marks sit at equal steps of the
// road's length, so every land is painted around the point where its mark will be.
// OSTRIMAR_ART_PREVIEW, when set, names a folder that receives PNG copies.
#include "canvas.h"
#include "core/random.h"
#include "datagen.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

bool emitPicture(const char* outDir, const char* archive, const char* name, const std::vector<uint8_t>& bytes);

namespace {

constexpr int MAP = 1024;
constexpr int LANDS = 15;
constexpr double PI = 3.14159265358979;
constexpr double STEP = 20.0;

struct P {
    double x, y;
};

// Offsets of the ten cover pieces from the stage picture's centre (y up), where the map's
// sparks land.
const double PIECE_X[10] = {-55, 55, 95, 95, 55, -55, -95, -95, 0, 0};
const double PIECE_Y[10] = {95, 95, 55, -55, -95, -95, -55, 55, 45, -45};

double frand() { return rand15() / 32767.0; }
double frange(double a, double b) { return a + (b - a) * frand(); }

// ---- The road ------------------------------------------------------------------------------

bool readRoad(const std::string& path, std::vector<P>& out)
{
    std::ifstream in(path);
    if (!in) return false;
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#') continue;
        P p;
        if (std::sscanf(line.c_str(), "%lf %lf", &p.x, &p.y) == 2) out.push_back(p);
    }
    return out.size() >= 4;
}

P catmull(const P& a, const P& b, const P& c, const P& d, double t)
{
    double t2 = t * t, t3 = t2 * t;
    auto f = [&](double p0, double p1, double p2, double p3) {
        return 0.5 * (2 * p1 + (-p0 + p2) * t + (2 * p0 - 5 * p1 + 4 * p2 - p3) * t2 + (-p0 + 3 * p1 - 3 * p2 + p3) * t3);
    };
    return {f(a.x, b.x, c.x, d.x), f(a.y, b.y, c.y, d.y)};
}

// A dense polyline through the control points.
std::vector<P> denseCurve(const std::vector<P>& c)
{
    std::vector<P> out;
    for (size_t i = 0; i + 1 < c.size(); ++i) {
        const P& a = c[i ? i - 1 : 0];
        const P& d = c[i + 2 < c.size() ? i + 2 : c.size() - 1];
        for (int k = 0; k < 64; ++k) out.push_back(catmull(a, c[i], c[i + 1], d, k / 64.0));
    }
    out.push_back(c.back());
    return out;
}

// Points every `step` of arc along a dense polyline; *length receives the arc of the last one.
std::vector<P> resample(const std::vector<P>& dense, double step, double* length)
{
    std::vector<P> out{dense[0]};
    double carried = 0.0;
    for (size_t i = 1; i < dense.size(); ++i) {
        P a = dense[i - 1], b = dense[i];
        double seg = std::hypot(b.x - a.x, b.y - a.y);
        while (carried + seg >= step) {
            double f = (step - carried) / seg;
            a = {a.x + (b.x - a.x) * f, a.y + (b.y - a.y) * f};
            out.push_back(a);
            seg = std::hypot(b.x - a.x, b.y - a.y);
            carried = 0.0;
        }
        carried += seg;
    }
    *length = step * double(out.size() - 1);
    return out;
}

P roadAt(const std::vector<P>& pts, double arc)
{
    if (arc <= 0) return pts.front();
    size_t i = size_t(arc / STEP);
    if (i + 1 >= pts.size()) return pts.back();
    double f = arc / STEP - double(i);
    return {pts[i].x + (pts[i + 1].x - pts[i].x) * f, pts[i].y + (pts[i + 1].y - pts[i].y) * f};
}

P roadDir(const std::vector<P>& pts, double arc)
{
    P a = roadAt(pts, arc - 10), b = roadAt(pts, arc + 10);
    double l = std::hypot(b.x - a.x, b.y - a.y);
    return l > 0 ? P{(b.x - a.x) / l, (b.y - a.y) / l} : P{1, 0};
}

// The file the map reads: count, length, the points (the reader adds 30 to y), 40 spare bytes.
std::vector<uint8_t> splineFile(const std::vector<P>& pts, double length)
{
    std::vector<uint8_t> out;
    auto word = [&out](uint32_t w) {
        for (int i = 0; i < 4; ++i) out.push_back(uint8_t(w >> (8 * i)));
    };
    auto flt = [&word](float f) {
        uint32_t w;
        std::memcpy(&w, &f, 4);
        word(w);
    };
    word(uint32_t(pts.size()));
    flt(float(length));
    for (const P& p : pts) {
        flt(float(p.x));
        flt(float(p.y - 30.0));
    }
    for (int i = 0; i < 10; ++i) word(0);
    return out;
}

// ---- Noise ---------------------------------------------------------------------------------

double hash2(int x, int y, int seed)
{
    uint32_t h = uint32_t(x) * 374761393u + uint32_t(y) * 668265263u + uint32_t(seed) * 2246822519u;
    h = (h ^ (h >> 13)) * 1274126177u;
    return double((h ^ (h >> 16)) & 0xFFFF) / 65535.0;
}

double valueNoise(double x, double y, int seed)
{
    int xi = int(std::floor(x)), yi = int(std::floor(y));
    double fx = x - xi, fy = y - yi;
    fx = fx * fx * (3 - 2 * fx);
    fy = fy * fy * (3 - 2 * fy);
    double a = hash2(xi, yi, seed), b = hash2(xi + 1, yi, seed), c = hash2(xi, yi + 1, seed), d = hash2(xi + 1, yi + 1, seed);
    return (a * (1 - fx) + b * fx) * (1 - fy) + (c * (1 - fx) + d * fx) * fy;
}

double fbm(double x, double y, int seed)
{
    double s = 0, amp = 0.5, f = 1;
    for (int o = 0; o < 5; ++o) {
        s += amp * valueNoise(x * f, y * f, seed + o * 17);
        amp *= 0.5;
        f *= 2.03;
    }
    return s;
}

// ---- Lands ---------------------------------------------------------------------------------

struct Land {
    const char* label;
    uint32_t ground;
    uint32_t light;   // art picture backdrop
    uint32_t dark;
};

const Land LANDS_TABLE[LANDS] = {
    {"meadow", 0x8CC152, 0xF6E9A8, 0x6E9A3C},       {"birch wood", 0x9BC46A, 0xEAF2D0, 0x5E8A44},
    {"river ford", 0x7DB35E, 0xCFE8E6, 0x3F7A70},   {"waterfall", 0x6A9E5C, 0xCDE6F0, 0x3A6A80},
    {"old mill", 0xC2B35E, 0xF4E2A0, 0x9A7A3A},     {"marsh", 0x6E8048, 0xD6DDB0, 0x4A5A34},
    {"stone circle", 0x8FA266, 0xE0E2C8, 0x5E6A58}, {"hill fort", 0x86A553, 0xEADCB0, 0x7A5A36},
    {"pine forest", 0x3E6B3A, 0xC8DCB8, 0x2A4A2C},  {"lake", 0x74A862, 0xD0E6F4, 0x3A6A9A},
    {"cliffs", 0x9C9180, 0xE4DCCC, 0x6A6258},       {"snow pass", 0xEEF3F8, 0xF2F6FA, 0x7A8AA0},
    {"glacier", 0xD6ECF8, 0xE6F4FA, 0x5A8AB0},      {"fire mountain", 0x6A4A3C, 0xF4B078, 0x6A2A1A},
    {"the last citadel", 0xA89C84, 0xF0E0C0, 0x6A5A7A},
};

struct MapLayout {
    std::vector<P> road;
    double length = 0;
    P centre[LANDS];
    P normal[LANDS];  // left of the road's direction
    std::vector<P> river;
};

double distanceTo(const std::vector<P>& line, const P& p)
{
    double best = 1e9;
    for (size_t i = 0; i + 1 < line.size(); ++i) {
        P a = line[i], b = line[i + 1];
        double vx = b.x - a.x, vy = b.y - a.y, l2 = vx * vx + vy * vy;
        double t = l2 > 0 ? ((p.x - a.x) * vx + (p.y - a.y) * vy) / l2 : 0;
        t = t < 0 ? 0 : (t > 1 ? 1 : t);
        best = std::fmin(best, std::hypot(p.x - a.x - t * vx, p.y - a.y - t * vy));
    }
    return best;
}

int nearestLand(const MapLayout& m, const P& p)
{
    int best = 0;
    for (int i = 1; i < LANDS; ++i)
        if (std::hypot(p.x - m.centre[i].x, p.y - m.centre[i].y) < std::hypot(p.x - m.centre[best].x, p.y - m.centre[best].y))
            best = i;
    return best;
}

// A random place in land i for a feature of radius r: in the land's own area, clear of the
// ring of level marks, the road and the river, inside the picture.
P spot(const MapLayout& m, int i, double r)
{
    P c = m.centre[i];
    for (int tries = 0; tries < 400; ++tries) {
        double a = frange(0, 2 * PI), d = frange(70 + r, 170);
        P p{c.x + d * std::cos(a), c.y + d * std::sin(a)};
        if (p.x < r + 8 || p.y < r + 8 || p.x > MAP - r - 8 || p.y > MAP - r - 8) continue;
        if (nearestLand(m, p) != i) continue;
        if (distanceTo(m.road, p) < r + 14 || (!m.river.empty() && distanceTo(m.river, p) < r + 16)) continue;
        return p;
    }
    return {-500, -500};  // nothing fits: the feature is left out (drawn off the picture)
}

// Side point of land i: along the road by `along`, to its left by `side` (negative: right).
P beside(const MapLayout& m, int i, double along, double side)
{
    double arc = i * m.length / (LANDS - 1) + along;
    P c = roadAt(m.road, arc), d = roadDir(m.road, arc);
    return {c.x - d.y * side, c.y + d.x * side};
}

void shadowBlob(cairo_t* cr, double x, double y, double rx, double ry, double a = 0.28)
{
    setColour(cr, 0x1A2410, a);
    ellipsePath(cr, x + rx * 0.35, y + ry * 0.3, rx, ry);
    cairo_fill(cr);
}

void leafyTree(cairo_t* cr, double x, double y, double s, uint32_t leaf)
{
    shadowBlob(cr, x + s * 0.3, y + s * 0.15, s * 0.7, s * 0.3);
    setColour(cr, 0x5A3A20);
    cairo_rectangle(cr, x - s * 0.08, y - s * 0.5, s * 0.16, s * 0.55);
    cairo_fill(cr);
    for (int k = 0; k < 3; ++k) {
        double px = x + (k - 1) * s * 0.28, py = y - s * 0.75 - (k == 1 ? s * 0.2 : 0);
        cairo_pattern_t* p = cairo_pattern_create_radial(px - s * 0.15, py - s * 0.2, s * 0.05, px, py, s * 0.45);
        addStop(p, 0, shadeColour(leaf, 1.35));
        addStop(p, 0.7, leaf);
        addStop(p, 1, shadeColour(leaf, 0.7));
        usePattern(cr, p);
        cairo_arc(cr, px, py, s * 0.42, 0, 2 * PI);
        cairo_fill(cr);
    }
}

void birch(cairo_t* cr, double x, double y, double s)
{
    shadowBlob(cr, x + s * 0.2, y, s * 0.4, s * 0.15);
    setColour(cr, 0xF2EEE4);
    cairo_rectangle(cr, x - s * 0.05, y - s * 1.1, s * 0.1, s * 1.1);
    cairo_fill(cr);
    setColour(cr, 0x2A2420);
    for (int k = 0; k < 4; ++k) {
        cairo_rectangle(cr, x - s * 0.05, y - s * (0.2 + 0.22 * k), s * 0.06, s * 0.03);
        cairo_fill(cr);
    }
    cairo_pattern_t* p = cairo_pattern_create_radial(x - s * 0.1, y - s * 1.2, s * 0.05, x, y - s * 1.05, s * 0.4);
    addStop(p, 0, 0xD8EE90);
    addStop(p, 1, 0x7FAE48, 0.9);
    usePattern(cr, p);
    ellipsePath(cr, x, y - s * 1.05, s * 0.3, s * 0.45);
    cairo_fill(cr);
}

void pine(cairo_t* cr, double x, double y, double s, uint32_t c = 0x2E5A34)
{
    shadowBlob(cr, x + s * 0.2, y, s * 0.35, s * 0.12);
    setColour(cr, 0x4A3020);
    cairo_rectangle(cr, x - s * 0.05, y - s * 0.2, s * 0.1, s * 0.22);
    cairo_fill(cr);
    for (int k = 0; k < 3; ++k) {
        double top = y - s * (0.55 + 0.3 * k), w = s * (0.42 - 0.1 * k);
        cairo_move_to(cr, x, top - s * 0.35);
        cairo_line_to(cr, x + w, top + s * 0.25);
        cairo_line_to(cr, x - w, top + s * 0.25);
        cairo_close_path(cr);
        cairo_pattern_t* p = cairo_pattern_create_linear(x - w, 0, x + w, 0);
        addStop(p, 0, shadeColour(c, 1.4));
        addStop(p, 1, shadeColour(c, 0.75));
        usePattern(cr, p);
        cairo_fill(cr);
    }
}

void rock(cairo_t* cr, double x, double y, double s, uint32_t c)
{
    shadowBlob(cr, x, y + s * 0.2, s * 0.6, s * 0.25);
    cairo_move_to(cr, x - s * 0.6, y + s * 0.2);
    cairo_line_to(cr, x - s * 0.4, y - s * 0.4);
    cairo_line_to(cr, x + s * 0.1, y - s * 0.6);
    cairo_line_to(cr, x + s * 0.55, y - s * 0.2);
    cairo_line_to(cr, x + s * 0.6, y + s * 0.2);
    cairo_close_path(cr);
    cairo_pattern_t* p = cairo_pattern_create_linear(x - s * 0.5, y - s * 0.5, x + s * 0.5, y + s * 0.3);
    addStop(p, 0, shadeColour(c, 1.3));
    addStop(p, 1, shadeColour(c, 0.7));
    usePattern(cr, p);
    fillThenStroke(cr, 1.2, shadeColour(c, 0.5), 0.8);
}

void mountain(cairo_t* cr, double x, double y, double w, double h, uint32_t c, uint32_t snow)
{
    cairo_move_to(cr, x - w, y);
    cairo_line_to(cr, x - w * 0.15, y - h);
    cairo_line_to(cr, x + w * 0.05, y - h * 0.92);
    cairo_line_to(cr, x + w, y);
    cairo_close_path(cr);
    cairo_pattern_t* p = cairo_pattern_create_linear(x - w, y - h, x + w, y);
    addStop(p, 0, shadeColour(c, 1.3));
    addStop(p, 0.5, c);
    addStop(p, 1, shadeColour(c, 0.65));
    usePattern(cr, p);
    cairo_fill(cr);
    cairo_move_to(cr, x - w * 0.15, y - h);
    cairo_line_to(cr, x - w * 0.42, y - h * 0.62);
    cairo_line_to(cr, x - w * 0.2, y - h * 0.7);
    cairo_line_to(cr, x - w * 0.02, y - h * 0.6);
    cairo_line_to(cr, x + w * 0.3, y - h * 0.66);
    cairo_line_to(cr, x + w * 0.05, y - h * 0.92);
    cairo_close_path(cr);
    setColour(cr, snow);
    cairo_fill(cr);
}

void house(cairo_t* cr, double x, double y, double s, uint32_t wall, uint32_t roof)
{
    shadowBlob(cr, x + s * 0.3, y, s * 0.8, s * 0.25);
    setColour(cr, wall);
    cairo_rectangle(cr, x - s * 0.5, y - s * 0.6, s, s * 0.6);
    cairo_fill(cr);
    setColour(cr, shadeColour(wall, 0.75));
    cairo_rectangle(cr, x + s * 0.2, y - s * 0.6, s * 0.3, s * 0.6);
    cairo_fill(cr);
    cairo_move_to(cr, x - s * 0.62, y - s * 0.58);
    cairo_line_to(cr, x, y - s * 1.1);
    cairo_line_to(cr, x + s * 0.62, y - s * 0.58);
    cairo_close_path(cr);
    setColour(cr, roof);
    cairo_fill(cr);
    setColour(cr, 0x3A2414);
    cairo_rectangle(cr, x - s * 0.12, y - s * 0.32, s * 0.22, s * 0.32);
    cairo_fill(cr);
}

void tower(cairo_t* cr, double x, double y, double s, uint32_t wall, uint32_t roof)
{
    shadowBlob(cr, x + s * 0.3, y, s * 0.5, s * 0.18);
    cairo_pattern_t* p = cairo_pattern_create_linear(x - s * 0.25, 0, x + s * 0.25, 0);
    addStop(p, 0, shadeColour(wall, 1.2));
    addStop(p, 1, shadeColour(wall, 0.7));
    usePattern(cr, p);
    cairo_rectangle(cr, x - s * 0.25, y - s * 1.2, s * 0.5, s * 1.2);
    cairo_fill(cr);
    cairo_move_to(cr, x - s * 0.33, y - s * 1.18);
    cairo_line_to(cr, x, y - s * 1.75);
    cairo_line_to(cr, x + s * 0.33, y - s * 1.18);
    cairo_close_path(cr);
    setColour(cr, roof);
    cairo_fill(cr);
    setColour(cr, 0x2A1A10);
    cairo_rectangle(cr, x - s * 0.06, y - s * 0.95, s * 0.12, s * 0.2);
    cairo_fill(cr);
}

void water(cairo_t* cr, double x, double y, double rx, double ry)
{
    cairo_pattern_t* p = cairo_pattern_create_radial(x - rx * 0.3, y - ry * 0.3, rx * 0.1, x, y, rx);
    addStop(p, 0, 0x9AD4F0);
    addStop(p, 0.75, 0x4A8EC8);
    addStop(p, 1, 0x3A6EA0);
    usePattern(cr, p);
    ellipsePath(cr, x, y, rx, ry);
    fillThenStroke(cr, 3, 0xE8E0B0, 0.7);
    setColour(cr, 0xFFFFFF, 0.5);
    cairo_set_line_width(cr, 1.5);
    for (int k = 0; k < 4; ++k) {
        double wy = y - ry * 0.4 + k * ry * 0.25, wx = x - rx * 0.3 + (k % 2) * rx * 0.2;
        cairo_move_to(cr, wx, wy);
        cairo_curve_to(cr, wx + rx * 0.08, wy - 3, wx + rx * 0.16, wy + 3, wx + rx * 0.25, wy);
        cairo_stroke(cr);
    }
}

void flowers(cairo_t* cr, double x, double y, double r, int n)
{
    const uint32_t cols[4] = {0xF8E050, 0xF07090, 0xFFFFFF, 0xB080F0};
    for (int k = 0; k < n; ++k) {
        double a = frange(0, 2 * PI), d = r * std::sqrt(frand());
        setColour(cr, cols[k % 4], 0.95);
        cairo_arc(cr, x + d * std::cos(a), y + d * std::sin(a), frange(1.5, 2.8), 0, 2 * PI);
        cairo_fill(cr);
    }
}

void reeds(cairo_t* cr, double x, double y, double s)
{
    cairo_set_line_width(cr, 1.6);
    for (int k = 0; k < 7; ++k) {
        double bx = x + (k - 3) * s * 0.12;
        setColour(cr, 0x5A7A30);
        cairo_move_to(cr, bx, y);
        cairo_curve_to(cr, bx, y - s * 0.4, bx + s * 0.05, y - s * 0.6, bx + (k % 2 ? 0.08 : -0.06) * s, y - s * 0.9);
        cairo_stroke(cr);
        if (k % 2 == 0) {
            setColour(cr, 0x6A4020);
            ellipsePath(cr, bx + (k % 2 ? 0.08 : -0.06) * s * 0.8, y - s * 0.75, s * 0.04, s * 0.12);
            cairo_fill(cr);
        }
    }
}

// The ground: each land's colour around its mark, blended softly, with a painted grain and a
// light from the top left taken from the slope of a gentle height field.
Image paintGround(const MapLayout& m)
{
    Image img = makeImage(MAP, MAP, 0, 255);
    for (int y = 0; y < MAP; ++y)
        for (int x = 0; x < MAP; ++x) {
            double wsum = 0, r = 0, g = 0, b = 0;
            for (int i = 0; i < LANDS; ++i) {
                double dx = x - m.centre[i].x, dy = y - m.centre[i].y;
                double d2 = dx * dx + dy * dy + 400.0;
                double w = 1.0 / (d2 * d2);
                uint32_t c = LANDS_TABLE[i].ground;
                r += w * ((c >> 16) & 255);
                g += w * ((c >> 8) & 255);
                b += w * (c & 255);
                wsum += w;
            }
            r /= wsum;
            g /= wsum;
            b /= wsum;
            double h0 = fbm(x / 90.0, y / 90.0, 3), hx = fbm((x + 2) / 90.0, y / 90.0, 3), hy = fbm(x / 90.0, (y + 2) / 90.0, 3);
            double light = 1.0 + ((h0 - hx) + (h0 - hy)) * 2.5;  // lit where the ground rises to the top left
            double grain = 0.95 + 0.08 * fbm(x / 14.0, y / 14.0, 9) + 0.06 * fbm(x / 120.0, y / 120.0, 4);
            double f = light * grain;
            uint8_t* p = img.at(x, y);
            p[0] = uint8_t(std::fmin(255.0, std::fmax(0.0, r * f)));
            p[1] = uint8_t(std::fmin(255.0, std::fmax(0.0, g * f)));
            p[2] = uint8_t(std::fmin(255.0, std::fmax(0.0, b * f)));
        }
    return img;
}

void drawImage(cairo_t* cr, const Image& img)
{
    cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, img.width, img.height);
    cairo_surface_flush(s);
    unsigned char* data = cairo_image_surface_get_data(s);
    int stride = cairo_image_surface_get_stride(s);
    for (int y = 0; y < img.height; ++y)
        for (int x = 0; x < img.width; ++x) {
            const uint8_t* p = img.at(x, y);
            uint32_t a = p[3];
            uint32_t w = a << 24 | (p[0] * a / 255) << 16 | (p[1] * a / 255) << 8 | (p[2] * a / 255);
            std::memcpy(data + y * stride + x * 4, &w, 4);
        }
    cairo_surface_mark_dirty(s);
    cairo_set_source_surface(cr, s, 0, 0);
    cairo_paint(cr);
    cairo_surface_destroy(s);
}

void strokeCurve(cairo_t* cr, const std::vector<P>& pts)
{
    cairo_move_to(cr, pts[0].x, pts[0].y);
    for (size_t i = 1; i < pts.size(); ++i) cairo_line_to(cr, pts[i].x, pts[i].y);
}

std::vector<P> riverCourse(const MapLayout& m)
{
    // Out of the lake, down past the marsh and the ford to the southern shore.
    std::vector<P> ctrl = {beside(m, 9, 0, -120), beside(m, 8, 30, -110), beside(m, 5, 0, -100), beside(m, 3, 0, 120),
                           beside(m, 2, 0, 0), P{m.centre[2].x + 20, 1040.0}};
    return denseCurve(ctrl);
}

void paintRiver(cairo_t* cr, const MapLayout& m)
{
    const std::vector<P>& river = m.river;
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
    strokeCurve(cr, river);
    setColour(cr, 0xD8CC98, 0.85);  // sandy banks
    cairo_set_line_width(cr, 26);
    cairo_stroke_preserve(cr);
    setColour(cr, 0x3E78B0);
    cairo_set_line_width(cr, 18);
    cairo_stroke_preserve(cr);
    setColour(cr, 0x78B8E4);
    cairo_set_line_width(cr, 9);
    cairo_stroke_preserve(cr);
    setColour(cr, 0xD0F0FF, 0.6);
    cairo_set_line_width(cr, 2);
    cairo_stroke(cr);
}

void paintRoad(cairo_t* cr, const MapLayout& m)
{
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
    std::vector<P> shifted = m.road;
    for (P& p : shifted) {
        p.x += 2;
        p.y += 3;
    }
    strokeCurve(cr, shifted);
    setColour(cr, 0x2A1E10, 0.35);
    cairo_set_line_width(cr, 15);
    cairo_stroke(cr);
    strokeCurve(cr, m.road);
    setColour(cr, 0x7A5A34);
    cairo_set_line_width(cr, 14);
    cairo_stroke_preserve(cr);
    setColour(cr, 0xC8A872);
    cairo_set_line_width(cr, 10);
    cairo_stroke_preserve(cr);
    setColour(cr, 0xE4CC96, 0.8);
    cairo_set_line_width(cr, 3);
    cairo_stroke(cr);
    // A round clearing for each stage mark.
    for (int i = 0; i < LANDS; ++i) {
        P c = m.centre[i];
        cairo_pattern_t* p = cairo_pattern_create_radial(c.x, c.y, 10, c.x, c.y, 40);
        addStop(p, 0, 0xD8BC84, 0.9);
        addStop(p, 0.7, 0xC8A872, 0.6);
        addStop(p, 1, 0xC8A872, 0.0);
        usePattern(cr, p);
        cairo_arc(cr, c.x, c.y, 40, 0, 2 * PI);
        cairo_fill(cr);
    }
}

// The features of each land, to both sides of the road and clear of the ring of level marks.
void paintLand(cairo_t* cr, const MapLayout& m, int i)
{
    auto at = [&](double, double) { return spot(m, i, 18); };
    auto big = [&](double r) { return spot(m, i, r); };
    switch (i) {
    case 0:  // meadow: flowers, a few round trees, a haystack
        for (int k = 0; k < 6; ++k) {
            P p = at(frange(-90, 90), (k % 2 ? 1 : -1) * frange(75, 120));
            flowers(cr, p.x, p.y, 22, 26);
        }
        for (int k = 0; k < 3; ++k) {
            P p = at(-60 + 60 * k, k == 1 ? 110 : -100);
            leafyTree(cr, p.x, p.y, 26, 0x5E9A38);
        }
        break;
    case 1:  // birch wood
        for (int k = 0; k < 14; ++k) {
            P p = at(frange(-100, 100), (k % 2 ? 1 : -1) * frange(72, 140));
            birch(cr, p.x, p.y, frange(24, 34));
        }
        break;
    case 2: {  // river ford: stepping stones across the river, willows
        for (int k = 0; k < 4; ++k) {
            P p = at(frange(-80, 80), (k % 2 ? 1 : -1) * frange(80, 120));
            leafyTree(cr, p.x, p.y, 24, 0x7AA84A);
        }
        for (int k = -2; k <= 2; ++k) {
            P p = beside(m, i, 14 * k, 0);
            rock(cr, p.x + 30, p.y + 26, 6, 0x9A968C);
        }
        break;
    }
    case 3: {  // waterfall: a cliff with falling water and a pool
        P c = big(55);
        rock(cr, c.x, c.y - 10, 60, 0x8A8478);
        cairo_pattern_t* p = cairo_pattern_create_linear(c.x, c.y - 40, c.x, c.y + 30);
        addStop(p, 0, 0xE8F8FF);
        addStop(p, 1, 0x8CCCF0);
        usePattern(cr, p);
        cairo_rectangle(cr, c.x - 10, c.y - 40, 20, 60);
        cairo_fill(cr);
        water(cr, c.x + 5, c.y + 36, 36, 16);
        for (int k = 0; k < 4; ++k) {
            P q = at(frange(-90, 90), frange(80, 130));
            leafyTree(cr, q.x, q.y, 24, 0x4E8A3E);
        }
        break;
    }
    case 4: {  // old mill: fields, the mill with its sails
        for (int k = 0; k < 3; ++k) {
            P f = big(36);
            cairo_save(cr);
            cairo_translate(cr, f.x, f.y);
            cairo_rotate(cr, 0.3 * k);
            setColour(cr, k % 2 ? 0xE0C860 : 0xC8B050, 0.9);
            cairo_rectangle(cr, -34, -18, 68, 36);
            cairo_fill(cr);
            setColour(cr, 0xA89040, 0.6);
            cairo_set_line_width(cr, 1);
            for (int l = -30; l < 34; l += 6) {
                cairo_move_to(cr, l, -18);
                cairo_line_to(cr, l, 18);
            }
            cairo_stroke(cr);
            cairo_restore(cr);
        }
        P mill = big(42);
        house(cr, mill.x, mill.y, 40, 0xE8D8B8, 0x9A4A2A);
        cairo_set_line_width(cr, 4);
        setColour(cr, 0x5A3A24);
        for (int k = 0; k < 4; ++k) {
            double a = PI / 4 + k * PI / 2;
            cairo_move_to(cr, mill.x, mill.y - 30);
            cairo_line_to(cr, mill.x + 38 * std::cos(a), mill.y - 30 + 38 * std::sin(a));
        }
        cairo_stroke(cr);
        break;
    }
    case 5:  // marsh: pools and reeds
        for (int k = 0; k < 5; ++k) {
            P p = at(frange(-100, 100), (k % 2 ? 1 : -1) * frange(80, 130));
            cairo_pattern_t* g = cairo_pattern_create_radial(p.x, p.y, 2, p.x, p.y, 26);
            addStop(g, 0, 0x5A7A6A);
            addStop(g, 1, 0x4A6A5A, 0.0);
            usePattern(cr, g);
            ellipsePath(cr, p.x, p.y, 30, 16);
            cairo_fill(cr);
            reeds(cr, p.x + 14, p.y + 4, 26);
        }
        break;
    case 6: {  // stone circle
        P c = big(50);
        for (int k = 0; k < 9; ++k) {
            double a = k * 2 * PI / 9;
            double x = c.x + 44 * std::cos(a), y = c.y + 24 * std::sin(a);
            shadowBlob(cr, x + 4, y + 2, 7, 3);
            cairo_pattern_t* p = cairo_pattern_create_linear(x - 6, 0, x + 6, 0);
            addStop(p, 0, 0xC8C4B8);
            addStop(p, 1, 0x7A766C);
            usePattern(cr, p);
            cairo_rectangle(cr, x - 6, y - 22, 12, 22);
            cairo_fill(cr);
        }
        for (int k = 0; k < 3; ++k) {
            P p = at(-70 + 70 * k, 110);
            rock(cr, p.x, p.y, 12, 0x9A968A);
        }
        break;
    }
    case 7: {  // hill fort: a hill with a palisade and a tower
        P c = big(70);
        cairo_pattern_t* p = cairo_pattern_create_radial(c.x - 20, c.y - 20, 10, c.x, c.y, 70);
        addStop(p, 0, 0xA8C870);
        addStop(p, 1, 0x6A8A40, 0.0);
        usePattern(cr, p);
        ellipsePath(cr, c.x, c.y, 80, 50);
        cairo_fill(cr);
        setColour(cr, 0x6A4A2A);
        for (int k = -6; k <= 6; ++k) {
            cairo_rectangle(cr, c.x + k * 7 - 2, c.y - 8 - 20 + std::abs(k) * 1.5, 5, 20);
            cairo_fill(cr);
        }
        tower(cr, c.x, c.y - 12, 24, 0x9A8A70, 0x7A3A24);
        break;
    }
    case 8:  // pine forest
        for (int k = 0; k < 18; ++k) {
            P p = at(frange(-110, 110), (k % 2 ? 1 : -1) * frange(70, 150));
            pine(cr, p.x, p.y, frange(28, 40));
        }
        break;
    case 9: {  // lake
        P c = m.river.front();  // the river flows out of the lake
        water(cr, c.x, c.y - 20, 80, 48);
        for (int k = 0; k < 4; ++k) {
            P p = at(frange(-90, 90), -frange(80, 120));
            leafyTree(cr, p.x, p.y, 22, 0x5A9A48);
        }
        break;
    }
    case 10:  // cliffs
        for (int k = 0; k < 6; ++k) {
            P p = big(36);
            rock(cr, p.x, p.y, frange(28, 42), 0x8A8070);
        }
        break;
    case 11:  // snow pass: snowy peaks on both sides
        for (int k = 0; k < 4; ++k) {
            P p = big(50);
            mountain(cr, p.x, p.y + 30, 52, 70, 0x8A94A8, 0xFFFFFF);
        }
        for (int k = 0; k < 5; ++k) {
            P p = at(frange(-90, 90), (k % 2 ? 1 : -1) * frange(130, 160));
            pine(cr, p.x, p.y, 22, 0x3A5A4A);
        }
        break;
    case 12: {  // glacier: ice fields and crevasses
        for (int k = 0; k < 4; ++k) {
            P p = big(45);
            cairo_pattern_t* g = cairo_pattern_create_radial(p.x - 10, p.y - 10, 4, p.x, p.y, 44);
            addStop(g, 0, 0xFFFFFF);
            addStop(g, 0.6, 0xA8D8F0);
            addStop(g, 1, 0xA8D8F0, 0.0);
            usePattern(cr, g);
            ellipsePath(cr, p.x, p.y, 50, 30);
            cairo_fill(cr);
            setColour(cr, 0x4A7AA0, 0.8);
            cairo_set_line_width(cr, 1.5);
            cairo_move_to(cr, p.x - 20, p.y - 4);
            cairo_line_to(cr, p.x - 4, p.y + 2);
            cairo_line_to(cr, p.x + 18, p.y - 6);
            cairo_stroke(cr);
        }
        break;
    }
    case 13: {  // fire mountain: a volcano with glowing lava
        P c = big(85);
        mountain(cr, c.x, c.y + 50, 90, 110, 0x5A3A30, 0xF06020);
        cairo_pattern_t* g = cairo_pattern_create_radial(c.x - 6, c.y - 56, 2, c.x - 6, c.y - 56, 40);
        addStop(g, 0, 0xFFE080, 0.9);
        addStop(g, 1, 0xF06020, 0.0);
        usePattern(cr, g);
        cairo_arc(cr, c.x - 6, c.y - 56, 40, 0, 2 * PI);
        cairo_fill(cr);
        setColour(cr, 0xF8802A, 0.9);
        cairo_set_line_width(cr, 3);
        cairo_move_to(cr, c.x - 10, c.y - 50);
        cairo_curve_to(cr, c.x - 20, c.y - 20, c.x + 10, c.y, c.x - 4, c.y + 40);
        cairo_stroke(cr);
        for (int k = 0; k < 4; ++k) {
            P p = at(frange(-90, 90), frange(80, 120));
            rock(cr, p.x, p.y, 16, 0x4A3A34);
        }
        break;
    }
    default: {  // the last citadel: walls and towers
        P c = big(85);
        setColour(cr, 0x8A8278);
        cairo_rectangle(cr, c.x - 70, c.y - 34, 140, 34);
        cairo_fill(cr);
        setColour(cr, 0x6A645C);
        for (int k = -7; k <= 6; k += 2) {
            cairo_rectangle(cr, c.x + k * 10, c.y - 42, 10, 8);
            cairo_fill(cr);
        }
        tower(cr, c.x - 70, c.y, 30, 0xB0A898, 0x3A4A8A);
        tower(cr, c.x + 70, c.y, 30, 0xB0A898, 0x3A4A8A);
        tower(cr, c.x, c.y - 20, 42, 0xC8C0B0, 0x4A5AAA);
        break;
    }
    }
}

Image paintMegamap(const MapLayout& m)
{
    Image ground = paintGround(m);
    srand15(7);
    Image img = drawPicture(MAP, MAP, 2, [&](cairo_t* cr) {
        drawImage(cr, ground);
        // Far lands first (north to south) so nearer features overlap them.
        paintRiver(cr, m);
        paintRoad(cr, m);
        for (int i = LANDS - 1; i >= 0; --i) paintLand(cr, m, i);
        // Soft darkening towards the picture's edges.
        cairo_pattern_t* v = cairo_pattern_create_radial(MAP / 2, MAP / 2, MAP * 0.4, MAP / 2, MAP / 2, MAP * 0.75);
        addStop(v, 0, 0x000000, 0.0);
        addStop(v, 1, 0x1A1008, 0.45);
        usePattern(cr, v);
        cairo_paint(cr);
    });
    for (size_t k = 3; k < img.rgba.size(); k += 4) img.rgba[k] = 255;
    return img;
}

// ---- Frame, marks and buttons --------------------------------------------------------------

void woodFill(cairo_t* cr, double x, double y, double w, double h)
{
    cairo_pattern_t* p = cairo_pattern_create_linear(x, y, x + w * 0.3, y + h);
    addStop(p, 0, 0x6A3A1E);
    addStop(p, 1, 0x3A1E0E);
    usePattern(cr, p);
    cairo_rectangle(cr, x, y, w, h);
    cairo_fill(cr);
    setColour(cr, 0x2A1408, 0.25);
    cairo_set_line_width(cr, 1);
    for (double gy = y + 3; gy < y + h; gy += 5.5) {
        cairo_move_to(cr, x, gy);
        cairo_curve_to(cr, x + w * 0.3, gy + 2, x + w * 0.6, gy - 2, x + w, gy + 1);
    }
    cairo_stroke(cr);
}

void goldFrame(cairo_t* cr, double x, double y, double w, double h, double t)
{
    cairo_set_line_width(cr, t);
    setColour(cr, 0x2A1408, 0.6);
    cairo_rectangle(cr, x + 1.5, y + 1.5, w, h);
    cairo_stroke(cr);
    cairo_pattern_t* p = cairo_pattern_create_linear(x, y, x + w, y + h);
    addStop(p, 0, 0xF8DC8A);
    addStop(p, 0.5, 0xC8963A);
    addStop(p, 1, 0x8A6020);
    usePattern(cr, p);
    cairo_rectangle(cr, x, y, w, h);
    cairo_stroke(cr);
}

// A dark inset under the light texts, with a thin gold line.
void inset(cairo_t* cr, double x, double y, double w, double h)
{
    cairo_pattern_t* p = cairo_pattern_create_linear(x, y, x, y + h);
    addStop(p, 0, 0x1E0A04);
    addStop(p, 1, 0x36160A);
    usePattern(cr, p);
    roundedRect(cr, x, y, w, h, 6);
    fillThenStroke(cr, 1.2, 0xB88A3A, 0.8);
}

Image paintFrame()
{
    Image img = drawPicture(800, 600, 2, [](cairo_t* cr) {
        woodFill(cr, 0, 0, 800, 600);
        // The map window (16..512 x 16..584) and its trim.
        setColour(cr, 0x1A0E06);
        cairo_rectangle(cr, 16, 16, 496, 568);
        cairo_fill(cr);
        goldFrame(cr, 13, 13, 502, 574, 4);
        // The right column: a dark red-brown panel with the picture's slot and the texts on parchment.
        cairo_pattern_t* p = cairo_pattern_create_linear(520, 0, 800, 600);
        addStop(p, 0, 0x5A1E12);
        addStop(p, 1, 0x3A120A);
        usePattern(cr, p);
        roundedRect(cr, 522, 10, 270, 580, 8);
        cairo_fill(cr);
        goldFrame(cr, 522, 10, 270, 580, 2);
        // The stage picture at (656, 144), 256 square.
        setColour(cr, 0x140A04);
        cairo_rectangle(cr, 526, 14, 260, 260);
        cairo_fill(cr);
        goldFrame(cr, 525, 13, 262, 262, 3);
        // Title and story (y 290..444), then the info panel (y 449..507) above the start button.
        inset(cr, 530, 290, 254, 154);
        inset(cr, 530, 449, 254, 58);
    });
    for (size_t k = 3; k < img.rgba.size(); k += 4) img.rgba[k] = 255;
    return img;
}

Image paintDot()
{
    return drawPicture(16, 16, 4, [](cairo_t* cr) {
        cairo_pattern_t* p = cairo_pattern_create_radial(6.5, 6.5, 0.5, 8, 8, 6);
        addStop(p, 0, 0xFFF4C0);
        addStop(p, 0.6, 0xE0A838);
        addStop(p, 1, 0x8A5A18);
        usePattern(cr, p);
        cairo_arc(cr, 8, 8, 5, 0, 2 * PI);
        fillThenStroke(cr, 1.2, 0x4A2A0A, 0.9);
    });
}

Image paintStar()
{
    return drawPicture(32, 32, 4, [](cairo_t* cr) {
        cairo_pattern_t* g = cairo_pattern_create_radial(16, 16, 1, 16, 16, 16);
        addStop(g, 0, 0xFFF0B0, 0.8);
        addStop(g, 1, 0xFFC040, 0.0);
        usePattern(cr, g);
        cairo_arc(cr, 16, 16, 16, 0, 2 * PI);
        cairo_fill(cr);
        starPath(cr, 16, 16, 13, 5.5, 5, -PI / 2);
        cairo_pattern_t* p = cairo_pattern_create_radial(13, 12, 1, 16, 16, 13);
        addStop(p, 0, 0xFFFFF0);
        addStop(p, 0.5, 0xFFD050);
        addStop(p, 1, 0xC07818);
        usePattern(cr, p);
        fillThenStroke(cr, 1.0, 0x6A3A08, 0.9);
    });
}

Image paintTraveller()
{
    return drawPicture(128, 128, 2, [](cairo_t* cr) {
        cairo_pattern_t* g = cairo_pattern_create_radial(64, 64, 20, 64, 64, 62);
        addStop(g, 0, 0xFFE8A0, 0.0);
        addStop(g, 0.55, 0xFFD070, 0.55);
        addStop(g, 0.7, 0xFFC050, 0.25);
        addStop(g, 1, 0xFFB040, 0.0);
        usePattern(cr, g);
        cairo_arc(cr, 64, 64, 62, 0, 2 * PI);
        cairo_fill(cr);
        cairo_set_line_width(cr, 3);
        setColour(cr, 0xFFE49A, 0.9);
        cairo_arc(cr, 64, 64, 40, 0, 2 * PI);
        cairo_stroke(cr);
        for (int k = 0; k < 8; ++k) {
            double a = k * PI / 4;
            starPath(cr, 64 + 46 * std::cos(a), 64 + 46 * std::sin(a), 6, 2.5, 4, a);
            setColour(cr, 0xFFF4D0, 0.9);
            cairo_fill(cr);
        }
    });
}

// A round medallion (stage icon background).
void medallion(cairo_t* cr, double c, double r, uint32_t inner)
{
    cairo_pattern_t* s = cairo_pattern_create_radial(c + 3, c + 4, r * 0.6, c + 3, c + 4, r + 3);
    addStop(s, 0, 0x000000, 0.5);
    addStop(s, 1, 0x000000, 0.0);
    usePattern(cr, s);
    cairo_arc(cr, c + 3, c + 4, r + 3, 0, 2 * PI);
    cairo_fill(cr);
    cairo_pattern_t* p = cairo_pattern_create_linear(c - r, c - r, c + r, c + r);
    addStop(p, 0, 0xFFE8A0);
    addStop(p, 0.5, 0xD09A40);
    addStop(p, 1, 0x7A5018);
    usePattern(cr, p);
    cairo_arc(cr, c, c, r, 0, 2 * PI);
    cairo_fill(cr);
    cairo_pattern_t* q = cairo_pattern_create_radial(c - r * 0.3, c - r * 0.3, 2, c, c, r * 0.82);
    addStop(q, 0, shadeColour(inner, 1.3));
    addStop(q, 1, shadeColour(inner, 0.7));
    usePattern(cr, q);
    cairo_arc(cr, c, c, r * 0.82, 0, 2 * PI);
    cairo_fill(cr);
}

Image paintQuestion()
{
    return drawPicture(64, 64, 4, [](cairo_t* cr) {
        medallion(cr, 31, 26, 0x5A3A5A);
        cairo_select_font_face(cr, "DejaVu Sans", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_BOLD);
        cairo_set_font_size(cr, 34);
        cairo_text_extents_t e;
        cairo_text_extents(cr, "?", &e);
        double x = 31 - e.width / 2 - e.x_bearing, y = 31 - e.height / 2 - e.y_bearing;
        cairo_move_to(cr, x + 1.5, y + 1.5);
        cairo_text_path(cr, "?");
        setColour(cr, 0x1A0A10, 0.7);
        cairo_fill(cr);
        cairo_move_to(cr, x, y);
        cairo_text_path(cr, "?");
        setColour(cr, 0xFFE08A);
        cairo_fill(cr);
    });
}

// ---- The fifteen artefacts -----------------------------------------------------------------

void goldPattern(cairo_t* cr, double x0, double y0, double x1, double y1)
{
    cairo_pattern_t* p = cairo_pattern_create_linear(x0, y0, x1, y1);
    addStop(p, 0, 0xFFF0B0);
    addStop(p, 0.4, 0xE8B040);
    addStop(p, 1, 0x8A5A14);
    usePattern(cr, p);
}

void gem(cairo_t* cr, double x, double y, double r, uint32_t c)
{
    cairo_pattern_t* p = cairo_pattern_create_radial(x - r * 0.35, y - r * 0.35, r * 0.1, x, y, r);
    addStop(p, 0, 0xFFFFFF);
    addStop(p, 0.3, shadeColour(c, 1.3));
    addStop(p, 1, shadeColour(c, 0.6));
    usePattern(cr, p);
    cairo_arc(cr, x, y, r, 0, 2 * PI);
    fillThenStroke(cr, 1.2, shadeColour(c, 0.4), 0.9);
}

void outline(cairo_t* cr, uint32_t c = 0x4A2A08)
{
    setColour(cr, c, 0.9);
    cairo_set_line_width(cr, 2);
    cairo_stroke(cr);
}

// Draws artefact i centred at (0, 0) in a box of about 200 x 200.
void drawArtefact(cairo_t* cr, int i)
{
    switch (i) {
    case 0:  // the sun brooch
        for (int k = 0; k < 12; ++k) {
            double a = k * PI / 6;
            cairo_move_to(cr, 40 * std::cos(a - 0.15), 40 * std::sin(a - 0.15));
            cairo_line_to(cr, 80 * std::cos(a), 80 * std::sin(a));
            cairo_line_to(cr, 40 * std::cos(a + 0.15), 40 * std::sin(a + 0.15));
        }
        goldPattern(cr, -80, -80, 80, 80);
        cairo_fill(cr);
        cairo_arc(cr, 0, 0, 46, 0, 2 * PI);
        goldPattern(cr, -46, -46, 46, 46);
        cairo_fill_preserve(cr);
        outline(cr);
        gem(cr, 0, 0, 22, 0xF08020);
        break;
    case 1:  // the silver horn: a cone along a curve, narrow at the mouthpiece, wide at the bell
        for (int k = 0; k <= 60; ++k) {
            double t = k / 60.0, u = 1 - t;
            double x = u * u * u * -85 + 3 * u * u * t * -40 + 3 * u * t * t * 40 + t * t * t * 70;
            double y = u * u * u * -30 + 3 * u * u * t * 60 + 3 * u * t * t * 60 + t * t * t * -35;
            double r = 5 + 28 * t * t;
            cairo_pattern_t* p = cairo_pattern_create_radial(x - r * 0.4, y - r * 0.5, r * 0.1, x, y, r);
            addStop(p, 0, 0xFFFFFF);
            addStop(p, 0.6, 0xC0C8D8);
            addStop(p, 1, 0x6A7488);
            usePattern(cr, p);
            cairo_arc(cr, x, y, r, 0, 2 * PI);
            cairo_fill(cr);
        }
        ellipsePath(cr, 72, -38, 16, 32);
        goldPattern(cr, 56, -70, 88, -6);
        cairo_fill(cr);
        ellipsePath(cr, 74, -38, 9, 22);
        setColour(cr, 0x3A3020);
        cairo_fill(cr);
        cairo_arc(cr, -85, -30, 7, 0, 2 * PI);
        goldPattern(cr, -92, -37, -78, -23);
        cairo_fill(cr);
        break;
    case 2:  // the pearl necklace
        for (int k = 0; k <= 14; ++k) {
            double a = PI * 0.1 + k * PI * 0.8 / 14;
            gem(cr, 75 * std::cos(a), -30 + 75 * std::sin(a), 9, 0xF4F0E8);
        }
        gem(cr, 0, 62, 16, 0x60A0F0);
        break;
    case 3:  // the crystal chalice
        cairo_move_to(cr, -55, -70);
        cairo_curve_to(cr, -55, 0, -10, 10, -8, 20);
        cairo_line_to(cr, -8, 55);
        cairo_line_to(cr, -40, 70);
        cairo_line_to(cr, 40, 70);
        cairo_line_to(cr, 8, 55);
        cairo_line_to(cr, 8, 20);
        cairo_curve_to(cr, 10, 10, 55, 0, 55, -70);
        cairo_close_path(cr);
        {
            cairo_pattern_t* p = cairo_pattern_create_linear(-55, 0, 55, 0);
            addStop(p, 0, 0xE0F4FF, 0.95);
            addStop(p, 0.5, 0x90C8F0, 0.85);
            addStop(p, 1, 0x5A90C0, 0.95);
            usePattern(cr, p);
        }
        cairo_fill_preserve(cr);
        outline(cr, 0x2A4A6A);
        setColour(cr, 0xFFFFFF, 0.8);
        cairo_rectangle(cr, -40, -60, 6, 40);
        cairo_fill(cr);
        break;
    case 4:  // the copper key
        cairo_set_line_width(cr, 14);
        cairo_arc(cr, -45, 0, 30, 0, 2 * PI);
        cairo_move_to(cr, -15, 0);
        cairo_line_to(cr, 80, 0);
        cairo_move_to(cr, 60, 0);
        cairo_line_to(cr, 60, 28);
        cairo_move_to(cr, 78, 0);
        cairo_line_to(cr, 78, 22);
        {
            cairo_pattern_t* p = cairo_pattern_create_linear(-80, -30, 80, 30);
            addStop(p, 0, 0xF8C090);
            addStop(p, 1, 0x9A4A20);
            usePattern(cr, p);
        }
        cairo_stroke(cr);
        gem(cr, -45, 0, 10, 0x40C060);
        break;
    case 5:  // the emerald lantern
        cairo_rectangle(cr, -40, -50, 80, 100);
        {
            cairo_pattern_t* p = cairo_pattern_create_radial(0, 0, 5, 0, 0, 60);
            addStop(p, 0, 0xE0FFD0);
            addStop(p, 1, 0x30A050);
            usePattern(cr, p);
        }
        cairo_fill(cr);
        cairo_set_line_width(cr, 6);
        goldPattern(cr, -40, -60, 40, 60);
        cairo_rectangle(cr, -40, -50, 80, 100);
        cairo_move_to(cr, 0, -50);
        cairo_line_to(cr, 0, 50);
        cairo_stroke(cr);
        cairo_move_to(cr, -50, -50);
        cairo_line_to(cr, 0, -85);
        cairo_line_to(cr, 50, -50);
        cairo_close_path(cr);
        goldPattern(cr, -50, -85, 50, -50);
        cairo_fill(cr);
        cairo_rectangle(cr, -50, 50, 100, 14);
        cairo_fill(cr);
        break;
    case 6:  // the runestone amulet
        regularPolygon(cr, 0, 0, 80, 6, PI / 6);
        {
            cairo_pattern_t* p = cairo_pattern_create_linear(-80, -80, 80, 80);
            addStop(p, 0, 0xC8C4B8);
            addStop(p, 1, 0x5A5850);
            usePattern(cr, p);
        }
        cairo_fill_preserve(cr);
        outline(cr, 0x2A2A28);
        setColour(cr, 0x60D0F0);
        cairo_set_line_width(cr, 6);
        cairo_move_to(cr, -20, -45);
        cairo_line_to(cr, -20, 45);
        cairo_move_to(cr, -20, -45);
        cairo_line_to(cr, 25, -10);
        cairo_line_to(cr, -20, 15);
        cairo_line_to(cr, 25, 45);
        cairo_stroke(cr);
        break;
    case 7:  // the bronze shield
        cairo_move_to(cr, -70, -70);
        cairo_line_to(cr, 70, -70);
        cairo_curve_to(cr, 70, 20, 40, 60, 0, 85);
        cairo_curve_to(cr, -40, 60, -70, 20, -70, -70);
        cairo_close_path(cr);
        {
            cairo_pattern_t* p = cairo_pattern_create_linear(-70, -70, 70, 80);
            addStop(p, 0, 0xF0C080);
            addStop(p, 1, 0x7A4A1A);
            usePattern(cr, p);
        }
        cairo_fill_preserve(cr);
        outline(cr);
        setColour(cr, 0xA02A20);
        cairo_rectangle(cr, -10, -65, 20, 140);
        cairo_rectangle(cr, -65, -20, 130, 20);
        cairo_fill(cr);
        gem(cr, 0, -10, 14, 0xF0D060);
        break;
    case 8:  // the amber owl
        ellipsePath(cr, 0, 15, 55, 70);
        {
            cairo_pattern_t* p = cairo_pattern_create_radial(-15, -10, 5, 0, 15, 75);
            addStop(p, 0, 0xFFE090);
            addStop(p, 0.6, 0xE09020);
            addStop(p, 1, 0x8A4A08);
            usePattern(cr, p);
        }
        cairo_fill_preserve(cr);
        outline(cr);
        cairo_move_to(cr, -50, -30);
        cairo_line_to(cr, -40, -75);
        cairo_line_to(cr, -20, -45);
        cairo_move_to(cr, 50, -30);
        cairo_line_to(cr, 40, -75);
        cairo_line_to(cr, 20, -45);
        setColour(cr, 0xC87818);
        cairo_fill(cr);
        gem(cr, -22, -15, 14, 0xFFF8E0);
        gem(cr, 22, -15, 14, 0xFFF8E0);
        setColour(cr, 0x2A1A08);
        cairo_arc(cr, -22, -15, 6, 0, 2 * PI);
        cairo_arc(cr, 22, -15, 6, 0, 2 * PI);
        cairo_fill(cr);
        break;
    case 9:  // the moonlight mirror
        cairo_rectangle(cr, -10, 40, 20, 50);
        goldPattern(cr, -10, 40, 10, 90);
        cairo_fill(cr);
        cairo_arc(cr, 0, -15, 62, 0, 2 * PI);
        goldPattern(cr, -62, -77, 62, 47);
        cairo_fill(cr);
        cairo_arc(cr, 0, -15, 50, 0, 2 * PI);
        {
            cairo_pattern_t* p = cairo_pattern_create_linear(-50, -65, 50, 35);
            addStop(p, 0, 0xF0F8FF);
            addStop(p, 1, 0x8AA0C8);
            usePattern(cr, p);
        }
        cairo_fill(cr);
        setColour(cr, 0xFFFFFF, 0.9);
        cairo_arc(cr, 12, -28, 14, 0, 2 * PI);
        cairo_fill(cr);
        break;
    case 10:  // the eagle crown
        cairo_move_to(cr, -75, 40);
        cairo_line_to(cr, -80, -40);
        cairo_line_to(cr, -40, 0);
        cairo_line_to(cr, 0, -60);
        cairo_line_to(cr, 40, 0);
        cairo_line_to(cr, 80, -40);
        cairo_line_to(cr, 75, 40);
        cairo_close_path(cr);
        goldPattern(cr, -80, -60, 80, 40);
        cairo_fill_preserve(cr);
        outline(cr);
        gem(cr, 0, 15, 12, 0xE03040);
        gem(cr, -45, 22, 9, 0x3070E0);
        gem(cr, 45, 22, 9, 0x3070E0);
        break;
    case 11:  // the frost harp
        cairo_set_line_width(cr, 12);
        cairo_move_to(cr, -55, 75);
        cairo_line_to(cr, -55, -70);
        cairo_curve_to(cr, 0, -80, 30, -30, 60, -50);
        cairo_line_to(cr, 60, 10);
        cairo_curve_to(cr, 30, 40, 0, 60, -55, 75);
        {
            cairo_pattern_t* p = cairo_pattern_create_linear(-55, -70, 60, 75);
            addStop(p, 0, 0xFFFFFF);
            addStop(p, 1, 0x6A9ACA);
            usePattern(cr, p);
        }
        cairo_stroke(cr);
        setColour(cr, 0xE8F4FF, 0.9);
        cairo_set_line_width(cr, 1.5);
        for (int k = 0; k < 6; ++k) {
            double x = -40 + k * 17;
            cairo_move_to(cr, x, -62 + k * 4);
            cairo_line_to(cr, x, 64 - k * 10);
        }
        cairo_stroke(cr);
        break;
    case 12:  // the ice sapphire
        regularPolygon(cr, 0, 0, 80, 8, PI / 8);
        {
            cairo_pattern_t* p = cairo_pattern_create_radial(-25, -25, 5, 0, 0, 85);
            addStop(p, 0, 0xF0FAFF);
            addStop(p, 0.4, 0x5A9AE8);
            addStop(p, 1, 0x1A3A8A);
            usePattern(cr, p);
        }
        cairo_fill_preserve(cr);
        outline(cr, 0x0A1A4A);
        regularPolygon(cr, 0, 0, 40, 8, PI / 8);
        setColour(cr, 0xC8E8FF, 0.5);
        cairo_fill(cr);
        break;
    case 13:  // the ember ring
        cairo_set_line_width(cr, 18);
        cairo_arc(cr, 0, 15, 55, 0, 2 * PI);
        goldPattern(cr, -55, -40, 55, 70);
        cairo_stroke(cr);
        regularPolygon(cr, 0, -48, 30, 6, 0);
        goldPattern(cr, -30, -78, 30, -18);
        cairo_fill(cr);
        gem(cr, 0, -48, 22, 0xF05020);
        break;
    default:  // the royal sceptre
        cairo_set_line_width(cr, 12);
        cairo_move_to(cr, -60, 80);
        cairo_line_to(cr, 35, -35);
        goldPattern(cr, -60, -35, 35, 80);
        cairo_stroke(cr);
        cairo_arc(cr, 45, -48, 26, 0, 2 * PI);
        goldPattern(cr, 20, -74, 70, -22);
        cairo_fill(cr);
        gem(cr, 45, -48, 17, 0x9040E0);
        starPath(cr, 45, -48, 44, 30, 8, 0);
        setColour(cr, 0xFFE8A0, 0.5);
        cairo_set_line_width(cr, 2);
        cairo_stroke(cr);
        break;
    }
}

Image paintArtefact(int i, int size)
{
    const Land& land = LANDS_TABLE[i];
    return drawPicture(size, size, 2, [&](cairo_t* cr) {
        cairo_pattern_t* bg = cairo_pattern_create_radial(size * 0.4, size * 0.35, size * 0.05, size / 2.0, size / 2.0, size * 0.75);
        addStop(bg, 0, land.light);
        addStop(bg, 1, land.dark);
        usePattern(cr, bg);
        cairo_paint(cr);
        // A warm glow behind the treasure.
        cairo_pattern_t* glow = cairo_pattern_create_radial(size / 2.0, size / 2.0, 0, size / 2.0, size / 2.0, size * 0.45);
        addStop(glow, 0, 0xFFF4C8, 0.75);
        addStop(glow, 1, 0xFFF4C8, 0.0);
        usePattern(cr, glow);
        cairo_paint(cr);
        cairo_save(cr);
        cairo_translate(cr, size / 2.0 + 5 * size / 256.0, size / 2.0 + 6 * size / 256.0);
        cairo_scale(cr, size / 256.0, size / 256.0);
        cairo_push_group(cr);
        drawArtefact(cr, i);
        cairo_pattern_t* shape = cairo_pop_group(cr);
        setColour(cr, 0x000000, 0.3);  // the soft shadow to the bottom right
        cairo_mask(cr, shape);
        cairo_translate(cr, -5, -6);
        cairo_set_source(cr, shape);
        cairo_paint(cr);
        cairo_pattern_destroy(shape);
        cairo_restore(cr);
        // A thin dark rim.
        setColour(cr, 0x1A0E06, 0.6);
        cairo_set_line_width(cr, 3);
        cairo_rectangle(cr, 1.5, 1.5, size - 3, size - 3);
        cairo_stroke(cr);
    });
}

Image paintIcon(int i)
{
    Image art = paintArtefact(i, 128);
    return drawPicture(64, 64, 4, [&](cairo_t* cr) {
        medallion(cr, 31, 26, LANDS_TABLE[i].dark);
        cairo_save(cr);
        cairo_arc(cr, 31, 31, 21, 0, 2 * PI);
        cairo_clip(cr);
        cairo_translate(cr, 31 - 24, 31 - 24);
        cairo_scale(cr, 48.0 / 128.0, 48.0 / 128.0);
        drawImage(cr, art);
        cairo_restore(cr);
    });
}

// ---- Covers --------------------------------------------------------------------------------

// The piece (0..9) a picture pixel belongs to: an outer ring of eight sectors around a disc cut
// into an upper and a lower half; the sectors are centred near the pieces' points.
int pieceAt(double px, double py)
{
    double x = px - 128.0, y = 128.0 - py;  // y up
    if (std::hypot(x, y) < 72.0) return y >= 0 ? 8 : 9;
    double a = std::atan2(y, x) * 180.0 / PI;
    if (a >= 90 && a < 135) return 0;
    if (a >= 45 && a < 90) return 1;
    if (a >= 0 && a < 45) return 2;
    if (a >= -45 && a < 0) return 3;
    if (a >= -90 && a < -45) return 4;
    if (a >= -135 && a < -90) return 5;
    return a >= 135 ? 7 : 6;
}

Image paintPlainCover()
{
    Image img = drawPicture(256, 256, 2, [](cairo_t* cr) {
        cairo_pattern_t* p = cairo_pattern_create_linear(0, 0, 256, 256);
        addStop(p, 0, 0x7A4A26);
        addStop(p, 1, 0x4A2812);
        usePattern(cr, p);
        cairo_paint(cr);
    });
    // Wood grain.
    for (int y = 0; y < 256; ++y)
        for (int x = 0; x < 256; ++x) {
            double g = 0.86 + 0.22 * fbm(x / 60.0, y / 6.0, 21);
            uint8_t* q = img.at(x, y);
            for (int c = 0; c < 3; ++c) q[c] = uint8_t(std::fmin(255.0, q[c] * g));
            q[3] = 255;
        }
    return img;
}

// Mask i: white where pieces i-1..9 still cover the picture.
Image paintMask(int i)
{
    Image img = makeImage(256, 256, 0, 255);
    for (int y = 0; y < 256; ++y)
        for (int x = 0; x < 256; ++x) {
            if (pieceAt(x + 0.5, y + 0.5) < i - 1) continue;
            uint8_t* q = img.at(x, y);
            q[0] = q[1] = q[2] = 255;
        }
    return img;
}

// Cover i's ornament: gold seams along the edges of the pieces still in place and a rune on
// each, transparent elsewhere.
Image paintCoverOrnament(int i)
{
    Image img = drawPicture(256, 256, 2, [&](cairo_t* cr) {
        for (int k = i - 1; k < 10; ++k) {
            double ox = 128 + PIECE_X[k], oy = 128 - PIECE_Y[k];
            starPath(cr, ox, oy, 11, 5, 4, PI / 4);
            setColour(cr, 0xE8C070, 0.85);
            cairo_fill(cr);
            cairo_arc(cr, ox, oy, 15, 0, 2 * PI);
            setColour(cr, 0xC8963A, 0.8);
            cairo_set_line_width(cr, 1.5);
            cairo_stroke(cr);
        }
    });
    // Seams: pixels where the piece changes between neighbours (both still covered).
    for (int y = 0; y < 256; ++y)
        for (int x = 0; x < 256; ++x) {
            int p = pieceAt(x + 0.5, y + 0.5);
            if (p < i - 1) {
                img.at(x, y)[3] = 0;
                continue;
            }
            bool seam = x == 0 || y == 0 || x == 255 || y == 255;
            for (int d = -1; d <= 1 && !seam; d += 2)
                seam = pieceAt(x + 0.5 + d * 1.5, y + 0.5) != p || pieceAt(x + 0.5, y + 0.5 + d * 1.5) != p;
            if (seam) {
                uint8_t* q = img.at(x, y);
                q[0] = 0xD8;
                q[1] = 0xA8;
                q[2] = 0x50;
                q[3] = 230;
            }
        }
    return img;
}

// ---- Buttons -------------------------------------------------------------------------------

Image paintBackButton(bool hover)
{
    return drawPicture(64, 64, 4, [&](cairo_t* cr) {
        medallion(cr, 31, 27, hover ? 0x9A3A1E : 0x6A2410);
        cairo_move_to(cr, 18, 31);
        cairo_line_to(cr, 34, 18);
        cairo_line_to(cr, 34, 26);
        cairo_line_to(cr, 46, 26);
        cairo_line_to(cr, 46, 36);
        cairo_line_to(cr, 34, 36);
        cairo_line_to(cr, 34, 44);
        cairo_close_path(cr);
        setColour(cr, hover ? 0xFFF0B0 : 0xF0D080);
        fillThenStroke(cr, 1.2, 0x3A1A08, 0.8);
    });
}

// 256 x 128 (the texture loader needs a power-of-two picture for the alpha stream); the button
// fills the top 106 rows, which the map draws.
Image paintStartButton()
{
    return drawPicture(256, 128, 2, [](cairo_t* cr) {
        roundedRect(cr, 8, 14, 244, 84, 30);
        setColour(cr, 0x000000, 0.45);
        cairo_fill(cr);
        roundedRect(cr, 4, 8, 244, 84, 30);
        cairo_pattern_t* p = cairo_pattern_create_linear(0, 8, 0, 92);
        addStop(p, 0, 0xC0502A);
        addStop(p, 0.5, 0x8A2A12);
        addStop(p, 1, 0x5A1808);
        usePattern(cr, p);
        cairo_fill_preserve(cr);
        cairo_set_line_width(cr, 4);
        goldPattern(cr, 4, 8, 248, 92);
        cairo_stroke(cr);
        roundedRect(cr, 14, 16, 224, 30, 14);
        setColour(cr, 0xFFFFFF, 0.12);
        cairo_fill(cr);
    });
}

void preview(const char* dir, const char* file, const Image& img)
{
    if (dir) writeBytes(std::string(dir) + "/" + file, encodePng(img));
}

} // namespace

bool genMap(const char* srcDir, const char* outDir)
{
    const char* look = std::getenv("OSTRIMAR_ART_PREVIEW");
    std::vector<P> ctrl;
    if (!readRoad(std::string(srcDir) + "/map/road.txt", ctrl)) {
        std::fprintf(stderr, "%s/map/road.txt: cannot be read or has fewer than 4 points\n", srcDir);
        return false;
    }
    MapLayout m;
    m.road = resample(denseCurve(ctrl), STEP, &m.length);
    for (int i = 0; i < LANDS; ++i) {
        m.centre[i] = roadAt(m.road, i * m.length / (LANDS - 1));
        P d = roadDir(m.road, i * m.length / (LANDS - 1));
        m.normal[i] = {-d.y, d.x};
    }
    m.river = riverCourse(m);
    if (!writeBytes(std::string(outDir) + "/mapspline.spl", splineFile(m.road, m.length))) return false;

    Image map = paintMegamap(m);
    preview(look, "megamap.png", map);
    if (!emitPicture(outDir, "jpeg.dat", "megamap.jpg", encodeJpeg(map, 88))) return false;
    Image frame = paintFrame();
    preview(look, "mapback.png", frame);
    if (!emitPicture(outDir, "jpeg.dat", "mapback.jpg", encodeJpeg(frame, 90))) return false;

    const struct {
        const char* name;
        Image img;
    } marks[] = {
        {"maplevelmark.tga", paintDot()},   {"mapstar.tga", paintStar()},          {"mapstagemark.tga", paintTraveller()},
        {"mapartefact_q.tga", paintQuestion()}, {"mapback1.tga", paintBackButton(false)}, {"mapback2.tga", paintBackButton(true)},
    };
    for (const auto& k : marks) {
        preview(look, (std::string(k.name) + ".png").c_str(), k.img);
        if (!emitPicture(outDir, "targa.dat", k.name, encodeTga(k.img, true, true))) return false;
    }
    Image start = paintStartButton();
    preview(look, "mapstart.png", start);
    if (!emitPicture(outDir, "jpeg.dat", "_a_mapstart.jpg", encodeJpegAlpha(start, 92))) return false;

    for (int i = 0; i < LANDS; ++i) {
        char name[48];
        Image art = paintArtefact(i, 256);
        std::snprintf(name, sizeof name, "art%.2i.png", i);
        preview(look, name, art);
        std::snprintf(name, sizeof name, "artefacts\\art%.2i.jpg", i);
        if (!emitPicture(outDir, "jpeg.dat", name, encodeJpeg(art, 90))) return false;
        Image icon = paintIcon(i);
        std::snprintf(name, sizeof name, "smallart%.2i.tga", i);
        if (i == 0) preview(look, "smallart00.png", icon);
        if (!emitPicture(outDir, "targa.dat", name, encodeTga(icon, true, true))) return false;
    }
    Image plain = paintPlainCover();
    preview(look, "zaglushka.png", plain);
    if (!emitPicture(outDir, "jpeg.dat", "mask\\zaglushka.jpg", encodeJpeg(plain, 90))) return false;
    for (int i = 1; i <= 10; ++i) {
        char name[48];
        Image mask = paintMask(i);
        Image ornament = paintCoverOrnament(i);
        if (i == 3) {
            preview(look, "mask3.png", mask);
            preview(look, "cover3.png", ornament);
        }
        std::snprintf(name, sizeof name, "mask\\mask%i.tga", i);
        if (!emitPicture(outDir, "targa.dat", name, encodeTga(mask, false, true))) return false;
        std::snprintf(name, sizeof name, "mask\\cover%i.tga", i);
        if (!emitPicture(outDir, "targa.dat", name, encodeTga(ornament, true, true))) return false;
    }
    return true;
}
