// The message box drawn in the game's window where the system's box cannot open: it shows the
// caption and the text with the game's font (loaded on demand when the failure came before the
// game loaded it) until a key, a click or a close; with no window it stays on standard error.
#include "app/messagewindow.h"
#include "platform/os/msgbox.h"
#include "platform/os/os.h"
#include "ui/ui_helpers.h"

namespace {

class MessageWindow : public UiTest {
protected:
    void SetUp() override
    {
        UiTest::SetUp();
        resetOs();
        resetMessageWindow();
        std::snprintf(app.dataDir, sizeof app.dataDir, "%s/", dir.c_str());
        osState.systemMessageBoxFails = true;
        osSetMessageBoxFallback(showMessageInWindow);
        osUseFakeClock(0, 10);
        osSetMaxIdlePolls(500);  // a message that never goes away still ends the test
        osSetIdleHook(
            [](uint32_t poll, void* user) {
                auto* self = static_cast<MessageWindow*>(user);
                if (poll == 1) osPostMessage({WM_MOUSEMOVE, 0, packMousePosition(400, 300)});
                if (poll == self->dismissAt) osPostMessage({self->dismissWith, self->dismissWParam, 1});
            },
            this);
    }
    void TearDown() override
    {
        resetOs();
        resetMessageWindow();
        UiTest::TearDown();
    }
    // Bright pixels inside the panel: the text drawn.
    static int brightPixels(const ImageData& img)
    {
        int n = 0;
        for (int y = 150; y < 450; y++)
            for (int x = 80; x < 720; x++) {
                uint32_t c = pixelAt(img, x, y);
                if (((c >> 16) & 0xFF) > 180 && ((c >> 8) & 0xFF) > 180 && (c & 0xFF) > 180) n++;
            }
        return n;
    }

    uint32_t dismissAt = 5;
    uint32_t dismissWith = WM_KEYDOWN;
    uint32_t dismissWParam = VK_SPACE;
};

TEST_F(MessageWindow, WhereTheSystemBoxFailsTheMessageIsDrawnInTheWindowUntilAKey)
{
    startGl();
    ASSERT_EQ(currentFont(), nullptr);
    osMessageBox("CANT FIND FILE LEVELS/PACK1_01.LVL", "LOADING ERROR");
    EXPECT_EQ(osLastMessageWay(), OsMessageWay::ProgramWindow);
    EXPECT_EQ(messageWindow.shown, 1);
    EXPECT_GE(messageWindow.framesDrawn, 1);
    // It waited for the key (the mouse move before it dismissed nothing).
    EXPECT_GE(osState.idlePolls, 5u);
    EXPECT_FALSE(messageWindow.closeAsked);
    EXPECT_NE(currentFont(), nullptr) << "the font was loaded for the message";
    ImageData shown = frame();
    std::vector<uint8_t> png;
    if (imageEncodePng(shown, &png)) gfxWriteBytes(dir + "/message.png", png);
    EXPECT_GT(brightPixels(shown), 400);
    // The panel's colour outside the text, black outside the panel.
    EXPECT_TRUE(nearRgb(pixelAt(shown, 90, 440), 0xFF1C2234, 3)) << std::hex << pixelAt(shown, 90, 440);
    EXPECT_TRUE(nearRgb(pixelAt(shown, 20, 20), 0xFF000000, 3));
}

TEST_F(MessageWindow, AClickOrAClosedWindowDismissesItAndTheCloseReachesTheGame)
{
    startGl();
    dismissWith = WM_LBUTTONDOWN;
    dismissWParam = 0;
    osMessageBox("CANT SAVE", "WRITING ERROR");
    EXPECT_EQ(osLastMessageWay(), OsMessageWay::ProgramWindow);
    EXPECT_EQ(messageWindow.shown, 1);

    dismissWith = WM_CLOSE;
    dismissAt = osState.idlePolls + 3;
    osMessageBox("CANT SAVE", "WRITING ERROR");
    EXPECT_EQ(messageWindow.shown, 2);
    EXPECT_TRUE(messageWindow.closeAsked);
    OsMessage m;
    ASSERT_TRUE(osPeekMessage(&m));
    EXPECT_EQ(m.message, WM_CLOSE) << "the game closes once it goes on";
}

TEST_F(MessageWindow, WithoutAWindowTheMessageStaysOnStandardError)
{
    startHeadless();
    osMessageBox("CANT FIND FILE", "LOADING ERROR");
    EXPECT_EQ(osLastMessageWay(), OsMessageWay::StandardErrorOnly);
    EXPECT_EQ(messageWindow.shown, 0);
    EXPECT_EQ(osState.idlePolls, 0u);
}

TEST_F(MessageWindow, WithoutAFontToLoadTheMessageStaysOnStandardError)
{
    std::remove((dir + "/font.dat").c_str());
    startGl();
    osMessageBox("CANT FIND FILE FONT.DAT", "LOADING ERROR");
    EXPECT_EQ(osLastMessageWay(), OsMessageWay::StandardErrorOnly);
    EXPECT_EQ(messageWindow.shown, 0);
    EXPECT_EQ(ExitRecorder::exits(), 0) << "the font's own failure does not end the program here";
}

}  // namespace
