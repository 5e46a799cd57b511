// Board pieces of the default data set (everything on the game screen except the figures and
// the font): tiles, chain, bonus marks, flare and text glow, hammer panel, left bar, candle set,
// heart, screen-transition shutter, trophy button and the two cursors.
//
// Pictures the game reads after the archives are open go into "targa.dat" (TGA) and "jpeg.dat"
// (JPEG and JPEG-with-alpha); the cursors are loose files because the window's cursor is set
// before the archives are opened.
#include "core/random.h"
#include "boardart.h"
#include "canvas.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>

namespace {

constexpr double kPi = 3.14159265358979323846;

double frand() { return rand15() / double(RAND15_MAX); }

const char* gPreview = nullptr;

bool put(const char* outDir, const char* archive, const char* name, const Image& img, bool jpeg, bool alpha)
{
    if (img.width == 0) return false;
    std::vector<uint8_t> bytes;
    if (jpeg)
        bytes = alpha ? encodeJpegAlpha(img, 92) : encodeJpeg(img, 92);
    else
        bytes = encodeTga(img, true, true);
    if (gPreview) {
        std::string n = name;
        std::replace(n.begin(), n.end(), '\\', '_');
        Image shown = img;
        if (jpeg && !alpha)
            for (size_t i = 3; i < shown.rgba.size(); i += 4) shown.rgba[i] = 255;
        writeBytes(std::string(gPreview) + "/" + n + ".png", encodePng(shown));
    }
    return emitPicture(outDir, archive, name, bytes);
}

void fillPattern(cairo_t* cr, cairo_pattern_t* p)
{
    cairo_set_source(cr, p);
    cairo_fill(cr);
    cairo_pattern_destroy(p);
}

cairo_pattern_t* linear(double x0, double y0, double x1, double y1, std::initializer_list<std::pair<double, uint32_t>> stops,
                        double alpha = 1)
{
    cairo_pattern_t* p = cairo_pattern_create_linear(x0, y0, x1, y1);
    for (auto& s : stops) addStop(p, s.first, s.second, alpha);
    return p;
}

// Brass / gold material: a diagonal gradient with a bright streak.
cairo_pattern_t* goldPattern(double x0, double y0, double x1, double y1)
{
    return linear(x0, y0, x1, y1, {{0, 0xFFF0B0}, {0.3, 0xE8B84A}, {0.55, 0xB07A1E}, {0.8, 0xE0AE46}, {1, 0x7A4E10}});
}

// Speckles of lighter and darker stone inside the current clip.
void speckle(cairo_t* cr, double w, double h, int count, uint32_t light, uint32_t dark, double alpha)
{
    for (int i = 0; i < count; ++i) {
        double x = frand() * w, y = frand() * h, r = 0.4 + frand() * 1.4;
        setColour(cr, (i % 2) ? light : dark, alpha * (0.3 + 0.7 * frand()));
        cairo_arc(cr, x, y, r, 0, 2 * kPi);
        cairo_fill(cr);
    }
}

// ---------------------------------------------------------------------------------------------
// Tiles: 64 x 64, drawn 56 units wide on a 54-unit pitch, so they meet edge to edge.

Image tileBare()
{
    srand15(101);
    return drawPicture(64, 64, 4, [](cairo_t* cr) {
        roundedRect(cr, 0.5, 0.5, 63, 63, 7);
        fillPattern(cr, linear(0, 0, 64, 64, {{0, 0x4A4450}, {1, 0x2A2630}}, 0.92));
        // Recessed slot: darker floor, shadow on the upper-left inner edge.
        roundedRect(cr, 5, 5, 54, 54, 6);
        fillPattern(cr, linear(0, 0, 64, 64, {{0, 0x17141C}, {1, 0x2A2530}}, 0.95));
        cairo_save(cr);
        roundedRect(cr, 5, 5, 54, 54, 6);
        cairo_clip(cr);
        speckle(cr, 64, 64, 60, 0x5A5462, 0x0C0A10, 0.35);
        cairo_set_line_width(cr, 3);
        roundedRect(cr, 4, 4, 56, 56, 7);
        setColour(cr, 0x000000, 0.45);
        cairo_stroke(cr);
        cairo_restore(cr);
        // Worn rim: light on the lower-right (it faces the light inside the recess).
        cairo_set_line_width(cr, 1);
        usePattern(cr, linear(0, 0, 64, 64, {{0, 0x0A080C}, {0.5, 0x3A3442}, {1, 0x9A94A4}}));
        roundedRect(cr, 5.5, 5.5, 53, 53, 6);
        cairo_stroke(cr);
        roundedRect(cr, 0.5, 0.5, 63, 63, 7);
        setColour(cr, 0x141018, 0.9);
        cairo_stroke(cr);
    });
}

// A raised plate with a bevel lit from the top left.
void bevelPlate(cairo_t* cr, double inset, double radius, uint32_t face0, uint32_t face1, double bevel)
{
    double s = 64 - 2 * inset;
    roundedRect(cr, inset, inset, s, s, radius);
    fillPattern(cr, linear(inset, inset, inset + s, inset + s, {{0, shadeColour(face0, 1.35)}, {0.5, face0}, {1, shadeColour(face1, 0.6)}}));
    roundedRect(cr, inset + bevel, inset + bevel, s - 2 * bevel, s - 2 * bevel, std::max(1.0, radius - bevel));
    fillPattern(cr, linear(inset, inset, inset + s, inset + s, {{0, face0}, {1, face1}}));
}

Image tileSquare()
{
    srand15(202);
    return drawPicture(64, 64, 4, [](cairo_t* cr) {
        roundedRect(cr, 0.5, 0.5, 63, 63, 7);
        setColour(cr, 0x2A1A10, 0.95);
        cairo_fill(cr);
        bevelPlate(cr, 1.5, 7, 0xD8A860, 0x9A6A34, 3.5);
        cairo_save(cr);
        roundedRect(cr, 5, 5, 54, 54, 5);
        cairo_clip(cr);
        speckle(cr, 64, 64, 50, 0xF6D8A0, 0x7A5028, 0.35);
        cairo_restore(cr);
        // Carved groove: a dark line with a light line just below-right of it.
        cairo_set_line_width(cr, 1.3);
        roundedRect(cr, 8, 8, 48, 48, 4);
        setColour(cr, 0x5A3A18, 0.85);
        cairo_stroke(cr);
        roundedRect(cr, 9, 9, 48, 48, 4);
        setColour(cr, 0xFFE6B0, 0.45);
        cairo_set_line_width(cr, 0.8);
        cairo_stroke(cr);
        // Small carved diamonds in the corners.
        for (int i = 0; i < 4; ++i) {
            double x = (i % 2) ? 56.5 : 7.5, y = (i / 2) ? 56.5 : 7.5;
            regularPolygon(cr, x, y, 2.6, 4, 0);
            setColour(cr, 0x6A4620, 0.9);
            cairo_fill(cr);
        }
        roundedRect(cr, 1.5, 1.5, 61, 61, 7);
        cairo_set_line_width(cr, 1.2);
        setColour(cr, 0x3A2410, 0.9);
        cairo_stroke(cr);
    });
}

Image tileDual()
{
    srand15(303);
    return drawPicture(64, 64, 4, [](cairo_t* cr) {
        roundedRect(cr, 0.5, 0.5, 63, 63, 7);
        setColour(cr, 0x140C18, 0.95);
        cairo_fill(cr);
        bevelPlate(cr, 1.5, 7, 0x9A3048, 0x4A0E22, 3.0);
        cairo_save(cr);
        roundedRect(cr, 5, 5, 54, 54, 5);
        cairo_clip(cr);
        speckle(cr, 64, 64, 40, 0xE08090, 0x300818, 0.3);
        cairo_restore(cr);
        // Two gold frames.
        for (int k = 0; k < 2; ++k) {
            double in = k ? 7.6 : 3.6;
            roundedRect(cr, in + 0.6, in + 0.6, 64 - 2 * in, 64 - 2 * in, k ? 4 : 6);
            setColour(cr, 0x000000, 0.45);
            cairo_set_line_width(cr, 2.2);
            cairo_stroke(cr);
            roundedRect(cr, in, in, 64 - 2 * in, 64 - 2 * in, k ? 4 : 6);
            usePattern(cr, goldPattern(0, 0, 64, 64));
            cairo_stroke(cr);
        }
        // Gem studs at the corners.
        for (int i = 0; i < 4; ++i) {
            double x = (i % 2) ? 57 : 7, y = (i / 2) ? 57 : 7;
            cairo_arc(cr, x, y, 3.0, 0, 2 * kPi);
            usePattern(cr, goldPattern(x - 3, y - 3, x + 3, y + 3));
            cairo_fill(cr);
            cairo_pattern_t* g = cairo_pattern_create_radial(x - 0.6, y - 0.6, 0.2, x, y, 2);
            addStop(g, 0, 0xFFD0E0);
            addStop(g, 1, 0xC02040);
            cairo_arc(cr, x, y, 1.9, 0, 2 * kPi);
            fillPattern(cr, g);
        }
        roundedRect(cr, 1.5, 1.5, 61, 61, 7);
        cairo_set_line_width(cr, 1.2);
        setColour(cr, 0x0A0620, 0.9);
        cairo_stroke(cr);
    });
}

// ---------------------------------------------------------------------------------------------
// Chain: a "+" of iron links (the game turns it by 45 degrees, so it lies across the figure
// as an X), 128 x 128, drawn 70 units wide.

void linkFaceOn(cairo_t* cr, double x, double y, bool horizontal)
{
    cairo_save(cr);
    cairo_translate(cr, x, y);
    if (!horizontal) cairo_rotate(cr, kPi / 2);
    cairo_scale(cr, 1.0, 0.62);
    cairo_new_sub_path(cr);
    cairo_arc(cr, 0, 0, 11, 0, 2 * kPi);
    cairo_restore(cr);
}

Image chainPicture()
{
    Canvas c;
    if (!canvasCreate(c, 128, 128, 2)) return Image{};
    cairo_t* cr = c.cr;
    auto links = [&](cairo_t* k, bool horizontal, bool faceOn) {
        for (int i = 0; i < 7; ++i) {
            double t = 10 + i * 18;
            if (std::fabs(t - 64) < 12) continue;  // the centre ring sits there
            bool face = (i % 2) == 0;
            if (face != faceOn) continue;
            double x = horizontal ? t : 64, y = horizontal ? 64 : t;
            if (face) {
                linkFaceOn(k, x, y, horizontal);
            } else {
                if (horizontal)
                    roundedRect(k, x - 11.5, y - 3.6, 23, 7.2, 3.6);
                else
                    roundedRect(k, x - 3.6, y - 11.5, 7.2, 23, 3.6);
            }
        }
    };
    auto iron = [&](cairo_t* k) {
        usePattern(k, linear(0, 0, 128, 128, {{0, 0xA8B0C0}, {0.45, 0x5A606E}, {1, 0x262A32}}));
    };
    auto allShapes = [&](cairo_t* k) {
        cairo_set_line_width(k, 6.4);
        for (int h = 0; h < 2; ++h) {
            links(k, h, true);
            cairo_stroke(k);
            links(k, h, false);
            cairo_fill(k);
        }
        cairo_new_path(k);
        cairo_arc(k, 64, 64, 10.5, 0, 2 * kPi);
        cairo_stroke(k);
        cairo_new_path(k);
    };
    // Soft shadow: a few offset translucent copies.
    for (int i = 0; i < 4; ++i) {
        cairo_save(cr);
        cairo_translate(cr, 1.5 + i * 0.6, 2 + i * 0.6);
        setColour(cr, 0x000000, 0.16);
        allShapes(cr);
        cairo_restore(cr);
    }
    for (int h = 0; h < 2; ++h) {
        // Dark outline first, then the iron body, then a highlight line.
        cairo_set_line_width(cr, 7.6);
        links(cr, h, true);
        setColour(cr, 0x101216);
        cairo_stroke(cr);
        cairo_set_line_width(cr, 5.6);
        links(cr, h, true);
        iron(cr);
        cairo_stroke(cr);
        cairo_set_line_width(cr, 1.0);
        cairo_save(cr);
        cairo_translate(cr, -0.8, -0.8);
        links(cr, h, true);
        setColour(cr, 0xE0E6F0, 0.55);
        cairo_stroke(cr);
        cairo_restore(cr);
        links(cr, h, false);
        iron(cr);
        cairo_fill_preserve(cr);
        cairo_set_line_width(cr, 1.0);
        setColour(cr, 0x101216);
        cairo_stroke(cr);
    }
    cairo_new_path(cr);
    cairo_set_line_width(cr, 8.0);
    cairo_arc(cr, 64, 64, 10.5, 0, 2 * kPi);
    setColour(cr, 0x101216);
    cairo_stroke(cr);
    cairo_set_line_width(cr, 6.0);
    cairo_arc(cr, 64, 64, 10.5, 0, 2 * kPi);
    iron(cr);
    cairo_stroke(cr);
    cairo_set_line_width(cr, 1.0);
    cairo_arc(cr, 63.2, 63.2, 11.2, kPi, 1.5 * kPi);
    setColour(cr, 0xF0F4FF, 0.7);
    cairo_stroke(cr);
    Image img = canvasResolve(c);
    canvasDestroy(c);
    return img;
}

// ---------------------------------------------------------------------------------------------
// Bonus marks (64 x 64): arrowheads pointing outward, four for the cross bomb, eight for the
// mega bomb, glowing; the middle stays clear so the figure shows.

Image bonusMark(int arrows, uint32_t core, uint32_t glow)
{
    Canvas c;
    if (!canvasCreate(c, 64, 64, 4)) return Image{};
    cairo_t* cr = c.cr;
    auto arrowPath = [&](cairo_t* k) {
        for (int i = 0; i < arrows; ++i) {
            double a = -kPi / 2 + 2 * kPi * i / arrows;
            double diag = (arrows == 8 && (i % 2)) ? 0.85 : 1.0;
            double tip = 30 * diag, base = 19 * diag, half = (arrows == 8 && (i % 2)) ? 5 : 6.5;
            double ca = std::cos(a), sa = std::sin(a);
            cairo_move_to(k, 32 + ca * tip, 32 + sa * tip);
            cairo_line_to(k, 32 + ca * base - sa * half, 32 + sa * base + ca * half);
            cairo_line_to(k, 32 + ca * (base + 3), 32 + sa * (base + 3));
            cairo_line_to(k, 32 + ca * base + sa * half, 32 + sa * base - ca * half);
            cairo_close_path(k);
        }
    };
    softGlow(c, arrowPath, 5, glow, 0.9);
    cairo_new_path(cr);
    cairo_arc(cr, 32, 32, 24, 0, 2 * kPi);
    cairo_set_line_width(cr, 1.2);
    setColour(cr, glow, 0.55);
    cairo_stroke(cr);
    arrowPath(cr);
    cairo_pattern_t* g = cairo_pattern_create_radial(32, 32, 16, 32, 32, 31);
    addStop(g, 0, 0xFFFFFF);
    addStop(g, 0.5, core);
    addStop(g, 1, shadeColour(core, 0.7));
    cairo_set_source(cr, g);
    cairo_fill_preserve(cr);
    cairo_pattern_destroy(g);
    cairo_set_line_width(cr, 0.9);
    setColour(cr, shadeColour(glow, 0.35), 0.9);
    cairo_stroke(cr);
    Image img = canvasResolve(c);
    canvasDestroy(c);
    return img;
}

// ---------------------------------------------------------------------------------------------
// Additive glows on black (JPEG, no alpha): the flare and the text glow.

Image flarePicture()
{
    return drawPicture(64, 64, 2, [](cairo_t* cr) {
        setColour(cr, 0x000000);
        cairo_paint(cr);
        cairo_pattern_t* g = cairo_pattern_create_radial(32, 32, 0, 32, 32, 31);
        addStop(g, 0, 0xFFFFFF);
        addStop(g, 0.12, 0xFFFFFF, 0.95);
        addStop(g, 0.35, 0xFFFFFF, 0.45);
        addStop(g, 0.65, 0xFFFFFF, 0.12);
        addStop(g, 1, 0xFFFFFF, 0);
        cairo_set_source(cr, g);
        cairo_paint(cr);
        cairo_pattern_destroy(g);
    });
}

Image podsvetPicture()
{
    return drawPicture(128, 64, 2, [](cairo_t* cr) {
        setColour(cr, 0x000000);
        cairo_paint(cr);
        cairo_save(cr);
        cairo_translate(cr, 64, 32);
        cairo_scale(cr, 2.0, 1.0);
        cairo_pattern_t* g = cairo_pattern_create_radial(0, 0, 0, 0, 0, 31);
        addStop(g, 0, 0xFFFFFF, 0.85);
        addStop(g, 0.4, 0xFFFFFF, 0.5);
        addStop(g, 0.75, 0xFFFFFF, 0.15);
        addStop(g, 1, 0xFFFFFF, 0);
        cairo_set_source(cr, g);
        cairo_paint(cr);
        cairo_pattern_destroy(g);
        cairo_restore(cr);
    });
}

// ---------------------------------------------------------------------------------------------
// Hammer panel (64 x 128): a wooden frame with a well and a meter scale; empty, the hammer is a
// dim shape; full, the well glows and the hammer shines. The three glow pictures light the head, the handle and
// the frame in turn.

void hammerShape(cairo_t* cr, double cx, double cy, double s, double angle, bool head)
{
    cairo_save(cr);
    cairo_translate(cr, cx, cy);
    cairo_rotate(cr, angle);
    cairo_scale(cr, s, s);
    cairo_new_path(cr);
    if (head)
        roundedRect(cr, -20, -34, 40, 20, 4);
    else
        roundedRect(cr, -4, -16, 8, 66, 3.5);
    cairo_restore(cr);
}

void drawHammer(Canvas& c, double cx, double cy, double s, double angle, bool lit)
{
    cairo_t* cr = c.cr;
    softShadow(
        c,
        [&](cairo_t* k) {
            hammerShape(k, cx, cy, s, angle, false);
            hammerShape(k, cx, cy, s, angle, true);
        },
        1.5, 2, 2.5, 0x000000, lit ? 0.6 : 0.35);
    // Handle.
    hammerShape(cr, cx, cy, s, angle, false);
    if (lit)
        usePattern(cr, linear(cx - 6, 0, cx + 6, 0, {{0, 0xE0A060}, {0.5, 0xA8642C}, {1, 0x5A2E10}}));
    else
        setColour(cr, 0x3A3030, 0.85);
    cairo_fill_preserve(cr);
    setColour(cr, 0x1A0E06, 0.9);
    cairo_set_line_width(cr, 1);
    cairo_stroke(cr);
    // Gold bands on the handle.
    for (int i = 0; i < 2; ++i) {
        cairo_save(cr);
        cairo_translate(cr, cx, cy);
        cairo_rotate(cr, angle);
        cairo_scale(cr, s, s);
        cairo_new_path(cr);
        roundedRect(cr, -4.8, i ? 36 : -12, 9.6, 4, 1.2);
        cairo_restore(cr);
        if (lit)
            usePattern(cr, goldPattern(cx - 5, cy - 5, cx + 5, cy + 5));
        else
            setColour(cr, 0x4A4038, 0.9);
        cairo_fill(cr);
    }
    // Head.
    hammerShape(cr, cx, cy, s, angle, true);
    if (lit)
        usePattern(cr, linear(cx - 18, cy - 36, cx + 18, cy - 10, {{0, 0xF4F8FF}, {0.4, 0xA8B4C8}, {1, 0x4A5468}}));
    else
        setColour(cr, 0x40404A, 0.9);
    cairo_fill_preserve(cr);
    setColour(cr, 0x101018, 0.95);
    cairo_set_line_width(cr, 1.1);
    cairo_stroke(cr);
    if (lit) {
        cairo_save(cr);
        cairo_translate(cr, cx, cy);
        cairo_rotate(cr, angle);
        cairo_scale(cr, s, s);
        cairo_new_path(cr);
        cairo_move_to(cr, -17, -31);
        cairo_line_to(cr, 15, -31);
        cairo_restore(cr);
        setColour(cr, 0xFFFFFF, 0.8);
        cairo_set_line_width(cr, 1.2);
        cairo_stroke(cr);
    }
}

void panelFrame(cairo_t* cr)
{
    roundedRect(cr, 1, 1, 62, 126, 8);
    usePattern(cr, linear(0, 0, 64, 128, {{0, 0x6A3420}, {0.5, 0x4A2214}, {1, 0x2A120A}}));
    cairo_fill(cr);
    roundedRect(cr, 2.5, 2.5, 59, 123, 7);
    cairo_set_line_width(cr, 2);
    usePattern(cr, goldPattern(0, 0, 64, 128));
    cairo_stroke(cr);
}

Image hammerPanel(bool full)
{
    srand15(404);
    Canvas c;
    if (!canvasCreate(c, 64, 128, 4)) return Image{};
    cairo_t* cr = c.cr;
    panelFrame(cr);
    // The well.
    roundedRect(cr, 7, 7, 50, 114, 5);
    if (full) {
        cairo_pattern_t* g = cairo_pattern_create_radial(32, 60, 4, 32, 64, 64);
        addStop(g, 0, 0xFFE6A0);
        addStop(g, 0.5, 0xE89A30);
        addStop(g, 1, 0x8A3A10);
        fillPattern(cr, g);
    } else {
        usePattern(cr, linear(0, 0, 64, 128, {{0, 0x0E0806}, {1, 0x24140C}}));
        cairo_fill(cr);
    }
    cairo_save(cr);
    roundedRect(cr, 7, 7, 50, 114, 5);
    cairo_clip(cr);
    cairo_set_line_width(cr, 4);
    roundedRect(cr, 5, 5, 54, 118, 6);
    setColour(cr, 0x000000, 0.5);
    cairo_stroke(cr);
    cairo_restore(cr);
    drawHammer(c, 32, 66, 1.0, -0.18, full);
    // The meter's scale along the well's right edge, from the empty level (18 % of the height) to
    // the full one (88 %): short notches and a long one at "full", so a part-filled well reads as
    // a meter that is not full yet.
    for (int i = 1; i <= 10; ++i) {
        double y = 128.0 - 128.0 * (0.18 + 0.07 * i);
        cairo_new_path(cr);
        cairo_move_to(cr, i == 10 ? 42 : 49, y);
        cairo_line_to(cr, 56, y);
        cairo_set_line_width(cr, i == 10 ? 1.6 : 1.0);
        if (full)
            setColour(cr, 0x5A2208, 0.75);
        else
            usePattern(cr, goldPattern(48, y - 1, 56, y + 1));
        cairo_stroke(cr);
    }
    Image img = canvasResolve(c);
    canvasDestroy(c);
    return img;
}

Image hammerGlow(int which)
{
    Canvas c;
    if (!canvasCreate(c, 64, 128, 2)) return Image{};
    cairo_t* cr = c.cr;
    setColour(cr, 0x000000);
    cairo_paint(cr);
    auto path = [&](cairo_t* k) {
        if (which == 0) hammerShape(k, 32, 66, 1.0, -0.18, true);
        if (which == 1) hammerShape(k, 32, 66, 1.0, -0.18, false);
        if (which == 2) {
            roundedRect(k, 1, 1, 62, 126, 8);
            roundedRect(k, 5, 5, 54, 118, 6);
            cairo_set_fill_rule(k, CAIRO_FILL_RULE_EVEN_ODD);
        }
    };
    softGlow(c, path, which == 2 ? 5 : 9, which == 2 ? 0xFFC060 : 0xFFB040, 0.9);
    softGlow(c, path, 2, 0xFFF0C0, 0.5);
    Image img = canvasResolve(c);
    canvasDestroy(c);
    return img;
}

// ---------------------------------------------------------------------------------------------
// The left bar (128 x 512, JPEG with alpha): dark warm wood with gold trim, carved plaques for
// the score and level, the lives, the menu button and a slot for the hammer panel.

void woodGrain(cairo_t* cr, double w, double h, int lines)
{
    for (int i = 0; i < lines; ++i) {
        double x = frand() * w;
        double amp = 1 + frand() * 3, freq = 0.01 + frand() * 0.03, ph = frand() * 6.28;
        cairo_new_path(cr);
        for (double y = 0; y <= h; y += 4) cairo_line_to(cr, x + amp * std::sin(y * freq + ph), y);
        setColour(cr, (i % 3) ? 0x1A0804 : 0x8A4A2A, 0.08 + frand() * 0.12);
        cairo_set_line_width(cr, 0.6 + frand() * 1.6);
        cairo_stroke(cr);
    }
}

void plaque(cairo_t* cr, double x, double y, double w, double h)
{
    roundedRect(cr, x, y, w, h, h / 2.2);
    usePattern(cr, linear(0, y, 0, y + h, {{0, 0x0E0604}, {1, 0x2A140C}}));
    cairo_fill(cr);
    roundedRect(cr, x, y, w, h, h / 2.2);
    cairo_set_line_width(cr, 1.2);
    usePattern(cr, goldPattern(x, y, x + w, y + h));
    cairo_stroke(cr);
}

Image gameBar()
{
    srand15(505);
    Canvas c;
    if (!canvasCreate(c, 128, 512, 2)) return Image{};
    cairo_t* cr = c.cr;
    auto body = [](cairo_t* k) {
        cairo_new_path(k);
        cairo_move_to(k, 0, 0);
        cairo_line_to(k, 116, 0);
        cairo_line_to(k, 116, 468);
        cairo_curve_to(k, 116, 492, 96, 506, 64, 506);
        cairo_curve_to(k, 30, 506, 10, 496, 0, 486);
        cairo_close_path(k);
    };
    softShadow(c, body, 4, 3, 6, 0x000000, 0.7);
    body(cr);
    usePattern(cr, linear(0, 0, 128, 0, {{0, 0x3A160C}, {0.5, 0x5A2414}, {1, 0x3A140A}}));
    cairo_fill(cr);
    cairo_save(cr);
    body(cr);
    cairo_clip(cr);
    woodGrain(cr, 116, 512, 90);
    // Light from the top left across the panel.
    cairo_pattern_t* v = cairo_pattern_create_linear(0, 0, 128, 512);
    addStop(v, 0, 0xFFD8A8, 0.12);
    addStop(v, 0.6, 0x000000, 0.0);
    addStop(v, 1, 0x000000, 0.35);
    cairo_set_source(cr, v);
    cairo_paint(cr);
    cairo_pattern_destroy(v);
    cairo_restore(cr);
    // Gold trim along the right edge and the bottom curve, doubled.
    for (int k = 0; k < 2; ++k) {
        double off = k ? 5 : 1.2;
        cairo_new_path(cr);
        cairo_move_to(cr, 116 - off, 0);
        cairo_line_to(cr, 116 - off, 468);
        cairo_curve_to(cr, 116 - off, 490 - off, 96, 506 - off, 64, 506 - off);
        cairo_curve_to(cr, 30, 506 - off, 10, 496 - off, 0, 486 - off);
        cairo_set_line_width(cr, k ? 1.0 : 2.4);
        usePattern(cr, goldPattern(0, 0, 128, 512));
        cairo_stroke(cr);
    }
    // Plaques: score value, level value, lives, menu button.
    plaque(cr, 10, 34, 96, 26);
    plaque(cr, 24, 112, 68, 36);
    plaque(cr, 8, 206, 100, 28);
    plaque(cr, 14, 272, 88, 27);
    // Slot for the hammer panel (x 22..86, rows 302..436).
    roundedRect(cr, 18, 298, 72, 142, 9);
    usePattern(cr, linear(0, 298, 0, 440, {{0, 0x0A0402}, {1, 0x1E0C06}}));
    cairo_fill(cr);
    roundedRect(cr, 18, 298, 72, 142, 9);
    cairo_set_line_width(cr, 1.4);
    usePattern(cr, goldPattern(18, 298, 90, 440));
    cairo_stroke(cr);
    // Small ornaments between the sections.
    const double dots[] = {86, 168, 256};
    for (double y : dots) {
        regularPolygon(cr, 58, y, 4, 4, 0);
        usePattern(cr, goldPattern(54, y - 4, 62, y + 4));
        cairo_fill(cr);
        cairo_move_to(cr, 20, y);
        cairo_line_to(cr, 50, y);
        cairo_move_to(cr, 66, y);
        cairo_line_to(cr, 96, y);
        cairo_set_line_width(cr, 0.8);
        setColour(cr, 0xC89A48, 0.6);
        cairo_stroke(cr);
    }
    Image img = canvasResolve(c);
    canvasDestroy(c);
    return img;
}

// ---------------------------------------------------------------------------------------------
// Candle set.

constexpr uint32_t kWaxLight = 0xFFF6E2, kWax = 0xF0DDB4, kWaxDark = 0xB08E62;

cairo_pattern_t* waxAcross(double x0, double x1)
{
    return linear(x0, 0, x1, 0, {{0, kWax}, {0.22, kWaxLight}, {0.55, kWax}, {1, kWaxDark}});
}

Image candleStick()
{
    Canvas c;
    if (!canvasCreate(c, 128, 512, 2)) return Image{};
    cairo_t* cr = c.cr;
    // A brass chamberstick: finger ring on the left, wide dish at the bottom.
    auto dish = [](cairo_t* k) {
        cairo_save(k);
        cairo_translate(k, 66, 486);
        cairo_scale(k, 62, 18);
        cairo_new_path(k);
        cairo_arc(k, 0, 0, 1, 0, 2 * kPi);
        cairo_restore(k);
    };
    softShadow(c, dish, 2, 5, 6, 0x000000, 0.7);
    // Finger ring.
    cairo_new_path(cr);
    cairo_arc(cr, 22, 462, 14, 0, 2 * kPi);
    cairo_set_line_width(cr, 7);
    setColour(cr, 0x2A1804);
    cairo_stroke_preserve(cr);
    cairo_set_line_width(cr, 5);
    usePattern(cr, goldPattern(8, 448, 36, 476));
    cairo_stroke(cr);
    dish(cr);
    usePattern(cr, goldPattern(4, 468, 128, 504));
    cairo_fill_preserve(cr);
    setColour(cr, 0x3A2204);
    cairo_set_line_width(cr, 1.4);
    cairo_stroke(cr);
    // Inner hollow of the dish.
    cairo_save(cr);
    cairo_translate(cr, 66, 482);
    cairo_scale(cr, 54, 12);
    cairo_new_path(cr);
    cairo_arc(cr, 0, 0, 1, 0, 2 * kPi);
    cairo_restore(cr);
    usePattern(cr, linear(0, 470, 0, 494, {{0, 0x6A4410}, {0.5, 0xC89440}, {1, 0xFFE6A0}}));
    cairo_fill(cr);
    Image img = canvasResolve(c);
    canvasDestroy(c);
    // The game samples this picture with wrapping addressing: the dish's shadow on the bottom
    // rows would bleed into the top edge as a faint line above the candle. Keep the outer
    // two pixels of every side clear.
    for (int y = 0; y < img.height; y++) {
        for (int x = 0; x < img.width; x++) {
            if (x < 2 || y < 2 || x >= img.width - 2 || y >= img.height - 2) img.at(x, y)[3] = 0;
        }
    }
    return img;
}

Image candleBody()
{
    srand15(606);
    Canvas c;
    if (!canvasCreate(c, 64, 512, 2)) return Image{};
    cairo_t* cr = c.cr;
    // The column of wax.
    roundedRect(cr, 7, 0, 50, 500, 3);
    usePattern(cr, waxAcross(7, 57));
    cairo_fill(cr);
    // Runs of wax down the sides: raised streaks with a highlight.
    for (int i = 0; i < 14; ++i) {
        double x = 9 + frand() * 46, y0 = frand() * 420, len = 30 + frand() * 90, w = 2.5 + frand() * 3;
        roundedRect(cr, x - w / 2, y0, w, len, w / 2);
        setColour(cr, kWaxDark, 0.16);
        cairo_fill(cr);
        roundedRect(cr, x - w / 2 - 0.6, y0, w * 0.5, len - 2, w / 4);
        setColour(cr, kWaxLight, 0.35);
        cairo_fill(cr);
    }
    // Edges.
    cairo_set_line_width(cr, 1.2);
    cairo_move_to(cr, 7.5, 0);
    cairo_line_to(cr, 7.5, 498);
    setColour(cr, 0x8A6A44, 0.7);
    cairo_stroke(cr);
    cairo_move_to(cr, 56.5, 0);
    cairo_line_to(cr, 56.5, 498);
    setColour(cr, 0x6A4A2A, 0.9);
    cairo_stroke(cr);
    // The top of a fresh candle: a rounded rim.
    cairo_save(cr);
    cairo_translate(cr, 32, 6);
    cairo_scale(cr, 25, 5);
    cairo_new_path(cr);
    cairo_arc(cr, 0, 0, 1, 0, 2 * kPi);
    cairo_restore(cr);
    usePattern(cr, linear(0, 1, 0, 11, {{0, kWaxDark}, {1, kWaxLight}}));
    cairo_fill(cr);
    // Brass socket round the foot (always visible: the picture is cut from the top).
    roundedRect(cr, 1, 478, 62, 30, 6);
    usePattern(cr, goldPattern(0, 478, 64, 508));
    cairo_fill_preserve(cr);
    setColour(cr, 0x3A2204);
    cairo_set_line_width(cr, 1.2);
    cairo_stroke(cr);
    cairo_move_to(cr, 3, 484);
    cairo_line_to(cr, 61, 484);
    setColour(cr, 0xFFF0C0, 0.7);
    cairo_stroke(cr);
    Image img = canvasResolve(c);
    canvasDestroy(c);
    return img;
}

Image candleFire()
{
    Canvas c;
    if (!canvasCreate(c, 64, 64, 4)) return Image{};
    cairo_t* cr = c.cr;
    // Halo.
    cairo_pattern_t* halo = cairo_pattern_create_radial(32, 22, 0, 32, 24, 30);
    addStop(halo, 0, 0xFFC060, 0.55);
    addStop(halo, 0.5, 0xFF9030, 0.18);
    addStop(halo, 1, 0xFF8020, 0);
    cairo_set_source(cr, halo);
    cairo_paint(cr);
    cairo_pattern_destroy(halo);
    // The molten top of the wax, lit by the flame (covers the cut edge of the body).
    cairo_save(cr);
    cairo_translate(cr, 32, 33);
    cairo_scale(cr, 25.5, 5.5);
    cairo_new_path(cr);
    cairo_arc(cr, 0, 0, 1, 0, 2 * kPi);
    cairo_restore(cr);
    cairo_pattern_t* top = cairo_pattern_create_radial(32, 33, 1, 32, 33, 25);
    addStop(top, 0, 0xFFE8A0);
    addStop(top, 0.6, kWaxLight);
    addStop(top, 1, kWax);
    usePattern(cr, top);
    cairo_fill_preserve(cr);
    setColour(cr, kWaxDark, 0.9);
    cairo_set_line_width(cr, 0.8);
    cairo_stroke(cr);
    // Wick.
    cairo_move_to(cr, 32, 33);
    cairo_curve_to(cr, 32, 30, 33.5, 28, 33, 25);
    setColour(cr, 0x1A1008);
    cairo_set_line_width(cr, 1.6);
    cairo_stroke(cr);
    // Flame: outer orange, then yellow, white core, blue foot.
    auto flame = [&](double w, double top, double bottom) {
        cairo_new_path(cr);
        cairo_move_to(cr, 32, top);
        cairo_curve_to(cr, 32 + w * 0.2, top + 8, 32 + w, bottom - 10, 32 + w * 0.8, bottom - 3);
        cairo_curve_to(cr, 32 + w * 0.5, bottom + 1, 32 - w * 0.5, bottom + 1, 32 - w * 0.8, bottom - 3);
        cairo_curve_to(cr, 32 - w, bottom - 10, 32 - w * 0.2, top + 8, 32, top);
        cairo_close_path(cr);
    };
    flame(11, 0.5, 31.5);
    setColour(cr, 0xFF8A20, 0.85);
    cairo_fill(cr);
    flame(8.5, 4.5, 30.5);
    setColour(cr, 0xFFC840, 0.95);
    cairo_fill(cr);
    flame(5, 11, 29);
    setColour(cr, 0xFFF8D8);
    cairo_fill(cr);
    cairo_save(cr);
    cairo_translate(cr, 32, 29);
    cairo_scale(cr, 4, 2.2);
    cairo_new_path(cr);
    cairo_arc(cr, 0, 0, 1, 0, 2 * kPi);
    cairo_restore(cr);
    setColour(cr, 0x5A8AFF, 0.55);
    cairo_fill(cr);
    Image img = canvasResolve(c);
    canvasDestroy(c);
    return img;
}

Image candlePool()
{
    return drawPicture(128, 64, 2, [](cairo_t* cr) {
        cairo_new_path(cr);
        // An irregular puddle.
        const int n = 24;
        for (int i = 0; i <= n; ++i) {
            double a = 2 * kPi * i / n;
            double r = 1 + 0.08 * std::sin(3 * a + 0.5) + 0.05 * std::sin(7 * a);
            cairo_line_to(cr, 64 + 58 * r * std::cos(a), 38 + 20 * r * std::sin(a));
        }
        cairo_close_path(cr);
        cairo_path_t* path = cairo_copy_path(cr);
        cairo_pattern_t* g = cairo_pattern_create_radial(54, 32, 2, 64, 38, 60);
        addStop(g, 0, kWaxLight);
        addStop(g, 0.7, kWax);
        addStop(g, 1, kWaxDark);
        cairo_set_source(cr, g);
        cairo_fill(cr);
        cairo_pattern_destroy(g);
        cairo_append_path(cr, path);
        setColour(cr, 0x8A6A44, 0.8);
        cairo_set_line_width(cr, 1.2);
        cairo_stroke(cr);
        cairo_path_destroy(path);
        cairo_save(cr);
        cairo_translate(cr, 48, 30);
        cairo_scale(cr, 16, 4);
        cairo_new_path(cr);
        cairo_arc(cr, 0, 0, 1, 0, 2 * kPi);
        cairo_restore(cr);
        setColour(cr, 0xFFFFFF, 0.5);
        cairo_fill(cr);
    });
}

Image waxDrop(int kind)
{
    return drawPicture(16, 64, 4, [kind](cairo_t* cr) {
        const double bulbY = 40 + kind * 5, bulbR = 4.2 + (kind % 2) * 0.8;
        cairo_new_path(cr);
        cairo_move_to(cr, 8 - 1.4, 2);
        cairo_line_to(cr, 8 + 1.4, 2);
        cairo_curve_to(cr, 8 + 1.6, bulbY - 14, 8 + bulbR, bulbY - 6, 8 + bulbR, bulbY);
        cairo_arc(cr, 8, bulbY, bulbR, 0, kPi);
        cairo_curve_to(cr, 8 - bulbR, bulbY - 6, 8 - 1.6, bulbY - 14, 8 - 1.4, 2);
        cairo_close_path(cr);
        usePattern(cr, waxAcross(8 - bulbR, 8 + bulbR));
        cairo_fill_preserve(cr);
        setColour(cr, 0x8A6A44, 0.8);
        cairo_set_line_width(cr, 0.6);
        cairo_stroke(cr);
        cairo_arc(cr, 8 - 1.4, bulbY - 1.2, 1.3, 0, 2 * kPi);
        setColour(cr, 0xFFFFFF, 0.8);
        cairo_fill(cr);
    });
}

// ---------------------------------------------------------------------------------------------
// Heart for the lives (32 x 32, drawn 24 units wide): smooth and glossy, unlike the ruby.

void smoothHeart(cairo_t* cr, double cx, double cy, double s)
{
    cairo_new_path(cr);
    cairo_move_to(cr, cx, cy + 0.9 * s);
    cairo_curve_to(cr, cx - 0.2 * s, cy + 0.6 * s, cx - 1.0 * s, cy + 0.25 * s, cx - 1.0 * s, cy - 0.3 * s);
    cairo_curve_to(cr, cx - 1.0 * s, cy - 0.85 * s, cx - 0.25 * s, cy - 1.0 * s, cx, cy - 0.45 * s);
    cairo_curve_to(cr, cx + 0.25 * s, cy - 1.0 * s, cx + 1.0 * s, cy - 0.85 * s, cx + 1.0 * s, cy - 0.3 * s);
    cairo_curve_to(cr, cx + 1.0 * s, cy + 0.25 * s, cx + 0.2 * s, cy + 0.6 * s, cx, cy + 0.9 * s);
    cairo_close_path(cr);
}

Image heartPicture()
{
    Canvas c;
    if (!canvasCreate(c, 32, 32, 4)) return Image{};
    cairo_t* cr = c.cr;
    softShadow(c, [](cairo_t* k) { smoothHeart(k, 15.5, 16, 13); }, 1, 1.5, 2, 0x000000, 0.6);
    smoothHeart(cr, 15.5, 16, 13);
    cairo_pattern_t* g = cairo_pattern_create_radial(11, 10, 1, 15, 16, 17);
    addStop(g, 0, 0xFFB0B8);
    addStop(g, 0.45, 0xF03040);
    addStop(g, 1, 0x8A0818);
    cairo_set_source(cr, g);
    cairo_fill_preserve(cr);
    cairo_pattern_destroy(g);
    setColour(cr, 0x4A0008, 0.9);
    cairo_set_line_width(cr, 1);
    cairo_stroke(cr);
    cairo_save(cr);
    cairo_translate(cr, 9.5, 10);
    cairo_rotate(cr, -0.7);
    cairo_scale(cr, 1, 0.55);
    cairo_new_path(cr);
    cairo_arc(cr, 0, 0, 3.6, 0, 2 * kPi);
    cairo_restore(cr);
    setColour(cr, 0xFFFFFF, 0.85);
    cairo_fill(cr);
    Image img = canvasResolve(c);
    canvasDestroy(c);
    return img;
}

// ---------------------------------------------------------------------------------------------
// Shutter (512 x 512, JPEG with alpha): a dark engraved iris with a gold ring around a clear
// round opening; the game scales and turns it to open and close the view.

Image shutterPicture()
{
    srand15(707);
    Canvas c;
    if (!canvasCreate(c, 512, 512, 2)) return Image{};
    cairo_t* cr = c.cr;
    const double cx = 256, cy = 256, hole = 100;
    cairo_rectangle(cr, 0, 0, 512, 512);
    cairo_new_sub_path(cr);
    cairo_arc_negative(cr, cx, cy, hole, 2 * kPi, 0);
    cairo_pattern_t* bg = cairo_pattern_create_radial(cx, cy, hole, cx, cy, 360);
    addStop(bg, 0, 0x2A1E3A);
    addStop(bg, 0.35, 0x140E20);
    addStop(bg, 1, 0x000000);
    cairo_set_source(cr, bg);
    cairo_fill(cr);
    cairo_pattern_destroy(bg);
    // Engraving: concentric rings, rays and tick marks in faint gold.
    cairo_set_line_width(cr, 1.2);
    const double rings[] = {150, 190, 236};
    for (double r : rings) {
        cairo_new_path(cr);
        cairo_arc(cr, cx, cy, r, 0, 2 * kPi);
        setColour(cr, 0xC8A050, 0.28);
        cairo_stroke(cr);
    }
    for (int i = 0; i < 16; ++i) {
        double a = 2 * kPi * i / 16;
        double r0 = 126, r1 = (i % 2) ? 186 : 232;
        cairo_move_to(cr, cx + r0 * std::cos(a), cy + r0 * std::sin(a));
        cairo_line_to(cr, cx + r1 * std::cos(a), cy + r1 * std::sin(a));
        setColour(cr, 0xC8A050, (i % 2) ? 0.18 : 0.3);
        cairo_stroke(cr);
        if (i % 2 == 0) {
            starPath(cr, cx + 212 * std::cos(a), cy + 212 * std::sin(a), 7, 2.5, 4, a);
            setColour(cr, 0xE0B860, 0.4);
            cairo_fill(cr);
        }
    }
    for (int i = 0; i < 96; ++i) {
        double a = 2 * kPi * i / 96;
        double r0 = 150, r1 = (i % 4) ? 158 : 164;
        cairo_move_to(cr, cx + r0 * std::cos(a), cy + r0 * std::sin(a));
        cairo_line_to(cr, cx + r1 * std::cos(a), cy + r1 * std::sin(a));
        setColour(cr, 0xC8A050, 0.3);
        cairo_stroke(cr);
    }
    // Gold ring round the opening, with eight studs.
    cairo_new_path(cr);
    cairo_arc(cr, cx, cy, hole + 9, 0, 2 * kPi);
    cairo_set_line_width(cr, 16);
    setColour(cr, 0x000000, 0.6);
    cairo_stroke(cr);
    cairo_arc(cr, cx, cy, hole + 8, 0, 2 * kPi);
    cairo_set_line_width(cr, 12);
    usePattern(cr, goldPattern(cx - 120, cy - 120, cx + 120, cy + 120));
    cairo_stroke(cr);
    cairo_arc(cr, cx, cy, hole + 8, 0, 2 * kPi);
    cairo_set_line_width(cr, 1.2);
    setColour(cr, 0x4A2A06, 0.9);
    cairo_stroke(cr);
    for (int i = 0; i < 8; ++i) {
        double a = 2 * kPi * i / 8 + kPi / 8;
        double x = cx + (hole + 8) * std::cos(a), y = cy + (hole + 8) * std::sin(a);
        cairo_arc(cr, x, y, 4.2, 0, 2 * kPi);
        cairo_pattern_t* g = cairo_pattern_create_radial(x - 1, y - 1, 0.3, x, y, 4.2);
        addStop(g, 0, 0xD0F0FF);
        addStop(g, 1, 0x2050B0);
        fillPattern(cr, g);
    }
    Image img = canvasResolve(c);
    canvasDestroy(c);
    // A soft inner edge on the opening.
    for (int y = 0; y < img.height; ++y)
        for (int x = 0; x < img.width; ++x) {
            double d = std::hypot(x + 0.5 - cx, y + 0.5 - cy);
            if (d < hole + 1 && d > hole - 6) {
                uint8_t* p = img.at(x, y);
                double a = std::clamp((d - (hole - 6)) / 7.0, 0.0, 1.0);
                p[0] = 0x10, p[1] = 0x0A, p[2] = 0x18;
                p[3] = uint8_t(std::max<double>(p[3], 255 * a * a));
            }
        }
    return img;
}

// ---------------------------------------------------------------------------------------------
// Trophy button (64 x 64): a wooden medallion with a gold rim and a golden cup.

Image trophyButton()
{
    Canvas c;
    if (!canvasCreate(c, 64, 64, 4)) return Image{};
    cairo_t* cr = c.cr;
    auto disc = [](cairo_t* k) {
        cairo_new_path(k);
        cairo_arc(k, 31, 31, 28, 0, 2 * kPi);
    };
    softShadow(c, disc, 1.5, 2, 3, 0x000000, 0.6);
    disc(cr);
    cairo_pattern_t* g = cairo_pattern_create_radial(24, 22, 2, 31, 31, 30);
    addStop(g, 0, 0x7A3A20);
    addStop(g, 1, 0x2A100A);
    fillPattern(cr, g);
    cairo_new_path(cr);
    cairo_arc(cr, 31, 31, 26.5, 0, 2 * kPi);
    cairo_set_line_width(cr, 3);
    usePattern(cr, goldPattern(3, 3, 59, 59));
    cairo_stroke(cr);
    // The cup.
    auto cup = [](cairo_t* k) {
        cairo_new_path(k);
        cairo_move_to(k, 19, 16);
        cairo_line_to(k, 43, 16);
        cairo_curve_to(k, 43, 30, 37, 35, 33, 36);
        cairo_line_to(k, 33, 42);
        cairo_line_to(k, 39, 46);
        cairo_line_to(k, 23, 46);
        cairo_line_to(k, 29, 42);
        cairo_line_to(k, 29, 36);
        cairo_curve_to(k, 25, 35, 19, 30, 19, 16);
        cairo_close_path(k);
    };
    softShadow(c, cup, 1, 1.2, 1.5, 0x000000, 0.6);
    cairo_set_line_width(cr, 2.2);
    cairo_new_path(cr);
    cairo_arc(cr, 19, 22, 5, kPi / 2, 3 * kPi / 2);
    cairo_new_sub_path(cr);
    cairo_arc_negative(cr, 43, 22, 5, kPi / 2, -kPi / 2);
    usePattern(cr, goldPattern(12, 14, 50, 30));
    cairo_stroke(cr);
    cup(cr);
    usePattern(cr, goldPattern(19, 16, 43, 46));
    cairo_fill_preserve(cr);
    setColour(cr, 0x4A2A04);
    cairo_set_line_width(cr, 0.9);
    cairo_stroke(cr);
    starPath(cr, 31, 24, 4.5, 1.9, 5, -kPi / 2);
    setColour(cr, 0xFFFFFF, 0.85);
    cairo_fill(cr);
    Image img = canvasResolve(c);
    canvasDestroy(c);
    return img;
}

// ---------------------------------------------------------------------------------------------
// Cursors (32 x 32): the program's arrow (hot spot 1, 1) and the hammer (hot spot 8, 8, the
// middle of the striking face).

Image arrowCursor()
{
    Canvas c;
    if (!canvasCreate(c, 32, 32, 4)) return Image{};
    cairo_t* cr = c.cr;
    auto arrow = [](cairo_t* k) {
        cairo_new_path(k);
        cairo_move_to(k, 1.5, 1.5);
        cairo_line_to(k, 1.5, 22);
        cairo_line_to(k, 7, 17);
        cairo_line_to(k, 11, 26);
        cairo_line_to(k, 15, 24.3);
        cairo_line_to(k, 11, 15.5);
        cairo_line_to(k, 18.5, 15.5);
        cairo_close_path(k);
    };
    softShadow(c, arrow, 1.5, 2, 2, 0x000000, 0.55);
    arrow(cr);
    usePattern(cr, linear(0, 0, 16, 26, {{0, 0xFFF4C0}, {0.5, 0xF0B840}, {1, 0xB06A10}}));
    cairo_fill_preserve(cr);
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
    cairo_set_line_width(cr, 1.3);
    setColour(cr, 0x2A1404);
    cairo_stroke(cr);
    Image img = canvasResolve(c);
    canvasDestroy(c);
    return img;
}

Image hammerCursor()
{
    Canvas c;
    if (!canvasCreate(c, 32, 32, 4)) return Image{};
    // The panel's hammer, small and turned so that its face points to the top left.
    drawHammer(c, 17.5, 17, 0.36, -kPi / 4, true);
    Image img = canvasResolve(c);
    canvasDestroy(c);
    return img;
}

}  // namespace

static void writeBoardMock(const char* preview);

bool genBoardPieces(const char* outDir, const char* preview)
{
    gPreview = preview;
    const char* T = "targa.dat";
    const char* J = "jpeg.dat";
    bool ok = true;
    ok = ok && put(outDir, T, "field\\field0.tga", tileBare(), false, true);
    ok = ok && put(outDir, T, "field\\field1.tga", tileSquare(), false, true);
    ok = ok && put(outDir, T, "field\\field2.tga", tileDual(), false, true);
    ok = ok && put(outDir, T, "zep2.tga", chainPicture(), false, true);
    ok = ok && put(outDir, T, "bonus1.tga", bonusMark(4, 0xFFC040, 0xFF8A10), false, true);
    ok = ok && put(outDir, T, "bonus2.tga", bonusMark(8, 0xFF7050, 0xFF2A40), false, true);
    ok = ok && put(outDir, J, "flare.jpg", flarePicture(), true, false);
    ok = ok && put(outDir, J, "podsvet.jpg", podsvetPicture(), true, false);
    ok = ok && put(outDir, T, "hammer.texture1.tga", hammerPanel(false), false, true);
    ok = ok && put(outDir, T, "hammer.texture2.tga", hammerPanel(true), false, true);
    ok = ok && put(outDir, J, "hammer.texturelum1.jpg", hammerGlow(0), true, false);
    ok = ok && put(outDir, J, "hammer.texturelum2.jpg", hammerGlow(1), true, false);
    ok = ok && put(outDir, J, "hammer.texturelum3.jpg", hammerGlow(2), true, false);
    ok = ok && put(outDir, J, "_a_gamebar.jpg", gameBar(), true, true);
    ok = ok && put(outDir, J, "_a_candlestick.jpg", candleStick(), true, true);
    ok = ok && put(outDir, J, "_a_candle.jpg", candleBody(), true, true);
    ok = ok && put(outDir, T, "candlefire.tga", candleFire(), false, true);
    ok = ok && put(outDir, T, "candlepool.tga", candlePool(), false, true);
    for (int i = 0; i < 4 && ok; ++i) {
        std::string name = "drop" + std::to_string(i + 1) + ".tga";
        ok = put(outDir, T, name.c_str(), waxDrop(i), false, true);
    }
    ok = ok && put(outDir, T, "heart.tga", heartPicture(), false, true);
    ok = ok && put(outDir, J, "_a_gag.jpg", shutterPicture(), true, true);
    ok = ok && put(outDir, T, "trophybutton.tga", trophyButton(), false, true);
    ok = ok && put(outDir, nullptr, "cursors\\arrow.tga", arrowCursor(), false, true);
    ok = ok && put(outDir, nullptr, "cursors\\hammer.tga", hammerCursor(), false, true);
    if (ok) writeBoardMock(preview);
    return ok;
}

// A mock of the game screen from the generated pictures (for looking at them together).
static void writeBoardMock(const char* preview)
{
    if (!preview) return;
    Image screen = makeImage(800, 600, 0x3A5A48, 255);
    // A soft painted-looking backdrop stand-in.
    for (int y = 0; y < 600; ++y)
        for (int x = 0; x < 800; ++x) {
            uint8_t* p = screen.at(x, y);
            double t = y / 600.0;
            uint32_t c = mixColour(0x6A90B8, 0x2A4A30, t);
            p[0] = uint8_t(c >> 16), p[1] = uint8_t(c >> 8), p[2] = uint8_t(c);
        }
    Image tiles[3] = {tileBare(), tileSquare(), tileDual()};
    Image strips[kFigureColours];
    for (int c = 0; c < kFigureColours; ++c) strips[c] = makeFigureStrip(c);
    Image chain = chainPicture();
    srand15(42);
    auto scaleTo = [](const Image& src, int sx, int sy, int sw, int sh, int w, int h) {
        Image out = makeImage(w, h);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                double acc[4] = {0, 0, 0, 0};
                int n = 0;
                for (int j = 0; j < 3; ++j)
                    for (int i = 0; i < 3; ++i) {
                        int u = sx + int((x + (i + 0.5) / 3) * sw / w), v = sy + int((y + (j + 0.5) / 3) * sh / h);
                        const uint8_t* q = src.at(std::min(u, src.width - 1), std::min(v, src.height - 1));
                        for (int k = 0; k < 3; ++k) acc[k] += q[k] * q[3];
                        acc[3] += q[3];
                        ++n;
                    }
                uint8_t* d = out.at(x, y);
                if (acc[3] > 0)
                    for (int k = 0; k < 3; ++k) d[k] = uint8_t(acc[k] / acc[3]);
                d[3] = uint8_t(acc[3] / n);
            }
        return out;
    };
    Image t56[3];
    for (int i = 0; i < 3; ++i) t56[i] = scaleTo(tiles[i], 0, 0, 64, 64, 56, 56);
    Image chain70 = scaleTo(chain, 0, 0, 128, 128, 70, 70);
    // Turn the chain by 45 degrees (nearest neighbour is enough for a preview).
    Image chainX = makeImage(70, 70);
    for (int y = 0; y < 70; ++y)
        for (int x = 0; x < 70; ++x) {
            double dx = x - 35, dy = y - 35;
            int u = int(35 + (dx + dy) * 0.7071), v = int(35 + (dy - dx) * 0.7071);
            if (u >= 0 && v >= 0 && u < 70 && v < 70) std::memcpy(chainX.at(x, y), chain70.at(u, v), 4);
        }
    for (int row = 0; row < 11; ++row)
        for (int col = 0; col < 11; ++col) {
            int cx = 54 * col - 243 + 400, cy = -(268 - 54 * row) + 300;
            int tile = (row >= 2 && row <= 8 && col >= 2 && col <= 8) ? ((row + col) % 3 == 0 ? 2 : 1) : 0;
            if ((row == 0 || row == 10) && (col == 0 || col == 10)) continue;  // holes in the corners
            blitOver(screen, t56[tile], cx - 28, cy - 28);
            int colour = rand15() % kFigureColours;
            int frame = (row == 5) ? (col * 3) % 32 : 0;
            Image f = scaleTo(strips[colour], (frame % 8) * 64, (frame / 8) * 64, 64, 64, 48, 48);
            blitOver(screen, f, cx - 24, cy - 24);
            if (tile == 2 && (row * col) % 4 == 1) blitOver(screen, chainX, cx - 35, cy - 35);
        }
    blitOver(screen, gameBar(), 0, 0);
    Image panel = hammerPanel(false), full = hammerPanel(true);
    // Meter half full: the lower half of the filled picture over the empty one.
    Image half = full;
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x) half.at(x, y)[3] = 0;
    blitOver(screen, panel, 22, 300 + 8);
    blitOver(screen, half, 22, 300 + 8);
    Image heart = scaleTo(heartPicture(), 0, 0, 32, 32, 24, 24);
    for (int i = 0; i < 3; ++i) blitOver(screen, heart, 8 + 26 * (i + 1) - 12, 219 - 12);
    blitOver(screen, candleStick(), 672, 88);
    // The candle a third burnt.
    double burnt = 0.33;
    Image body = candleBody();
    int h = int((1 - burnt) * 480 + 32);
    int top = int(480 * burnt);
    Image cut = makeImage(64, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < 64; ++x) std::memcpy(cut.at(x, y), body.at(x, std::min(top + y, 511)), 4);
    int bodyCentreY = 300 - int(-240 * burnt - 24);
    blitOver(screen, cut, 768 - 32 - 0, bodyCentreY - h / 2);
    double flameY = (1 - burnt) * 480 - 224;
    blitOver(screen, candleFire(), 768 - 32, 300 - int(flameY - 24) - 32);
    Image pool = candlePool();
    Image poolScaled = scaleTo(pool, 0, 0, 128, 64, int(burnt * 128), int(burnt * 64));
    blitOver(screen, poolScaled, 736 - int(burnt * 64), 300 - int(-240 - 32 * (1 - burnt) - 16) - int(burnt * 32));
    blitOver(screen, waxDrop(1), 760, 240);
    writeBytes(std::string(preview) + "/board_mock.png", encodePng(screen));

    // The small pieces side by side at twice their size.
    Image pieces = makeImage(1024, 420, 0x4A5A6A, 255);
    auto twice = [](const Image& src) {
        Image out = makeImage(src.width * 2, src.height * 2);
        for (int y = 0; y < out.height; ++y)
            for (int x = 0; x < out.width; ++x) std::memcpy(out.at(x, y), src.at(x / 2, y / 2), 4);
        return out;
    };
    const Image small[] = {tileBare(), tileSquare(), tileDual(), bonusMark(4, 0xFFC040, 0xFF8A10),
                           bonusMark(8, 0xFF7050, 0xFF2A40), heartPicture(), trophyButton(), candleFire(),
                           arrowCursor(), hammerCursor()};
    int x = 8;
    for (const Image& img : small) {
        Image big = twice(img);
        blitOver(pieces, big, x, 8);
        x += big.width + 8;
    }
    x = 8;
    const Image tall[] = {hammerPanel(false), hammerPanel(true), waxDrop(0), waxDrop(1), waxDrop(2), waxDrop(3),
                          candlePool()};
    for (const Image& img : tall) {
        Image big = twice(img);
        blitOver(pieces, big, x, 150);
        x += big.width + 8;
    }
    writeBytes(std::string(preview) + "/pieces_sheet.png", encodePng(pieces));
}
