#include "game/pending.h"

#include "core/requestlog.h"
#include "game/playstate.h"

void noteMoveMade() { recordRequest("moveMade"); }
