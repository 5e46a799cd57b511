// Time and move limits, the warning tick, frozen time, running out, and the candle's height.
#include <cmath>

#include <gtest/gtest.h>

#include "play_helpers.h"
#include "core/dialogport.h"

namespace {

// Frames of 1 ms from the current state until the next "TimeOut.ogg"; -1 when none within max.
int msToNextTick(int max = 2000)
{
    int before = queuedSounds("TimeOut.ogg");
    for (int i = 1; i <= max; i++) {
        app.frameMs = 1.0f;
        updateLimits();
        updateAudio();
        if (queuedSounds("TimeOut.ogg") > before) return i;
    }
    return -1;
}

} // namespace

TEST(Limits, AdventureTimeFollowsTheLevelNumber)
{
    EXPECT_FLOAT_EQ(adventureTimeLimitMs(0, 77.0f), 300000.0f);
    EXPECT_FLOAT_EQ(adventureTimeLimitMs(1, 77.0f), 150000.0f);
    EXPECT_NEAR(adventureTimeLimitMs(2, 60.0f), 60000.0f * 3.6746f, 60.0f * 0.0001f * 1000.0f);
    EXPECT_NEAR(adventureTimeLimitMs(9, 10.0f) / 10000.0f, 2.9298f, 0.0001f);
    EXPECT_NEAR(adventureTimeLimitMs(49, 10.0f) / 10000.0f, 1.6272f, 0.0001f);
    EXPECT_NEAR(adventureTimeLimitMs(128, 10.0f) / 10000.0f, 1.0116f, 0.0001f);
    // The factor stays positive and finite over every level.
    for (int i = 2; i < LEVELS_PER_MODE; i++) {
        float f = adventureTimeLimitMs(i, 1.0f) / 1000.0f;
        EXPECT_TRUE(std::isfinite(f) && f > 0.9f) << "level index " << i;
    }
}

TEST(Limits, PuzzleMovesFollowTheLevelNumberAndTruncate)
{
    EXPECT_EQ(puzzleMoveLimit(0, 40), 80);
    EXPECT_EQ(puzzleMoveLimit(1, 25), 50);
    EXPECT_EQ(puzzleMoveLimit(2, 10), 23);    // 10 * 2.3915
    EXPECT_EQ(puzzleMoveLimit(128, 50), 50);  // 50 * 1.0064 = 50.3
    EXPECT_EQ(puzzleMoveLimit(128, 200), 201);
}

TEST(Limits, AppliedPerModeWithAFullCandle)
{
    resetPlayGame();
    playLevel(ModePuzzle, 2, quietRows(), 60.0f, 10);
    EXPECT_EQ(play.moveLimit, 23);
    EXPECT_EQ(play.limitRunning, 1);
    for (const WaxDrop& d : candle.drops) EXPECT_EQ(d.waiting, 1);
    playLevel(ModeAdventure, 2, quietRows(), 60.0f, 10);
    EXPECT_EQ(play.moveLimit, NO_MOVE_LIMIT);
    EXPECT_NEAR(play.timeLimitMs, 60000.0f * 3.6746f, 10.0f);
    playLevel(ModeTimeless, 5, quietRows(), 60.0f, 10);
    EXPECT_EQ(play.moveLimit, NO_MOVE_LIMIT);
}

TEST(Limits, TheTickSpeedsUpOverTheLastTwentySeconds)
{
    resetPlayGame();
    playLevel(ModeAdventure, 0, quietRows());
    play.timeUsedMs = play.timeLimitMs - 20000.0f;
    // The threshold shrinks while the tick waits: about 600 ms at 20 s, 450 at 10 s, 300 at the end.
    int first = msToNextTick();
    EXPECT_GE(first, 585);
    EXPECT_LE(first, 601);
    play.timeUsedMs = play.timeLimitMs - 10000.0f;
    play.warnTickMs = 0.0f;
    int middle = msToNextTick();
    EXPECT_GE(middle, 444);
    EXPECT_LE(middle, 451);
    play.timeUsedMs = play.timeLimitMs - 400.0f;
    play.warnTickMs = 0.0f;
    int last = msToNextTick();
    EXPECT_GE(last, 298);
    EXPECT_LE(last, 302);
    // Before the last twenty seconds nothing ticks.
    play.timeUsedMs = 0.0f;
    play.warnTickMs = 0.0f;
    EXPECT_EQ(msToNextTick(3000), -1);
}

TEST(Limits, TimeStandsStillWhileSomethingHoldsTheGame)
{
    resetPlayGame();
    playLevel(ModeAdventure, 3, quietRows());
    app.frameMs = 16.0f;
    updateLimits();
    EXPECT_FLOAT_EQ(play.timeUsedMs, 16.0f);
    EXPECT_FLOAT_EQ(play.limitClockMs, 16.0f);
    dialogPort.open = 1;
    updateLimits();
    dialogPort.open = 0;
    play.paused = 1;
    updateLimits();
    play.paused = 0;
    play.tipOpen = 1;
    updateLimits();
    play.tipOpen = 0;
    EXPECT_FLOAT_EQ(play.timeUsedMs, 16.0f);
    EXPECT_FLOAT_EQ(play.limitClockMs, 16.0f);
    play.shutterMoving = 1;
    updateLimits();
    EXPECT_FLOAT_EQ(play.timeUsedMs, 16.0f);
    EXPECT_FLOAT_EQ(play.limitClockMs, 16.0f);
    play.shutterMoving = 0;
    updateLimits();
    EXPECT_FLOAT_EQ(play.timeUsedMs, 32.0f);
}

TEST(Limits, RunningOutPlaysTheDefeatOnceAndLosesInThatFrame)
{
    resetPlayGame();
    playLevel(ModeAdventure, 3, quietRows());
    play.timeUsedMs = play.timeLimitMs - 20.0f;
    play.limitClockMs = play.timeUsedMs;
    app.frameMs = 16.0f;
    updateLimits();  // 4 ms left
    updateLimits();  // the time runs out in this frame
    EXPECT_EQ(queuedSounds("DefeatLevel.ogg"), 0);
    EXPECT_EQ(play.levelLost, 0);
    play.tipOpen = 0;
    updateLimits();  // first frame after: lost
    EXPECT_EQ(queuedSounds("DefeatLevel.ogg"), 1);
    EXPECT_EQ(play.levelLost, 1);
    EXPECT_EQ(play.limitRunning, 0);
    for (int i = 0; i < 10; i++) updateLimits();
    EXPECT_EQ(queuedSounds("DefeatLevel.ogg"), 1);
}

TEST(Limits, APuzzleLevelIsLostWhenTheLastMoveLeavesSquares)
{
    resetPlayGame();
    playLevel(ModePuzzle, 0, quietRows(), 10.0f, 1);
    ASSERT_EQ(play.moveLimit, 2);
    play.movesMade = 2;
    app.frameMs = 16.0f;
    updateLimits();
    EXPECT_EQ(play.levelLost, 1);
    EXPECT_EQ(play.limitRunning, 0);
}

TEST(Limits, APuzzleLevelWhoseLastMoveClearsTheSquaresIsWonNotLost)
{
    resetPlayGame();
    playLevel(ModePuzzle, 0, quietRows(), 10.0f, 1);
    // The last square lies under a pair that the last allowed move breaks.
    at(10, 11).tile = 0;
    at(10, 0).tile = 1;
    play.movesMade = 1;
    clickAt(10, 0);
    ASSERT_EQ(play.movesMade, 2);
    for (int i = 0; i < 200 && !play.levelWon && !play.levelLost; i++) playFrames(1);
    EXPECT_EQ(play.levelWon, 1);
    EXPECT_EQ(play.levelLost, 0);
}

TEST(Candle, HeightFollowsTheTimeAndBurnsDownAfterAWin)
{
    resetPlayGame();
    playLevel(ModeAdventure, 0, quietRows());  // 300000 ms
    play.timeUsedMs = 100000.0f;
    updateCandleHeight();
    EXPECT_FLOAT_EQ(candle.candleBurnt, 1.0f - 200000.0f / 800000.0f);
    EXPECT_FLOAT_EQ(candle.flameY, (1.0f - candle.candleBurnt) * 480.0f - 224.0f);
    play.levelWon = 1;
    play.completeClockMs = 0.0f;
    updateCandleHeight();
    EXPECT_FLOAT_EQ(candle.candleBurnt, 1.0f - 200000.0f / 800000.0f);
    play.completeClockMs = 2000.0f;  // half of the rest is gone
    updateCandleHeight();
    EXPECT_FLOAT_EQ(candle.candleBurnt, 1.0f - 100000.0f / 800000.0f);
    play.completeClockMs = 4500.0f;
    updateCandleHeight();
    EXPECT_FLOAT_EQ(candle.candleBurnt, 1.0f);
}

TEST(Candle, DropsLeaveTheFlameAfterTheIntervalAndRunDown)
{
    resetPlayGame(3);
    playLevel(ModeAdventure, 0, quietRows());
    updateCandleHeight();
    app.frameMs = 16.0f;
    int frames = 0;
    while (candle.drops[0].waiting && frames < 2000) {
        updateLimits();
        frames++;
    }
    ASSERT_EQ(candle.drops[0].waiting, 0);
    EXPECT_GE(static_cast<float>(frames) * 16.0f, 5000.0f);  // the first interval
    for (int i = 0; i < WAX_DROP_COUNT; i++) {
        EXPECT_EQ(candle.drops[i].waiting, 0);
        EXPECT_GE(candle.drops[i].pos.x, 368.0f);
        EXPECT_LE(candle.drops[i].pos.x, 368.0f + 4.0f * static_cast<float>(i) + 0.5f);
    }
    float y0 = candle.drops[0].pos.y;
    for (int i = 0; i < 50; i++) updateLimits();
    EXPECT_LT(candle.drops[0].pos.y, y0);
}

TEST(Candle, CountdownShowsTheSecondsInTheLastTwentyAndMovesAlways)
{
    resetPlayGame();
    playLevel(ModeAdventure, 0, quietRows());
    play.timeUsedMs = play.timeLimitMs - 12500.0f;
    clearHudTexts();
    app.frameMs = 16.0f;
    drawCandle();
    EXPECT_NE(findHudText("timelast:12"), nullptr);
    play.timeUsedMs = 0.0f;
    clearHudTexts();
    drawCandle();
    EXPECT_EQ(hudTexts.count, 0);
    playLevel(ModePuzzle, 0, quietRows(), 10.0f, 30);
    play.movesShown = 57.4f;
    clearHudTexts();
    drawCandle();
    const HudTextEntry* e = findHudText("moveslast:2");
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(e->colour.r, static_cast<int>((2.0f / 5.0f * 0.5f + 0.5f) * 255.0f));
    playLevel(ModeTimeless, 0, quietRows());
    clearHudTexts();
    clearStarts();
    int flares = effects.flareRequests;
    drawCandle();
    EXPECT_EQ(hudTexts.count, 0);
    EXPECT_EQ(effects.flareRequests, flares);
}
