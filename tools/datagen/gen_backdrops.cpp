// The backdrop pictures "AnimBacks\_a_back<n>.jpg" (n = 0..17, 800 x 600, opaque, in the
// JPEG-with-alpha form) in "jpeg.dat": 0 the main menu's river valley at dusk, 1..15 the fifteen
// lands along the road (meadow, birch wood, river ford, waterfall, old mill, marsh, stone circle,
// hill fort, pine forest, lake, cliffs, snow pass, glacier, fire mountain, the last citadel),
// 16 the credits' starry night over the river and 17 the trophy room's wooden hall.
//
// They lie behind the board and the HUD, so the middle stays calm: the features of each land
// stand towards the edges, the light comes from the top left and a soft vignette darkens the
// corners. Drawn at twice the size for smooth edges; shapes are soft gradients, not blurred
// layers, which keeps all eighteen quick to make. OSTRIMAR_ART_PREVIEW, when set, names a folder
// that receives PNG copies and a contact sheet.
#include "core/random.h"
#include "boardart.h"
#include "canvas.h"
#include "datagen.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

constexpr int W = 800;
constexpr int H = 600;
constexpr double PI = 3.14159265358979;

double frand() { return rand15() / 32767.0; }
double frange(double a, double b) { return a + (b - a) * frand(); }

// ---- Painting helpers -------------------------------------------------------------------

// A vertical gradient over the rectangle (0, y0)-(W, y1) through n colours evenly spaced.
void paintBand(cairo_t* cr, double y0, double y1, const uint32_t* colours, int n)
{
    cairo_pattern_t* p = cairo_pattern_create_linear(0, y0, 0, y1);
    for (int i = 0; i < n; ++i) addStop(p, n == 1 ? 0.0 : double(i) / (n - 1), colours[i]);
    usePattern(cr, p);
    cairo_rectangle(cr, 0, y0, W, y1 - y0);
    cairo_fill(cr);
}

// A disc with a bright core (the sun or the moon itself).
void disc(cairo_t* cr, double x, double y, double r, uint32_t rgb)
{
    cairo_pattern_t* p = cairo_pattern_create_radial(x - r * 0.3, y - r * 0.3, r * 0.1, x, y, r);
    addStop(p, 0, shadeColour(rgb, 1.2));
    addStop(p, 0.85, rgb);
    addStop(p, 1, rgb, 0.6);
    usePattern(cr, p);
    cairo_arc(cr, x, y, r, 0, 2 * PI);
    cairo_fill(cr);
}

// The fire mountain's smoke: rounder, fainter puffs than the sky strips' clouds.
const CloudShape SMOKE = {0.16, 0.06, 0.16, 0.55, 0.02, 0.8, 0.5, 0.6, 0.5, 0.3};

// The clouds of the lands drift in the scenes' sky strips (gen_scenes.cpp), in front of the
// picture, so the pictures paint none. The random numbers are still drawn so that everything
// else in the pictures stays where it was.
void clouds(cairo_t*, int count, double yMin, double yMax, uint32_t, uint32_t, double)
{
    for (int i = 0; i < count; ++i) {
        frange(-40, W + 40);
        frange(yMin, yMax);
        frange(120, 260);
    }
}

// The height of a ridge line at x: a sum of waves, optionally peaked (sharp > 0).
struct RidgeShape {
    double baseY, amp, freq, phase, sharp;
    double at(double x) const
    {
        double t = x / W * freq * 2 * PI + phase;
        double v = std::sin(t) * 0.55 + std::sin(t * 2.3 + 1.7) * 0.28 + std::sin(t * 4.7 + 0.4) * 0.12;
        if (sharp > 0) v = v * (1 - sharp) + (1.2 - std::fabs(std::sin(t * 0.5 + 0.8)) * 1.6) * sharp;
        return baseY - amp * v;
    }
};

void ridgePath(cairo_t* cr, const RidgeShape& r)
{
    cairo_move_to(cr, -10, H + 10);
    for (int x = -10; x <= W + 10; x += 4) cairo_line_to(cr, x, r.at(x));
    cairo_line_to(cr, W + 10, H + 10);
    cairo_close_path(cr);
}

// A layer of land: the ridge filled with a gradient from `top` at its crest to `bottom`, a lit rim
// on its crest and, when snow is asked for, white caps above snowLine.
void ridge(cairo_t* cr, const RidgeShape& r, uint32_t top, uint32_t bottom, double rim = 0.3, double snowLine = -1)
{
    ridgePath(cr, r);
    cairo_pattern_t* p = cairo_pattern_create_linear(0, r.baseY - r.amp, 0, std::fmin(H, r.baseY + 180));
    addStop(p, 0, top);
    addStop(p, 1, bottom);
    usePattern(cr, p);
    cairo_fill(cr);
    if (snowLine > 0) {
        cairo_save(cr);
        ridgePath(cr, r);
        cairo_clip(cr);
        // The snow's lower edge wanders so that it reads as drifts, not a ruled line.
        cairo_move_to(cr, -10, -10);
        cairo_line_to(cr, W + 10, -10);
        for (int x = W + 10; x >= -10; x -= 8)
            cairo_line_to(cr, x, snowLine + std::sin(x * 0.05) * 8 + std::sin(x * 0.013 + 1) * 14);
        cairo_close_path(cr);
        cairo_pattern_t* s = cairo_pattern_create_linear(0, r.baseY - r.amp * 1.3, W * 0.6, snowLine + 20);
        addStop(s, 0, 0xFFFFFF);
        addStop(s, 1, 0xB8C8E0);
        usePattern(cr, s);
        cairo_fill(cr);
        cairo_restore(cr);
    }
    if (rim > 0) {
        cairo_move_to(cr, -10, r.at(-10) + 1);
        for (int x = -10; x <= W + 10; x += 4) cairo_line_to(cr, x, r.at(x) + 1.2);
        setColour(cr, shadeColour(top, 1.4), rim);
        cairo_set_line_width(cr, 2.0);
        cairo_stroke(cr);
    }
}

// A band of mist lying over the land.
void mist(cairo_t* cr, double y, double h, uint32_t rgb, double alpha)
{
    cairo_pattern_t* p = cairo_pattern_create_linear(0, y - h, 0, y + h);
    addStop(p, 0, rgb, 0);
    addStop(p, 0.5, rgb, alpha);
    addStop(p, 1, rgb, 0);
    usePattern(cr, p);
    cairo_rectangle(cr, 0, y - h, W, 2 * h);
    cairo_fill(cr);
}

// Still water from y0 down to y1: a gradient from the sky's light to the deep colour, with
// horizontal highlights that thicken towards the viewer.
void stillWater(cairo_t* cr, double y0, double y1, uint32_t light, uint32_t deep, uint32_t glint, int glints)
{
    const uint32_t c[3] = {light, mixColour(light, deep, 0.5), deep};
    paintBand(cr, y0, y1, c, 3);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    for (int i = 0; i < glints; ++i) {
        double t = std::pow(frand(), 1.6);
        double y = y0 + 3 + (y1 - y0 - 6) * t;
        double x = frange(0, W), len = 8 + 60 * t * frand();
        setColour(cr, glint, 0.15 + 0.35 * frand());
        cairo_set_line_width(cr, 0.8 + 2.2 * t);
        cairo_move_to(cr, x - len / 2, y);
        cairo_line_to(cr, x + len / 2, y);
        cairo_stroke(cr);
    }
}

// A river winding from the bottom edge to the horizon at endX, narrowing with distance.
void windingRiver(cairo_t* cr, double horizonY, double startX, double endX, double width, uint32_t light, uint32_t deep,
                  uint32_t glint, uint32_t bank)
{
    const int N = 48;
    double lx[N + 1], rx[N + 1], ys[N + 1];
    for (int i = 0; i <= N; ++i) {
        double t = double(i) / N;
        ys[i] = H + 10 - (H + 10 - horizonY) * std::pow(t, 0.75);
        double centre = startX + (endX - startX) * t + std::sin(t * 6.0 + 0.5) * 110 * (1 - t);
        double half = width * std::pow(1 - t, 1.5) + 2;
        lx[i] = centre - half;
        rx[i] = centre + half;
    }
    cairo_move_to(cr, lx[0], ys[0]);
    for (int i = 1; i <= N; ++i) cairo_line_to(cr, lx[i], ys[i]);
    for (int i = N; i >= 0; --i) cairo_line_to(cr, rx[i], ys[i]);
    cairo_close_path(cr);
    cairo_pattern_t* p = cairo_pattern_create_linear(0, horizonY, 0, H);
    addStop(p, 0, light);
    addStop(p, 0.5, mixColour(light, deep, 0.6));
    addStop(p, 1, deep);
    cairo_set_source(cr, p);
    cairo_fill_preserve(cr);
    cairo_pattern_destroy(p);
    setColour(cr, bank, 0.55);
    cairo_set_line_width(cr, 2.5);
    cairo_stroke(cr);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    for (int k = 0; k < 50; ++k) {
        int i = int(frand() * (N - 2));
        double x = lx[i] + (rx[i] - lx[i]) * frange(0.2, 0.8), len = (rx[i] - lx[i]) * 0.15;
        setColour(cr, glint, 0.2 + 0.35 * frand());
        cairo_set_line_width(cr, 0.8 + 2.0 * (1.0 - double(i) / N));
        cairo_move_to(cr, x - len / 2, ys[i]);
        cairo_line_to(cr, x + len / 2, ys[i]);
        cairo_stroke(cr);
    }
}

// A broad-leaved tree: trunk and a crown of shaded discs lit from the top left.
void roundTree(cairo_t* cr, double x, double y, double size, uint32_t leaf)
{
    setColour(cr, mixColour(shadeColour(leaf, 0.4), 0x4A3422, 0.6));
    cairo_rectangle(cr, x - size * 0.06, y - size * 0.4, size * 0.12, size * 0.42);
    cairo_fill(cr);
    // The crown: a dome of overlapping clumps, the upper-left ones catching the light.
    const double clumps[7][3] = {{-0.2, -0.5, 0.24}, {0.2, -0.52, 0.24}, {0.0, -0.62, 0.28}, {-0.12, -0.82, 0.22},
                                 {0.14, -0.8, 0.2},  {0.0, -0.95, 0.18}, {-0.26, -0.7, 0.18}};
    for (const auto& k : clumps) {
        double cx = x + k[0] * size, cy = y + k[1] * size, r = k[2] * size;
        cairo_pattern_t* p = cairo_pattern_create_radial(cx - r * 0.4, cy - r * 0.45, r * 0.1, cx, cy, r * 1.05);
        addStop(p, 0, shadeColour(leaf, 1.45));
        addStop(p, 0.6, leaf);
        addStop(p, 1, shadeColour(leaf, 0.72));
        usePattern(cr, p);
        cairo_arc(cr, cx, cy, r, 0, 2 * PI);
        cairo_fill(cr);
    }
}

// A fir of three stacked tiers, its left flank lighter.
void fir(cairo_t* cr, double x, double y, double size, uint32_t colour)
{
    setColour(cr, shadeColour(colour, 0.5));
    cairo_rectangle(cr, x - size * 0.04, y - size * 0.12, size * 0.08, size * 0.14);
    cairo_fill(cr);
    for (int t = 0; t < 3; ++t) {
        double top = y - size * (1.0 - t * 0.22), base = y - size * (0.42 - t * 0.16), half = size * (0.2 + t * 0.06);
        cairo_move_to(cr, x, top);
        cairo_line_to(cr, x + half, base);
        cairo_line_to(cr, x - half, base);
        cairo_close_path(cr);
        cairo_pattern_t* p = cairo_pattern_create_linear(x - half, 0, x + half, 0);
        addStop(p, 0, shadeColour(colour, 1.35));
        addStop(p, 0.5, colour);
        addStop(p, 1, shadeColour(colour, 0.65));
        usePattern(cr, p);
        cairo_fill(cr);
    }
}

// A birch: a pale trunk with dark marks and a light, airy crown.
void birch(cairo_t* cr, double x, double y, double h, uint32_t leaf)
{
    double w = h * 0.035;
    cairo_pattern_t* p = cairo_pattern_create_linear(x - w, 0, x + w, 0);
    addStop(p, 0, 0xFFFFF4);
    addStop(p, 1, 0xA8A898);
    usePattern(cr, p);
    cairo_rectangle(cr, x - w, y - h, 2 * w, h);
    cairo_fill(cr);
    setColour(cr, 0x2A2A26, 0.8);
    for (int i = 0; i < 9; ++i) {
        double my = y - h * frange(0.05, 0.8);
        cairo_rectangle(cr, x - w, my, 2 * w * frange(0.4, 1.0), 1.5);
        cairo_fill(cr);
    }
    for (int k = 0; k < 7; ++k) {
        double cx = x + frange(-h * 0.16, h * 0.16), cy = y - h * frange(0.72, 1.05), r = h * frange(0.08, 0.13);
        cairo_pattern_t* g = cairo_pattern_create_radial(cx - r * 0.4, cy - r * 0.4, r * 0.1, cx, cy, r);
        addStop(g, 0, shadeColour(leaf, 1.4), 0.95);
        addStop(g, 1, shadeColour(leaf, 0.7), 0.85);
        usePattern(cr, g);
        cairo_arc(cr, cx, cy, r, 0, 2 * PI);
        cairo_fill(cr);
    }
}

// A rough standing stone, narrower at the top, leaning a little, lit on its left face, with a
// soft shadow at its foot.
void standingStone(cairo_t* cr, double x, double y, double w, double h, uint32_t stone)
{
    double lean = frange(-0.12, 0.12) * w, top = frange(0.55, 0.8);
    ellipsePath(cr, x + w * 0.25, y, w * 0.9, w * 0.12);
    setColour(cr, 0x10140C, 0.35);
    cairo_fill(cr);
    cairo_move_to(cr, x - w / 2, y);
    cairo_curve_to(cr, x - w * 0.52, y - h * 0.5, x - w * top * 0.5 + lean, y - h * 0.85, x - w * top * 0.4 + lean,
                   y - h * 0.97);
    cairo_curve_to(cr, x - w * 0.1 + lean, y - h * 1.04, x + w * top * 0.3 + lean, y - h * 1.0,
                   x + w * top * 0.5 + lean, y - h * 0.9);
    cairo_curve_to(cr, x + w * 0.5, y - h * 0.6, x + w * 0.55, y - h * 0.3, x + w / 2, y);
    cairo_close_path(cr);
    cairo_pattern_t* p = cairo_pattern_create_linear(x - w / 2, y - h, x + w / 2, y);
    addStop(p, 0, shadeColour(stone, 1.3));
    addStop(p, 0.45, stone);
    addStop(p, 1, shadeColour(stone, 0.55));
    usePattern(cr, p);
    cairo_fill(cr);
    // lichen
    for (int i = 0; i < 3; ++i) {
        setColour(cr, 0x9AA070, 0.35);
        cairo_arc(cr, x + frange(-0.3, 0.2) * w, y - h * frange(0.2, 0.8), w * frange(0.06, 0.12), 0, 2 * PI);
        cairo_fill(cr);
    }
}

// Grass tufts or reeds along a line.
void reeds(cairo_t* cr, double x0, double x1, double y, double h, uint32_t colour, int count)
{
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    for (int i = 0; i < count; ++i) {
        double x = frange(x0, x1), hh = h * frange(0.5, 1.0), lean = frange(-0.3, 0.3) * hh;
        setColour(cr, shadeColour(colour, frange(0.7, 1.3)), 0.9);
        cairo_set_line_width(cr, 1.5);
        cairo_move_to(cr, x, y + frange(-4, 4));
        cairo_curve_to(cr, x, y - hh * 0.5, x + lean * 0.5, y - hh * 0.8, x + lean, y - hh);
        cairo_stroke(cr);
    }
}

// Small bright dots (flowers, stars, sparks).
void dots(cairo_t* cr, double x0, double y0, double x1, double y1, int count, const uint32_t* colours, int n,
          double rMin, double rMax, double alpha)
{
    for (int i = 0; i < count; ++i) {
        setColour(cr, colours[i % n], alpha * frange(0.5, 1.0));
        cairo_arc(cr, frange(x0, x1), frange(y0, y1), frange(rMin, rMax), 0, 2 * PI);
        cairo_fill(cr);
    }
}

// A building block with a pitched roof, lit on its left (used for the mill and the fort's hall).
void house(cairo_t* cr, double x, double y, double w, double h, uint32_t wall, uint32_t roof)
{
    cairo_pattern_t* p = cairo_pattern_create_linear(x, 0, x + w, 0);
    addStop(p, 0, shadeColour(wall, 1.2));
    addStop(p, 1, shadeColour(wall, 0.75));
    usePattern(cr, p);
    cairo_rectangle(cr, x, y - h, w, h);
    cairo_fill(cr);
    cairo_move_to(cr, x - w * 0.1, y - h);
    cairo_line_to(cr, x + w / 2, y - h - w * 0.45);
    cairo_line_to(cr, x + w * 1.1, y - h);
    cairo_close_path(cr);
    setColour(cr, roof);
    cairo_fill(cr);
}

// Towers and walls of a castle seen from afar, with lit windows.
void castle(cairo_t* cr, double x, double y, double s, uint32_t stone, uint32_t roof, uint32_t window)
{
    const double towers[][3] = {{-60, 70, 18}, {-28, 100, 20}, {4, 135, 24}, {36, 95, 18}, {64, 62, 15}};
    setColour(cr, stone);
    cairo_rectangle(cr, x - 70 * s, y - 42 * s, 142 * s, 42 * s);
    cairo_fill(cr);
    for (int i = 0; i < 12; ++i) cairo_rectangle(cr, x - 70 * s + i * 12 * s, y - 48 * s, 6 * s, 7 * s);
    cairo_fill(cr);
    for (auto& t : towers) {
        double tx = x + t[0] * s, h = t[1] * s, w = t[2] * s;
        cairo_pattern_t* p = cairo_pattern_create_linear(tx - w / 2, 0, tx + w / 2, 0);
        addStop(p, 0, shadeColour(stone, 1.25));
        addStop(p, 1, shadeColour(stone, 0.7));
        usePattern(cr, p);
        cairo_rectangle(cr, tx - w / 2, y - h, w, h);
        cairo_fill(cr);
        cairo_move_to(cr, tx - w * 0.62, y - h);
        cairo_line_to(cr, tx, y - h - w * 1.4);
        cairo_line_to(cr, tx + w * 0.62, y - h);
        cairo_close_path(cr);
        setColour(cr, roof);
        cairo_fill(cr);
        radialLight(cr, tx, y - h * 0.65, 9 * s, window, 0.35);
        setColour(cr, window, 0.9);
        cairo_rectangle(cr, tx - 1.5 * s, y - h * 0.7, 3 * s, 6 * s);
        cairo_fill(cr);
    }
}

// A water-wheel: rim, spokes and paddles.
void waterWheel(cairo_t* cr, double x, double y, double r, uint32_t wood)
{
    cairo_set_line_width(cr, r * 0.09);
    setColour(cr, wood);
    cairo_arc(cr, x, y, r, 0, 2 * PI);
    cairo_stroke(cr);
    cairo_set_line_width(cr, r * 0.06);
    for (int i = 0; i < 8; ++i) {
        double a = i * PI / 4 + 0.2;
        cairo_move_to(cr, x, y);
        cairo_line_to(cr, x + std::cos(a) * r, y + std::sin(a) * r);
        cairo_stroke(cr);
        cairo_save(cr);
        cairo_translate(cr, x + std::cos(a) * r, y + std::sin(a) * r);
        cairo_rotate(cr, a);
        cairo_rectangle(cr, -r * 0.02, -r * 0.14, r * 0.18, r * 0.28);
        setColour(cr, shadeColour(wood, 0.8));
        cairo_fill(cr);
        cairo_restore(cr);
        setColour(cr, wood);
    }
}

// A falling sheet of water between x0 and x1 from y0 to y1, with streaks and foam at its foot.
void waterfall(cairo_t* cr, double x0, double x1, double y0, double y1, uint32_t water)
{
    cairo_pattern_t* p = cairo_pattern_create_linear(0, y0, 0, y1);
    addStop(p, 0, shadeColour(water, 0.9));
    addStop(p, 1, shadeColour(water, 1.3));
    usePattern(cr, p);
    cairo_move_to(cr, x0, y0);
    cairo_line_to(cr, x1, y0);
    cairo_line_to(cr, x1 + (x1 - x0) * 0.1, y1);
    cairo_line_to(cr, x0 - (x1 - x0) * 0.1, y1);
    cairo_close_path(cr);
    cairo_fill(cr);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    for (int i = 0; i < 40; ++i) {
        double x = frange(x0, x1), ys = frange(y0, y1 - 20), len = frange(20, 80);
        setColour(cr, 0xFFFFFF, frange(0.15, 0.45));
        cairo_set_line_width(cr, frange(0.8, 2.2));
        cairo_move_to(cr, x, ys);
        cairo_line_to(cr, x + (x - (x0 + x1) / 2) * 0.05, std::fmin(y1, ys + len));
        cairo_stroke(cr);
    }
    for (int i = 0; i < 18; ++i) radialLight(cr, frange(x0 - 20, x1 + 20), y1 + frange(-6, 8), frange(14, 30), 0xFFFFFF, 0.45);
}

// The corners and the lower edge darkened so that the eye rests on the middle.
void vignette(cairo_t* cr, double strength)
{
    cairo_pattern_t* p = cairo_pattern_create_radial(W * 0.45, H * 0.42, H * 0.3, W / 2.0, H / 2.0, W * 0.72);
    addStop(p, 0, 0x000000, 0.0);
    addStop(p, 1, 0x08060A, strength);
    usePattern(cr, p);
    cairo_paint(cr);
}

// A gentle light from the top left over the whole picture.
void topLeftLight(cairo_t* cr, uint32_t rgb, double alpha)
{
    cairo_pattern_t* p = cairo_pattern_create_radial(0, 0, 0, 0, 0, W * 0.9);
    addStop(p, 0, rgb, alpha);
    addStop(p, 1, rgb, 0);
    usePattern(cr, p);
    cairo_paint(cr);
}

// Sky from the top to the horizon through three colours.
void sky(cairo_t* cr, uint32_t top, uint32_t middle, uint32_t horizon, double horizonY)
{
    const uint32_t c[3] = {top, middle, horizon};
    paintBand(cr, 0, horizonY + 40, c, 3);
}

// Trees at both sides, growing towards the viewer; none in the middle third.
void flankingTrees(cairo_t* cr, double yTop, double yBottom, int count, uint32_t leaf, bool firs)
{
    for (int i = 0; i < count; ++i) {
        double t = double(i) / count;
        double y = yTop + (yBottom - yTop) * t + frange(-8, 8);
        bool left = i % 2 == 0;
        double x = left ? frange(-20, 230) : frange(570, 820);
        double size = 40 + (y - yTop) * 0.7;
        uint32_t c = shadeColour(leaf, 0.8 + 0.4 * (1 - t));
        if (firs) fir(cr, x, y, size * 1.6, c);
        else roundTree(cr, x, y, size, c);
    }
}

// ---- The pictures ------------------------------------------------------------------------

void valleyAtDusk(cairo_t* cr, bool night)
{
    double hz = 300;
    if (night) sky(cr, 0x070B1E, 0x14204A, 0x2C3A6A, hz);
    else sky(cr, 0x2A2E5E, 0x8C5A7A, 0xF0A070, hz);
    if (night) {
        const uint32_t starCols[3] = {0xFFFFFF, 0xFFF0C8, 0xC8D8FF};
        dots(cr, 0, 0, W, hz - 20, 260, starCols, 3, 0.5, 1.4, 0.9);
        for (int i = 0; i < 12; ++i) {
            double x = frange(20, W - 20), y = frange(10, hz - 60);
            radialLight(cr, x, y, 6, 0xFFFFFF, 0.6);
        }
        radialLight(cr, 150, 95, 110, 0xC8D8FF, 0.35);
        disc(cr, 150, 95, 26, 0xF4F0E0);
    } else {
        radialLight(cr, 190, hz - 30, 260, 0xFFC070, 0.55);
        disc(cr, 190, hz - 22, 30, 0xFFE0A0);
        clouds(cr, 6, 60, 200, 0xFFC8A0, 0x6A4A70, 0.55);
    }
    ridge(cr, {hz - 20, 60, 1.2, 0.6, 0.45}, night ? 0x1C2448 : 0x5A4E80, night ? 0x2A3458 : 0x8A6A90, 0.3);
    ridge(cr, {hz + 10, 35, 2.0, 2.3, 0.1}, night ? 0x1A2C34 : 0x4A5E62, night ? 0x22383A : 0x5E6E60, 0.3);
    mist(cr, hz + 20, 25, night ? 0x5060A0 : 0xF0B090, 0.3);
    ridge(cr, {hz + 70, 30, 1.5, 4.0, 0.0}, night ? 0x1A3020 : 0x3E5E34, night ? 0x0C1A10 : 0x24381E, 0.35);
    windingRiver(cr, hz + 12, 380, 460, 130, night ? 0x4A5A90 : 0xF0B890, night ? 0x101C3A : 0x2A4A70,
                 night ? 0xFFF6D0 : 0xFFE0B0, night ? 0x0A140C : 0x1E301A);
    flankingTrees(cr, hz + 60, H - 30, 14, night ? 0x1E3A26 : 0x2F5A2A, false);
    ridge(cr, {H - 10, 40, 0.9, 1.1, 0.0}, night ? 0x10200E : 0x24401E, night ? 0x060C06 : 0x101C0C, 0.3);
}

void meadow(cairo_t* cr)
{
    double hz = 280;
    sky(cr, 0x3A78C8, 0x7EB4E8, 0xD8ECF4, hz);
    radialLight(cr, 90, 60, 260, 0xFFF6D8, 0.6);
    clouds(cr, 7, 50, 180, 0xFFFFFF, 0x9AB0D0, 0.8);
    ridge(cr, {hz, 35, 1.1, 1.0, 0.0}, 0x8CB0C8, 0xA8C8C8, 0.2);
    ridge(cr, {hz + 40, 40, 1.6, 2.5, 0.0}, 0x8CC060, 0x6AA048, 0.4);
    ridge(cr, {hz + 120, 45, 1.2, 0.3, 0.0}, 0x78B44A, 0x4E8A30, 0.4);
    const uint32_t flowers[4] = {0xFFF4A0, 0xFFFFFF, 0xF08AB0, 0xC8A0F0};
    dots(cr, 0, hz + 130, 260, H, 120, flowers, 4, 1.0, 2.6, 0.9);
    dots(cr, 540, hz + 130, W, H, 120, flowers, 4, 1.0, 2.6, 0.9);
    flankingTrees(cr, hz + 50, H - 60, 8, 0x4E8E34, false);
    ridge(cr, {H - 15, 35, 0.8, 2.0, 0.0}, 0x4E8A30, 0x2E5A1E, 0.35);
    reeds(cr, 0, 240, H - 20, 26, 0x5E9A38, 70);
    reeds(cr, 560, W, H - 20, 26, 0x5E9A38, 70);
}

void birchWood(cairo_t* cr)
{
    double hz = 330;
    sky(cr, 0x6A9AC8, 0xB0CCD8, 0xE8EEDC, hz);
    radialLight(cr, 80, 40, 300, 0xFFF0C0, 0.55);
    clouds(cr, 4, 40, 150, 0xFFFFFF, 0xA0B4C8, 0.6);
    ridge(cr, {hz - 20, 25, 1.4, 0.5, 0.0}, 0x90A8A0, 0xA0B49C, 0.2);
    for (int i = 0; i < 40; ++i) birch(cr, frange(0, W), hz + frange(-10, 10), frange(50, 80), 0xA8C070);
    mist(cr, hz + 10, 30, 0xE8F0D8, 0.45);
    ridge(cr, {hz + 90, 25, 1.3, 1.2, 0.0}, 0x9AB858, 0x6A8A38, 0.3);
    for (int i = 0; i < 12; ++i) {
        bool left = i % 2 == 0;
        double x = left ? frange(-10, 220) : frange(580, 810), y = frange(hz + 150, H + 20);
        birch(cr, x, y, 200 + (y - hz) * 0.8, 0x8CB050);
    }
    reeds(cr, 0, W, H - 10, 22, 0x7AA040, 120);
}

void riverFord(cairo_t* cr)
{
    double hz = 290;
    sky(cr, 0x4A82C0, 0x90BCE0, 0xE4EEF0, hz);
    radialLight(cr, 100, 60, 240, 0xFFF4D0, 0.55);
    clouds(cr, 6, 50, 190, 0xFFFFFF, 0x98AECC, 0.7);
    ridge(cr, {hz - 10, 40, 1.0, 1.7, 0.2}, 0x7E96B8, 0x9AB0C0, 0.25);
    ridge(cr, {hz + 30, 30, 1.8, 3.0, 0.0}, 0x6E9A58, 0x5A8448, 0.35);
    stillWater(cr, hz + 60, hz + 150, 0xC8DDE8, 0x4A7898, 0xFFFFFF, 90);
    // the ford: a line of stepping stones crossing the water
    for (int i = 0; i < 14; ++i) {
        double t = i / 13.0, x = 60 + t * 680, y = hz + 100 + std::sin(t * 3) * 12;
        if (x > 260 && x < 540) continue;
        standingStone(cr, x, y, 26, 12, 0x8A8478);
        mist(cr, y + 2, 2, 0xFFFFFF, 0.3);
    }
    ridge(cr, {hz + 170, 20, 1.1, 0.8, 0.0}, 0x7CAE50, 0x4E7E30, 0.35);
    flankingTrees(cr, hz + 170, H - 40, 8, 0x467E30, false);
    reeds(cr, 0, 220, hz + 160, 30, 0x6A9840, 50);
    reeds(cr, 580, W, hz + 160, 30, 0x6A9840, 50);
}

void waterfallLand(cairo_t* cr)
{
    double hz = 300;
    sky(cr, 0x3E74B0, 0x86B2D8, 0xD8E8EC, hz);
    radialLight(cr, 90, 50, 260, 0xFFF2D0, 0.55);
    clouds(cr, 5, 40, 160, 0xFFFFFF, 0x96ACC8, 0.7);
    ridge(cr, {hz, 60, 1.1, 0.8, 0.3}, 0x7088A8, 0x90A4B4, 0.25);
    // the cliff at the left with the fall
    cairo_move_to(cr, -10, 90);
    cairo_curve_to(cr, 120, 80, 230, 110, 250, 150);
    cairo_line_to(cr, 270, 430);
    cairo_line_to(cr, -10, 450);
    cairo_close_path(cr);
    cairo_pattern_t* p = cairo_pattern_create_linear(0, 0, 270, 0);
    addStop(p, 0, 0x8A8474);
    addStop(p, 0.7, 0x6A6458);
    addStop(p, 1, 0x4A463E);
    usePattern(cr, p);
    cairo_fill(cr);
    for (int i = 0; i < 6; ++i) roundTree(cr, frange(0, 220), 95 + frange(0, 20), frange(40, 60), 0x3E7030);
    waterfall(cr, 150, 215, 120, 430, 0xA8D0E8);
    stillWater(cr, 420, 500, 0xC8E0EC, 0x3A6A88, 0xFFFFFF, 100);
    for (int i = 0; i < 10; ++i) radialLight(cr, frange(80, 300), frange(380, 440), frange(30, 60), 0xFFFFFF, 0.18);
    ridge(cr, {520, 25, 1.0, 1.8, 0.0}, 0x6E9A48, 0x3E6A2A, 0.35);
    flankingTrees(cr, 470, H - 20, 8, 0x3E7430, false);
    ridge(cr, {H - 10, 30, 0.8, 0.4, 0.0}, 0x3A6026, 0x1E3414, 0.3);
}

void oldMill(cairo_t* cr)
{
    double hz = 300;
    sky(cr, 0x5A86B8, 0xB0C4D4, 0xF0E2C4, hz);
    radialLight(cr, 110, 70, 280, 0xFFE8B0, 0.6);
    clouds(cr, 5, 60, 180, 0xFFF4E4, 0xA8A4B8, 0.7);
    ridge(cr, {hz, 35, 1.2, 1.2, 0.0}, 0x8AA0A8, 0xA4B0A4, 0.2);
    ridge(cr, {hz + 40, 30, 1.6, 2.0, 0.0}, 0x94B060, 0x6E9040, 0.35);
    // the mill on the right bank with its wheel
    house(cr, 590, 430, 150, 110, 0xC8B498, 0x7A4A30);
    setColour(cr, 0x3A2A1E, 0.85);
    cairo_rectangle(cr, 620, 360, 18, 24);
    cairo_rectangle(cr, 680, 360, 18, 24);
    cairo_fill(cr);
    windingRiver(cr, hz + 45, 560, 420, 110, 0xC0D8E4, 0x3A6484, 0xFFFFFF, 0x2E4A24);
    waterWheel(cr, 580, 420, 48, 0x5A3A22);
    for (int i = 0; i < 8; ++i) radialLight(cr, frange(540, 610), frange(450, 475), frange(16, 26), 0xFFFFFF, 0.3);
    flankingTrees(cr, hz + 60, H - 40, 6, 0x4A7E30, false);
    ridge(cr, {H - 12, 30, 0.9, 2.6, 0.0}, 0x4A7A2A, 0x26401A, 0.3);
    reeds(cr, 0, 240, H - 14, 26, 0x6E9A3E, 60);
}

void marsh(cairo_t* cr)
{
    double hz = 320;
    sky(cr, 0x5E7A80, 0x9AAC98, 0xD4D8B8, hz);
    radialLight(cr, 120, 110, 200, 0xF4F0C8, 0.5);
    clouds(cr, 6, 60, 200, 0xE8ECD8, 0x7C8C84, 0.55);
    ridge(cr, {hz, 15, 1.0, 2.0, 0.0}, 0x6A7E6A, 0x7A8C70, 0.15);
    for (int i = 0; i < 30; ++i) fir(cr, frange(0, W), hz + frange(-4, 6), frange(14, 26), 0x4A5E48);
    mist(cr, hz + 10, 40, 0xDCE2C8, 0.6);
    const uint32_t g[2] = {0x6E7E48, 0x3E4E2A};
    paintBand(cr, hz + 20, H, g, 2);
    for (int i = 0; i < 9; ++i) {
        double cx = frange(0, W), cy = frange(hz + 40, H - 20), w = frange(60, 180) * (cy / H);
        ellipsePath(cr, cx, cy, w, w * 0.16);
        cairo_pattern_t* p = cairo_pattern_create_linear(0, cy - w * 0.16, 0, cy + w * 0.16);
        addStop(p, 0, 0xC8D0B0);
        addStop(p, 1, 0x5A6A58);
        usePattern(cr, p);
        cairo_fill(cr);
    }
    mist(cr, hz + 90, 50, 0xDCE2C8, 0.35);
    reeds(cr, 0, 260, H - 10, 70, 0x7A8A40, 140);
    reeds(cr, 540, W, H - 10, 70, 0x7A8A40, 140);
    reeds(cr, 0, W, hz + 60, 20, 0x5E6E3A, 80);
}

void stoneCircle(cairo_t* cr)
{
    double hz = 310;
    sky(cr, 0x3A3E70, 0xA07890, 0xF0C090, hz);
    radialLight(cr, 150, hz - 40, 240, 0xFFD090, 0.5);
    clouds(cr, 5, 50, 170, 0xF8C8A8, 0x6A5474, 0.55);
    ridge(cr, {hz, 30, 1.1, 2.4, 0.0}, 0x6A6480, 0x7C7080, 0.2);
    ridge(cr, {hz + 60, 70, 0.8, 1.9, 0.0}, 0x6A8A50, 0x48683A, 0.4);
    // the ring of stones along the hill's crest, the near ones larger; the front of the ring
    // would stand where the board lies, so only the back arc is shown
    RidgeShape hill{hz + 60, 70, 0.8, 1.9, 0.0};
    for (int i = 0; i < 11; ++i) {
        double a = i * 2 * PI / 11 + 0.3;
        if (std::sin(a) > 0.3) continue;
        double x = 400 + std::cos(a) * 330;
        standingStone(cr, x, hill.at(x) + 10, 24, 50 + 16 * std::sin(a + 1), 0x7E7A84);
    }
    // a trilithon on the near slope at the left: two uprights and their lintel
    double ty = hill.at(130) + 90;
    standingStone(cr, 95, ty, 34, 110, 0x7A7680);
    standingStone(cr, 165, ty, 34, 114, 0x7A7680);
    cairo_pattern_t* p = cairo_pattern_create_linear(0, ty - 134, 0, ty - 108);
    addStop(p, 0, 0x9A96A0);
    addStop(p, 1, 0x4A4650);
    usePattern(cr, p);
    roundedRect(cr, 72, ty - 132, 118, 24, 6);
    cairo_fill(cr);
    flankingTrees(cr, hz + 140, H - 40, 4, 0x3E6030, false);
    ridge(cr, {H - 15, 30, 0.9, 1.4, 0.0}, 0x3E5A2E, 0x1E2E16, 0.3);
    // a fallen stone in the grass at the right
    cairo_save(cr);
    cairo_translate(cr, 690, H - 40);
    cairo_rotate(cr, -0.08);
    cairo_pattern_t* f = cairo_pattern_create_linear(0, -20, 0, 16);
    addStop(f, 0, 0x8A8690);
    addStop(f, 1, 0x3A3640);
    usePattern(cr, f);
    roundedRect(cr, -70, -18, 140, 34, 14);
    cairo_fill(cr);
    cairo_restore(cr);
}

void hillFort(cairo_t* cr)
{
    double hz = 300;
    sky(cr, 0x4A6EA8, 0x98B0D0, 0xE8E4D8, hz);
    radialLight(cr, 90, 60, 260, 0xFFF0D0, 0.55);
    clouds(cr, 6, 40, 170, 0xFFFFFF, 0x94A4C0, 0.7);
    ridge(cr, {hz, 30, 1.1, 0.3, 0.0}, 0x8496B0, 0x9CA8B0, 0.2);
    // the fort's hill at the right with earth banks and a palisade
    cairo_move_to(cr, 430, hz + 80);
    cairo_curve_to(cr, 520, 150, 760, 140, 820, 180);
    cairo_line_to(cr, 820, hz + 120);
    cairo_close_path(cr);
    cairo_pattern_t* p = cairo_pattern_create_linear(500, 150, 700, 400);
    addStop(p, 0, 0x9AB868);
    addStop(p, 1, 0x5A7A38);
    usePattern(cr, p);
    cairo_fill(cr);
    for (int i = 0; i < 30; ++i) {
        double x = 560 + i * 8, y = 170 + std::pow((x - 650) / 110.0, 2) * 18;
        setColour(cr, i % 2 ? 0x6A4A2C : 0x7E5A36);
        cairo_move_to(cr, x, y);
        cairo_line_to(cr, x + 3.5, y - 30);
        cairo_line_to(cr, x + 7, y);
        cairo_close_path(cr);
        cairo_fill(cr);
    }
    house(cr, 630, 160, 60, 26, 0x8A6A48, 0x5A3A24);
    ridge(cr, {hz + 60, 30, 1.6, 4.0, 0.0}, 0x80A858, 0x5E8A3C, 0.35);
    flankingTrees(cr, hz + 90, H - 40, 8, 0x406E2C, false);
    ridge(cr, {H - 15, 30, 0.9, 3.0, 0.0}, 0x446E28, 0x223A14, 0.3);
}

void pineForest(cairo_t* cr)
{
    double hz = 290;
    sky(cr, 0x2E5A8A, 0x7AA0C0, 0xD0DCD8, hz);
    radialLight(cr, 80, 40, 240, 0xFFF0D0, 0.45);
    clouds(cr, 4, 40, 140, 0xF0F4F8, 0x8A9CB4, 0.6);
    ridge(cr, {hz - 20, 60, 1.3, 0.7, 0.5}, 0x5A7090, 0x7088A0, 0.2);
    for (int layer = 0; layer < 3; ++layer) {
        uint32_t c = mixColour(0x5A7A80, 0x1E4A2E, layer / 2.0);
        double y = hz + 10 + layer * 45;
        for (int i = 0; i < 46 - layer * 12; ++i) fir(cr, frange(-20, W + 20), y + frange(-6, 6), 40 + layer * 25, c);
        mist(cr, y + 8, 18, 0xC8D8D8, 0.3 - layer * 0.08);
    }
    const uint32_t g[2] = {0x2E4A2A, 0x18281A};
    paintBand(cr, hz + 110, H, g, 2);
    flankingTrees(cr, hz + 130, H + 40, 12, 0x1E4A28, true);
}

void lake(cairo_t* cr)
{
    double hz = 270;
    sky(cr, 0x3C70B4, 0x8CB6DC, 0xE8F0F0, hz);
    radialLight(cr, 110, 60, 260, 0xFFF6DC, 0.55);
    clouds(cr, 6, 40, 170, 0xFFFFFF, 0x9AB0CC, 0.75);
    ridge(cr, {hz, 55, 1.0, 2.2, 0.4}, 0x7A8EB4, 0x98AAC4, 0.25, hz - 40);
    ridge(cr, {hz + 15, 20, 2.2, 1.0, 0.0}, 0x5E8060, 0x4E7050, 0.3);
    // the lake mirrors the sky
    stillWater(cr, hz + 25, 470, 0xD8E6EE, 0x3E6E98, 0xFFFFFF, 160);
    ridge(cr, {490, 18, 1.2, 2.0, 0.0}, 0x8AAA58, 0x5A7E38, 0.3);
    flankingTrees(cr, 460, H - 20, 8, 0x3E7030, false);
    reeds(cr, 0, 220, 480, 34, 0x6E9040, 60);
    reeds(cr, 580, W, 480, 34, 0x6E9040, 60);
}

void cliffs(cairo_t* cr)
{
    double hz = 300;
    sky(cr, 0x3A6EAE, 0x86B0D4, 0xDCE8EE, hz);
    radialLight(cr, 90, 50, 260, 0xFFF4D8, 0.55);
    clouds(cr, 6, 40, 180, 0xFFFFFF, 0x9CB2CC, 0.75);
    stillWater(cr, hz, H, 0xB8D4E4, 0x1E4E78, 0xFFFFFF, 200);
    // pale cliffs on both sides, layered in their strata
    for (int side = 0; side < 2; ++side) {
        double edge = side ? 560 : 240, outer = side ? 820 : -20;
        cairo_move_to(cr, outer, 120);
        cairo_curve_to(cr, outer, 120, edge, 140, edge + (side ? 20 : -20), 200);
        cairo_line_to(cr, edge + (side ? -30 : 30), H + 10);
        cairo_line_to(cr, outer, H + 10);
        cairo_close_path(cr);
        cairo_pattern_t* p = cairo_pattern_create_linear(side ? edge : outer, 0, side ? outer : edge, 0);
        addStop(p, 0, side ? 0xD8D0C0 : 0xA8A090);
        addStop(p, 1, side ? 0x8A8274 : 0xE4DCCC);
        usePattern(cr, p);
        cairo_fill_preserve(cr);
        cairo_save(cr);
        cairo_clip(cr);
        for (int k = 0; k < 10; ++k) {
            double y = 170 + k * 45 + frange(-6, 6);
            setColour(cr, 0x6A6458, 0.25);
            cairo_set_line_width(cr, 2);
            cairo_move_to(cr, outer, y + 20);
            cairo_curve_to(cr, (outer + edge) / 2, y, (outer + edge) / 2, y + 10, edge, y - 10);
            cairo_stroke(cr);
        }
        cairo_restore(cr);
        // grass on the cliff tops
        cairo_move_to(cr, outer, 110);
        cairo_curve_to(cr, outer, 110, edge, 125, edge + (side ? 20 : -20), 185);
        cairo_line_to(cr, edge + (side ? 40 : -40), 190);
        cairo_line_to(cr, outer, 140);
        cairo_close_path(cr);
        setColour(cr, 0x6E9A48);
        cairo_fill(cr);
        for (int i = 0; i < 10; ++i)
            radialLight(cr, edge + (side ? -10 : 10) + frange(-20, 20), frange(560, 600), frange(20, 40), 0xFFFFFF, 0.35);
    }
}

void snowPass(cairo_t* cr)
{
    double hz = 320;
    sky(cr, 0x4068A8, 0x98B4D8, 0xE8EEF4, hz);
    radialLight(cr, 90, 50, 240, 0xFFFFFF, 0.5);
    clouds(cr, 5, 40, 150, 0xFFFFFF, 0xA0B0C8, 0.65);
    ridge(cr, {hz - 40, 150, 1.2, 0.9, 0.7}, 0x7E8CB0, 0x8E9AB8, 0.25, hz - 100);
    ridge(cr, {hz + 20, 110, 1.5, 2.6, 0.6}, 0x6A7898, 0x7A86A0, 0.25, hz - 10);
    mist(cr, hz + 40, 40, 0xF0F4FA, 0.5);
    ridge(cr, {hz + 130, 30, 1.0, 0.3, 0.0}, 0xF4F8FF, 0xC0CCE0, 0.4);
    flankingTrees(cr, hz + 110, H - 30, 10, 0x2E4E3E, true);
    const uint32_t flakes[1] = {0xFFFFFF};
    dots(cr, 0, 0, W, H, 140, flakes, 1, 0.7, 1.8, 0.7);
    ridge(cr, {H - 10, 25, 0.9, 1.0, 0.0}, 0xE8F0FC, 0xA8B8D4, 0.4);
}

void glacier(cairo_t* cr)
{
    double hz = 300;
    sky(cr, 0x284C88, 0x7AA4D0, 0xDCEAF4, hz);
    radialLight(cr, 100, 60, 260, 0xE8F4FF, 0.5);
    ridge(cr, {hz - 30, 130, 1.0, 1.4, 0.8}, 0x8CA4C8, 0xB8CCE4, 0.35, hz - 60);
    // the ice river: bands of blue-white ice flowing down between the peaks
    ridge(cr, {hz + 40, 40, 1.3, 3.2, 0.2}, 0xCCE0F4, 0x8AB4DC, 0.5);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    for (int i = 0; i < 40; ++i) {
        double y = frange(hz + 20, H), x = frange(0, W), len = frange(20, 90);
        setColour(cr, i % 3 ? 0x5A8CC0 : 0xFFFFFF, frange(0.2, 0.5));
        cairo_set_line_width(cr, frange(1, 2.5));
        cairo_move_to(cr, x, y);
        cairo_curve_to(cr, x + len * 0.3, y - 4, x + len * 0.7, y + 4, x + len, y);
        cairo_stroke(cr);
    }
    for (int i = 0; i < 8; ++i) {
        bool left = i % 2 == 0;
        double x = left ? frange(0, 200) : frange(600, 800), y = frange(hz + 100, H);
        double s = 30 + (y - hz) * 0.3;
        cairo_move_to(cr, x - s, y);
        cairo_line_to(cr, x - s * 0.3, y - s * 1.3);
        cairo_line_to(cr, x + s * 0.4, y - s * 0.9);
        cairo_line_to(cr, x + s, y);
        cairo_close_path(cr);
        cairo_pattern_t* p = cairo_pattern_create_linear(x - s, y - s, x + s, y);
        addStop(p, 0, 0xF4FAFF);
        addStop(p, 0.5, 0xA8D0F0);
        addStop(p, 1, 0x4A80B8);
        usePattern(cr, p);
        cairo_fill(cr);
    }
}

void fireMountain(cairo_t* cr)
{
    double hz = 330;
    sky(cr, 0x1E0E14, 0x5A1E1A, 0xC8502A, hz);
    clouds(cr, 7, 40, 220, 0xA04A30, 0x2A1014, 0.6);
    // the volcano at the right, glowing from its crater and lava streams
    cairo_move_to(cr, 360, hz + 60);
    cairo_line_to(cr, 560, 130);
    cairo_line_to(cr, 640, 130);
    cairo_line_to(cr, 840, hz + 40);
    cairo_line_to(cr, 840, H);
    cairo_line_to(cr, 360, H);
    cairo_close_path(cr);
    cairo_pattern_t* p = cairo_pattern_create_linear(520, 0, 760, 0);
    addStop(p, 0, 0x5A3430);
    addStop(p, 1, 0x24141A);
    usePattern(cr, p);
    cairo_fill(cr);
    radialLight(cr, 600, 125, 160, 0xFF8030, 0.7);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    for (int i = 0; i < 5; ++i) {
        double x = 575 + i * 12;
        setColour(cr, 0xFFA040, 0.8);
        cairo_set_line_width(cr, 3.0 - i * 0.3);
        cairo_move_to(cr, x, 132);
        cairo_curve_to(cr, x + frange(-30, 30), 200, x + frange(-50, 80), 260, x + frange(-60, 120), 330);
        cairo_stroke(cr);
    }
    for (int i = 0; i < 6; ++i)
        puffCloud(cr, 600 + i * 15 - 30, 90 - i * 14, 120 + i * 20, 0x6A4440, 0x1E1014, 0.55, SMOKE);
    const uint32_t sparks[2] = {0xFFC060, 0xFF7030};
    dots(cr, 500, 40, 720, 200, 80, sparks, 2, 0.6, 1.8, 0.9);
    ridge(cr, {hz + 60, 40, 1.4, 1.2, 0.3}, 0x3A2224, 0x1E1216, 0.4);
    mist(cr, hz + 70, 30, 0xC85030, 0.25);
    ridge(cr, {H - 30, 40, 1.0, 3.0, 0.2}, 0x2A1618, 0x0E080A, 0.35);
    for (int i = 0; i < 6; ++i)
        radialLight(cr, i < 3 ? frange(20, 220) : frange(580, 780), frange(H - 40, H), 30, 0xFF6020, 0.35);
}

void lastCitadel(cairo_t* cr)
{
    double hz = 330;
    sky(cr, 0x1A1A40, 0x6A3A68, 0xE88A5A, hz);
    radialLight(cr, 140, hz - 60, 280, 0xFFB060, 0.55);
    clouds(cr, 6, 30, 200, 0xE89A80, 0x3A2A50, 0.6);
    ridge(cr, {hz - 20, 80, 1.1, 0.9, 0.6}, 0x3E3660, 0x5A4A70, 0.3);
    // the citadel on its crag at the right
    cairo_move_to(cr, 500, hz + 40);
    cairo_curve_to(cr, 560, 260, 600, 230, 640, 220);
    cairo_curve_to(cr, 700, 230, 740, 250, 820, 300);
    cairo_line_to(cr, 820, hz + 60);
    cairo_close_path(cr);
    setColour(cr, 0x2E2A44);
    cairo_fill(cr);
    castle(cr, 660, 225, 0.95, 0x4A4266, 0x2A2040, 0xFFD070);
    mist(cr, hz + 30, 30, 0xC08080, 0.3);
    ridge(cr, {hz + 90, 40, 1.3, 2.4, 0.0}, 0x3A3A4A, 0x22222E, 0.3);
    ridge(cr, {H - 20, 35, 0.9, 1.0, 0.0}, 0x22202C, 0x0E0C14, 0.3);
    for (int i = 0; i < 6; ++i) fir(cr, i < 3 ? frange(0, 200) : frange(600, 800), H - frange(0, 30), frange(90, 140), 0x1A2020);
}

// A hanging lantern: its chain from the beam, a warm glass body in a dark frame and its glow.
void lantern(cairo_t* cr, double x, double beamY, double y, double s)
{
    setColour(cr, 0x2A1A0C, 0.9);
    cairo_set_line_width(cr, 1.5);
    cairo_move_to(cr, x, beamY);
    cairo_line_to(cr, x, y - 22 * s);
    cairo_stroke(cr);
    radialLight(cr, x, y, 160 * s, 0xFFB050, 0.45);
    cairo_pattern_t* g = cairo_pattern_create_radial(x - 3 * s, y - 4 * s, 1, x, y, 16 * s);
    addStop(g, 0, 0xFFF4C0);
    addStop(g, 0.6, 0xFFC060);
    addStop(g, 1, 0xC06A20);
    usePattern(cr, g);
    roundedRect(cr, x - 10 * s, y - 16 * s, 20 * s, 30 * s, 4 * s);
    cairo_fill(cr);
    setColour(cr, 0x2A1A0C);
    cairo_set_line_width(cr, 2.2 * s);
    roundedRect(cr, x - 10 * s, y - 16 * s, 20 * s, 30 * s, 4 * s);
    cairo_move_to(cr, x, y - 16 * s);
    cairo_line_to(cr, x, y + 14 * s);
    cairo_stroke(cr);
    cairo_move_to(cr, x - 13 * s, y - 16 * s);
    cairo_line_to(cr, x, y - 24 * s);
    cairo_line_to(cr, x + 13 * s, y - 16 * s);
    cairo_close_path(cr);
    cairo_fill(cr);
}

// The trophy room: a wall of planks, two beams, a cabinet of shelves at each side, a board floor
// with a rug, and warm lantern light from the top left.
void trophyHall(cairo_t* cr)
{
    const uint32_t wall[3] = {0x5A3A22, 0x6E4A2C, 0x3A2414};
    paintBand(cr, 0, H, wall, 3);
    for (int x = 0; x < W; x += 40) {
        uint32_t base = shadeColour(0x7A5232, frange(0.85, 1.1));
        cairo_pattern_t* p = cairo_pattern_create_linear(x, 0, x + 40, 0);
        addStop(p, 0, shadeColour(base, 1.15), 0.6);
        addStop(p, 0.9, base, 0.5);
        addStop(p, 1, 0x2A1A0E, 0.8);
        usePattern(cr, p);
        cairo_rectangle(cr, x, 0, 40, H);
        cairo_fill(cr);
        // long, faint grain running down the plank
        cairo_set_line_width(cr, 0.8);
        for (int k = 0; k < 5; ++k) {
            double gx = x + 4 + k * 7 + frange(-2, 2);
            setColour(cr, 0x2A180A, frange(0.08, 0.18));
            cairo_move_to(cr, gx, 0);
            cairo_curve_to(cr, gx + frange(-3, 3), H * 0.3, gx + frange(-3, 3), H * 0.6, gx + frange(-2, 2), H);
            cairo_stroke(cr);
        }
        // a knot now and then
        if (frand() < 0.35) {
            double ky = frange(120, 480);
            ellipsePath(cr, x + 20, ky, 4, 7);
            setColour(cr, 0x2A180A, 0.35);
            cairo_fill(cr);
        }
    }
    // the floor: boards running into the room, and a woven rug
    const uint32_t floor[2] = {0x5A3A1E, 0x24160A};
    paintBand(cr, 500, H, floor, 2);
    setColour(cr, 0x1A0E06, 0.5);
    cairo_set_line_width(cr, 1.2);
    for (int i = -12; i <= 12; ++i) {
        cairo_move_to(cr, W / 2.0 + i * 40, 500);
        cairo_line_to(cr, W / 2.0 + i * 95, H);
        cairo_stroke(cr);
    }
    setColour(cr, 0x1A0E06, 0.6);
    cairo_rectangle(cr, 0, 496, W, 6);
    cairo_fill(cr);
    cairo_move_to(cr, 230, 530);
    cairo_line_to(cr, 570, 530);
    cairo_line_to(cr, 640, H + 5);
    cairo_line_to(cr, 160, H + 5);
    cairo_close_path(cr);
    cairo_pattern_t* rug = cairo_pattern_create_linear(0, 530, 0, H);
    addStop(rug, 0, 0x6A1E18);
    addStop(rug, 1, 0x3A0E0A);
    usePattern(cr, rug);
    cairo_fill(cr);
    setColour(cr, 0xC8903A, 0.6);
    cairo_set_line_width(cr, 3);
    cairo_move_to(cr, 245, 540);
    cairo_line_to(cr, 555, 540);
    cairo_line_to(cr, 615, H + 5);
    cairo_move_to(cr, 245, 540);
    cairo_line_to(cr, 185, H + 5);
    cairo_stroke(cr);
    // beams across the top
    for (int b = 0; b < 2; ++b) {
        double y = 20 + b * 50;
        cairo_pattern_t* p = cairo_pattern_create_linear(0, y, 0, y + 30);
        addStop(p, 0, 0x9A6A3E);
        addStop(p, 1, 0x3A2210);
        usePattern(cr, p);
        cairo_rectangle(cr, 0, y, W, 30);
        cairo_fill(cr);
    }
    // a cabinet of shelves at each side: a dark recess in a carved frame, brackets under each shelf
    for (int side = 0; side < 2; ++side) {
        double x0 = side ? 620 : 30, x1 = side ? 770 : 180;
        cairo_pattern_t* recess = cairo_pattern_create_linear(x0, 0, x1, 0);
        addStop(recess, 0, side ? 0x24140A : 0x3A2414);
        addStop(recess, 1, side ? 0x3A2414 : 0x24140A);
        usePattern(cr, recess);
        cairo_rectangle(cr, x0, 130, x1 - x0, 370);
        cairo_fill(cr);
        cairo_pattern_t* frame = cairo_pattern_create_linear(x0 - 12, 0, x1 + 12, 0);
        addStop(frame, 0, 0xB8844E);
        addStop(frame, 1, 0x5A3418);
        cairo_set_source(cr, frame);
        cairo_set_line_width(cr, 12);
        cairo_rectangle(cr, x0 - 6, 124, x1 - x0 + 12, 382);
        cairo_stroke(cr);
        // an arched top
        cairo_move_to(cr, x0 - 12, 124);
        cairo_curve_to(cr, x0 + 20, 96, x1 - 20, 96, x1 + 12, 124);
        cairo_close_path(cr);
        cairo_set_source(cr, frame);
        cairo_fill(cr);
        cairo_pattern_destroy(frame);
        for (int sh = 0; sh < 4; ++sh) {
            double y = 200 + sh * 90;
            cairo_pattern_t* p = cairo_pattern_create_linear(0, y, 0, y + 12);
            addStop(p, 0, 0xC08850);
            addStop(p, 1, 0x4A2C14);
            usePattern(cr, p);
            cairo_rectangle(cr, x0, y, x1 - x0, 12);
            cairo_fill(cr);
            setColour(cr, 0x000000, 0.3);
            cairo_rectangle(cr, x0, y + 12, x1 - x0, 10);
            cairo_fill(cr);
            setColour(cr, 0x5A3418);
            for (int k = 0; k < 2; ++k) {
                double bx = k ? x1 - 14 : x0 + 14;
                cairo_move_to(cr, bx - 6, y + 12);
                cairo_line_to(cr, bx + 6, y + 12);
                cairo_line_to(cr, bx, y + 24);
                cairo_close_path(cr);
                cairo_fill(cr);
            }
        }
    }
    // the lanterns' warm light, the brighter one at the top left
    lantern(cr, 250, 100, 150, 1.0);
    lantern(cr, 560, 100, 140, 0.8);
    radialLight(cr, 200, 120, 520, 0xFFC070, 0.25);
}

struct BackdropArt {
    const char* label;
    void (*paint)(cairo_t*);
    double vignette;
    uint32_t light;
};

void menuValley(cairo_t* cr) { valleyAtDusk(cr, false); }
void starryNight(cairo_t* cr) { valleyAtDusk(cr, true); }

const BackdropArt kBackdrops[] = {
    {"valley at dusk", menuValley, 0.55, 0xFFD8A0},
    {"meadow", meadow, 0.45, 0xFFF8E0},
    {"birch wood", birchWood, 0.45, 0xFFF4D0},
    {"river ford", riverFord, 0.45, 0xFFF6E0},
    {"waterfall", waterfallLand, 0.45, 0xFFF6E0},
    {"old mill", oldMill, 0.45, 0xFFECC0},
    {"marsh", marsh, 0.5, 0xF4F4D8},
    {"stone circle", stoneCircle, 0.5, 0xFFD8A8},
    {"hill fort", hillFort, 0.45, 0xFFF4E0},
    {"pine forest", pineForest, 0.5, 0xFFF4E0},
    {"lake", lake, 0.45, 0xFFF8E8},
    {"cliffs", cliffs, 0.45, 0xFFF8E8},
    {"snow pass", snowPass, 0.45, 0xFFFFFF},
    {"glacier", glacier, 0.5, 0xF0F8FF},
    {"fire mountain", fireMountain, 0.55, 0xFFA060},
    {"last citadel", lastCitadel, 0.55, 0xFFC080},
    {"starry night", starryNight, 0.5, 0xB0C0FF},
    {"trophy hall", trophyHall, 0.6, 0xFFD090},
};
constexpr int kBackdropCount = sizeof kBackdrops / sizeof kBackdrops[0];
static_assert(kBackdropCount == 18, "backdrops 0..17");

Image paintBackdrop(int n)
{
    srand15(4000u + static_cast<uint32_t>(n) * 97u);
    Image img = drawPicture(W, H, 2, [n](cairo_t* cr) {
        setColour(cr, 0x000000);
        cairo_paint(cr);
        kBackdrops[n].paint(cr);
        topLeftLight(cr, kBackdrops[n].light, 0.12);
        vignette(cr, kBackdrops[n].vignette);
    });
    for (size_t i = 3; i < img.rgba.size(); i += 4) img.rgba[i] = 255;
    return img;
}

}  // namespace

bool genBackdrops(const char*, const char* outDir)
{
    const char* preview = std::getenv("OSTRIMAR_ART_PREVIEW");
    // Contact sheet: the eighteen pictures at a quarter of their size, six to a row.
    Image sheet = makeImage(6 * W / 4, 3 * H / 4, 0x000000, 255);
    for (int n = 0; n < kBackdropCount; ++n) {
        Image img = paintBackdrop(n);
        if (img.width != W || img.height != H) {
            std::fprintf(stderr, "datagen: cannot paint backdrop %d (%s)\n", n, kBackdrops[n].label);
            return false;
        }
        std::vector<uint8_t> bytes = encodeJpegAlpha(img, 90);
        if (bytes.empty()) {
            std::fprintf(stderr, "datagen: cannot encode backdrop %d\n", n);
            return false;
        }
        char name[64];
        std::snprintf(name, sizeof name, "AnimBacks\\_a_back%d.jpg", n);
        if (!emitPicture(outDir, "jpeg.dat", name, bytes)) return false;
        if (preview) {
            char file[64];
            std::snprintf(file, sizeof file, "/backdrop%02d.png", n);
            writeBytes(std::string(preview) + file, encodePng(img));
            Image small = makeImage(W / 4, H / 4, 0, 255);
            for (int y = 0; y < H / 4; ++y)
                for (int x = 0; x < W / 4; ++x)
                    for (int c = 0; c < 4; ++c) {
                        int sum = 0;
                        for (int dy = 0; dy < 4; ++dy)
                            for (int dx = 0; dx < 4; ++dx) sum += img.at(x * 4 + dx, y * 4 + dy)[c];
                        small.at(x, y)[c] = static_cast<uint8_t>(sum / 16);
                    }
            blitCopy(sheet, small, (n % 6) * W / 4, (n / 6) * H / 4);
        }
    }
    if (preview) writeBytes(std::string(preview) + "/backdrops_sheet.png", encodePng(sheet));
    return true;
}
