#pragma once
// Drawing of the board as the game screen calls it: tiles, figures, chains, marks and the
// hovered group (drawBoard), the debris of broken figures (updateDebris per frame, drawDebris
// after the HUD) and the queued lightning bolts (drawBolts). Built in game/boardrender.cpp;
// game/boardrender.h has the rest of the board drawing.
#include "core/math.h"

// The board in the given colour (white; alpha = the board's fade).
void drawBoard(Color colour);
void updateDebris();
void drawDebris();
void drawBolts();
// The explosion shake as the view shows it: none with calm motion (the shake itself still runs,
// so the game and its saved state are the same either way).
Vec2 shownShake();
