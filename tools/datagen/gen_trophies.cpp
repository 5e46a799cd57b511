// The trophies of the default data set, in the folder "trophyes": seventeen trophy pictures
// "trophy<n>.tga" (128 x 128, with alpha), their glow pictures "trophylum<n>.jpg" (a soft light
// around the trophy's outline on black, drawn additively by the room), the definition file
// "trophy.txt" and the shelf layout "trophy.cfg" (17 records of 92 bytes) that stands them on the
// two shelf cabinets and the floor of the trophy hall (backdrop 17).
//
// Every trophy is a treasure in the game's look: metal with light from the top left, a darker
// outline, gems with a highlight, and a soft shadow falling to the bottom right. The object keeps
// a margin of the picture free so that its glow fits around it.
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

constexpr int SIZE = 128;
constexpr int TROPHIES = 17;
constexpr double PI = 3.14159265358979;

struct Metal {
    uint32_t light, base, dark;
};
const Metal GOLD{0xFFEFA8, 0xE2A832, 0x7A4E0E};
const Metal SILVER{0xFFFFFF, 0xC4CAD6, 0x5A6272};
const Metal BRONZE{0xF6C898, 0xB8733A, 0x5A3010};
const Metal WOOD{0xB07A48, 0x6E4424, 0x2E1A0A};

constexpr uint32_t RUBY = 0xD8203A, SAPPHIRE = 0x2C5CE0, EMERALD = 0x1EA050, AMETHYST = 0x9A4CD8,
                   AQUA = 0x40C8E8, OPAL = 0xFF8A2A, PEARL = 0xF4F0E8, TOPAZ = 0xFFC830;

// Fills the current path with the metal, lit from the top left, and outlines it a shade darker.
void metal(cairo_t* cr, const Metal& m, double x0, double y0, double x1, double y1)
{
    cairo_pattern_t* p = cairo_pattern_create_linear(x0, y0, x1, y1);
    addStop(p, 0.0, m.light);
    addStop(p, 0.45, m.base);
    addStop(p, 1.0, m.dark);
    usePattern(cr, p);
    fillThenStroke(cr, 1.4, shadeColour(m.dark, 0.7), 0.9);
}

// A round gem with a light spot at the top left.
void gem(cairo_t* cr, double cx, double cy, double r, uint32_t colour)
{
    cairo_arc(cr, cx, cy, r, 0, 2 * PI);
    cairo_pattern_t* p = cairo_pattern_create_radial(cx - r * 0.35, cy - r * 0.35, r * 0.1, cx, cy, r);
    addStop(p, 0.0, mixColour(colour, 0xFFFFFF, 0.7));
    addStop(p, 0.5, colour);
    addStop(p, 1.0, shadeColour(colour, 0.45));
    usePattern(cr, p);
    fillThenStroke(cr, 1.0, shadeColour(colour, 0.35), 0.9);
    cairo_arc(cr, cx - r * 0.35, cy - r * 0.4, r * 0.22, 0, 2 * PI);
    setColour(cr, 0xFFFFFF, 0.85);
    cairo_fill(cr);
}

// A thin bright line along a shape's lit side.
void shine(cairo_t* cr, double x0, double y0, double x1, double y1, double w = 2.0)
{
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    cairo_set_line_width(cr, w);
    setColour(cr, 0xFFFFFF, 0.55);
    cairo_move_to(cr, x0, y0);
    cairo_line_to(cr, x1, y1);
    cairo_stroke(cr);
}

// A plinth: a low stepped block of wood or metal on which the trophy stands (bottom at y 116).
void plinth(cairo_t* cr, const Metal& m, double halfWidth)
{
    roundedRect(cr, 64 - halfWidth, 106, 2 * halfWidth, 10, 2);
    metal(cr, m, 64 - halfWidth, 100, 64 + halfWidth, 120);
    roundedRect(cr, 64 - halfWidth + 6, 99, 2 * halfWidth - 12, 8, 2);
    metal(cr, m, 64 - halfWidth, 96, 64 + halfWidth, 112);
}

// A two-handled cup (handles) or a goblet (no handles).
void cup(cairo_t* cr, const Metal& m, bool handles, uint32_t stone, double scale)
{
    cairo_save(cr);
    cairo_translate(cr, 64, 116);
    cairo_scale(cr, scale, scale);
    cairo_translate(cr, -64, -116);
    plinth(cr, WOOD, 26);
    // the foot and the stem with a knob
    cairo_move_to(cr, 46, 100);
    cairo_curve_to(cr, 50, 92, 60, 92, 60, 84);
    cairo_line_to(cr, 68, 84);
    cairo_curve_to(cr, 68, 92, 78, 92, 82, 100);
    cairo_close_path(cr);
    metal(cr, m, 46, 84, 82, 100);
    cairo_rectangle(cr, 60, 70, 8, 16);
    metal(cr, m, 60, 70, 68, 86);
    ellipsePath(cr, 64, 78, 7, 4);
    metal(cr, m, 57, 74, 71, 82);
    if (handles) {
        for (int side = 0; side < 2; side++) {
            double s = side ? 1 : -1;
            cairo_move_to(cr, 64 + s * 28, 30);
            cairo_curve_to(cr, 64 + s * 48, 28, 64 + s * 48, 58, 64 + s * 20, 62);
            cairo_line_to(cr, 64 + s * 20, 56);
            cairo_curve_to(cr, 64 + s * 40, 52, 64 + s * 40, 36, 64 + s * 28, 36);
            cairo_close_path(cr);
            metal(cr, m, 64 + s * 20, 26, 64 + s * 48, 62);
        }
    }
    // the bowl
    cairo_move_to(cr, 34, 24);
    cairo_curve_to(cr, 34, 52, 48, 70, 64, 72);
    cairo_curve_to(cr, 80, 70, 94, 52, 94, 24);
    cairo_close_path(cr);
    metal(cr, m, 34, 20, 94, 72);
    // the rim and the dark inside
    ellipsePath(cr, 64, 24, 30, 6);
    metal(cr, m, 34, 18, 94, 30);
    ellipsePath(cr, 64, 24.5, 25, 3.8);
    setColour(cr, shadeColour(m.dark, 0.6), 0.9);
    cairo_fill(cr);
    // a band and the stone on the front
    setColour(cr, shadeColour(m.dark, 0.8), 0.5);
    cairo_set_line_width(cr, 1.2);
    cairo_move_to(cr, 37, 40);
    cairo_curve_to(cr, 50, 46, 78, 46, 91, 40);
    cairo_stroke(cr);
    gem(cr, 64, 48, 7, stone);
    shine(cr, 40, 32, 44, 52);
    cairo_restore(cr);
}

// A crown on a red cushion.
void crown(cairo_t* cr, const Metal& m, uint32_t stone, uint32_t tips)
{
    // the cushion
    roundedRect(cr, 24, 86, 80, 28, 12);
    cairo_pattern_t* p = cairo_pattern_create_linear(24, 86, 80, 118);
    addStop(p, 0, 0xC83A40);
    addStop(p, 1, 0x5A0E14);
    usePattern(cr, p);
    fillThenStroke(cr, 1.2, 0x3A0608, 0.9);
    for (int k = 0; k < 4; k++) gem(cr, k < 2 ? 28 + k * 72 : 28 + (k - 2) * 72, k < 2 ? 90 : 110, 3, TOPAZ);
    // five points
    cairo_move_to(cr, 30, 88);
    cairo_line_to(cr, 26, 40);
    cairo_line_to(cr, 42, 62);
    cairo_line_to(cr, 52, 30);
    cairo_line_to(cr, 64, 58);
    cairo_line_to(cr, 76, 30);
    cairo_line_to(cr, 86, 62);
    cairo_line_to(cr, 102, 40);
    cairo_line_to(cr, 98, 88);
    cairo_close_path(cr);
    metal(cr, m, 26, 28, 102, 90);
    const double tipX[5] = {26, 52, 64, 76, 102}, tipY[5] = {38, 28, 22, 28, 38};
    for (int k = 0; k < 5; k++) {
        if (k == 2) continue;
        gem(cr, tipX[k], tipY[k], 4.5, tips);
    }
    // the band with its stones
    roundedRect(cr, 28, 74, 72, 16, 3);
    metal(cr, m, 28, 70, 100, 92);
    gem(cr, 64, 82, 6, stone);
    gem(cr, 44, 82, 4, mixColour(stone, SAPPHIRE, 0.6));
    gem(cr, 84, 82, 4, mixColour(stone, SAPPHIRE, 0.6));
    shine(cr, 30, 46, 32, 70);
}

// A large gem sphere held by a three-legged stand.
void orb(cairo_t* cr, const Metal& m, uint32_t stone)
{
    plinth(cr, WOOD, 24);
    for (int k = -1; k <= 1; k++) {
        cairo_move_to(cr, 64 + k * 6 - 3, 70);
        cairo_curve_to(cr, 64 + k * 20, 84, 64 + k * 22, 92, 64 + k * 18 - 3, 100);
        cairo_line_to(cr, 64 + k * 18 + 3, 100);
        cairo_curve_to(cr, 64 + k * 24, 90, 64 + k * 22, 80, 64 + k * 6 + 3, 70);
        cairo_close_path(cr);
        metal(cr, m, 44, 70, 84, 100);
    }
    ellipsePath(cr, 64, 74, 18, 5);
    metal(cr, m, 46, 68, 82, 80);
    gem(cr, 64, 46, 28, stone);
    // a gold band round the orb and a small cross on top
    cairo_save(cr);
    cairo_translate(cr, 64, 46);
    cairo_scale(cr, 28, 7);
    cairo_arc(cr, 0, 0, 1, 0, PI);
    cairo_restore(cr);
    setColour(cr, m.base, 0.95);
    cairo_set_line_width(cr, 3);
    cairo_stroke(cr);
    cairo_rectangle(cr, 61, 8, 6, 12);
    metal(cr, m, 61, 8, 67, 20);
    cairo_rectangle(cr, 56, 11, 16, 5);
    metal(cr, m, 56, 11, 72, 16);
}

// A medal on a ribbon, standing in a small wooden holder.
void medal(cairo_t* cr, const Metal& m, uint32_t ribbon, const uint32_t* stones, int stoneCount)
{
    plinth(cr, WOOD, 22);
    // the ribbon
    for (int side = 0; side < 2; side++) {
        double s = side ? 1 : -1;
        cairo_move_to(cr, 64 + s * 4, 12);
        cairo_line_to(cr, 64 + s * 22, 12);
        cairo_line_to(cr, 64 + s * 8, 56);
        cairo_line_to(cr, 64 - s * 6, 56);
        cairo_close_path(cr);
        cairo_pattern_t* p = cairo_pattern_create_linear(40, 12, 88, 56);
        addStop(p, 0, mixColour(ribbon, 0xFFFFFF, 0.3));
        addStop(p, 1, shadeColour(ribbon, 0.5));
        usePattern(cr, p);
        fillThenStroke(cr, 1, shadeColour(ribbon, 0.3), 0.9);
    }
    // the disc with a raised star
    cairo_arc(cr, 64, 70, 26, 0, 2 * PI);
    metal(cr, m, 38, 44, 90, 96);
    cairo_arc(cr, 64, 70, 20, 0, 2 * PI);
    metal(cr, m, 90, 96, 38, 44);
    starPath(cr, 64, 70, 15, 6.5, 5, -PI / 2);
    metal(cr, m, 50, 56, 78, 84);
    for (int k = 0; k < stoneCount; k++) {
        double a = -PI / 2 + 2 * PI * k / stoneCount;
        gem(cr, 64 + 23 * std::cos(a), 70 + 23 * std::sin(a), 3.2, stones[k]);
    }
}

// A treasure chest with the lid open and gold and gems showing.
void chest(cairo_t* cr, const Metal& bands, double scale, bool overflowing)
{
    cairo_save(cr);
    cairo_translate(cr, 64, 116);
    cairo_scale(cr, scale, scale);
    cairo_translate(cr, -64, -116);
    // the open lid behind
    cairo_move_to(cr, 24, 60);
    cairo_line_to(cr, 30, 26);
    cairo_curve_to(cr, 50, 16, 78, 16, 98, 26);
    cairo_line_to(cr, 104, 60);
    cairo_close_path(cr);
    metal(cr, WOOD, 24, 16, 104, 60);
    cairo_move_to(cr, 30, 28);
    cairo_curve_to(cr, 50, 18, 78, 18, 98, 28);
    setColour(cr, bands.base, 0.9);
    cairo_set_line_width(cr, 3);
    cairo_stroke(cr);
    // the heap of coins and gems
    int heap = overflowing ? 14 : 8;
    for (int k = 0; k < heap; k++) {
        double x = 32 + (k * 37) % 64, y = 58 - (overflowing ? 10 : 4) * std::sin(k * 1.7) - (k % 3) * 3;
        ellipsePath(cr, x, y, 7, 3.5);
        metal(cr, GOLD, x - 7, y - 3, x + 7, y + 3);
    }
    const uint32_t stones[4] = {RUBY, EMERALD, SAPPHIRE, AMETHYST};
    for (int k = 0; k < (overflowing ? 4 : 2); k++) gem(cr, 42 + k * 15, 52 - (k % 2) * 5, 4.5, stones[k]);
    // the box
    roundedRect(cr, 22, 60, 84, 52, 4);
    metal(cr, WOOD, 22, 60, 106, 112);
    for (int k = 0; k < 3; k++) {
        cairo_rectangle(cr, 28 + k * 32, 60, 8, 52);
        metal(cr, bands, 28 + k * 32, 60, 36 + k * 32, 112);
    }
    cairo_rectangle(cr, 22, 60, 84, 7);
    metal(cr, bands, 22, 58, 106, 68);
    roundedRect(cr, 57, 72, 14, 16, 3);
    metal(cr, bands, 57, 72, 71, 88);
    cairo_arc(cr, 64, 79, 2.2, 0, 2 * PI);
    setColour(cr, 0x1A0C04);
    cairo_fill(cr);
    if (overflowing) {
        for (int k = 0; k < 3; k++) {
            double x = 18 + k * 10, y = 110 - k * 2;
            ellipsePath(cr, x, y, 6, 3);
            metal(cr, GOLD, x - 6, y - 3, x + 6, y + 3);
        }
    }
    cairo_restore(cr);
}

// An hourglass between two turned plates.
void hourglass(cairo_t* cr, const Metal& m, uint32_t sand)
{
    // the glass
    cairo_move_to(cr, 42, 24);
    cairo_curve_to(cr, 42, 50, 60, 56, 60, 64);
    cairo_curve_to(cr, 60, 72, 42, 78, 42, 104);
    cairo_line_to(cr, 86, 104);
    cairo_curve_to(cr, 86, 78, 68, 72, 68, 64);
    cairo_curve_to(cr, 68, 56, 86, 50, 86, 24);
    cairo_close_path(cr);
    setColour(cr, 0xD8F0FF, 0.35);
    fillThenStroke(cr, 1.2, 0x4A6A80, 0.8);
    // sand: a little left above, a heap below and the thin stream
    cairo_move_to(cr, 50, 46);
    cairo_curve_to(cr, 56, 54, 62, 58, 64, 62);
    cairo_curve_to(cr, 66, 58, 72, 54, 78, 46);
    cairo_close_path(cr);
    setColour(cr, sand);
    cairo_fill(cr);
    cairo_move_to(cr, 44, 102);
    cairo_curve_to(cr, 50, 84, 60, 80, 64, 78);
    cairo_curve_to(cr, 68, 80, 78, 84, 84, 102);
    cairo_close_path(cr);
    cairo_pattern_t* p = cairo_pattern_create_linear(44, 78, 84, 102);
    addStop(p, 0, mixColour(sand, 0xFFFFFF, 0.3));
    addStop(p, 1, shadeColour(sand, 0.6));
    usePattern(cr, p);
    cairo_fill(cr);
    cairo_rectangle(cr, 63.2, 62, 1.6, 18);
    setColour(cr, sand);
    cairo_fill(cr);
    shine(cr, 47, 30, 50, 44, 2.5);
    // the plates and the posts
    for (int k = 0; k < 2; k++) {
        double x = k ? 88 : 36;
        cairo_rectangle(cr, x, 20, 5, 88);
        metal(cr, m, x, 20, x + 5, 108);
    }
    roundedRect(cr, 30, 12, 68, 10, 3);
    metal(cr, m, 30, 8, 98, 24);
    roundedRect(cr, 30, 104, 68, 12, 3);
    metal(cr, m, 30, 100, 98, 118);
    gem(cr, 64, 17, 3.5, RUBY);
    gem(cr, 64, 110, 3.5, RUBY);
}

// A cluster of crystals rising from a rock on a plinth.
void crystals(cairo_t* cr, uint32_t colour)
{
    plinth(cr, BRONZE, 26);
    cairo_move_to(cr, 38, 100);
    cairo_curve_to(cr, 40, 86, 88, 84, 90, 100);
    cairo_close_path(cr);
    cairo_pattern_t* rock = cairo_pattern_create_linear(38, 84, 90, 100);
    addStop(rock, 0, 0x8A7A6A);
    addStop(rock, 1, 0x3A3028);
    usePattern(cr, rock);
    cairo_fill(cr);
    struct Prism {
        double x, lean, h, w;
    };
    const Prism prisms[5] = {{46, -14, 44, 9}, {80, 14, 48, 9}, {56, -5, 68, 11}, {72, 6, 58, 10}, {64, 0, 84, 12}};
    for (const Prism& s : prisms) {
        double bx = s.x, by = 94, tx = s.x + s.lean, ty = by - s.h;
        double nx = -(ty - by), ny = tx - bx;
        double len = std::sqrt(nx * nx + ny * ny);
        nx = nx / len * s.w / 2;
        ny = ny / len * s.w / 2;
        double dx = (tx - bx) / s.h, dy = (ty - by) / s.h;
        cairo_move_to(cr, bx - nx, by - ny);
        cairo_line_to(cr, tx - nx - dx * s.w, ty - ny - dy * s.w);
        cairo_line_to(cr, tx, ty);
        cairo_line_to(cr, tx + nx - dx * s.w, ty + ny - dy * s.w);
        cairo_line_to(cr, bx + nx, by + ny);
        cairo_close_path(cr);
        cairo_pattern_t* p = cairo_pattern_create_linear(bx - nx, 0, bx + nx, 0);
        addStop(p, 0, mixColour(colour, 0xFFFFFF, 0.65));
        addStop(p, 0.5, colour);
        addStop(p, 1, shadeColour(colour, 0.45));
        usePattern(cr, p);
        fillThenStroke(cr, 1.1, shadeColour(colour, 0.3), 0.9);
        shine(cr, bx - nx * 0.4, by - ny * 0.4 - 4, tx - nx * 0.4 - dx * s.w, ty - ny * 0.4 - dy * s.w + 2, 1.6);
    }
}

// A heater shield with a cross and a stone, on a stand.
void shield(cairo_t* cr, const Metal& rim, uint32_t field, uint32_t stone)
{
    plinth(cr, WOOD, 22);
    cairo_rectangle(cr, 61, 84, 6, 18);
    metal(cr, rim, 61, 84, 67, 102);
    cairo_move_to(cr, 30, 14);
    cairo_line_to(cr, 98, 14);
    cairo_curve_to(cr, 98, 56, 88, 78, 64, 94);
    cairo_curve_to(cr, 40, 78, 30, 56, 30, 14);
    cairo_close_path(cr);
    metal(cr, rim, 30, 14, 98, 94);
    cairo_move_to(cr, 36, 20);
    cairo_line_to(cr, 92, 20);
    cairo_curve_to(cr, 92, 54, 84, 72, 64, 87);
    cairo_curve_to(cr, 44, 72, 36, 54, 36, 20);
    cairo_close_path(cr);
    cairo_pattern_t* p = cairo_pattern_create_linear(36, 20, 92, 87);
    addStop(p, 0, mixColour(field, 0xFFFFFF, 0.35));
    addStop(p, 0.5, field);
    addStop(p, 1, shadeColour(field, 0.4));
    usePattern(cr, p);
    cairo_fill(cr);
    cairo_rectangle(cr, 60, 20, 8, 66);
    metal(cr, rim, 60, 20, 68, 86);
    cairo_rectangle(cr, 36, 40, 56, 8);
    metal(cr, rim, 36, 40, 92, 48);
    gem(cr, 64, 44, 7, stone);
    shine(cr, 34, 20, 36, 50);
}

// A sceptre standing upright in a holder, crowned by a crystal.
void sceptre(cairo_t* cr, const Metal& m, uint32_t crystal)
{
    plinth(cr, WOOD, 22);
    roundedRect(cr, 54, 86, 20, 14, 3);
    metal(cr, m, 54, 86, 74, 100);
    cairo_rectangle(cr, 60, 36, 8, 52);
    metal(cr, m, 60, 36, 68, 88);
    for (int k = 0; k < 3; k++) {
        ellipsePath(cr, 64, 50 + k * 14, 7, 3);
        metal(cr, m, 57, 47 + k * 14, 71, 53 + k * 14);
    }
    // the cup holding the crystal, with curled arms
    cairo_move_to(cr, 48, 30);
    cairo_curve_to(cr, 50, 40, 58, 42, 64, 42);
    cairo_curve_to(cr, 70, 42, 78, 40, 80, 30);
    cairo_close_path(cr);
    metal(cr, m, 48, 28, 80, 42);
    // the crystal: a long pointed gem
    cairo_move_to(cr, 64, 4);
    cairo_line_to(cr, 75, 18);
    cairo_line_to(cr, 70, 32);
    cairo_line_to(cr, 58, 32);
    cairo_line_to(cr, 53, 18);
    cairo_close_path(cr);
    cairo_pattern_t* p = cairo_pattern_create_linear(53, 4, 75, 32);
    addStop(p, 0, mixColour(crystal, 0xFFFFFF, 0.7));
    addStop(p, 0.5, crystal);
    addStop(p, 1, shadeColour(crystal, 0.45));
    usePattern(cr, p);
    fillThenStroke(cr, 1.1, shadeColour(crystal, 0.3), 0.9);
    shine(cr, 58, 16, 62, 8, 1.6);
    gem(cr, 48, 30, 3.2, RUBY);
    gem(cr, 80, 30, 3.2, RUBY);
}

using Painter = void (*)(cairo_t*);

void t1(cairo_t* cr) { cup(cr, BRONZE, true, EMERALD, 0.86); }
void t2(cairo_t* cr) { cup(cr, SILVER, false, SAPPHIRE, 0.92); }
void t3(cairo_t* cr) { crown(cr, GOLD, RUBY, PEARL); }
void t4(cairo_t* cr) { cup(cr, GOLD, true, RUBY, 1.0); }
void t5(cairo_t* cr) { cup(cr, GOLD, false, EMERALD, 0.96); }
void t6(cairo_t* cr) { orb(cr, GOLD, RUBY); }
void t7(cairo_t* cr) { sceptre(cr, SILVER, AQUA); }
void t8(cairo_t* cr) { shield(cr, GOLD, 0x1E7A44, EMERALD); }
void t9(cairo_t* cr) { crown(cr, SILVER, SAPPHIRE, PEARL); }
void t10(cairo_t* cr)
{
    const uint32_t stones[1] = {RUBY};
    medal(cr, GOLD, 0x2C4CB0, stones, 1);
}
void t11(cairo_t* cr) { crystals(cr, AMETHYST); }
void t12(cairo_t* cr)
{
    const uint32_t stones[8] = {RUBY, OPAL, TOPAZ, EMERALD, AQUA, SAPPHIRE, AMETHYST, PEARL};
    medal(cr, SILVER, 0x8A1E3A, stones, 8);
}
void t13(cairo_t* cr) { crystals(cr, AQUA); }
void t14(cairo_t* cr) { chest(cr, BRONZE, 0.82, false); }
void t15(cairo_t* cr) { orb(cr, BRONZE, OPAL); }
void t16(cairo_t* cr) { chest(cr, GOLD, 1.0, true); }
void t17(cairo_t* cr) { hourglass(cr, GOLD, 0xE8C070); }

const Painter painters[TROPHIES] = {t1, t2, t3, t4, t5, t6, t7, t8, t9, t10, t11, t12, t13, t14, t15, t16, t17};

// The trophy with a soft shadow to the bottom right, inside the picture.
Image trophyPicture(int index)
{
    Image object = drawPicture(SIZE, SIZE, 4, painters[index]);
    if (object.rgba.empty()) return object;
    Image out = makeImage(SIZE, SIZE, 0x000000, 0);
    // the shadow: the object's coverage, blurred and shifted
    Image shadow = makeImage(SIZE, SIZE, 0x1A0C04, 0);
    for (int y = 0; y < SIZE; y++)
        for (int x = 0; x < SIZE; x++) {
            int sum = 0, n = 0;
            for (int dy = -3; dy <= 3; dy++)
                for (int dx = -3; dx <= 3; dx++) {
                    int sx = x - 3 + dx, sy = y - 3 + dy;
                    if (sx >= 0 && sy >= 0 && sx < SIZE && sy < SIZE) sum += object.at(sx, sy)[3];
                    n++;
                }
            shadow.at(x, y)[3] = uint8_t(sum / n * 0.45);
        }
    blitOver(out, shadow, 0, 0);
    blitOver(out, object, 0, 0);
    return out;
}

// The glow: the trophy's outline widened and blurred into a soft light, white on black, bright
// round the trophy, faint over it, and fading to black well inside the picture's edge.
Image glowPicture(const Image& trophy)
{
    std::vector<float> a(SIZE * SIZE), b(SIZE * SIZE);
    for (int i = 0; i < SIZE * SIZE; i++) a[i] = trophy.rgba[i * 4 + 3] / 255.0f;
    // three box blurs of radius 5 come close to a Gaussian: across into b, then down into a
    auto boxBlur = [](const std::vector<float>& in, std::vector<float>& out, bool down) {
        for (int y = 0; y < SIZE; y++)
            for (int x = 0; x < SIZE; x++) {
                float s = 0;
                for (int d = -5; d <= 5; d++) {
                    int sx = down ? x : std::clamp(x + d, 0, SIZE - 1);
                    int sy = down ? std::clamp(y + d, 0, SIZE - 1) : y;
                    s += in[sy * SIZE + sx];
                }
                out[y * SIZE + x] = s / 11;
            }
    };
    for (int pass = 0; pass < 3; pass++) {
        boxBlur(a, b, false);
        boxBlur(b, a, true);
    }
    Image out = makeImage(SIZE, SIZE, 0x000000, 255);
    for (int y = 0; y < SIZE; y++)
        for (int x = 0; x < SIZE; x++) {
            double ex = std::min({x, y, SIZE - 1 - x, SIZE - 1 - y}) / 10.0;  // 0 at the edge
            // a light rim round the outline, the inside only faintly lit, so that the glow added
            // over a won trophy does not wash out its colours
            double inside = trophy.rgba[(size_t(y) * SIZE + x) * 4 + 3] / 255.0;
            double v = std::min(1.0, a[y * SIZE + x] * 1.6) * (1.0 - 0.8 * inside) * 0.85 * std::min(1.0, ex);
            uint8_t g = uint8_t(std::lround(v * 255));
            uint8_t* p = out.at(x, y);
            p[0] = g;
            p[1] = g;
            p[2] = g;
            p[3] = 255;
        }
    return out;
}

void putFloat(std::vector<uint8_t>& out, size_t at, float v)
{
    uint32_t bits;
    std::memcpy(&bits, &v, 4);
    for (int k = 0; k < 4; k++) out[at + k] = uint8_t(bits >> (8 * k));
}

struct Place {
    float x, y, size;
};

// Where each trophy stands, in centred screen units. The hall's cabinets (backdrop 17) hold four
// shelves each, with board tops at 200, 290, 380 and 470 pixels from the top; the left cabinet
// spans x 30..180, the right one 620..770. Two trophies share a shelf; the biggest treasure (16)
// stands on the rug in the middle of the floor.
void shelfPlaces(Place places[TROPHIES])
{
    const float shelfTop[4] = {200, 290, 380, 470};
    const float size = 72.0f;  // the picture's 128 pixels shown at 72
    // the picture's object stands 12 of its 128 pixels above its bottom edge
    const float lift = size * (12.0f / 128.0f);
    int n = 0;
    for (int cabinet = 0; cabinet < 2; cabinet++)
        for (int shelf = 0; shelf < 4; shelf++)
            for (int k = 0; k < 2; k++) {
                float px = (cabinet ? 620.0f : 30.0f) + (k ? 112.0f : 38.0f);
                float py = shelfTop[shelf] - size / 2.0f + lift + 2.0f;
                places[n++] = Place{px - 400.0f, 300.0f - py, size};
            }
    // numbers 1..15 and 17 on the shelves in order, 16 in the middle of the floor
    Place floorPlace{0.0f, 300.0f - (572.0f - 120.0f / 2.0f + 120.0f * 12.0f / 128.0f), 120.0f};
    Place ordered[TROPHIES];
    for (int i = 0, s = 0; i < TROPHIES; i++) ordered[i] = i == 15 ? floorPlace : places[s++];
    for (int i = 0; i < TROPHIES; i++) places[i] = ordered[i];
}

std::vector<uint8_t> layoutFile()
{
    Place places[TROPHIES];
    shelfPlaces(places);
    std::vector<uint8_t> out(TROPHIES * 92, 0);
    for (int i = 0; i < TROPHIES; i++) {
        size_t at = size_t(i) * 92;
        putFloat(out, at + 0, places[i].size);
        putFloat(out, at + 4, places[i].size);
        putFloat(out, at + 8, places[i].x);
        putFloat(out, at + 12, places[i].y);
        putFloat(out, at + 20, 1.0f);
    }
    return out;
}

} // namespace

bool genTrophies(const char* srcDir, const char* outDir)
{
    (void)srcDir;
    const std::string dir = std::string(outDir) + "/trophyes/";
    std::string list;
    std::vector<Image> sheet;
    for (int i = 0; i < TROPHIES; i++) {
        Image trophy = trophyPicture(i);
        if (trophy.rgba.empty()) return false;
        Image glow = glowPicture(trophy);
        char name[64];
        std::snprintf(name, sizeof name, "trophy%d.tga", i + 1);
        if (!writeBytes(dir + name, encodeTga(trophy, true, true))) return false;
        list += std::string("trophy") + std::to_string(i + 1) + "=" + name + "\r\n";
        std::snprintf(name, sizeof name, "trophylum%d.jpg", i + 1);
        std::vector<uint8_t> jpeg = encodeJpeg(glow, 92);
        if (jpeg.empty() || !writeBytes(dir + name, jpeg)) return false;
        list += std::string("trophylum") + std::to_string(i + 1) + "=" + name + "\r\n";
        sheet.push_back(trophy);
        sheet.push_back(glow);
    }
    std::vector<uint8_t> text(list.begin(), list.end());
    if (!writeBytes(dir + "trophy.txt", text)) return false;
    if (!writeBytes(dir + "trophy.cfg", layoutFile())) return false;
    // A contact sheet of every trophy beside its glow, for looking at them (not game data).
    if (const char* preview = std::getenv("OSTRIMAR_ART_PREVIEW")) {
        Image all = makeImage(SIZE * 6, SIZE * 6, 0x3A2414, 255);
        for (size_t k = 0; k < sheet.size(); k++) blitOver(all, sheet[k], int(k % 6) * SIZE, int(k / 6) * SIZE);
        writeBytes(std::string(preview) + "/trophies.png", encodePng(all));
    }
    return true;
}
