#pragma once
// One additive sprite from the particle atlas ("exploanim.tga") drawn outside the particle
// system: the glows of the candle flame and the flying score sprites, the flares at the corners
// of the dialog panels (cell 12). Centred on the position, facing the camera, edge length size,
// rotated by rotation degrees, in the colour given, blended by (source colour, one). Nothing is
// drawn before the atlas is loaded (loadEffects); every call is counted in effects.flareRequests.
#include "core/math.h"

void drawFlare(Vec2 position, float rotation, float size, Color colour, int cell);
