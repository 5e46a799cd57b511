// Fonts: metrics, loading, layout, measuring, wrapping, the 8-bit conversion and the glyph,
// shadow and glow drawing on the headless device.
#include "ui_helpers.h"

#include "core/random.h"

#include <memory>

namespace {

TEST(FontMetrics, AdvancesCellsRowsAndDamagedFiles)
{
    auto font = std::make_unique<BitmapFont>();
    std::vector<uint8_t> m(FONT_METRICS_SIZE, 0);
    put16(m, 0, 256), put16(m, 2, 256), put16(m, 4, 4);  // cells 64 pixels wide
    put16(m, 8 + 5 * 4, 48), put16(m, 10 + 5 * 4, 'Q');
    put16(m, 8 + 9 * 4, 16), put16(m, 10 + 9 * 4, 'Z');
    put16(m, 8 + 700 * 4, 32), put16(m, 10 + 700 * 4, 'Z');  // the later entry for Z wins
    ASSERT_EQ(buildFontMetrics(*font, m.data(), int32_t(m.size()), 2.0f, 1.5f), FontMetricsStatus::Ok);
    EXPECT_EQ(font->rows, 4);
    EXPECT_FLOAT_EQ(font->advance['Q'], 2.0f * 48 / 64 * 2.0f);
    EXPECT_EQ(font->cell['Q'], 5);
    EXPECT_FLOAT_EQ(font->advance['Z'], 2.0f * 32 / 64 * 2.0f);
    EXPECT_EQ(font->cell['Z'], 700);
    EXPECT_EQ(font->advance['R'], 0.0f);
    EXPECT_EQ(font->cell['R'], 0);
    put16(m, 0, 512), put16(m, 2, 256), put16(m, 4, 16);  // wider than high: half as many rows
    ASSERT_EQ(buildFontMetrics(*font, m.data(), int32_t(m.size()), 1, 1), FontMetricsStatus::Ok);
    EXPECT_EQ(font->rows, 8);
    EXPECT_FLOAT_EQ(font->cellV, 0.125f);

    EXPECT_EQ(buildFontMetrics(*font, m.data(), FONT_METRICS_SIZE - 1, 1, 1), FontMetricsStatus::Truncated);
    EXPECT_EQ(buildFontMetrics(*font, nullptr, 0, 1, 1), FontMetricsStatus::Truncated);
    put16(m, 4, 1);  // wide texture, one column: no rows
    EXPECT_EQ(buildFontMetrics(*font, m.data(), int32_t(m.size()), 1, 1), FontMetricsStatus::NoRows);
    put16(m, 4, 0);
    EXPECT_EQ(buildFontMetrics(*font, m.data(), int32_t(m.size()), 1, 1), FontMetricsStatus::NoColumns);
    put16(m, 2, 0);
    EXPECT_EQ(buildFontMetrics(*font, m.data(), int32_t(m.size()), 1, 1), FontMetricsStatus::BadTextureSize);
    EXPECT_EQ(font->cols, 16);  // a damaged file leaves the font alone
}

class FontLoading : public UiTest {
protected:
    void SetUp() override
    {
        UiTest::SetUp();
        startHeadless();
    }
};

TEST_F(FontLoading, LoadSelectColourLettersAndTableLimit)
{
    spawnFlyingLetters(u"AB", 0, 0, 10, 1000);
    setTextColour(1, 2, 3, 4);
    ASSERT_TRUE(loadFont("font", 1.0f, 1.0f));
    EXPECT_EQ(messages.letters[0].timer, 0.0f);  // loading clears the letters
    EXPECT_EQ(textState.colour, Color(255, 255, 255, 255));
    EXPECT_STREQ(textState.glowTexture->name, "podsvet.jpg");
    EXPECT_STREQ(currentFont()->texture->name, "font.tga");
    EXPECT_FLOAT_EQ(currentFont()->advance[u'M'], 2.0f);
    EXPECT_EQ(currentFont()->cell[u'Я'], testCell(u'Я'));
    ASSERT_TRUE(loadFont("font", 2.0f, 1.0f));
    const std::pair<int, int> picks[] = {{1, 1}, {4, 0}, {-1, 1}};  // modulo the two fonts
    for (auto [index, want] : picks) {
        selectFont(index);
        EXPECT_EQ(currentFont(), &textState.fonts[want]) << index;
    }
    for (int i = 2; i < FONT_TABLE_SIZE; ++i) ASSERT_TRUE(loadFont("font", 1.0f, 1.0f));
    EXPECT_FALSE(loadFont("font", 1.0f, 1.0f));
    EXPECT_EQ(textState.fontCount, FONT_TABLE_SIZE);
}

TEST_F(FontLoading, DamagedOrMissingFilesAreFatalAndNothingIsDrawnWithoutAFont)
{
    std::vector<uint8_t> m = testFontMetrics();
    m.resize(100);
    put("font.dat", m);
    EXPECT_FALSE(loadFont("font", 1.0f, 1.0f));
    EXPECT_EQ(ExitRecorder::exits(), 1);
    EXPECT_STREQ(textState.lastError, "Damaged font file: font.dat (shorter than 4104 bytes)");
    EXPECT_FALSE(loadFont("nofont", 1.0f, 1.0f));
    EXPECT_EQ(ExitRecorder::exits(), 2);
    EXPECT_EQ(textState.fontCount, 0);
    drawText(0, 0, 10, u"AB");
    drawTextGlow(0, 0, 10, Color(), u"AB");
    EXPECT_EQ(app.triangleCount, 0);
    EXPECT_EQ(measureText(u"AB", 10), 0.0f);
    EXPECT_TRUE(layout(0, 0, 10, u"AB", false).empty());
}

class TextLayout : public UiTest {
protected:
    void SetUp() override
    {
        UiTest::SetUp();
        loadTestFont();
    }
};

// Glyph centres of left-aligned and centred text (A and B advance 1.5, I 1.0, ~ is not in the
// font and advances 0).
TEST_F(TextLayout, GlyphCentres)
{
    struct Case {
        const char16_t* text;
        bool centred;
        float x, y, s;
        std::vector<std::pair<float, float>> centres;
    } cases[] = {
        {u"AIB", false, 10, 20, 16, {{10, 20}, {30, 20}, {50, 20}}},
        {u"A\r\nB", false, 0, 0, 16, {{0, 0}, {0, -28.8f}}},
        {u"AB\n\nI", false, 5, 0, 10, {{5, 0}, {20, 0}, {5, -36}}},
        {u"A~B", false, 0, 0, 10, {{0, 0}, {7.5f, 0}, {15, 0}}},
        {u"\r\nA", false, 0, 0, 10, {{0, -18}}},
        {u"A\r", false, 0, 0, 10, {{0, 0}}},
        {u"AB\r\nI", true, 100, 50, 16, {{84, 50}, {108, 50}, {100, 50 - 28.8f}}},
        {u"A\r", true, 0, 0, 10, {{-2.5f, 0}}},
    };
    for (const Case& c : cases) {
        auto g = layout(c.x, c.y, c.s, c.text, c.centred);
        ASSERT_EQ(g.size(), c.centres.size()) << testing::PrintToString(u16(c.text));
        for (size_t i = 0; i < g.size(); ++i) {
            EXPECT_FLOAT_EQ(g[i].x, c.centres[i].first) << testing::PrintToString(u16(c.text)) << " " << i;
            EXPECT_FLOAT_EQ(g[i].y, c.centres[i].second) << testing::PrintToString(u16(c.text)) << " " << i;
        }
    }
    EXPECT_EQ(layout(0, 0, 10, u"A~", false)[1].cell, 0);  // an unknown unit draws cell 0
}

TEST_F(TextLayout, MeasuringAndCyrillicThroughTheEightBitConversion)
{
    EXPECT_FLOAT_EQ(measureText(u"AIB", 10), 40);
    EXPECT_FLOAT_EQ(measureText(u"AB\r\nAB", 10), 60);  // breaks have no advance in this font
    EXPECT_FLOAT_EQ(measureTextAnsi("\xC6\xDF", 10), 35);  // ЖЯ
    EXPECT_EQ(u16(convertAnsi("\xC6\xDF\xA8")), u"ЖЯЁ");
    drawTextAnsi(0, 0, 10, "\xCF\xD0\xC8\xC2\xC5\xD2");  // ПРИВЕТ
    EXPECT_EQ(app.triangleCount, 12);
    auto v = lastVertices();
    ASSERT_EQ(v.size(), 4u);
    EXPECT_FLOAT_EQ(v[0].u, float(testCell(u'Т') % 8) / 8);
    EXPECT_FLOAT_EQ(v[0].v, float(testCell(u'Т') / 8) / 8);
    std::string longText(1500, 'A');  // cut to the 1023 units of the buffer
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
    // Top-left, top-right, bottom-left, bottom-right; half width 10 x 1.5, half height that x 2.
    const float want[4][4] = {{-15, 30, tu, tv}, {15, 30, tu + 0.125f, tv}, {-15, -30, tu, tv + 0.125f},
                              {15, -30, tu + 0.125f, tv + 0.125f}};
    for (int i = 0; i < 4; ++i) {
        EXPECT_FLOAT_EQ(v[i].pos[0], want[i][0]) << i;
        EXPECT_FLOAT_EQ(v[i].pos[1], want[i][1]) << i;
        EXPECT_FLOAT_EQ(v[i].u, want[i][2]) << i;
        EXPECT_FLOAT_EQ(v[i].v, want[i][3]) << i;
        EXPECT_EQ(v[i].color, Color(200, 50, 50, 127).asWord());
    }
    EXPECT_EQ(gpuLastDraw()->texture, textState.fonts[1].texture->texture);
}

// A and B are 15 wide at scale 10, the space 10.
TEST_F(TextLayout, Wrapping)
{
    struct Case {
        float maxWidth;
        const char16_t* text;
        const char16_t* wrapped;
        int lines;
    } cases[] = {
        {1000, u"AB AB", u"AB AB", 1},                // fits: unchanged
        {1000, u"AB\r\nAB", u"AB\r\nAB", 2},
        {75, u"AB AB AB", u"AB AB\nAB", 2},            // the last space before the overflow
        {1000, u"AB\r\n", u"AB", 1},                   // a trailing break is dropped
        {1000, u"AB\r", u"AB", 1},
        {0, u"A ", u"A", 1},                           // so is an overflowing last space
        {50, u"ABABABAB", u"ABA\nBAB\nAB", 3},         // a word wider than the line is broken
        {50, u"AB ABABABAB", u"AB\nABAB\nABA\nB", 4},  // (the unit after a space break is free)
        {5, u"AB", u"A\nB", 2},                        // a glyph wider than the line stays alone
    };
    for (const Case& c : cases) {
        EXPECT_FLOAT_EQ(wrapText(c.maxWidth, c.text, 10), 18.0f * c.lines) << testing::PrintToString(u16(c.text));
        EXPECT_EQ(u16(wrappedText()), c.wrapped);
    }
    // The buffer holds 1023 units; full, it has no room for a break and keeps the word whole.
    std::u16string longText(1500, u'A');
    EXPECT_FLOAT_EQ(wrapText(0, longText.c_str(), 1), 1.8f);
    EXPECT_EQ(u16(wrappedText()), std::u16string(1023, u'A'));
}

// Random texts of words and spaces at random widths: the wrap ends inside its buffer, keeps every
// letter, counts its lines, and keeps each line within the width up to the one glyph the layout
// lets through after a break.
TEST_F(TextLayout, WrappingRandomTexts)
{
    srand15(1234);
    const char16_t letters[] = u"ABIMW";
    for (int round = 0; round < 300; ++round) {
        std::u16string text, original, kept;
        for (int i = 0, n = 1 + rand15() % 60; i < n; ++i) text += (rand15() % 5 == 0) ? u' ' : letters[rand15() % 5];
        float s = 4.0f + float(rand15() % 12), maxWidth = float(rand15() % 300);
        float h = wrapText(maxWidth, text.c_str(), s);
        std::u16string out = u16(wrappedText());
        for (char16_t c : text)
            if (c != u' ') original += c;
        for (char16_t c : out)
            if (c != u'\n' && c != u' ') kept += c;
        ASSERT_EQ(kept, original) << round;
        int lines = 0;
        for (size_t start = 0, end = 0; end != std::u16string::npos; start = end + 1, ++lines) {
            end = out.find(u'\n', start);
            std::u16string line = out.substr(start, end == std::u16string::npos ? end : end - start);
            if (line.size() > 1) {
                EXPECT_LE(measureText(line.c_str(), s), maxWidth + 2.0f * s + 0.01f) << round;
            }
        }
        EXPECT_FLOAT_EQ(h, 1.8f * s * lines) << round;
    }
}

TEST_F(TextLayout, ShadowAndGlow)
{
    drawTextShadowed(10, 20, 10, u"A", false, Color(255, 255, 0, 255), Color(0, 0, 0, 192), 2, 1, -1);
    EXPECT_EQ(app.triangleCount, 4);
    auto v = lastVertices();  // the text itself comes after its shadow
    EXPECT_FLOAT_EQ(v[0].pos[0], 0);
    EXPECT_FLOAT_EQ(v[0].pos[1], 30);
    EXPECT_EQ(v[0].color, Color(255, 255, 0, 255).asWord());
    EXPECT_EQ(textState.colour, Color(255, 255, 0, 255));

    drawTextGlowCentred(0, 0, 10, Color(255, 200, 100, 80), u"AB");
    const GpuDrawRecord* d = gpuLastDraw();
    EXPECT_EQ(d->texture, textState.glowTexture->texture);
    EXPECT_EQ(d->destBlend, uint32_t(BlendOne));
    EXPECT_EQ(d->alphaTest, 0u);
    // W = 30; centred: x = -15 + 5 = -10; the bar spans x + 2 - 30 to x + 2 + 30 + 10, y 5 +- 10.
    v = lastVertices();
    ASSERT_EQ(v.size(), 4u);
    float minX = 1e9f, maxX = -1e9f, minY = 1e9f, maxY = -1e9f;
    for (const GpuVertex& p : v) {
        minX = std::fmin(minX, p.pos[0]), maxX = std::fmax(maxX, p.pos[0]);
        minY = std::fmin(minY, p.pos[1]), maxY = std::fmax(maxY, p.pos[1]);
        EXPECT_FLOAT_EQ(p.pos[2], GLOW_TEXT_DEPTH);
    }
    EXPECT_FLOAT_EQ(minX, -38);
    EXPECT_FLOAT_EQ(maxX, 32);
    EXPECT_FLOAT_EQ(minY, -5);
    EXPECT_FLOAT_EQ(maxY, 15);
    EXPECT_EQ(getRenderState(GpuRenderState::DestBlend), uint32_t(BlendInvSrcAlpha));
    EXPECT_EQ(getRenderState(GpuRenderState::AlphaTestEnable), 1u);
    drawGlowRect(-50, 40, 50, -40, Color(255, 255, 255, 255));
    EXPECT_FLOAT_EQ(lastVertices()[0].pos[2], GLOW_RECT_DEPTH);
    EXPECT_EQ(gpuLastDraw()->destBlend, uint32_t(BlendOne));
}

}  // namespace
