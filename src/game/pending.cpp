#include "game/pending.h"

#include "app/core/requestlog.h"
#include "game/playstate.h"

void noteMoveMade() { recordRequest("moveMade"); }
void setBackdrop(int number) { recordRequest("setBackdrop", "", number); }
void setBackdropTint(int preset) { recordRequest("setBackdropTint", "", preset); }
void clearSavedGameFlag(int mode) { recordRequest("clearSavedGameFlag", "", mode); }
