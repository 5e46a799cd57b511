#include "effects/flare.h"

#include "core/requestlog.h"

void drawFlare(Vec2 position, float rotation, float size, Color colour, int cell)
{
    (void)rotation;
    (void)size;
    (void)colour;
    recordRequest("drawFlare", "", cell, 0, position.x, position.y);
}
