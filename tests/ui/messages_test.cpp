// Floating messages (status message, pop-up texts, flying letters), the pointer position for
// several window sizes, and the debug overlay, on the headless device with the test font.
#include "ui_helpers.h"

#include "platform/os/os.h"
#include "resources/texts.h"
#include "ui/debugoverlay.h"

#include <algorithm>
#include <cstdio>

namespace {

class Messages : public UiTest {
protected:
    void SetUp() override
    {
        UiTest::SetUp();
        loadTestFont();
        resetTextTables();
    }
    void TearDown() override
    {
        resetTextTables();
        UiTest::TearDown();
    }
    // One frame of dt ms of a draw operation; the triangles it drew.
    static int frame(void (*draw)(), float dt)
    {
        app.frameMs = dt;
        int before = app.triangleCount;
        draw();
        return app.triangleCount - before;
    }
};

TEST_F(Messages, StatusMessageTextTimerAndKeys)
{
    showStatusMessage(u"FIRST");
    for (int i = 0; i < 30; ++i) frame(drawStatusMessage, 10);
    EXPECT_FLOAT_EQ(messages.status.timer, 1100.0f);
    showStatusMessage(u"SECOND");  // keeps the running timer, shows the new text
    EXPECT_FLOAT_EQ(messages.status.timer, 1100.0f);
    EXPECT_EQ(u16(messages.status.text), u"SECOND");
    std::u16string longText(300, u'A');
    showStatusMessage(longText.c_str());
    EXPECT_EQ(u16(messages.status.text), std::u16string(129, u'A'));
    const char16_t data[] = u"\uFEFFcheatkeyenabled=CHEATS ON\r\n";
    parseTextData(reinterpret_cast<const uint8_t*>(data), int32_t(sizeof data - 2));
    showStatusMessage("cheatkeyenabled");
    EXPECT_EQ(u16(messages.status.text), u"CHEATS ON");
    showStatusMessage("cheatkeydisabled");  // not in the tables: the key itself
    EXPECT_EQ(u16(messages.status.text), u"cheatkeydisabled");
}

TEST_F(Messages, StatusMessageRisesHoldsAndSinksInAbout2567Ms)
{
    showStatusMessage(u"I");
    frame(drawStatusMessage, 100);  // timer 1300: y = -300, scale (sin(1300 pi / 1500) 12 + 6) 1.5
    auto v = lastVertices();
    float scale = v[1].pos[0];      // the one glyph, centred on x = 0, is half as wide as the scale
    EXPECT_NEAR(scale, 16.32f, 0.01f);
    EXPECT_NEAR(v[0].pos[1] - scale, -300, 1e-3);
    EXPECT_EQ(v[0].color >> 24, 178u);  // sin(1300 pi / 1500) x 127 + 127
    int frames = 1;
    while (messages.status.timer > 0.0f && frames < 10000) {
        EXPECT_EQ(frame(drawStatusMessage, 10), 2);
        ++frames;
        if (messages.status.timer >= 500 && messages.status.timer <= 1000) {  // +-1 around 24.9 at y = -270
            v = lastVertices();
            EXPECT_NEAR(v[0].pos[1] - v[1].pos[0], -270, 1e-3);
            EXPECT_NEAR(v[1].pos[0], 24.9f, 1.0001f);
        }
    }
    // 100 ms, then 300 ms rising, 500 timer units at 0.3 per ms, 500 ms sinking.
    EXPECT_NEAR(100 + (frames - 1) * 10, 2567, 10);
    EXPECT_EQ(frame(drawStatusMessage, 10), 0);
}

TEST_F(Messages, AStatusMessageWiderThanTheScreenIsWrappedInsideIt)
{
    // A screenshot's message with a long file name: one line would run off both edges.
    // (Wide letters: the test font is narrower than the game's.)
    std::u16string text = u"SAVED: ";
    while (text.size() < 120) text += u"WMWMWMW ";
    ASSERT_GT(measureText(text.c_str(), 24.0f), 800.0f);
    showStatusMessage(text.c_str());
    frame(drawStatusMessage, 700);  // timer 700: held at y = -270, size about 24.9
    // The last glyph drawn (the end of the last line) is inside the screen, on the bottom line.
    auto v = lastVertices();
    ASSERT_EQ(v.size(), 4u);
    for (const GpuVertex& p : v) {
        EXPECT_GE(p.pos[0], -400.0f);
        EXPECT_LE(p.pos[0], 400.0f);
        EXPECT_GE(p.pos[1], -300.0f);
    }
}

TEST_F(Messages, PopupRingAndDurations)
{
    const float bad[] = {0, -5, NAN};
    for (float d : bad) addPopupText(u"A", 0, 0, 10, d);
    addPopupText(static_cast<const char16_t*>(nullptr), 0, 0, 10, 100);
    EXPECT_EQ(messages.nextPopup, 0);
    EXPECT_EQ(messages.popups[0].life, -1.0f);
    for (int i = 1; i <= 17; ++i) addPopupText(std::to_string(i).c_str(), float(i), 0, 10, 1000);
    EXPECT_EQ(messages.nextPopup, 1);  // the 17th replaced the oldest
    EXPECT_EQ(u16(messages.popups[0].text), u"17");
    EXPECT_EQ(u16(messages.popups[1].text), u"2");
    EXPECT_FLOAT_EQ(messages.popups[0].width, measureText(u"17", 10));
    EXPECT_FLOAT_EQ(messages.popups[0].rate, 2.0f);
}

TEST_F(Messages, PopupOfOneSecondGrowsPulsesAndShrinks)
{
    app.globalTimeMs = 0.0f;
    addPopupText(u"I", 30, 40, 20, 1000);
    std::vector<std::vector<GpuVertex>> frames;
    while (frame(drawPopupTexts, 10) > 0) frames.push_back(lastVertices());
    ASSERT_EQ(frames.size(), 100u);  // visible for 1000 ms
    auto halfWidth = [&](int f) { return frames[f][1].pos[0] - 30; };
    auto alpha = [&](int f) { return frames[f][0].color >> 24; };
    EXPECT_FLOAT_EQ(halfWidth(0), 0);  // growing for 300 ms
    EXPECT_FLOAT_EQ(halfWidth(15), 10);
    EXPECT_EQ(alpha(15), 128u);
    EXPECT_LT(alpha(29), 255u);
    for (int f = 30; f < 70; ++f) EXPECT_EQ(alpha(f), 255u) << f;  // pulsing for 400 ms
    EXPECT_NEAR(halfWidth(50), 18, 1e-3);
    EXPECT_FLOAT_EQ(frames[50][0].pos[1], 40 + halfWidth(50));
    EXPECT_FLOAT_EQ(halfWidth(85), 10);  // shrinking for 300 ms
    EXPECT_EQ(alpha(85), 128u);
    // The shimmer at clock 0 is half way between yellow and white; the colour ends white.
    EXPECT_EQ(frames[50][0].color & 0xFFFFFF, 0xFFF2B1u);
    EXPECT_EQ(textState.colour, Color(255, 255, 255, 255));
}

TEST_F(Messages, LettersLayoutRingAndClear)
{
    spawnFlyingLetters(u"AIB", 100, 50, 10, 1000);
    const float xs[] = {80, 92.5f, 105};  // the first at x - W / 2, W = 40
    for (int i = 0; i < 3; ++i) {
        EXPECT_FLOAT_EQ(messages.letters[i].x, xs[i]);
        EXPECT_EQ(messages.letters[i].timer, 1000.0f + 40 * i);
    }
    spawnFlyingLetters(u"AB", 0, 0, 10, 0);
    EXPECT_EQ(messages.nextLetter, 3);
    std::u16string a(197, u'A'), b(100, u'B');
    spawnFlyingLetters(a.c_str(), 0, 0, 1, 500);
    spawnFlyingLetters(b.c_str(), 0, 0, 1, 500);
    EXPECT_EQ(messages.nextLetter, 44);  // 300 letters in a ring of 256
    EXPECT_EQ(messages.letters[43].code, u'B');
    EXPECT_EQ(messages.letters[43].timer, 99 * 40.0f + 500);
    EXPECT_EQ(messages.letters[44].code, u'A');
    showStatusMessage(u"A");
    addPopupText(u"A", 0, 0, 10, 1000);
    clearFloatingTexts();
    EXPECT_EQ(frame(drawStatusMessage, 10) + frame(drawPopupTexts, 10) + frame(drawFlyingLetters, 10), 0);
}

TEST_F(Messages, LettersShowOneAfterAnotherAndZoomIn)
{
    spawnFlyingLetters(u"ABCDE", 0, 0, 10, 1200);
    std::vector<int> shown;
    for (int f = 0; f < 140; ++f) shown.push_back(frame(drawFlyingLetters, 10) / 2);
    // One at once, the second 40 ms later, the fifth 160 ms after the first; each for 1200 ms.
    const std::pair<int, int> want[] = {{0, 1}, {3, 1}, {4, 2}, {15, 4}, {16, 5}, {119, 5}, {120, 4}, {136, 0}};
    for (auto [f, n] : want) EXPECT_EQ(shown[f], n) << f;

    clearFlyingLetters();
    spawnFlyingLetters(u"I", 10, 20, 10, 600);  // centre x = 5
    frame(drawFlyingLetters, 10);
    auto v = lastVertices();  // k = 2, squared: centre (5 x 4, 20), scale 40, alpha 0
    EXPECT_FLOAT_EQ(v[0].pos[0], 20 - 40);
    EXPECT_FLOAT_EQ(v[0].pos[1], 20 + 40);
    EXPECT_EQ(v[0].color >> 24, 0u);
    for (int i = 0; i < 5; ++i) frame(drawFlyingLetters, 10);
    v = lastVertices();  // timer 550: f = 0.5, k = 1.5, squared 2.25
    EXPECT_FLOAT_EQ(v[1].pos[0], 5 * 2.25f + 22.5f);
    EXPECT_EQ(v[0].color >> 24, 127u);
}

TEST_F(Messages, NothingDrawnWithoutAFontButPopupsRunOut)
{
    resetTextState();
    showStatusMessage(u"I");
    addPopupText(u"I", 0, 0, 10, 1000);
    EXPECT_EQ(frame(drawStatusMessage, 10) + frame(drawPopupTexts, 10), 0);
    EXPECT_EQ(messages.status.timer, 1400.0f);
    EXPECT_FLOAT_EQ(messages.popups[0].life, 1980);
}

TEST(Pointer, ClientAreaAndAnyWindowSizeThroughTheLetterbox)
{
    resetOs();
    resetAppState();
    app.mouseX = 0, app.mouseY = 600;
    EXPECT_EQ(pointerToScreen().x, -400.0f);
    EXPECT_EQ(pointerToScreen().y, -300.0f);
    app.mouseX = 400, app.mouseY = 300;
    EXPECT_EQ(pointerToScreen().x, 0.0f);
    EXPECT_EQ(pointerToScreen().y, 0.0f);
    struct Case {
        int ww, wh, wx, wy;
        float x, y;
    } cases[] = {
        {800, 600, 100, 500, -300, -200},
        {1600, 1200, 800, 600, 0, 0},  // twice the size
        {1600, 1200, 1598, 2, 399, 299},
        {1920, 1080, 240, 0, -400, 300},  // bars left and right (scale 1.8, 240 wide)
        {1920, 1080, 1680, 1080, 400, -300},
        {1024, 1024, 512, 512, 0, 0},  // bars above and below (scale 1.28, 128 high)
        {1024, 1024, 0, 128, -400, 300},
        {640, 480, 320, 120, 0, 150},  // smaller than the picture
    };
    for (const Case& c : cases) {
        Vec2 p = windowToScreen(c.wx, c.wy, c.ww, c.wh);
        EXPECT_FLOAT_EQ(p.x, c.x) << c.ww << "x" << c.wh << " at " << c.wx << "," << c.wy;
        EXPECT_FLOAT_EQ(p.y, c.y) << c.ww << "x" << c.wh << " at " << c.wx << "," << c.wy;
    }
    EXPECT_LT(windowToScreen(100, 540, 1920, 1080).x, -400.0f);  // on the bar, left of the picture
}

TEST_F(Messages, DebugOverlayDrawsBothLinesAndRestoresTheScene)
{
    resetDebugOverlay();
    Matrix view;
    view.preTranslate(1, 2, 3);
    setTransform(GpuTransform::View, &view);
    std::snprintf(app.fpsText, sizeof app.fpsText, "59.9 FPS");
    app.triangleCount = 1234;
    drawDebugOverlay();
    EXPECT_STREQ(debugOverlay.lastLine[1], "1234 TRI");
    EXPECT_EQ(app.triangleCount, 1234 + 2 * 16);  // two lines of 8 glyphs
    auto v = lastVertices();                      // the I of "TRI", last on the line at y = -115
    EXPECT_FLOAT_EQ((v[0].pos[1] + v[2].pos[1]) / 2, -115);
    EXPECT_EQ(getTransform(GpuTransform::View).m[3][2], 3.0f);
    Matrix projection = getTransform(GpuTransform::Projection);
    EXPECT_EQ(std::memcmp(projection.m, device.perspectiveMatrix.m, sizeof projection.m), 0);
    EXPECT_EQ(getRenderState(GpuRenderState::AlphaBlendEnable), 0u);
    EXPECT_EQ(getRenderState(GpuRenderState::AlphaTestEnable), 0u);
    EXPECT_EQ(debugOverlay.framesDrawn, 1);
}

}  // namespace
