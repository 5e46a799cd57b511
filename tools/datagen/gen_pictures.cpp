// Pictures of the default data set that the game shows before its archives are open, painted
// with Cairo: the title picture "splash1.jpg", the second splash "splash2.jpg", the loading
// screen "loadscreen.jpg" (800 x 600 each) and the loading bar "loadbar.tga" (472 x 72). They
// are loose files in Data because the splash screen loads them before the archives open.
//
// The loading bar is drawn at pixels (176, 529)-(648, 601) of the loading screen, revealed from
// the left as loading proceeds; the key prompt is written over its middle (pixel row 560). The
// loading screen paints the empty trough the bar fills.
#include "core/random.h"
#include "canvas.h"
#include "datagen.h"

#include <cairo-ft.h>
#include <ft2build.h>
#include FT_FREETYPE_H

#include <cmath>
#include <cstdio>
#include <string>

namespace {

constexpr int W = 800;
constexpr int H = 600;
constexpr double PI = 3.14159265358979;

double frand() { return rand15() / 32767.0; }

// The lettering face: DejaVu Serif Bold, opened with FreeType directly (the fontconfig lookup of
// Cairo's toy font API would make the output depend on the machine's font configuration). Kept
// for the whole run; italics are the same face slanted.
constexpr const char* kSerifBold = "/usr/share/fonts/truetype/dejavu/DejaVuSerif-Bold.ttf";

struct LetteringFace {
    FT_Library library = nullptr;
    FT_Face face = nullptr;
    cairo_font_face_t* cairoFace = nullptr;
};

LetteringFace lettering;

bool openLettering()
{
    if (lettering.cairoFace) return true;
    if (FT_Init_FreeType(&lettering.library) != 0) return false;
    if (FT_New_Face(lettering.library, kSerifBold, 0, &lettering.face) != 0) {
        std::fprintf(stderr, "datagen: cannot open %s (package fonts-dejavu-core)\n", kSerifBold);
        return false;
    }
    lettering.cairoFace = cairo_ft_font_face_create_for_ft_face(lettering.face, 0);
    return cairo_font_face_status(lettering.cairoFace) == CAIRO_STATUS_SUCCESS;
}

// Selects the lettering face at a size, slanted like an italic when asked.
void useLettering(cairo_t* cr, double size, bool italic)
{
    cairo_set_font_face(cr, lettering.cairoFace);
    cairo_matrix_t m;
    cairo_matrix_init_scale(&m, size, size);
    if (italic) m.xy = -0.2 * size;
    cairo_set_font_matrix(cr, &m);
}

void verticalGradient(cairo_t* cr, double y0, double y1, const uint32_t* colours, const double* stops, int n)
{
    cairo_pattern_t* p = cairo_pattern_create_linear(0, y0, 0, y1);
    for (int i = 0; i < n; ++i) addStop(p, stops[i], colours[i]);
    cairo_set_source(cr, p);
    cairo_pattern_destroy(p);
}

void sky(cairo_t* cr, uint32_t top, uint32_t middle, uint32_t horizon, double horizonY)
{
    const uint32_t c[3] = {top, middle, horizon};
    const double s[3] = {0.0, 0.55, 1.0};
    verticalGradient(cr, 0, horizonY, c, s, 3);
    cairo_paint(cr);
}

// A warm radial light (sun or moon glow).
void glow(cairo_t* cr, double x, double y, double r, uint32_t rgb, double alpha)
{
    radialLight(cr, x, y, r, rgb, alpha, 0.35, 0.45);
}

// Soft clouds: clusters of blurred ellipses, lit from the top left.
void clouds(Canvas& c, int count, double yMin, double yMax, uint32_t light, uint32_t shade, double alpha)
{
    for (int i = 0; i < count; ++i) {
        double cx = frand() * W, cy = yMin + frand() * (yMax - yMin), w = 70 + frand() * 110;
        auto body = [cx, cy, w](cairo_t* cr) {
            for (int k = 0; k < 5; ++k) {
                double ox = (k - 2) * w * 0.22, oy = -std::sin(k * 0.9) * w * 0.08;
                ellipsePath(cr, cx + ox, cy + oy, w * 0.32, w * 0.13);
            }
        };
        softShadow(c, body, 3, 5, 10, shade, alpha * 0.6);
        softShadow(c, body, 0, 0, 8, light, alpha);
    }
}

// A ridge of hills or mountains across the picture: a sum of waves above baseY, filled with a
// vertical gradient, with a lighter rim along its top-left slopes.
void ridge(Canvas& c, double baseY, double amp, double freq, double phase, double sharp, uint32_t top, uint32_t bottom,
           double rimAlpha)
{
    cairo_t* cr = c.cr;
    auto height = [&](double x) {
        double t = x / W * freq * 2 * PI + phase;
        double v = std::sin(t) * 0.6 + std::sin(t * 2.3 + 1.7) * 0.25 + std::sin(t * 5.1 + 0.4) * 0.15;
        if (sharp > 0) v = v * (1 - sharp) + (1 - std::fabs(std::sin(t * 0.5 + 0.8))) * sharp * 1.4;
        return baseY - amp * v;
    };
    auto path = [&](cairo_t* p) {
        cairo_move_to(p, -10, H + 10);
        for (int x = -10; x <= W + 10; x += 4) cairo_line_to(p, x, height(x));
        cairo_line_to(p, W + 10, H + 10);
        cairo_close_path(p);
    };
    path(cr);
    const uint32_t cols[2] = {top, bottom};
    const double stops[2] = {0, 1};
    verticalGradient(cr, baseY - amp * 1.2, std::fmin(H, baseY + 160), cols, stops, 2);
    cairo_fill(cr);
    if (rimAlpha > 0) {
        cairo_move_to(cr, -10, height(-10));
        for (int x = -10; x <= W + 10; x += 4) cairo_line_to(cr, x, height(x) + 1.2);
        setColour(cr, shadeColour(top, 1.35), rimAlpha);
        cairo_set_line_width(cr, 2.0);
        cairo_stroke(cr);
    }
}

// A soft round tree: a dark trunk and a crown of overlapping discs, lit from the top left.
void tree(cairo_t* cr, double x, double y, double size, uint32_t leaf)
{
    setColour(cr, 0x3A2614);
    cairo_rectangle(cr, x - size * 0.07, y - size * 0.35, size * 0.14, size * 0.4);
    cairo_fill(cr);
    for (int k = 0; k < 4; ++k) {
        double ox = (k - 1.5) * size * 0.18, oy = -size * (0.55 + 0.12 * std::sin(k * 1.7));
        double r = size * (0.32 - 0.03 * (k % 2));
        cairo_pattern_t* p = cairo_pattern_create_radial(x + ox - r * 0.4, y + oy - r * 0.5, r * 0.1, x + ox, y + oy, r);
        addStop(p, 0, shadeColour(leaf, 1.45));
        addStop(p, 0.6, leaf);
        addStop(p, 1, shadeColour(leaf, 0.6));
        cairo_set_source(cr, p);
        cairo_arc(cr, x + ox, y + oy, r, 0, 2 * PI);
        cairo_fill(cr);
        cairo_pattern_destroy(p);
    }
}

// A pointed fir for the far woods.
void fir(cairo_t* cr, double x, double y, double size, uint32_t colour)
{
    cairo_move_to(cr, x, y - size);
    cairo_line_to(cr, x + size * 0.3, y);
    cairo_line_to(cr, x - size * 0.3, y);
    cairo_close_path(cr);
    setColour(cr, colour);
    cairo_fill(cr);
}

// The old citadel on its hill, in the haze of the distance.
void citadel(cairo_t* cr, double x, double y, double s, uint32_t colour, uint32_t windowGlow)
{
    setColour(cr, colour);
    const double towers[][3] = {{-40, 38, 12}, {-18, 58, 14}, {6, 76, 16}, {30, 50, 12}, {50, 34, 10}};
    cairo_rectangle(cr, x - 48 * s, y - 26 * s, 108 * s, 26 * s);
    cairo_fill(cr);
    for (auto& t : towers) {
        double tx = x + t[0] * s, h = t[1] * s, w = t[2] * s;
        cairo_rectangle(cr, tx - w / 2, y - h, w, h);
        cairo_move_to(cr, tx - w * 0.65, y - h);
        cairo_line_to(cr, tx, y - h - w * 1.3);
        cairo_line_to(cr, tx + w * 0.65, y - h);
        cairo_close_path(cr);
        cairo_fill(cr);
    }
    // battlements
    for (int i = 0; i < 9; ++i) cairo_rectangle(cr, x - 46 * s + i * 12 * s, y - 30 * s, 6 * s, 5 * s);
    cairo_fill(cr);
    setColour(cr, windowGlow, 0.85);
    for (auto& t : towers) {
        cairo_rectangle(cr, x + t[0] * s - 1.2 * s, y - t[1] * s * 0.7, 2.4 * s, 4 * s);
        cairo_fill(cr);
    }
}

// The river: a band winding from the bottom of the picture to the horizon, narrowing with
// distance, with soft light on the water and glints.
void river(Canvas& c, double horizonY, double endX, uint32_t deep, uint32_t light, uint32_t glint)
{
    cairo_t* cr = c.cr;
    const int N = 60;
    double lx[N + 1], rx[N + 1], ys[N + 1];
    for (int i = 0; i <= N; ++i) {
        double t = double(i) / N;  // 0 at the bottom, 1 at the horizon
        double y = H + 20 - (H + 20 - horizonY) * std::pow(t, 0.8);
        double centre = W * 0.42 + std::sin(t * 5.2 + 0.3) * 150 * (1 - t) + (endX - W * 0.42) * t;
        double half = 120 * std::pow(1 - t, 1.6) + 3;
        lx[i] = centre - half;
        rx[i] = centre + half;
        ys[i] = y;
    }
    auto band = [&](cairo_t* p) {
        cairo_move_to(p, lx[0], ys[0]);
        for (int i = 1; i <= N; ++i) cairo_line_to(p, lx[i], ys[i]);
        for (int i = N; i >= 0; --i) cairo_line_to(p, rx[i], ys[i]);
        cairo_close_path(p);
    };
    softShadow(c, band, 0, 2, 6, 0x1A2A18, 0.5);
    band(cr);
    const uint32_t cols[3] = {light, shadeColour(deep, 1.1), deep};
    const double stops[3] = {0, 0.4, 1};
    verticalGradient(cr, horizonY, H, cols, stops, 3);
    cairo_fill(cr);
    // glints along the water, thinning with distance
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    for (int k = 0; k < 70; ++k) {
        int i = int(frand() * (N - 2));
        double t = frand();
        double x = lx[i] + (rx[i] - lx[i]) * (0.15 + 0.7 * t);
        double len = (rx[i] - lx[i]) * 0.12;
        setColour(cr, glint, 0.25 + 0.4 * frand());
        cairo_set_line_width(cr, 1.0 + 2.0 * (1.0 - double(i) / N));
        cairo_move_to(cr, x - len / 2, ys[i]);
        cairo_line_to(cr, x + len / 2, ys[i]);
        cairo_stroke(cr);
    }
    // banks: a soft darker edge
    cairo_set_line_width(cr, 2.0);
    for (int side = 0; side < 2; ++side) {
        double* xs = side ? rx : lx;
        cairo_move_to(cr, xs[0], ys[0]);
        for (int i = 1; i <= N; ++i) cairo_line_to(cr, xs[i], ys[i]);
        setColour(cr, 0x2E4A26, 0.6);
        cairo_stroke(cr);
    }
}

// Large lettering: gold with a dark outline, a soft shadow to the bottom right and a light rim.
void goldTitle(Canvas& c, const char* text, double cx, double baseline, double size, bool italic)
{
    cairo_t* cr = c.cr;
    useLettering(cr, size, italic);
    cairo_text_extents_t ext;
    cairo_text_extents(cr, text, &ext);
    double x = cx - ext.width / 2 - ext.x_bearing;
    auto path = [&](cairo_t* p) {
        useLettering(p, size, italic);
        cairo_move_to(p, x, baseline);
        cairo_text_path(p, text);
    };
    softShadow(c, path, size * 0.04, size * 0.06, size * 0.08, 0x1A0C04, 0.75);
    softGlow(c, path, size * 0.2, 0xFFB040, 0.25);
    path(cr);
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
    setColour(cr, 0x3A1E08);
    cairo_set_line_width(cr, size * 0.075);
    cairo_stroke_preserve(cr);
    cairo_pattern_t* g = cairo_pattern_create_linear(0, baseline - ext.height, 0, baseline + ext.y_bearing + ext.height);
    addStop(g, 0.0, 0xFFF6C8);
    addStop(g, 0.45, 0xF4C850);
    addStop(g, 0.55, 0xD9962A);
    addStop(g, 1.0, 0xF0C060);
    cairo_set_source(cr, g);
    cairo_fill(cr);
    cairo_pattern_destroy(g);
    // a thin light rim on the upper edges
    cairo_save(cr);
    path(cr);
    cairo_clip(cr);
    cairo_translate(cr, -size * 0.012, -size * 0.018);
    path(cr);
    cairo_set_line_width(cr, size * 0.02);
    setColour(cr, 0xFFFBE6, 0.55);
    cairo_stroke(cr);
    cairo_restore(cr);
}

// Smaller lettering in cream with a soft dark shadow.
void creamText(Canvas& c, const char* text, double cx, double baseline, double size, bool italic)
{
    cairo_t* cr = c.cr;
    auto path = [&](cairo_t* p) {
        useLettering(p, size, italic);
        cairo_text_extents_t ext;
        cairo_text_extents(p, text, &ext);
        cairo_move_to(p, cx - ext.width / 2 - ext.x_bearing, baseline);
        cairo_text_path(p, text);
    };
    softShadow(c, path, 1.5, 2.5, 4, 0x140a04, 0.85);
    path(cr);
    setColour(cr, 0x2A1608);
    cairo_set_line_width(cr, size * 0.08);
    cairo_stroke_preserve(cr);
    setColour(cr, 0xFFF0CC);
    cairo_fill(cr);
}

// A gentle darkening toward the corners that draws the eye to the middle.
void vignette(cairo_t* cr, double strength)
{
    cairo_pattern_t* p = cairo_pattern_create_radial(W / 2.0, H * 0.45, H * 0.35, W / 2.0, H * 0.45, W * 0.75);
    addStop(p, 0, 0x000000, 0.0);
    addStop(p, 1, 0x0A0604, strength);
    cairo_set_source(cr, p);
    cairo_paint(cr);
    cairo_pattern_destroy(p);
}

// The land shared by the title and the loading screen: mountains, the citadel, hills, woods and
// the river road running into the distance.
void landscape(Canvas& c, double horizon, bool evening)
{
    cairo_t* cr = c.cr;
    ridge(c, horizon - 40, 70, 1.3, 0.6, 0.5, evening ? 0x5C5C8E : 0x7C86B8, evening ? 0x8A78A0 : 0xB8B4D0, 0.35);
    // the citadel stands on a hill of its own in the distance
    double cx = evening ? 600 : 680, cs = evening ? 0.85 : 0.7, cy = horizon - 34;
    cairo_save(cr);
    cairo_translate(cr, cx, cy + 26);
    cairo_scale(cr, 95 * cs * 1.4, 30);
    cairo_arc(cr, 0, 0, 1, PI, 2 * PI);
    cairo_restore(cr);
    setColour(cr, evening ? 0x5A5A8C : 0x7882B4);
    cairo_fill(cr);
    citadel(cr, cx, cy, cs, evening ? 0x4E4A78 : 0x6C70A0, evening ? 0xFFD070 : 0xFFE6A0);
    ridge(c, horizon - 5, 45, 2.1, 2.2, 0.2, evening ? 0x4A6A5A : 0x5E8E64, evening ? 0x5E7C6A : 0x86AA7A, 0.3);
    for (int i = 0; i < 60; ++i) {
        double x = frand() * W, s = 14 + frand() * 12;
        fir(cr, x, horizon + 8 + frand() * 14, s, evening ? 0x2E4A40 : 0x3C6A48);
    }
    ridge(c, horizon + 60, 38, 1.6, 4.0, 0.0, evening ? 0x4E7A3E : 0x6EA84A, evening ? 0x2E4A26 : 0x3E6A2E, 0.45);
    river(c, horizon + 2, 470, evening ? 0x25507A : 0x2F6FA8, evening ? 0xE8B890 : 0xCFE8F0, evening ? 0xFFE2B0 : 0xFFFFFF);
    for (int i = 0; i < 16; ++i) {
        double side = i % 2 ? 1 : -1;
        double x = W / 2.0 + side * (200 + frand() * 230), y = horizon + 90 + frand() * 90;
        tree(cr, x, y, 40 + (y - horizon) * 0.35, evening ? 0x2F5A2A : 0x3E7E34);
    }
    // framing hills in the foreground
    ridge(c, H - 20, 55, 0.9, 1.1, 0.0, evening ? 0x2A4222 : 0x35602A, evening ? 0x16240F : 0x1C3414, 0.4);
    for (int i = 0; i < 7; ++i) {
        double x = i < 4 ? 20 + i * 55 : W - 20 - (i - 4) * 60, y = H - 30 + frand() * 20;
        tree(cr, x, y, 80 + frand() * 30, evening ? 0x24441E : 0x2E5C26);
    }
}

Image titlePicture()
{
    srand15(1207);
    Canvas c;
    if (!canvasCreate(c, W, H, 2)) return Image();
    cairo_t* cr = c.cr;
    const double horizon = 340;
    sky(cr, 0x24407A, 0xE8A27C, 0xFFE0A8, horizon + 40);
    glow(cr, 600, horizon - 70, 260, 0xFFE8B0, 0.85);
    clouds(c, 9, 60, 250, 0xFFF2E0, 0xC07868, 0.55);
    landscape(c, horizon, false);
    vignette(cr, 0.45);
    goldTitle(c, "Ostrimar", W / 2.0, 190, 132, false);
    creamText(c, "Treasures of the River Road", W / 2.0, 246, 30, true);
    Image img = canvasResolve(c);
    canvasDestroy(c);
    return img;
}

// The second splash: a night over the lake, the artefact's light rising over the citadel.
Image secondSplash()
{
    srand15(31);
    Canvas c;
    if (!canvasCreate(c, W, H, 2)) return Image();
    cairo_t* cr = c.cr;
    const double horizon = 360;
    sky(cr, 0x0C1434, 0x283C74, 0x5E6EA0, horizon + 30);
    for (int i = 0; i < 140; ++i) {
        double x = frand() * W, y = frand() * horizon * 0.8, r = 0.5 + frand() * 1.3;
        setColour(cr, 0xF4F0FF, 0.3 + frand() * 0.6);
        cairo_arc(cr, x, y, r, 0, 2 * PI);
        cairo_fill(cr);
    }
    glow(cr, 400, 150, 230, 0xB8D8FF, 0.55);
    // the artefact: a star of blue-white light
    auto star = [](cairo_t* p) { starPath(p, 400, 140, 34, 12, 8, -PI / 2); };
    softGlow(c, star, 30, 0xA8D0FF, 0.8);
    starPath(cr, 400, 140, 34, 12, 8, -PI / 2);
    setColour(cr, 0xF4FAFF);
    cairo_fill(cr);
    ridge(c, horizon - 20, 50, 1.1, 2.0, 0.4, 0x1E2650, 0x303A68, 0.3);
    citadel(cr, 400, horizon - 34, 1.2, 0x181E40, 0xFFCA60);
    // the lake mirrors the sky
    cairo_rectangle(cr, 0, horizon, W, H - horizon);
    const uint32_t cols[3] = {0x4A5C90, 0x1E2A58, 0x0C1230};
    const double stops[3] = {0, 0.3, 1};
    verticalGradient(cr, horizon, H, cols, stops, 3);
    cairo_fill(cr);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    for (int i = 0; i < 60; ++i) {
        double y = horizon + 6 + frand() * 220, spread = 20 + (y - horizon) * 0.5;
        double x = 400 + (frand() - 0.5) * spread;
        setColour(cr, 0xD8E8FF, 0.2 + 0.5 * frand() * (1 - (y - horizon) / 260));
        cairo_set_line_width(cr, 1.5);
        cairo_move_to(cr, x - 10 - frand() * 20, y);
        cairo_line_to(cr, x + 10 + frand() * 20, y);
        cairo_stroke(cr);
    }
    ridge(c, H - 10, 60, 0.8, 0.3, 0.0, 0x121A30, 0x080C18, 0.25);
    vignette(cr, 0.5);
    creamText(c, "Fifteen lands. One river road.", W / 2.0, 470, 34, true);
    creamText(c, "Every level wins back a piece of the lost artefact.", W / 2.0, 515, 20, false);
    Image img = canvasResolve(c);
    canvasDestroy(c);
    return img;
}

// Bar geometry in the loading screen (pixels): where the 472 x 72 bar picture is drawn and the
// slim glowing band inside it.
constexpr double BAR_X = 176, BAR_Y = 529, BAR_W = 472, BAR_H = 72;
constexpr double BAND_Y = 21, BAND_H = 30;  // inside the bar picture

Image loadingScreen()
{
    srand15(77);
    Canvas c;
    if (!canvasCreate(c, W, H, 2)) return Image();
    cairo_t* cr = c.cr;
    const double horizon = 330;
    sky(cr, 0x2A2E66, 0xC8707A, 0xFFC890, horizon + 40);
    glow(cr, 240, horizon - 30, 240, 0xFFC080, 0.8);
    clouds(c, 8, 50, 230, 0xFFD6C0, 0x7A4A6A, 0.5);
    landscape(c, horizon, true);
    vignette(cr, 0.4);
    goldTitle(c, "Ostrimar", W / 2.0, 118, 84, false);
    // the wooden panel across the bottom with a gold trim
    double panelY = 508;
    auto panel = [&](cairo_t* p) { cairo_rectangle(p, -10, panelY, W + 20, H - panelY + 10); };
    softShadow(c, panel, 0, -4, 12, 0x000000, 0.6);
    panel(cr);
    const uint32_t wood[3] = {0x5A3218, 0x3E2010, 0x2A140A};
    const double ws[3] = {0, 0.5, 1};
    verticalGradient(cr, panelY, H, wood, ws, 3);
    cairo_fill(cr);
    for (int i = 0; i < 26; ++i) {  // grain
        double y = panelY + 6 + frand() * (H - panelY - 8);
        setColour(cr, frand() < 0.5 ? 0x6A3C1E : 0x24120A, 0.25 + 0.2 * frand());
        cairo_set_line_width(cr, 0.8 + frand());
        cairo_move_to(cr, 0, y);
        for (int x = 0; x <= W; x += 40) cairo_line_to(cr, x, y + std::sin(x * 0.02 + i) * 1.5);
        cairo_stroke(cr);
    }
    setColour(cr, 0xE8B850);
    cairo_rectangle(cr, 0, panelY, W, 2.5);
    cairo_fill(cr);
    setColour(cr, 0x7A5418);
    cairo_rectangle(cr, 0, panelY + 2.5, W, 1.5);
    cairo_fill(cr);
    // the trough the bar fills: recessed, with a gold rim
    double tx = BAR_X - 2, ty = BAR_Y + BAND_Y - 4, tw = BAR_W + 4, th = BAND_H + 8;
    roundedRect(cr, tx - 4, ty - 4, tw + 8, th + 8, (th + 8) / 2);
    cairo_pattern_t* rim = cairo_pattern_create_linear(0, ty - 4, 0, ty + th + 4);
    addStop(rim, 0, 0xFFE8A0);
    addStop(rim, 0.5, 0xB07A28);
    addStop(rim, 1, 0x6A4210);
    cairo_set_source(cr, rim);
    cairo_fill(cr);
    cairo_pattern_destroy(rim);
    roundedRect(cr, tx, ty, tw, th, th / 2);
    const uint32_t inner[2] = {0x0E0604, 0x2A1A10};
    const double is[2] = {0, 1};
    verticalGradient(cr, ty, ty + th, inner, is, 2);
    cairo_fill(cr);
    Image img = canvasResolve(c);
    canvasDestroy(c);
    return img;
}

// The bar: a glowing band of molten gold with a glossy top, transparent around it, so that
// only the band shows in the trough as it is revealed from the left.
Image loadingBar()
{
    srand15(5);
    Canvas c;
    if (!canvasCreate(c, int(BAR_W), int(BAR_H), 4)) return Image();
    cairo_t* cr = c.cr;
    const double x = 2, y = BAND_Y, w = BAR_W - 4, h = BAND_H;
    auto band = [&](cairo_t* p) { roundedRect(p, x, y, w, h, h / 2); };
    softGlow(c, band, 10, 0xFFA030, 0.55);
    band(cr);
    cairo_pattern_t* g = cairo_pattern_create_linear(0, y, 0, y + h);
    addStop(g, 0, 0xFFF2B0);
    addStop(g, 0.35, 0xFFC440);
    addStop(g, 0.7, 0xE08A18);
    addStop(g, 1, 0xA85A0C);
    cairo_set_source(cr, g);
    cairo_fill(cr);
    cairo_pattern_destroy(g);
    // slow waves of light along the band
    cairo_save(cr);
    band(cr);
    cairo_clip(cr);
    for (int i = 0; i < 12; ++i) {
        double cx = x + 20 + i * (w - 40) / 11.0;
        glow(cr, cx, y + h * 0.55, 22, 0xFFF0A0, 0.35);
    }
    // glossy highlight on the upper half
    roundedRect(cr, x + 6, y + 3, w - 12, h * 0.38, h * 0.19);
    cairo_pattern_t* gl = cairo_pattern_create_linear(0, y + 3, 0, y + 3 + h * 0.38);
    addStop(gl, 0, 0xFFFFFF, 0.75);
    addStop(gl, 1, 0xFFFFFF, 0.05);
    cairo_set_source(cr, gl);
    cairo_fill(cr);
    cairo_pattern_destroy(gl);
    cairo_restore(cr);
    // sparkles
    for (int i = 0; i < 18; ++i) {
        double sx = x + 10 + frand() * (w - 20), sy = y + 4 + frand() * (h - 8), r = 1.5 + frand() * 2.5;
        starPath(cr, sx, sy, r * 2.2, r * 0.5, 4, frand() * PI);
        setColour(cr, 0xFFFFF0, 0.6 + 0.3 * frand());
        cairo_fill(cr);
    }
    // a darker outline one pixel inside the edge
    band(cr);
    setColour(cr, 0x7A4008, 0.8);
    cairo_set_line_width(cr, 1.2);
    cairo_stroke(cr);
    Image img = canvasResolve(c);
    canvasDestroy(c);
    return img;
}

bool writeJpeg(const std::string& path, const Image& img)
{
    std::vector<uint8_t> bytes = encodeJpeg(img, 92);
    return !bytes.empty() && writeBytes(path, bytes);
}

}  // namespace

bool genPictures(const char*, const char* outDir)
{
    const std::string out = outDir;
    if (!openLettering()) return false;
    Image title = titlePicture(), second = secondSplash(), screen = loadingScreen(), bar = loadingBar();
    if (title.width != W || second.width != W || screen.width != W || bar.width != int(BAR_W)) return false;
    std::vector<uint8_t> barTga = encodeTga(bar, true);
    return writeJpeg(out + "/splash1.jpg", title) && writeJpeg(out + "/splash2.jpg", second) &&
           writeJpeg(out + "/loadscreen.jpg", screen) && !barTga.empty() && writeBytes(out + "/loadbar.tga", barTga);
}
