// The living layers of the backdrops: the object catalogue "AnimBacks\gameobjs.txt", the scenes
// "AnimBacks\level<n>.lev" (n = 0..17) and the textures they place over the pictures (drifting
// cloud strips, flowing water and falls, spray, swaying leaves, foreground tufts), all from the
// readable sources in data/scenes:
//   gameobjs.txt   the catalogue, copied as it is;
//   textures.txt   one texture a line: file, kind, width, height and the kind's values;
//   level<n>.txt   "scene NAME", then one placed object a line: name, left, top, right,
//                  bottom (screen units, y up), angle (degrees), scroll x, scroll y, mirrored,
//                  first pass.
// Textures go into "targa.dat" as "AnimBacks\<file>"; the catalogue and the scenes are loose
// files in the AnimBacks folder. OSTRIMAR_ART_PREVIEW, when set, receives PNG copies of the
// textures.
#include "core/random.h"
#include "boardart.h"
#include "canvas.h"
#include "datagen.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

constexpr double PI = 3.14159265358979;
constexpr int SCENES = 18;

double frand() { return rand15() / 32767.0; }
double frange(double a, double b) { return a + (b - a) * frand(); }

uint32_t hexColour(const std::string& s) { return static_cast<uint32_t>(std::strtoul(s.c_str(), nullptr, 16)); }

// Calls paint at x, x - w and x + w so that what crosses the left or right edge comes back on the
// other side (textures that repeat across).
template <typename F>
void wrappedX(double w, F paint)
{
    for (int k = -1; k <= 1; ++k) paint(k * w);
}

// clouds: a strip of clouds on nothing, repeating across. Values: light, shade, alpha, count.
Image paintClouds(int w, int h, const std::vector<std::string>& v)
{
    uint32_t light = hexColour(v[0]), shade = hexColour(v[1]);
    double alpha = std::atof(v[2].c_str());
    int count = std::atoi(v[3].c_str());
    return drawPicture(w, h, 2, [&](cairo_t* cr) {
        for (int i = 0; i < count; ++i) {
            double x = (i + frange(0.1, 0.9)) * w / count, y = frange(h * 0.35, h * 0.65);
            double cw = frange(0.16, 0.3) * w;
            if (cw > h * 1.6) cw = h * 1.6;
            wrappedX(w, [&](double dx) { puffCloud(cr, x + dx, y, cw, light, shade, alpha); });
        }
    });
}

// glints: light streaks on open water, repeating both ways. Values: colour, count, alpha.
Image paintGlints(int w, int h, const std::vector<std::string>& v)
{
    uint32_t colour = hexColour(v[0]);
    int count = std::atoi(v[1].c_str());
    double alpha = std::atof(v[2].c_str());
    return drawPicture(w, h, 2, [&](cairo_t* cr) {
        cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
        for (int i = 0; i < count; ++i) {
            double x = frange(0, w), y = frange(2, h - 2), len = frange(6, 26), a = alpha * frange(0.4, 1.0);
            for (int dy = -1; dy <= 1; ++dy)
                wrappedX(w, [&](double dx) {
                    setColour(cr, colour, a);
                    cairo_set_line_width(cr, frange(1.0, 2.2));
                    cairo_move_to(cr, x + dx - len / 2, y + dy * h);
                    cairo_line_to(cr, x + dx + len / 2, y + dy * h);
                    cairo_stroke(cr);
                });
        }
    });
}

// fall: a sheet of falling water, repeating downwards, fading out at its sides. Values: water
// colour, foam colour.
Image paintFall(int w, int h, const std::vector<std::string>& v)
{
    uint32_t water = hexColour(v[0]), foam = hexColour(v[1]);
    Image img = drawPicture(w, h, 2, [&](cairo_t* cr) {
        setColour(cr, water, 0.55);
        cairo_paint(cr);
        cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
        for (int i = 0; i < 70; ++i) {
            double x = frange(2, w - 2), y = frange(0, h), len = frange(h * 0.1, h * 0.45);
            double a = frange(0.25, 0.8);
            for (int k = -1; k <= 1; ++k) {
                setColour(cr, i % 3 ? foam : shadeColour(water, 0.8), a);
                cairo_set_line_width(cr, frange(0.8, 2.4));
                cairo_move_to(cr, x, y + k * h);
                cairo_line_to(cr, x + frange(-0.6, 0.6), y + k * h + len);
                cairo_stroke(cr);
            }
        }
    });
    // soft sides
    for (int y = 0; y < img.height; ++y)
        for (int x = 0; x < img.width; ++x) {
            double edge = std::fmin(x + 0.5, img.width - x - 0.5) / (img.width * 0.18);
            if (edge < 1.0) img.at(x, y)[3] = static_cast<uint8_t>(img.at(x, y)[3] * edge);
        }
    return img;
}

// blob: a soft round light for additive sprites. Its alpha is 0 everywhere, so the spray's own
// rectangle is never seen; the sprites add its colour. Values: colour.
Image paintBlob(int w, int h, const std::vector<std::string>& v)
{
    uint32_t colour = hexColour(v[0]);
    Image img = makeImage(w, h, 0, 0);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            double dx = (x + 0.5) / w * 2 - 1, dy = (y + 0.5) / h * 2 - 1, d = std::sqrt(dx * dx + dy * dy);
            double k = d >= 1 ? 0 : (1 - d) * (1 - d);
            uint8_t* p = img.at(x, y);
            p[0] = static_cast<uint8_t>(((colour >> 16) & 0xFF) * k);
            p[1] = static_cast<uint8_t>(((colour >> 8) & 0xFF) * k);
            p[2] = static_cast<uint8_t>((colour & 0xFF) * k);
            p[3] = 0;
        }
    return img;
}

// leaves: a spray of leaves on a twig growing from the middle of the left edge to the right.
// Values: leaf colour, leaf shade, twig colour, leaf count, leaf kind (round, long, needle).
Image paintLeaves(int w, int h, const std::vector<std::string>& v)
{
    uint32_t leaf = hexColour(v[0]), shade = hexColour(v[1]), twig = hexColour(v[2]);
    int count = std::atoi(v[3].c_str());
    std::string kind = v[4];
    return drawPicture(w, h, 2, [&](cairo_t* cr) {
        // the twig: a gentle curve from the left middle
        double midY = h / 2.0;
        auto twigAt = [&](double t, double* x, double* y) {
            *x = t * w * 0.92;
            *y = midY + std::sin(t * 2.2) * h * 0.12 + t * t * h * 0.12;
        };
        cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
        setColour(cr, twig);
        cairo_set_line_width(cr, h * 0.035);
        double x0, y0;
        twigAt(0, &x0, &y0);
        cairo_move_to(cr, x0, y0);
        for (int i = 1; i <= 20; ++i) {
            double x, y;
            twigAt(i / 20.0, &x, &y);
            cairo_line_to(cr, x, y);
        }
        cairo_stroke(cr);
        for (int i = 0; i < count; ++i) {
            double t = 0.12 + 0.86 * frand(), x, y;
            twigAt(t, &x, &y);
            double side = i % 2 ? 1 : -1;
            double ang = side * frange(0.5, 1.2) + frange(-0.2, 0.2);
            double len = h * 0.3 * (1.1 - 0.5 * t) * frange(0.8, 1.2);
            double wid = kind == "long" ? len * 0.32 : kind == "needle" ? len * 0.07 : len * 0.55;
            cairo_save(cr);
            cairo_translate(cr, x, y);
            cairo_rotate(cr, ang);
            cairo_translate(cr, len * 0.55, 0);
            uint32_t col = mixColour(shade, leaf, frange(0.3, 1.0));
            cairo_pattern_t* p = cairo_pattern_create_linear(0, -wid, 0, wid);
            addStop(p, 0, shadeColour(col, 1.25));
            addStop(p, 1, shadeColour(col, 0.75));
            usePattern(cr, p);
            cairo_scale(cr, len * 0.55, wid / 2);
            cairo_arc(cr, 0, 0, 1, 0, 2 * PI);
            cairo_fill(cr);
            cairo_restore(cr);
        }
    });
}

// tuft: grass or reeds growing from the bottom edge, for the foreground. Values: colour, blades.
Image paintTuft(int w, int h, const std::vector<std::string>& v)
{
    uint32_t colour = hexColour(v[0]);
    int blades = std::atoi(v[1].c_str());
    return drawPicture(w, h, 2, [&](cairo_t* cr) {
        for (int i = 0; i < blades; ++i) {
            double x = frange(w * 0.05, w * 0.95), top = frange(h * 0.05, h * 0.6), lean = frange(-w * 0.18, w * 0.18);
            double base = frange(2.0, 4.5);
            uint32_t col = shadeColour(colour, frange(0.7, 1.2));
            cairo_move_to(cr, x - base, h);
            cairo_curve_to(cr, x - base * 0.5, (h + top) / 2, x + lean * 0.6, top + 10, x + lean, top);
            cairo_curve_to(cr, x + lean * 0.6 + 1, top + 10, x + base * 0.5, (h + top) / 2, x + base, h);
            cairo_close_path(cr);
            cairo_pattern_t* p = cairo_pattern_create_linear(0, top, 0, h);
            addStop(p, 0, shadeColour(col, 1.3));
            addStop(p, 1, shadeColour(col, 0.55));
            usePattern(cr, p);
            cairo_fill(cr);
        }
    });
}

bool readLines(const std::string& path, std::vector<std::string>& lines)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "datagen: cannot read %s\n", path.c_str());
        return false;
    }
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        size_t hash = line.find('#');
        if (hash != std::string::npos) line.erase(hash);
        if (line.find_first_not_of(" \t") == std::string::npos) continue;
        lines.push_back(line);
    }
    return true;
}

bool makeTextures(const std::string& src, const char* outDir, const char* preview)
{
    std::vector<std::string> lines;
    if (!readLines(src + "/textures.txt", lines)) return false;
    for (size_t n = 0; n < lines.size(); ++n) {
        std::istringstream ss(lines[n]);
        std::string file, kind;
        int w = 0, h = 0;
        ss >> file >> kind >> w >> h;
        std::vector<std::string> values;
        for (std::string s; ss >> s;) values.push_back(s);
        srand15(7000u + static_cast<uint32_t>(n) * 131u);
        struct Kind {
            const char* name;
            size_t values;
            Image (*paint)(int, int, const std::vector<std::string>&);
        };
        static const Kind kinds[] = {{"clouds", 4, paintClouds}, {"glints", 3, paintGlints}, {"fall", 2, paintFall},
                                     {"blob", 1, paintBlob},     {"leaves", 5, paintLeaves}, {"tuft", 2, paintTuft}};
        Image img;
        for (const Kind& k : kinds)
            if (kind == k.name && values.size() >= k.values && w > 0 && h > 0 && w <= 1024 && h <= 1024)
                img = k.paint(w, h, values);
        if (img.width != w || img.height != h || w <= 0) {
            std::fprintf(stderr, "datagen: scenes/textures.txt line %zu: cannot make %s (%s)\n", n + 1, file.c_str(),
                         kind.c_str());
            return false;
        }
        if (!emitPicture(outDir, "targa.dat", ("AnimBacks\\" + file).c_str(), encodeTga(img, true))) return false;
        if (preview) {
            // Shown over a mid grey so that light and dark parts both read.
            Image shown = makeImage(w, h, 0x606870, 255);
            if (kind == "blob") {
                for (int y = 0; y < h; ++y)
                    for (int x = 0; x < w; ++x)
                        for (int c = 0; c < 3; ++c)
                            shown.at(x, y)[c] = static_cast<uint8_t>(std::min(255, shown.at(x, y)[c] + img.at(x, y)[c]));
            } else {
                blitOver(shown, img, 0, 0);
            }
            writeBytes(std::string(preview) + "/scene_" + file + ".png", encodePng(shown));
        }
    }
    return true;
}

void putInt32(std::vector<uint8_t>& out, int32_t v)
{
    uint32_t u;
    std::memcpy(&u, &v, 4);
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(u >> (8 * i)));
}

void putFloat(std::vector<uint8_t>& out, float f)
{
    int32_t v;
    std::memcpy(&v, &f, 4);
    putInt32(out, v);
}

// One scene source into the scene file's bytes; false (with a message) on a bad line.
bool makeScene(const std::string& path, std::vector<uint8_t>& out)
{
    std::vector<std::string> lines;
    if (!readLines(path, lines)) return false;
    std::string sceneName;
    std::vector<uint8_t> objects;
    int count = 0;
    for (const std::string& line : lines) {
        std::istringstream ss(line);
        std::string name;
        ss >> name;
        if (name == "scene") {
            std::getline(ss >> std::ws, sceneName);
            continue;
        }
        float v[7];
        int mirrored = 0, firstPass = 0;
        for (float& f : v) ss >> f;
        ss >> mirrored >> firstPass;
        if (!ss || name.size() > 31) {
            std::fprintf(stderr, "datagen: %s: bad object line: %s\n", path.c_str(), line.c_str());
            return false;
        }
        char field[32] = {};
        std::memcpy(field, name.data(), name.size());
        objects.insert(objects.end(), field, field + 32);
        for (float f : v) putFloat(objects, f);
        objects.push_back(static_cast<uint8_t>(mirrored));
        putInt32(objects, firstPass);
        ++count;
    }
    char header[64] = {};
    std::snprintf(header, sizeof header, "%s", sceneName.c_str());
    out.assign(header, header + 64);
    putInt32(out, count);
    out.insert(out.end(), objects.begin(), objects.end());
    return true;
}

}  // namespace

bool genScenes(const char* srcDir, const char* outDir)
{
    std::string src = std::string(srcDir) + "/scenes";
    const char* preview = std::getenv("OSTRIMAR_ART_PREVIEW");
    if (!makeTextures(src, outDir, preview)) return false;
    std::ifstream cat(src + "/gameobjs.txt", std::ios::binary);
    if (!cat) {
        std::fprintf(stderr, "datagen: cannot read %s/gameobjs.txt\n", src.c_str());
        return false;
    }
    std::vector<uint8_t> catalogue((std::istreambuf_iterator<char>(cat)), std::istreambuf_iterator<char>());
    if (!writeBytes(std::string(outDir) + "/AnimBacks/gameobjs.txt", catalogue)) return false;
    for (int n = 0; n < SCENES; ++n) {
        std::vector<uint8_t> bytes;
        if (!makeScene(src + "/level" + std::to_string(n) + ".txt", bytes)) return false;
        if (!writeBytes(std::string(outDir) + "/AnimBacks/level" + std::to_string(n) + ".lev", bytes)) return false;
    }
    return true;
}
