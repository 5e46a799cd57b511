// The end of a level: the win sequence and the move on, the life-lost sequence, the choice after
// a loss, lives, game over and the high-score table.
#include <gtest/gtest.h>

#include <cmath>

#include "play_helpers.h"
#include "core/dialogport.h"
#include "effects/backdrops.h"
#include "persist/records.h"

namespace {

// Wins the level now: the last square goes and the next board step finds it cleared.
void winNow()
{
    at(10, 11).tile = 0;
    ASSERT_TRUE(checkLevelCleared());
}

// Plays gameplay frames until the clock passes ms of the win sequence.
void winFramesUntil(float ms)
{
    for (int i = 0; i < 2000 && play.completeClockMs < ms; i++) playFrames(1);
}

void loseNow()
{
    play.levelLost = 1;
    play.limitRunning = 0;
}

void lostFramesUntil(float ms)
{
    for (int i = 0; i < 2000 && play.lostClockMs < ms && !dialogPort.open; i++) playFrames(1);
}

} // namespace

TEST(LevelWon, TheBonusPerMode)
{
    resetPlayGame();
    playLevel(ModeAdventure, 0, quietRows());
    play.timeUsedMs = play.timeLimitMs - 12900.0f;
    winNow();
    EXPECT_EQ(play.endBonus, 600);
    playLevel(ModePuzzle, 0, quietRows(), 10.0f, 20);
    play.movesMade = play.moveLimit - 3;
    winNow();
    EXPECT_EQ(play.endBonus, 300);
    playLevel(ModeTimeless, 0, quietRows());
    winNow();
    EXPECT_EQ(play.endBonus, 0);
    winFramesUntil(1000.0f);
    EXPECT_FALSE(keyMessageShowing("levelcomplete"));
}

TEST(LevelWon, TheSequenceShowsTheBonusAndOpensTheDialogAtSevenSeconds)
{
    resetPlayGame();
    playLevel(ModeAdventure, 0, quietRows());
    play.timeUsedMs = play.timeLimitMs - 30000.0f;
    winNow();
    playFrames(1);
    EXPECT_EQ(audio.requestedOrder, musicTrackOrder(5));
    // Banked at the win with every point of the level, and the progress with it.
    EXPECT_EQ(profileScore(), play.bankedScore + play.levelScore);
    EXPECT_EQ(profileLevel(), 1);
    winFramesUntil(499.0f);
    EXPECT_FALSE(keyMessageShowing("levelcomplete"));
    winFramesUntil(520.0f);
    EXPECT_TRUE(keyMessageShowing("levelcomplete"));
    EXPECT_TRUE(keyMessageShowing("bonustime"));
    EXPECT_EQ(effectStarts("starefIQ"), 1);
    clearStarts();
    winFramesUntil(6990.0f);
    EXPECT_STREQ(currentDialogName(), "");
    winFramesUntil(7010.0f);
    EXPECT_STREQ(currentDialogName(), "levelcomplete");
    EXPECT_EQ(dialogPort.open, 1);
    EXPECT_EQ(levelRecord(ModeAdventure, 0).results[RecordScore], play.levelScore);  // the records have it
}

TEST(LevelWon, AClickAfterSixHundredMsOrAnyKeyOpensTheDialog)
{
    resetPlayGame();
    playLevel(ModeAdventure, 0, quietRows());
    winNow();
    winFramesUntil(500.0f);
    boardPress();
    EXPECT_STREQ(currentDialogName(), "");
    winFramesUntil(700.0f);
    boardPress();
    EXPECT_STREQ(currentDialogName(), "levelcomplete");

    playLevel(ModeAdventure, 0, quietRows());
    clearStarts();
    winNow();
    playFrames(2);
    gameKeyDown('A');
    EXPECT_STREQ(currentDialogName(), "levelcomplete");
}

TEST(LevelWon, AfterTheDialogTheNextLevelIsBankedAndAClickGoesBackToTheMenu)
{
    resetPlayGame();
    playLevel(ModeAdventure, 4, quietRows());
    play.bankedScore = 1000;
    winNow();
    winFramesUntil(7010.0f);
    ASSERT_EQ(dialogPort.open, 1);
    int shown = play.shownLevelScore;
    EXPECT_EQ(shown, play.levelScore);
    // The result panel's button moves the play on at once: no further key before the prompt.
    levelCompleteDialogClosed();
    EXPECT_EQ(play.levelIndex, 5);
    EXPECT_EQ(profileLevel(), 5);
    EXPECT_EQ(play.bankedScore, 1000 + shown);
    EXPECT_EQ(profileScore(), 1000 + shown);
    EXPECT_EQ(play.levelAdvance, 1);
    // Waiting: the update only lets the tiles finish their flight and runs the audio; no dialog
    // opens again, and the next key leaves for the menu.
    playFrames(5);
    EXPECT_EQ(dialogPort.open, 0);
    EXPECT_EQ(play.levelIndex, 5);
    gameKeyDown(13);
    EXPECT_EQ(countRequests("toModeMenu"), 1);
    EXPECT_EQ(play.levelIndex, 5);  // the one-shot guard holds
}

TEST(LevelWon, TheNextLandCrossFadesWithTheCameraMoveAndTheLevelStartCompletesIt)
{
    resetPlayGame();
    resetBackdrop();
    levelFiles.levelBackdrop[4] = 3;
    levelFiles.levelBackdrop[5] = 9;
    playLevel(ModeAdventure, 4, quietRows());
    setBackdrop(3);  // as the level start chose it
    // The game screen's frames: the gameplay update, then the drawing (backdrop first).
    auto screenFrames = [](int n) {
        for (int i = 0; i < n; i++) {
            app.frameMs = 20.0f;
            gameFrame();
            drawGame();
        }
    };
    winNow();
    for (int i = 0; i < 2000 && !dialogPort.open; i++) screenFrames(1);
    ASSERT_STREQ(currentDialogName(), "levelcomplete");
    EXPECT_FLOAT_EQ(backdrop.fadeMs, 0.0f);  // the win itself changes no backdrop
    levelCompleteDialogClosed();
    ASSERT_EQ(play.levelAdvance, 1);
    EXPECT_EQ(backdrop.number, 3);
    EXPECT_EQ(backdrop.nextNumber, 9);
    EXPECT_FLOAT_EQ(backdrop.fadeMs, 3000.0f);
    // The clock falls by the frame time and the camera moves: at 1000 ms s = 1/3, the shift is
    // (cos 90 deg, sin 60 deg) x 30 s^2 and the scale 1 + 1.5 s^2.
    screenFrames(50);
    EXPECT_NEAR(backdrop.fadeMs, 2000.0f, 0.01f);
    float s = 1.0f / 3.0f;
    EXPECT_NEAR(backdrop.lastShift[0], 0.0f, 1e-3f);
    EXPECT_NEAR(backdrop.lastShift[1], std::sin(3.14159265f / 3.0f) * 30.0f * s * s, 1e-3f);
    EXPECT_NEAR(backdrop.lastScale, 1.0f + 1.5f * s * s, 1e-4f);
    // Below 1500 ms the clock holds, the camera where the move took it, until the level starts.
    screenFrames(40);
    EXPECT_NEAR(backdrop.fadeMs, 1480.0f, 0.01f);
    EXPECT_TRUE(backdropFadeHeld());
    s = 1.0f - 1480.0f / 3000.0f;
    EXPECT_NEAR(backdrop.lastScale, 1.0f + 1.5f * s * s, 1e-4f);
    EXPECT_NEAR(backdrop.lastShift[0], std::cos(s * 1.5f * 3.14159265f) * 30.0f * s * s, 1e-3f);
    EXPECT_EQ(backdrop.number, 3);
    // The next key leaves for the mode's menu; the game goes on with the next level, whose
    // start completes the cross-fade: the new land's layers fade in, the camera is back.
    gameKeyDown(13);
    EXPECT_EQ(countRequests("toModeMenu"), 1);
    continueGame(ModeAdventure);  // (no level file here: a random board)
    EXPECT_EQ(play.levelIndex, 5);
    EXPECT_EQ(backdrop.number, 9);
    EXPECT_FLOAT_EQ(backdrop.fadeMs, 0.0f);
    EXPECT_FLOAT_EQ(backdrop.sceneFadeMs, BACKDROP_SCENE_FADE_MS);
    screenFrames(1);
    EXPECT_FLOAT_EQ(backdrop.lastScale, 1.0f);
    EXPECT_FLOAT_EQ(backdrop.lastShift[1], 0.0f);
    EXPECT_NEAR(backdrop.lastObjectAlpha, 20.0f / 500.0f, 1e-5f);
    screenFrames(25);
    EXPECT_FLOAT_EQ(backdrop.lastObjectAlpha, 1.0f);
    resetBackdrop();
}

TEST(LevelWon, WinningTheLastLevelFinishesTheGame)
{
    resetPlayGame();
    playLevel(ModePuzzle, 128, quietRows(), 10.0f, 30);
    play.bankedScore = 5000000;
    setProfileLives(2);
    winNow();
    winFramesUntil(7010.0f);
    levelCompleteDialogClosed();
    EXPECT_EQ(play.gameComplete, 1);
    EXPECT_EQ(play.levelWon, 0);
    EXPECT_EQ(play.levelIndex, 0);
    EXPECT_EQ(profileLevel(), 0);
    EXPECT_EQ(profileLives(), 3);
    EXPECT_EQ(profileScore(), 0);
    EXPECT_EQ(profileState.hiscores[ModePuzzle][0].score, play.bankedScore);
    EXPECT_EQ(audio.requestedOrder, musicTrackOrder(0));
    playFrames(3);  // nothing runs while the game is complete
    gameKeyDown(32);
    EXPECT_EQ(countRequests("toModeMenu"), 1);
}

TEST(LevelLost, TheSequenceSweepsTheRowsAndDecidesAtEightSeconds)
{
    resetPlayGame();
    playLevel(ModeAdventure, 3, quietRows());
    setProfileLives(3);
    loseNow();
    playFrames(1);
    EXPECT_EQ(audio.requestedOrder, musicTrackOrder(6));
    // Row 0 goes in the first frame, row r when the clock passes r * 400.
    EXPECT_EQ(at(0, 5).sweepPending, 0);
    EXPECT_EQ(at(1, 5).sweepPending, 1);
    lostFramesUntil(380.0f);  // 384 after this frame
    EXPECT_EQ(at(1, 5).sweepPending, 1);
    lostFramesUntil(390.0f);  // this frame passes 400
    EXPECT_EQ(at(1, 5).sweepPending, 0);
    EXPECT_EQ(at(10, 0).sweepPending, 1);
    clearStarts();
    lostFramesUntil(4010.0f);
    EXPECT_EQ(at(10, 0).sweepPending, 0);
    EXPECT_EQ(effectStarts("refill1"), BOARD_CELLS - 2 * BOARD_COLS);  // rows 2 to 10
    EXPECT_TRUE(keyMessageShowing("loselife"));
    clearStarts();
    lostFramesUntil(8100.0f);
    EXPECT_EQ(dialogPort.open, 1);
    EXPECT_STREQ(currentDialogName(), "messageboxok");
    EXPECT_STREQ(menus.messageKey, "lostlifetime");
}

TEST(LevelLost, AClickDecidesOnlyAfterFourSeconds)
{
    resetPlayGame();
    playLevel(ModePuzzle, 3, quietRows());
    loseNow();
    lostFramesUntil(3000.0f);
    boardPress();
    EXPECT_EQ(dialogPort.open, 0);
    lostFramesUntil(4100.0f);
    boardPress();
    EXPECT_EQ(dialogPort.open, 1);
    EXPECT_STREQ(currentDialogName(), "messageboxok");
    EXPECT_STREQ(menus.messageKey, "lostlifemoves");
}

TEST(LevelLost, TheLastLifeThenGameOverWithTheHighScore)
{
    resetPlayGame();
    const char16_t* names[HISCORE_ENTRIES] = {u"A", u"B", u"C", u"D", u"E", u"F", u"G", u"H", u"I", u"J"};
    setDefaultHiscores(names);
    playLevel(ModeAdventure, 7, quietRows());
    setProfileLives(1);
    loseNow();
    lostFramesUntil(2100.0f);
    EXPECT_TRUE(keyMessageShowing("lastlife"));
    lostFramesUntil(8100.0f);
    lifeLostMessageClosed();  // OK of the message box: the level again
    EXPECT_EQ(profileLives(), 0);
    EXPECT_EQ(play.secondTry, 1);
    EXPECT_EQ(dialogPort.open, 0);

    playLevel(ModeAdventure, 7, quietRows());
    play.bankedScore = 700000;
    play.shownLevelScore = play.levelScore = 50000;
    loseNow();
    lostFramesUntil(2100.0f);
    EXPECT_TRUE(keyMessageShowing("gameover"));
    clearStarts();
    lostFramesUntil(8100.0f);
    EXPECT_STREQ(currentDialogName(), "hiscore");
    EXPECT_EQ(queuedSounds("DefeatLevel.ogg"), 1);
    EXPECT_EQ(profileLives(), 3);
    EXPECT_EQ(profileScore(), 0);
    EXPECT_EQ(profileLevel(), 7);  // the next game starts here
    // 750000 goes before the first lower entry: the default list runs 1800000 down to 180000.
    EXPECT_EQ(profileState.hiscores[ModeAdventure][6].score, 750000);
    EXPECT_EQ(profileState.hiscores[ModeAdventure][7].score, 720000);
    EXPECT_EQ(profileState.hiscores[ModeAdventure][9].score, 360000);
}

TEST(LevelLost, LosingTheSameLevelTwiceOpensTheDefeatDialogButNotOnTheLastLevel)
{
    resetPlayGame();
    playLevel(ModeAdventure, 20, quietRows());
    setProfileLives(3);
    play.secondTry = 1;
    loseNow();
    lostFramesUntil(8100.0f);
    EXPECT_STREQ(currentDialogName(), "defeat");
    skipLevel();
    EXPECT_EQ(profileLives(), 2);
    EXPECT_EQ(profileLevel(), 21);
    EXPECT_EQ(play.secondTry, 0);

    playLevel(ModeAdventure, 128, quietRows());
    clearStarts();
    play.secondTry = 1;
    loseNow();
    lostFramesUntil(8100.0f);
    EXPECT_STREQ(currentDialogName(), "messageboxok");
    EXPECT_STREQ(menus.messageKey, "lostlifetime");
}

TEST(Hiscore, InsertionKeepsOrderAndDropsTheTenth)
{
    resetProfiles();
    const char16_t* names[HISCORE_ENTRIES] = {u"A", u"B", u"C", u"D", u"E", u"F", u"G", u"H", u"I", u"J"};
    setDefaultHiscores(names);
    EXPECT_EQ(profileState.hiscores[ModeTimeless][0].score, 2500000);
    EXPECT_EQ(profileState.hiscores[ModePuzzle][9].score, 190000);
    // Equal to entry 2: goes after it.
    EXPECT_EQ(enterHiscore(ModeAdventure, u"New", 1440000), 3);
    EXPECT_EQ(profileState.hiscores[ModeAdventure][2].name[0], u'C');
    EXPECT_EQ(profileState.hiscores[ModeAdventure][3].name[0], u'N');
    EXPECT_EQ(profileState.hiscores[ModeAdventure][4].name[0], u'D');
    EXPECT_EQ(profileState.hiscores[ModeAdventure][9].score, 360000);  // J dropped out
    // Not higher than any entry: nothing changes.
    EXPECT_EQ(enterHiscore(ModeAdventure, u"Low", 360000), -1);
    EXPECT_EQ(enterHiscore(ModeAdventure, u"Low", 100), -1);
    EXPECT_EQ(enterHiscore(7, u"Bad", 99999999), -1);
    // The best score goes first.
    EXPECT_EQ(enterHiscore(ModePuzzle, u"Top", 2000000), 0);
    EXPECT_EQ(profileState.hiscores[ModePuzzle][1].score, 1900000);
}

TEST(Profile, RecordLayoutAndPerModeValues)
{
    resetProfiles();
    EXPECT_FALSE(createProfile(""));
    EXPECT_TRUE(createProfile("Ann"));
    EXPECT_FALSE(createProfile("Ann"));
    EXPECT_TRUE(createProfile("ann"));  // names differ by case
    EXPECT_EQ(profileState.current, 1);
    Profile& p = currentProfile();
    for (uint8_t f : p.hintFlags) EXPECT_EQ(f, 1);
    setProfileMode(ModePuzzle);
    setProfileLevel(16);  // stages of 4, 5, 6, 7: the second level of stage 3
    EXPECT_EQ(p.stage[ModePuzzle], 3);
    EXPECT_EQ(p.stagePosition[ModePuzzle], 1);
    EXPECT_EQ(profileBestLevel(), 16);
    setProfileLevel(3);
    EXPECT_EQ(profileLevel(), 3);
    EXPECT_EQ(profileBestLevel(), 16);  // the best stays
    setProfileLevel(500);
    EXPECT_EQ(profileLevel(), 128);
    EXPECT_EQ(p.stage[ModePuzzle], 14);
    EXPECT_EQ(p.stagePosition[ModePuzzle], 9);
    setProfileScore(77);
    setProfileMode(ModeAdventure);
    EXPECT_EQ(profileScore(), 0);
    resetProgress();
    EXPECT_EQ(profileLives(), 3);
    for (int i = 2; i < 8; i++) {
        char n[8] = {'P', static_cast<char>('0' + i), 0};
        EXPECT_TRUE(createProfile(n));
    }
    EXPECT_FALSE(createProfile("Ninth"));
    EXPECT_EQ(profileState.count, PROFILE_TABLE_SIZE);
}
