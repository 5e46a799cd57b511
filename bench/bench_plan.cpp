// Cost of the data tool's planning bot: choosing one move on settled boards of a hand-made level
// with dual squares, chains and fixed bonuses (one iteration = one move chosen), at one and at
// two moves of look-ahead, and one forecast of a click alone. "forecasts" is the number of
// boards forecast per move.
#include <benchmark/benchmark.h>

#include <string>

#include "bot.h"
#include "plan.h"
#include "game/board.h"
#include "game/outcome.h"
#include "game/playstate.h"
#include "persist/profile.h"

namespace {

// The level after a few planned moves, settled and ready for the next click.
bool settledLevel(unsigned seed)
{
    resetBotWorld(seed);
    setProfileMode(ModeTimeless);
    std::string file = std::string(OSTRIMAR_SOURCE_DIR) + "/tests/fixtures/levels/bots/chains.lvl";
    if (!beginLevel(20, ModeTimeless, file.c_str())) return false;
    bool wasReady = false;
    int moves = 0;
    for (int frame = 0; frame < 20000; frame++) {
        botFrame();
        bool ready = botBoardReady();
        if (ready && wasReady) {
            if (moves == 5) return true;
            if (botMove(BotPlan, seed)) moves++;
            ready = false;
        }
        wasReady = ready;
    }
    return false;
}

void choose(benchmark::State& state, int depth)
{
    if (!settledLevel(3)) {
        state.SkipWithError("the level did not settle");
        return;
    }
    PlanSearch search;
    search.depth = depth;
    long forecasts = 0;
    long moves = 0;
    uint32_t stream = 1;
    for (auto _ : state) {
        PlanMove m;
        benchmark::DoNotOptimize(botChoosePlanned(stream++, search, &m, &forecasts));
        moves++;
    }
    state.counters["forecasts"] = moves ? static_cast<double>(forecasts) / static_cast<double>(moves) : 0.0;
}

void BM_PlanMoveOneAhead(benchmark::State& state) { choose(state, 1); }
void BM_PlanMoveTwoAhead(benchmark::State& state) { choose(state, 2); }

void BM_ForecastOneClick(benchmark::State& state)
{
    if (!settledLevel(3)) {
        state.SkipWithError("the level did not settle");
        return;
    }
    PlanBoard start;
    planFromGame(start, 1);
    PlanMove m;
    if (!planChoose(start, false, PlanWeights{}, PlanSearch{1, 1, 1}, &m, nullptr)) {
        state.SkipWithError("no move");
        return;
    }
    for (auto _ : state) {
        PlanBoard b = start;
        benchmark::DoNotOptimize(planClick(b, m.row, m.col));
        benchmark::DoNotOptimize(b);
    }
}

} // namespace

BENCHMARK(BM_PlanMoveOneAhead)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PlanMoveTwoAhead)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ForecastOneClick)->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();
