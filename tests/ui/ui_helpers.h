#pragma once
// A small test font written into the scratch folder: "font.tga" (128 x 128, 8 x 8 cells of 16
// pixels, 5 x 7 block glyphs drawn at twice their size), "font.dat" and a soft "podsvet.jpg".
// Advances in units of the scale (cells are 16 pixels wide): most glyphs 1.5, narrow ones
// (I 1 . ! and the space) 1.0, wide ones (M W Ж Ш Ф) 2.0. Cell 0 is the space.
#include "graphics/gfx_helpers.h"
#include "ui/font.h"
#include "ui/messages.h"

#include <cmath>
#include <cstring>
#include <string>

struct TestGlyph {
    char16_t code;
    int width;         // advance in texture pixels
    const char* rows;  // 7 rows of 5 bits, two hex digits each
};

inline const std::vector<TestGlyph>& testGlyphs()
{
    static const std::vector<TestGlyph> glyphs = {
        {u' ', 8, "00000000000000"}, {u'A', 12, "0E11111F111111"}, {u'B', 12, "1E11111E11111E"},
        {u'C', 12, "0E11101010110E"}, {u'D', 12, "1E11111111111E"}, {u'E', 12, "1F10101E10101F"},
        {u'F', 12, "1F10101E101010"}, {u'G', 12, "0E11101711110F"}, {u'H', 12, "1111111F111111"},
        {u'I', 8, "0E04040404040E"}, {u'K', 12, "11121418141211"}, {u'L', 12, "1010101010101F"},
        {u'M', 16, "111B1515111111"}, {u'N', 12, "11111915131111"}, {u'O', 12, "0E11111111110E"},
        {u'P', 12, "1E11111E101010"}, {u'R', 12, "1E11111E141211"}, {u'S', 12, "0F10100E01011E"},
        {u'T', 12, "1F040404040404"}, {u'U', 12, "1111111111110E"}, {u'V', 12, "11111111110A04"},
        {u'W', 16, "1111111515150A"}, {u'X', 12, "11110A040A1111"}, {u'Y', 12, "11110A04040404"},
        {u'0', 12, "0E11131519110E"}, {u'1', 8, "040C040404040E"}, {u'2', 12, "0E11010204081F"},
        {u'3', 12, "1F02040201110E"}, {u'4', 12, "02060A121F0202"}, {u'5', 12, "1F101E0101110E"},
        {u'6', 12, "0608101E11110E"}, {u'7', 12, "1F010204080808"}, {u'8', 12, "0E11110E11110E"},
        {u'9', 12, "0E11110F01020C"}, {u'.', 8, "00000000000C0C"}, {u'!', 8, "04040404040004"},
        {u'Д', 12, "060A0A0A0A1F11"}, {u'Ж', 16, "1515150E151515"}, {u'И', 12, "11111315191111"},
        {u'Л', 12, "07090909090911"}, {u'П', 12, "1F111111111111"}, {u'Я', 12, "0F11110F050911"},
        {u'Ш', 16, "1515151515151F"}, {u'Ф', 16, "040E1515150E04"}, {u'А', 12, "0E11111F111111"},
        {u'В', 12, "1E11111E11111E"}, {u'Е', 12, "1F10101E10101F"}, {u'Р', 12, "1E11111E101010"},
        {u'Т', 12, "1F040404040404"}, {u'О', 12, "0E11111111110E"},
    };
    return glyphs;
}

// Cell of a code unit in the test font, -1 when absent.
inline int testCell(char16_t code)
{
    const auto& g = testGlyphs();
    for (size_t i = 0; i < g.size(); ++i)
        if (g[i].code == code) return int(i);
    return -1;
}

inline void put16(std::vector<uint8_t>& v, size_t at, int x)
{
    v[at] = uint8_t(x & 0xFF);
    v[at + 1] = uint8_t((x >> 8) & 0xFF);
}

// Metrics: a 128 x 128 texture, 8 cells per row, one entry per test glyph.
inline std::vector<uint8_t> testFontMetrics()
{
    std::vector<uint8_t> m(FONT_METRICS_SIZE, 0);
    put16(m, 0, 128), put16(m, 2, 128), put16(m, 4, 8);
    const auto& g = testGlyphs();
    for (size_t i = 0; i < g.size(); ++i) put16(m, 8 + i * 4, g[i].width), put16(m, 10 + i * 4, g[i].code);
    return m;
}

inline ImageData testFontPicture()
{
    const auto& g = testGlyphs();
    return makePicture(128, 128, [&](int x, int y) -> uint32_t {
        size_t cell = size_t(y / 16) * 8 + size_t(x / 16);
        int gx = (x % 16 - 3) / 2, gy = (y % 16 - 1) / 2;
        if (cell >= g.size() || x % 16 < 3 || y % 16 < 1 || gx >= 5 || gy >= 7) return 0x00FFFFFF;
        int bits = std::stoi(std::string(g[cell].rows + gy * 2, 2), nullptr, 16);
        return (bits >> (4 - gx)) & 1 ? 0xFFFFFFFF : 0x00FFFFFF;
    });
}

// A soft round glow, brightest in the middle.
inline ImageData testGlowPicture()
{
    return makePicture(64, 64, [](int x, int y) -> uint32_t {
        double d = std::sqrt((x - 31.5) * (x - 31.5) + (y - 31.5) * (y - 31.5)) / 32.0;
        uint32_t v = uint32_t(std::lround(255.0 * std::fmax(0.0, 1.0 - d)));
        return 0xFF000000u | v << 16 | v << 8 | v;
    });
}

// Graphics test state plus fresh text and message state, with the test font files in the scratch
// folder; loadTestFont loads the font on the headless device (or the GL device).
class UiTest : public GraphicsTest {
protected:
    void SetUp() override
    {
        GraphicsTest::SetUp();
        resetTextState();
        resetMessages();
        put("font.tga", encodedTga(testFontPicture(), true));
        put("font.dat", testFontMetrics());
        put("podsvet.jpg", encodedJpeg(testGlowPicture()));
    }
    void loadTestFont(bool gl = false)
    {
        if (gl)
            startGl();
        else
            startHeadless();
        ASSERT_TRUE(loadFont("font", 1.0f, 1.0f));
        begin2D();
    }
    void TearDown() override
    {
        resetTextState();
        resetMessages();
        GraphicsTest::TearDown();
    }
};

// The glyphs a layout places.
inline std::vector<GlyphPlacement> layout(float x, float y, float s, const char16_t* text, bool centred)
{
    std::vector<GlyphPlacement> out;
    layoutText(x, y, s, text, centred,
               [](void* c, const GlyphPlacement& g) { static_cast<std::vector<GlyphPlacement>*>(c)->push_back(g); },
               &out);
    return out;
}

// The vertices of the last draw.
inline std::vector<GpuVertex> lastVertices()
{
    const GpuVertex* v = nullptr;
    int n = gpuLastVertices(&v);
    return std::vector<GpuVertex>(v, v + n);
}

inline std::u16string u16(const char16_t* s) { return s ? std::u16string(s) : std::u16string(); }
