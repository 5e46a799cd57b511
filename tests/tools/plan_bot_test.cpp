// The data tool's planning bot, played in-process through the game's level flow: its moves are
// legal, its hammer waits until the hammer is ready, its forecast breaks what the game breaks,
// and it plays better than the greedy bot.
#include <gtest/gtest.h>

#include <string>

#include "bot.h"
#include "plan.h"
#include "game/board.h"
#include "game/boardstep.h"
#include "game/outcome.h"
#include "game/playstate.h"
#include "persist/profile.h"

namespace {

const std::string botDir = std::string(OSTRIMAR_FIXTURES) + "/levels/bots/";

struct BotRun {
    bool won = false;
    int moves = 0;
    int hammers = 0;
    int targetsLeft = 0;
    int illegal = 0;        // moves the game did not take, or places outside a group
    int hammerUnready = 0;  // hammer strikes chosen while the hammer was not ready
    int forecasts = 0;      // moves whose forecast was checked against the settled board
    int forecastMisses = 0; // ... and whose squares and chains came out otherwise
};

int targetsLeft()
{
    int n = 0;
    for (const auto& row : board.cells)
        for (const Cell& c : row)
            if (c.tile >= 0) n += (c.tile > 0 ? c.tile : 0) + (c.chained ? 1 : 0);
    return n;
}

bool sameSquaresAndChains(const PlanBoard& forecast)
{
    for (int row = 0; row < BOARD_ROWS; row++) {
        for (int col = 0; col < BOARD_COLS; col++) {
            const Cell& c = board.cells[row][col];
            const PlanCell& p = forecast.cells[row][col];
            if (c.tile != p.tile || (c.chained != 0) != (p.chained != 0)) return false;
        }
    }
    return true;
}

// Plays one level as `play` does, checking every move of the planning bot before it is made.
// The runs are short (a few dozen moves on small boards): the game's frames under the sanitizers
// are what a run costs. `charged`: the level starts with the hammer filling, so that a strike
// comes within the first moves.
BotRun playLevel(const std::string& file, int mode, unsigned seed, BotKind kind, int maxMoves, bool charged = false)
{
    resetBotWorld(seed);
    setProfileMode(mode);
    BotRun run;
    if (!beginLevel(20, mode, file.c_str())) {
        ADD_FAILURE() << "cannot start " << file;
        return run;
    }
    if (charged) board.hammerTarget = board.hammerFull;
    bool wasReady = false;
    bool checkPending = false;
    PlanBoard expected{};
    long idle = 0;
    for (long frame = 0; frame < 200000 && run.moves + run.hammers < maxMoves; frame++) {
        if (!botFrame()) break;
        if (play.levelWon || play.levelLost) break;
        bool ready = botBoardReady();
        if (ready && wasReady) {
            if (checkPending) {
                run.forecasts++;
                if (!sameSquaresAndChains(expected)) run.forecastMisses++;
                checkPending = false;
            }
            if (kind == BotGreedy) {
                if (botMove(BotGreedy, seed)) run.moves++;
                ready = false;
            } else {
                PlanMove m;
                uint32_t stream = seed * 31u + static_cast<uint32_t>(frame);
                if (botChoosePlanned(stream, PlanSearch{}, &m)) {
                    bool wasHammerReady = board.hammerReady != 0;
                    labelGroups();
                    if (m.hammer && !wasHammerReady) run.hammerUnready++;
                    if (!m.hammer && board.cells[m.row][m.col].groupId < 0) run.illegal++;
                    // The forecast of this move, with every figure the game had: only squares
                    // and chains are compared, the refills differ.
                    planFromGame(expected, stream);
                    bool forecastable = m.hammer ? planHammer(expected, m.row, m.col) : planClick(expected, m.row, m.col);
                    if (!botMake(m)) run.illegal++;
                    else if (m.hammer) run.hammers++;
                    else run.moves++;
                    checkPending = forecastable;
                    ready = false;
                }
            }
        }
        if (ready) idle++;
        wasReady = ready;
    }
    run.won = play.levelWon != 0;
    run.targetsLeft = targetsLeft();
    return run;
}

} // namespace

TEST(PlanBot, MakesOnlyLegalMovesAndStrikesOnlyWithAReadyHammer)
{
    int hammers = 0;
    int moves = 0;
    const char* files[] = {"small.lvl", "chains.lvl"};
    const int modes[] = {ModeAdventure, ModeTimeless, ModePuzzle};
    for (const char* f : files) {
        for (int mode : modes) {
            // The hammer is charged at the start: after its strike it is empty again, and a
            // strike chosen before it refills counts as unready.
            BotRun r = playLevel(botDir + f, mode, 1, BotPlan, 14, true);
            EXPECT_EQ(r.illegal, 0) << f << " mode " << mode;
            EXPECT_EQ(r.hammerUnready, 0) << f << " mode " << mode;
            hammers += r.hammers;
            moves += r.moves;
        }
    }
    EXPECT_GT(moves, 50);
    // The strikes were really tried.
    EXPECT_GE(hammers, 3);
}

TEST(PlanBot, ItsForecastBreaksTheSquaresAndChainsTheGameBreaks)
{
    int forecasts = 0;
    int misses = 0;
    const char* files[] = {"chains.lvl", "rings.lvl"};
    for (const char* f : files) {
        for (unsigned seed = 1; seed <= 2; seed++) {
            BotRun r = playLevel(botDir + f, ModeTimeless, seed, BotPlan, 30, seed == 2);
            forecasts += r.forecasts;
            misses += r.forecastMisses;
        }
    }
    ASSERT_GT(forecasts, 100);
    // Blasts that catch figures still falling may come out otherwise in the game; a plain click
    // never does, so nearly every forecast is right.
    EXPECT_LE(misses * 40, forecasts) << misses << " of " << forecasts;
}

TEST(PlanBot, BeatsTheGreedyBotOnFixedLevelsAndSeeds)
{
    // Puzzle mode, where the move limit ends every run: the small board within about 20 moves,
    // the board of chains within 38.
    struct Case {
        const char* file;
        unsigned seeds;
    };
    const Case cases[] = {{"small.lvl", 4}, {"chains.lvl", 2}};
    for (const Case& c : cases) {
        int planWins = 0;
        int greedyWins = 0;
        int planLeft = 0;
        int greedyLeft = 0;
        for (unsigned seed = 1; seed <= c.seeds; seed++) {
            BotRun p = playLevel(botDir + c.file, ModePuzzle, seed, BotPlan, 100);
            BotRun g = playLevel(botDir + c.file, ModePuzzle, seed, BotGreedy, 100);
            planWins += p.won ? 1 : 0;
            greedyWins += g.won ? 1 : 0;
            planLeft += p.targetsLeft;
            greedyLeft += g.targetsLeft;
        }
        EXPECT_GT(planWins, greedyWins) << c.file;
        EXPECT_LT(planLeft, greedyLeft) << c.file;
    }
}

TEST(PlanBot, ForecastRefusesPlacesWithoutAGroupAndKeepsTheBoard)
{
    PlanBoard b{};
    b.colourCount = 3;
    for (auto& row : b.cells)
        for (PlanCell& c : row) c = PlanCell{-1, 0, -1, 0, 0, 0, 0, 0};
    // Two figures of colour 0 side by side on squares, one lone figure of colour 1.
    b.cells[10][0] = PlanCell{1, 0, 0, 0, 0, 0, 0, 0};
    b.cells[10][1] = PlanCell{1, 0, 0, 0, 0, 0, 0, 0};
    b.cells[10][2] = PlanCell{2, 0, 1, 0, 0, 0, 0, 0};
    PlanBoard before = b;
    EXPECT_FALSE(planClick(b, 10, 2));
    EXPECT_FALSE(planClick(b, 5, 5));
    EXPECT_FALSE(planHammer(b, 9, 0));
    EXPECT_EQ(planTargets(b), planTargets(before));
    EXPECT_TRUE(planClick(b, 10, 0));
    EXPECT_EQ(b.cells[10][0].tile, 0);
    EXPECT_EQ(b.cells[10][1].tile, 0);
    EXPECT_EQ(b.cells[10][2].tile, 2);
    EXPECT_TRUE(planHammer(b, 10, 2));
    EXPECT_EQ(b.cells[10][2].tile, 1);
    // Three lone figures: no click, but a ready hammer strikes one of them.
    PlanBoard lone = before;
    lone.cells[10][1].colour = 2;
    PlanMove m{};
    EXPECT_FALSE(planChoose(lone, false, PlanWeights{}, PlanSearch{}, &m, nullptr));
    ASSERT_TRUE(planChoose(lone, true, PlanWeights{}, PlanSearch{}, &m, nullptr));
    EXPECT_TRUE(m.hammer);
    EXPECT_EQ(m.row, 10);
}
