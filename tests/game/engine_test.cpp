// The board step: gravity with holes and slides, new figures, the set-up fill, labelling,
// resolving, the recolour wave, the idle hint and the cleared level.
#include <gtest/gtest.h>

#include <string>

#include "board_helpers.h"
#include "core/dialogport.h"
#include "sound_probe.h"
#include "game/pending.h"

namespace {

int figuresInColumnBelow(int col, int fromRow)
{
    int n = 0;
    for (int r = fromRow; r < BOARD_ROWS; r++) n += hasFigure(r, col) ? 1 : 0;
    return n;
}

int emptyPlaces()
{
    int n = 0;
    for (int r = 0; r < BOARD_ROWS; r++) {
        for (int c = 0; c < BOARD_COLS; c++) n += (hasCell(r, c) && !hasFigure(r, c)) ? 1 : 0;
    }
    return n;
}

} // namespace

TEST(Gravity, FigureAboveAHoleStaysAndThePlaceBelowGetsNewFigures)
{
    resetGame();
    drawNoMovesBoard();
    at(5, 3).tile = -1;
    at(5, 3).colour = -1;
    at(6, 3).colour = -1;
    addSpareGroup();
    int aboveColour = at(4, 3).colour;
    applyGravity();
    EXPECT_EQ(at(4, 3).colour, aboveColour);
    EXPECT_FLOAT_EQ(at(4, 3).offset.y, 0.0f);
    ASSERT_TRUE(hasFigure(6, 3));
    EXPECT_FLOAT_EQ(at(6, 3).offset.y, CELL_PITCH);  // enters from the hole's place
    EXPECT_GE(settle(), 0);
    EXPECT_EQ(at(4, 3).colour, aboveColour);
    EXPECT_FALSE(hasFigure(5, 3));
}

TEST(Gravity, AColumnFallsTogetherOnePlacePerStep)
{
    resetGame();
    drawNoMovesBoard();
    at(10, 7).colour = -1;
    int c9 = at(9, 7).colour;
    int c8 = at(8, 7).colour;
    applyGravity();
    EXPECT_EQ(at(10, 7).colour, c9);
    EXPECT_EQ(at(9, 7).colour, c8);
    EXPECT_FLOAT_EQ(at(10, 7).offset.y, CELL_PITCH);
    EXPECT_TRUE(hasFigure(0, 7));  // a new figure entered at the top
    EXPECT_FALSE(isIdle());
    EXPECT_GE(settle(), 0);
    EXPECT_EQ(emptyPlaces(), 0);
}

TEST(Gravity, BelowAChainedFigureTheColumnFillsOnlyBySlidesOnePerStep)
{
    resetGame();
    drawNoMovesBoard();
    at(4, 5).chained = 1;
    int chainedColour = at(4, 5).colour;
    for (int r = 5; r < BOARD_ROWS; r++) at(r, 5).colour = -1;
    int before = figuresInColumnBelow(5, 5);
    EXPECT_EQ(before, 0);
    int slides = 0;
    for (int i = 0; i < 2000 && figuresInColumnBelow(5, 5) < 6; i++) {
        int n = figuresInColumnBelow(5, 5);
        frames(1);
        int after = figuresInColumnBelow(5, 5);
        EXPECT_LE(after - n, 1) << "more than one slide in a step";
        slides += after - n;
    }
    EXPECT_EQ(figuresInColumnBelow(5, 5), 6);
    EXPECT_EQ(slides, 6);
    EXPECT_EQ(at(4, 5).colour, chainedColour);  // the chain held its figure
    EXPECT_EQ(at(4, 5).chained, 1);
}

TEST(Gravity, FirstSlideComesFromTheUpperRightWithItsOffset)
{
    resetGame();
    drawNoMovesBoard();
    at(9, 5).chained = 1;
    at(10, 5).colour = -1;
    int fromRight = at(9, 6).colour;
    applyGravity();
    EXPECT_EQ(at(10, 5).colour, fromRight);
    EXPECT_EQ(at(10, 5).sliding, 1);
    EXPECT_FLOAT_EQ(at(10, 5).offset.x, CELL_PITCH);
    EXPECT_FLOAT_EQ(at(10, 5).offset.y, CELL_PITCH);
    EXPECT_FALSE(hasFigure(9, 6));
}

TEST(Gravity, AFallingFigureComesToRestAndPlaysTheFallSound)
{
    resetGame();
    drawNoMovesBoard();
    at(10, 0).colour = -1;
    clearStarts();
    int n = settle();
    EXPECT_GT(n, 3);
    EXPECT_GE(queuedSounds("FigureFall.ogg"), 1);
    for (int r = 0; r < BOARD_ROWS; r++) {
        for (int c = 0; c < BOARD_COLS; c++) EXPECT_FLOAT_EQ(at(r, c).offset.y, 0.0f);
    }
}

TEST(NewFigures, TakeTheFallSpeedOfThePlaceBelow)
{
    resetGame();
    clearBoard();
    board.colourCount = 4;
    at(6, 2).fallSpeed = 3.0f;
    at(6, 3).fallSpeed = 5.0f;
    at(6, 3).sliding = 1;
    at(6, 1).fallSpeed = 7.0f;  // faster but not sliding: ignored
    newFigure(5, 2);
    EXPECT_FLOAT_EQ(at(5, 2).fallSpeed, 5.0f);
    EXPECT_GE(at(5, 2).colour, 0);
    EXPECT_LT(at(5, 2).colour, 4);
    newFigure(10, 0);
    EXPECT_FLOAT_EQ(at(10, 0).fallSpeed, 0.0f);
    board.colourCount = 0;
    newFigure(0, 0);
    EXPECT_EQ(at(0, 0).colour, 0);
}

TEST(SetUpFill, NeverLeavesABoardWithoutAGroup)
{
    for (unsigned seed = 1; seed <= 40; seed++) {
        resetGame(seed);
        clearBoard();
        board.colourCount = 17;
        for (int c = 0; c < BOARD_COLS; c += 3) at(4, c).tile = -1;
        at(2, 6).chained = 1;
        at(2, 6).tile = 2;
        at(2, 6).colour = 9;
        ASSERT_TRUE(setUpBoard()) << "seed " << seed;
        EXPECT_TRUE(labelGroups()) << "seed " << seed;
        EXPECT_EQ(at(2, 6).colour, 9);  // the fixed figure stays
        EXPECT_EQ(emptyPlaces(), 0) << "seed " << seed;
        EXPECT_EQ(at(0, 0).sweepPending, 1);
        EXPECT_FLOAT_EQ(at(10, 11).offset.y, 0.0f);
    }
}

TEST(SetUpFill, GivesUpOnABoardThatCanNeverFormAGroup)
{
    resetGame(3);
    clearBoard();
    board.colourCount = 1;
    for (int r = 0; r < BOARD_ROWS; r++) {
        for (int c = 0; c < BOARD_COLS; c++) {
            Cell& cell = at(r, c);
            if ((r + c) % 2 == 0) {
                cell.tile = 2;
                cell.chained = 1;
                cell.colour = 0;
            } else {
                cell.tile = -1;
            }
        }
    }
    EXPECT_FALSE(setUpBoard());
    EXPECT_FALSE(labelGroups());
}

TEST(Labelling, GroupsOfOneAreNeverLabelled)
{
    resetGame();
    drawNoMovesBoard();
    EXPECT_FALSE(labelGroups());
    EXPECT_EQ(board.groupCount, 0);
    for (int r = 0; r < BOARD_ROWS; r++) {
        for (int c = 0; c < BOARD_COLS; c++) {
            EXPECT_EQ(at(r, c).groupId, -1);
            EXPECT_EQ(at(r, c).groupStep, -1);
        }
    }
}

TEST(Labelling, NumbersFollowRowMajorOrderAndStepsCountDistance)
{
    resetGame();
    drawNoMovesBoard();
    // Group A: (0,4),(0,5),(1,5),(2,5) of colour 9; group B: (3,0),(3,1) of colour 8.
    at(0, 4).colour = 9;
    at(0, 5).colour = 9;
    at(1, 5).colour = 9;
    at(2, 5).colour = 9;
    at(3, 0).colour = 8;
    at(3, 1).colour = 8;
    EXPECT_TRUE(labelGroups());
    EXPECT_EQ(board.groupCount, 2);
    EXPECT_EQ(at(0, 4).groupId, 0);
    EXPECT_EQ(at(2, 5).groupId, 0);
    EXPECT_EQ(at(3, 1).groupId, 1);
    EXPECT_EQ(at(0, 4).groupStep, 0);
    EXPECT_EQ(at(0, 5).groupStep, 1);
    EXPECT_EQ(at(1, 5).groupStep, 2);
    EXPECT_EQ(at(2, 5).groupStep, 3);
    EXPECT_EQ(at(5, 5).groupId, -1);
}

TEST(Labelling, HolesNeverJoinAGroup)
{
    resetGame();
    drawNoMovesBoard();
    at(0, 0).colour = 9;
    at(0, 1).tile = -1;
    at(0, 1).colour = 9;  // a stale colour under a hole
    EXPECT_FALSE(labelGroups());
}

TEST(Resolve, TenBreaksOnStreakZeroStartTheFirstBreakSoundOnce)
{
    resetGame();
    drawNoMovesBoard();
    resetBoardRender();
    for (int c = 0; c < 10; c++) at(10, c).state = FigureState::Breaking;
    clearStarts();
    resolveStep();
    // Ten requests within the 5 ms retrigger time: the ring got one start.
    EXPECT_EQ(queuedSounds("BreakFigure1.ogg"), 1);
    EXPECT_EQ(queuedSounds(), 1);
    EXPECT_EQ(lastQueued()->state, RequestWaiting);
    EXPECT_EQ(activeDebrisCount(), 10);
    EXPECT_EQ(countRequests("addScorePopup"), 10);
    EXPECT_EQ(play.levelScore, 100);
    EXPECT_EQ(board.targetsLeft, -10);
    for (int c = 0; c < 10; c++) {
        EXPECT_FALSE(hasFigure(10, c));
        EXPECT_EQ(at(10, c).state, FigureState::Idle);
    }
}

TEST(Resolve, LongStreaksPlayTheHighBreakSound)
{
    resetGame();
    drawNoMovesBoard();
    play.colourStreak = 8;
    resetBoardRender();
    at(3, 3).state = FigureState::Struck;
    clearStarts();
    resolveStep();
    ASSERT_NE(lastQueued(), nullptr);
    EXPECT_STREQ(lastQueuedName(), "BreakFigure.ogg");
    EXPECT_EQ(lastQueued()->rate, 24050);
    EXPECT_EQ(play.levelScore, 90);
    EXPECT_EQ(activeDebrisCount(), 0);  // a struck figure leaves no debris
    play.colourStreak = 7;
    at(4, 4).state = FigureState::Breaking;
    resolveStep();
    EXPECT_STREQ(lastQueuedName(), "BreakFigure8.ogg");
}

TEST(Resolve, TenClicksOfOneColourClimbThroughTheBreakSounds)
{
    resetGame();
    drawNoMovesBoard();
    for (int streak = 0; streak < 10; streak++) {
        play.colourStreak = streak;
        at(5, 5).state = FigureState::Breaking;
        at(5, 5).colour = 1;
        resolveStep();
        ASSERT_NE(lastQueued(), nullptr);
        if (streak < 8) {
            EXPECT_EQ(std::string(lastQueuedName()), "BreakFigure" + std::to_string(streak + 1) + ".ogg");
            EXPECT_EQ(lastQueued()->rate, 44100);
        } else {
            EXPECT_STREQ(lastQueuedName(), "BreakFigure.ogg");
            EXPECT_EQ(lastQueued()->rate, streak == 8 ? 24050 : 26050);
        }
        updateAudio();  // a frame passes: the retrigger time is over
    }
    EXPECT_EQ(queuedSounds(), 10);
}

TEST(Resolve, OneHitWearsTheChainOrOneSquareLayerNeverBoth)
{
    resetGame();
    drawNoMovesBoard();
    Cell& c = at(5, 5);
    c.tile = 2;
    c.chained = 1;
    c.hit = 1;
    resetBoardRender();
    resolveStep();
    EXPECT_EQ(c.chained, 0);
    EXPECT_EQ(c.tile, 2);
    EXPECT_EQ(queuedSounds("BreakZep.ogg"), 1);
    EXPECT_EQ(effectStarts("zep1"), 1);
    c.hit = 1;
    resolveStep();
    EXPECT_EQ(c.tile, 1);
    ASSERT_EQ(activeSquarePieceCount(), 1);
    EXPECT_EQ(boardRender.pieces[boardRender.nextPiece].oldTile, 2);  // the piece shows the old square
    EXPECT_EQ(play.levelScore, 180);
    EXPECT_EQ(c.hit, 0);
}

TEST(Resolve, BigStepTotalsAskForMoveTrophies)
{
    resetGame();
    drawNoMovesBoard();
    play.colourStreak = 10;  // 90 x 11 = 990 per worn square
    for (int c = 0; c < 6; c++) {
        at(0, c).tile = 1;
        at(0, c).hit = 1;
    }
    clearStarts();
    resolveStep();
    EXPECT_EQ(play.levelScore, 5940);
    for (int n = 1; n <= TROPHY_COUNT; n++) EXPECT_EQ(trophyWon(n), n == 2) << n;
    EXPECT_TRUE(trophyIsNew(2));
}

TEST(RecolourWave, ABoardWithoutMovesShowsTheTipAndRecolours)
{
    resetGame(5);
    drawNoMovesBoard();
    board.colourCount = 4;
    at(3, 3).chained = 1;
    frames(1);
    EXPECT_EQ(countRequests("showTip", "nomoves"), 1);
    const RecordedRequest* tip = lastRequest("showTip");
    EXPECT_FLOAT_EQ(tip->y, -100.0f);
    // The open tip holds the wave back; once it is closed the next step starts it.
    EXPECT_EQ(board.recolourWaveOn, 0);
    frames(1);
    EXPECT_EQ(countRequests("showTip", "nomoves"), 1);  // once per level
    EXPECT_EQ(board.recolourWaveOn, 1);
    EXPECT_EQ(at(0, 0).recolourPending, 1);
    EXPECT_EQ(at(3, 3).recolourPending, 0);  // chained figures keep their colour
    EXPECT_FALSE(isIdle());
    int recoloured = effectStarts("refill1");
    EXPECT_EQ(recoloured, 1);  // the corner place changes at once
    frames(70);
    EXPECT_EQ(board.recolourWaveOn, 0);
    EXPECT_FLOAT_EQ(board.recolourClockMs, 0.0f);
    for (int r = 0; r < BOARD_ROWS; r++) {
        for (int c = 0; c < BOARD_COLS; c++) EXPECT_EQ(at(r, c).recolourPending, 0);
    }
    // Every free place but the last corner (its time 1050 is the wave's end) was recoloured once.
    EXPECT_GE(effectStarts("refill1"), 130);
}

TEST(RecolourWave, DoesNotStartOverADialogOrAWonLevel)
{
    resetGame();
    drawNoMovesBoard();
    play.levelWon = 1;
    startRecolourWave();
    EXPECT_EQ(board.recolourWaveOn, 0);
    play.levelWon = 0;
    dialogPort.open = 1;
    startRecolourWave();
    EXPECT_EQ(board.recolourWaveOn, 0);
}

TEST(IdleHint, ShowsAGroupAfterTheDelayAndEndsFourSecondsLater)
{
    resetGame(2);
    drawNoMovesBoard();
    currentProfile().hintFlags[TipWelcome] = 0;
    at(6, 6).colour = 9;
    at(6, 7).colour = 9;
    frames(370);  // 5920 ms: not yet
    EXPECT_EQ(board.hintShown, 0);
    clearStarts();
    frames(10);
    EXPECT_EQ(board.hintShown, 1);
    EXPECT_EQ(board.hintGroup, 0);
    EXPECT_EQ(queuedSounds("MoveTipShow.ogg"), 1);  // both places in one frame: one start
    EXPECT_EQ(effectStarts("blik4"), 2);
    frames(260);
    EXPECT_EQ(board.hintShown, 0);
    EXPECT_FLOAT_EQ(board.hintDelayMs, 6000.0f);
    EXPECT_EQ(at(6, 6).highlighted, 0);
}

TEST(BoardTips, WelcomeShowsOnceAtTheHintGroup)
{
    resetGame();
    drawNoMovesBoard();
    at(6, 6).colour = 9;
    at(6, 7).colour = 9;
    frames(1);
    EXPECT_EQ(countRequests("showTip", "welcome"), 1);
    EXPECT_FLOAT_EQ(lastRequest("showTip")->x, cellCentre(6, 6).x);
    EXPECT_EQ(currentProfile().hintFlags[TipWelcome], 0);
    frames(5);
    EXPECT_EQ(countRequests("showTip", "welcome"), 1);
}

TEST(BoardTips, ChainTipNeedsAMoveAndAGroupNumberAboveOne)
{
    resetGame();
    drawNoMovesBoard();
    currentProfile().hintFlags[TipWelcome] = 0;
    for (int g = 0; g < 3; g++) {
        at(8, g * 3).colour = 9 + g;
        at(8, g * 3 + 1).colour = 9 + g;
    }
    at(8, 7).chained = 1;  // group 2
    frames(1);
    EXPECT_EQ(countRequests("showTip", "breakzep"), 0);
    play.movesMade = 1;
    frames(1);
    EXPECT_EQ(countRequests("showTip", "breakzep"), 1);
    EXPECT_EQ(currentProfile().hintFlags[TipBreakZep], 0);
    frames(1);
    EXPECT_EQ(countRequests("showTip", "breakzep"), 1);
}

TEST(LevelCleared, WinsWhenTheLastSquareGoesAndChoosesTheFlyOff)
{
    resetGame(4);
    drawNoMovesBoard();
    play.gameMode = ModePuzzle;
    play.moveLimit = 20;
    at(10, 11).tile = 0;
    at(10, 0).colour = 9;
    at(10, 1).colour = 9;
    at(10, 1).tile = 1;
    at(2, 2).chained = 1;  // a chain does not hold the level back
    clickAt(10, 0);
    ASSERT_EQ(play.movesMade, 1);
    EXPECT_GE(settle(), 0);
    frames(2);
    EXPECT_EQ(play.levelWon, 1);
    EXPECT_EQ(play.endBonus, 1900);
    EXPECT_EQ(play.levelScore, 20 + 90 + 1900);
    EXPECT_EQ(persist.saveRequests, 1);
    for (int r = 0; r < BOARD_ROWS; r++) {
        for (int c = 0; c < BOARD_COLS; c++) {
            EXPECT_GE(at(r, c).timer, 150.0f);
            EXPECT_LE(at(r, c).timer, 300.0f);
        }
    }
    frames(3);
    EXPECT_EQ(persist.saveRequests, 1);  // won once
}

TEST(LevelCleared, AdventureBonusCountsWholeSecondsLeft)
{
    resetGame();
    drawNoMovesBoard();
    play.gameMode = ModeAdventure;
    play.timeLimitMs = 100000.0f;
    play.timeUsedMs = 40500.0f;
    at(10, 11).tile = 0;
    EXPECT_TRUE(checkLevelCleared());
    EXPECT_EQ(play.endBonus, 59 * 50);
    resetGame();
    drawNoMovesBoard();
    play.gameMode = ModeTimeless;
    EXPECT_FALSE(checkLevelCleared());
    at(10, 11).tile = 0;
    EXPECT_TRUE(checkLevelCleared());
    EXPECT_EQ(play.endBonus, 0);
}
