// Golden pictures of text and floating messages drawn with the test font on the OpenGL device
// (offscreen): layout, centring, shadow, glow, Cyrillic, wrapping, and one frame of each message.
#include "ui_helpers.h"

namespace {

class GoldenText : public UiTest {
protected:
    void SetUp() override
    {
        UiTest::SetUp();
        loadTestFont(true);
        clearColor(0xFF1E2A3C);
        clearDepth(1.0f);
        beginScene();
        begin2D();
    }
    void finish(const char* name)
    {
        endScene();
        expectGolden(frame(), name);
    }
};

TEST_F(GoldenText, LayoutShadowGlowCyrillicAndWrapping)
{
    drawText(-340, 250, 16, u"LEFT ALIGNED\r\nSECOND LINE");
    setTextColour(255, 230, 90, 255);
    drawTextCentred(200, 250, 14, u"CENTRED\r\nLINES OF TEXT");
    drawTextShadowed(-340, 150, 18, u"SHADOW", false, Color(255, 255, 255, 255), Color(0, 0, 0, 192), 2, 1, -1);
    setTextColour(255, 255, 255, 255);
    drawTextGlowCentred(200, 150, 16, Color(255, 160, 60, 255), u"GLOW");
    setTextColour(120, 220, 255, 255);
    drawTextAnsi(-340, 60, 16, "\xCF\xD0\xC8\xC2\xC5\xD2 \xCB\xC5\xD2\xCE");  // a greeting to summer
    drawGlowRect(-360, -10, 360, -150, Color(60, 90, 160, 255));
    setTextColour(255, 255, 255, 255);
    wrapText(300, u"A LONG LINE OF TEXT BROKEN INTO SEVERAL LINES BY ITS WIDTH", 12);
    drawTextCentred(0, -40, 12, wrappedText());
    finish("ui_text");
}

TEST_F(GoldenText, FloatingMessagesMidFlight)
{
    showStatusMessage(u"STATUS");
    addPopupText(u"BONUS", 0, 0, 24, 2000);
    spawnFlyingLetters(u"COMBO", 0, 150, 20, 1200);
    app.frameMs = 20.0f;
    for (int i = 0; i < 40; ++i) {  // 800 ms in, drawing each frame, then one frame kept
        app.globalTimeMs += app.frameMs;
        drawStatusMessage();
        drawPopupTexts();
        drawFlyingLetters();
    }
    clearColor(0xFF1E2A3C);
    drawStatusMessage();
    drawPopupTexts();
    drawFlyingLetters();
    finish("ui_messages");
}

}  // namespace
