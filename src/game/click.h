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
void onLeftButtonDown();
void onRightButtonDown();
// The board click proper (the checks of onLeftButtonDown already passed).
void boardClick();
// The hammer button of the HUD: arms a ready hammer, or puts an armed one back.
void pressHammerButton();
void updateHammerMeter();
// A key (Windows virtual-key code); the caller passes keys only while the typed cheat code has
// turned the debug keys on. True when it was a board key.
bool boardDebugKey(int vk);
