// Level pictures of ostrimar-data for level makers: `preview` draws one level's layout (tiles,
// squares, dual squares, chains, holes, fixed figures and their bonuses) with the data set's own
// pictures, `sheet` draws every level of a folder on one contact sheet with its number. A level
// file must be well formed for either: its grid exactly 132 known place codes. See
// docs/level-difficulty.md.
#include "commands.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <unistd.h>

#include "game/board.h"
#include "platform/image/image.h"
#include "platform/os/files.h"
#include "resources/files.h"

namespace {

constexpr int GRID_PLACES = BOARD_ROWS * BOARD_COLS;
constexpr long LEVEL_FILE_MAX = 65536;
constexpr float CELL = 54.0f;  // a place of the board at scale 1, in pixels
constexpr int SHEET_COLUMNS = 12;
constexpr float SHEET_SCALE = 0.25f;

enum Bonus { NoBonus, BombBonus, ThunderBonus, CrossBonus, DiagonalBonus, MegaBonus };

// One place as a level maker wrote it.
struct Place {
    int tile;    // -1 hole, 0 bare, 1 square, 2 dual square
    bool fixed;  // a chained figure of a given colour
    int colour;
    int bonus;
};

struct Layout {
    int figures;
    Place places[BOARD_ROWS][BOARD_COLS];
};

// The place a code stands for; false for a character that is no known place code.
bool placeCode(unsigned char ch, Place* out)
{
    *out = Place{0, false, -1, NoBonus};
    if (ch == '.') out->tile = -1;
    else if (ch >= '0' && ch <= '2') out->tile = ch - '0';
    else if (ch >= 'A' && ch <= 'O') *out = Place{2, true, ch - 'A', NoBonus};
    else if (ch >= 'Q' && ch <= '_') *out = Place{2, true, ch - 'Q', BombBonus};
    else if (ch >= 'a' && ch <= 'o') *out = Place{2, true, ch - 'a', ThunderBonus};
    else if (ch >= 'q' && ch <= 'z') *out = Place{2, true, ch - 'q', CrossBonus};
    else if (ch >= 0xC0 && ch <= 0xCE) *out = Place{2, true, ch - 0xC0, DiagonalBonus};
    else if (ch >= 0xD0 && ch <= 0xDE) *out = Place{2, true, ch - 0xD0, MegaBonus};
    else return false;
    return true;
}

// Characters the game reads as place codes (everything else separates them).
bool takesAPlace(unsigned char ch) { return ch == '.' || (ch >= '0' && ch <= 'z') || ch >= 0xC0; }

// Reads and checks a level file; on failure `why` says what is wrong.
bool readLayout(const char* path, Layout* out, std::string* why)
{
    FILE* f = std::fopen(path, "rb");
    if (!f) {
        *why = "cannot be read";
        return false;
    }
    std::string text;
    char buf[4096];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0 && text.size() <= size_t(LEVEL_FILE_MAX)) text.append(buf, n);
    std::fclose(f);
    if (text.size() > size_t(LEVEL_FILE_MAX)) {
        *why = "is larger than a level file can be";
        return false;
    }
    size_t nul = text.find('\0');
    if (nul != std::string::npos) text.resize(nul);
    out->figures = 8;
    size_t key = text.find("figures=");
    if (key != std::string::npos) {
        long v = std::strtol(text.c_str() + key + 8, nullptr, 10);
        if (v < 0 || v > MAX_COLOURS) {
            *why = "has a figure count outside 1..17";
            return false;
        }
        if (v > 0) out->figures = static_cast<int>(v);
    }
    size_t grid = text.find("level=");
    if (grid == std::string::npos) {
        *why = "has no \"level=\" grid";
        return false;
    }
    int count = 0;
    for (size_t i = grid + 6; i < text.size(); i++) {
        if (text.compare(i, 4, "\r\n\r\n") == 0) break;  // an empty line ends the grid
        unsigned char ch = static_cast<unsigned char>(text[i]);
        if (!takesAPlace(ch)) continue;
        Place p;
        if (!placeCode(ch, &p)) {
            char msg[64];
            std::snprintf(msg, sizeof msg, "has an unknown place code '%c' at place %d", ch >= 32 && ch < 127 ? ch : '?',
                          count + 1);
            *why = msg;
            return false;
        }
        if (count >= GRID_PLACES) {
            *why = "has more than 132 places in its grid";
            return false;
        }
        out->places[count / BOARD_COLS][count % BOARD_COLS] = p;
        count++;
    }
    if (count < GRID_PLACES) {
        char msg[64];
        std::snprintf(msg, sizeof msg, "has %d places in its grid, 132 needed", count);
        *why = msg;
        return false;
    }
    return true;
}

// ---- pictures ----

struct Pictures {
    ImageData tiles[3];
    ImageData chain;
    ImageData cross;
    ImageData mega;
    ImageData figures[8];
    bool loaded;
};

bool loadPicture(const char* name, ImageData* out)
{
    int32_t size = 0;
    uint8_t* data = readFile(name, &size, false);
    if (!data) return false;
    bool ok = imageDecode(data, static_cast<size_t>(size), out);
    releaseFile(data);
    return ok;
}

// The board's pictures of the data set in `root` (its archives or loose files).
bool loadPictures(const std::string& root, Pictures* out)
{
    resetFileTable();
    std::string here = osGetCurrentDirectory();
    if (!osSetCurrentDirectory(root.c_str())) return false;
    openArchive("targa.dat");
    static const char* const figureNames[8] = {"figures\\aqua.tga",   "figures\\blue.tga",  "figures\\green.tga",
                                               "figures\\red.tga",    "figures\\orange.tga", "figures\\lilac.tga",
                                               "figures\\white.tga",  "figures\\yellow.tga"};
    bool ok = loadPicture("field\\field0.tga", &out->tiles[0]) && loadPicture("field\\field1.tga", &out->tiles[1]) &&
              loadPicture("field\\field2.tga", &out->tiles[2]) && loadPicture("zep2.tga", &out->chain) &&
              loadPicture("bonus1.tga", &out->cross) && loadPicture("bonus2.tga", &out->mega);
    for (int i = 0; i < 8 && ok; i++) ok = loadPicture(figureNames[i], &out->figures[i]);
    resetFileTable();
    osSetCurrentDirectory(here.c_str());
    out->loaded = ok;
    return ok;
}

std::string folderOf(const std::string& path)
{
    size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
}

// The data set of a level: the folder above its "levels" folder, else the data set the tool was
// built with (Data beside the tool).
bool findPictures(const std::string& levelFolder, Pictures* out)
{
    if (loadPictures(folderOf(levelFolder), out)) return true;
    char self[4096];
    ssize_t n = ::readlink("/proc/self/exe", self, sizeof self - 1);
    if (n <= 0) return false;
    self[n] = 0;
    return loadPictures(folderOf(self) + "/Data", out);
}

// ---- drawing ----

struct Canvas {
    int width;
    int height;
    std::vector<uint8_t> bgra;
};

Canvas makeCanvas(int width, int height, uint32_t rgb)
{
    Canvas c{width, height, std::vector<uint8_t>(static_cast<size_t>(width) * height * 4)};
    for (size_t i = 0; i < c.bgra.size(); i += 4) {
        c.bgra[i] = static_cast<uint8_t>(rgb);
        c.bgra[i + 1] = static_cast<uint8_t>(rgb >> 8);
        c.bgra[i + 2] = static_cast<uint8_t>(rgb >> 16);
        c.bgra[i + 3] = 255;
    }
    return c;
}

void blend(Canvas& c, int x, int y, const uint8_t* px, int alpha = 255)
{
    if (x < 0 || y < 0 || x >= c.width || y >= c.height) return;
    uint8_t* d = &c.bgra[(static_cast<size_t>(y) * c.width + x) * 4];
    int a = px[3] * alpha / 255;
    for (int k = 0; k < 3; k++) d[k] = static_cast<uint8_t>((px[k] * a + d[k] * (255 - a)) / 255);
}

// Scaled copies already made: a sheet draws the same few pictures at one size many times.
struct ScaledPicture {
    const ImageData* source;
    int sx;
    int sy;
    int side;
    ImageData image;
};
std::vector<ScaledPicture> scaledCache;

const ImageData* scaledPart(const ImageData& pic, int sx, int sy, int sw, int sh, int side)
{
    for (const ScaledPicture& s : scaledCache)
        if (s.source == &pic && s.sx == sx && s.sy == sy && s.side == side) return &s.image;
    ImageData part;
    part.width = sw;
    part.height = sh;
    part.pixels.resize(static_cast<size_t>(sw) * sh * 4);
    for (int y = 0; y < sh; y++)
        std::memcpy(&part.pixels[static_cast<size_t>(y) * sw * 4],
                    &pic.pixels[(static_cast<size_t>(sy + y) * pic.width + sx) * 4], static_cast<size_t>(sw) * 4);
    ScaledPicture s{&pic, sx, sy, side, ImageData{}};
    if (!imageScale(part, side, side, &s.image)) return nullptr;
    scaledCache.push_back(std::move(s));
    return &scaledCache.back().image;
}

// A part of a picture (sx, sy, sw, sh) scaled to size x size with its centre at (cx, cy).
void drawPicture(Canvas& c, const ImageData& pic, int sx, int sy, int sw, int sh, float cx, float cy, float size)
{
    int side = std::max(1, static_cast<int>(size + 0.5f));
    const ImageData* scaled = scaledPart(pic, sx, sy, sw, sh, side);
    if (!scaled) return;
    int x0 = static_cast<int>(cx - side / 2.0f + 0.5f);
    int y0 = static_cast<int>(cy - side / 2.0f + 0.5f);
    for (int y = 0; y < side; y++)
        for (int x = 0; x < side; x++) blend(c, x0 + x, y0 + y, &scaled->pixels[(static_cast<size_t>(y) * side + x) * 4]);
}

void drawWhole(Canvas& c, const ImageData& pic, float cx, float cy, float size)
{
    drawPicture(c, pic, 0, 0, pic.width, pic.height, cx, cy, size);
}

void fillRect(Canvas& c, int x0, int y0, int w, int h, uint32_t rgb, int alpha = 255)
{
    uint8_t px[4] = {static_cast<uint8_t>(rgb), static_cast<uint8_t>(rgb >> 8), static_cast<uint8_t>(rgb >> 16), 255};
    for (int y = y0; y < y0 + h; y++)
        for (int x = x0; x < x0 + w; x++) blend(c, x, y, px, alpha);
}

void fillDisc(Canvas& c, float cx, float cy, float r, uint32_t rgb, int alpha = 255)
{
    for (int y = static_cast<int>(cy - r); y <= static_cast<int>(cy + r) + 1; y++)
        for (int x = static_cast<int>(cx - r); x <= static_cast<int>(cx + r) + 1; x++) {
            float dx = x + 0.5f - cx, dy = y + 0.5f - cy;
            if (dx * dx + dy * dy <= r * r) fillRect(c, x, y, 1, 1, rgb, alpha);
        }
}

// A thick line from (x0, y0) to (x1, y1).
void line(Canvas& c, float x0, float y0, float x1, float y1, float width, uint32_t rgb)
{
    float len = std::max(std::abs(x1 - x0), std::abs(y1 - y0));
    int steps = std::max(1, static_cast<int>(len * 2));
    for (int i = 0; i <= steps; i++) {
        float t = static_cast<float>(i) / static_cast<float>(steps);
        fillDisc(c, x0 + (x1 - x0) * t, y0 + (y1 - y0) * t, width / 2.0f, rgb);
    }
}

// The marks of the bonuses the game shows with effects rather than pictures: a bomb's glowing
// dot, a thunder's bolt, a diagonal bomb's cross of diagonals.
void drawBonusMark(Canvas& c, const Pictures& pics, int bonus, float cx, float cy, float cell)
{
    float u = cell / CELL;
    switch (bonus) {
    case BombBonus:
        fillDisc(c, cx + 10 * u, cy - 10 * u, 9.0f * u, 0xFFE8A0, 120);
        fillDisc(c, cx + 10 * u, cy - 10 * u, 5.0f * u, 0xFFFFFF);
        fillDisc(c, cx - 10 * u, cy + 10 * u, 9.0f * u, 0xFFE8A0, 120);
        fillDisc(c, cx - 10 * u, cy + 10 * u, 5.0f * u, 0xFFFFFF);
        break;
    case ThunderBonus:
        line(c, cx + 6 * u, cy - 16 * u, cx - 4 * u, cy + 1 * u, 4 * u, 0xE0E8FF);
        line(c, cx - 4 * u, cy + 1 * u, cx + 4 * u, cy + 1 * u, 4 * u, 0xE0E8FF);
        line(c, cx + 4 * u, cy + 1 * u, cx - 6 * u, cy + 16 * u, 4 * u, 0xE0E8FF);
        break;
    case CrossBonus: drawWhole(c, pics.cross, cx, cy, 50.0f * u); break;
    case MegaBonus: drawWhole(c, pics.mega, cx, cy, 50.0f * u); break;
    case DiagonalBonus:
        line(c, cx - 13 * u, cy - 13 * u, cx + 13 * u, cy + 13 * u, 4 * u, 0xFFE0A0);
        line(c, cx - 13 * u, cy + 13 * u, cx + 13 * u, cy - 13 * u, 4 * u, 0xFFE0A0);
        break;
    default: break;
    }
}

// The layout with its top-left place corner at (x0, y0), places `cell` pixels apart.
void drawLayout(Canvas& c, const Layout& lv, const Pictures& pics, float x0, float y0, float cell)
{
    for (int row = 0; row < BOARD_ROWS; row++) {
        for (int col = 0; col < BOARD_COLS; col++) {
            const Place& p = lv.places[row][col];
            if (p.tile < 0) continue;
            float cx = x0 + (col + 0.5f) * cell;
            float cy = y0 + (row + 0.5f) * cell;
            drawWhole(c, pics.tiles[p.tile], cx, cy, cell * 2.0f * 28.0f / CELL);
        }
    }
    for (int row = 0; row < BOARD_ROWS; row++) {
        for (int col = 0; col < BOARD_COLS; col++) {
            const Place& p = lv.places[row][col];
            if (p.tile < 0 || !p.fixed) continue;
            float cx = x0 + (col + 0.5f) * cell;
            float cy = y0 + (row + 0.5f) * cell;
            // Colours beyond the eight pictures repeat them, as the game's identity map does.
            const ImageData& strip = pics.figures[p.colour % 8];
            int fw = strip.width / 8;
            int fh = strip.height / 4;
            drawPicture(c, strip, 0, 0, fw, fh, cx, cy, cell * 48.0f / CELL);
            drawWhole(c, pics.chain, cx, cy, cell * 70.0f / CELL);
            // Over the chain, so that a level maker sees every bonus.
            drawBonusMark(c, pics, p.bonus, cx, cy, cell);
        }
    }
}

// Digits 3 x 5, one bit per pixel, rows from the top.
void drawNumber(Canvas& c, int number, int x, int y, int px, uint32_t rgb)
{
    static const uint16_t DIGITS[10] = {0x7B6F, 0x2C97, 0x73E7, 0x73CF, 0x5BC9, 0x79CF, 0x79EF, 0x7249, 0x7BEF, 0x7BCF};
    char text[16];
    int n = std::snprintf(text, sizeof text, "%d", number);
    for (int i = 0; i < n; i++) {
        uint16_t bits = DIGITS[text[i] - '0'];
        for (int r = 0; r < 5; r++)
            for (int k = 0; k < 3; k++)
                if (bits & (1 << (14 - r * 3 - k))) fillRect(c, x + (i * 4 + k) * px, y + r * px, px, px, rgb);
    }
}

bool writePng(const Canvas& c, const char* path)
{
    ImageData img;
    img.width = c.width;
    img.height = c.height;
    img.hasAlpha = false;
    img.pixels = c.bgra;
    std::vector<uint8_t> png;
    if (!imageEncodePng(img, &png)) return false;
    std::string tmp = std::string(path) + ".tmp";
    FILE* f = std::fopen(tmp.c_str(), "wb");
    if (!f) return false;
    bool ok = std::fwrite(png.data(), 1, png.size(), f) == png.size();
    ok = std::fflush(f) == 0 && ok;
    ok = std::fclose(f) == 0 && ok;
    if (ok && std::rename(tmp.c_str(), path) == 0) return true;
    std::remove(tmp.c_str());
    return false;
}

bool parseScale(const char* s, float* out)
{
    if (!s || !*s) return false;
    char* end = nullptr;
    double v = std::strtod(s, &end);
    if (*end != 0 || !(v >= 0.1 && v <= 4.0)) return false;
    *out = static_cast<float>(v);
    return true;
}

} // namespace

int cmdPreview(int argc, char** argv)
{
    const char* level = nullptr;
    const char* out = nullptr;
    float scale = 1.0f;
    for (int i = 0; i < argc; i++) {
        if (std::strcmp(argv[i], "--scale") == 0) {
            if (!parseScale(i + 1 < argc ? argv[i + 1] : nullptr, &scale)) {
                std::fprintf(stderr, "preview: --scale needs a number from 0.1 to 4\n");
                return 1;
            }
            i++;
        } else if (!level) {
            level = argv[i];
        } else if (!out) {
            out = argv[i];
        } else {
            level = nullptr;
            break;
        }
    }
    if (!level || !out) {
        std::fprintf(stderr, "usage: ostrimar-data preview LEVEL OUT.png [--scale S]\n");
        return 1;
    }
    Layout lv;
    std::string why;
    if (!readLayout(level, &lv, &why)) {
        std::fprintf(stderr, "preview: level file %s %s\n", level, why.c_str());
        return 1;
    }
    Pictures pics{};
    if (!findPictures(folderOf(level), &pics)) {
        std::fprintf(stderr, "preview: no data set with the board pictures for %s\n", level);
        return 1;
    }
    float cell = CELL * scale;
    int margin = static_cast<int>(8.0f * scale + 0.5f);
    Canvas c = makeCanvas(static_cast<int>(cell * BOARD_COLS) + 2 * margin, static_cast<int>(cell * BOARD_ROWS) + 2 * margin,
                          0x1A1D24);
    drawLayout(c, lv, pics, static_cast<float>(margin), static_cast<float>(margin), cell);
    if (!writePng(c, out)) {
        std::fprintf(stderr, "preview: cannot write %s\n", out);
        return 1;
    }
    return 0;
}

int cmdSheet(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: ostrimar-data sheet FOLDER OUT.png\n");
        return 1;
    }
    std::string folder = argv[0];
    // The game's level files, numbered from 1 up to the first missing one.
    std::vector<Layout> levels;
    for (int n = 1; n <= 999; n++) {
        char name[32];
        std::snprintf(name, sizeof name, "/pack1_%.2i.lvl", n);
        std::string path = folder + name;
        if (FILE* f = std::fopen(path.c_str(), "rb")) std::fclose(f);
        else break;
        Layout lv;
        std::string why;
        if (!readLayout(path.c_str(), &lv, &why)) {
            std::fprintf(stderr, "sheet: level file %s %s\n", path.c_str(), why.c_str());
            return 1;
        }
        levels.push_back(lv);
    }
    if (levels.empty()) {
        std::fprintf(stderr, "sheet: %s holds no level files (pack1_01.lvl, ...)\n", folder.c_str());
        return 1;
    }
    Pictures pics{};
    if (!findPictures(folder, &pics)) {
        std::fprintf(stderr, "sheet: no data set with the board pictures for %s\n", folder.c_str());
        return 1;
    }
    const float cell = CELL * SHEET_SCALE;
    const int label = 14;
    const int tileW = static_cast<int>(cell * BOARD_COLS) + 10;
    const int tileH = static_cast<int>(cell * BOARD_ROWS) + 10 + label;
    const int columns = std::min(SHEET_COLUMNS, static_cast<int>(levels.size()));
    const int rows = (static_cast<int>(levels.size()) + columns - 1) / columns;
    Canvas c = makeCanvas(columns * tileW + 10, rows * tileH + 10, 0x1A1D24);
    for (size_t i = 0; i < levels.size(); i++) {
        int x = 10 + static_cast<int>(i % columns) * tileW;
        int y = 10 + static_cast<int>(i / columns) * tileH;
        drawNumber(c, static_cast<int>(i) + 1, x, y, 2, 0xE8D8B0);
        drawLayout(c, levels[i], pics, static_cast<float>(x), static_cast<float>(y + label), cell);
    }
    if (!writePng(c, argv[1])) {
        std::fprintf(stderr, "sheet: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
