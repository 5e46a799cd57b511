#include "game/boardview.h"

#include "app/core/requestlog.h"

void drawBoard(Color colour) { recordRequest("drawBoard", "", colour.a); }
void updateDebris() { recordRequest("updateDebris"); }
void drawDebris() { recordRequest("drawDebris"); }
void drawBolts() { recordRequest("drawBolts"); }
