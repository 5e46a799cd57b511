// Fonts: metrics, loading, layout, measuring, wrapping, the 8-bit conversion and the glyph,
// shadow and glow drawing on the headless device.
#include "ui_helpers.h"

#include "app/core/random.h"

#include <memory>
#include <string>

namespace {

std::u16string u16(const char16_t* s) { return s ? std::u16string(s) : std::u16string(); }

// ---- metrics ------------------------------------------------------------------------------

TEST(FontMetrics, AdvancesCellsDuplicatesAndUnnamedUnits)
{
    auto font = std::make_unique<BitmapFont>();
    std::vector<uint8_t> m(FONT_METRICS_SIZE, 0);
    put16(m, 0, 256);  // 256 x 256, 4 columns: cells 64 pixels wide
    put16(m, 2, 256);
    put16(m, 4, 4);
    put16(m, 8 + 5 * 4, 48), put16(m, 8 + 5 * 4 + 2, 'Q');
    put16(m, 8 + 9 * 4, 16), put16(m, 8 + 9 * 4 + 2, 'Z');
    put16(m, 8 + 700 * 4, 32), put16(m, 8 + 700 * 4 + 2, 'Z');  // a later entry for Z wins
    ASSERT_EQ(buildFontMetrics(*font, m.data(), int32_t(m.size()), 2.0f, 1.5f), FontMetricsStatus::Ok);
    EXPECT_EQ(font->cols, 4);
    EXPECT_EQ(font->rows, 4);
    EXPECT_FLOAT_EQ(font->cellU, 0.25f);
    EXPECT_FLOAT_EQ(font->advance['Q'], 2.0f * 48 / 64 * 2.0f);
    EXPECT_EQ(font->cell['Q'], 5);
    EXPECT_FLOAT_EQ(font->advance['Z'], 2.0f * 32 / 64 * 2.0f);
    EXPECT_EQ(font->cell['Z'], 700);
    EXPECT_EQ(font->advance['R'], 0.0f);
    EXPECT_EQ(font->cell['R'], 0);
    EXPECT_EQ(font->size, 2.0f);
    EXPECT_EQ(font->aspect, 1.5f);
}

TEST(FontMetrics, WideTextureHasHalfAsManyRows)
{
    auto font = std::make_unique<BitmapFont>();
    std::vector<uint8_t> m(FONT_METRICS_SIZE, 0);
    put16(m, 0, 512);
    put16(m, 2, 256);
    put16(m, 4, 16);
    ASSERT_EQ(buildFontMetrics(*font, m.data(), int32_t(m.size()), 1.0f, 1.0f), FontMetricsStatus::Ok);
    EXPECT_EQ(font->rows, 8);
    EXPECT_FLOAT_EQ(font->cellV, 0.125f);
}

TEST(FontMetrics, DamagedFilesAreRefusedAndLeaveTheFontAlone)
{
    auto font = std::make_unique<BitmapFont>();
    font->cols = 77;
    std::vector<uint8_t> good = testFontMetrics();
    EXPECT_EQ(buildFontMetrics(*font, good.data(), FONT_METRICS_SIZE - 1, 1, 1), FontMetricsStatus::Truncated);
    EXPECT_EQ(buildFontMetrics(*font, nullptr, 0, 1, 1), FontMetricsStatus::Truncated);
    std::vector<uint8_t> m = good;
    put16(m, 4, 0);
    EXPECT_EQ(buildFontMetrics(*font, m.data(), int32_t(m.size()), 1, 1), FontMetricsStatus::NoColumns);
    m = good;
    put16(m, 0, 256), put16(m, 2, 128), put16(m, 4, 1);  // wide texture, one column: no rows
    EXPECT_EQ(buildFontMetrics(*font, m.data(), int32_t(m.size()), 1, 1), FontMetricsStatus::NoRows);
    m = good;
    put16(m, 2, 0);
    EXPECT_EQ(buildFontMetrics(*font, m.data(), int32_t(m.size()), 1, 1), FontMetricsStatus::BadTextureSize);
    EXPECT_EQ(font->cols, 77);
}

// ---- loading ------------------------------------------------------------------------------

class FontLoading : public UiTest {};

TEST_F(FontLoading, LoadSelectsColourAndClearsLetters)
{
    startHeadless();
    EXPECT_EQ(currentFont(), nullptr);
    spawnFlyingLetters(u"AB", 0, 0, 10, 1000);  // no font yet: letters still take slots
    setTextColour(1, 2, 3, 4);
    ASSERT_TRUE(loadFont("font", 1.0f, 1.0f));
    EXPECT_EQ(messages.letters[0].timer, 0.0f);
    EXPECT_EQ(messages.nextLetter, 0);
    EXPECT_EQ(textState.colour, Color(255, 255, 255, 255));
    ASSERT_NE(textState.glowTexture, nullptr);
    EXPECT_STREQ(textState.glowTexture->name, "podsvet.jpg");
    ASSERT_NE(currentFont(), nullptr);
    EXPECT_STREQ(currentFont()->texture->name, "font.tga");
    EXPECT_FLOAT_EQ(currentFont()->advance[u'M'], 2.0f);
    EXPECT_EQ(currentFont()->cell[u'Я'], testCell(u'Я'));

    ASSERT_TRUE(loadFont("font", 2.0f, 1.0f));
    selectFont(1);
    EXPECT_EQ(currentFont(), &textState.fonts[1]);
    selectFont(4);  // modulo the two fonts
    EXPECT_EQ(currentFont(), &textState.fonts[0]);
    selectFont(-1);
    EXPECT_EQ(currentFont(), &textState.fonts[1]);
    for (int i = 2; i < FONT_TABLE_SIZE; ++i) ASSERT_TRUE(loadFont("font", 1.0f, 1.0f));
    EXPECT_FALSE(loadFont("font", 1.0f, 1.0f));  // the table holds 8
    EXPECT_EQ(textState.fontCount, FONT_TABLE_SIZE);
}

TEST_F(FontLoading, DamagedMetricsFileIsAClearFatalError)
{
    startHeadless();
    std::vector<uint8_t> m = testFontMetrics();
    m.resize(100);
    put("font.dat", m);
    EXPECT_FALSE(loadFont("font", 1.0f, 1.0f));
    EXPECT_EQ(textState.fontCount, 0);
    EXPECT_EQ(ExitRecorder::exits(), 1);
    EXPECT_STREQ(textState.lastError, "Damaged font file: font.dat (shorter than 4104 bytes)");
}

TEST_F(FontLoading, MissingFilesTakeTheFatalExit)
{
    startHeadless();
    EXPECT_FALSE(loadFont("nofont", 1.0f, 1.0f));
    EXPECT_EQ(ExitRecorder::exits(), 1);
    EXPECT_EQ(textState.fontCount, 0);
    // Without a font nothing is drawn, measured or laid out.
    int before = app.triangleCount;
    drawText(0, 0, 10, u"AB");
    drawTextGlow(0, 0, 10, Color(), u"AB");
    EXPECT_EQ(app.triangleCount, before);
    EXPECT_EQ(measureText(u"AB", 10), 0.0f);
    EXPECT_TRUE(layout(0, 0, 10, u"AB", false).empty());
}

// ---- layout -------------------------------------------------------------------------------

class TextLayout : public UiTest {
protected:
    void SetUp() override
    {
        UiTest::SetUp();
        loadTestFont();
    }
};

TEST_F(TextLayout, LeftAlignedGlyphsFollowByMeanAdvance)
{
    auto g = layout(10, 20, 16, u"AIB", false);
    ASSERT_EQ(g.size(), 3u);
    EXPECT_FLOAT_EQ(g[0].x, 10);
    EXPECT_FLOAT_EQ(g[1].x, 10 + 12 + 8);   // half of A (1.5 x 16) and half of I (1.0 x 16)
    EXPECT_FLOAT_EQ(g[2].x, 30 + 8 + 12);
    EXPECT_FLOAT_EQ(g[2].y, 20);
    EXPECT_EQ(g[1].cell, testCell(u'I'));
}

TEST_F(TextLayout, LineBreaksCrLfAndLf)
{
    auto g = layout(0, 0, 16, u"A\r\nB", false);
    ASSERT_EQ(g.size(), 2u);
    EXPECT_FLOAT_EQ(g[1].x, 0);
    EXPECT_FLOAT_EQ(g[1].y, -28.8f);
    g = layout(5, 0, 10, u"AB\n\nI", false);  // an empty line between
    ASSERT_EQ(g.size(), 3u);
    EXPECT_FLOAT_EQ(g[2].x, 5);
    EXPECT_FLOAT_EQ(g[2].y, -36);
    // A break at the very end: nothing more is drawn and nothing is read past the terminator.
    EXPECT_EQ(layout(0, 0, 10, u"A\r", false).size(), 1u);
    EXPECT_EQ(layout(0, 0, 10, u"A\r", true).size(), 1u);
    EXPECT_EQ(layout(0, 0, 10, u"\r\nA", false).size(), 1u);
}

TEST_F(TextLayout, UnknownUnitTakesNoRoomAndDrawsCellZero)
{
    auto g = layout(0, 0, 10, u"A~B", false);
    ASSERT_EQ(g.size(), 3u);
    EXPECT_FLOAT_EQ(g[1].x, 7.5f);
    EXPECT_EQ(g[1].cell, 0);
    EXPECT_FLOAT_EQ(g[2].x, 15);  // as if the unknown unit were not there
}

TEST_F(TextLayout, CentredLinesEachOnX)
{
    auto g = layout(100, 50, 16, u"AB\r\nI", true);
    ASSERT_EQ(g.size(), 3u);
    // Line 1: W = 48, first glyph at 100 - 24 + 8.
    EXPECT_FLOAT_EQ(g[0].x, 84);
    EXPECT_FLOAT_EQ(g[1].x, 108);
    EXPECT_FLOAT_EQ(g[0].y, 50);
    // Line 2: W = 16, first glyph at 100 - 8 + 8.
    EXPECT_FLOAT_EQ(g[2].x, 100);
    EXPECT_FLOAT_EQ(g[2].y, 50 - 28.8f);
}

TEST_F(TextLayout, MeasuringIncludesEveryUnit)
{
    EXPECT_FLOAT_EQ(measureText(u"AIB", 10), 40);
    EXPECT_FLOAT_EQ(measureText(u"AB\r\nAB", 10), 60);  // breaks have no advance in this font
    EXPECT_FLOAT_EQ(measureText(u"", 10), 0);
    EXPECT_FLOAT_EQ(measureTextAnsi("M W", 2), 10);
}

TEST_F(TextLayout, CyrillicThroughTheEightBitConversion)
{
    // "ЖЯ" in Windows-1251.
    EXPECT_FLOAT_EQ(measureTextAnsi("\xC6\xDF", 10), 35);
    EXPECT_EQ(u16(convertAnsi("\xC6\xDF\xA8")), u"ЖЯЁ");
    int before = app.triangleCount;
    drawTextAnsi(0, 0, 10, "\xCF\xD0\xC8\xC2\xC5\xD2");  // ПРИВЕТ
    EXPECT_EQ(app.triangleCount - before, 12);
    auto v = lastVertices();  // the Т
    ASSERT_EQ(v.size(), 4u);
    int cell = testCell(u'Т');
    EXPECT_FLOAT_EQ(v[0].u, float(cell % 8) / 8);
    EXPECT_FLOAT_EQ(v[0].v, float(cell / 8) / 8);
    // Longer than the conversion buffer: cut to 1023 units.
    std::string longText(1500, 'A');
    EXPECT_FLOAT_EQ(measureTextAnsi(longText.c_str(), 1), 1023 * 1.5f);
}

TEST_F(TextLayout, GlyphQuadColourAndTexture)
{
    ASSERT_TRUE(loadFont("font", 1.5f, 2.0f));
    selectFont(1);
    setTextColour(200, 100, 50, 255);
    setColorMultiplier(1.0f, 0.5f, 1.0f, 0.5f);
    drawText(0, 0, 10, u"B");
    auto v = lastVertices();
    ASSERT_EQ(v.size(), 4u);
    float tu = float(testCell(u'B') % 8) / 8, tv = float(testCell(u'B') / 8) / 8;
    // Top-left, top-right, bottom-left, bottom-right; half width 10 x 1.5, half height x 2.
    const float want[4][4] = {{-15, 30, tu, tv}, {15, 30, tu + 0.125f, tv}, {-15, -30, tu, tv + 0.125f},
                              {15, -30, tu + 0.125f, tv + 0.125f}};
    for (int i = 0; i < 4; ++i) {
        EXPECT_FLOAT_EQ(v[i].pos[0], want[i][0]) << i;
        EXPECT_FLOAT_EQ(v[i].pos[1], want[i][1]) << i;
        EXPECT_FLOAT_EQ(v[i].pos[2], TEXT_DEPTH);
        EXPECT_FLOAT_EQ(v[i].u, want[i][2]) << i;
        EXPECT_FLOAT_EQ(v[i].v, want[i][3]) << i;
        EXPECT_EQ(v[i].color, Color(200, 50, 50, 127).asWord());
    }
    const GpuDrawRecord* d = gpuLastDraw();
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(d->texture, textState.fonts[1].texture->texture);
    EXPECT_EQ(d->primitive, GpuPrimitive::TriangleStrip);
}

// ---- wrapping -----------------------------------------------------------------------------

TEST_F(TextLayout, WrapFittingTextIsUnchanged)
{
    EXPECT_FLOAT_EQ(wrapText(1000, u"AB AB", 10), 18);
    EXPECT_EQ(u16(wrappedText()), u"AB AB");
    EXPECT_FLOAT_EQ(wrapText(1000, u"AB\r\nAB", 10), 36);
    EXPECT_EQ(u16(wrappedText()), u"AB\r\nAB");
}

TEST_F(TextLayout, WrapBreaksAtTheLastSpace)
{
    // A and B are 15 wide at scale 10, the space 10: "AB AB" is 70.
    EXPECT_FLOAT_EQ(wrapText(75, u"AB AB AB", 10), 36);
    EXPECT_EQ(u16(wrappedText()), u"AB AB\nAB");
}

TEST_F(TextLayout, WrapDropsATrailingBreak)
{
    EXPECT_FLOAT_EQ(wrapText(1000, u"AB\r\n", 10), 18);
    EXPECT_EQ(u16(wrappedText()), u"AB");
    EXPECT_FLOAT_EQ(wrapText(1000, u"AB\r", 10), 18);
    EXPECT_EQ(u16(wrappedText()), u"AB");
}

TEST_F(TextLayout, WrapBreaksAWordWiderThanTheLine)
{
    EXPECT_FLOAT_EQ(wrapText(50, u"ABCDEFGH", 10), 54);
    EXPECT_EQ(u16(wrappedText()), u"ABC\nDEF\nGH");
    // After a break at a space, and a single glyph wider than the line.
    wrapText(50, u"AB ABCDEFGH", 10);
    EXPECT_EQ(u16(wrappedText()), u"AB\nABCD\nEFG\nH");
    EXPECT_FLOAT_EQ(wrapText(5, u"AB", 10), 36);
    EXPECT_EQ(u16(wrappedText()), u"A\nB");
    // A space at the very end that overflows is dropped, not turned into an empty line.
    EXPECT_FLOAT_EQ(wrapText(0, u"A ", 10), 18);
    EXPECT_EQ(u16(wrappedText()), u"A");
}

TEST_F(TextLayout, WrapStaysInsideItsBuffer)
{
    std::u16string longText(1500, u'A');
    wrapText(1e9f, longText.c_str(), 1);
    EXPECT_EQ(u16(wrappedText()), std::u16string(1023, u'A'));
    // No room to insert breaks: the full buffer keeps its word whole and the loop ends.
    float h = wrapText(0, longText.c_str(), 1);
    EXPECT_EQ(u16(wrappedText()), std::u16string(1023, u'A'));
    EXPECT_FLOAT_EQ(h, 1.8f);
    EXPECT_FLOAT_EQ(wrapText(100, nullptr, 10), 0);
    EXPECT_EQ(u16(wrappedText()), u"");
}

// Random texts of words and spaces at random widths: the wrap ends, keeps every letter, breaks
// only at spaces or inside over-wide words, counts its lines, and keeps lines within the width
// up to the one glyph the layout lets through after a break.
TEST_F(TextLayout, WrapRandomTexts)
{
    srand15(1234);
    const char16_t letters[] = u"ABIMW";
    for (int round = 0; round < 300; ++round) {
        std::u16string text;
        int n = 1 + rand15() % 60;
        for (int i = 0; i < n; ++i) text += (rand15() % 5 == 0) ? u' ' : letters[rand15() % 5];
        float s = 4.0f + float(rand15() % 12);
        float maxWidth = float(rand15() % 300);
        float h = wrapText(maxWidth, text.c_str(), s);
        std::u16string out = u16(wrappedText());
        std::u16string kept, original;
        for (char16_t c : out)
            if (c != u'\n' && c != u' ') kept += c;
        for (char16_t c : text)
            if (c != u' ') original += c;
        ASSERT_EQ(kept, original) << round;
        int lines = 1;
        size_t start = 0;
        for (size_t i = 0; i <= out.size(); ++i) {
            if (i < out.size() && out[i] != u'\n') continue;
            std::u16string line = out.substr(start, i - start);
            float w = measureText(line.c_str(), s);
            if (line.size() > 1) {
                EXPECT_LE(w, maxWidth + 2.0f * s + 0.01f) << round;
            }
            if (i < out.size()) ++lines;
            start = i + 1;
        }
        EXPECT_FLOAT_EQ(h, 1.8f * s * lines) << round;
    }
}

// ---- shadow and glow ----------------------------------------------------------------------

TEST_F(TextLayout, ShadowThenTextLeavesTheTextColour)
{
    int before = app.triangleCount;
    drawTextShadowed(10, 20, 10, u"A", false, Color(255, 255, 0, 255), Color(0, 0, 0, 192), 2, 1, -1);
    EXPECT_EQ(app.triangleCount - before, 4);
    auto v = lastVertices();  // the text itself, after the shadow
    ASSERT_EQ(v.size(), 4u);
    EXPECT_FLOAT_EQ(v[0].pos[0], 0);
    EXPECT_FLOAT_EQ(v[0].pos[1], 30);
    EXPECT_EQ(v[0].color, Color(255, 255, 0, 255).asWord());
    EXPECT_EQ(textState.colour, Color(255, 255, 0, 255));
}

TEST_F(TextLayout, GlowBarBehindTheTextIsAdditive)
{
    setTextColour(255, 255, 255, 255);
    drawTextGlowCentred(0, 0, 10, Color(255, 200, 100, 80), u"AB");
    const GpuDrawRecord* d = gpuLastDraw();
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(d->texture, textState.glowTexture->texture);
    EXPECT_EQ(d->srcBlend, uint32_t(BlendSrcAlpha));
    EXPECT_EQ(d->destBlend, uint32_t(BlendOne));
    EXPECT_EQ(d->alphaTest, 0u);
    // W = 30; centred: x = -15 + 5 = -10; bar from x + 2 - 30 to x + 2 + 30 + 10, y 5 +- 10.
    float minX = 1e9f, maxX = -1e9f, minY = 1e9f, maxY = -1e9f;
    for (const GpuVertex& v : lastVertices()) {
        minX = std::fmin(minX, v.pos[0]), maxX = std::fmax(maxX, v.pos[0]);
        minY = std::fmin(minY, v.pos[1]), maxY = std::fmax(maxY, v.pos[1]);
        EXPECT_FLOAT_EQ(v.pos[2], GLOW_TEXT_DEPTH);
        EXPECT_EQ(v.color, Color(255, 200, 100, 80).asWord());
    }
    EXPECT_FLOAT_EQ(minX, -38);
    EXPECT_FLOAT_EQ(maxX, 32);
    EXPECT_FLOAT_EQ(minY, -5);
    EXPECT_FLOAT_EQ(maxY, 15);
    EXPECT_EQ(getRenderState(GpuRenderState::DestBlend), uint32_t(BlendInvSrcAlpha));
    EXPECT_EQ(getRenderState(GpuRenderState::AlphaTestEnable), 1u);

    drawGlowRect(-50, 40, 50, -40, Color(255, 255, 255, 255));
    auto v = lastVertices();
    ASSERT_FALSE(v.empty());
    EXPECT_FLOAT_EQ(v[0].pos[2], GLOW_RECT_DEPTH);
    EXPECT_EQ(gpuLastDraw()->destBlend, uint32_t(BlendOne));
}

}  // namespace
