// Cost of one board step: on a settled full board, and on a busy board where figures fall, a
// chain of bombs goes off and a thunder strikes. Reported per step (one iteration = one step).
#include <benchmark/benchmark.h>

#include <cstring>

#include "core/appstate.h"
#include "core/random.h"
#include "core/requestlog.h"
#include "audio/audio.h"
#include "game/board.h"
#include "game/boardstep.h"
#include "game/bonus.h"
#include "game/playstate.h"

namespace {

constexpr float FRAME_MS = 16.0f;

// A full board filled by the set-up fill and run until it rests, with one square left so the
// level is not won.
void settledBoard(unsigned seed)
{
    resetAppState();
    resetBoard();
    resetPlayState();
    resetAudio();
    clearRequests();
    srand15(seed);
    for (int i = 0; i < TIP_FLAG_COUNT; i++) markTipShown(i);  // no tips: the board never waits
    app.frameMs = FRAME_MS;
    clearBoard();
    board.colourCount = 6;
    board.cells[10][11].tile = 1;
    setUpBoard();
    countTargets();
    board.idleTimerMs = -1.0f;
    for (int i = 0; i < 1000 && !isIdle(); i++) boardFrame();
}

// Bombs on every second place of row 8 and a thunder carrier; the first bomb and the thunder break.
void armBusyBoard()
{
    for (int c = 0; c < BOARD_COLS; c += 2) board.cells[8][c].bonus = BonusKind::Bomb;
    board.cells[8][0].state = FigureState::Breaking;
    board.cells[2][6].bonus = BonusKind::Thunder;
    board.cells[2][6].state = FigureState::Breaking;
    for (int c = 3; c < 9; c++) board.cells[0][c].state = FigureState::Breaking;
    fireBreakingBonuses(0);
    board.idleTimerMs = 50.0f;
}

void BM_SettledBoardStep(benchmark::State& state)
{
    settledBoard(7);
    for (auto _ : state) {
        app.frameMs = FRAME_MS;
        board.boardClockMs += FRAME_MS;
        boardStep();
        benchmark::DoNotOptimize(board.groupCount);
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_SettledBoardStep);

void BM_BusyBoardStep(benchmark::State& state)
{
    settledBoard(7);
    armBusyBoard();
    static Board snapshot;
    std::memcpy(static_cast<void*>(&snapshot), &board, sizeof board);
    PlayState playSnapshot = play;
    long scenarios = 0;
    long steps = 0;
    for (auto _ : state) {
        app.frameMs = FRAME_MS;
        board.boardClockMs += FRAME_MS;
        boardStep();
        steps++;
        if (board.idleTimerMs < 0.0f && isIdle() && board.nextBlast > 0) {
            state.PauseTiming();
            std::memcpy(static_cast<void*>(&board), &snapshot, sizeof board);
            play = playSnapshot;
            clearRequests();
            scenarios++;
            state.ResumeTiming();
        }
    }
    state.SetItemsProcessed(state.iterations());
    state.counters["steps_per_scenario"] = scenarios > 0 ? static_cast<double>(steps) / static_cast<double>(scenarios) : 0.0;
}
BENCHMARK(BM_BusyBoardStep);

} // namespace

BENCHMARK_MAIN();
