#pragma once
// The player's hand on the board: the hovered group under the cursor, the board click with its
// streaks, thunder and size bonuses and trophy counters, the hammer (meter, button, strike),
// the right button and the board's debug keys.
#include "core/math.h"

// The cursor in centred screen coordinates (from app.mouseX/Y, client pixels of 800 x 600).
Vec2 boardCursor();
// Rebuilds the hovered group when the cursor moved onto another place of an idle board.
void updateHover();
// Left button on the game screen when no dialog is open and the game flow did not take the click.
// A click the board cannot take yet is held (see updateHeldClick).
void onLeftButtonDown();
// How long a held click waits for the board at most.
constexpr float HELD_CLICK_MAX_MS = 1500.0f;
// Each board frame: plays the held click once the board is at rest, when it still lands on a
// group of two or more (or on a figure for an armed hammer); drops it when it grew too old or
// when a dialog, the pause, a tip, the shutter or the level's end came first.
void updateHeldClick();
void onRightButtonDown();
// The board click proper (the checks of onLeftButtonDown already passed).
void boardClick();
// The hammer button of the HUD: arms a ready hammer, or puts an armed one back.
void pressHammerButton();
void updateHammerMeter();
// A key (Windows virtual-key code); the caller passes keys only while the typed cheat code has
// turned the debug keys on. True when it was a board key.
bool boardDebugKey(int vk);
