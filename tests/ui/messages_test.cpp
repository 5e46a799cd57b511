// Floating messages (status message, pop-up texts, flying letters), the pointer position for
// several window sizes, and the debug overlay, on the headless device with the test font.
#include "ui_helpers.h"

#include "platform/os/os.h"
#include "resources/texts.h"
#include "ui/debugoverlay.h"

#include <cmath>
#include <cstdio>
#include <string>

namespace {

class Messages : public UiTest {
protected:
    void SetUp() override
    {
        UiTest::SetUp();
        loadTestFont();
        resetTextTables();
        app.globalTimeMs = 0.0f;
    }
    void TearDown() override
    {
        resetTextTables();
        UiTest::TearDown();
    }
    // Runs one frame of dt ms of a draw operation; returns the triangles it drew.
    static int frame(void (*draw)(), float dt)
    {
        app.frameMs = dt;
        int before = app.triangleCount;
        draw();
        return app.triangleCount - before;
    }
};

// ---- status message -----------------------------------------------------------------------

TEST_F(Messages, StatusMessageKeepsItsTimerAndTakesTheNewText)
{
    showStatusMessage(u"FIRST");
    EXPECT_EQ(messages.status.timer, 1400.0f);
    for (int i = 0; i < 30; ++i) frame(drawStatusMessage, 10);  // 300 ms, still rising
    float timer = messages.status.timer;
    EXPECT_FLOAT_EQ(timer, 1100.0f);
    showStatusMessage(u"SECOND");
    EXPECT_EQ(messages.status.timer, timer);
    EXPECT_EQ(std::u16string(messages.status.text), u"SECOND");
    // Long texts are cut to 129 units.
    std::u16string longText(300, u'A');
    showStatusMessage(longText.c_str());
    EXPECT_EQ(std::u16string(messages.status.text), std::u16string(129, u'A'));
}

TEST_F(Messages, StatusMessageLastsAbout2567Ms)
{
    showStatusMessage(u"I");
    int frames = 0;
    while (messages.status.timer > 0.0f && frames < 10000) {
        EXPECT_EQ(frame(drawStatusMessage, 1.0f), 2);
        ++frames;
    }
    // 400 ms rising, 500 timer units at 0.3 per ms, 500 ms sinking.
    EXPECT_NEAR(frames, 2567, 2);
    EXPECT_EQ(frame(drawStatusMessage, 1.0f), 0);
}

TEST_F(Messages, StatusMessageRisesFromTheBottomEdge)
{
    showStatusMessage(u"I");
    frame(drawStatusMessage, 100);  // timer 1300: y = -300, scale (sin(1300 pi / 1500) 12 + 6) 1.5
    auto v = lastVertices();
    ASSERT_EQ(v.size(), 4u);
    float scale = v[1].pos[0];  // the one glyph is centred on x = 0, half as wide as the scale
    EXPECT_NEAR(scale, 16.32f, 0.01f);
    EXPECT_NEAR(v[0].pos[1], -300 + scale, 1e-3);
    EXPECT_EQ(v[0].color >> 24, 178u);  // sin(1300 pi / 1500) x 127 + 127
    // Holding: a pulse of +-1 around 24.9 at y = -270.
    while (messages.status.timer > 1000.0f) frame(drawStatusMessage, 10);
    for (int i = 0; i < 50; ++i) {
        frame(drawStatusMessage, 10);
        v = lastVertices();
        EXPECT_NEAR(v[0].pos[1] - v[1].pos[0], -270, 1e-3);
        EXPECT_NEAR(v[1].pos[0], 24.9f, 1.0001f);
    }
}

TEST_F(Messages, StatusMessageByKeyShowsTheTextOrTheKey)
{
    const char16_t data[] = u"\uFEFFcheatkeyenabled=CHEATS ON\r\n";
    parseTextData(reinterpret_cast<const uint8_t*>(data), int32_t(sizeof data - 2));
    showStatusMessage("cheatkeyenabled");
    EXPECT_EQ(std::u16string(messages.status.text), u"CHEATS ON");
    showStatusMessage("cheatkeydisabled");
    EXPECT_EQ(std::u16string(messages.status.text), u"cheatkeydisabled");
}

TEST_F(Messages, NothingWithoutAFont)
{
    resetTextState();
    showStatusMessage(u"I");
    EXPECT_EQ(frame(drawStatusMessage, 10), 0);
    EXPECT_EQ(messages.status.timer, 1400.0f);
    addPopupText(u"I", 0, 0, 10, 1000);
    EXPECT_EQ(frame(drawPopupTexts, 10), 0);
    EXPECT_FLOAT_EQ(messages.popups[0].life, 1980);  // the pop-up still runs out on time
}

// ---- pop-up texts -------------------------------------------------------------------------

TEST_F(Messages, PopupWithoutDurationAddsNothing)
{
    addPopupText(u"A", 0, 0, 10, 0);
    addPopupText(u"A", 0, 0, 10, -5);
    addPopupText(u"A", 0, 0, 10, NAN);
    addPopupText(static_cast<const char16_t*>(nullptr), 0, 0, 10, 100);
    EXPECT_EQ(messages.nextPopup, 0);
    for (const PopupText& p : messages.popups) EXPECT_EQ(p.life, -1.0f);
}

TEST_F(Messages, SeventeenthPopupReplacesTheOldest)
{
    for (int i = 1; i <= 17; ++i) addPopupText(std::to_string(i).c_str(), float(i), 0, 10, 1000);
    EXPECT_EQ(messages.nextPopup, 1);
    EXPECT_EQ(std::u16string(messages.popups[0].text), u"17");
    EXPECT_EQ(messages.popups[0].x, 17.0f);
    EXPECT_EQ(std::u16string(messages.popups[1].text), u"2");
    EXPECT_FLOAT_EQ(messages.popups[0].width, measureText(u"17", 10));
    EXPECT_FLOAT_EQ(messages.popups[0].rate, 2.0f);
}

TEST_F(Messages, PopupOfOneSecondGrowsPulsesAndShrinks)
{
    addPopupText(u"I", 30, 40, 20, 1000);
    std::vector<std::vector<GpuVertex>> frames;
    while (frame(drawPopupTexts, 10) > 0) frames.push_back(lastVertices());
    ASSERT_EQ(frames.size(), 100u);  // visible for 1000 ms
    auto halfWidth = [&](int f) { return frames[f][1].pos[0] - 30; };
    auto alpha = [&](int f) { return frames[f][0].color >> 24; };
    // Growing for 300 ms: at 150 ms half the scale and alpha 128.
    EXPECT_FLOAT_EQ(halfWidth(0), 0);
    EXPECT_FLOAT_EQ(halfWidth(15), 10);
    EXPECT_EQ(alpha(15), 128u);
    EXPECT_LT(alpha(29), 255u);
    // Pulsing for 400 ms at full alpha, 0.9 to 1.1 of the scale.
    for (int f = 30; f < 70; ++f) EXPECT_EQ(alpha(f), 255u) << f;
    EXPECT_NEAR(halfWidth(50), 18, 1e-3);
    // Shrinking for the last 300 ms.
    EXPECT_FLOAT_EQ(halfWidth(85), 10);
    EXPECT_EQ(alpha(85), 128u);
    // The shimmer at clock 0 is half way between yellow and white; the colour ends white.
    EXPECT_EQ(frames[50][0].color & 0xFFFFFF, 0xFFF2B1u);
    EXPECT_EQ(textState.colour, Color(255, 255, 255, 255));
    EXPECT_FLOAT_EQ(frames[50][0].pos[1], 40 + halfWidth(50));
}

// ---- flying letters -----------------------------------------------------------------------

TEST_F(Messages, LettersAreLaidOutCentredOnX)
{
    spawnFlyingLetters(u"AIB", 100, 50, 10, 1000);
    EXPECT_EQ(messages.nextLetter, 3);
    EXPECT_FLOAT_EQ(messages.letters[0].x, 80);    // x - W / 2 with W = 40
    EXPECT_FLOAT_EQ(messages.letters[1].x, 92.5f);
    EXPECT_FLOAT_EQ(messages.letters[2].x, 105);
    EXPECT_EQ(messages.letters[2].code, u'B');
    EXPECT_EQ(messages.letters[2].timer, 1080.0f);
    EXPECT_EQ(messages.letters[1].y, 50.0f);
    spawnFlyingLetters(u"AB", 0, 0, 10, 0);
    EXPECT_EQ(messages.nextLetter, 3);
}

TEST_F(Messages, LettersShowOneAfterAnother)
{
    spawnFlyingLetters(u"ABCDE", 0, 0, 10, 1200);
    std::vector<int> shown;
    for (int f = 0; f < 200; ++f) shown.push_back(frame(drawFlyingLetters, 10) / 2);
    EXPECT_EQ(shown[0], 1);   // the first letter at once
    EXPECT_EQ(shown[3], 1);
    EXPECT_EQ(shown[4], 2);   // 40 ms later the second
    EXPECT_EQ(shown[15], 4);
    EXPECT_EQ(shown[16], 5);  // the fifth 160 ms after the first
    EXPECT_EQ(shown[119], 5);
    EXPECT_EQ(shown[120], 4);  // the first letter's 1200 ms are over
    EXPECT_EQ(shown[136], 0);
}

TEST_F(Messages, LetterZoomsInFromTwiceItsSize)
{
    spawnFlyingLetters(u"I", 10, 20, 10, 600);  // centre x = 5
    frame(drawFlyingLetters, 10);
    auto v = lastVertices();
    ASSERT_EQ(v.size(), 4u);
    // k = 2, squared: centre (5 x 4, 20), scale 40, alpha 0.
    EXPECT_FLOAT_EQ(v[0].pos[0], 20 - 40);
    EXPECT_FLOAT_EQ(v[0].pos[1], 20 + 40);
    EXPECT_EQ(v[0].color >> 24, 0u);
    // Half way through the first sixth (timer 550): f = 0.5, k = 1.5 -> 2.25.
    for (int i = 0; i < 5; ++i) frame(drawFlyingLetters, 10);
    v = lastVertices();
    EXPECT_FLOAT_EQ(v[1].pos[0], 5 * 2.25f + 22.5f);
    EXPECT_EQ(v[0].color >> 24, 127u);
}

TEST_F(Messages, LetterRingOverwritesTheOldest)
{
    std::u16string a(200, u'A'), b(100, u'B');
    spawnFlyingLetters(a.c_str(), 0, 0, 1, 500);
    spawnFlyingLetters(b.c_str(), 0, 0, 1, 500);
    EXPECT_EQ(messages.nextLetter, 44);
    EXPECT_EQ(messages.letters[43].code, u'B');
    EXPECT_EQ(messages.letters[43].timer, 99 * 40.0f + 500);
    EXPECT_EQ(messages.letters[44].code, u'A');
    clearFloatingTexts();
    EXPECT_EQ(messages.letters[43].timer, 0.0f);
    EXPECT_EQ(frame(drawFlyingLetters, 10), 0);
}

TEST_F(Messages, ClearEndsEverything)
{
    showStatusMessage(u"A");
    addPopupText(u"A", 0, 0, 10, 1000);
    spawnFlyingLetters(u"A", 0, 0, 10, 1000);
    clearFloatingTexts();
    EXPECT_EQ(frame(drawStatusMessage, 10) + frame(drawPopupTexts, 10) + frame(drawFlyingLetters, 10), 0);
}

// ---- pointer ------------------------------------------------------------------------------

class Pointer : public testing::Test {
protected:
    void SetUp() override
    {
        resetOs();
        resetAppState();
    }
};

TEST_F(Pointer, ClientCornersAndCentre)
{
    app.mouseX = 0, app.mouseY = 0;
    EXPECT_EQ(pointerToScreen().x, -400.0f);
    EXPECT_EQ(pointerToScreen().y, 300.0f);
    app.mouseX = 400, app.mouseY = 300;
    EXPECT_EQ(pointerToScreen().x, 0.0f);
    EXPECT_EQ(pointerToScreen().y, 0.0f);
    app.mouseX = 800, app.mouseY = 600;
    EXPECT_EQ(pointerToScreen().x, 400.0f);
    EXPECT_EQ(pointerToScreen().y, -300.0f);
}

TEST_F(Pointer, AnyWindowSizeThroughTheLetterbox)
{
    struct Case {
        int ww, wh, wx, wy;
        float x, y;
    } cases[] = {
        {800, 600, 100, 500, -300, -200},
        {1600, 1200, 800, 600, 0, 0},       // twice the size
        {1600, 1200, 1598, 2, 399, 299},
        {1920, 1080, 240, 0, -400, 300},    // bars left and right (scale 1.8, 240 wide)
        {1920, 1080, 1680, 1080, 400, -300},
        {1024, 1024, 512, 512, 0, 0},       // bars above and below (scale 1.28, 128 high)
        {1024, 1024, 0, 128, -400, 300},
        {640, 480, 320, 120, 0, 150},       // smaller than the picture
    };
    for (const Case& c : cases) {
        Vec2 p = windowToScreen(c.wx, c.wy, c.ww, c.wh);
        EXPECT_FLOAT_EQ(p.x, c.x) << c.ww << "x" << c.wh << " at " << c.wx << "," << c.wy;
        EXPECT_FLOAT_EQ(p.y, c.y) << c.ww << "x" << c.wh << " at " << c.wx << "," << c.wy;
    }
    // Left of the picture, on the bar: outside the screen.
    EXPECT_LT(windowToScreen(100, 540, 1920, 1080).x, -400.0f);
}

// ---- debug overlay ------------------------------------------------------------------------

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
    auto v = lastVertices();  // the I of "TRI": the last glyph of the line at y = -115
    ASSERT_EQ(v.size(), 4u);
    EXPECT_FLOAT_EQ((v[0].pos[1] + v[2].pos[1]) / 2, -115);
    Matrix restored = getTransform(GpuTransform::View);
    EXPECT_EQ(restored.m[3][0], 1.0f);
    EXPECT_EQ(restored.m[3][2], 3.0f);
    Matrix projection = getTransform(GpuTransform::Projection);
    EXPECT_EQ(std::memcmp(projection.m, device.perspectiveMatrix.m, sizeof projection.m), 0);
    EXPECT_EQ(getRenderState(GpuRenderState::AlphaBlendEnable), 0u);
    EXPECT_EQ(getRenderState(GpuRenderState::AlphaTestEnable), 0u);
    EXPECT_EQ(debugOverlay.framesDrawn, 1);
}

}  // namespace
