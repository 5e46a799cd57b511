#include "effects/effects.h"

#include "core/requestlog.h"

void loadEffects() { recordRequest("loadEffects"); }
void startEffect(const char* name, float x, float y, float, float, float, int cell)
{
    recordRequest("startEffect", name, cell, 0, x, y);
}
void clearEffects() { recordRequest("clearEffects"); }
void updateAndDrawEffects() { recordRequest("updateAndDrawEffects"); }
