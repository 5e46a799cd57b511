// CPU cost of one game screen frame (the gameplay update and the draw submission of the board,
// HUD, candle, debris and bolts) on the headless device, on a busy board: level 1 of the default
// data set with a bonus on every fourth figure (bomb lights, crackling thunder carriers, cross
// and mega bomb marks), a hovered group, 150 debris and 150 flying square pieces.
//
//   ./bench/bench_gamescreen        (from the build folder; the data set is <build>/Data)
//
// Counters: drawCalls = draw calls submitted per frame; triangles = primitives per frame.
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

bool setUp()
{
    if (!openDataSetForALevel()) return false;
    app.frameMs = 16.0f;
    srand15(99);
    return newGame(ModeAdventure);
}

void keepBusy()
{
    while (activeDebrisCount() < DEBRIS_RING) spawnDebris(rand15() % 8, -100.0f + rand15() % 400, 0.0f, 1);
    while (activeSquarePieceCount() < SQUARE_PIECE_RING) spawnSquarePiece(-200.0f + rand15() % 400, 0.0f, 2);
}

void BM_GameScreenFrame(benchmark::State& state)
{
    if (!setUp()) {
        state.SkipWithError("no data set (build the dataset target) or no device");
        return;
    }
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
    measureScreenFrames(state, screens.game, [] { keepBusy(); });
}
BENCHMARK(BM_GameScreenFrame)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
