#pragma once
// Texts of the game screen's HUD, candle, messages and overlays. Each call names a text-table
// key (or, for hudLiteral, the text itself) with its place, size and colour, drawn on a black
// shadow with the current font (nothing is drawn while no font is loaded). The texts of a frame
// are also kept in a list (emptied when the game screen starts drawing), so tests can read what
// the HUD wrote.
#include <cstdint>

#include "core/math.h"

constexpr int HUD_TEXT_CAPACITY = 96;

struct HudTextEntry {
    char text[48];    // key, "key:value" for a format with its value, or the literal text
    Vec2 pos;
    float size;
    Color colour;
    uint8_t centred;
    uint8_t lines;    // 2 when a boxed text was wrapped onto two lines, else 1
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

// How a text goes into a box of maxWidth x maxHeight (a plaque of the HUD): at `size` when it is
// narrow enough; else scaled down to the width, as long as that keeps at least 3/4 of the size;
// else, when the text has a space, on two lines split at the space nearest the middle, at the
// size at which the longer line fits the width and both lines the height (lines 1.8 x size apart,
// about 3.2 x size together), when that is larger than one line could be; else scaled down to
// the width on one line. Measured with the current font (at `size` without one).
struct HudTextFit {
    float size;
    int lines;  // 1 or 2
    int split;  // the index of the space that breaks the lines (lines == 2), else -1
};
HudTextFit fitHudText(const char16_t* text, float size, float maxWidth, float maxHeight);
// A key's text (or a literal text) centred at (x, y) inside such a box; recorded with the size
// it was drawn at and its number of lines.
void hudTextInBox(const char* key, float x, float y, float size, float maxWidth, float maxHeight, Color colour);
void hudLiteralInBox(const char* text, float x, float y, float size, float maxWidth, float maxHeight, Color colour);
// Notes a text drawn by other means (wrapped tip texts) in this frame's list without drawing it.
void noteHudText(const char* text, float x, float y, float size, Color colour, bool centred);
// The UTF-16 text of a key (the key itself when the tables lack it), cut to capacity - 1 units.
void keyText(const char* key, char16_t* out, int capacity);
// The text of a format key with its first placeholder (%i, %d or %s) replaced by value.
void formatKeyText(const char* key, const char* value, char16_t* out, int capacity);
// A centred floating message (pop-up text) of a key's text, or of a format key with its value.
void showKeyMessage(const char* key, float x, float y, float size, float durationMs);
void showFormatMessage(const char* key, const char* value, float x, float y, float size, float durationMs);
// True when a pop-up text slot that is still alive shows exactly the text of the key (or of the
// format key with its value when value is given).
bool keyMessageShowing(const char* key, const char* value = nullptr);
// The first entry of this frame with exactly this text, or null.
const HudTextEntry* findHudText(const char* text);
