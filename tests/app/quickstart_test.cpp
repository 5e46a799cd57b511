// The route into a game while the menus are not there: a key at the splash prompt starts
// adventure level 1 with a fresh profile on the game screen.
#include <gtest/gtest.h>

#include "core/appstate.h"
#include "core/requestlog.h"
#include "app/quickstart.h"
#include "app/screens.h"
#include "game/board.h"
#include "game/gameflow.h"
#include "game/hud.h"
#include "game/level.h"
#include "game/playstate.h"
#include "graphics/device.h"
#include "menus/menus.h"
#include "persist/profile.h"

namespace {

class QuickStart : public ::testing::Test {
protected:
    void SetUp() override
    {
        resetAppState();
        resetScreens();
        resetProfiles();
        resetPlayState();
        board = Board{};  // as at program start: nothing has reset the board yet
        resetLevelFiles();
        resetGamePlay();
        clearRequests();
        resetMenus();
        resetDeviceState();
        ASSERT_TRUE(createDevice(nullptr));
        quickStart = QuickStartState{};
        quickStart.enabled = 1;
    }
    void TearDown() override
    {
        quickStart = QuickStartState{};
        resetGamePlay();
        resetDeviceState();
        resetScreens();
    }

    // Runs the prompt phase until the fade after a key has finished.
    void pressAKeyAtThePrompt()
    {
        screens.currentScreen = &splashScreen;
        splashScreen.splashTimer = 4000.0f;
        app.frameMs = 100.0f;
        splashScreen.keyDown(32);
        splashScreen.update();
        for (int i = 0; i < 9 && !screens.switchPending; i++) splashScreen.render();
    }
};

} // namespace

TEST_F(QuickStart, AKeyAtThePromptStartsAdventureLevelOneWithAFreshProfile)
{
    pressAKeyAtThePrompt();
    ASSERT_TRUE(screens.switchPending);
    EXPECT_EQ(screens.pendingScreen, &gameScreen);
    EXPECT_STREQ(currentDialogName(), "");
    EXPECT_EQ(quickStart.gamesStarted, 1);
    EXPECT_EQ(profileState.count, 1);
    EXPECT_EQ(play.gameMode, ModeAdventure);
    EXPECT_EQ(play.levelIndex, 0);
    EXPECT_EQ(profileLives(), 3);
    EXPECT_EQ(play.bankedScore, 0);
    EXPECT_FLOAT_EQ(play.timeLimitMs, 300000.0f);
    EXPECT_EQ(gameFlow.levelActive, 1);
    EXPECT_FLOAT_EQ(board.hammerFull, 0.88f);  // the hammer starts empty, not ready
    EXPECT_EQ(board.hammerReady, 0);
    // The game screen now runs the level.
    finishFrameSwitch();
    app.frameMs = 16.0f;
    gameScreen.render();
    EXPECT_FLOAT_EQ(play.timeUsedMs, 0.0f);  // the opening shutter holds the time
    EXPECT_GT(board.boardClockMs, 0.0f);
    for (int i = 0; i < 70; i++) gameScreen.render();
    EXPECT_EQ(play.shutterMoving, 0);
    // A fresh profile is welcomed with the first tip, which holds the time until it is closed.
    EXPECT_EQ(play.tipOpen, 1);
    closeTip();
    gameScreen.render();
    EXPECT_GT(play.timeUsedMs, 0.0f);
}

TEST_F(QuickStart, GoingBackToTheMenuStartsTheProfilesLevelAgain)
{
    pressAKeyAtThePrompt();
    finishFrameSwitch();
    setProfileLevel(4);
    play.levelAdvance = 1;
    gameKeyDown(13);
    EXPECT_EQ(play.levelIndex, 4);
    EXPECT_EQ(play.levelAdvance, 0);
    EXPECT_EQ(screens.pendingScreen, &gameScreen);
}

TEST_F(QuickStart, OffByDefaultTheSplashLeadsToTheMenu)
{
    quickStart.enabled = 0;
    pressAKeyAtThePrompt();
    EXPECT_EQ(screens.pendingScreen, &menuScreen);
    EXPECT_EQ(quickStart.gamesStarted, 0);
}

TEST_F(QuickStart, TheCheatCodeTurnsTheBoardsDebugKeysOn)
{
    pressAKeyAtThePrompt();
    finishFrameSwitch();
    gameScreen.keyDown('S');
    gameScreen.update();
    EXPECT_EQ(play.levelScore, 0);  // a plain key
    for (const char* p = "BRIMSTOK"; *p; ++p) {
        gameScreen.keyDown(*p);
        gameScreen.update();
    }
    ASSERT_EQ(screens.cheatKeysOn, 1);
    gameScreen.keyDown('S');  // the debug key that adds 10000 points
    gameScreen.update();
    EXPECT_EQ(play.levelScore, 10000);
}
