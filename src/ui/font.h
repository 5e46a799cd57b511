#pragma once
// Bitmap fonts and text drawing. A font is a texture holding the glyphs in a regular grid of
// cells plus a metrics file that says which UTF-16 code unit sits in which cell and how far it
// advances the pen. Text is laid out in the centred 2-D coordinates of the drawing module
// (x from -400 to 400 to the right, y from -300 to 300 upward), left-aligned or centred line by
// line, with optional shadow or glow; strings can be measured and wrapped to a width.
//
// Units: a glyph drawn at scale s covers a quad 2 s wide and 2 s x aspect high (times the font's
// size factor), and advances the pen by s x advance[u]. Every line break moves the pen down by
// 1.8 s. A CR is taken together with the unit after it (the LF of a CR LF pair) as one break; an
// LF alone is one break.
#include "core/math.h"
#include "graphics/textures.h"

#include <cstdint>

constexpr int FONT_TABLE_SIZE = 8;
constexpr int FONT_GLYPH_ENTRIES = 1024;
constexpr int FONT_METRICS_SIZE = 8 + FONT_GLYPH_ENTRIES * 4;  // 4104 bytes are used
constexpr int TEXT_BUFFER_UNITS = 1024;                        // conversion and wrap buffers
constexpr float TEXT_LINE_STEP = 1.8f;                         // line height in units of the scale
constexpr float TEXT_DEPTH = 10.0f;                            // z of glyph quads
constexpr float GLOW_TEXT_DEPTH = 45.0f;
constexpr float GLOW_RECT_DEPTH = 35.0f;

struct BitmapFont {
    int cols;            // cells per row
    int rows;            // cols when the texture is at most as wide as high, else cols / 2
    float cellU;         // 1 / cols
    float cellV;         // 1 / rows
    float size;          // size factor given at load
    float aspect;        // height-to-width factor of the drawn cell
    float advance[65536];   // advance of every code unit in units of the scale; 0 when unnamed
    uint16_t cell[65536];   // grid cell of every code unit; 0 when unnamed
    float widestTypable;    // largest advance of a code unit typing can insert (not control, not a surrogate half)
    Texture* texture;
};

// The text drawing state: the font table, the current font and colour, the pen, and the two
// buffers of 1024 UTF-16 units (8-bit conversion, wrapped text).
struct TextState {
    BitmapFont fonts[FONT_TABLE_SIZE];
    int fontCount;
    int current;
    Color colour;
    float penX, penY;
    float penZ = TEXT_DEPTH;  // also before the first reset: glyphs at z 0 fall before the 2-D near plane
    float penScale;
    float penOffset;
    char16_t convertBuffer[TEXT_BUFFER_UNITS];
    char16_t wrapBuffer[TEXT_BUFFER_UNITS];
    Texture* glowTexture;  // "podsvet.jpg", loaded with the first font
    // Text of the last error found in a metrics file (for tests and diagnostics).
    char lastError[256];
};

extern TextState textState;

// Forgets every font (textures stay with the texture manager), white colour, empty buffers.
void resetTextState();

// What checking a metrics file found.
enum class FontMetricsStatus {
    Ok,
    Truncated,     // fewer than 4104 bytes
    NoColumns,     // cells per row is 0
    NoRows,        // a texture wider than high with a single column has no rows
    BadTextureSize // texture width or height is 0
};
const char* fontMetricsStatusText(FontMetricsStatus status);

// Builds a font from metrics data (the whole ".dat" file) without touching its texture. Code
// units no entry names keep advance 0 and cell 0; when two entries name the same unit the later
// one wins. On a damaged file the font is left unchanged.
FontMetricsStatus buildFontMetrics(BitmapFont& font, const uint8_t* data, int32_t size, float sizeFactor,
                                   float aspect);

// Loads "<name>.tga" through the texture manager and "<name>.dat" through the file table into
// the next slot, loads "podsvet.jpg" (once), clears the flying letters and resets the colour to
// opaque white. Missing files are fatal in the file and texture layers; a damaged metrics file
// shows "Damaged font file: <name>.dat" and takes the same fatal exit. False on any failure and
// when the table already holds 8 fonts.
bool loadFont(const char* name, float sizeFactor, float aspect);
// The current font becomes entry index modulo the number of loaded fonts (nothing when none).
void selectFont(int index);
// The current font, or null when none is loaded.
const BitmapFont* currentFont();

void setTextColour(int r, int g, int b, int a);
void setTextColour(Color colour);

// One placed glyph: its code unit, grid cell and centre, at scale s.
struct GlyphPlacement {
    char16_t code;
    uint16_t cell;
    float x, y;
    float scale;
};
using GlyphVisitor = void (*)(void* context, const GlyphPlacement& glyph);

// Lays a NUL-terminated UTF-16 text out with the current font exactly as drawText does, and
// calls visit for each glyph in drawing order instead of drawing it. Nothing when no font.
void layoutText(float x, float y, float scale, const char16_t* text, bool centred, GlyphVisitor visit,
                void* context);

// Draws a NUL-terminated UTF-16 text. Left-aligned: the first glyph of every line is centred on
// x, the first line on y. Centred: every line centred on x.
void drawText(float x, float y, float scale, const char16_t* text, bool centred = false);
void drawTextCentred(float x, float y, float scale, const char16_t* text);
// The same for an 8-bit Windows-1251 string, converted into the conversion buffer first (texts
// longer than 1023 characters are cut there).
void drawTextAnsi(float x, float y, float scale, const char* text, bool centred = false);
void drawTextCentredAnsi(float x, float y, float scale, const char* text);
// Windows-1251 to UTF-16 in the conversion buffer; returns it.
const char16_t* convertAnsi(const char* text);

// Sum of scale x advance over every code unit up to the terminator (line breaks included, so
// measure one line at a time). 0 when no font is loaded.
float measureText(const char16_t* text, float scale);
float measureTextAnsi(const char* text, float scale);

// Copies text (cut to 1023 units) into the wrap buffer, turns the last space before a line would
// grow wider than maxWidth into a line break, and returns the height of the block (1.8 x scale
// per line). A word wider than the line is broken before the unit that overflows; a trailing
// CR LF is dropped. Draw the result from wrappedText().
float wrapText(float maxWidth, const char16_t* text, float scale);
const char16_t* wrappedText();

// The text at (x + distance dx, y + distance dy) in shadowColour, then at (x, y) in colour; the
// current colour is left at colour.
void drawTextShadowed(float x, float y, float scale, const char16_t* text, bool centred, Color colour,
                      Color shadowColour, float distance, float dx, float dy);
// The text in the current colour with a glowing bar of the glow picture behind it, additive.
void drawTextGlow(float x, float y, float scale, Color glowColour, const char16_t* text, bool centred = false);
void drawTextGlowCentred(float x, float y, float scale, Color glowColour, const char16_t* text);
// The glow picture stretched over (x0, y0)-(x1, y1), additive.
void drawGlowRect(float x0, float y0, float x1, float y1, Color colour);

// Draws one glyph of the current font centred at (cx, cy) at scale s in an already modulated
// colour word (0xAARRGGBB); the caller has bound the font texture. Used by the floating messages.
void drawGlyph(const BitmapFont& font, char16_t code, float cx, float cy, float scale, uint32_t colourWord);
// Binds the current font's texture (false when no font is loaded).
bool bindFontTexture();
