#pragma once
// Texts of the game screen's HUD, candle, messages and overlays. Each call names a text-table
// key (or, for hudLiteral, the 8-bit text itself) with its place, size and colour, drawn on a
// black shadow. The bitmap-font drawing is not part of the game module yet: every call records
// a "drawText" request (app/core/requestlog.h; name = key or text, a = size x 10, b = alpha,
// x, y) so tests see what the HUD wrote, and the screen shows no text until the font exists.
#include "app/core/math.h"

void hudText(const char* key, float x, float y, float size, Color colour, bool centred);
// The text of a format key with one value (already printed) in place of its number.
void hudTextFormat(const char* key, const char* value, float x, float y, float size, Color colour, bool centred);
// Literal text (numbers).
void hudLiteral(const char* text, float x, float y, float size, Color colour, bool centred);
