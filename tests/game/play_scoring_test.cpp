// Points of a move, the combo prize, the count-up of the shown score and the extra life.
#include <string>

#include <gtest/gtest.h>

#include "play_helpers.h"

TEST(Scoring, AGroupOfFourOnAStreakOfTwoScoresThirtyAPlace)
{
    resetPlayGame();
    static const char* const rows[BOARD_ROWS] = {
        "010101010101", "232323232323", "010101010101", "232323232323", "010101010101", "232323232323",
        "010101010101", "232323232323", "010101010101", "232323232323", "000021010101",
    };
    playLevel(ModeTimeless, 0, rows);
    play.colourStreak = 1;
    board.lastGroupColour = 0;  // this click continues the streak: 2
    clickAt(10, 0);
    ASSERT_EQ(play.colourStreak, 2);
    resetScoring();
    for (int i = 0; i < 10; i++) playFrames(1);
    EXPECT_EQ(play.levelScore, 120);  // 10 * 4 * (2 + 1)
    int popups = 0;
    for (const ScorePopup& p : scoring.popups) {
        if (p.value == 0) continue;
        popups++;
        EXPECT_EQ(p.value, 30);
    }
    EXPECT_EQ(popups, 4);
}

TEST(Scoring, PopupRingWrapsAndANumberRisesAndFades)
{
    resetPlayGame();
    for (int i = 0; i < SCORE_POPUP_COUNT + 2; i++) addScorePopup(0.0f, 0.0f, i + 1);
    EXPECT_EQ(scoring.nextPopup, 2);
    EXPECT_EQ(scoring.popups[0].value, SCORE_POPUP_COUNT + 1);
    EXPECT_EQ(scoring.popups[2].value, 3);
    resetScoring();
    addScorePopup(-27.0f, 20.0f, 90);  // a place of column 4
    app.frameMs = 10.0f;
    int frames = 0;
    while (scoring.popups[0].alpha > 0.0f && frames < 1000) {
        drawScorePopups();
        frames++;
    }
    EXPECT_NEAR(frames * 10.0f, 2833.0f, 10.0f);
    EXPECT_NEAR(scoring.popups[0].pos.y - 20.0f, 85.0f, 0.5f);
    clearHudTexts();
    drawScorePopups();
    EXPECT_EQ(hudTexts.count, 0);  // faded out: no longer drawn
}

TEST(Scoring, NumbersOfNeighbouringPlacesStartAtDifferentHeights)
{
    resetPlayGame();
    for (int col = 3; col <= 6; col++) addScorePopup(54.0f * col - 243.0f, 52.0f, 100);
    // The request log keeps the places; the numbers of odd columns start higher.
    EXPECT_FLOAT_EQ(lastRequest("addScorePopup")->y, 52.0f);
    EXPECT_FLOAT_EQ(scoring.popups[0].pos.y, 52.0f + SCORE_POPUP_STAGGER);
    EXPECT_FLOAT_EQ(scoring.popups[1].pos.y, 52.0f);
    EXPECT_FLOAT_EQ(scoring.popups[2].pos.y, 52.0f + SCORE_POPUP_STAGGER);
    EXPECT_FLOAT_EQ(scoring.popups[3].pos.y, 52.0f);
    // They rise together, so the steps stay.
    app.frameMs = 16.0f;
    for (int i = 0; i < 20; i++) drawScorePopups();
    EXPECT_NEAR(scoring.popups[0].pos.y - scoring.popups[1].pos.y, SCORE_POPUP_STAGGER, 0.01f);
}

TEST(Combo, TheTableOfPrizes)
{
    struct Row {
        int count;
        const char* key;
    };
    const Row rows[] = {{0, nullptr},       {2, nullptr},       {3, "coolcombo"},  {4, "supercombo"},
                        {5, "supercombo"},  {6, "megacombo"},   {8, "megacombo"},  {9, "ultracombo"},
                        {10, "ultracombo"}, {11, "impossible"}, {40, "impossible"}};
    for (const Row& r : rows) {
        const char* key = comboKey(r.count);
        if (!r.key) {
            EXPECT_EQ(key, nullptr) << r.count;
            EXPECT_EQ(comboPoints(r.count), 0);
        } else {
            ASSERT_NE(key, nullptr) << r.count;
            EXPECT_STREQ(key, r.key);
            EXPECT_EQ(comboPoints(r.count), r.count * COMBO_POINTS);
        }
    }
}

TEST(Combo, TwoCarryOverAndAThirdAwardsCoolCombo)
{
    resetPlayGame();
    playLevel(ModeAdventure, 0, quietRows());
    play.comboCount = 2;
    awardCombo();
    EXPECT_EQ(play.comboCount, 2);
    EXPECT_EQ(play.levelScore, 0);
    play.comboCount = 3;
    awardCombo();
    EXPECT_EQ(play.comboCount, 0);
    EXPECT_EQ(play.levelScore, 750);
    EXPECT_TRUE(keyMessageShowing("coolcombo"));
    EXPECT_TRUE(keyMessageShowing("youwon", "750"));
    EXPECT_EQ(queuedSounds("BonusPrize.ogg"), 1);
    EXPECT_EQ(firstNewTrophy(), 0);  // three in a row wins no trophy
}

TEST(Combo, ElevenGivesImpossibleAndAsksTheTrophiesInOrder)
{
    resetPlayGame();
    playLevel(ModeAdventure, 0, quietRows());
    play.comboCount = 11;
    awardCombo();
    EXPECT_EQ(play.levelScore, 2750);
    EXPECT_TRUE(keyMessageShowing("impossible"));
    EXPECT_TRUE(keyMessageShowing("youwon", "2750"));
    // The chain stops at the first trophy that is newly won.
    EXPECT_TRUE(trophyWon(3));
    EXPECT_FALSE(trophyWon(9));
    EXPECT_FALSE(trophyWon(1));
    play.comboCount = 11;  // 3 is won: the next in the chain
    awardCombo();
    EXPECT_TRUE(trophyWon(9));
    EXPECT_FALSE(trophyWon(1));
    play.comboCount = 10;  // 9 is won: falls through to 1
    awardCombo();
    EXPECT_TRUE(trophyWon(1));
    int writes = trophies.writes;
    play.comboCount = 11;  // all three won: nothing new, nothing written
    awardCombo();
    EXPECT_EQ(trophies.writes, writes);
    resetTrophies();
    play.comboCount = 7;
    awardCombo();
    EXPECT_EQ(firstNewTrophy(), 1);
}

TEST(Combo, WaitsForARestingBoardAndAFreeGame)
{
    resetPlayGame();
    playLevel(ModeAdventure, 0, quietRows());
    play.comboCount = 4;
    board.idleTimerMs = 20.0f;  // a blast still settles
    awardCombo();
    board.idleTimerMs = -1.0f;
    play.paused = 1;
    awardCombo();
    play.paused = 0;
    play.tipOpen = 1;
    awardCombo();
    play.tipOpen = 0;
    play.levelLost = 1;
    awardCombo();
    play.levelLost = 0;
    EXPECT_EQ(play.comboCount, 4);
    awardCombo();
    EXPECT_EQ(play.comboCount, 0);
    EXPECT_EQ(play.levelScore, 1000);
}

TEST(CountUp, StepsByAHundredthPerMsThenJumps)
{
    resetPlayGame();
    playLevel(ModeAdventure, 0, quietRows());
    play.levelScore = 1000;
    app.frameMs = 16.0f;
    updateScoreCountUp();
    EXPECT_EQ(play.shownLevelScore, 160);
    EXPECT_EQ(effectStarts("score"), 1);
    updateScoreCountUp();
    EXPECT_EQ(play.shownLevelScore, 160 + static_cast<int>(840 * 0.16f));
    play.shownLevelScore = 994;  // 6 left: 6 * 16 * 0.01 = 0.96, so it jumps
    updateScoreCountUp();
    EXPECT_EQ(play.shownLevelScore, 1000);
    EXPECT_EQ(effectStarts("score"), 2);
}

TEST(ExtraLife, PassingAMultipleOfTwoHundredFiftyThousandGivesOneLife)
{
    resetPlayGame();
    playLevel(ModeAdventure, 0, quietRows());
    int lives = profileLives();
    play.bankedScore = 249990;
    play.levelScore = 5;
    updateScoreCountUp();
    EXPECT_EQ(profileLives(), lives);
    play.levelScore = 20;
    for (int i = 0; i < 20; i++) updateScoreCountUp();
    ASSERT_EQ(play.shownLevelScore, 20);
    EXPECT_EQ(profileLives(), lives + 1);
    EXPECT_EQ(play.lifeGained, 1);
    EXPECT_TRUE(keyMessageShowing("getlife"));
    EXPECT_EQ(queuedSounds("GetLife.ogg"), 1);
    // Staying above the mark gives nothing more.
    play.levelScore = 30;
    updateScoreCountUp();
    EXPECT_EQ(profileLives(), lives + 1);
}

TEST(ExtraLife, TwoMarksInOneFrameGiveOnlyOneLife)
{
    resetPlayGame();
    playLevel(ModePuzzle, 0, quietRows());
    int lives = profileLives();
    play.bankedScore = 240000;
    play.levelScore = 0;
    play.shownLevelScore = 0;
    play.levelScore = 270000;
    app.frameMs = 100.0f;  // one step of 270000: past 250000 and 500000
    updateScoreCountUp();
    ASSERT_GE(play.bankedScore + play.shownLevelScore, 500000);
    EXPECT_EQ(profileLives(), lives + 1);
}

TEST(ExtraLife, NeverInTimelessMode)
{
    resetPlayGame();
    playLevel(ModeTimeless, 0, quietRows());
    int lives = profileLives();
    play.bankedScore = 249990;
    play.levelScore = 100;
    for (int i = 0; i < 10; i++) updateScoreCountUp();
    EXPECT_EQ(profileLives(), lives);
    EXPECT_EQ(nextExtraLifeMark(249990), 250000);
    EXPECT_EQ(nextExtraLifeMark(250000), 250000);
    EXPECT_EQ(nextExtraLifeMark(250001), 500000);
}
