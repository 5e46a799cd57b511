// The dialogs over the board: the pause menu, the level result, the dialogs after a lost level and
// the questions before skipping or restarting, with what each answer does to the game.
#include "dialog_helpers.h"
#include "game/gameflow.h"
#include "game/play_helpers.h"

namespace {

int frontEndCalls = 0;
void countFrontEnd() { frontEndCalls++; }

class InGame : public ::testing::Test {
protected:
    void SetUp() override
    {
        resetPlayGame();
        resetDialogWorld();
        createProfile("TESTER");
        frontEndCalls = 0;
        dialogRoute.toFrontEnd = countFrontEnd;
        gameFlow.toFrontEnd = returnToMainMenu;  // as the shell's route sets it
        playLevel(ModeAdventure, 3, quietRows());
        buildTestTree();
        setProfileLevel(3);
        setProfileLives(2);
    }
    void TearDown() override
    {
        resetDialogs();
        resetMenus();
        resetGamePlay();
        resetDeviceState();
    }

    // The pause menu as the HUD's "menu" button opens it.
    void openPauseMenu()
    {
        menus.dialogOpen = 1;
        openGameDialog("gameplay");
        settleMenus();
        ASSERT_EQ(currentName(), "gameplay");
    }
};

} // namespace

TEST_F(InGame, ResumeClosesThePauseMenuAndHandsTheInputBack)
{
    openPauseMenu();
    pressButton("resume game");
    EXPECT_EQ(menus.dialogOpen, 0);
    EXPECT_EQ(menus.current, nullptr);
    // Escape does the same.
    openPauseMenu();
    pressKey(27);
    EXPECT_EQ(menus.dialogOpen, 0);
}

TEST_F(InGame, RestartAsksFirstAndCostsALife)
{
    openPauseMenu();
    pressButton("restart level");
    ASSERT_EQ(currentName(), "messageboxyn");
    EXPECT_STREQ(menus.messageKey, "restartquest");
    pressButton("no");
    EXPECT_EQ(currentName(), "gameplay");
    EXPECT_EQ(profileLives(), 2);
    pressButton("restart level");
    play.movesMade = 5;
    pressButton("yes");
    EXPECT_EQ(profileLives(), 1);
    EXPECT_EQ(play.levelIndex, 3);
    EXPECT_EQ(play.movesMade, 0);
    EXPECT_EQ(menus.dialogOpen, 0);
}

TEST_F(InGame, RestartAfterALostLevelNeedsNoQuestion)
{
    openPauseMenu();
    play.levelLost = 1;
    pressButton("restart level");
    EXPECT_EQ(profileLives(), 1);
    EXPECT_EQ(play.levelLost, 0);
    EXPECT_EQ(menus.dialogOpen, 0);
}

TEST_F(InGame, WithoutLivesSkipAndRestartOnlySayWhy)
{
    setProfileLives(0);
    openPauseMenu();
    pressButton("skip level");
    ASSERT_EQ(currentName(), "messageboxok");
    EXPECT_STREQ(menus.messageKey, "noskiplevel");
    pressButton("ok");
    EXPECT_EQ(currentName(), "gameplay");
    pressButton("restart level");
    ASSERT_EQ(currentName(), "messageboxok");
    EXPECT_STREQ(menus.messageKey, "nomorelives");
    EXPECT_EQ(play.levelIndex, 3);
    EXPECT_EQ(profileLives(), 0);
}

TEST_F(InGame, SkippingMovesOnToTheNextLevelForALife)
{
    openPauseMenu();
    pressButton("skip level");
    ASSERT_STREQ(menus.messageKey, "skipquest");
    pressButton("yes");
    EXPECT_EQ(play.levelIndex, 4);
    EXPECT_EQ(profileLevel(), 4);
    EXPECT_EQ(profileLives(), 1);
    EXPECT_EQ(menus.dialogOpen, 0);
}

TEST_F(InGame, MainLeavesForTheFrontEndWhenNothingWasSaved)
{
    openPauseMenu();
    pressButton("main");
    EXPECT_EQ(frontEndCalls >= 1, true);
    EXPECT_EQ(currentName(), "main");
    EXPECT_EQ(menus.dialogOpen, 0);
}

TEST_F(InGame, MainSavesATouchedLevelAndSavemsgLeavesThroughTheGame)
{
    play.gameInProgress = 1;
    play.levelTouched = 1;
    openPauseMenu();
    pressButton("main");
    ASSERT_EQ(currentName(), "messageboxok");
    EXPECT_STREQ(menus.messageKey, "savemsg");
    EXPECT_STREQ(gameFlow.gameDialog, "savemsg");  // the game knows which box is up
    EXPECT_TRUE(profileHasSavedGame(ModeAdventure));
    EXPECT_EQ(frontEndCalls, 0);                   // not before its "ok"
    pressButton("ok");
    EXPECT_EQ(currentName(), "main");
    EXPECT_EQ(menus.dialogOpen, 0);
    EXPECT_STREQ(gameFlow.gameDialog, "");
    EXPECT_GE(frontEndCalls, 1);
}

TEST_F(InGame, TheLevelResultCountsUpAndTheSecondEnterGoesOn)
{
    play.levelScore = 4321;
    play.bestStreak = 4;
    play.movesMade = 17;
    play.playClockMs = 83000.0f;
    LevelRecord& rec = levelRecord(ModeAdventure, 3);
    rec.results[2] = 20;  // the level's 17 moves beat it
    rec.results[3] = 60000;
    menus.dialogOpen = 1;
    openGameDialog("levelcomplete");
    menuFrames(2);
    EXPECT_EQ(levelResultView.score, 4321);
    EXPECT_EQ(levelResultView.timeMs, 83000);
    EXPECT_EQ(levelResultView.done, 0);
    EXPECT_TRUE(beatsRecord(levelResultView.moves, rec.results[2]));
    EXPECT_FALSE(beatsRecord(levelResultView.timeMs, rec.results[3]));
    settleMenus();  // the opening is over; the score line is counting
    clearRequests();
    addEffect("lingering", "effecttime=5000\rparfrequency=0\r");
    startEffect("lingering", 0.0f, 0.0f, 0.0f, 0.0f, 1.0f, -1);
    ASSERT_EQ(liveEmitters(), 1);
    menuKeyDown(13);
    menuFrames(1);
    EXPECT_EQ(levelResultView.done, 1);
    EXPECT_EQ(levelResultShown(3), 83000);
    EXPECT_EQ(currentName(), "levelcomplete");
    EXPECT_EQ(liveEmitters(), 0);  // finishing the count clears the bursts of its lines
    // The second Enter activates the button: the dialog closes and the game waits for a click.
    pressKey(13);
    EXPECT_EQ(menus.dialogOpen, 0);
    EXPECT_EQ(menus.current, nullptr);
}

TEST_F(InGame, ACountUpLeftAloneBurstsOncePerLine)
{
    menus.dialogOpen = 1;
    openGameDialog("levelcomplete");
    clearEffectStarts();
    int32_t cursor = audio.writeCursor;
    menuFrames(200);
    EXPECT_EQ(soundsQueuedSince(cursor, "LevelStatistic.ogg"), 4);
    EXPECT_EQ(effectStarts("wowIQ"), 4);
    EXPECT_EQ(levelResultView.done, 1);
    // Escape counts as Enter here: with the count-up done it activates the button.
    pressKey(27);
    EXPECT_EQ(menus.dialogOpen, 0);
}

TEST_F(InGame, TheDefeatDialogIgnoresEscapeAndItsSkipAsksFirst)
{
    play.levelLost = 1;
    play.secondTry = 1;
    menus.dialogOpen = 1;
    openGameDialog("defeat");
    settleMenus();
    pressKey(27);
    EXPECT_EQ(currentName(), "defeat");
    pressButton("skip level");
    ASSERT_EQ(currentName(), "messageboxyn");
    pressButton("no");
    EXPECT_EQ(currentName(), "defeat");
    pressButton("skip level");
    pressButton("yes");
    EXPECT_EQ(play.levelIndex, 4);
    EXPECT_EQ(play.secondTry, 0);
    EXPECT_EQ(profileLives(), 1);
    EXPECT_EQ(menus.dialogOpen, 0);
}

TEST_F(InGame, TheLifeLostMessageRestartsAsASecondTry)
{
    play.levelLost = 1;
    menus.dialogOpen = 1;
    openGameMessage("lostlifetime");
    settleMenus();
    ASSERT_EQ(currentName(), "messageboxok");
    pressButton("ok");
    EXPECT_EQ(play.secondTry, 1);
    EXPECT_EQ(play.levelLost, 0);
    EXPECT_EQ(profileLives(), 1);
    EXPECT_EQ(menus.dialogOpen, 0);
}

TEST_F(InGame, GameOverShowsTheGamesRowAndBackLeadsToMain)
{
    for (int e = 0; e < HISCORE_ENTRIES; e++) profileState.hiscores[ModeAdventure][e].score = (10 - e) * 1000;
    play.bankedScore = 5200;
    play.shownLevelScore = 300;
    enterHiscore(ModeAdventure, currentProfile().name, 5500);
    menus.dialogOpen = 1;
    openGameDialog("hiscore");
    settleMenus();
    EXPECT_EQ(dialogs.hiscoreFromGame, 1);
    EXPECT_EQ(dialogs.modeTab, ModeAdventure);
    EXPECT_EQ(dialogs.newScoreRow, 5);
    pressButton("back");
    EXPECT_EQ(currentName(), "main");
    EXPECT_EQ(menus.dialogOpen, 0);
    EXPECT_GE(frontEndCalls, 1);
    EXPECT_EQ(dialogs.newScoreRow, -1);
}

TEST_F(InGame, AContinuedReplayIsCountedAndPlayGoesOn)
{
    // The replay dialogs are only in a tree whose file lists them; their actions by name.
    menus.dialogOpen = 1;
    dialogAction("replaywin", "okcontinuegame", "", "");
    EXPECT_EQ(dialogs.continuedGames, 1);
    EXPECT_EQ(menus.dialogOpen, 0);
    menus.dialogOpen = 1;
    dialogAction("replayloss", "back", "", "");
    EXPECT_EQ(menus.dialogOpen, 0);
    EXPECT_EQ(menus.current, nullptr);
}

// "Next level" on the level result: the game waits for one key, says so at once and readably on
// every frame of the wait, the tiles finish their flight, and that key reaches the map.
TEST_F(InGame, AfterNextLevelThePromptShowsAtOnceAndAKeyReachesTheMap)
{
    cheatClearSquares();
    for (int i = 0; i < 200 && !play.levelWon; i++) playFrames(1);
    ASSERT_EQ(play.levelWon, 1);
    playFrames(5);
    gameKeyDown(13);  // a key early in the sequence: the level result at once
    ASSERT_EQ(currentName(), "levelcomplete");
    settleMenus();
    pressKey(13);  // finishes the count-up
    pressKey(13);  // "Next level"
    ASSERT_EQ(menus.dialogOpen, 0);
    EXPECT_EQ(play.levelAdvance, 1);
    EXPECT_EQ(play.levelIndex, 4);
    // Some tile is still in the air: the answer came well before the end of the throw.
    ASSERT_LT(play.completeClockMs, FLY_OFF_END_MS);
    Vec2 before{};
    int row = -1, col = -1;
    for (int r = 0; r < BOARD_ROWS && row < 0; r++)
        for (int c = 0; c < BOARD_COLS; c++)
            if (board.cells[r][c].tile >= 0) {
                row = r;
                col = c;
                before = board.cells[r][c].jiggle;
                break;
            }
    ASSERT_GE(row, 0);
    // Every frame of the wait (40 s, more than one slow pulse) shows the prompt, never below
    // half opacity, from the first frame on.
    int faintest = 255;
    for (int i = 0; i < 2000; i++) {
        app.frameMs = 20.0f;
        gameFrame();
        drawGame();
        const HudTextEntry* prompt = findHudText("keytoresume");
        ASSERT_NE(prompt, nullptr) << "frame " << i;
        if (prompt->colour.a < faintest) faintest = prompt->colour.a;
    }
    EXPECT_GE(faintest, 128);
    // The tiles flew on and faded out; none hangs in the air.
    EXPECT_GE(play.completeClockMs, FLY_OFF_END_MS);
    EXPECT_FLOAT_EQ(flyOffAlpha(play.completeClockMs), 0.0f);
    Vec2 after = board.cells[row][col].jiggle;
    EXPECT_TRUE(after.x != before.x || after.y != before.y);
    // One key: the map of the mode.
    clearRequests();
    gameKeyDown(32);
    EXPECT_EQ(countRequests("toModeMenu"), 1);
}
