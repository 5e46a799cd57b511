#pragma once
// Texts of the game screen's HUD, candle, messages and overlays. Each call names a text-table
// key (or, for hudLiteral, the text itself) with its place, size and colour, drawn on a black
// shadow. The bitmap-font drawing is not part of the game module yet, so the texts of a frame
// are collected in a list (the frame's text list, emptied when the game screen starts drawing);
// tests read what the HUD wrote from it, and the screen shows the texts once the font exists.
#include <cstdint>

#include "app/core/math.h"

constexpr int HUD_TEXT_CAPACITY = 96;

struct HudTextEntry {
    char text[48];    // key, "key:value" for a format with its value, or the literal text
    Vec2 pos;
    float size;
    Color colour;
    uint8_t centred;
};

struct HudTextState {
    HudTextEntry entries[HUD_TEXT_CAPACITY];
    int32_t count;    // entries of this frame (further ones are dropped)
};

extern HudTextState hudTexts;

void clearHudTexts();
void hudText(const char* key, float x, float y, float size, Color colour, bool centred);
// The text of a format key with one value (already printed) in place of its number.
void hudTextFormat(const char* key, const char* value, float x, float y, float size, Color colour, bool centred);
// Literal text (numbers).
void hudLiteral(const char* text, float x, float y, float size, Color colour, bool centred);
// The first entry of this frame with exactly this text, or null.
const HudTextEntry* findHudText(const char* text);
