#pragma once
// One additive sprite from the particle atlas drawn outside the particle system (glows of the
// candle flame, the board and the flying score sprites). The particle system is not built yet:
// each call records its request (core/requestlog.h) as "drawFlare" with the cell as `a`
// and the position as x, y, and draws nothing.
#include "core/math.h"

void drawFlare(Vec2 position, float rotation, float size, Color colour, int cell);
