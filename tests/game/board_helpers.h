#pragma once
// Helpers for board tests: a board drawn from text pictures, frames at a fixed frame time, and
// clicks on places.
#include <cstring>

#include "core/appstate.h"
#include "core/dialogport.h"
#include "core/random.h"
#include "core/requestlog.h"
#include "effects/effects.h"
#include "audio/audio.h"
#include "game/board.h"
#include "game/boardstep.h"
#include "game/bonus.h"
#include "game/click.h"
#include "game/hud.h"
#include "game/level.h"
#include "game/playstate.h"
#include "menus/menus.h"
#include "trophies/trophies.h"
#include "sound_probe.h"
#include "persist/profile.h"
#include "persist/settings.h"

constexpr float TEST_FRAME_MS = 16.0f;

// The effects the board and the level play start, each making no particles, so the tests can
// count how often each was started (effectStarts) without touching the random sequence.
inline void defineGameEffects()
{
    resetEffects();
    const char* const names[] = {"blik3", "blik4", "bomb1_1", "bonus5IQ", "bonusscore", "flareIQ", "krestbomb",
                                 "levelover0", "lightning", "prototip", "refill1", "score", "smokeIQ",
                                 "smolderingIQ", "starefIQ", "wowIQ", "zep1"};
    for (const char* name : names) addEffect(name, "effecttime=0\rparfrequency=0\r");
}

// Clears the request log and the effects' start counts.
inline void clearStarts()
{
    clearRequests();
    clearEffectStarts();
}

inline void resetGame(unsigned seed = 1)
{
    resetAppState();
    resetBoard();
    resetPlayState();
    resetPersist();
    resetProfiles();  // a fresh player: every once-only tip still wanted
    resetLevelFiles();
    resetAudio();
    registerGameSounds();
    clearRequests();
    defineGameEffects();
    resetTrophies();
    menus = MenusState{};
    resetDialogPort();
    srand15(seed);
    app.frameMs = TEST_FRAME_MS;
}

// Eleven rows of twelve characters: '.' hole, '-' empty bare tile, '0'..'9' and 'a'..'g' a free
// figure of colour 0..16 on a bare tile. Every other field is as clearBoard leaves it, but for one
// square under the bottom-right place, so the level is not won at once.
inline void drawBoard(const char* const rows[BOARD_ROWS])
{
    clearBoard();
    for (int r = 0; r < BOARD_ROWS; r++) {
        for (int c = 0; c < BOARD_COLS; c++) {
            Cell& cell = board.cells[r][c];
            char ch = rows[r][c];
            cell.colour = -1;
            cell.sweepPending = 1;
            if (ch == '.') cell.tile = -1;
            else if (ch >= '0' && ch <= '9') cell.colour = ch - '0';
            else if (ch >= 'a' && ch <= 'g') cell.colour = 10 + ch - 'a';
        }
    }
    board.cells[10][11].tile = 1;
    board.idleTimerMs = -1.0f;
}

// A full board of figures in which no two neighbours share a colour (colours 0..3 in a pattern).
// One square lies under the bottom-right figure, so the level is not won at once.
inline void drawNoMovesBoard()
{
    clearBoard();
    for (int r = 0; r < BOARD_ROWS; r++) {
        for (int c = 0; c < BOARD_COLS; c++) {
            board.cells[r][c].colour = (r % 2) * 2 + (c % 2);
            board.cells[r][c].sweepPending = 1;
        }
    }
    board.cells[10][11].tile = 1;
    board.idleTimerMs = -1.0f;
}

inline void frames(int n)
{
    for (int i = 0; i < n; i++) {
        app.frameMs = TEST_FRAME_MS;
        boardFrame();
        updateAudio();  // as the gameplay frame does: queued sounds start, retrigger times run out
        // A tip panel stops the board; the player here closes each one at once.
        if (play.tipOpen) closeTip();
    }
}

// A pair of colour 16 at the top right, so that a board drawn without moves has one.
inline void addSpareGroup()
{
    board.cells[0][10].colour = 16;
    board.cells[0][11].colour = 16;
}

// Runs frames until the board is idle with its settle timer run out; the frames it took, or -1.
inline int settle(int maxFrames = 2000)
{
    for (int i = 0; i < maxFrames; i++) {
        if (board.idleTimerMs < 0.0f && isIdle()) return i;
        frames(1);
    }
    return -1;
}

inline void pointAt(int row, int col)
{
    Vec2 p = cellCentre(col, row);
    app.mouseX = static_cast<int>(p.x + 400.0f);
    app.mouseY = static_cast<int>(300.0f - p.y);
}

// Hover and left click on a place, as the player would.
inline void clickAt(int row, int col)
{
    pointAt(row, col);
    updateHover();
    onLeftButtonDown();
}

inline Cell& at(int row, int col) { return board.cells[row][col]; }
