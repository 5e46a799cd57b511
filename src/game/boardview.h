#pragma once
// Drawing of the board as the game screen calls it: tiles, figures, chains, marks and the
// hovered group (drawBoard), the debris of broken figures (updateDebris per frame, drawDebris
// after the HUD) and the queued lightning bolts (drawBolts). The board drawing is not built yet:
// each operation records its call (app/core/requestlog.h) and draws nothing.
#include "app/core/math.h"

// "drawBoard", a = the colour's alpha.
void drawBoard(Color colour);
void updateDebris();  // "updateDebris"
void drawDebris();    // "drawDebris"
void drawBolts();     // "drawBolts"
