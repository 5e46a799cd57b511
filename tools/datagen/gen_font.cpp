// The game's bitmap font: "font.tga" (1024 x 1024, a 16 x 16 grid of 64-pixel cells, white
// glyphs with a soft dark outline baked in) and "font.dat" (the glyph metrics: a header of
// texture width, texture height, cells per row and a spare word, then 1024 entries of advance
// in texture pixels and UTF-16 code unit, little-endian, 4104 bytes).
//
// Cell i holds the character of Windows-1251 byte 0x20 + i (so cell 0 is the space, which is
// what an unknown character draws), then a few extra characters beyond that code page.
#include "boardart.h"
#include "canvas.h"
#include "datagen.h"

#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr int kCell = 64;
constexpr int kCols = 16;
constexpr int kTex = kCell * kCols;  // 1024
constexpr int kEntries = 1024;
constexpr int kPixelSize = 44;     // em size in pixels
constexpr int kBaseline = 48;      // baseline row inside a cell: capitals sit centred
constexpr double kOutline = 2.6;   // outline radius in pixels
constexpr int kSpacing = 3;        // extra advance so that outlines do not crowd

// Windows-1251, bytes 0x80..0xBF (0xC0..0xFF are U+0410..U+044F). 0 = undefined.
const uint16_t kCp1251High[64] = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021, 0x20AC, 0x2030, 0x0409, 0x2039, 0x040A,
    0x040C, 0x040B, 0x040F, 0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, 0x0000, 0x2122,
    0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F, 0x00A0, 0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6,
    0x00A7, 0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407, 0x00B0, 0x00B1, 0x0406, 0x0456,
    0x0491, 0x00B5, 0x00B6, 0x00B7, 0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457};

// Characters beyond the code page, in cells 224..255: signs the texts may use and the
// accented Latin letters of names.
const uint16_t kExtra[32] = {0x00D7, 0x2605, 0x2665, 0x266A, 0x00E9, 0x00E8, 0x00EA, 0x00E0,
                             0x00E2, 0x00E7, 0x00F4, 0x00FC, 0x00F6, 0x00E4, 0x00DF, 0x00F1,
                             0x00C9, 0x00DC, 0x00D6, 0x00C4, 0x00EE, 0x00EF, 0x00FB, 0x00F9,
                             0x00BF, 0x00A1, 0x00EB, 0x00C7, 0x00C8, 0x00CA, 0x00D1, 0x00D4};

uint16_t cellCode(int cell)
{
    if (cell < 0x60) return uint16_t(0x20 + cell);  // ASCII 0x20..0x7F (0x7F left blank below)
    int b = 0x20 + cell;
    if (b < 0xC0) return kCp1251High[b - 0x80];
    if (b <= 0xFF) return uint16_t(0x0410 + (b - 0xC0));
    return kExtra[cell - 224];
}

const char* findFontFile(const char* srcDir)
{
    static std::string chosen;
    const std::string candidates[] = {
        std::string(srcDir) + "/art/font.ttf",
        "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf",
    };
    for (const std::string& c : candidates) {
        if (FILE* f = std::fopen(c.c_str(), "rb")) {
            std::fclose(f);
            chosen = c;
            return chosen.c_str();
        }
    }
    return nullptr;
}

// Renders one glyph's coverage into a cell-sized buffer; returns the advance in pixels, or -1
// when the font has no glyph for the code.
int renderGlyph(FT_Face face, uint16_t code, std::vector<float>& cov)
{
    std::fill(cov.begin(), cov.end(), 0.0f);
    FT_UInt index = FT_Get_Char_Index(face, code);
    if (index == 0) return -1;
    if (FT_Load_Glyph(face, index, FT_LOAD_DEFAULT) != 0) return -1;
    if (FT_Render_Glyph(face->glyph, FT_RENDER_MODE_NORMAL) != 0) return -1;
    const FT_GlyphSlot g = face->glyph;
    const int advance = int(std::lround(g->advance.x / 64.0));
    const FT_Bitmap& bm = g->bitmap;
    // Centre the advance box in the cell.
    const int originX = kCell / 2 - advance / 2;
    const int left = originX + g->bitmap_left;
    const int top = kBaseline - g->bitmap_top;
    for (unsigned y = 0; y < bm.rows; ++y)
        for (unsigned x = 0; x < bm.width; ++x) {
            int cx = left + int(x), cy = top + int(y);
            if (cx < 0 || cy < 0 || cx >= kCell || cy >= kCell) continue;
            cov[size_t(cy) * kCell + cx] = bm.buffer[y * bm.pitch + x] / 255.0f;
        }
    return advance;
}

// Writes the glyph (white, slightly warmer towards the bottom) over a soft dark outline.
void composeCell(const std::vector<float>& cov, Image& tex, int cellX, int cellY)
{
    constexpr int r = int(kOutline) + 2;
    constexpr int k = 2 * r + 1;
    // Disc kernel with a soft falloff over the last pixel of the radius.
    float weight[k * k];
    for (int dy = -r; dy <= r; ++dy)
        for (int dx = -r; dx <= r; ++dx) {
            double d = std::sqrt(double(dx * dx + dy * dy));
            weight[(dy + r) * k + dx + r] = float(std::clamp(kOutline + 1.0 - d, 0.0, 1.0));
        }
    std::vector<float> ring(size_t(kCell) * kCell, 0.0f);
    for (int y = 0; y < kCell; ++y)
        for (int x = 0; x < kCell; ++x) {
            float c = cov[size_t(y) * kCell + x];
            if (c <= 0) continue;
            // Spread this pixel's coverage over its neighbourhood (a weighted dilation).
            for (int dy = -r; dy <= r; ++dy) {
                int sy = y + dy;
                if (sy < 0 || sy >= kCell) continue;
                for (int dx = -r; dx <= r; ++dx) {
                    int sx = x + dx;
                    if (sx < 0 || sx >= kCell) continue;
                    float& dst = ring[size_t(sy) * kCell + sx];
                    dst = std::max(dst, c * weight[(dy + r) * k + dx + r]);
                }
            }
        }
    for (int y = 0; y < kCell; ++y)
        for (int x = 0; x < kCell; ++x) {
            const float a = cov[size_t(y) * kCell + x];
            const float o = ring[size_t(y) * kCell + x] * 0.85f;
            const float outA = a + o * (1 - a);
            uint8_t* p = tex.at(cellX + x, cellY + y);
            if (outA <= 0) continue;
            // Fill: white at the cap line, a faint warm grey at the baseline.
            double t = std::clamp((y - (kBaseline - 30)) / 34.0, 0.0, 1.0);
            const double fill[3] = {255, 255 - 14 * t, 255 - 30 * t};
            const double dark[3] = {24, 14, 8};
            for (int c = 0; c < 3; ++c) {
                double v = (fill[c] * a + dark[c] * o * (1 - a)) / outA;
                p[c] = uint8_t(std::clamp(std::lround(v), 0L, 255L));
            }
            p[3] = uint8_t(std::clamp(std::lround(outA * 255.0), 0L, 255L));
        }
}

void put16(std::vector<uint8_t>& v, size_t at, int x)
{
    v[at] = uint8_t(x & 0xFF);
    v[at + 1] = uint8_t((x >> 8) & 0xFF);
}

// Lays out sample lines the way the game does (quads of 2 x scale over whole cells, pen moved by
// the advances) on a light and a dark band, to judge the font at the sizes the game uses.
void writeTextSample(const char* preview, const Image& tex, const std::vector<uint8_t>& metrics)
{
    auto cellOf = [&](uint16_t code, int& width) {
        for (int i = 0; i < kCols * kCols; ++i) {
            int c = metrics[8 + i * 4 + 2] | (metrics[8 + i * 4 + 3] << 8);
            if (c == code) {
                width = metrics[8 + i * 4] | (metrics[8 + i * 4 + 1] << 8);
                return i;
            }
        }
        width = 0;
        return 0;
    };
    Image out = makeImage(800, 330, 0xD8C8A0, 255);
    Image dark = makeImage(800, 165, 0x203040, 255);
    blitCopy(out, dark, 0, 165);
    const char16_t* lines[] = {u"Score 125 430  Level 17  Lives", u"Очки 125 430  Уровень 17 — Жизни: ёж"};
    const double sizes[] = {10, 12, 16, 24};
    int y = 8;
    for (int band = 0; band < 2; ++band)
        for (double s : sizes) {
            int lineIndex = band;
            double pen = 10;
            int quad = int(std::lround(2 * s));
            for (const char16_t* t = lines[lineIndex]; *t; ++t) {
                int width;
                int cell = cellOf(uint16_t(*t), width);
                double adv = s * 2.0 * width / kCell;
                // Area-average the 64-pixel cell down to the quad.
                Image g = makeImage(quad, quad);
                for (int gy = 0; gy < quad; ++gy)
                    for (int gx = 0; gx < quad; ++gx) {
                        double acc[4] = {0, 0, 0, 0};
                        int n = 0;
                        int x0 = gx * kCell / quad, x1 = std::max(x0 + 1, (gx + 1) * kCell / quad);
                        int y0 = gy * kCell / quad, y1 = std::max(y0 + 1, (gy + 1) * kCell / quad);
                        for (int sy = y0; sy < y1; ++sy)
                            for (int sx = x0; sx < x1; ++sx) {
                                const uint8_t* p = tex.at((cell % kCols) * kCell + sx, (cell / kCols) * kCell + sy);
                                for (int k = 0; k < 3; ++k) acc[k] += p[k] * p[3];
                                acc[3] += p[3];
                                ++n;
                            }
                        uint8_t* d = g.at(gx, gy);
                        if (acc[3] > 0)
                            for (int k = 0; k < 3; ++k) d[k] = uint8_t(acc[k] / acc[3]);
                        d[3] = uint8_t(acc[3] / n);
                    }
                pen += adv / 2;
                blitOver(out, g, int(pen - quad / 2.0), y);
                pen += adv / 2;
            }
            y += quad + 4;
            if (band == 0 && s == sizes[3]) y = 170;
        }
    writeBytes(std::string(preview) + "/font_sample.png", encodePng(out));
}

}  // namespace

bool genFont(const char* srcDir, const char* outDir)
{
    const char* fontFile = findFontFile(srcDir);
    if (!fontFile) {
        std::fprintf(stderr, "datagen: no font file (data/art/font.ttf or DejaVu Sans Bold)\n");
        return false;
    }
    FT_Library lib;
    if (FT_Init_FreeType(&lib) != 0) return false;
    FT_Face face;
    if (FT_New_Face(lib, fontFile, 0, &face) != 0) {
        std::fprintf(stderr, "datagen: cannot open font %s\n", fontFile);
        FT_Done_FreeType(lib);
        return false;
    }
    FT_Set_Pixel_Sizes(face, 0, kPixelSize);

    Image tex = makeImage(kTex, kTex);
    std::vector<uint8_t> metrics(8 + kEntries * 4, 0);
    put16(metrics, 0, kTex);
    put16(metrics, 2, kTex);
    put16(metrics, 4, kCols);
    std::vector<float> cov(size_t(kCell) * kCell);
    bool ok = true;
    for (int cell = 0; cell < kCols * kCols; ++cell) {
        uint16_t code = cellCode(cell);
        if (code == 0 || code == 0x7F) continue;  // undefined in the code page: an empty cell
        int advance;
        if (code == 0x20 || code == 0xA0) {
            FT_Load_Char(face, 0x20, FT_LOAD_DEFAULT);
            advance = int(std::lround(face->glyph->advance.x / 64.0));
            std::fill(cov.begin(), cov.end(), 0.0f);
        } else if (code == 0xAD) {
            advance = 0;  // soft hyphen: invisible
            std::fill(cov.begin(), cov.end(), 0.0f);
        } else {
            advance = renderGlyph(face, code, cov);
            if (advance < 0) continue;  // the font lacks it: leave the cell unnamed
        }
        composeCell(cov, tex, (cell % kCols) * kCell, (cell / kCols) * kCell);
        int width = advance > 0 ? std::min(advance + kSpacing, kCell) : 0;
        put16(metrics, 8 + cell * 4, width);
        put16(metrics, 8 + cell * 4 + 2, code);
    }
    FT_Done_Face(face);
    FT_Done_FreeType(lib);

    if (const char* preview = std::getenv("OSTRIMAR_ART_PREVIEW")) {
        Image shown = makeImage(kTex, kTex, 0x6A5A7A, 255);
        blitOver(shown, tex, 0, 0);
        writeBytes(std::string(preview) + "/font_sheet.png", encodePng(shown));
        writeTextSample(preview, tex, metrics);
    }
    ok = ok && emitPicture(outDir, "targa.dat", "font.tga", encodeTga(tex, true, true));
    ok = ok && emitPicture(outDir, nullptr, "font.dat", metrics);
    return ok;
}
