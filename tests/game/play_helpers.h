#pragma once
// Helpers for the level-play tests: a fresh game with one profile, a level set up from a board
// picture in a given mode, and gameplay frames at a fixed frame time.
#include "board_helpers.h"
#include "core/dialogport.h"
#include "game/gameflow.h"
#include "game/hud.h"
#include "game/hudtext.h"
#include "game/limits.h"
#include "game/outcome.h"
#include "game/scoring.h"
#include "graphics/device.h"
#include "persist/profile.h"
#include "persist/records.h"
#include "resources/texts.h"
#include "ui/messages.h"

// The menu tree the game's dialogs need: the dialogs every tree has, and "hiscore". No dialog
// is open afterwards.
inline void loadTestMenus()
{
    static const char16_t tree[] = u"main=\r\nmain\r\nhiscore\r\n\r\n";
    buildMenuTree(reinterpret_cast<const uint8_t*>(tree), static_cast<int32_t>(sizeof tree - sizeof tree[0]));
}

inline void resetPlayGame(unsigned seed = 1)
{
    resetGame(seed);
    resetGamePlay();
    resetProfiles();
    resetRecords();
    resetMessages();
    resetTextTables();
    createProfile("Tester");
    resetDeviceState();
    createDevice(nullptr);  // the headless device, for the drawing passes
}

// A level of the given mode and index on a board picture (see drawBoard), with the level file's
// time and move values, as beginLevel leaves it. The one square under the bottom-right place
// keeps the level from being won.
inline void playLevel(int mode, int levelIndex, const char* const rows[BOARD_ROWS], float rawTime = 10.0f,
                      int rawMoves = 50)
{
    resetLevelPlayValues();
    dialogPort.open = 0;
    loadTestMenus();
    play.gameMode = mode;
    play.levelIndex = levelIndex;
    setProfileMode(mode);
    currentProfileStem(play.profileStem, sizeof play.profileStem);  // the level's player
    drawBoard(rows);
    board.colourCount = 4;
    levelFiles.rawTime = rawTime;
    levelFiles.rawMoves = rawMoves;
    applyLimits();
    gameFlow.levelActive = 1;
    play.boardFade = 1.0f;
    for (int i = 0; i < TIP_FLAG_COUNT; i++) markTipShown(i);  // no one-time tips unless a test wants them
    labelGroups();
}

// A quiet board: two columns of colour pairs, nothing else moves.
inline const char* const* quietRows()
{
    static const char* const rows[BOARD_ROWS] = {
        "010101010101", "232323232323", "010101010101", "232323232323", "010101010101", "232323232323",
        "010101010101", "232323232323", "010101010101", "232323232323", "001101010101",
    };
    return rows;
}

// Frames of the game as the game screen runs them.
inline void playFrames(int n, float frameMs = TEST_FRAME_MS)
{
    for (int i = 0; i < n; i++) {
        app.frameMs = frameMs;
        gameFrame();
    }
}

// Points the cursor at a place in centred coordinates.
inline void pointAtXY(float x, float y)
{
    app.mouseX = static_cast<int>(x + 400.0f);
    app.mouseY = static_cast<int>(300.0f - y);
}
