// The default data set's board pictures, font and level files, read from the Data folder the
// build makes (the "dataset" target), through the game's own file table and picture decoders;
// and the picture writers of the generator.
#include "canvas.h"
#include "datagen.h"
#include "gen_levels.h"
#include "game/limits.h"
#include "platform/image/image.h"
#include "platform/os/files.h"
#include "resources/files.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <set>
#include <string>
#include <vector>

namespace {

const std::string kData = std::string(OSTRIMAR_BINARY_DIR) + "/Data";

// Opens the data set the way the game does: the archives first, then loose files.
class DataSet : public ::testing::Test {
protected:
    void SetUp() override
    {
        resetFileTable();
        resetFiles();
        ASSERT_TRUE(osSetCurrentDirectory(kData.c_str())) << "no " << kData << ": build the dataset target";
        ASSERT_EQ(openArchive("targa.dat"), ArchiveStatus::Ok);
        ASSERT_EQ(openArchive("jpeg.dat"), ArchiveStatus::Ok);
    }
    void TearDown() override
    {
        resetFileTable();
        resetFiles();
    }

    std::vector<uint8_t> bytes(const char* name)
    {
        int32_t size = 0;
        uint8_t* data = readFile(name, &size, false);
        if (!data) return {};
        return std::vector<uint8_t>(data, data + size);
    }

    // Decodes a picture as the texture loader would; "_a_" JPEGs get their alpha stream.
    bool picture(const char* name, ImageData& out)
    {
        std::vector<uint8_t> b = bytes(name);
        if (b.empty()) return false;
        if (std::strncmp(name, "_a_", 3) != 0) return imageDecode(b.data(), b.size(), &out);
        size_t split = imageJpegAlphaSplit(b.data(), b.size());
        if (split == 0 || !imageDecodeJpeg(b.data(), split, &out)) return false;
        if (b.size() - split != size_t(out.width) * out.height) return false;
        for (size_t i = 0; i < size_t(out.width) * out.height; ++i) out.pixels[i * 4 + 3] = b[split + i];
        out.hasAlpha = true;
        return true;
    }
};

uint8_t alphaAt(const ImageData& img, int x, int y) { return img.pixels[(size_t(y) * img.width + x) * 4 + 3]; }

bool isPow2(int n) { return n > 0 && (n & (n - 1)) == 0; }

struct Expected {
    const char* name;
    int width, height;
};

// Every picture the board, the HUD, the candle and the shutter load, with the size the layout
// code draws it at (all powers of two, so the loader does not stretch them).
const Expected kBoardPictures[] = {
    {"figures\\aqua.tga", 512, 256},   {"figures\\blue.tga", 512, 256},   {"figures\\green.tga", 512, 256},
    {"figures\\red.tga", 512, 256},    {"figures\\orange.tga", 512, 256}, {"figures\\lilac.tga", 512, 256},
    {"figures\\white.tga", 512, 256},  {"figures\\yellow.tga", 512, 256}, {"zep2.tga", 128, 128},
    {"field\\field0.tga", 64, 64},     {"field\\field1.tga", 64, 64},     {"field\\field2.tga", 64, 64},
    {"bonus1.tga", 64, 64},            {"bonus2.tga", 64, 64},            {"flare.jpg", 64, 64},
    {"hammer.texturelum1.jpg", 64, 128}, {"hammer.texturelum2.jpg", 64, 128},
    {"hammer.texturelum3.jpg", 64, 128}, {"hammer.texture1.tga", 64, 128}, {"hammer.texture2.tga", 64, 128},
    {"_a_gamebar.jpg", 128, 512},      {"_a_candle.jpg", 64, 512},        {"candlefire.tga", 64, 64},
    {"candlepool.tga", 128, 64},       {"_a_candlestick.jpg", 128, 512},  {"drop1.tga", 16, 64},
    {"drop2.tga", 16, 64},             {"drop3.tga", 16, 64},             {"drop4.tga", 16, 64},
    {"heart.tga", 32, 32},             {"_a_gag.jpg", 512, 512},          {"trophybutton.tga", 64, 64},
    {"podsvet.jpg", 128, 64},          {"font.tga", 1024, 1024},          {"cursors\\arrow.tga", 32, 32},
    {"cursors\\hammer.tga", 32, 32},   {"icon.tga", 64, 64},
};

TEST_F(DataSet, EveryBoardPictureIsThereAtItsSize)
{
    for (const Expected& e : kBoardPictures) {
        ImageData img;
        ASSERT_TRUE(picture(e.name, img)) << e.name << " is missing or does not decode";
        EXPECT_EQ(img.width, e.width) << e.name;
        EXPECT_EQ(img.height, e.height) << e.name;
        EXPECT_TRUE(isPow2(img.width) && isPow2(img.height)) << e.name;
    }
}

TEST_F(DataSet, PicturesDrawnOverOthersHaveRealTransparency)
{
    // Each of these must have see-through parts and solid parts: a TGA saved without alpha, or
    // an alpha channel left all opaque or all clear, would show as a box or not at all.
    for (const Expected& e : kBoardPictures) {
        bool glow = std::strstr(e.name, ".jpg") && std::strncmp(e.name, "_a_", 3) != 0;
        if (glow) continue;  // additive glows are plain JPEG on black
        ImageData img;
        ASSERT_TRUE(picture(e.name, img)) << e.name;
        EXPECT_TRUE(img.hasAlpha) << e.name;
        int clear = 0, solid = 0;
        for (int y = 0; y < img.height; ++y)
            for (int x = 0; x < img.width; ++x) {
                uint8_t a = alphaAt(img, x, y);
                clear += a == 0;
                solid += a >= 240;
            }
        EXPECT_GT(clear, 0) << e.name;
        EXPECT_GT(solid, 0) << e.name;
    }
}

TEST_F(DataSet, AdditiveGlowsAreBrightInTheMiddleAndBlackAtTheEdge)
{
    for (const char* name : {"flare.jpg", "podsvet.jpg"}) {
        ImageData img;
        ASSERT_TRUE(picture(name, img)) << name;
        const uint8_t* centre = &img.pixels[(size_t(img.height / 2) * img.width + img.width / 2) * 4];
        const uint8_t* corner = &img.pixels[0];
        EXPECT_GT(centre[1], 180) << name;
        EXPECT_LT(corner[1], 12) << name;
    }
}

TEST_F(DataSet, ShutterIsClearInTheMiddleAndOpaqueAtTheCorners)
{
    ImageData img;
    ASSERT_TRUE(picture("_a_gag.jpg", img));
    EXPECT_EQ(alphaAt(img, 256, 256), 0);
    EXPECT_EQ(alphaAt(img, 0, 0), 255);
    EXPECT_EQ(alphaAt(img, 511, 511), 255);
}

// ---- Figure strips ----------------------------------------------------------------------------

const char* const kColours[8] = {"aqua", "blue", "green", "red", "orange", "lilac", "white", "yellow"};

// Alpha of frame f (8 columns x 4 rows of 64-pixel cells).
std::vector<uint8_t> frameAlpha(const ImageData& strip, int f)
{
    std::vector<uint8_t> a(64 * 64);
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x) a[y * 64 + x] = alphaAt(strip, (f % 8) * 64 + x, (f / 8) * 64 + y);
    return a;
}

double frameDifference(const ImageData& strip, int f, int g)
{
    double sum = 0;
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x)
            for (int c = 0; c < 4; ++c) {
                int a = strip.pixels[(size_t((f / 8) * 64 + y) * strip.width + (f % 8) * 64 + x) * 4 + c];
                int b = strip.pixels[(size_t((g / 8) * 64 + y) * strip.width + (g % 8) * 64 + x) * 4 + c];
                sum += std::abs(a - b);
            }
    return sum / (64 * 64 * 4);
}

TEST_F(DataSet, EveryFigureFrameIsDrawnInsideItsOwnCell)
{
    for (const char* colour : kColours) {
        ImageData strip;
        ASSERT_TRUE(picture((std::string("figures\\") + colour + ".tga").c_str(), strip)) << colour;
        for (int f = 0; f < 32; ++f) {
            std::vector<uint8_t> a = frameAlpha(strip, f);
            int solid = 0, border = 0;
            for (int y = 0; y < 64; ++y)
                for (int x = 0; x < 64; ++x) {
                    solid += a[y * 64 + x] >= 240;
                    if (x == 0 || y == 0 || x == 63 || y == 63) border = std::max<int>(border, a[y * 64 + x]);
                }
            // The resting figure fills a good part of its cell and no frame vanishes (a coin
            // seen edge-on is thin); nothing reaches the cell's edge, where filtering would pull
            // it into the neighbouring frame.
            EXPECT_GT(solid, f == 0 ? 64 * 64 / 5 : 64) << colour << " frame " << f;
            EXPECT_LE(border, 16) << colour << " frame " << f;
        }
    }
}

// The outline of a resting figure as its farthest extent from its centre in 72 directions.
std::vector<double> radialProfile(const std::vector<uint8_t>& alpha)
{
    double cx = 0, cy = 0, n = 0;
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x)
            if (alpha[y * 64 + x] >= 128) cx += x, cy += y, n += 1;
    cx /= n, cy /= n;
    std::vector<double> r(72, 0.0);
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x) {
            if (alpha[y * 64 + x] < 128) continue;
            double dx = x - cx, dy = y - cy;
            int bin = int((std::atan2(dy, dx) + M_PI) / (2 * M_PI) * 72) % 72;
            r[size_t(bin)] = std::max(r[size_t(bin)], std::sqrt(dx * dx + dy * dy));
        }
    return r;
}

TEST_F(DataSet, EachColourHasItsOwnSilhouette)
{
    std::vector<std::vector<double>> profiles;
    for (const char* colour : kColours) {
        ImageData strip;
        ASSERT_TRUE(picture((std::string("figures\\") + colour + ".tga").c_str(), strip)) << colour;
        profiles.push_back(radialProfile(frameAlpha(strip, 0)));
    }
    for (size_t i = 0; i < profiles.size(); ++i)
        for (size_t j = i + 1; j < profiles.size(); ++j) {
            double diff = 0, mean = 0;
            for (size_t k = 0; k < 72; ++k) {
                diff += std::fabs(profiles[i][k] - profiles[j][k]);
                mean += (profiles[i][k] + profiles[j][k]) / 2;
            }
            // Outlines that differ this much (a square's corners against a circle already do)
            // are told apart without their colours.
            EXPECT_GT(diff / mean, 0.06) << kColours[i] << " and " << kColours[j];
        }
}

TEST_F(DataSet, FigureAnimationsMoveAndReturnToTheRestingPose)
{
    for (const char* colour : kColours) {
        ImageData strip;
        ASSERT_TRUE(picture((std::string("figures\\") + colour + ".tga").c_str(), strip)) << colour;
        double most = 0;
        int brightest = 0;
        for (int f = 1; f < 32; ++f) {
            most = std::max(most, frameDifference(strip, 0, f));
            // Pixels that change clearly (a glint, a turn) somewhere in the cycle.
            int changed = 0;
            for (int y = 0; y < 64; ++y)
                for (int x = 0; x < 64; ++x) {
                    const uint8_t* a = &strip.pixels[(size_t(y) * strip.width + x) * 4];
                    const uint8_t* b = &strip.pixels[(size_t((f / 8) * 64 + y) * strip.width + (f % 8) * 64 + x) * 4];
                    changed += std::abs(a[0] - b[0]) + std::abs(a[1] - b[1]) + std::abs(a[2] - b[2]) > 90;
                }
            brightest = std::max(brightest, changed);
        }
        EXPECT_GT(brightest, 64 * 64 / 40) << colour << " does not animate visibly";
        // The cycle loops: the last frame leads back into frame 0.
        EXPECT_LT(frameDifference(strip, 0, 31), most / 2) << colour;
    }
}

// ---- Font -------------------------------------------------------------------------------------

struct Glyph {
    int width;
    int code;
};

class Font : public DataSet {
protected:
    void SetUp() override
    {
        DataSet::SetUp();
        metrics = bytes("font.dat");
    }
    int u16(size_t at) const { return metrics[at] | (metrics[at + 1] << 8); }
    Glyph entry(int i) const { return {u16(8 + size_t(i) * 4), u16(8 + size_t(i) * 4 + 2)}; }
    // The cell the game's loader would pick for a code unit (the last entry naming it), or -1.
    int cellOf(int code) const
    {
        int cell = -1;
        for (int i = 0; i < 1024; ++i)
            if (entry(i).code == code) cell = i;
        return cell;
    }
    std::vector<uint8_t> metrics;
};

TEST_F(Font, MetricsDescribeASquareGridOnTheTexture)
{
    ASSERT_EQ(metrics.size(), 4104u);
    ImageData tex;
    ASSERT_TRUE(picture("font.tga", tex));
    EXPECT_EQ(u16(0), tex.width);
    EXPECT_EQ(u16(2), tex.height);
    const int cols = u16(4);
    ASSERT_GT(cols, 0);
    // Cells must be square (the font is drawn with aspect 1) and whole pixels wide.
    EXPECT_EQ(tex.width % cols, 0);
    EXPECT_EQ(tex.width / cols, tex.height / (tex.width <= tex.height ? cols : cols / 2));
}

TEST_F(Font, CoversLatinAndCyrillicOnceEach)
{
    ASSERT_EQ(metrics.size(), 4104u);
    const int cellW = u16(0) / u16(4);
    std::vector<int> codes;
    for (int c = 0x21; c <= 0x7E; ++c) codes.push_back(c);
    for (int c = 0x410; c <= 0x44F; ++c) codes.push_back(c);
    for (int c : {0x401, 0x451, 0x2116, 0x2014, 0x2026, 0xAB, 0xBB}) codes.push_back(c);  // Ё ё № — … « »
    std::set<int> cells;
    for (int code : codes) {
        int cell = cellOf(code);
        ASSERT_GE(cell, 0) << "code " << std::hex << code << " has no glyph";
        Glyph g = entry(cell);
        EXPECT_GT(g.width, 0) << std::hex << code;
        EXPECT_LE(g.width, cellW) << std::hex << code;
        EXPECT_TRUE(cells.insert(cell).second) << "two characters share cell " << cell;
    }
}

TEST_F(Font, UnknownCharactersDrawTheEmptyCellZero)
{
    // A code unit no entry names draws cell 0; that cell must be blank (it is the space).
    ASSERT_EQ(metrics.size(), 4104u);
    EXPECT_EQ(entry(0).code, 0x20);
    EXPECT_GT(entry(0).width, 0);
    ImageData tex;
    ASSERT_TRUE(picture("font.tga", tex));
    const int cell = tex.width / u16(4);
    int ink = 0;
    for (int y = 0; y < cell; ++y)
        for (int x = 0; x < cell; ++x) ink += alphaAt(tex, x, y);
    EXPECT_EQ(ink, 0);
}

TEST_F(Font, GlyphsAreWhiteWithADarkOutline)
{
    ASSERT_EQ(metrics.size(), 4104u);
    ImageData tex;
    ASSERT_TRUE(picture("font.tga", tex));
    const int cols = u16(4), cell = tex.width / cols;
    for (int code : {0x416 /* Ж */, int('W'), int('8')}) {
        int k = cellOf(code);
        ASSERT_GE(k, 0);
        int white = 0, dark = 0;
        for (int y = 0; y < cell; ++y)
            for (int x = 0; x < cell; ++x) {
                const uint8_t* p = &tex.pixels[(size_t((k / cols) * cell + y) * tex.width + (k % cols) * cell + x) * 4];
                if (p[3] < 200) continue;
                white += p[0] > 200 && p[1] > 200 && p[2] > 200;
                dark += p[0] < 60 && p[1] < 60 && p[2] < 60;
            }
        EXPECT_GT(white, 40) << code;
        EXPECT_GT(dark, 40) << code;
    }
}

// ---- Levels -----------------------------------------------------------------------------------

struct LevelFile {
    std::string text;
    int figures = 0, time = 0, moves = 0, back = 0;
    std::vector<std::string> rows;
};

// A plain key=value reading of a level file, as the level reader reads it.
bool parseLevel(const std::vector<uint8_t>& raw, LevelFile& out, std::string& why)
{
    out.text.assign(raw.begin(), raw.end());
    auto value = [&](const char* key, int& v) {
        size_t at = out.text.find(key);
        if (at == std::string::npos) return false;
        v = std::atoi(out.text.c_str() + at + std::strlen(key));
        return true;
    };
    if (!value("figures=", out.figures) || !value("time=", out.time) || !value("moves=", out.moves) ||
        !value("back=", out.back)) {
        why = "a key is missing";
        return false;
    }
    size_t at = out.text.find("level=\r\n");
    if (at == std::string::npos) {
        why = "no grid";
        return false;
    }
    std::string grid = out.text.substr(at + 8);
    size_t pos = 0;
    while (pos < grid.size()) {
        size_t end = grid.find("\r\n", pos);
        if (end == std::string::npos) {
            why = "a grid line does not end in CR LF";
            return false;
        }
        if (end == pos) break;  // an empty line ends the grid
        out.rows.push_back(grid.substr(pos, end - pos));
        pos = end + 2;
    }
    return true;
}

bool isPlaceCode(unsigned char ch)
{
    return ch == '.' || ch == '0' || ch == '1' || ch == '2' || (ch >= 'A' && ch <= 'O') || (ch >= 'Q' && ch <= '_') ||
           (ch >= 'a' && ch <= 'o') || (ch >= 'q' && ch <= 'z') || (ch >= 0xC0 && ch <= 0xCE) ||
           (ch >= 0xD0 && ch <= 0xDE);
}

class Levels : public DataSet {
protected:
    void SetUp() override
    {
        DataSet::SetUp();
        for (int n = 1; n <= 129; ++n) {
            char name[64];
            std::snprintf(name, sizeof name, "levels\\pack1_%.2i.lvl", n);
            LevelFile lf;
            std::string why;
            std::vector<uint8_t> raw = bytes(name);
            ASSERT_FALSE(raw.empty()) << name << " is missing";
            ASSERT_TRUE(parseLevel(raw, lf, why)) << name << ": " << why;
            levels.push_back(lf);
        }
    }
    static bool place(const LevelFile& lf, int r, int c)
    {
        return r >= 0 && c >= 0 && r < 11 && c < 12 && lf.rows[size_t(r)][size_t(c)] != '.';
    }
    std::vector<LevelFile> levels;
};

TEST_F(Levels, ThereAreExactly129)
{
    EXPECT_EQ(levels.size(), 129u);
    // The game counts levels up to the first missing file; a 130th would be played.
    EXPECT_TRUE(bytes("levels\\pack1_130.lvl").empty());
}

TEST_F(Levels, EveryGridIsElevenRowsOfTwelveValidCodes)
{
    for (size_t i = 0; i < levels.size(); ++i) {
        const LevelFile& lf = levels[i];
        EXPECT_GE(lf.figures, 2) << "level " << i + 1;
        EXPECT_LE(lf.figures, 8) << "level " << i + 1;  // eight figure pictures; more would repeat
        EXPECT_GT(lf.time, 0) << "level " << i + 1;
        EXPECT_GT(lf.moves, 0) << "level " << i + 1;
        EXPECT_GE(lf.back, 1) << "level " << i + 1;
        EXPECT_LE(lf.back, 15) << "level " << i + 1;
        ASSERT_EQ(lf.rows.size(), 11u) << "level " << i + 1;
        for (size_t r = 0; r < 11; ++r) {
            ASSERT_EQ(lf.rows[r].size(), 12u) << "level " << i + 1 << " row " << r;
            for (char ch : lf.rows[r]) EXPECT_TRUE(isPlaceCode(static_cast<unsigned char>(ch))) << "level " << i + 1;
            // The last column lies under the candle.
            EXPECT_EQ(lf.rows[r][11], '.') << "level " << i + 1 << " row " << r;
        }
    }
}

TEST_F(Levels, EveryLevelHasSquaresAndNoPlaceCutOff)
{
    for (size_t i = 0; i < levels.size(); ++i) {
        const LevelFile& lf = levels[i];
        ASSERT_EQ(lf.rows.size(), 11u);
        int squares = 0;
        for (int r = 0; r < 11; ++r)
            for (int c = 0; c < 12; ++c) {
                if (!place(lf, r, c)) continue;
                char ch = lf.rows[size_t(r)][size_t(c)];
                squares += ch != '0';  // '1', '2' and every fixed figure lie on squares
                // A place without a neighbouring place could never join a group.
                bool neighbour = place(lf, r - 1, c) || place(lf, r + 1, c) || place(lf, r, c - 1) || place(lf, r, c + 1);
                EXPECT_TRUE(neighbour) << "level " << i + 1 << " place " << r << "," << c;
            }
        EXPECT_GT(squares, 10) << "level " << i + 1 << " would be won at once";
    }
}

TEST_F(Levels, EveryLayoutKeepsClearOfTheWindowEdges)
{
    // The board's top and bottom rows lie at the window's edges and its last column under the
    // candle: a layout leaves them holes, so every board has a margin all round.
    for (size_t i = 0; i < levels.size(); ++i) {
        const LevelFile& lf = levels[i];
        ASSERT_EQ(lf.rows.size(), 11u);
        for (int c = 0; c < 12; ++c) {
            EXPECT_FALSE(place(lf, 0, c)) << "level " << i + 1 << " top row, column " << c;
            EXPECT_FALSE(place(lf, 10, c)) << "level " << i + 1 << " bottom row, column " << c;
        }
        for (int r = 0; r < 11; ++r) EXPECT_FALSE(place(lf, r, 11)) << "level " << i + 1 << " row " << r;
    }
}

TEST_F(Levels, NewElementsArriveInOrderAlongTheRoad)
{
    auto first = [&](auto pred) {
        for (size_t i = 0; i < levels.size(); ++i)
            for (const std::string& row : levels[i].rows)
                for (char ch : row)
                    if (pred(static_cast<unsigned char>(ch))) return int(i) + 1;
        return 1000;
    };
    const int dual = first([](unsigned char ch) { return ch == '2'; });
    const int chain = first([](unsigned char ch) { return ch >= 'A' && ch <= 'O'; });
    const int bonus = first([](unsigned char ch) { return ch >= 'A' && !(ch >= 'A' && ch <= 'O'); });
    EXPECT_GT(dual, 10);
    EXPECT_GT(chain, dual);
    EXPECT_GT(bonus, chain);
    EXPECT_LT(bonus, 129);
    // Later levels ask for more: more things to break and more colours.
    auto targets = [](const LevelFile& lf) {
        int t = 0;
        for (const std::string& row : lf.rows)
            for (char ch : row) t += ch == '1' ? 1 : ch == '2' ? 2 : (static_cast<unsigned char>(ch) >= 'A' ? 3 : 0);
        return t;
    };
    double early = 0, late = 0, earlyColours = 0, lateColours = 0;
    for (int i = 0; i < 20; ++i) {
        early += targets(levels[size_t(i)]);
        late += targets(levels[size_t(108 + i)]);
        earlyColours += levels[size_t(i)].figures;
        lateColours += levels[size_t(108 + i)].figures;
    }
    EXPECT_GT(late, early * 1.5);
    EXPECT_GT(lateColours, earlyColours);
}

// ---- Picture writers --------------------------------------------------------------------------

TEST(Canvas, ResolveAveragesSupersamplesAndUnpremultiplies)
{
    // The left half of a single pixel covered by opaque red: half alpha, but still pure red.
    Image img = drawPicture(1, 1, 4, [](cairo_t* cr) {
        cairo_rectangle(cr, 0, 0, 0.5, 1);
        cairo_set_source_rgb(cr, 1, 0, 0);
        cairo_fill(cr);
    });
    ASSERT_EQ(img.width, 1);
    EXPECT_EQ(img.at(0, 0)[0], 255);
    EXPECT_EQ(img.at(0, 0)[1], 0);
    EXPECT_EQ(img.at(0, 0)[2], 0);
    EXPECT_NEAR(img.at(0, 0)[3], 128, 1);
    // A translucent colour keeps its colour rather than turning dark.
    Image blue = drawPicture(2, 2, 2, [](cairo_t* cr) {
        cairo_set_source_rgba(cr, 0.2, 0.4, 1.0, 0.25);
        cairo_paint(cr);
    });
    // (Cairo stores premultiplied bytes, so a quarter alpha keeps about six bits of colour.)
    EXPECT_NEAR(blue.at(1, 1)[0], 51, 4);
    EXPECT_NEAR(blue.at(1, 1)[1], 102, 4);
    EXPECT_NEAR(blue.at(1, 1)[2], 255, 1);
    EXPECT_NEAR(blue.at(1, 1)[3], 64, 1);
}

Image testPattern(int w, int h)
{
    // Long runs (longer than one RLE packet), single pixels and a gradient.
    Image img = makeImage(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            uint8_t* p = img.at(x, y);
            if (y % 3 == 0) {
                p[0] = 10, p[1] = 200, p[2] = 30, p[3] = 255;  // a row-long run
            } else if (y % 3 == 1) {
                p[0] = uint8_t(x * 7), p[1] = uint8_t(y * 5), p[2] = uint8_t(x ^ y), p[3] = uint8_t(x * 3 + y);
            } else {
                p[3] = x < w / 2 ? 0 : 128;  // two runs of equal pixels
                p[0] = p[1] = p[2] = x < w / 2 ? 0 : 90;
            }
        }
    return img;
}

TEST(Canvas, TgaRoundTripsThroughTheGamesDecoder)
{
    Image src = testPattern(300, 7);
    for (bool rle : {false, true}) {
        std::vector<uint8_t> tga = encodeTga(src, true, rle);
        ImageData out;
        ASSERT_TRUE(imageDecodeTga(tga.data(), tga.size(), &out)) << "rle " << rle;
        ASSERT_EQ(out.width, 300);
        ASSERT_EQ(out.height, 7);
        EXPECT_TRUE(out.hasAlpha);
        int wrong = 0;
        for (int y = 0; y < 7; ++y)
            for (int x = 0; x < 300; ++x) {
                const uint8_t* s = src.at(x, y);
                const uint8_t* d = &out.pixels[(size_t(y) * 300 + x) * 4];  // BGRA
                wrong += d[0] != s[2] || d[1] != s[1] || d[2] != s[0] || d[3] != s[3];
            }
        EXPECT_EQ(wrong, 0) << "rle " << rle;
    }
    // RLE must actually compress the runs.
    EXPECT_LT(encodeTga(src, true, true).size(), encodeTga(src, true, false).size());
}

TEST(Canvas, JpegWithAlphaIsTheJpegThenOneAlphaBytePerPixelRowByRow)
{
    Image src = testPattern(16, 8);
    std::vector<uint8_t> file = encodeJpegAlpha(src, 90);
    ASSERT_FALSE(file.empty());
    size_t split = imageJpegAlphaSplit(file.data(), file.size());
    ASSERT_GT(split, 0u);
    ASSERT_EQ(file.size() - split, 16u * 8u);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 16; ++x) EXPECT_EQ(file[split + size_t(y) * 16 + x], src.at(x, y)[3]);
    ImageData jpeg;
    ASSERT_TRUE(imageDecodeJpeg(file.data(), split, &jpeg));
    EXPECT_EQ(jpeg.width, 16);
    EXPECT_EQ(jpeg.height, 8);
    // The plain JPEG is exactly the part before the alpha stream.
    std::vector<uint8_t> plain = encodeJpeg(src, 90);
    EXPECT_EQ(plain.size(), split);
}

TEST(Canvas, EmptyOrImpossiblePicturesAreRefused)
{
    Image empty;
    EXPECT_TRUE(encodeTga(empty).empty());
    EXPECT_TRUE(encodeJpeg(empty).empty());
    EXPECT_TRUE(encodeJpegAlpha(empty).empty());
    EXPECT_TRUE(encodePng(empty).empty());
    Canvas c;
    EXPECT_FALSE(canvasCreate(c, 0, 10, 2));
    EXPECT_FALSE(canvasCreate(c, 10, 10, 0));
    EXPECT_EQ(drawPicture(-1, 4, 2, [](cairo_t*) {}).width, 0);
}

// ---- Level plan -------------------------------------------------------------------------------

// A scratch source folder with the real shapes (plus a tiny one) and a plan written by the test.
class LevelPlan : public ::testing::Test {
protected:
    void SetUp() override
    {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        root = std::string(OSTRIMAR_BINARY_DIR) + "/scratch/datagen_levels/" + info->name();
        std::filesystem::remove_all(root);
        std::filesystem::create_directories(root + "/src/levels");
        std::ifstream in(std::string(OSTRIMAR_SOURCE_DIR) + "/data/levels/shapes.txt");
        std::stringstream shapes;
        shapes << in.rdbuf();
        shapes << "\nshape tiny\n";
        for (int r = 0; r < 11; ++r) shapes << (r == 5 ? "....##....." : "...........") << "\n";
        write("shapes.txt", shapes.str());
    }
    void write(const char* name, const std::string& text)
    {
        std::ofstream(root + "/src/levels/" + name, std::ios::binary) << text;
    }
    // A valid plan of 129 levels with one line replaced.
    static std::string plan(int replaceLevel = 0, const std::string& line = "")
    {
        std::string text = "# test plan\n";
        for (int n = 1; n <= 129; ++n)
            text += n == replaceLevel ? line + "\n" : std::to_string(n) + " full du-core 6 - - 3 chains=2 cross=1\n";
        return text;
    }
    // Runs the level maker; returns its result and keeps what it printed on stderr.
    bool run(std::string& errors, const std::string& out = "")
    {
        ::testing::internal::CaptureStderr();
        bool ok = genLevels((root + "/src").c_str(), (out.empty() ? root + "/out" : out).c_str());
        errors = ::testing::internal::GetCapturedStderr();
        return ok;
    }
    std::string root;
};

TEST_F(LevelPlan, SamePlanGivesTheSameFilesEveryTime)
{
    write("plan.txt", plan());
    std::string errors;
    ASSERT_TRUE(run(errors, root + "/a")) << errors;
    ASSERT_TRUE(run(errors, root + "/b")) << errors;
    for (int n : {1, 64, 129}) {
        char name[32];
        std::snprintf(name, sizeof name, "/levels/pack1_%.2i.lvl", n);
        std::ifstream a(root + "/a" + name, std::ios::binary), b(root + "/b" + name, std::ios::binary);
        std::stringstream sa, sb;
        sa << a.rdbuf();
        sb << b.rdbuf();
        EXPECT_FALSE(sa.str().empty());
        EXPECT_EQ(sa.str(), sb.str()) << name;
        // The chains and the cross bomb of the plan line are there, on the board's left and
        // right halves alike (mirror pairs).
        EXPECT_NE(sa.str().find_first_of("ABCDEF"), std::string::npos) << name;
        EXPECT_NE(sa.str().find_first_of("qrstuv"), std::string::npos) << name;
    }
}

TEST_F(LevelPlan, DamagedPlansAreRefusedWithTheLine)
{
    struct Case {
        std::string line;
        const char* message;
    };
    const Case cases[] = {
        {"5 castle-in-the-air du 6 - - 3", "unknown shape"},
        {"5 full zigzag 6 - - 3", "unknown fill"},
        {"5 full du 9 - - 3", "colours must be 2..8"},
        {"5 full du 6 0 - 3", "time must be"},
        {"5 full du 6 - - 16", "backdrop must be 1..15"},
        {"5 full du 6 - - 3 chains=x", "extras are"},
        {"5 full du 6 - - 3 dragons=2", "extras are"},
        {"7 full du 6 - - 3", "numbered 1, 2, 3"},
        {"5 full du", "expected: level shape fill"},
        {"5 tiny du 6 - - 3 chains=6", "no room for 6 chains"},
    };
    for (const Case& c : cases) {
        write("plan.txt", plan(5, c.line));
        std::string errors;
        EXPECT_FALSE(run(errors)) << c.line;
        EXPECT_NE(errors.find(c.message), std::string::npos) << c.line << " -> " << errors;
        EXPECT_NE(errors.find("plan.txt:"), std::string::npos) << errors;
    }
}

TEST_F(LevelPlan, TheCurveSetsTheLimitsThatTheMeasuredNeedFitsIn)
{
    // Every level: three runs needing 10, 20 and 30 moves, or 50, 60 and 90 seconds.
    std::string need = "# test need\n";
    for (int n = 1; n <= 129; ++n) need += std::to_string(n) + " 30 10 20 | 90 50 60\n";
    write("need.txt", need);
    auto limits = [&](int percent, int level, int& moves, int& time) {
        std::string text = "stages 100 29\ncurve " + std::to_string(percent) + " " + std::to_string(percent) + "\n" + plan();
        write("plan.txt", text);
        std::string errors;
        ASSERT_TRUE(run(errors)) << errors;
        char name[32];
        std::snprintf(name, sizeof name, "/out/levels/pack1_%.2i.lvl", level);
        std::ifstream f(root + name, std::ios::binary);
        std::stringstream ss;
        ss << f.rdbuf();
        std::string t = ss.str();
        moves = std::atoi(t.c_str() + t.find("moves=") + 6);
        time = std::atoi(t.c_str() + t.find("time=") + 5);
    };
    int moves = 0, time = 0;
    // All runs must fit: the game's limits hold 30 moves and 90 s, and one less would not.
    limits(100, 40, moves, time);
    EXPECT_GE(puzzleMoveLimit(39, moves), 30);
    EXPECT_LT(puzzleMoveLimit(39, moves - 1), 30);
    EXPECT_GE(adventureTimeLimitMs(39, float(time)), 90000.0f);
    EXPECT_LT(adventureTimeLimitMs(39, float(time - 1)), 90000.0f);
    // Two runs in three: 20 moves and 60 s; one in three: 10 moves and 50 s.
    limits(66, 40, moves, time);
    EXPECT_GE(puzzleMoveLimit(39, moves), 20);
    EXPECT_LT(puzzleMoveLimit(39, moves - 1), 20);
    EXPECT_GE(adventureTimeLimitMs(39, float(time)), 60000.0f);
    limits(30, 120, moves, time);
    EXPECT_GE(puzzleMoveLimit(119, moves), 10);
    EXPECT_LT(puzzleMoveLimit(119, moves - 1), 10);
    EXPECT_LT(adventureTimeLimitMs(119, float(time - 1)), 50000.0f);

    // A plan whose curve does not match its stages is refused with the line.
    write("plan.txt", "stages 100 28\ncurve 90 50\n" + plan());
    std::string errors;
    EXPECT_FALSE(run(errors));
    EXPECT_NE(errors.find("plan.txt:2:"), std::string::npos) << errors;
    write("plan.txt", "stages 100 29\ncurve 90 150\n" + plan());
    EXPECT_FALSE(run(errors));
    EXPECT_NE(errors.find("win rates 1..100"), std::string::npos) << errors;
    // A damaged need file is refused with its line.
    write("plan.txt", "stages 100 29\ncurve 90 50\n" + plan());
    write("need.txt", "1 10 20 | 5\n");
    EXPECT_FALSE(run(errors));
    EXPECT_NE(errors.find("need.txt:1:"), std::string::npos) << errors;
}

TEST(LevelLimits, TheLevelMakerCountsTheGamesLimits)
{
    for (int index = 0; index < 129; ++index)
        for (int v = 1; v <= 300; v += 7) {
            EXPECT_EQ(levelPuzzleMoves(index, v), puzzleMoveLimit(index, v)) << index << " " << v;
            EXPECT_NEAR(levelAdventureSeconds(index, v) * 1000.0, adventureTimeLimitMs(index, float(v)), 1.0)
                << index << " " << v;
        }
    // The share of the runs a limit must hold: the k-th smallest of n for ceil(share * n); runs
    // not won count as beyond any limit, and asking for them gives half as much again as the slowest win.
    EXPECT_EQ(needQuantile({30, 10, 20, -1}, 0.5), 20.0);
    EXPECT_EQ(needQuantile({30, 10, 20, -1}, 0.75), 30.0);
    EXPECT_EQ(needQuantile({30, 10, 20, -1}, 1.0), 45.0);
    EXPECT_EQ(needQuantile({}, 1.0), 0.0);
}

TEST_F(LevelPlan, AShortPlanOrBrokenShapesAreRefused)
{
    std::string errors;
    write("plan.txt", "1 full du 6 - - 3\n2 full du 6 - - 3\n");
    EXPECT_FALSE(run(errors));
    EXPECT_NE(errors.find("2 levels planned, 129 needed"), std::string::npos) << errors;

    write("plan.txt", plan());
    write("shapes.txt", "shape short\n###########\n#########\n");
    EXPECT_FALSE(run(errors));
    EXPECT_NE(errors.find("needs 11 rows of 11 places"), std::string::npos) << errors;

    // A shape that reaches the board's top or bottom row would touch the window's edge.
    std::string tall = "shape tall\n";
    for (int r = 0; r < 11; ++r) tall += "..#........\n";
    write("shapes.txt", tall);
    EXPECT_FALSE(run(errors));
    EXPECT_NE(errors.find("top or bottom row"), std::string::npos) << errors;

    std::filesystem::remove(root + "/src/levels/shapes.txt");
    EXPECT_FALSE(run(errors));
    EXPECT_NE(errors.find("cannot read"), std::string::npos) << errors;
}

}  // namespace
