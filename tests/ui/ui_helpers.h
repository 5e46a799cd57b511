#pragma once
// A small test font written into the scratch folder: "font.tga" (128 x 128, 8 x 8 cells of 16
// pixels, 5 x 7 block glyphs drawn at twice their size), "font.dat" and a soft "podsvet.jpg".
// Advances in units of the scale (cell width 16 pixels): most glyphs 1.5, narrow ones (I 1 . !
// and the space) 1.0, wide ones (M W and the Cyrillic Ж Ш Ф) 2.0. Cell 0 is the space.
#include "graphics/gfx_helpers.h"
#include "ui/font.h"
#include "ui/messages.h"

#include <cmath>
#include <cstring>

struct TestGlyph {
    char16_t code;
    int width;             // advance in texture pixels
    const char* rows[7];   // 5 x 7 pattern, '1' = ink
};

inline const std::vector<TestGlyph>& testGlyphs()
{
    static const std::vector<TestGlyph> glyphs = {
        {u' ', 8, {"00000", "00000", "00000", "00000", "00000", "00000", "00000"}},
        {u'A', 12, {"01110", "10001", "10001", "11111", "10001", "10001", "10001"}},
        {u'B', 12, {"11110", "10001", "10001", "11110", "10001", "10001", "11110"}},
        {u'C', 12, {"01110", "10001", "10000", "10000", "10000", "10001", "01110"}},
        {u'D', 12, {"11110", "10001", "10001", "10001", "10001", "10001", "11110"}},
        {u'E', 12, {"11111", "10000", "10000", "11110", "10000", "10000", "11111"}},
        {u'F', 12, {"11111", "10000", "10000", "11110", "10000", "10000", "10000"}},
        {u'G', 12, {"01110", "10001", "10000", "10111", "10001", "10001", "01111"}},
        {u'H', 12, {"10001", "10001", "10001", "11111", "10001", "10001", "10001"}},
        {u'I', 8, {"01110", "00100", "00100", "00100", "00100", "00100", "01110"}},
        {u'K', 12, {"10001", "10010", "10100", "11000", "10100", "10010", "10001"}},
        {u'L', 12, {"10000", "10000", "10000", "10000", "10000", "10000", "11111"}},
        {u'M', 16, {"10001", "11011", "10101", "10101", "10001", "10001", "10001"}},
        {u'N', 12, {"10001", "10001", "11001", "10101", "10011", "10001", "10001"}},
        {u'O', 12, {"01110", "10001", "10001", "10001", "10001", "10001", "01110"}},
        {u'P', 12, {"11110", "10001", "10001", "11110", "10000", "10000", "10000"}},
        {u'R', 12, {"11110", "10001", "10001", "11110", "10100", "10010", "10001"}},
        {u'S', 12, {"01111", "10000", "10000", "01110", "00001", "00001", "11110"}},
        {u'T', 12, {"11111", "00100", "00100", "00100", "00100", "00100", "00100"}},
        {u'U', 12, {"10001", "10001", "10001", "10001", "10001", "10001", "01110"}},
        {u'V', 12, {"10001", "10001", "10001", "10001", "10001", "01010", "00100"}},
        {u'W', 16, {"10001", "10001", "10001", "10101", "10101", "10101", "01010"}},
        {u'X', 12, {"10001", "10001", "01010", "00100", "01010", "10001", "10001"}},
        {u'Y', 12, {"10001", "10001", "01010", "00100", "00100", "00100", "00100"}},
        {u'0', 12, {"01110", "10001", "10011", "10101", "11001", "10001", "01110"}},
        {u'1', 8, {"00100", "01100", "00100", "00100", "00100", "00100", "01110"}},
        {u'2', 12, {"01110", "10001", "00001", "00010", "00100", "01000", "11111"}},
        {u'3', 12, {"11111", "00010", "00100", "00010", "00001", "10001", "01110"}},
        {u'4', 12, {"00010", "00110", "01010", "10010", "11111", "00010", "00010"}},
        {u'5', 12, {"11111", "10000", "11110", "00001", "00001", "10001", "01110"}},
        {u'6', 12, {"00110", "01000", "10000", "11110", "10001", "10001", "01110"}},
        {u'7', 12, {"11111", "00001", "00010", "00100", "01000", "01000", "01000"}},
        {u'8', 12, {"01110", "10001", "10001", "01110", "10001", "10001", "01110"}},
        {u'9', 12, {"01110", "10001", "10001", "01111", "00001", "00010", "01100"}},
        {u'.', 8, {"00000", "00000", "00000", "00000", "00000", "01100", "01100"}},
        {u'!', 8, {"00100", "00100", "00100", "00100", "00100", "00000", "00100"}},
        {u'Д', 12, {"00110", "01010", "01010", "01010", "01010", "11111", "10001"}},
        {u'Ж', 16, {"10101", "10101", "10101", "01110", "10101", "10101", "10101"}},
        {u'И', 12, {"10001", "10001", "10011", "10101", "11001", "10001", "10001"}},
        {u'Л', 12, {"00111", "01001", "01001", "01001", "01001", "01001", "10001"}},
        {u'П', 12, {"11111", "10001", "10001", "10001", "10001", "10001", "10001"}},
        {u'Я', 12, {"01111", "10001", "10001", "01111", "00101", "01001", "10001"}},
        {u'Ш', 16, {"10101", "10101", "10101", "10101", "10101", "10101", "11111"}},
        {u'Ф', 16, {"00100", "01110", "10101", "10101", "10101", "01110", "00100"}},
        {u'А', 12, {"01110", "10001", "10001", "11111", "10001", "10001", "10001"}},
        {u'В', 12, {"11110", "10001", "10001", "11110", "10001", "10001", "11110"}},
        {u'Е', 12, {"11111", "10000", "10000", "11110", "10000", "10000", "11111"}},
        {u'Р', 12, {"11110", "10001", "10001", "11110", "10000", "10000", "10000"}},
        {u'Т', 12, {"11111", "00100", "00100", "00100", "00100", "00100", "00100"}},
        {u'О', 12, {"01110", "10001", "10001", "10001", "10001", "10001", "01110"}},
    };
    return glyphs;
}

// Cell of a code unit in the test font (its index in testGlyphs), -1 when absent.
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

// Metrics of the test font: a 128 x 128 texture, 8 cells per row.
inline std::vector<uint8_t> testFontMetrics()
{
    std::vector<uint8_t> m(FONT_METRICS_SIZE, 0);
    put16(m, 0, 128);
    put16(m, 2, 128);
    put16(m, 4, 8);
    const auto& g = testGlyphs();
    for (size_t i = 0; i < g.size(); ++i) {
        put16(m, 8 + i * 4, g[i].width);
        put16(m, 8 + i * 4 + 2, g[i].code);
    }
    return m;
}

inline ImageData testFontPicture()
{
    const auto& g = testGlyphs();
    return makePicture(128, 128, [&](int x, int y) -> uint32_t {
        size_t cell = size_t(y / 16) * 8 + size_t(x / 16);
        int gx = (x % 16 - 3) / 2, gy = (y % 16 - 1) / 2;
        if (cell >= g.size() || x % 16 < 3 || y % 16 < 1 || gx >= 5 || gy >= 7) return 0x00FFFFFF;
        return g[cell].rows[gy][gx] == '1' ? 0xFFFFFFFF : 0x00FFFFFF;
    });
}

// A soft round glow, brightest in the middle.
inline ImageData testGlowPicture()
{
    return makePicture(64, 64, [](int x, int y) -> uint32_t {
        double d = std::sqrt((x - 31.5) * (x - 31.5) + (y - 31.5) * (y - 31.5)) / 32.0;
        int v = int(std::lround(255.0 * std::fmax(0.0, 1.0 - d)));
        return 0xFF000000u | uint32_t(v) << 16 | uint32_t(v) << 8 | uint32_t(v);
    });
}

// Graphics test state plus fresh text and message state, the test font files in the scratch
// folder, and the test font loaded on the headless device (or the GL device with startGl first).
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
        selectFont(0);
        begin2D();
    }
    void TearDown() override
    {
        resetTextState();
        resetMessages();
        GraphicsTest::TearDown();
    }
};

// Collects the glyphs a layout places.
inline void collectGlyph(void* context, const GlyphPlacement& g)
{
    static_cast<std::vector<GlyphPlacement>*>(context)->push_back(g);
}

inline std::vector<GlyphPlacement> layout(float x, float y, float s, const char16_t* text, bool centred)
{
    std::vector<GlyphPlacement> out;
    layoutText(x, y, s, text, centred, collectGlyph, &out);
    return out;
}

// The vertices of the last draw.
inline std::vector<GpuVertex> lastVertices()
{
    const GpuVertex* v = nullptr;
    int n = gpuLastVertices(&v);
    return std::vector<GpuVertex>(v, v + n);
}
