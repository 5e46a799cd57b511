// Clicks on the board: moves, streaks and thunder, size bonuses, hover, the hammer and the
// debug keys.
#include <gtest/gtest.h>

#include <cmath>

#include "board_helpers.h"
#include "core/dialogport.h"
#include "sound_probe.h"

namespace {

// A stable board with pairs of colour 9 in the top row at columns 0-1, 3-4, 6-7 and 9-10, where
// new figures (colours 0..3) replace them without moving anything else.
void drawTopPairs()
{
    drawNoMovesBoard();
    board.colourCount = 4;
    for (int c = 0; c < 11; c += 3) {
        at(0, c).colour = 9;
        at(0, c + 1).colour = 9;
    }
}

int breakingCount()
{
    int n = 0;
    for (int r = 0; r < BOARD_ROWS; r++) {
        for (int c = 0; c < BOARD_COLS; c++) n += at(r, c).state != FigureState::Idle ? 1 : 0;
    }
    return n;
}

} // namespace

TEST(Click, ASingleFigureCannotBeClickedAway)
{
    resetGame();
    drawNoMovesBoard();
    addSpareGroup();
    board.quickClicks = 3;
    clickAt(5, 5);
    EXPECT_EQ(play.movesMade, 0);
    EXPECT_EQ(breakingCount(), 0);
    EXPECT_EQ(board.quickClicks, 0);
    EXPECT_EQ(countRequests("moveMade"), 0);
}

TEST(Click, AGroupBreaksAndCountsAMove)
{
    resetGame();
    drawTopPairs();
    clickAt(0, 3);
    EXPECT_EQ(play.movesMade, 1);
    EXPECT_EQ(play.gameInProgress, 1);
    EXPECT_EQ(at(0, 3).state, FigureState::Breaking);
    EXPECT_EQ(at(0, 4).state, FigureState::Breaking);
    EXPECT_EQ(at(0, 4).hit, 1);
    EXPECT_EQ(breakingCount(), 2);
    EXPECT_FLOAT_EQ(board.idleTimerMs, 50.0f);
    EXPECT_EQ(board.lastGroupColour, 9);
    EXPECT_EQ(board.groupSize, 0);
    EXPECT_EQ(countRequests("moveMade"), 1);
    frames(3);  // 48 ms: still waiting
    EXPECT_TRUE(hasFigure(0, 3));
    frames(1);
    EXPECT_EQ(at(0, 3).state, FigureState::Idle);
    EXPECT_EQ(play.levelScore, 20);
}

TEST(HeldClick, AClickWhileTheBoardMovesIsPlayedOnceWhenItSettles)
{
    resetGame();
    drawTopPairs();
    clickAt(0, 0);
    ASSERT_EQ(play.movesMade, 1);
    clickAt(0, 3);  // the settle timer still runs: held, not lost
    EXPECT_EQ(play.movesMade, 1);
    EXPECT_EQ(at(0, 3).state, FigureState::Idle);
    EXPECT_EQ(board.clickHeld, 1);
    int waited = 0;
    while (play.movesMade == 1 && waited < 200) {
        frames(1);
        waited++;
    }
    ASSERT_EQ(play.movesMade, 2);
    EXPECT_EQ(at(0, 3).state, FigureState::Breaking);
    EXPECT_EQ(at(0, 4).state, FigureState::Breaking);
    EXPECT_EQ(board.clickHeld, 0);
    // Played at the first frame the board was at rest again, and only once.
    EXPECT_LE(waited * TEST_FRAME_MS, 500.0f);
    ASSERT_GE(settle(), 0);
    frames(30);
    EXPECT_EQ(play.movesMade, 2);
    EXPECT_EQ(countRequests("moveMade"), 2);

    // During the fall of new figures: the latest click wins.
    clickAt(0, 9);
    frames(4);
    ASSERT_FALSE(isIdle());
    clickAt(0, 0);  // replaced by the next one
    clickAt(0, 6);
    for (int i = 0; i < 200 && play.movesMade == 3; i++) frames(1);
    EXPECT_EQ(play.movesMade, 4);
    // The fourth click on colour 9 in a row: (0, 6) keeps the thunder it earned, (0, 7) breaks.
    EXPECT_EQ(at(0, 6).bonus, BonusKind::Thunder);
    EXPECT_EQ(at(0, 7).state, FigureState::Breaking);
}

TEST(HeldClick, AnOldClickOrOneBeforeADialogPauseOrLevelEndIsDropped)
{
    // Held for 1.6 s (a long settle timer): too old.
    resetGame();
    drawTopPairs();
    board.idleTimerMs = 1600.0f;
    clickAt(0, 3);
    ASSERT_EQ(board.clickHeld, 1);
    ASSERT_GE(settle(), 0);
    frames(2);
    EXPECT_EQ(play.movesMade, 0);
    EXPECT_EQ(board.clickHeld, 0);
    // Held for 1.4 s: still played.
    board.idleTimerMs = 1400.0f;
    clickAt(0, 3);
    ASSERT_GE(settle(), 0);
    frames(1);
    EXPECT_EQ(play.movesMade, 1);

    for (int what = 0; what < 4; what++) {
        resetGame();
        drawTopPairs();
        board.idleTimerMs = 100.0f;
        clickAt(0, 3);
        ASSERT_EQ(board.clickHeld, 1);
        if (what == 0) dialogPort.open = 1;
        if (what == 1) play.paused = 1;
        if (what == 2) play.levelWon = 1;
        if (what == 3) play.tipOpen = 1;
        frames(1);
        dialogPort.open = 0;
        play.paused = 0;
        play.levelWon = 0;
        play.tipOpen = 0;
        ASSERT_GE(settle(), 0);
        frames(2);
        EXPECT_EQ(play.movesMade, 0) << what;
        EXPECT_EQ(at(0, 3).state, FigureState::Idle) << what;
    }
}

TEST(HeldClick, AGroupThatVanishedMeanwhileIsNotClicked)
{
    resetGame();
    drawTopPairs();
    board.quickClicks = 2;
    board.idleTimerMs = 100.0f;
    clickAt(0, 3);
    at(0, 4).colour = 5;  // (0, 3) stands alone now
    ASSERT_GE(settle(), 0);
    frames(2);
    EXPECT_EQ(play.movesMade, 0);
    EXPECT_EQ(breakingCount(), 0);
    EXPECT_EQ(board.clickHeld, 0);
    EXPECT_EQ(board.quickClicks, 2);
    // The hover group is back under the pointer.
    EXPECT_EQ(board.groupCols[0], 3);
    EXPECT_EQ(board.groupSize, 1);
}

TEST(HeldClick, AnArmedHammerStrikesTheHeldPlace)
{
    resetGame();
    drawNoMovesBoard();
    addSpareGroup();
    board.hammerArmed = 1;
    board.idleTimerMs = 100.0f;
    clickAt(5, 5);
    pointAt(2, 2);  // the pointer moves on; the strike goes where the click was
    EXPECT_EQ(board.hammerArmed, 1);
    ASSERT_GE(settle(), 0);
    frames(1);
    EXPECT_EQ(board.hammerArmed, 0);
    EXPECT_EQ(queuedSounds("UseHammer.ogg"), 1);
    EXPECT_EQ(play.movesMade, 0);
}

TEST(Click, AClickRightAfterAMoveTakesTheGroupUnderIt)
{
    resetGame();
    drawTopPairs();
    pointAt(0, 3);
    updateHover();
    ASSERT_EQ(board.groupCols[0], 3);
    pointAt(0, 6);  // no frame between the move and the click
    onLeftButtonDown();
    EXPECT_EQ(play.movesMade, 1);
    EXPECT_EQ(at(0, 6).state, FigureState::Breaking);
    EXPECT_EQ(at(0, 3).state, FigureState::Idle);
}

TEST(Click, AGroupOfChainedFiguresCostsAMoveAndOnlyBreaksTheChains)
{
    resetGame();
    drawNoMovesBoard();
    at(5, 5).colour = 9;
    at(5, 6).colour = 9;
    at(5, 5).chained = 1;
    at(5, 6).chained = 1;
    int above = at(4, 5).colour;
    clickAt(5, 5);
    EXPECT_EQ(play.movesMade, 1);
    EXPECT_EQ(breakingCount(), 0);
    ASSERT_GE(settle(), 0);
    frames(1);
    EXPECT_EQ(at(5, 5).colour, 9);
    EXPECT_EQ(at(5, 6).colour, 9);
    EXPECT_EQ(at(5, 5).chained, 0);
    EXPECT_EQ(at(5, 6).chained, 0);
    EXPECT_EQ(at(4, 5).colour, above);  // nothing fell
    EXPECT_EQ(play.levelScore, 180);
    // Both chains break in one frame: the second request falls within the retrigger time.
    EXPECT_EQ(queuedSounds("BreakZep.ogg"), 1);
}

TEST(Click, TheThirdRepeatOfAColourEarnsAThunder)
{
    resetGame();
    drawTopPairs();
    int cols[4] = {0, 3, 6, 9};
    for (int i = 0; i < 4; i++) {
        ASSERT_GE(settle(), 0);
        clickAt(0, cols[i]);
        ASSERT_EQ(play.movesMade, i + 1);
        EXPECT_EQ(play.colourStreak, i);
    }
    EXPECT_EQ(play.bestStreak, 4);  // four clicks in a row on one colour
    EXPECT_EQ(board.sameColourRun, 0);
    EXPECT_EQ(board.thunderRuns, 1);
    Cell& carrier = at(0, 9);
    EXPECT_EQ(carrier.bonus, BonusKind::Thunder);
    EXPECT_EQ(carrier.state, FigureState::Idle);  // the clicked figure survives with it
    EXPECT_FLOAT_EQ(carrier.bonusTimer, 2000.0f);
    EXPECT_EQ(at(0, 10).state, FigureState::Breaking);
    EXPECT_EQ(queuedSounds("AddThunder.ogg"), 1);
}

TEST(Click, AGroupOfEightAsTheThirdRepeatGetsThunderWithAMegaBombQueued)
{
    resetGame();
    drawTopPairs();
    for (int c = 2; c < 10; c++) at(10, c).colour = 9;
    int cols[3] = {0, 3, 6};
    for (int col : cols) {
        ASSERT_GE(settle(), 0);
        clickAt(0, col);
    }
    ASSERT_GE(settle(), 0);
    clickAt(10, 5);
    ASSERT_EQ(play.movesMade, 4);
    Cell& carrier = at(10, 5);
    EXPECT_EQ(carrier.bonus, BonusKind::Thunder);
    EXPECT_EQ(carrier.queuedBonus, BonusKind::MegaBomb);
    EXPECT_EQ(carrier.state, FigureState::Idle);
    EXPECT_EQ(board.megaSizeRuns, 1);
    EXPECT_EQ(queuedSounds("AddSuperBomb.ogg"), 1);
    EXPECT_EQ(breakingCount(), 7);
}

TEST(Click, FiveToSevenGiveABombAndSmallGroupsResetTheRuns)
{
    resetGame();
    drawNoMovesBoard();
    for (int c = 0; c < 5; c++) at(10, c).colour = 9;
    board.megaSizeRuns = 2;
    clickAt(10, 2);
    EXPECT_EQ(at(10, 2).bonus, BonusKind::Bomb);
    EXPECT_EQ(board.bombSizeRuns, 1);
    EXPECT_EQ(board.megaSizeRuns, 0);
    EXPECT_EQ(queuedSounds("AddBomb.ogg"), 1);
    ASSERT_GE(settle(), 0);
    at(0, 0).colour = 8;
    at(0, 1).colour = 8;
    clickAt(0, 0);
    EXPECT_EQ(board.bombSizeRuns, 0);
}

TEST(Click, ABonusInTheClickedGroupGoesOff)
{
    resetGame();
    drawNoMovesBoard();
    at(5, 5).colour = 9;
    at(5, 6).colour = 9;
    at(5, 6).bonus = BonusKind::Bomb;
    board.boardClockMs = 1000.0f;
    clickAt(5, 5);
    EXPECT_EQ(board.nextBlast, 1);
    EXPECT_EQ(board.blasts[0].kind, BonusKind::Bomb);
    EXPECT_EQ(board.blasts[0].col, 6);
    EXPECT_FLOAT_EQ(board.blasts[0].startAtMs, 1000.0f);
    EXPECT_EQ(at(5, 6).bonus, BonusKind::None);
    EXPECT_EQ(board.bombUseRun, 1);
}

TEST(Hover, RebuildsOnlyWhenTheCursorMovesToAnotherPlace)
{
    resetGame();
    drawNoMovesBoard();
    at(4, 4).colour = 9;
    at(4, 5).colour = 9;
    at(5, 5).colour = 9;
    pointAt(4, 4);
    updateHover();
    ASSERT_EQ(board.groupSize, 3);
    EXPECT_EQ(board.groupCols[0], 4);
    EXPECT_EQ(board.groupCols[1], 5);  // right neighbour first
    EXPECT_EQ(board.groupRows[2], 5);
    board.groupColour = 77;  // a marker that a rebuild would overwrite
    app.mouseX += 10;        // still over the same place
    updateHover();
    EXPECT_EQ(board.groupColour, 77);
    pointAt(5, 5);
    updateHover();
    EXPECT_EQ(board.groupColour, 9);
    EXPECT_EQ(board.groupCols[0], 5);
    EXPECT_EQ(board.groupRows[0], 5);
    pointAt(7, 7);
    updateHover();
    EXPECT_EQ(board.hoverValid, 1);
    EXPECT_EQ(board.groupSize, 1);
    app.mouseX = 10;  // left of the board
    updateHover();
    EXPECT_EQ(board.hoverValid, 0);
}

TEST(Hover, TheGroupIsNotRebuiltWhileTheBoardMoves)
{
    resetGame();
    drawNoMovesBoard();
    at(4, 4).colour = 9;
    at(4, 5).colour = 9;
    at(0, 0).offset = Vec2{0.0f, 10.0f};
    pointAt(4, 4);
    updateHover();
    EXPECT_EQ(board.hoverValid, 1);
    EXPECT_EQ(board.groupSize, 0);
}

TEST(Click, ClicksLeftOfTheBoardDoNotReachIt)
{
    resetGame();
    drawNoMovesBoard();
    at(5, 0).colour = 9;
    at(5, 1).colour = 9;
    pointAt(5, 0);
    updateHover();
    app.mouseX = 129;  // x = -271
    onLeftButtonDown();
    EXPECT_EQ(play.movesMade, 0);
}

TEST(Hammer, OnAChainedFigureBreaksOnlyTheChain)
{
    resetGame();
    drawNoMovesBoard();
    at(5, 5).chained = 1;
    at(5, 5).tile = 2;
    board.hammerArmed = 1;
    board.hammerShown = 0.88f;
    int colour = at(5, 5).colour;
    clickAt(5, 5);
    EXPECT_EQ(play.movesMade, 0);  // not a move
    EXPECT_EQ(board.hammerArmed, 0);
    EXPECT_EQ(board.hammerReady, 0);
    EXPECT_FLOAT_EQ(board.hammerShown, board.hammerEmpty);
    EXPECT_EQ(queuedSounds("UseHammer.ogg"), 1);
    ASSERT_GE(settle(), 0);
    frames(1);
    EXPECT_EQ(at(5, 5).colour, colour);
    EXPECT_EQ(at(5, 5).chained, 0);
    EXPECT_EQ(at(5, 5).tile, 2);
}

TEST(Hammer, OnAFreeFigureOverADualSquareBreaksTheFigureAndOneLayer)
{
    resetGame();
    drawNoMovesBoard();
    at(5, 5).tile = 2;
    board.hammerArmed = 1;
    float idleBefore = board.idleTimerMs;
    clickAt(5, 5);
    EXPECT_EQ(at(5, 5).state, FigureState::Breaking);
    EXPECT_FLOAT_EQ(board.idleTimerMs, idleBefore);  // the strike leaves the settle timer alone
    frames(1);
    EXPECT_EQ(at(5, 5).tile, 1);
    EXPECT_EQ(play.levelScore, 10 + 90);
}

TEST(Hammer, MeterFillsThenTheButtonArmsAndTheRightButtonPutsItBack)
{
    resetGame();
    drawNoMovesBoard();
    addSpareGroup();
    currentProfile().hintFlags[TipWelcome] = 0;
    board.hammerTarget = board.hammerFull + 0.05f;
    for (int i = 0; i < 400 && !board.hammerReady; i++) frames(1);
    EXPECT_EQ(board.hammerReady, 1);
    EXPECT_FLOAT_EQ(board.hammerShown, board.hammerFull);
    EXPECT_FLOAT_EQ(board.hammerTarget, board.hammerEmpty);
    EXPECT_EQ(queuedSounds("GetHammer.ogg"), 1);
    EXPECT_EQ(countRequests("showTip", "usehammer"), 1);
    pressHammerButton();
    EXPECT_EQ(board.hammerArmed, 1);
    EXPECT_EQ(board.hammerReady, 0);
    frames(1);
    EXPECT_EQ(board.hammerCursor, 1);
    EXPECT_EQ(queuedSounds("GetHammer.ogg"), 1);
    onRightButtonDown();
    EXPECT_EQ(board.hammerArmed, 0);
    EXPECT_EQ(board.hammerReady, 1);
    pressHammerButton();
    pressHammerButton();  // a second press puts the armed hammer back
    EXPECT_EQ(board.hammerArmed, 0);
    EXPECT_EQ(board.hammerReady, 1);
}

TEST(Hammer, APressBeforeItIsReadyOnlyShakesThePanel)
{
    resetGame();
    resetHud();
    drawNoMovesBoard();
    board.hammerShown = board.hammerEmpty + 0.95f * (board.hammerFull - board.hammerEmpty);
    pressHammerButton();
    EXPECT_EQ(board.hammerArmed, 0);
    EXPECT_EQ(board.hammerReady, 0);
    EXPECT_FLOAT_EQ(hud.hammerShakeMs, HAMMER_SHAKE_MS);
    EXPECT_EQ(queuedSounds("MenuLineSelect.ogg"), 1);
    // A short, small shake that dies down to nothing.
    float largest = 0.0f;
    for (float left = HAMMER_SHAKE_MS; left > 0.0f; left -= 10.0f) {
        float d = std::fabs(hammerShakeOffset(left));
        EXPECT_LE(d, 4.0f);
        if (d > largest) largest = d;
    }
    EXPECT_GT(largest, 2.0f);
    EXPECT_FLOAT_EQ(hammerShakeOffset(0.0f), 0.0f);
    EXPECT_LT(std::fabs(hammerShakeOffset(20.0f)), 0.3f);
    // Once ready, the same press arms it and nothing shakes.
    hud.hammerShakeMs = 0.0f;
    board.hammerReady = 1;
    pressHammerButton();
    EXPECT_EQ(board.hammerArmed, 1);
    EXPECT_FLOAT_EQ(hud.hammerShakeMs, 0.0f);
}

TEST(DebugKeys, ChangeScoreMovesSquaresAndBonuses)
{
    resetGame();
    drawNoMovesBoard();
    play.moveLimit = 30;
    EXPECT_TRUE(boardDebugKey('S'));
    EXPECT_EQ(play.levelScore, 10000);
    EXPECT_TRUE(boardDebugKey('O'));
    EXPECT_EQ(play.movesMade, 28);
    EXPECT_TRUE(boardDebugKey('P'));
    EXPECT_EQ(play.movesMade, 0);
    EXPECT_TRUE(boardDebugKey('V'));
    EXPECT_EQ(at(10, 11).tile, 0);
    pointAt(3, 3);
    EXPECT_TRUE(boardDebugKey('Z'));
    EXPECT_EQ(at(3, 3).bonus, BonusKind::Bomb);
    EXPECT_TRUE(boardDebugKey('M'));
    EXPECT_FLOAT_EQ(board.hammerTarget, board.hammerFull);
    play.timeLimitMs = 8000.0f;
    EXPECT_TRUE(boardDebugKey('R'));
    EXPECT_FLOAT_EQ(play.timeLimitMs, 4000.0f);
    EXPECT_TRUE(boardDebugKey('K'));
    EXPECT_EQ(board.recolourWaveOn, 1);
    EXPECT_FALSE(boardDebugKey('Q'));
}
