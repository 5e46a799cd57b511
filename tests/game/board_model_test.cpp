// The board model: record layouts, coordinates, clearing and counting.
#include <gtest/gtest.h>

#include <cstddef>

#include "board_helpers.h"

TEST(CellLayout, FieldsSitAtTheirFileOffsets)
{
    EXPECT_EQ(sizeof(Cell), 116u);
    EXPECT_EQ(offsetof(Cell, tile), 0u);
    EXPECT_EQ(offsetof(Cell, chained), 4u);
    EXPECT_EQ(offsetof(Cell, offset), 8u);
    EXPECT_EQ(offsetof(Cell, colour), 16u);
    EXPECT_EQ(offsetof(Cell, animFrame), 20u);
    EXPECT_EQ(offsetof(Cell, bonus), 24u);
    EXPECT_EQ(offsetof(Cell, queuedBonus), 28u);
    EXPECT_EQ(offsetof(Cell, recolourPending), 32u);
    EXPECT_EQ(offsetof(Cell, fallSpeed), 36u);
    EXPECT_EQ(offsetof(Cell, bonusTimer), 40u);
    EXPECT_EQ(offsetof(Cell, sliding), 44u);
    EXPECT_EQ(offsetof(Cell, highlighted), 45u);
    EXPECT_EQ(offsetof(Cell, sweepPending), 46u);
    EXPECT_EQ(offsetof(Cell, animHoldMs), 48u);
    EXPECT_EQ(offsetof(Cell, animClockMs), 52u);
    EXPECT_EQ(offsetof(Cell, state), 56u);
    EXPECT_EQ(offsetof(Cell, hit), 60u);
    EXPECT_EQ(offsetof(Cell, groupStep), 72u);
    EXPECT_EQ(offsetof(Cell, groupId), 76u);
    EXPECT_EQ(offsetof(Cell, jiggle), 80u);
    EXPECT_EQ(offsetof(Cell, flyVelocity), 88u);
    EXPECT_EQ(offsetof(Cell, reserved104), 104u);
    EXPECT_EQ(offsetof(Cell, scoreGain), 108u);
    EXPECT_EQ(offsetof(Cell, timer), 112u);
    EXPECT_EQ(sizeof(board.cells), 15312u);
}

TEST(CellLayout, BlastRecordAndBoltEntryLayouts)
{
    EXPECT_EQ(sizeof(BlastRecord), 44u);
    EXPECT_EQ(offsetof(BlastRecord, kind), 0u);
    EXPECT_EQ(offsetof(BlastRecord, row), 4u);
    EXPECT_EQ(offsetof(BlastRecord, col), 8u);
    EXPECT_EQ(offsetof(BlastRecord, centre), 12u);
    EXPECT_EQ(offsetof(BlastRecord, elapsedMs), 20u);
    EXPECT_EQ(offsetof(BlastRecord, startAtMs), 24u);
    EXPECT_EQ(offsetof(BlastRecord, durationMs), 28u);
    EXPECT_EQ(offsetof(BlastRecord, started), 32u);
    EXPECT_EQ(offsetof(BlastRecord, rays), 33u);
    EXPECT_EQ(sizeof(board.blasts), 6600u);
    EXPECT_EQ(sizeof(BoltEntry), 20u);
    EXPECT_EQ(offsetof(BoltEntry, centre), 4u);
    EXPECT_EQ(offsetof(BoltEntry, colour), 12u);
    EXPECT_EQ(offsetof(BoltEntry, lifeMs), 16u);
    EXPECT_EQ(sizeof(board.boltSets), 20480u);
}

TEST(BoardCoordinates, CellCentresAndEdges)
{
    Vec2 c = cellCentre(0, 0);
    EXPECT_FLOAT_EQ(c.x, -243.0f);
    EXPECT_FLOAT_EQ(c.y, 268.0f);
    c = cellCentre(11, 10);
    EXPECT_FLOAT_EQ(c.x, 351.0f);
    EXPECT_FLOAT_EQ(c.y, -272.0f);

    CellPos p = cellAt(-271.0f, 200.0f);
    EXPECT_EQ(p.col, -1);  // just left of column 0 is outside, not column 0
    p = cellAt(-270.0f, 295.0f);
    EXPECT_EQ(p.col, 0);
    EXPECT_EQ(p.row, 0);
    p = cellAt(0.0f, 296.0f);
    EXPECT_EQ(p.row, -1);
    p = cellAt(377.9f, -298.9f);
    EXPECT_EQ(p.col, 11);
    EXPECT_EQ(p.row, 10);
    p = cellAt(378.0f, -299.0f);
    EXPECT_EQ(p.col, 12);
    EXPECT_EQ(p.row, 11);
    for (int r = 0; r < BOARD_ROWS; r++) {
        for (int col = 0; col < BOARD_COLS; col++) {
            Vec2 centre = cellCentre(col, r);
            CellPos back = cellAt(centre.x, centre.y);
            EXPECT_EQ(back.col, col);
            EXPECT_EQ(back.row, r);
        }
    }
}

TEST(BoardModel, HasCellAndHasFigureRejectHolesAndOutside)
{
    resetGame();
    clearBoard();
    at(3, 4).tile = -1;
    at(5, 5).colour = -1;
    EXPECT_TRUE(hasCell(0, 0));
    EXPECT_FALSE(hasCell(3, 4));
    EXPECT_FALSE(hasFigure(3, 4));  // a hole never holds a figure, whatever its colour field says
    EXPECT_TRUE(hasCell(5, 5));
    EXPECT_FALSE(hasFigure(5, 5));
    EXPECT_FALSE(hasCell(-1, 0));
    EXPECT_FALSE(hasCell(0, 12));
    EXPECT_FALSE(hasCell(11, 0));
    EXPECT_FALSE(hasFigure(0, -1));
}

TEST(BoardModel, ClearBoardZeroesRecordsRingAndGroup)
{
    resetGame();
    at(2, 2).tile = 2;
    at(2, 2).highlighted = 1;
    at(2, 2).colour = 5;
    board.blasts[7].kind = BonusKind::Bomb;
    board.nextBlast = 9;
    board.groupSize = 4;
    board.boardClockMs = 1234.0f;
    clearBoard();
    EXPECT_EQ(at(2, 2).tile, 0);
    EXPECT_EQ(at(2, 2).colour, 0);  // a bare tile with figure colour 0 until the set-up fill
    EXPECT_EQ(at(2, 2).highlighted, 0);
    EXPECT_EQ(board.blasts[7].kind, BonusKind::None);
    EXPECT_EQ(board.nextBlast, 0);
    EXPECT_EQ(board.groupSize, 0);
    EXPECT_FLOAT_EQ(board.boardClockMs, 0.0f);
}

TEST(BoardModel, ClearFigureRestartsHintAndFeedsHammer)
{
    resetGame();
    clearBoard();
    Cell& c = at(4, 4);
    c.colour = 3;
    c.bonus = BonusKind::Bomb;
    c.recolourPending = 1;
    c.offset = Vec2{0.0f, 20.0f};
    board.hintTimerMs = 5000.0f;
    board.hintShown = 1;
    float target = board.hammerTarget;
    clearFigure(4, 4);
    EXPECT_EQ(c.colour, -1);
    EXPECT_EQ(c.bonus, BonusKind::None);
    EXPECT_EQ(c.recolourPending, 0);
    EXPECT_FLOAT_EQ(c.offset.y, 0.0f);
    EXPECT_FLOAT_EQ(board.hintTimerMs, 0.0f);
    EXPECT_EQ(board.hintShown, 0);
    EXPECT_NEAR(board.hammerTarget - target, 0.0105f, 1e-6f);
}

TEST(BoardModel, TargetsCountChainsAndSquareLayers)
{
    resetGame();
    clearBoard();
    at(0, 0).tile = 2;
    at(0, 0).chained = 1;  // a chained figure on a dual square counts 3
    at(1, 1).tile = 1;
    at(2, 2).chained = 1;
    at(3, 3).tile = -1;
    countTargets();
    EXPECT_EQ(board.targetsTotal, 5);
    EXPECT_EQ(board.targetsLeft, 5);
}

TEST(BoardModel, FigurePartMovesAsOneBlockWithoutState)
{
    resetGame();
    clearBoard();
    Cell& from = at(1, 1);
    from.colour = 6;
    from.bonus = BonusKind::MegaBomb;
    from.queuedBonus = BonusKind::Thunder;
    from.bonusTimer = 1500.0f;
    from.animClockMs = 77.0f;
    from.state = FigureState::Breaking;
    from.tile = 2;
    from.chained = 1;
    Cell& to = at(2, 1);
    copyFigurePart(to, from);
    EXPECT_EQ(to.colour, 6);
    EXPECT_EQ(to.bonus, BonusKind::MegaBomb);
    EXPECT_EQ(to.queuedBonus, BonusKind::Thunder);
    EXPECT_FLOAT_EQ(to.bonusTimer, 1500.0f);
    EXPECT_FLOAT_EQ(to.animClockMs, 77.0f);
    EXPECT_EQ(to.state, FigureState::Idle);  // the state belongs to the place
    EXPECT_EQ(to.tile, 0);                   // so do tile and chain
    EXPECT_EQ(to.chained, 0);
}

TEST(BoardModel, CheatsClearSquaresAndCycleBonusWrapsToNone)
{
    resetGame();
    clearBoard();
    at(0, 0).tile = 2;
    at(0, 1).tile = 1;
    at(0, 2).tile = -1;
    cheatClearSquares();
    EXPECT_EQ(at(0, 0).tile, 0);
    EXPECT_EQ(at(0, 1).tile, 0);
    EXPECT_EQ(at(0, 2).tile, -1);

    at(5, 5).bonus = BonusKind::DiagonalBomb;
    cheatCycleBonus(5, 5);
    EXPECT_EQ(at(5, 5).bonus, BonusKind::MegaBomb);
    cheatCycleBonus(5, 5);
    EXPECT_EQ(at(5, 5).bonus, BonusKind::None);  // never 6
    cheatCycleBonus(-1, 40);                     // outside: nothing, no crash
}
