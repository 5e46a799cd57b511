// Bitmap fonts: loading, layout, measuring, wrapping and the text drawing calls.
#include "ui/font.h"

#include "graphics/device.h"
#include "graphics/draw.h"
#include "platform/os/msgbox.h"
#include "resources/files.h"
#include "resources/texts.h"
#include "ui/messages.h"

#include <cstdio>
#include <cstring>

TextState textState;

namespace {

constexpr char16_t CR = 13;
constexpr char16_t LF = 10;
constexpr char16_t SPACE = 32;

uint16_t readU16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }

const Rect& unitRect()
{
    static const Rect r = [] {
        Rect u;
        u.set(0.0f, 0.0f, 1.0f, 1.0f);
        return u;
    }();
    return r;
}

// Left-aligned layout: glyph centres follow each other by the mean of neighbouring advances and
// the first glyph of every line is centred on x.
void layoutLeft(const BitmapFont& f, float x, float y, float s, const char16_t* text, GlyphVisitor visit,
                void* context)
{
    float o = 0.0f;
    int i = 0;
    while (char16_t u = text[i]) {
        if (i > 0) o += s * f.advance[u] / 2;
        if (u == CR || u == LF) {
            // A CR takes the unit after it along (the LF of a pair); never past the terminator.
            i += (u == CR && text[i + 1] != 0) ? 2 : 1;
            char16_t n = text[i];
            if (n == 0) break;
            o = -s * f.advance[n] / 2;
            y -= TEXT_LINE_STEP * s;
            continue;
        }
        visit(context, GlyphPlacement{u, f.cell[u], x + o, y, s});
        o += s * f.advance[u] / 2;
        ++i;
    }
}

// Centred layout: each line's glyphs start at x - W / 2 + s / 2, W the line's width.
void layoutCentred(const BitmapFont& f, float x, float y, float s, const char16_t* text, GlyphVisitor visit,
                   void* context)
{
    int i = 0;
    while (text[i]) {
        int end = i;
        float w = 0.0f;
        while (text[end] && text[end] != CR && text[end] != LF) w += s * f.advance[text[end++]];
        float o = -w / 2 + s / 2;
        for (int k = i; k < end; ++k) {
            char16_t u = text[k];
            if (k > i) o += s * f.advance[u] / 2;
            visit(context, GlyphPlacement{u, f.cell[u], x + o, y, s});
            o += s * f.advance[u] / 2;
        }
        if (text[end] == 0) break;
        end += (text[end] == CR && text[end + 1] != 0) ? 2 : 1;
        y -= TEXT_LINE_STEP * s;
        i = end;
    }
}

struct DrawContext {
    const BitmapFont* font;
    uint32_t colour;
};

void drawVisitor(void* context, const GlyphPlacement& g)
{
    const DrawContext* dc = static_cast<const DrawContext*>(context);
    drawGlyph(*dc->font, g.code, g.x, g.y, g.scale, dc->colour);
}

// The glow picture over a rectangle at a depth, added onto what is there.
void glowQuad(const Rect& r, Color colour, float z)
{
    setTexture(textState.glowTexture);
    setRenderState(GpuRenderState::SrcBlend, BlendSrcAlpha);
    setRenderState(GpuRenderState::DestBlend, BlendOne);
    setRenderState(GpuRenderState::AlphaTestEnable, 0);
    drawQuadRect(r, unitRect(), colour, z);
    setRenderState(GpuRenderState::SrcBlend, BlendSrcAlpha);
    setRenderState(GpuRenderState::DestBlend, BlendInvSrcAlpha);
    setRenderState(GpuRenderState::AlphaTestEnable, 1);
}

}  // namespace

void resetTextState()
{
    // The struct is large (the font table): reset field by field rather than through a temporary.
    textState.fontCount = 0;
    textState.current = 0;
    textState.colour = Color(255, 255, 255, 255);
    textState.penX = textState.penY = 0.0f;
    textState.penZ = TEXT_DEPTH;
    textState.penScale = 0.0f;
    textState.penOffset = 0.0f;
    textState.convertBuffer[0] = 0;
    textState.wrapBuffer[0] = 0;
    textState.glowTexture = nullptr;
    textState.lastError[0] = 0;
}

const char* fontMetricsStatusText(FontMetricsStatus status)
{
    switch (status) {
    case FontMetricsStatus::Ok: return "ok";
    case FontMetricsStatus::Truncated: return "shorter than 4104 bytes";
    case FontMetricsStatus::NoColumns: return "zero cells per row";
    case FontMetricsStatus::NoRows: return "no rows of cells";
    case FontMetricsStatus::BadTextureSize: return "zero texture width or height";
    }
    return "unknown";
}

FontMetricsStatus buildFontMetrics(BitmapFont& font, const uint8_t* data, int32_t size, float sizeFactor,
                                   float aspect)
{
    if (!data || size < FONT_METRICS_SIZE) return FontMetricsStatus::Truncated;
    int texW = readU16(data), texH = readU16(data + 2), cols = readU16(data + 4);
    if (texW == 0 || texH == 0) return FontMetricsStatus::BadTextureSize;
    if (cols == 0) return FontMetricsStatus::NoColumns;
    int rows = texW <= texH ? cols : cols / 2;
    if (rows == 0) return FontMetricsStatus::NoRows;
    font.cols = cols;
    font.rows = rows;
    font.cellU = 1.0f / static_cast<float>(cols);
    font.cellV = 1.0f / static_cast<float>(rows);
    font.size = sizeFactor;
    font.aspect = aspect;
    std::memset(font.advance, 0, sizeof font.advance);
    std::memset(font.cell, 0, sizeof font.cell);
    float cellW = static_cast<float>(texW) / static_cast<float>(cols);
    for (int i = 0; i < FONT_GLYPH_ENTRIES; ++i) {
        const uint8_t* e = data + 8 + i * 4;
        uint16_t width = readU16(e), code = readU16(e + 2);
        font.advance[code] = (2.0f * width / cellW) * sizeFactor;
        font.cell[code] = static_cast<uint16_t>(i);
    }
    // Found once here, read by the name field's width every frame it is drawn.
    font.widestTypable = 0.0f;
    for (int i = 0; i < FONT_GLYPH_ENTRIES; ++i) {
        uint16_t code = readU16(data + 8 + i * 4 + 2);
        if (code < 0x20 || code == 0x7F || (code >= 0xD800 && code <= 0xDFFF)) continue;
        if (font.advance[code] > font.widestTypable) font.widestTypable = font.advance[code];
    }
    return FontMetricsStatus::Ok;
}

bool loadFont(const char* name, float sizeFactor, float aspect)
{
    if (!name || textState.fontCount >= FONT_TABLE_SIZE) return false;
    char file[160];
    std::snprintf(file, sizeof file, "%s.tga", name);
    Texture* texture = loadTexture(file);
    if (!texture) return false;
    std::snprintf(file, sizeof file, "%s.dat", name);
    int32_t size = 0;
    uint8_t* data = readFile(file, &size, true);
    if (!data) return false;
    BitmapFont& font = textState.fonts[textState.fontCount];
    FontMetricsStatus status = buildFontMetrics(font, data, size, sizeFactor, aspect);
    releaseFile(data);
    if (status != FontMetricsStatus::Ok) {
        std::snprintf(textState.lastError, sizeof textState.lastError, "Damaged font file: %s (%s)", file,
                      fontMetricsStatusText(status));
        osMessageBox(textState.lastError, "Loading Error");
        if (fileTable.exitHook) fileTable.exitHook(1);
        return false;
    }
    font.texture = texture;
    textState.fontCount++;
    Texture* glow = loadTexture("podsvet.jpg");
    if (!glow) return false;
    textState.glowTexture = glow;
    clearFlyingLetters();
    textState.colour = Color(255, 255, 255, 255);
    return true;
}

void selectFont(int index)
{
    if (textState.fontCount <= 0) return;
    int i = index % textState.fontCount;
    textState.current = i < 0 ? i + textState.fontCount : i;
}

const BitmapFont* currentFont()
{
    if (textState.fontCount <= 0) return nullptr;
    return &textState.fonts[textState.current];
}

void setTextColour(int r, int g, int b, int a) { textState.colour = Color(r, g, b, a); }
void setTextColour(Color colour) { textState.colour = colour; }

void layoutText(float x, float y, float scale, const char16_t* text, bool centred, GlyphVisitor visit,
                void* context)
{
    const BitmapFont* f = currentFont();
    if (!f || !text || !visit) return;
    textState.penX = x;
    textState.penY = y;
    textState.penScale = scale;
    if (centred)
        layoutCentred(*f, x, y, scale, text, visit, context);
    else
        layoutLeft(*f, x, y, scale, text, visit, context);
}

void drawGlyph(const BitmapFont& f, char16_t code, float cx, float cy, float s, uint32_t colourWord)
{
    float hw = s * f.size, hh = s * f.size * f.aspect;
    uint16_t k = f.cell[code];
    float tu = static_cast<float>(k % f.cols) * f.cellU;
    float tv = static_cast<float>(k / f.cols) * f.cellV;
    float z = textState.penZ;
    // Strip order: top-left, top-right, bottom-left, bottom-right.
    const QuadVertex v[4] = {
        {{cx - hw, cy + hh, z}, colourWord, tu, tv},
        {{cx + hw, cy + hh, z}, colourWord, tu + f.cellU, tv},
        {{cx - hw, cy - hh, z}, colourWord, tu, tv + f.cellV},
        {{cx + hw, cy - hh, z}, colourWord, tu + f.cellU, tv + f.cellV},
    };
    drawUserPrimitives(v, 2, FVF_QUADVERTEX, GpuPrimitive::TriangleStrip);
}

bool bindFontTexture()
{
    const BitmapFont* f = currentFont();
    if (!f) return false;
    setTexture(f->texture);
    return true;
}

void drawText(float x, float y, float scale, const char16_t* text, bool centred)
{
    const BitmapFont* f = currentFont();
    if (!f || !text) return;
    bindFontTexture();
    DrawContext dc{f, modulateColor(textState.colour).asWord()};
    layoutText(x, y, scale, text, centred, drawVisitor, &dc);
}

void drawTextCentred(float x, float y, float scale, const char16_t* text) { drawText(x, y, scale, text, true); }

const char16_t* convertAnsi(const char* text)
{
    if (!text) text = "";
    cp1251ToUtf16(text, textState.convertBuffer, TEXT_BUFFER_UNITS);
    return textState.convertBuffer;
}

void drawTextAnsi(float x, float y, float scale, const char* text, bool centred)
{
    if (!text) return;
    drawText(x, y, scale, convertAnsi(text), centred);
}

void drawTextCentredAnsi(float x, float y, float scale, const char* text) { drawTextAnsi(x, y, scale, text, true); }

float measureText(const char16_t* text, float scale)
{
    const BitmapFont* f = currentFont();
    if (!f || !text) return 0.0f;
    float w = 0.0f;
    for (int i = 0; text[i]; ++i) w += scale * f->advance[text[i]];
    return w;
}

float measureTextAnsi(const char* text, float scale)
{
    if (!text) return 0.0f;
    return measureText(convertAnsi(text), scale);
}

float wrapText(float maxWidth, const char16_t* text, float s)
{
    char16_t* buf = textState.wrapBuffer;
    buf[0] = 0;
    if (!text) return 0.0f;
    int n = 0;
    while (text[n] && n < TEXT_BUFFER_UNITS - 1) {
        buf[n] = text[n];
        ++n;
    }
    buf[n] = 0;
    const BitmapFont* f = currentFont();
    float step = TEXT_LINE_STEP * s;
    if (!f) return step;
    float lineWidth = 0.0f;
    float height = step;
    int cur = 0;
    int lineStart = 0;
    int spacePos = -1;  // last space on the current line, -1 when there is none
    while (buf[cur]) {
        lineWidth += s * f->advance[buf[cur]];
        if (lineWidth > maxWidth) {
            if (spacePos >= lineStart && buf[spacePos + 1] == 0) {
                // The space that overflows ends the text: it is dropped rather than turned into
                // a break that would start an empty line.
                buf[spacePos] = 0;
                break;
            }
            if (spacePos >= lineStart) {
                // The last space before the overflow becomes the break. As laid out, the unit
                // after the break does not count toward the new line's width.
                buf[spacePos] = LF;
                lineWidth = 0.0f;
                cur = spacePos + 1;
                lineStart = cur;
                spacePos = -1;
                height += step;
            } else if (cur > lineStart && buf[cur] != CR && buf[cur] != LF && n < TEXT_BUFFER_UNITS - 1) {
                // A word wider than the line: break it before the unit that overflows, which
                // starts the new line. (Without room for the break the word stays whole.)
                std::memmove(buf + cur + 1, buf + cur, static_cast<size_t>(n - cur + 1) * sizeof(char16_t));
                buf[cur] = LF;
                ++n;
                ++cur;
                lineStart = cur;
                lineWidth = s * f->advance[buf[cur]];
                height += step;
            }
        }
        if (buf[cur] == CR) {
            // A break that only ends the text is dropped and counts no line.
            int next = cur + 1;
            if (buf[next] == 0 || (buf[next] == LF && buf[next + 1] == 0)) {
                buf[cur] = 0;
                break;
            }
            cur = next;
            lineWidth = 0.0f;
            lineStart = cur + 1;
            spacePos = -1;
            height += step;
        } else if (buf[cur] == LF) {
            lineWidth = 0.0f;
            lineStart = cur + 1;
            spacePos = -1;
            height += step;
        }
        ++cur;
        if (buf[cur] == SPACE) spacePos = cur;
    }
    return height;
}

const char16_t* wrappedText() { return textState.wrapBuffer; }

void drawTextShadowed(float x, float y, float scale, const char16_t* text, bool centred, Color colour,
                      Color shadowColour, float distance, float dx, float dy)
{
    setTextColour(shadowColour);
    drawText(x + distance * dx, y + distance * dy, scale, text, centred);
    setTextColour(colour);
    drawText(x, y, scale, text, centred);
}

void drawTextGlow(float x, float y, float s, Color glowColour, const char16_t* text, bool centred)
{
    if (!currentFont() || !text) return;
    float w = measureText(text, s);
    if (centred) x = x - w / 2 + s / 2;
    drawText(x, y, s, text, false);
    Rect r;
    r.set(x + 0.2f * s - 3.0f * s, y + 5.0f + s, x + 0.2f * s + w + s, y + 5.0f - s);
    glowQuad(r, glowColour, GLOW_TEXT_DEPTH);
}

void drawTextGlowCentred(float x, float y, float s, Color glowColour, const char16_t* text)
{
    drawTextGlow(x, y, s, glowColour, text, true);
}

void drawGlowRect(float x0, float y0, float x1, float y1, Color colour)
{
    Rect r;
    r.set(x0, y0, x1, y1);
    glowQuad(r, colour, GLOW_RECT_DEPTH);
}
