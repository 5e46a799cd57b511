// The screens on their own: typed codes, the end-of-frame switch, input routing and the splash
// screen's timing, driven directly without the main loop.
#include "core/appstate.h"
#include "core/dialogport.h"
#include "core/requestlog.h"
#include "app/screen_draw.h"
#include "app/screens.h"
#include "audio/audio.h"
#include "graphics/device.h"
#include "menus/menus.h"
#include "persist/profile.h"
#include "persist/settings.h"
#include "platform/os/pacing.h"
#include "resources/texts.h"
#include "effects/backdrops.h"
#include "trophies/trophyroom.h"
#include "ui/messages.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

// The text a status message by key shows: the key's text, or the key itself while the tables
// lack it.
std::u16string statusTextFor(const char* key)
{
    const char16_t* t = text(key);
    std::u16string want;
    if (t) {
        want = t;
    } else {
        for (const char* c = key; *c; ++c) want += char16_t(*c);
    }
    return want;
}

// A screen that writes down which of its operations ran, in order.
class RecordingScreen : public Screen {
public:
    std::string calls;
    void activate() override { calls += "A"; }
    void deactivate() override { calls += "D"; }
};

class Screens : public ::testing::Test {
protected:
    void SetUp() override
    {
        resetAppState();
        resetScreens();
        resetPersist();
        resetAudio();
        resetProfiles();
        clearRequests();
        buildMenuTree(nullptr, 0);  // the dialogs every tree has
        resetDeviceState();
        ASSERT_TRUE(createDevice(nullptr));  // the headless device
        gpuResetStats();
    }
    void TearDown() override
    {
        resetDeviceState();
        resetScreens();
        resetMenus();
    }

    // Types a word on the current screen, one letter per frame, as the frame would: keyDown, then
    // the screen's update.
    static void typeWord(const char* word)
    {
        for (const char* p = word; *p; ++p) {
            screens.currentScreen->keyDown(*p);
            screens.currentScreen->update();
        }
    }
};

}  // namespace

TEST_F(Screens, BufferKeepsFifteenLettersNewestFirst)
{
    screens.currentScreen = &gameScreen;
    typeWord("ABCDEFGHIJKLMNOPQRST");
    EXPECT_STREQ(screens.cheatBuffer, "TSRQPONMLKJIHGF");
    EXPECT_EQ(screens.cheatBuffer[15], 0);
    // Keys that are not upper-case letters are consumed and leave the buffer as it is.
    for (int vk : {13, 32, 0x35, 0x61, 0x7B}) {
        gameScreen.keyDown(vk);
        gameScreen.update();
        EXPECT_EQ(gameScreen.typedKeys.count, 0);
    }
    EXPECT_STREQ(screens.cheatBuffer, "TSRQPONMLKJIHGF");
    // Only the low byte counts: 0x141 is an 'A'.
    gameScreen.keyDown(0x141);
    gameScreen.update();
    EXPECT_EQ(screens.cheatBuffer[0], 'A');
}

TEST_F(Screens, CheatKeyCodeOnlyOnTheGameScreen)
{
    screens.currentScreen = &menuScreen;
    typeWord("BRIMSTOK");
    EXPECT_EQ(screens.cheatKeysOn, 0);
    screens.currentScreen = &gameScreen;
    resetMessages();
    typeWord("BRIMSTOK");
    EXPECT_EQ(screens.cheatKeysOn, 1);
    EXPECT_EQ(std::u16string(messages.status.text), statusTextFor("cheatkeyenabled"));
    EXPECT_EQ(messages.status.timer, STATUS_MESSAGE_MS);
    typeWord("BRIMSTOK");
    EXPECT_EQ(screens.cheatKeysOn, 0);
    EXPECT_EQ(std::u16string(messages.status.text), statusTextFor("cheatkeydisabled"));
}

TEST_F(Screens, OverlayCodeOnEveryScreenThatProcessesCodes)
{
    Screen* all[] = {&menuScreen, &gameScreen, &trophyScreen};
    for (Screen* s : all) {
        screens.currentScreen = s;
        app.debugOverlayOn = 0;
        typeWord("ZQV");
        EXPECT_EQ(app.debugOverlayOn, 1);
        typeWord("ZQV");
        EXPECT_EQ(app.debugOverlayOn, 0);
    }
    // The splash screen does not process typed codes at all.
    screens.currentScreen = &splashScreen;
    typeWord("ZQV");
    EXPECT_EQ(app.debugOverlayOn, 0);
    EXPECT_EQ(screens.cheatBuffer[0], 'V');  // from the menu/game/trophy runs only
}

TEST_F(Screens, MapCodesOnlyOnTheAdventureMap)
{
    screens.currentScreen = &menuScreen;
    menuScreen.menuMode = MENU_MODE_MAIN;
    typeWord("ZAGRUM");
    EXPECT_EQ(screens.mapUnlocked, 0);
    menuScreen.menuMode = MENU_MODE_MAP;
    typeWord("ZAGRUM");
    EXPECT_EQ(screens.mapUnlocked, 1);
    // The longer code ends with the shorter one's letters; it must not trigger it.
    EXPECT_EQ(countRequests("resetProfileListValue"), 0);
    typeWord("GRUM");
    EXPECT_EQ(screens.mapUnlocked, 0);
    EXPECT_EQ(countRequests("resetProfileListValue"), 1);
    // Not on the game screen.
    screens.mapUnlocked = 0;
    screens.currentScreen = &gameScreen;
    typeWord("ZAGRUM");
    EXPECT_EQ(screens.mapUnlocked, 0);
}

TEST_F(Screens, SwitchHappensOnlyAtTheEndOfTheFrame)
{
    RecordingScreen a;
    RecordingScreen b;
    RecordingScreen c;
    screens.currentScreen = &a;
    requestScreen(&b);
    requestScreen(&c);  // replaces the first request
    EXPECT_EQ(currentScreen(), &a);
    app.frameMs = 16.0f;
    finishFrameSwitch();
    EXPECT_EQ(currentScreen(), &c);
    EXPECT_EQ(a.calls, "D");
    EXPECT_EQ(b.calls, "");
    EXPECT_EQ(c.calls, "A");
    EXPECT_FLOAT_EQ(app.globalTimeMs, 16.0f);
    // No request, or a request for no screen: nothing changes, the clock still advances.
    requestScreen(nullptr);
    finishFrameSwitch();
    EXPECT_EQ(c.calls, "A");
    EXPECT_EQ(currentScreen(), &c);
    EXPECT_FLOAT_EQ(app.globalTimeMs, 32.0f);
}

TEST_F(Screens, SetMenuModeStartsTheShutterOnlyOnAChange)
{
    setMenuMode(MENU_MODE_MAIN);
    EXPECT_EQ(countRequests("openShutter"), 0);
    setMenuMode(MENU_MODE_MAP);
    EXPECT_EQ(menuScreen.menuMode, MENU_MODE_MAP);
    ASSERT_EQ(countRequests("openShutter"), 1);
    EXPECT_FLOAT_EQ(lastRequest("openShutter")->x, 1000.0f);
    EXPECT_STREQ(lastRequest("openShutter")->name, "");
}

// Counts of the test dialog's drawing passes.
int testDialogDraws = 0;
int testDialogSecondPasses = 0;

// The dialog "testpasses" with its buttons, open and at rest.
void openRestingTestDialog()
{
    DialogHandlers h;
    h.draw = [](MenuNode*) {
        testDialogDraws++;
        registerButton(-400.0f, 300.0f, 400.0f, -300.0f);
    };
    h.secondPass = [](MenuNode*) { testDialogSecondPasses++; };
    registerDialog("testpasses", h);
    const std::u16string tree = u"\uFEFFmain=\r\nmain\r\ntestpasses\r\n\r\ntestpasses=\r\nok\r\nback\r\n\r\n";
    buildMenuTree(reinterpret_cast<const uint8_t*>(tree.data()), static_cast<int32_t>(tree.size() * 2));
    openDialog("testpasses");
    app.frameMs = 400.0f;  // past the opening animation
    updateMenus();
    app.frameMs = 0.0f;
    testDialogDraws = testDialogSecondPasses = 0;
}

TEST_F(Screens, MenuScreenPassesKeysToDialogsOncePerFrame)
{
    openRestingTestDialog();
    screens.currentScreen = &menuScreen;
    menuScreen.keyDown(40);
    EXPECT_EQ(menus.pendingKey, 0);  // not before the frame's update
    menuScreen.update();
    EXPECT_EQ(menus.pendingKey, 40);
    // A frame without a key leaves the stored one for the dialogs' next update.
    menuScreen.update();
    EXPECT_EQ(menus.pendingKey, 40);
    // Keys that arrive within one frame all reach the dialogs, one per frame, in order.
    menus.pendingKey = 0;
    for (int vk : {38, 39, 37}) menuScreen.keyDown(vk);
    for (int vk : {38, 39, 37}) {
        menuScreen.update();
        EXPECT_EQ(menus.pendingKey, vk);
        menus.pendingKey = 0;
    }
    menuScreen.mouseMove();
    EXPECT_TRUE(menus.pointerMoved);
    menuScreen.lButtonDown();
    EXPECT_TRUE(menus.buttonHeld);
    menuScreen.lButtonUp();
    EXPECT_FALSE(menus.buttonHeld);
    // A double click on a profile entry posts Enter.
    menus.pendingKey = 0;
    Widget entry{-400.0f, 300.0f, 400.0f, -300.0f, WIDGET_PROFILE_ENTRY, 0, 0, 0, 0};
    registerWidget(entry);
    app.mouseX = 400;  // the screen's centre
    app.mouseY = 300;
    menuScreen.lButtonDblClk();
    EXPECT_EQ(menus.pendingKey, 13);
    menuScreen.rButtonDown();  // nothing
    EXPECT_EQ(countRequests("boardRightDown"), 0);
}

TEST_F(Screens, GameScreenRoutesByDialogOpen)
{
    openRestingTestDialog();
    screens.currentScreen = &gameScreen;
    gameScreen.keyDown(32);
    gameScreen.lButtonDown();
    gameScreen.lButtonUp();
    gameScreen.mouseMove();
    gameScreen.textInput(u'x');
    EXPECT_EQ(countRequests("gameKeyDown"), 1);
    EXPECT_EQ(countRequests("boardPress"), 1);
    EXPECT_EQ(countRequests("boardRelease"), 1);
    EXPECT_EQ(menus.pendingKey, 0);
    EXPECT_FALSE(menus.pointerMoved);
    EXPECT_FALSE(menus.textInputSeen);
    ASSERT_EQ(gameScreen.typedKeys.count, 1);
    EXPECT_EQ(gameScreen.typedKeys.keys[0], 32);
    EXPECT_EQ(gameScreen.pendingKeys.count, 0);  // the game took it at once
    dialogPort.open = 1;
    // Two keys within one frame: the dialog gets them in order, one per frame.
    gameScreen.keyDown(40);
    gameScreen.keyDown(13);
    EXPECT_EQ(menus.pendingKey, 0);
    gameScreen.update();
    EXPECT_EQ(menus.pendingKey, 40);
    menus.pendingKey = 0;  // the dialogs' frame took it
    gameScreen.update();
    EXPECT_EQ(menus.pendingKey, 13);
    gameScreen.lButtonDown();
    EXPECT_TRUE(menus.buttonHeld);
    gameScreen.lButtonUp();
    EXPECT_FALSE(menus.buttonHeld);
    gameScreen.mouseMove();
    EXPECT_TRUE(menus.pointerMoved);
    gameScreen.textInput(u'x');
    EXPECT_TRUE(menus.textInputSeen);
    gameScreen.lButtonDblClk();  // always the board's
    gameScreen.rButtonDown();
    gameScreen.rButtonUp();
    gameScreen.mButtonDown();
    EXPECT_EQ(countRequests("gameKeyDown"), 1);
    EXPECT_EQ(countRequests("boardPress"), 1);
    EXPECT_EQ(countRequests("boardRelease"), 1);
    EXPECT_EQ(countRequests("boardDoubleClick"), 1);
    EXPECT_EQ(countRequests("boardRightDown"), 1);
    EXPECT_EQ(countRequests("boardRightUp"), 1);
    EXPECT_EQ(countRequests("boardMiddleDown"), 1);
}

TEST_F(Screens, GameScreenDrawsDialogsOnlyWhenOneIsOpen)
{
    openRestingTestDialog();
    screens.currentScreen = &gameScreen;
    gameScreen.render();
    EXPECT_EQ(countRequests("updateGameplay"), 1);
    EXPECT_EQ(countRequests("drawGame"), 1);
    EXPECT_EQ(testDialogDraws, 0);
    dialogPort.open = 1;
    gameScreen.render();
    EXPECT_EQ(testDialogDraws, 1);
    EXPECT_EQ(testDialogSecondPasses, 1);
}

TEST_F(Screens, ANameTypedWithinOneFrameArrivesWhole)
{
    const std::u16string tree = u"\uFEFFmain=\r\nmain\r\nnewprofile\r\n\r\nnewprofile=\r\noknewprofile\r\ncancel\r\n\r\n";
    buildMenuTree(reinterpret_cast<const uint8_t*>(tree.data()), static_cast<int32_t>(tree.size() * 2));
    screens.currentScreen = &menuScreen;
    auto frame = [] {
        app.frameMs = 20.0f;
        updateMenus();
        menuScreen.update();
    };
    // Key codes only (no text input from the window): every letter waits for its own frame.
    openDialog("newprofile");
    for (int i = 0; i < 30; i++) frame();
    menus.editing = true;
    for (int vk : {'A', 'N', 'N', 'A'}) menuScreen.keyDown(vk);
    for (int i = 0; i < 6; i++) frame();
    EXPECT_EQ(std::u16string(menus.editBuffer, static_cast<size_t>(menus.editLength)), u"ANNA");
    // With text input, as the window sends it: key, character, key, character... in one frame.
    menus.editLength = menus.cursor = 0;
    menus.editBuffer[0] = 0;
    for (char16_t c : std::u16string(u"Анна")) {
        menuScreen.keyDown('A');
        menuScreen.textInput(c);
    }
    for (int i = 0; i < 6; i++) frame();
    EXPECT_EQ(std::u16string(menus.editBuffer, static_cast<size_t>(menus.editLength)), u"Анна");
}

TEST_F(Screens, TrophyScreenRunsTheRoomWithOneDialogPass)
{
    openRestingTestDialog();
    screens.currentScreen = &trophyScreen;
    enterTrophyRoom(TROPHY_RETURN_MAIN);
    EXPECT_EQ(backdrop.number, TROPHY_ROOM_BACKDROP);
    trophyRoom.clockMs = 1500.0f;  // past the room's quiet first second
    trophyScreen.render();
    EXPECT_FLOAT_EQ(trophyRoom.clockMs, 1500.0f + app.frameMs);  // the room's frame ran
    EXPECT_EQ(testDialogDraws, 1);
    EXPECT_EQ(testDialogSecondPasses, 0);
    // Escape reaches the room's key handler in update: the room starts to leave.
    trophyScreen.keyDown(27);
    trophyScreen.update();
    EXPECT_EQ(trophyRoom.leaving, 1);
    trophyScreen.lButtonDown();
    trophyScreen.lButtonDblClk();
    trophyScreen.lButtonUp();
    trophyScreen.mouseMove();
    EXPECT_FALSE(menus.buttonHeld);  // the room's press, not the dialogs'
    resetTrophyRoom();
}

// ---- Splash screen ----

namespace {

// Renders and updates the splash for one frame of `ms`, as the frame does: render sees the time
// of the previous frame.
void splashFrame(float ms)
{
    splashScreen.render();
    app.frameMs = ms;
    splashScreen.update();
}

}  // namespace

TEST_F(Screens, SplashKeyStartsTheLeaveOnlyOnce)
{
    splashScreen.splashTimer = 3600.0f;
    splashScreen.lButtonDown();
    EXPECT_EQ(splashScreen.pendingKeys.count, 1);
    splashScreen.update();
    EXPECT_FLOAT_EQ(splashScreen.fadeTimer, 1.0f);
    splashScreen.fadeTimer = 300.0f;
    splashScreen.keyDown(13);
    splashScreen.update();
    EXPECT_FLOAT_EQ(splashScreen.fadeTimer, 300.0f);
    EXPECT_FLOAT_EQ(splashScreen.splashTimer, 3600.0f);
}

TEST_F(Screens, SplashBrightnessFadesOverTheLastSecond)
{
    screens.currentScreen = &splashScreen;
    struct Case {
        float timer;
        int brightness;
    } cases[] = {{0.0f, 255}, {3000.0f, 255}, {3500.0f, 127}, {3999.0f, 0}, {3250.0f, 191}};
    for (const Case& c : cases) {
        clearRequests();
        gpuResetStats();
        splashScreen.splashTimer = c.timer;
        app.frameMs = 0.0f;
        splashScreen.render();
        const RecordedRequest* r = lastRequest("drawSplashPicture");
        ASSERT_NE(r, nullptr);
        EXPECT_EQ(r->b, c.brightness) << "timer " << c.timer;
        EXPECT_EQ(r->a, 0);
        EXPECT_EQ(gpuStats().clears, 1);
    }
}

TEST_F(Screens, PromptStartsMusicOnceAndFadesToTheMenu)
{
    screens.currentScreen = &splashScreen;
    splashScreen.splashTimer = 3990.0f;
    EXPECT_EQ(splashScreen.idleFrameRate(), 0);  // the pictures fade at the usual rate
    splashScreen.splashTimer = 4000.0f;
    app.frameMs = 100.0f;
    splashScreen.render();
    splashScreen.render();
    // Waiting for a key, only the prompt's pulse moves: a slow idle rate is enough.
    EXPECT_GT(splashScreen.idleFrameRate(), 0);
    EXPECT_LT(splashScreen.idleFrameRate(), PACING_IDLE_HZ);
    // The main theme starts at once: no fade, current and requested song alike.
    EXPECT_EQ(audio.requestedOrder, 0);
    EXPECT_EQ(audio.currentOrder, 0);
    EXPECT_FLOAT_EQ(audio.fadeMs, 0.0f);
    EXPECT_EQ(splashScreen.musicStarted, 1);
    EXPECT_FLOAT_EQ(splashScreen.promptTimer, 200.0f);
    // The bar is full once the music has started.
    EXPECT_FLOAT_EQ(lastRequest("drawLoadingPictureAndBar")->x, 1.0f);
    EXPECT_EQ(countRequests("drawPromptText", "keytoresume"), 2);
    // A key starts the 800 ms fade.
    splashScreen.keyDown(32);
    splashScreen.update();
    EXPECT_FLOAT_EQ(splashScreen.fadeTimer, 1.0f);
    EXPECT_EQ(splashScreen.idleFrameRate(), 0);
    for (int i = 0; i < 7; i++) splashFrame(100.0f);  // fade 1 -> 701
    EXPECT_FLOAT_EQ(splashScreen.fadeTimer, 701.0f);
    EXPECT_FALSE(screens.switchPending);
    // Tint of the last drawn frame: 255 - 701/800*255 = 31.5 -> 31.
    EXPECT_EQ(splashScreen.tint, Color(31, 31, 31, 255));
    splashFrame(100.0f);
    EXPECT_FLOAT_EQ(splashScreen.fadeTimer, 800.0f);
    EXPECT_TRUE(screens.switchPending);
    EXPECT_EQ(screens.pendingScreen, &menuScreen);
    EXPECT_EQ(countRequests("releaseSplashPictures"), 1);
    // The menu asks for the main theme again: it is already playing, so no fade starts.
    EXPECT_EQ(audio.requestedOrder, 0);
    EXPECT_FLOAT_EQ(audio.fadeMs, 0.0f);
    EXPECT_STREQ(currentDialogName(), "newprofile");
}

TEST_F(Screens, PromptOpensMainWhenAProfileExists)
{
    ASSERT_TRUE(createProfile("Ann"));
    ASSERT_TRUE(createProfile("Bob"));
    splashScreen.splashTimer = 4000.0f;
    splashScreen.fadeTimer = 790.0f;
    app.frameMs = 20.0f;
    splashScreen.render();
    EXPECT_STREQ(currentDialogName(), "main");
}

TEST_F(Screens, LoadProgressDrawsOnlyDuringTheDeferredLoad)
{
    addLoadProgress(1000);
    EXPECT_EQ(countRequests("drawLoadingPictureAndBar"), 0);
    EXPECT_EQ(splashScreen.loadProgress, 1000);
    app.deferredLoadRequested = 1;
    addLoadProgress(LOAD_TOTAL_BYTES / 2 - 1000);
    ASSERT_EQ(countRequests("drawLoadingPictureAndBar"), 1);
    EXPECT_EQ(gpuStats().presents, 1);
    EXPECT_EQ(gpuStats().scenes, 1);
    // The bar drawn shows the bytes before this file.
    EXPECT_NEAR(lastRequest("drawLoadingPictureAndBar")->x, 1000.0f / LOAD_TOTAL_BYTES, 1e-6f);
    addLoadProgress(10);
    EXPECT_NEAR(lastRequest("drawLoadingPictureAndBar")->x, 0.5f, 1e-6f);
    EXPECT_EQ(splashScreen.progressCalls, 3);
    // More bytes than the bar's full scale: the bar stays full, the count does not overflow.
    addLoadProgress(2000000000);
    addLoadProgress(2000000000);
    addLoadProgress(0);
    EXPECT_FLOAT_EQ(lastRequest("drawLoadingPictureAndBar")->x, 1.0f);
    EXPECT_GT(splashScreen.loadProgress, 0);
}
