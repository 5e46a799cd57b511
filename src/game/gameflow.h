#pragma once
// The play of a level around the board as the screens call it: keys and clicks on the board,
// the per-frame gameplay update and drawing, the per-frame upkeep of the board, and the
// screen-transition shutter. Until the level play is built, each operation records its call
// (app/core/requestlog.h) and does nothing else.

// A key on the game screen with no dialog open (recorded as "gameKeyDown", a = vk).
void gameKeyDown(int vk);
// Mouse buttons on the game screen with no dialog open; the position is app.mouseX/Y.
void boardPress();        // "boardPress"
void boardRelease();      // "boardRelease"
void boardDoubleClick();  // "boardDoubleClick"
void boardRightDown();    // "boardRightDown"
void boardRightUp();      // "boardRightUp"
void boardMiddleDown();   // "boardMiddleDown"
// The per-frame gameplay update and the board drawing of the game screen ("updateGameplay",
// "drawGame").
void updateGameplay();
void drawGame();
// Per-frame upkeep of the board modules, run by every screen after its scene ("boardUpkeep").
void boardUpkeep();
// The screen-transition shutter: opening from black (+1) or closing to black and reopening
// (-1), with an optional caption text key ("openShutter"/"closeShutter", name = caption,
// x = duration). drawShutter draws and advances it ("drawShutter").
void openShutter(float durationMs, const char* caption);
void closeShutter(float durationMs, const char* caption);
void drawShutter();
