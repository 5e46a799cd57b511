// The particle effects of the default data set: the sprite atlas "effects\exploanim.tga" (512 x
// 512, 64 cells of 64 x 64 pixels numbered row by row) painted here, and the effect files
// "effects\*.par", copied from their readable sources in data/effects with every line ended by
// CR LF (the reader ends a value at CR).
//
// Every cell is a light shape on black: its colour is already multiplied by its coverage, so the
// additive blend (source colour, one) adds only the shape, and its alpha is the coverage, for the
// effects that blend by alpha (smoke). Most cells are white so that the effect files colour
// them; a few are painted in their own colour because they are drawn as single flares with a grey
// colour (the candle's amber halo, the gold score star, the warm corner flare).
#include "canvas.h"
#include "datagen.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

constexpr int CELL = 64;
constexpr int COLS = 8;
constexpr int ATLAS = CELL * COLS;
constexpr int SUPER = 4;  // samples per pixel edge
constexpr double PI = 3.14159265358979;

double clamp01(double v) { return v < 0.0 ? 0.0 : (v > 1.0 ? 1.0 : v); }
double smooth(double e0, double e1, double x)
{
    double t = clamp01((x - e0) / (e1 - e0));
    return t * t * (3.0 - 2.0 * t);
}
double glow(double r, double k) { return std::exp(-r * r * k); }

// Fades everything out towards the cell's edge so no shape is cut by it.
double edgeFade(double x, double y)
{
    double r = std::sqrt(x * x + y * y);
    return 1.0 - smooth(0.6, 0.98, r);
}

// An n-pointed star of rays: bright thin lines through the centre.
double rays(double x, double y, int n, double width, double length, double turn)
{
    double r = std::sqrt(x * x + y * y);
    double a = std::atan2(y, x) + turn;
    double sector = 2.0 * PI / n;
    double d = std::fmod(std::fabs(a) + sector * 0.5, sector) - sector * 0.5;  // angle to the nearest ray
    double across = std::fabs(std::sin(d)) * r;
    return std::exp(-across * across / (width * width)) * std::exp(-r / length);
}

double hash(int x, int y, int seed)
{
    uint32_t h = uint32_t(x) * 374761393u + uint32_t(y) * 668265263u + uint32_t(seed) * 2147483647u;
    h = (h ^ (h >> 13)) * 1274126177u;
    return double((h ^ (h >> 16)) & 0xFFFF) / 65535.0;
}

// Smooth value noise on a grid of the given frequency.
double noise(double x, double y, double freq, int seed)
{
    double fx = (x + 1.0) * freq, fy = (y + 1.0) * freq;
    int ix = int(std::floor(fx)), iy = int(std::floor(fy));
    double tx = smooth(0.0, 1.0, fx - ix), ty = smooth(0.0, 1.0, fy - iy);
    double a = hash(ix, iy, seed), b = hash(ix + 1, iy, seed), c = hash(ix, iy + 1, seed), d = hash(ix + 1, iy + 1, seed);
    return (a * (1 - tx) + b * tx) * (1 - ty) + (c * (1 - tx) + d * tx) * ty;
}

double smokePuff(double x, double y, int seed)
{
    double v = 0.0;
    for (int i = 0; i < 5; i++) {
        double a = hash(i, 1, seed) * 2.0 * PI, d = 0.1 + 0.2 * hash(i, 2, seed);
        double bx = std::cos(a) * d, by = std::sin(a) * d, br = 0.42 + 0.14 * hash(i, 3, seed);
        double rr = ((x - bx) * (x - bx) + (y - by) * (y - by)) / (br * br);
        v += 0.45 * std::exp(-rr * 1.8);
    }
    double n = 0.75 + 0.25 * noise(x, y, 3.0, seed) + 0.12 * (noise(x, y, 7.0, seed + 7) - 0.5);
    return clamp01(v * n * 0.8);
}

double polygon(double x, double y, const double* px, const double* py, int n)
{
    bool inside = false;
    for (int i = 0, j = n - 1; i < n; j = i++) {
        if (((py[i] > y) != (py[j] > y)) && (x < (px[j] - px[i]) * (y - py[i]) / (py[j] - py[i]) + px[i]))
            inside = !inside;
    }
    return inside ? 1.0 : 0.0;
}

double segmentDistance(double x, double y, double ax, double ay, double bx, double by)
{
    double vx = bx - ax, vy = by - ay;
    double t = clamp01(((x - ax) * vx + (y - ay) * vy) / (vx * vx + vy * vy));
    double dx = x - ax - vx * t, dy = y - ay - vy * t;
    return std::sqrt(dx * dx + dy * dy);
}

struct Sample {
    double intensity;  // coverage, 0..1
    uint32_t tint;     // 0xRRGGBB
};

// The shape of cell k at (x, y), both -1..1 with y up.
Sample cellSample(int k, double x, double y)
{
    double r = std::sqrt(x * x + y * y);
    const uint32_t white = 0xFFFFFF;
    switch (k) {
    case 0: return {glow(r, 14.0), white};                                     // small soft glow
    case 1: return {glow(r, 3.5), white};                     // wide soft glow
    case 2: return {clamp01(1.0 - smooth(0.16, 0.24, r) * 0.8) * glow(r, 6.0), white};  // hard dot
    case 3: return {std::exp(-(x * x * 2.5 + y * y * 60.0)), white};           // streak spark
    case 4: return {clamp01(glow(r, 30.0) + rays(x, y, 4, 0.05, 0.45, 0.0)), white};   // twinkle
    case 5: return {clamp01(glow(r, 25.0) + 0.8 * rays(x, y, 6, 0.045, 0.35, 0.0)), white};
    case 6: return {std::exp(-(r - 0.68) * (r - 0.68) * 350.0), white};        // thin ring
    case 7: return {std::exp(-(r - 0.5) * (r - 0.5) * 30.0), white};  // soft ring
    case 8: return {smokePuff(x, y, 11), 0xE8E4E0};
    case 9: return {smokePuff(x, y, 23), 0xE0DCD8};
    case 10: return {clamp01(glow(r, 18.0) + 0.6 * rays(x, y, 4, 0.035, 0.3, PI / 4)), white};  // spark
    case 11: return {glow(r, 40.0) + 0.3 * glow(r, 8.0), 0xFFD9A0};            // ember
    case 12: {                                                                 // corner flare
        double v = glow(r, 10.0) * 0.9 + rays(x, y, 4, 0.03, 0.6, 0.0) + 0.45 * rays(x, y, 4, 0.02, 0.3, PI / 4);
        return {clamp01(v) * edgeFade(x, y), 0xFFE2B0};
    }
    case 13: return {glow(r, 6.0), white};                    // round glow (default)
    case 14: return {clamp01(glow(r, 20.0) + rays(x, y, 4, 0.04, 0.5, 0.0)), 0xDDEBFF};  // magic sparkle
    case 15: return {clamp01(std::exp(-(r - 0.6) * (r - 0.6) * 120.0) * 0.7 + glow(std::hypot(x + 0.25, y - 0.25), 120.0)), white};
    case 16: {                                                                 // crystal shard
        const double px[5] = {-0.15, 0.35, 0.45, -0.05, -0.45}, py[5] = {0.6, 0.3, -0.4, -0.6, -0.1};
        double inside = polygon(x, y, px, py, 5);
        return {inside * (0.55 + 0.45 * clamp01(0.5 + x - y)), white};
    }
    case 17: return {clamp01(glow(r, 60.0) + rays(x, y, 4, 0.025, 0.25, 0.0)), white};  // small sparkle
    case 18: {                                                                 // bolt
        const double bx[6] = {-0.1, 0.15, -0.05, 0.2, 0.0, 0.15}, by[6] = {0.8, 0.4, 0.05, -0.25, -0.5, -0.8};
        double d = 10.0;
        for (int i = 0; i < 5; i++) d = std::min(d, segmentDistance(x, y, bx[i], by[i], bx[i + 1], by[i + 1]));
        return {clamp01(std::exp(-d * d * 900.0) + 0.45 * std::exp(-d * d * 60.0)), 0xE8F0FF};
    }
    case 19: {                                                                 // iron link fragment
        double ex = x / 0.55, ey = y / 0.32;
        double e = std::sqrt(ex * ex + ey * ey);
        double ring = 1.0 - smooth(0.12, 0.2, std::fabs(e - 0.8));
        return {ring * (x > -0.3 ? 1.0 : 0.0), 0x8A8580};
    }
    case 20: return {clamp01(glow(r, 12.0) + 0.5 * rays(x, y, 12, 0.04, 0.5, 0.0)), white};  // sunburst
    case 21: {                                                                 // flame tongue
        double w = 0.35 * clamp01(1.0 - (y + 0.6) / 1.4) * std::sqrt(clamp01((y + 0.7) / 0.3));
        double across = w > 0 ? std::fabs(x) / w : 10.0;
        return {clamp01(1.0 - across * across) * (1.0 - smooth(0.5, 0.8, y)), 0xFFE6B8};
    }
    case 22: return {smokePuff(x * 0.8, y * 1.2, 37) * 0.8, 0xD8D4D0};         // wisp
    case 23: {                                                                 // dust motes
        double v = 0.0;
        for (int i = 0; i < 6; i++) {
            double mx = hash(i, 5, 3) * 1.2 - 0.6, my = hash(i, 6, 3) * 1.2 - 0.6;
            v += glow(std::hypot(x - mx, y - my), 160.0);
        }
        return {clamp01(v), white};
    }
    case 24: return {clamp01(std::exp(-(r - 0.35) * (r - 0.35) * 60.0) + glow(r, 40.0)), white};  // halo ring
    case 33: {                                                                 // gold score star
        double px[10], py[10];
        for (int i = 0; i < 10; i++) {
            double a = PI / 2 + i * PI / 5, rad = (i % 2 == 0) ? 0.66 : 0.28;
            px[i] = std::cos(a) * rad;
            py[i] = std::sin(a) * rad - 0.04;
        }
        double s = polygon(x, y, px, py, 10);
        return {clamp01(s * (0.75 + 0.25 * (1.0 - r)) + 0.5 * glow(r, 5.0)) * edgeFade(x, y), 0xFFD060};
    }
    case 40: return {glow(r, 4.0) * 0.95, 0xFFB860};          // candle halo (amber)
    default: {
        // The other cells repeat the soft shapes with slightly different spread, so a cell number
        // from anywhere still shows a pleasant glow.
        int variant = k % 4;
        if (variant == 0) return {glow(r, 6.0), white};
        if (variant == 1) return {clamp01(glow(r, 18.0) + 0.6 * rays(x, y, 4, 0.035, 0.3, PI / 4)), white};
        if (variant == 2) return {clamp01(glow(r, 30.0) + rays(x, y, 4, 0.05, 0.45, 0.0)), white};
        return {glow(r, 12.0), white};
    }
    }
}

Image paintAtlas()
{
    Image atlas = makeImage(ATLAS, ATLAS);
    for (int k = 0; k < COLS * COLS; k++) {
        int ox = (k % COLS) * CELL, oy = (k / COLS) * CELL;
        for (int py = 0; py < CELL; py++) {
            for (int px = 0; px < CELL; px++) {
                double sum[3] = {0, 0, 0}, cover = 0.0;
                for (int sy = 0; sy < SUPER; sy++) {
                    for (int sx = 0; sx < SUPER; sx++) {
                        double x = ((px + (sx + 0.5) / SUPER) / CELL) * 2.0 - 1.0;
                        double y = 1.0 - ((py + (sy + 0.5) / SUPER) / CELL) * 2.0;
                        Sample s = cellSample(k, x, y);
                        double v = clamp01(s.intensity) * edgeFade(x, y);
                        sum[0] += v * ((s.tint >> 16) & 255);
                        sum[1] += v * ((s.tint >> 8) & 255);
                        sum[2] += v * (s.tint & 255);
                        cover += v;
                    }
                }
                double n = SUPER * SUPER;
                uint8_t* p = atlas.at(ox + px, oy + py);
                for (int c = 0; c < 3; c++) p[c] = uint8_t(std::lround(std::min(255.0, sum[c] / n)));
                p[3] = uint8_t(std::lround(std::min(255.0, cover / n * 255.0)));
            }
        }
    }
    return atlas;
}

// A text file with every line ended by CR LF (whatever the source used).
std::vector<uint8_t> withCrLf(const std::string& text)
{
    std::vector<uint8_t> out;
    for (char c : text) {
        if (c == '\r') continue;
        if (c == '\n') out.push_back('\r');
        out.push_back(uint8_t(c));
    }
    if (!out.empty() && out.back() != '\n') {
        out.push_back('\r');
        out.push_back('\n');
    }
    return out;
}

}  // namespace

bool genEffects(const char* srcDir, const char* outDir)
{
    Image atlas = paintAtlas();
    if (!writeBytes(std::string(outDir) + "/effects/exploanim.tga", encodeTga(atlas, true, true))) return false;
    if (const char* preview = std::getenv("OSTRIMAR_ART_PREVIEW")) {
        Image sheet = makeImage(ATLAS, ATLAS, 0x101018, 255);
        for (int y = 0; y < ATLAS; y++)
            for (int x = 0; x < ATLAS; x++)
                for (int c = 0; c < 3; c++) sheet.at(x, y)[c] = uint8_t(std::min(255, sheet.at(x, y)[c] + atlas.at(x, y)[c]));
        writeBytes(std::string(preview) + "/exploanim.png", encodePng(sheet));
    }
    namespace fs = std::filesystem;
    fs::path source = fs::path(srcDir) / "effects";
    std::error_code ec;
    std::vector<fs::path> files;
    for (const fs::directory_entry& entry : fs::directory_iterator(source, ec))
        if (entry.is_regular_file() && entry.path().extension() == ".par") files.push_back(entry.path());
    if (ec || files.empty()) {
        std::fprintf(stderr, "datagen: no effect files in %s\n", source.string().c_str());
        return false;
    }
    std::sort(files.begin(), files.end());
    for (const fs::path& file : files) {
        std::ifstream in(file, std::ios::binary);
        std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        if (!writeBytes(std::string(outDir) + "/effects/" + file.filename().string(), withCrLf(text))) return false;
    }
    return true;
}
