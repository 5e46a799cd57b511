// Board pictures of the default data set: the eight figure strips, tiles, chain, bonus marks,
// flare and glow, hammer panel, left bar, candle set, heart, shutter, trophy button, cursors.
//
// Figure strips are 512 x 256 TGA pictures holding 32 frames of 64 x 64 pixels in 8 columns and
// 4 rows; frame k sits at column k % 8, row k / 8, counted from the top-left. Frame 0 is the
// resting pose; the other frames play a turn or a travelling glint and return to it.
#include "boardart.h"
#include "canvas.h"
#include "datagen.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

struct Pt {
    double x, y;
};

struct Ramp {
    uint32_t dark, base, light;
};

// The colours in file order: aqua, blue, green, red, orange, lilac, white, yellow.
const Ramp kRamps[kFigureColours] = {
    {0x0A6670, 0x27BFC4, 0xCBFFF8},  // aqua pearl
    {0x0C2580, 0x2D68E8, 0xAECFFF},  // blue sapphire
    {0x0A5428, 0x22AE55, 0xB6F6C0},  // green emerald
    {0x740A18, 0xDE2638, 0xFFB4B0},  // red ruby heart
    {0x8A4600, 0xF8A024, 0xFFEBB0},  // orange gold coin
    {0x4A1882, 0xA458E4, 0xEDCBFF},  // lilac amethyst
    {0x5A6A8C, 0xC8D6EA, 0xFFFFFF},  // white diamond
    {0x946C00, 0xFFCE1A, 0xFFF8BC},  // yellow star
};

constexpr double kPi = 3.14159265358979323846;

uint32_t ramp(const Ramp& r, double t)
{
    t = std::clamp(t, 0.0, 1.0);
    if (t < 0.6) return mixColour(r.dark, r.base, t / 0.6);
    return mixColour(r.base, r.light, (t - 0.6) / 0.4);
}

void polyPath(cairo_t* cr, const std::vector<Pt>& p)
{
    cairo_new_sub_path(cr);
    for (const Pt& q : p) cairo_line_to(cr, q.x, q.y);
    cairo_close_path(cr);
}

std::vector<Pt> scaled(const std::vector<Pt>& p, Pt c, double s)
{
    std::vector<Pt> out;
    for (const Pt& q : p) out.push_back({c.x + (q.x - c.x) * s, c.y + (q.y - c.y) * s});
    return out;
}

// Light from the top left and somewhat towards the viewer (screen y grows downward).
double lambert(double nx, double ny, double nz)
{
    const double lx = -0.55, ly = -0.7, lz = 0.9;
    const double ll = std::sqrt(lx * lx + ly * ly + lz * lz);
    const double nl = std::sqrt(nx * nx + ny * ny + nz * nz);
    return (nx * lx + ny * ly + nz * lz) / (ll * nl);
}

double facetLight(Pt a, double za, Pt b, double zb, Pt c, double zc)
{
    // Normal of the triangle (a, b, c) in 3-D with z towards the viewer, oriented towards +z.
    double ux = b.x - a.x, uy = b.y - a.y, uz = zb - za;
    double vx = c.x - a.x, vy = c.y - a.y, vz = zc - za;
    double nx = uy * vz - uz * vy, ny = uz * vx - ux * vz, nz = ux * vy - uy * vx;
    if (nz < 0) nx = -nx, ny = -ny, nz = -nz;
    return lambert(nx, ny, nz);
}

// A travelling glint: a soft white band crossing the shape diagonally (progress 0..1), and a
// four-point sparkle of the given strength at a point.
void glintBand(cairo_t* cr, const std::function<void(cairo_t*)>& clipPath, double progress, double size)
{
    if (progress <= 0 || progress >= 1) return;
    cairo_save(cr);
    clipPath(cr);
    cairo_clip(cr);
    double d = -size + progress * 2 * size;  // position along the diagonal through (32, 32)
    double cx = 32 + d * 0.7071, cy = 32 + d * 0.7071;
    cairo_pattern_t* g = cairo_pattern_create_linear(cx - 8, cy - 8, cx + 8, cy + 8);
    addStop(g, 0, 0xFFFFFF, 0);
    addStop(g, 0.5, 0xFFFFFF, 0.7 * std::sin(progress * kPi));
    addStop(g, 1, 0xFFFFFF, 0);
    cairo_set_source(cr, g);
    cairo_paint(cr);
    cairo_pattern_destroy(g);
    cairo_restore(cr);
}

void sparkle(cairo_t* cr, double x, double y, double s, double alpha)
{
    if (s <= 0.05 || alpha <= 0) return;
    cairo_save(cr);
    cairo_pattern_t* g = cairo_pattern_create_radial(x, y, 0, x, y, s * 0.9);
    addStop(g, 0, 0xFFFFFF, 0.8 * alpha);
    addStop(g, 1, 0xFFFFFF, 0);
    cairo_set_source(cr, g);
    cairo_arc(cr, x, y, s * 0.9, 0, 2 * kPi);
    cairo_fill(cr);
    cairo_pattern_destroy(g);
    setColour(cr, 0xFFFFFF, alpha);
    for (int i = 0; i < 4; ++i) {
        double a = i * kPi / 2 + kPi / 4 * 0.0;
        double len = (i % 2) ? s * 1.3 : s * 1.6;
        double ca = std::cos(a), sa = std::sin(a);
        cairo_move_to(cr, x + ca * len, y + sa * len);
        cairo_line_to(cr, x - sa * s * 0.16, y + ca * s * 0.16);
        cairo_line_to(cr, x, y);
        cairo_line_to(cr, x + sa * s * 0.16, y - ca * s * 0.16);
        cairo_close_path(cr);
    }
    cairo_fill(cr);
    cairo_restore(cr);
}

// Glint timing shared by the figures: the band crosses in frames 2..20, a sparkle shines in
// frames 12..28; frame 0 and the last frames show the resting pose.
double glintProgress(int frame) { return (frame - 2) / 18.0; }
double sparkleStrength(int frame)
{
    if (frame <= 12 || frame >= 28) return 0;
    return std::sin(kPi * (frame - 12) / 16.0);
}

void gemShadow(Canvas& c, const std::function<void(cairo_t*)>& path)
{
    softShadow(c, path, 1.6, 2.2, 3.0, 0x100804, 0.55);
}

// A faceted stone: rings[0] is the outline (z = 0), the last ring the flat table; facets join
// consecutive rings. Every facet takes its shade from its 3-D normal.
void facetedStone(Canvas& c, const std::vector<std::vector<Pt>>& rings, const std::vector<double>& heights,
                  const Ramp& r, int frame, Pt sparkleAt)
{
    cairo_t* cr = c.cr;
    const std::vector<Pt>& outer = rings[0];
    auto outline = [&](cairo_t* k) { polyPath(k, outer); };
    gemShadow(c, outline);
    // Body underneath (hides seams between facets).
    outline(cr);
    setColour(cr, r.base);
    cairo_fill(cr);
    for (size_t ring = 0; ring + 1 < rings.size(); ++ring) {
        const auto& a = rings[ring];
        const auto& b = rings[ring + 1];
        const size_t n = a.size();
        for (size_t i = 0; i < n; ++i) {
            size_t j = (i + 1) % n;
            double l = facetLight(a[i], heights[ring], a[j], heights[ring], b[i], heights[ring + 1]);
            cairo_move_to(cr, a[i].x, a[i].y);
            cairo_line_to(cr, a[j].x, a[j].y);
            cairo_line_to(cr, b[j].x, b[j].y);
            cairo_line_to(cr, b[i].x, b[i].y);
            cairo_close_path(cr);
            setColour(cr, ramp(r, 0.5 + 0.55 * l));
            cairo_fill_preserve(cr);
            cairo_set_line_width(cr, 0.35);
            setColour(cr, ramp(r, 0.6 + 0.55 * l));
            cairo_stroke(cr);
        }
    }
    // The table: a gentle gradient and an inner glow.
    const auto& table = rings.back();
    double minx = 1e9, miny = 1e9, maxx = -1e9, maxy = -1e9;
    for (const Pt& p : table) {
        minx = std::min(minx, p.x), maxx = std::max(maxx, p.x);
        miny = std::min(miny, p.y), maxy = std::max(maxy, p.y);
    }
    polyPath(cr, table);
    cairo_pattern_t* g = cairo_pattern_create_linear(minx, miny, maxx, maxy);
    addStop(g, 0, ramp(r, 0.85));
    addStop(g, 0.55, ramp(r, 0.62));
    addStop(g, 1, ramp(r, 0.45));
    cairo_set_source(cr, g);
    cairo_fill(cr);
    cairo_pattern_destroy(g);
    // Light caught in the lower-right of the table (light passing through the stone).
    double tcx = (minx + maxx) / 2, tcy = (miny + maxy) / 2;
    cairo_save(cr);
    polyPath(cr, table);
    cairo_clip(cr);
    cairo_pattern_t* rg = cairo_pattern_create_radial(tcx + (maxx - minx) * 0.25, tcy + (maxy - miny) * 0.25, 0,
                                                      tcx + (maxx - minx) * 0.25, tcy + (maxy - miny) * 0.25,
                                                      (maxx - minx) * 0.5);
    addStop(rg, 0, r.light, 0.35);
    addStop(rg, 1, r.light, 0);
    cairo_set_source(cr, rg);
    cairo_paint(cr);
    cairo_pattern_destroy(rg);
    cairo_restore(cr);
    // Outline a shade darker than the darkest facet.
    outline(cr);
    cairo_set_line_width(cr, 1.2);
    setColour(cr, shadeColour(r.dark, 0.7), 0.95);
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
    cairo_stroke(cr);
    // Soft specular highlight on the upper-left facets.
    cairo_save(cr);
    outline(cr);
    cairo_clip(cr);
    cairo_pattern_t* sp = cairo_pattern_create_radial(sparkleAt.x, sparkleAt.y, 0, sparkleAt.x, sparkleAt.y, 9);
    addStop(sp, 0, 0xFFFFFF, 0.55);
    addStop(sp, 1, 0xFFFFFF, 0);
    cairo_set_source(cr, sp);
    cairo_paint(cr);
    cairo_pattern_destroy(sp);
    cairo_restore(cr);
    glintBand(cr, outline, glintProgress(frame), 30);
    sparkle(cr, sparkleAt.x, sparkleAt.y, 6.5 * sparkleStrength(frame), sparkleStrength(frame));
}

// Octagon-like outline: a rectangle of half sizes (hw, hh) with corners cut by `cut`.
std::vector<Pt> cutRect(Pt c, double hw, double hh, double cut)
{
    return {{c.x - hw + cut, c.y - hh}, {c.x + hw - cut, c.y - hh}, {c.x + hw, c.y - hh + cut},
            {c.x + hw, c.y + hh - cut}, {c.x + hw - cut, c.y + hh}, {c.x - hw + cut, c.y + hh},
            {c.x - hw, c.y + hh - cut}, {c.x - hw, c.y - hh + cut}};
}

void drawSapphire(Canvas& c, const Ramp& r, int frame)
{
    Pt ctr{31, 31};
    auto o = cutRect(ctr, 25, 25, 6);
    facetedStone(c, {o, scaled(o, ctr, 0.78), scaled(o, ctr, 0.56)}, {0, 6, 10}, r, frame, {20, 19});
}

void drawEmerald(Canvas& c, const Ramp& r, int frame)
{
    Pt ctr{31, 31};
    auto o = cutRect(ctr, 18.5, 27, 8);
    facetedStone(c, {o, scaled(o, ctr, 0.78), scaled(o, ctr, 0.55)}, {0, 6, 10}, r, frame, {24, 15});
}

void drawAmethyst(Canvas& c, const Ramp& r, int frame)
{
    Pt ctr{32, 35};
    // An upward triangle with its corners trimmed (a trillion cut).
    std::vector<Pt> tri;
    const double R = 31;
    for (int i = 0; i < 3; ++i) {
        double a = -kPi / 2 + i * 2 * kPi / 3;
        double a0 = a - 0.16, a1 = a + 0.16;
        double rr = R * 0.9;
        tri.push_back({ctr.x + rr * std::cos(a0), ctr.y + rr * std::sin(a0)});
        tri.push_back({ctr.x + rr * std::cos(a1), ctr.y + rr * std::sin(a1)});
    }
    facetedStone(c, {tri, scaled(tri, ctr, 0.74), scaled(tri, ctr, 0.5)}, {0, 6, 10}, r, frame, {26, 24});
}

std::vector<Pt> heartOutline(Pt c, double s, int n)
{
    // The classic parametric heart, scaled to about 2s across; screen y downward.
    std::vector<Pt> p;
    for (int i = 0; i < n; ++i) {
        double t = 2 * kPi * i / n;
        double x = 16 * std::pow(std::sin(t), 3);
        double y = 13 * std::cos(t) - 5 * std::cos(2 * t) - 2 * std::cos(3 * t) - std::cos(4 * t);
        p.push_back({c.x + x * s / 16.5, c.y - (y + 2.5) * s / 16.5});
    }
    return p;
}

void drawRuby(Canvas& c, const Ramp& r, int frame)
{
    // A heartbeat on frames 3..9 and 11..17, and the usual glint.
    double beat = 0;
    if (frame >= 3 && frame <= 9) beat = std::sin(kPi * (frame - 3) / 6.0);
    if (frame >= 11 && frame <= 17) beat = 0.7 * std::sin(kPi * (frame - 11) / 6.0);
    double s = 26.5 * (1 + 0.06 * beat);
    Pt ctr{31, 31.5};
    auto o = heartOutline(ctr, s, 16);
    // The facet rings shrink towards a centre a little above the heart's middle.
    Pt fc{31, 28.5};
    facetedStone(c, {o, scaled(o, fc, 0.72), scaled(o, fc, 0.45)}, {0, 7, 11}, r, frame, {22, 20});
}

void drawStar(Canvas& c, const Ramp& r, int frame)
{
    cairo_t* cr = c.cr;
    Pt ctr{31.5, 32};
    const double outer = 28, inner = 12.2;
    const double rot = -kPi / 2 + (2 * kPi / 5) * frame / 32.0;  // a fifth of a turn per cycle
    std::vector<Pt> pts;
    for (int i = 0; i < 10; ++i) {
        double a = rot + kPi * i / 5;
        double rr = (i % 2) ? inner : outer;
        pts.push_back({ctr.x + rr * std::cos(a), ctr.y + rr * std::sin(a)});
    }
    auto outline = [&](cairo_t* k) { polyPath(k, pts); };
    gemShadow(c, outline);
    const double h = 11;
    for (int i = 0; i < 10; ++i) {
        const Pt& a = pts[i];
        const Pt& b = pts[(i + 1) % 10];
        double l = facetLight(ctr, h, a, 0, b, 0);
        cairo_move_to(cr, ctr.x, ctr.y);
        cairo_line_to(cr, a.x, a.y);
        cairo_line_to(cr, b.x, b.y);
        cairo_close_path(cr);
        setColour(cr, ramp(r, 0.5 + 0.6 * l));
        cairo_fill_preserve(cr);
        cairo_set_line_width(cr, 0.4);
        setColour(cr, ramp(r, 0.65 + 0.5 * l));
        cairo_stroke(cr);
    }
    // Ridges from the centre to the tips catch the light.
    cairo_set_line_width(cr, 0.8);
    for (int i = 0; i < 10; i += 2) {
        cairo_move_to(cr, ctr.x, ctr.y);
        cairo_line_to(cr, pts[i].x, pts[i].y);
        setColour(cr, r.light, 0.55);
        cairo_stroke(cr);
    }
    outline(cr);
    cairo_set_line_width(cr, 1.2);
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
    setColour(cr, shadeColour(r.dark, 0.7), 0.95);
    cairo_stroke(cr);
    cairo_pattern_t* sp = cairo_pattern_create_radial(ctr.x, ctr.y, 0, ctr.x, ctr.y, 7);
    addStop(sp, 0, 0xFFFFFF, 0.7);
    addStop(sp, 1, 0xFFFFFF, 0);
    cairo_set_source(cr, sp);
    cairo_arc(cr, ctr.x, ctr.y, 7, 0, 2 * kPi);
    cairo_fill(cr);
    cairo_pattern_destroy(sp);
    glintBand(cr, outline, glintProgress(frame), 30);
    double sp2 = sparkleStrength(frame);
    sparkle(cr, pts[0].x + 1, pts[0].y + 6, 6 * sp2, sp2);
}

void teardropPath(cairo_t* cr, Pt c, double R, double sx, double sy)
{
    // Point at the top, round belly below; (sx, sy) squash it for the wobble.
    cairo_save(cr);
    cairo_translate(cr, c.x, c.y);
    cairo_scale(cr, sx, sy);
    const double br = 0.74 * R, by = 0.24 * R;
    cairo_new_sub_path(cr);
    cairo_move_to(cr, 0, -R);
    cairo_curve_to(cr, 0.18 * R, -0.72 * R, br, -0.3 * R, br, by);
    cairo_arc(cr, 0, by, br, 0, kPi);
    cairo_curve_to(cr, -br, -0.3 * R, -0.18 * R, -0.72 * R, 0, -R);
    cairo_close_path(cr);
    cairo_restore(cr);
}

void drawPearl(Canvas& c, const Ramp& r, int frame)
{
    cairo_t* cr = c.cr;
    // A soft wobble over the first half of the cycle, like a drop of water settling.
    double w = 0;
    if (frame >= 1 && frame <= 16) w = std::sin(2 * kPi * (frame - 1) / 8.0) * std::sin(kPi * (frame - 1) / 16.0);
    double sx = 1 + 0.035 * w, sy = 1 - 0.035 * w;
    Pt ctr{31.5, 30.5};
    const double R = 26.5;
    auto path = [&](cairo_t* k) { teardropPath(k, ctr, R, sx, sy); };
    gemShadow(c, path);
    path(cr);
    cairo_pattern_t* g = cairo_pattern_create_radial(ctr.x - 6, ctr.y - 2, 1, ctr.x + 2, ctr.y + 5, R * 0.95);
    addStop(g, 0, r.light);
    addStop(g, 0.35, mixColour(r.base, r.light, 0.35));
    addStop(g, 0.8, r.base);
    addStop(g, 1, r.dark);
    cairo_set_source(cr, g);
    cairo_fill(cr);
    cairo_pattern_destroy(g);
    // Iridescent rim light at the lower right.
    cairo_save(cr);
    path(cr);
    cairo_clip(cr);
    cairo_pattern_t* rim = cairo_pattern_create_radial(ctr.x - 6, ctr.y - 8, R * 0.7, ctr.x - 6, ctr.y - 8, R * 1.25);
    addStop(rim, 0, 0xF0C8FF, 0);
    addStop(rim, 0.7, 0xF0C8FF, 0.35);
    addStop(rim, 1, 0xF0C8FF, 0);
    cairo_set_source(cr, rim);
    cairo_paint(cr);
    cairo_pattern_destroy(rim);
    cairo_restore(cr);
    path(cr);
    cairo_set_line_width(cr, 1.2);
    setColour(cr, shadeColour(r.dark, 0.7), 0.9);
    cairo_stroke(cr);
    // Crisp window highlight and a small bounce light.
    cairo_save(cr);
    cairo_translate(cr, ctr.x - 8 * sx, ctr.y - 4 * sy);
    cairo_rotate(cr, -0.6);
    cairo_scale(cr, 1, 1.7);
    cairo_pattern_t* h = cairo_pattern_create_radial(0, 0, 0, 0, 0, 5);
    addStop(h, 0, 0xFFFFFF, 0.95);
    addStop(h, 0.6, 0xFFFFFF, 0.6);
    addStop(h, 1, 0xFFFFFF, 0);
    cairo_set_source(cr, h);
    cairo_arc(cr, 0, 0, 5, 0, 2 * kPi);
    cairo_fill(cr);
    cairo_pattern_destroy(h);
    cairo_restore(cr);
    cairo_save(cr);
    cairo_translate(cr, ctr.x + 7 * sx, ctr.y + 15 * sy);
    cairo_scale(cr, 1.8, 0.8);
    cairo_pattern_t* b = cairo_pattern_create_radial(0, 0, 0, 0, 0, 4);
    addStop(b, 0, 0xFFFFFF, 0.45);
    addStop(b, 1, 0xFFFFFF, 0);
    cairo_set_source(cr, b);
    cairo_arc(cr, 0, 0, 4, 0, 2 * kPi);
    cairo_fill(cr);
    cairo_pattern_destroy(b);
    cairo_restore(cr);
    glintBand(cr, path, glintProgress(frame), 30);
    double s = sparkleStrength(frame);
    sparkle(cr, ctr.x - 9, ctr.y - 7, 6 * s, s);
}

void drawCoin(Canvas& c, const Ramp& r, int frame)
{
    cairo_t* cr = c.cr;
    const double theta = 2 * kPi * frame / 32.0;  // one whole turn per cycle
    const double fx = std::cos(theta);
    const double sx = std::max(std::fabs(fx), 0.02);
    const double edge = 3.2 * std::sin(theta);  // visible thickness of the rim, signed
    Pt ctr{31, 31};
    const double R = 27;
    auto face = [&](cairo_t* k, double dx) {
        cairo_save(k);
        cairo_translate(k, ctr.x + dx, ctr.y);
        cairo_scale(k, sx, 1);
        cairo_new_sub_path(k);
        cairo_arc(k, 0, 0, R, 0, 2 * kPi);
        cairo_restore(k);
    };
    auto silhouette = [&](cairo_t* k) {
        for (int i = 0; i <= 6; ++i) face(k, edge * (i / 6.0 - 0.5));
    };
    auto shadowPath = [&](cairo_t* k) {
        cairo_set_fill_rule(k, CAIRO_FILL_RULE_WINDING);
        silhouette(k);
    };
    gemShadow(c, shadowPath);
    // The rim seen edge-on.
    for (int i = 0; i <= 6; ++i) {
        face(cr, edge * (i / 6.0 - 0.5));
        setColour(cr, mixColour(r.dark, r.base, 0.55));
        cairo_fill(cr);
    }
    const double fdx = -edge / 2;
    face(cr, fdx);
    cairo_pattern_t* g = cairo_pattern_create_linear(ctr.x - R * sx, ctr.y - R, ctr.x + R * sx, ctr.y + R);
    addStop(g, 0, r.light);
    addStop(g, 0.45, r.base);
    addStop(g, 1, mixColour(r.base, r.dark, 0.6));
    cairo_set_source(cr, g);
    cairo_fill(cr);
    cairo_pattern_destroy(g);
    // Face details, drawn in the coin's own (squashed) frame.
    cairo_save(cr);
    cairo_translate(cr, ctr.x + fdx, ctr.y);
    cairo_scale(cr, sx, 1);
    // Raised rim ring.
    cairo_set_line_width(cr, 3.2);
    cairo_arc(cr, 0, 0, R - 3.4, 0, 2 * kPi);
    cairo_pattern_t* rg = cairo_pattern_create_linear(-R, -R, R, R);
    addStop(rg, 0, r.dark);
    addStop(rg, 0.5, r.base);
    addStop(rg, 1, r.light);
    cairo_set_source(cr, rg);
    cairo_stroke(cr);
    cairo_pattern_destroy(rg);
    cairo_set_line_width(cr, 0.8);
    cairo_arc(cr, 0, 0, R - 1.4, 0, 2 * kPi);
    setColour(cr, r.light, 0.7);
    cairo_stroke(cr);
    // Inner field a touch darker, so the star stands out.
    cairo_arc(cr, 0, 0, R - 5.2, 0, 2 * kPi);
    cairo_pattern_t* fg = cairo_pattern_create_radial(-5, -6, 1, 0, 0, R - 5);
    addStop(fg, 0, mixColour(r.base, r.light, 0.45));
    addStop(fg, 1, mixColour(r.base, r.dark, 0.3));
    cairo_set_source(cr, fg);
    cairo_fill(cr);
    cairo_pattern_destroy(fg);
    // Embossed star: dark lower-right edge, light upper-left edge, then the face.
    starPath(cr, 1.1, 1.1, 15, 6.4, 5, -kPi / 2);
    setColour(cr, r.dark, 0.9);
    cairo_fill(cr);
    starPath(cr, -0.9, -0.9, 15, 6.4, 5, -kPi / 2);
    setColour(cr, r.light, 0.95);
    cairo_fill(cr);
    starPath(cr, 0, 0, 14.2, 6.0, 5, -kPi / 2);
    cairo_pattern_t* sg = cairo_pattern_create_linear(-10, -12, 10, 12);
    addStop(sg, 0, mixColour(r.base, r.light, 0.6));
    addStop(sg, 1, r.base);
    cairo_set_source(cr, sg);
    cairo_fill(cr);
    cairo_pattern_destroy(sg);
    cairo_restore(cr);
    auto outline = [&](cairo_t* k) { silhouette(k); };
    face(cr, fdx);
    cairo_set_line_width(cr, 1.2);
    setColour(cr, shadeColour(r.dark, 0.7), 0.95);
    cairo_stroke(cr);
    if (std::fabs(edge) > 0.3) {
        face(cr, -fdx);
        cairo_set_line_width(cr, 1.0);
        setColour(cr, shadeColour(r.dark, 0.7), 0.8);
        cairo_stroke(cr);
    }
    // A bright sheen that follows the turn.
    cairo_save(cr);
    face(cr, fdx);
    cairo_clip(cr);
    double shine = -0.5 + fx * 0.5;  // moves across as the coin turns
    cairo_pattern_t* sh = cairo_pattern_create_linear(ctr.x - R, ctr.y - R, ctr.x + R, ctr.y + R);
    double p = std::clamp(0.3 + 0.4 * shine, 0.05, 0.95);
    addStop(sh, std::max(0.0, p - 0.12), 0xFFFFFF, 0);
    addStop(sh, p, 0xFFFFFF, 0.35);
    addStop(sh, std::min(1.0, p + 0.12), 0xFFFFFF, 0);
    cairo_set_source(cr, sh);
    cairo_paint(cr);
    cairo_pattern_destroy(sh);
    cairo_restore(cr);
    (void)outline;
    if (frame == 0 || frame > 28) {
        // Resting pose: a small star-shaped twinkle on the rim.
        double s = frame == 0 ? 0 : std::sin(kPi * (frame - 28) / 4.0);
        sparkle(cr, ctr.x - 16, ctr.y - 17, 5 * s, s);
    }
}

// Side view of a round brilliant: table, crown, girdle and pavilion, its facets turning about
// the vertical axis (an eighth of a turn per cycle, so the loop is seamless).
void drawDiamond(Canvas& c, const Ramp& r, int frame)
{
    cairo_t* cr = c.cr;
    const double cx = 31.5, R = 28.5;
    const double yt = 13, yg = 24.5, yc = 57;  // table, girdle, culet
    const double tw = 0.56 * R;
    std::vector<Pt> sil = {{cx - tw, yt}, {cx + tw, yt}, {cx + R, yg}, {cx, yc}, {cx - R, yg}};
    auto outline = [&](cairo_t* k) { polyPath(k, sil); };
    gemShadow(c, outline);
    outline(cr);
    setColour(cr, r.base);
    cairo_fill(cr);
    const int N = 16;
    const double rot = (2 * kPi / 8) * frame / 32.0;
    const uint32_t tints[2] = {0xFFFFFF, 0xCFE6FF};
    for (int k = 0; k < N; ++k) {
        double a0 = rot + 2 * kPi * k / N, a1 = a0 + 2 * kPi / N;
        double am = (a0 + a1) / 2;
        if (std::cos(am) <= -0.05) continue;  // back facets are hidden
        double x0 = std::sin(a0), x1 = std::sin(a1);
        if (std::cos(a0) < 0) x0 = x0 > 0 ? 1 : -1;
        if (std::cos(a1) < 0) x1 = x1 > 0 ? 1 : -1;
        // Facing the viewer and turned towards the light on the left -> brighter.
        double face = std::cos(am), side = -std::sin(am);
        double lc = 0.3 + 0.3 * face + 0.25 * side;    // crown
        double lp = 0.1 + 0.3 * face - 0.25 * side;    // pavilion (lit from inside, opposite)
        // A facet flashes white as the turn brings it square to the light.
        auto wrap = [](double a) { return std::remainder(a, 2 * kPi); };
        const double fc = std::exp(-std::pow(wrap(am + 0.5) / 0.22, 2));
        const double fp = std::exp(-std::pow(wrap(am - 0.4) / 0.22, 2));
        uint32_t tint = tints[k % 2];
        // Crown facet.
        cairo_move_to(cr, cx + tw * x0, yt);
        cairo_line_to(cr, cx + tw * x1, yt);
        cairo_line_to(cr, cx + R * x1, yg);
        cairo_line_to(cr, cx + R * x0, yg);
        cairo_close_path(cr);
        setColour(cr, mixColour(mixColour(ramp(r, lc), tint, 0.25), 0xFFFFFF, 0.95 * fc));
        cairo_fill_preserve(cr);
        cairo_set_line_width(cr, 0.4);
        setColour(cr, 0xFFFFFF, 0.5);
        cairo_stroke(cr);
        // Pavilion facet: to the culet, with a split line for the lower-girdle facets.
        cairo_move_to(cr, cx + R * x0, yg);
        cairo_line_to(cr, cx + R * x1, yg);
        cairo_line_to(cr, cx, yc);
        cairo_close_path(cr);
        setColour(cr, mixColour(mixColour(ramp(r, lp + 0.25), k % 2 ? 0xB8D4F4 : 0xE8E0FF, 0.3), 0xFFFFFF, 0.9 * fp));
        cairo_fill_preserve(cr);
        setColour(cr, 0xFFFFFF, 0.45);
        cairo_stroke(cr);
    }
    // The table seen edge-on: a bright band.
    cairo_move_to(cr, cx - tw, yt);
    cairo_line_to(cr, cx + tw, yt);
    cairo_set_line_width(cr, 1.4);
    setColour(cr, 0xFFFFFF, 0.9);
    cairo_stroke(cr);
    // Girdle line.
    cairo_move_to(cr, cx - R, yg);
    cairo_line_to(cr, cx + R, yg);
    cairo_set_line_width(cr, 0.9);
    setColour(cr, 0xFFFFFF, 0.7);
    cairo_stroke(cr);
    // A little fire: soft coloured glints inside.
    cairo_save(cr);
    outline(cr);
    cairo_clip(cr);
    const uint32_t fire[3] = {0xFFB0D8, 0x9FE8FF, 0xFFF0A0};
    for (int i = 0; i < 3; ++i) {
        double a = rot * 4 + i * 2.1;
        double fx = cx + std::sin(a) * 12, fy = 34 + i * 5;
        cairo_pattern_t* g = cairo_pattern_create_radial(fx, fy, 0, fx, fy, 6);
        addStop(g, 0, fire[i], 0.6);
        addStop(g, 1, fire[i], 0);
        cairo_set_source(cr, g);
        cairo_paint(cr);
        cairo_pattern_destroy(g);
    }
    cairo_restore(cr);
    outline(cr);
    cairo_set_line_width(cr, 1.2);
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
    setColour(cr, 0x4A5670, 0.95);
    cairo_stroke(cr);
    glintBand(cr, outline, glintProgress(frame), 30);
    double s = sparkleStrength(frame);
    sparkle(cr, cx - 12, yt + 4, 7 * s, s);
}

Image figureFrame(int colour, int frame)
{
    Canvas c;
    if (!canvasCreate(c, kFrameSize, kFrameSize, 4)) return Image{};
    const Ramp& r = kRamps[colour];
    switch (colour) {
        case 0: drawPearl(c, r, frame); break;
        case 1: drawSapphire(c, r, frame); break;
        case 2: drawEmerald(c, r, frame); break;
        case 3: drawRuby(c, r, frame); break;
        case 4: drawCoin(c, r, frame); break;
        case 5: drawAmethyst(c, r, frame); break;
        case 6: drawDiamond(c, r, frame); break;
        default: drawStar(c, r, frame); break;
    }
    Image img = canvasResolve(c);
    canvasDestroy(c);
    return img;
}

}  // namespace

Image windowIconPicture(int size)
{
    Canvas c;
    if (size <= 0 || !canvasCreate(c, size, size, 4)) return Image{};
    // The figure is drawn in the units of a 64-pixel frame; the context scales it to the size.
    cairo_scale(c.cr, size / static_cast<double>(kFrameSize), size / static_cast<double>(kFrameSize));
    drawDiamond(c, kRamps[6], 0);
    Image img = canvasResolve(c);
    canvasDestroy(c);
    return img;
}

const char* const kFigureFiles[kFigureColours] = {"aqua", "blue", "green", "red",
                                                   "orange", "lilac", "white", "yellow"};

Image makeFigureStrip(int colour)
{
    Image strip = makeImage(kFrameSize * kStripColumns, kFrameSize * (kFigureFrames / kStripColumns));
    if (colour < 0 || colour >= kFigureColours) return Image{};
    for (int f = 0; f < kFigureFrames; ++f) {
        Image frame = figureFrame(colour, f);
        if (frame.width == 0) return Image{};
        blitCopy(strip, frame, (f % kStripColumns) * kFrameSize, (f / kStripColumns) * kFrameSize);
    }
    return strip;
}

// Writes a picture: into an archive ("targa.dat" / "jpeg.dat") by its member name, or, with
// archive null, as a loose file below outDir (backslashes become folder separators).
bool emitPicture(const char* outDir, const char* archive, const char* name, const std::vector<uint8_t>& bytes)
{
    if (bytes.empty()) {
        std::fprintf(stderr, "datagen: could not encode %s\n", name);
        return false;
    }
    if (archive) {
        addToArchive(archive, name, bytes);
        return true;
    }
    std::string path = std::string(outDir) + "/" + name;
    std::replace(path.begin(), path.end(), '\\', '/');
    return writeBytes(path, bytes);
}

bool genBoardArt(const char*, const char* outDir)
{
    const char* preview = std::getenv("OSTRIMAR_ART_PREVIEW");
    // Preview sheet: every colour's first 16 frames on a dark backdrop.
    Image sheet = makeImage(16 * kFrameSize, kFigureColours * kFrameSize, 0x2A2420, 255);
    for (int c = 0; c < kFigureColours; ++c) {
        Image strip = makeFigureStrip(c);
        if (strip.width == 0) return false;
        std::string name = std::string("figures\\") + kFigureFiles[c] + ".tga";
        if (!emitPicture(outDir, nullptr, name.c_str(), encodeTga(strip, true, true))) return false;
        if (!preview) continue;
        for (int f = 0; f < 16; ++f) {
            Image frame = makeImage(kFrameSize, kFrameSize);
            for (int y = 0; y < kFrameSize; ++y)
                for (int x = 0; x < kFrameSize; ++x)
                    std::memcpy(frame.at(x, y), strip.at((f % 8) * kFrameSize + x, (f / 8) * kFrameSize + y), 4);
            blitOver(sheet, frame, f * kFrameSize, c * kFrameSize);
        }
    }
    if (preview) writeBytes(std::string(preview) + "/figures_sheet.png", encodePng(sheet));
    // The window icon: the diamond's resting pose (a loose file, set before the archives open).
    if (!emitPicture(outDir, nullptr, "icon.tga", encodeTga(figureFrame(6, 0), true, false))) return false;
    return genBoardPieces(outDir, preview);
}
