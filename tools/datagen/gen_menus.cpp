// The menu tree and the panel pictures of the default data set:
// - "menu.txt" (in texts.dat) from data/menu/menu.txt: UTF-8 with "#" comment lines in the source,
//   UTF-16 little-endian with a byte-order mark and CR LF line breaks in the data set;
// - "_a_menutex.jpg" (jpeg.dat): the 256 x 512 atlas of 4 x 8 cells of 64 pixels that the dialog
//   frames are built from. Cells (column, row): (0,0) (1,0) (0,1) (1,1) the corners top left, top
//   right, bottom left, bottom right; (0,2) the top edge, (1,2) the left edge (the game mirrors
//   them for the bottom and right); (2,0)..(3,1) gold corner brackets; rows 3 and 4 two wide
//   dividers (2 x 1 cells); (2,3) and (3,3) two tall flourishes (1 x 2); row 5: slider knob, small
//   gem, left and right arrows; row 6: slider groove, round jewel, dot, star; row 7: empty and
//   ticked check box, text field ends;
// - "white.jpg" (jpeg.dat): the panel fill, a light wood grain that tiles both ways, which the
//   game tints deep red-brown;
// - "_a_baloon.jpg" (jpeg.dat): the speech balloon of the main menu's greeting;
// - "button.tga" (targa.dat): the graphic button face, 128 x 64, whose left and right halves are
//   the rounded ends and whose centre column is stretched between them.
// The frame band (dark wood between two gold lines) is computed per pixel from the distance to
// the outer edge, so edges and corners meet exactly and the edges tile.
#include "boardart.h"
#include "canvas.h"
#include "datagen.h"

#include "resources/unicode.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>

namespace {

constexpr double PI = 3.14159265358979;
constexpr int CELL = 64;
constexpr uint32_t GOLD = 0xE8B84A;
constexpr uint32_t GOLD_DARK = 0x8A5A1A;
constexpr uint32_t GOLD_LIGHT = 0xFFE9A0;
constexpr uint32_t WOOD_DARK = 0x2E1208;
constexpr uint32_t WOOD = 0x5C2614;
constexpr uint32_t WOOD_LIGHT = 0x7E3A20;

struct Rgba {
    double r, g, b, a;  // straight colour 0..1
};

Rgba rgb(uint32_t c, double a = 1.0)
{
    return {((c >> 16) & 0xFF) / 255.0, ((c >> 8) & 0xFF) / 255.0, (c & 0xFF) / 255.0, a};
}

Rgba mix(const Rgba& x, const Rgba& y, double t)
{
    return {x.r + (y.r - x.r) * t, x.g + (y.g - x.g) * t, x.b + (y.b - x.b) * t, x.a + (y.a - x.a) * t};
}

double smooth(double e0, double e1, double x)
{
    double t = (x - e0) / (e1 - e0);
    t = t < 0 ? 0 : (t > 1 ? 1 : t);
    return t * t * (3 - 2 * t);
}

// The frame band at distance d (pixels) from the panel's outer edge: a thin gold outer line, dark
// wood with streaks along the band, a gold inner trim, a soft shadow falling inwards.
Rgba bandColour(double d)
{
    if (d < 1.5) return rgb(0x000000, 0.35 * smooth(0.0, 1.5, d));
    if (d < 4.0) {
        double t = (d - 1.5) / 2.5;
        Rgba gold = mix(rgb(GOLD_LIGHT), rgb(GOLD_DARK), t);
        return gold;
    }
    if (d < 15.0) {
        double t = (d - 4.0) / 11.0;
        Rgba wood = mix(rgb(WOOD_LIGHT), rgb(WOOD_DARK), t);
        double streak = 0.08 * std::sin(d * 2.3) + 0.05 * std::sin(d * 5.1 + 1.0);
        wood.r *= 1.0 + streak;
        wood.g *= 1.0 + streak;
        wood.b *= 1.0 + streak;
        return wood;
    }
    if (d < 17.0) return mix(rgb(GOLD), rgb(GOLD_DARK), (d - 15.0) / 2.0);
    if (d < 26.0) return rgb(0x000000, 0.45 * (1.0 - smooth(17.0, 26.0, d)));
    return rgb(0x000000, 0.0);
}

// Writes a straight-alpha colour into an RGBA image, averaging `samples` sub-pixel values.
void putAveraged(Image& img, int x, int y, const Rgba* s, int samples)
{
    double r = 0, g = 0, b = 0, a = 0;
    for (int i = 0; i < samples; i++) {
        r += s[i].r * s[i].a;
        g += s[i].g * s[i].a;
        b += s[i].b * s[i].a;
        a += s[i].a;
    }
    uint8_t* p = img.at(x, y);
    if (a <= 0.0) {
        p[0] = p[1] = p[2] = p[3] = 0;
        return;
    }
    auto byte = [](double v) { return static_cast<uint8_t>(v < 0 ? 0 : (v > 1 ? 255 : std::lround(v * 255))); };
    p[0] = byte(r / a);
    p[1] = byte(g / a);
    p[2] = byte(b / a);
    p[3] = byte(a / samples);
}

// A frame cell: `outer` says which cell sides are the panel's outer edge (bit 0 left, 1 right,
// 2 top, 3 bottom); the band follows the nearest outer side (mitred at corners).
void frameCell(Image& atlas, int col, int row, int outer)
{
    for (int y = 0; y < CELL; y++) {
        for (int x = 0; x < CELL; x++) {
            Rgba s[16];
            int k = 0;
            for (int sy = 0; sy < 4; sy++) {
                for (int sx = 0; sx < 4; sx++) {
                    double px = x + (sx + 0.5) / 4.0, py = y + (sy + 0.5) / 4.0;
                    double d = 1e9;
                    if (outer & 1) d = std::min(d, px);
                    if (outer & 2) d = std::min(d, CELL - px);
                    if (outer & 4) d = std::min(d, py);
                    if (outer & 8) d = std::min(d, CELL - py);
                    s[k++] = bandColour(d);
                }
            }
            putAveraged(atlas, col * CELL + x, row * CELL + y, s, 16);
        }
    }
}

// A gold stroke with a dark edge under it, for ornaments.
void goldStroke(cairo_t* cr, double width)
{
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
    setColour(cr, GOLD_DARK, 0.9);
    cairo_set_line_width(cr, width + 1.6);
    cairo_stroke_preserve(cr);
    setColour(cr, GOLD);
    cairo_set_line_width(cr, width);
    cairo_stroke(cr);
}

void goldFill(cairo_t* cr, double cx, double cy, double r)
{
    cairo_pattern_t* p = cairo_pattern_create_radial(cx - r * 0.35, cy - r * 0.35, r * 0.1, cx, cy, r);
    addStop(p, 0.0, GOLD_LIGHT);
    addStop(p, 0.6, GOLD);
    addStop(p, 1.0, GOLD_DARK);
    cairo_set_source(cr, p);
    cairo_fill_preserve(cr);
    cairo_pattern_destroy(p);
    setColour(cr, 0x4A2A08, 0.9);
    cairo_set_line_width(cr, 1.0);
    cairo_stroke(cr);
}

void gem(cairo_t* cr, double cx, double cy, double r, uint32_t colour)
{
    regularPolygon(cr, cx, cy, r, 4, PI / 4 * 0 + PI / 2);
    cairo_pattern_t* p = cairo_pattern_create_linear(cx - r, cy - r, cx + r, cy + r);
    addStop(p, 0.0, shadeColour(colour, 1.6));
    addStop(p, 0.5, colour);
    addStop(p, 1.0, shadeColour(colour, 0.45));
    cairo_set_source(cr, p);
    cairo_fill_preserve(cr);
    cairo_pattern_destroy(p);
    setColour(cr, GOLD);
    cairo_set_line_width(cr, 1.4);
    cairo_stroke(cr);
}

// A gold corner bracket turned by quarter turns (0 top left, 1 top right, 2 bottom right,
// 3 bottom left).
void cornerBracket(cairo_t* cr, int turn)
{
    cairo_translate(cr, 32, 32);
    cairo_rotate(cr, turn * PI / 2);
    cairo_translate(cr, -32, -32);
    cairo_move_to(cr, 10, 52);
    cairo_line_to(cr, 10, 18);
    cairo_curve_to(cr, 10, 13, 13, 10, 18, 10);
    cairo_line_to(cr, 52, 10);
    goldStroke(cr, 2.4);
    cairo_move_to(cr, 18, 40);
    cairo_curve_to(cr, 18, 26, 26, 18, 40, 18);
    goldStroke(cr, 1.4);
    cairo_arc(cr, 14, 14, 5.0, 0, 2 * PI);
    goldFill(cr, 14, 14, 5.0);
}

void divider(cairo_t* cr, double w, double h, bool jewel)
{
    double cy = h / 2;
    cairo_move_to(cr, 10, cy);
    cairo_line_to(cr, w - 10, cy);
    goldStroke(cr, 1.6);
    for (int side = -1; side <= 1; side += 2) {
        double x0 = w / 2 + side * 14;
        cairo_move_to(cr, x0, cy);
        cairo_curve_to(cr, x0 + side * 12, cy - 14, x0 + side * 28, cy - 12, x0 + side * 30, cy - 2);
        cairo_curve_to(cr, x0 + side * 31, cy + 6, x0 + side * 22, cy + 8, x0 + side * 20, cy + 2);
        goldStroke(cr, 1.5);
        cairo_arc(cr, side < 0 ? 10 : w - 10, cy, 3.0, 0, 2 * PI);
        goldFill(cr, side < 0 ? 10 : w - 10, cy, 3.0);
    }
    if (jewel) {
        cairo_arc(cr, w / 2, cy, 8.0, 0, 2 * PI);
        goldFill(cr, w / 2, cy, 8.0);
        gem(cr, w / 2, cy, 5.0, 0xB0182A);
    } else {
        gem(cr, w / 2, cy, 9.0, 0xC02030);
    }
}

void arrow(cairo_t* cr, bool right)
{
    double s = right ? 1 : -1;
    cairo_move_to(cr, 32 + s * 18, 32);
    cairo_line_to(cr, 32 - s * 12, 14);
    cairo_line_to(cr, 32 - s * 6, 32);
    cairo_line_to(cr, 32 - s * 12, 50);
    cairo_close_path(cr);
    goldFill(cr, 32, 32, 20);
}

void checkBox(cairo_t* cr, bool ticked)
{
    roundedRect(cr, 14, 14, 36, 36, 6);
    cairo_pattern_t* p = cairo_pattern_create_linear(0, 14, 0, 50);
    addStop(p, 0.0, WOOD_DARK);
    addStop(p, 1.0, WOOD);
    cairo_set_source(cr, p);
    cairo_fill_preserve(cr);
    cairo_pattern_destroy(p);
    goldStroke(cr, 2.0);
    if (ticked) {
        cairo_move_to(cr, 20, 32);
        cairo_line_to(cr, 29, 42);
        cairo_line_to(cr, 46, 16);
        cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
        cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
        setColour(cr, 0x3A2000, 0.8);
        cairo_set_line_width(cr, 7.0);
        cairo_stroke_preserve(cr);
        setColour(cr, GOLD_LIGHT);
        cairo_set_line_width(cr, 4.5);
        cairo_stroke(cr);
    }
}

// One end of the text field (the left one; the right one is mirrored).
void fieldEnd(cairo_t* cr, bool right)
{
    if (right) {
        cairo_translate(cr, 64, 0);
        cairo_scale(cr, -1, 1);
    }
    cairo_move_to(cr, 64, 12);
    cairo_line_to(cr, 26, 12);
    cairo_curve_to(cr, 14, 12, 8, 20, 8, 32);
    cairo_curve_to(cr, 8, 44, 14, 52, 26, 52);
    cairo_line_to(cr, 64, 52);
    cairo_close_path(cr);
    setColour(cr, 0x1C0A04, 0.85);
    cairo_fill_preserve(cr);
    cairo_new_path(cr);
    cairo_move_to(cr, 64, 12);
    cairo_line_to(cr, 26, 12);
    cairo_curve_to(cr, 14, 12, 8, 20, 8, 32);
    cairo_curve_to(cr, 8, 44, 14, 52, 26, 52);
    cairo_line_to(cr, 64, 52);
    goldStroke(cr, 1.8);
}

Image makeAtlas()
{
    Image atlas = makeImage(4 * CELL, 8 * CELL);
    frameCell(atlas, 0, 0, 1 | 4);  // top left
    frameCell(atlas, 1, 0, 2 | 4);  // top right
    frameCell(atlas, 0, 1, 1 | 8);  // bottom left
    frameCell(atlas, 1, 1, 2 | 8);  // bottom right
    frameCell(atlas, 0, 2, 4);      // top edge
    frameCell(atlas, 1, 2, 1);      // left edge
    // A gold rosette on each frame corner.
    const int cornerCells[4][2] = {{0, 0}, {1, 0}, {0, 1}, {1, 1}};
    for (int i = 0; i < 4; i++) {
        bool right = i % 2 == 1, bottom = i >= 2;
        Image rosette = drawPicture(CELL, CELL, 4, [&](cairo_t* cr) {
            double cx = right ? CELL - 9.5 : 9.5, cy = bottom ? CELL - 9.5 : 9.5;
            starPath(cr, cx, cy, 8.5, 4.5, 8, 0.0);
            goldFill(cr, cx, cy, 8.5);
            cairo_arc(cr, cx, cy, 3.2, 0, 2 * PI);
            setColour(cr, 0xA01828);
            cairo_fill(cr);
        });
        blitOver(atlas, rosette, cornerCells[i][0] * CELL, cornerCells[i][1] * CELL);
    }
    // Ornaments.
    auto cell = [&](int col, int row, int w, int h, const std::function<void(cairo_t*)>& draw) {
        Image img = drawPicture(w * CELL, h * CELL, 4, draw);
        blitOver(atlas, img, col * CELL, row * CELL);
    };
    cell(2, 0, 1, 1, [](cairo_t* cr) { cornerBracket(cr, 0); });
    cell(3, 0, 1, 1, [](cairo_t* cr) { cornerBracket(cr, 1); });
    cell(2, 1, 1, 1, [](cairo_t* cr) { cornerBracket(cr, 3); });
    cell(3, 1, 1, 1, [](cairo_t* cr) { cornerBracket(cr, 2); });
    cell(0, 3, 2, 1, [](cairo_t* cr) { divider(cr, 128, 64, false); });
    cell(0, 4, 2, 1, [](cairo_t* cr) { divider(cr, 128, 64, true); });
    for (int c = 2; c <= 3; c++) {
        cell(c, 3, 1, 2, [c](cairo_t* cr) {
            cairo_translate(cr, 0, 128);
            cairo_rotate(cr, -PI / 2);
            divider(cr, 128, 64, c == 3);
        });
    }
    cell(0, 5, 1, 1, [](cairo_t* cr) {  // slider knob
        cairo_arc(cr, 32, 32, 14, 0, 2 * PI);
        goldFill(cr, 32, 32, 14);
        gem(cr, 32, 32, 7, 0xB0182A);
    });
    cell(1, 5, 1, 1, [](cairo_t* cr) { gem(cr, 32, 32, 14, 0xC02030); });
    cell(2, 5, 1, 1, [](cairo_t* cr) { arrow(cr, false); });
    cell(3, 5, 1, 1, [](cairo_t* cr) { arrow(cr, true); });
    cell(0, 6, 1, 1, [](cairo_t* cr) {  // slider groove (tiles across)
        cairo_rectangle(cr, 0, 27, 64, 10);
        setColour(cr, 0x1C0A04, 0.9);
        cairo_fill(cr);
        cairo_move_to(cr, 0, 27);
        cairo_line_to(cr, 64, 27);
        cairo_move_to(cr, 0, 37);
        cairo_line_to(cr, 64, 37);
        setColour(cr, GOLD_DARK);
        cairo_set_line_width(cr, 1.2);
        cairo_stroke(cr);
    });
    cell(1, 6, 1, 1, [](cairo_t* cr) {
        cairo_arc(cr, 32, 32, 16, 0, 2 * PI);
        goldFill(cr, 32, 32, 16);
        cairo_arc(cr, 32, 32, 9, 0, 2 * PI);
        setColour(cr, 0x2A60B0);
        cairo_fill(cr);
    });
    cell(2, 6, 1, 1, [](cairo_t* cr) {
        cairo_arc(cr, 32, 32, 6, 0, 2 * PI);
        goldFill(cr, 32, 32, 6);
    });
    cell(3, 6, 1, 1, [](cairo_t* cr) {
        starPath(cr, 32, 32, 22, 9, 5, -PI / 2);
        goldFill(cr, 32, 32, 22);
    });
    cell(0, 7, 1, 1, [](cairo_t* cr) { checkBox(cr, false); });
    cell(1, 7, 1, 1, [](cairo_t* cr) { checkBox(cr, true); });
    cell(2, 7, 1, 1, [](cairo_t* cr) { fieldEnd(cr, false); });
    cell(3, 7, 1, 1, [](cairo_t* cr) { fieldEnd(cr, true); });
    return atlas;
}

// Light wood grain, periodic in 256 x 128 so that it tiles.
Image makeFill()
{
    Image img = makeImage(256, 128, 0, 255);
    for (int y = 0; y < 128; y++) {
        for (int x = 0; x < 256; x++) {
            double u = x / 256.0 * 2 * PI, v = y / 128.0 * 2 * PI;
            double warp = 0.55 * std::sin(u * 2 + 0.7) + 0.25 * std::sin(u * 3 + v);
            double grain = std::sin(v * 7 + warp * 2.0);
            double fine = std::sin(v * 23 + warp * 3.0 + std::sin(u * 5));
            double knot = std::exp(-3.0 * (std::pow(std::sin((u - 1.2) / 2), 2) * 8 + std::pow(std::sin((v - 2.0) / 2), 2) * 14));
            double b = 0.84 + 0.08 * grain + 0.04 * fine - 0.12 * knot;
            uint8_t* p = img.at(x, y);
            p[0] = static_cast<uint8_t>(std::lround(255 * std::min(1.0, b)));
            p[1] = static_cast<uint8_t>(std::lround(255 * std::min(1.0, b * 0.97)));
            p[2] = static_cast<uint8_t>(std::lround(255 * std::min(1.0, b * 0.93)));
        }
    }
    return img;
}

Image makeButton()
{
    return drawPicture(128, 64, 4, [](cairo_t* cr) {
        auto pill = [](cairo_t* c) { roundedRect(c, 4, 6, 120, 52, 24); };
        // Soft shadow toward the bottom right.
        cairo_save(cr);
        cairo_translate(cr, 1.5, 2.0);
        pill(cr);
        setColour(cr, 0x000000, 0.35);
        cairo_fill(cr);
        cairo_restore(cr);
        pill(cr);
        cairo_pattern_t* p = cairo_pattern_create_linear(0, 6, 0, 58);
        addStop(p, 0.0, 0x8A3A22);
        addStop(p, 0.5, 0x5E2212);
        addStop(p, 1.0, 0x34120A);
        cairo_set_source(cr, p);
        cairo_fill_preserve(cr);
        cairo_pattern_destroy(p);
        setColour(cr, GOLD_DARK);
        cairo_set_line_width(cr, 3.2);
        cairo_stroke_preserve(cr);
        setColour(cr, GOLD);
        cairo_set_line_width(cr, 1.8);
        cairo_stroke(cr);
        // Inner gold hairline and a gloss on the upper half.
        roundedRect(cr, 9, 11, 110, 42, 19);
        setColour(cr, GOLD, 0.45);
        cairo_set_line_width(cr, 0.9);
        cairo_stroke(cr);
        roundedRect(cr, 10, 12, 108, 18, 9);
        cairo_pattern_t* g = cairo_pattern_create_linear(0, 12, 0, 30);
        addStop(g, 0.0, 0xFFFFFF, 0.28);
        addStop(g, 1.0, 0xFFFFFF, 0.0);
        cairo_set_source(cr, g);
        cairo_fill(cr);
        cairo_pattern_destroy(g);
    });
}

Image makeBalloon()
{
    return drawPicture(256, 128, 4, [](cairo_t* cr) {
        auto shape = [](cairo_t* c) {
            roundedRect(c, 6, 6, 244, 92, 26);
            cairo_move_to(c, 40, 96);
            cairo_line_to(c, 24, 122);
            cairo_line_to(c, 70, 96);
            cairo_close_path(c);
        };
        cairo_save(cr);
        cairo_translate(cr, 2, 3);
        shape(cr);
        setColour(cr, 0x000000, 0.3);
        cairo_fill(cr);
        cairo_restore(cr);
        shape(cr);
        cairo_pattern_t* p = cairo_pattern_create_linear(0, 6, 0, 98);
        addStop(p, 0.0, 0x5A2414, 0.92);
        addStop(p, 1.0, 0x2A0E06, 0.92);
        cairo_set_source(cr, p);
        cairo_fill(cr);
        cairo_pattern_destroy(p);
        roundedRect(cr, 6, 6, 244, 92, 26);
        setColour(cr, GOLD);
        cairo_set_line_width(cr, 2.0);
        cairo_stroke(cr);
    });
}

// data/menu/menu.txt (UTF-8, "#" comment lines) to the game's UTF-16 form; checks the block rules
// the game relies on (at most 16 buttons per dialog, "main" present).
bool convertMenuFile(const std::string& path, std::vector<uint8_t>* out)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "%s: cannot be read\n", path.c_str());
        return false;
    }
    std::string utf8((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::u16string text;
    bool mainFound = false;
    int children = -1;  // buttons of the open block, -1 outside a block
    size_t pos = 0;
    int lineNo = 0;
    while (pos <= utf8.size()) {
        size_t end = utf8.find('\n', pos);
        if (end == std::string::npos) end = utf8.size();
        std::string line = utf8.substr(pos, end - pos);
        pos = end + 1;
        lineNo++;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (!line.empty() && line[0] == '#') continue;
        if (pos > utf8.size() && line.empty()) break;
        std::u16string wide;
        if (!utf8ToUtf16(line, wide)) {
            std::fprintf(stderr, "%s:%d: not valid UTF-8\n", path.c_str(), lineNo);
            return false;
        }
        if (wide.size() > 63) {
            std::fprintf(stderr, "%s:%d: name longer than 63 characters\n", path.c_str(), lineNo);
            return false;
        }
        if (line.empty()) {
            children = -1;
        } else if (children < 0) {
            if (line.back() != '=') {
                std::fprintf(stderr, "%s:%d: a dialog line ends in \"=\"\n", path.c_str(), lineNo);
                return false;
            }
            mainFound = mainFound || line == "main=";
            children = 0;
        } else if (++children > 16) {
            std::fprintf(stderr, "%s:%d: more than 16 buttons in one dialog\n", path.c_str(), lineNo);
            return false;
        }
        text += wide;
        text += u"\r\n";
    }
    if (!mainFound) {
        std::fprintf(stderr, "%s: no \"main=\" dialog\n", path.c_str());
        return false;
    }
    if (children >= 0) text += u"\r\n";  // the last block ends with an empty line
    out->clear();
    auto put = [out](char16_t c) {
        out->push_back(uint8_t(c & 0xFF));
        out->push_back(uint8_t(c >> 8));
    };
    put(0xFEFF);
    for (char16_t c : text) put(c);
    return true;
}

} // namespace

bool genMenus(const char* srcDir, const char* outDir)
{
    std::vector<uint8_t> menu;
    if (!convertMenuFile(std::string(srcDir) + "/menu/menu.txt", &menu)) return false;
    addToArchive("texts.dat", "menu.txt", menu);

    Image atlas = makeAtlas();
    Image fill = makeFill();
    Image button = makeButton();
    Image balloon = makeBalloon();
    if (atlas.width == 0 || button.width == 0 || balloon.width == 0) return false;
    bool ok = emitPicture(outDir, "jpeg.dat", "_a_menutex.jpg", encodeJpegAlpha(atlas, 92)) &&
              emitPicture(outDir, "jpeg.dat", "white.jpg", encodeJpeg(fill, 90)) &&
              emitPicture(outDir, "jpeg.dat", "_a_baloon.jpg", encodeJpegAlpha(balloon, 90)) &&
              emitPicture(outDir, "targa.dat", "button.tga", encodeTga(button, true, true));
    if (!ok) return false;

    if (const char* preview = std::getenv("OSTRIMAR_ART_PREVIEW")) {
        // The pictures on a dark backdrop, for looking at them.
        Image sheet = makeImage(4 * CELL + 256 + 48, 8 * CELL + 16, 0x403830, 255);
        blitOver(sheet, atlas, 8, 8);
        blitOver(sheet, fill, 4 * CELL + 24, 8);
        blitOver(sheet, button, 4 * CELL + 24, 160);
        blitOver(sheet, balloon, 4 * CELL + 24, 240);
        writeBytes(std::string(preview) + "/menus_sheet.png", encodePng(sheet));
    }
    return true;
}
