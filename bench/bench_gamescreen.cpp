// CPU cost of one game screen frame (the gameplay update and the draw submission of the board,
// HUD, candle, debris and bolts) on the headless device, on a busy board: level 1 of the default
// data set with a bonus on every fourth figure (bomb lights, crackling thunder carriers, cross
// and mega bomb marks), a hovered group, 150 debris and 150 flying square pieces.
//
//   ./bench/bench_gamescreen        (from the build folder; the data set is <build>/Data)
//
// Counters: drawCalls = draw calls submitted per frame; triangles = primitives per frame.
// BM_GameScreenFrameOnGl draws the same frame with the GL device (llvmpipe here) on a hidden
// window, damage tracking on as in the game: the time is the submitting thread's CPU up to the
// end of the scene (the present is bench_present's), drawCalls the GL draw calls the frame's
// draws became after batching, submittedDraws the draws the game made.
// BM_LoadBoardPicturesOnGl: the board's and HUD's pictures loaded anew at a level's start.
#include "core/appstate.h"
#include "core/random.h"
#include "app/screens.h"
#include "screen_frames.h"
#include "level_setup.h"
#include "audio/audio.h"
#include "game/board.h"
#include "game/boardrender.h"
#include "game/gameflow.h"
#include "game/level.h"
#include "game/outcome.h"
#include "game/playstate.h"
#include "graphics/device.h"
#include "graphics/draw.h"
#include "graphics/textures.h"
#include "menus/menus.h"
#include "persist/settings.h"
#include "platform/gpu/gpu.h"
#include "platform/os/files.h"
#include "resources/files.h"
#include "resources/texts.h"

#include <benchmark/benchmark.h>

#include <climits>
#include <cstdio>
#include <string>
#include <unistd.h>

namespace {

bool setUp(void* window = nullptr)
{
    if (!openDataSetForALevel(window)) return false;
    app.frameMs = 16.0f;
    srand15(99);
    return newGame(ModeAdventure);
}

void keepBusy()
{
    while (activeDebrisCount() < DEBRIS_RING) spawnDebris(rand15() % 8, -100.0f + rand15() % 400, 0.0f, 1);
    while (activeSquarePieceCount() < SQUARE_PIECE_RING) spawnSquarePiece(-200.0f + rand15() % 400, 0.0f, 2);
}

// Lets the board come to rest, then dresses it up: a bonus on every fourth figure, a hovered
// group, the debris and pieces rings full.
void makeBusy()
{
    // Let the board come to rest, then dress it up.
    for (int i = 0; i < 60; i++) screens.game.render();
    int n = 0;
    for (int row = 0; row < BOARD_ROWS; row++)
        for (int col = 0; col < BOARD_COLS; col++) {
            if (!hasFigure(row, col) || n++ % 4 != 0) continue;
            static const BonusKind kinds[4] = {BonusKind::Bomb, BonusKind::Thunder, BonusKind::CrossBomb,
                                               BonusKind::MegaBomb};
            board.cells[row][col].bonus = kinds[(row + col) % 4];
        }
    Vec2 hover = cellCentre(5, 5);
    app.mouseX = static_cast<int>(hover.x + 400.0f);
    app.mouseY = static_cast<int>(300.0f - hover.y);
    keepBusy();
}

void BM_GameScreenFrame(benchmark::State& state)
{
    if (!setUp()) {
        state.SkipWithError("no data set (build the dataset target) or no device");
        return;
    }
    makeBusy();
    measureScreenFrames(state, screens.game, [] { keepBusy(); });
}
BENCHMARK(BM_GameScreenFrame)->Unit(benchmark::kMicrosecond);

void BM_GameScreenFrameOnGl(benchmark::State& state)
{
    static void* window = gpuCreateHiddenWindow(800, 600);
    if (!window || !setUp(window) || gpuIsHeadless()) {
        state.SkipWithError("no data set (build the dataset target) or no GL device");
        return;
    }
    makeBusy();
    presentFrame();  // the settling frames' draws sent before the measured frames
    long submitted = 0, calls = 0, frames = 0;
    for (auto _ : state) {
        state.PauseTiming();
        keepBusy();
        gpuResetStats();
        state.ResumeTiming();
        clearDepth(1.0f);
        clearColor(0xFF000000);
        beginScene();
        screens.game.render();
        endScene();
        state.PauseTiming();
        GpuStats s = gpuStats();
        submitted += s.submittedDraws;
        calls += s.drawCalls;
        frames++;
        presentFrame();  // the recording drawn and a fresh one begun, outside the time
        state.ResumeTiming();
    }
    if (frames > 0) {
        state.counters["drawCalls"] = static_cast<double>(calls) / static_cast<double>(frames);
        state.counters["submittedDraws"] = static_cast<double>(submitted) / static_cast<double>(frames);
    }
}
BENCHMARK(BM_GameScreenFrameOnGl)->Unit(benchmark::kMicrosecond);

// The board's and HUD's pictures loaded again, as a level's first frame loads them after the game
// screen was left (which released them), on the GL device: what a level start waits for them.
void BM_LoadBoardPicturesOnGl(benchmark::State& state)
{
    static void* window = gpuCreateHiddenWindow(800, 600);
    if (!window || !openDataSetForALevel(window) || gpuIsHeadless()) {
        state.SkipWithError("no data set (build the dataset target) or no GL device");
        return;
    }
    for (auto _ : state) {
        state.PauseTiming();
        releaseBoardPictures();
        state.ResumeTiming();
        loadBoardPictures();
    }
    state.counters["textures"] = textureManager.count;
}
BENCHMARK(BM_LoadBoardPicturesOnGl)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

BENCHMARK_MAIN();
