// Bonus blasts: areas, timing and chains, thunder, beams, throwing up, the shake and the ring.
#include <gtest/gtest.h>

#include <cmath>

#include "board_helpers.h"
#include "sound_probe.h"

namespace {

// Marks a carrier as broken and registers its blast as a click would.
void breakCarrier(int row, int col, BonusKind kind)
{
    Cell& c = at(row, col);
    c.bonus = kind;
    c.state = FigureState::Breaking;
    fireBreakingBonuses(0);
}

int hitCount()
{
    int n = 0;
    for (int r = 0; r < BOARD_ROWS; r++) {
        for (int c = 0; c < BOARD_COLS; c++) n += at(r, c).hit;
    }
    return n;
}

// Runs one driver frame: the clock, then the blast driver.
void blastFrame()
{
    app.frameMs = TEST_FRAME_MS;
    board.boardClockMs += TEST_FRAME_MS;
    runBlasts();
}

} // namespace

TEST(Blast, BombInACornerHitsOnlyPlacesInsideTheBoard)
{
    resetGame();
    drawNoMovesBoard();
    breakCarrier(0, 0, BonusKind::Bomb);
    ASSERT_EQ(board.blasts[0].kind, BonusKind::Bomb);
    EXPECT_EQ(at(0, 0).bonus, BonusKind::None);
    EXPECT_EQ(at(0, 0).state, FigureState::Breaking);
    blastFrame();
    EXPECT_EQ(hitCount(), 5);
    EXPECT_EQ(at(0, 1).hit, 1);
    EXPECT_EQ(at(0, 2).hit, 1);
    EXPECT_EQ(at(1, 0).hit, 1);
    EXPECT_EQ(at(1, 1).hit, 1);
    EXPECT_EQ(at(2, 0).hit, 1);
    EXPECT_EQ(at(1, 1).state, FigureState::Breaking);
    EXPECT_FLOAT_EQ(board.idleTimerMs, 250.0f);
    EXPECT_EQ(queuedSounds("ExplosionBomb.ogg"), 1);
    EXPECT_EQ(effectStarts("bomb1_1"), 1);
    EXPECT_EQ(board.shakeOn, 1);
}

TEST(Blast, BombHitsItsTwelvePlacesAndScoresThemAtTheCarrier)
{
    resetGame();
    drawNoMovesBoard();
    play.colourStreak = 2;
    at(4, 5).chained = 1;
    breakCarrier(5, 5, BonusKind::Bomb);
    blastFrame();
    EXPECT_EQ(hitCount(), 12);
    EXPECT_EQ(at(3, 5).hit, 1);
    EXPECT_EQ(at(7, 5).hit, 1);
    EXPECT_EQ(at(5, 3).hit, 1);
    EXPECT_EQ(at(6, 6).hit, 1);
    EXPECT_EQ(at(6, 7).hit, 0);
    EXPECT_EQ(at(5, 5).scoreGain, 24);  // colourStreak for each place reached
    EXPECT_EQ(at(4, 5).state, FigureState::Idle);  // chained: keeps its figure...
    ASSERT_GE(settle(), 0);
    frames(1);
    EXPECT_EQ(at(4, 5).chained, 0);  // ...and loses its chain
    EXPECT_TRUE(hasFigure(4, 5) || hasFigure(5, 5));
}

TEST(Blast, ARowOfBombsGoesOffOneAfterAnother150MsApart)
{
    resetGame();
    drawNoMovesBoard();
    for (int c = 0; c < BOARD_COLS; c += 2) at(8, c).bonus = BonusKind::Bomb;
    at(8, 0).state = FigureState::Breaking;
    board.boardClockMs = 500.0f;
    fireBreakingBonuses(0);
    float startedAt[BOARD_COLS] = {};
    float plannedAt[BOARD_COLS] = {};
    for (int i = 0; i < 120; i++) {
        blastFrame();
        for (const BlastRecord& b : board.blasts) {
            if (b.kind == BonusKind::Bomb && b.started && startedAt[b.col] == 0.0f) {
                startedAt[b.col] = board.boardClockMs;
                plannedAt[b.col] = b.startAtMs;
            }
        }
    }
    EXPECT_FLOAT_EQ(plannedAt[0], 500.0f);
    for (int c = 2; c < BOARD_COLS; c += 2) {
        ASSERT_GT(startedAt[c], 0.0f) << "bomb " << c << " never went off";
        EXPECT_FLOAT_EQ(plannedAt[c], startedAt[c - 2] + 150.0f);
        EXPECT_GT(startedAt[c], startedAt[c - 2]);
    }
    EXPECT_EQ(play.comboCount, 5);
    EXPECT_EQ(board.nextBlast, 6);
}

TEST(Blast, ThunderStrikingThunderOfItsColourDoesNotSetItOffButABombGoes)
{
    resetGame();
    drawNoMovesBoard();
    at(1, 1).colour = 9;   // the carrier
    at(3, 3).colour = 9;
    at(3, 3).bonus = BonusKind::Thunder;
    at(6, 6).colour = 9;
    at(6, 6).bonus = BonusKind::Bomb;
    at(8, 2).colour = 9;
    at(9, 9).colour = 9;
    at(9, 9).chained = 1;
    breakCarrier(1, 1, BonusKind::Thunder);
    blastFrame();
    EXPECT_EQ(at(3, 3).state, FigureState::Struck);
    EXPECT_EQ(at(8, 2).state, FigureState::Struck);
    EXPECT_EQ(at(6, 6).state, FigureState::Breaking);
    EXPECT_EQ(at(9, 9).state, FigureState::Idle);
    EXPECT_EQ(at(9, 9).hit, 1);
    EXPECT_EQ(at(3, 3).bonus, BonusKind::Thunder);  // not registered
    EXPECT_EQ(board.nextBlast, 2);
    EXPECT_EQ(board.blasts[1].kind, BonusKind::Bomb);
    EXPECT_EQ(board.blasts[1].row, 6);
    EXPECT_FLOAT_EQ(board.blasts[1].startAtMs, board.boardClockMs + 150.0f);
    EXPECT_EQ(effectStarts("lightning"), 3);
    EXPECT_EQ(queuedSounds("Thunderbolt.ogg"), 1);
    EXPECT_FLOAT_EQ(board.idleTimerMs, 500.0f);
    EXPECT_EQ(board.shakeOn, 0);  // thunder does not shake the view
    // The bolt set: the carrier and the two struck figures.
    EXPECT_EQ(board.nextBoltSet, 1);
    EXPECT_EQ(board.boltSets[0][0].active, 1);
    EXPECT_FLOAT_EQ(board.boltSets[0][0].centre.x, cellCentre(1, 1).x);
    EXPECT_EQ(board.boltSets[0][1].active, 1);
    EXPECT_EQ(board.boltSets[0][2].active, 1);
    EXPECT_EQ(board.boltSets[0][3].active, 0);
    EXPECT_EQ(board.boltSets[0][1].colour.a, 255);
    EXPECT_GE(board.boltSets[0][1].colour.r, 40);
    EXPECT_EQ(board.thunderColourDone[9 % 8], 0);  // colours above 7 are not tracked
    float life = board.boltSets[0][1].lifeMs;
    EXPECT_LE(life, 800.0f);
    blastFrame();
    EXPECT_FLOAT_EQ(board.boltSets[0][1].lifeMs, life - 16.0f);
}

TEST(Blast, OneBoltSetPerColourBetweenClicks)
{
    resetGame();
    drawNoMovesBoard();
    at(2, 2).colour = 3;
    at(7, 7).colour = 3;
    breakCarrier(2, 2, BonusKind::Thunder);
    blastFrame();
    EXPECT_EQ(board.nextBoltSet, 1);
    EXPECT_EQ(board.thunderColourDone[3], 1);
    at(7, 7).state = FigureState::Idle;
    breakCarrier(7, 7, BonusKind::Thunder);
    blastFrame();
    blastFrame();
    EXPECT_EQ(board.nextBoltSet, 1);
    EXPECT_EQ(board.boltSets[1][0].active, 0);
    forgetThunderDrawings();
    EXPECT_EQ(board.nextBoltSet, 0);
    EXPECT_EQ(board.thunderColourDone[3], 0);
}

TEST(Blast, CrossBombBeamsBreakChainedFiguresAndPassHoles)
{
    resetGame();
    drawNoMovesBoard();
    at(5, 7).tile = -1;
    at(5, 7).colour = -1;
    at(5, 9).chained = 1;
    at(2, 5).chained = 1;
    breakCarrier(5, 5, BonusKind::CrossBomb);
    blastFrame();
    EXPECT_EQ(at(5, 6).state, FigureState::Idle);  // the beam has not got there yet
    EXPECT_EQ(at(5, 6).hit, 1);
    EXPECT_EQ(board.blasts[0].rays[RayRight], 1);
    EXPECT_EQ(board.blasts[0].rays[RayDownRight], 0);
    EXPECT_EQ(hitCount(), 11 + 10 - 1);  // row and column, less the hole
    for (int i = 0; i < 15; i++) blastFrame();  // 256 ms: d reaches 4
    EXPECT_EQ(at(5, 8).state, FigureState::Breaking);  // beyond the hole
    EXPECT_EQ(at(5, 9).state, FigureState::Breaking);  // chained, on the beam
    EXPECT_EQ(at(2, 5).state, FigureState::Breaking);
    EXPECT_EQ(at(5, 11).state, FigureState::Idle);
    for (int i = 0; i < 30; i++) blastFrame();
    EXPECT_EQ(at(5, 11).state, FigureState::Breaking);
    EXPECT_EQ(at(0, 5).state, FigureState::Breaking);
    EXPECT_EQ(at(6, 6).state, FigureState::Idle);  // not on a ray
    EXPECT_EQ(board.blasts[0].kind, BonusKind::None);  // freed after 700 ms
    EXPECT_GT(effectStarts("krestbomb"), 15);
}

TEST(Blast, MegaBombCoversRowColumnAndDiagonals)
{
    resetGame();
    drawNoMovesBoard();
    breakCarrier(5, 5, BonusKind::MegaBomb);
    blastFrame();
    EXPECT_EQ(at(0, 0).hit, 1);
    EXPECT_EQ(at(10, 10).hit, 1);
    EXPECT_EQ(at(0, 10).hit, 1);
    EXPECT_EQ(at(0, 5).hit, 1);
    EXPECT_EQ(at(0, 4).hit, 0);
    EXPECT_EQ(queuedSounds("ExplosionSuperBomb.ogg"), 1);
    EXPECT_EQ(effectStarts("prototip"), 1);
    for (uint8_t ray : board.blasts[0].rays) EXPECT_EQ(ray, 1);
    for (int i = 0; i < 50; i++) blastFrame();
    EXPECT_EQ(at(10, 0).state, FigureState::Breaking);
    EXPECT_EQ(at(9, 2).state, FigureState::Idle);
}

TEST(Blast, DiagonalBombHitsOnlyTheDiagonals)
{
    resetGame();
    drawNoMovesBoard();
    breakCarrier(10, 0, BonusKind::DiagonalBomb);
    blastFrame();
    EXPECT_EQ(hitCount(), 10);
    EXPECT_EQ(at(0, 10).hit, 1);
    EXPECT_EQ(at(9, 0).hit, 0);
}

TEST(Blast, ACarrierWithAQueuedBonusSurvivesAndCarriesIt)
{
    resetGame();
    drawNoMovesBoard();
    at(4, 4).queuedBonus = BonusKind::MegaBomb;
    breakCarrier(4, 4, BonusKind::Bomb);
    EXPECT_EQ(board.blasts[0].kind, BonusKind::Bomb);
    EXPECT_EQ(at(4, 4).bonus, BonusKind::MegaBomb);
    EXPECT_EQ(at(4, 4).queuedBonus, BonusKind::None);
    EXPECT_EQ(at(4, 4).state, FigureState::Idle);
    EXPECT_EQ(play.comboCount, 0);  // fired by a click, not a chain
    for (int i = 0; i < 30; i++) frames(1);
    // Its own blast did not break it: the queued bonus is still on the board.
    int carriers = 0;
    for (int r = 0; r < BOARD_ROWS; r++) {
        // Only places holding a figure count: a place a falling figure just left keeps its old record.
        for (int c = 0; c < BOARD_COLS; c++) carriers += at(r, c).bonus == BonusKind::MegaBomb && at(r, c).colour >= 0 ? 1 : 0;
    }
    EXPECT_EQ(carriers, 1);
}

TEST(Blast, ABeamCarrierWithAQueuedBonusIsNotBrokenByItsOwnBeam)
{
    // The beams start at distance 0, the carrier's own place; a carrier that survived its blast
    // carrying the queued bonus must keep it there (the player heard the bonus being made).
    for (BonusKind kind : {BonusKind::CrossBomb, BonusKind::DiagonalBomb, BonusKind::MegaBomb}) {
        resetGame();
        drawNoMovesBoard();
        at(4, 4).queuedBonus = BonusKind::Bomb;
        breakCarrier(4, 4, kind);
        ASSERT_EQ(at(4, 4).state, FigureState::Idle);
        blastFrame();  // the blast starts; its beams are at distance 0
        EXPECT_EQ(at(4, 4).state, FigureState::Idle) << static_cast<int>(kind);
        EXPECT_EQ(at(4, 4).bonus, BonusKind::Bomb) << static_cast<int>(kind);
        for (int i = 0; i < 60; i++) frames(1);
        int carriers = 0;
        for (int r = 0; r < BOARD_ROWS; r++) {
            for (int c = 0; c < BOARD_COLS; c++) carriers += at(r, c).bonus == BonusKind::Bomb && at(r, c).colour >= 0 ? 1 : 0;
        }
        EXPECT_EQ(carriers, 1) << static_cast<int>(kind);
    }
}

TEST(Blast, The151stBlastOverwritesTheOldestSlot)
{
    resetGame();
    drawNoMovesBoard();
    for (int i = 0; i < 151; i++) {
        int place = i % BOARD_CELLS;
        breakCarrier(place / BOARD_COLS, place % BOARD_COLS, BonusKind::Bomb);
    }
    EXPECT_EQ(board.nextBlast, 1);
    EXPECT_EQ(board.blasts[0].row, (150 % BOARD_CELLS) / BOARD_COLS);
    EXPECT_EQ(board.blasts[0].col, (150 % BOARD_CELLS) % BOARD_COLS);
    EXPECT_EQ(board.blasts[1].row, 0);  // the second registration is still there
    EXPECT_EQ(board.blasts[1].col, 1);
    for (int i = 0; i < 80; i++) frames(1);  // the driver copes with a full ring
    for (const BlastRecord& b : board.blasts) EXPECT_EQ(b.kind, BonusKind::None);
}

TEST(Blast, FiguresAboveAreThrownUpUnlessAHoleOrChainIsInTheWay)
{
    resetGame();
    drawNoMovesBoard();
    at(6, 5).tile = -1;
    at(6, 5).colour = -1;
    at(7, 4).chained = 1;
    breakCarrier(8, 4, BonusKind::Bomb);
    blastFrame();
    EXPECT_GT(at(7, 3).offset.y, 0.0f);
    EXPECT_GT(at(0, 4).offset.y, 0.0f);
    EXPECT_FLOAT_EQ(at(7, 4).offset.y, 0.0f);  // chained
    EXPECT_GT(at(7, 5).offset.y, 0.0f);
    EXPECT_FLOAT_EQ(at(5, 5).offset.y, 0.0f);  // above the hole
    EXPECT_FLOAT_EQ(at(8, 5).offset.y, 0.0f);  // the blast row itself
    EXPECT_FLOAT_EQ(at(7, 6).offset.y, 0.0f);  // outside the three columns
    EXPECT_NEAR(at(7, 3).offset.y, std::cos(16.0f / 200.0f * 80.0f * 3.14159265f / 180.0f) * 16.0f * 0.2f, 1e-4f);
}

TEST(Blast, BlastsWaitForTheirStartTime)
{
    resetGame();
    drawNoMovesBoard();
    at(3, 3).bonus = BonusKind::Bomb;
    at(3, 3).state = FigureState::Breaking;
    fireBreakingBonuses(2);
    EXPECT_FLOAT_EQ(board.blasts[0].startAtMs, 300.0f);
    EXPECT_EQ(play.comboCount, 1);
    for (int i = 0; i < 18; i++) blastFrame();  // 288 ms
    EXPECT_EQ(board.blasts[0].started, 0);
    blastFrame();
    EXPECT_EQ(board.blasts[0].started, 1);
}
