#include "game/pending.h"

#include "core/requestlog.h"
#include "game/playstate.h"

void noteMoveMade() { recordRequest("moveMade"); }
void clearSavedGameFlag(int mode) { recordRequest("clearSavedGameFlag", "", mode); }
