#include "game/hudtext.h"

#include <cstdio>
#include <cstring>

#include "resources/texts.h"
#include "ui/font.h"
#include "ui/messages.h"

HudTextState hudTexts;

namespace {

constexpr int TEXT_UNITS = 256;

void record(const char* text, float x, float y, float size, Color colour, bool centred)
{
    if (hudTexts.count >= HUD_TEXT_CAPACITY) return;
    HudTextEntry& e = hudTexts.entries[hudTexts.count++];
    std::snprintf(e.text, sizeof e.text, "%s", text ? text : "");
    e.pos = Vec2{x, y};
    e.size = size;
    e.colour = colour;
    e.centred = centred ? 1 : 0;
    e.lines = 1;
}

void draw(const char16_t* text, float x, float y, float size, Color colour, bool centred)
{
    if (!text || !currentFont()) return;
    Color shadow(0, 0, 0, colour.a * 3 / 4);
    drawTextShadowed(x, y, size, text, centred, colour, shadow, 2.0f, 1.0f, -1.0f);
}

} // namespace

void keyText(const char* key, char16_t* out, int capacity)
{
    const char16_t* t = key ? text(key) : nullptr;
    int n = 0;
    if (t) {
        for (; t[n] && n < capacity - 1; n++) out[n] = t[n];
    } else if (key) {
        // A key the tables lack shows itself, so the missing text is visible.
        for (; key[n] && n < capacity - 1; n++) out[n] = static_cast<unsigned char>(key[n]);
    }
    out[n] = 0;
}

void formatKeyText(const char* key, const char* value, char16_t* out, int capacity)
{
    char16_t format[TEXT_UNITS];
    keyText(key, format, TEXT_UNITS);
    int n = 0;
    bool done = false;
    for (int i = 0; format[i] && n < capacity - 1; i++) {
        // The first number placeholder (%i, %d, %s) takes the value; "%%" is a percent sign.
        if (format[i] == '%' && format[i + 1] == '%') {
            out[n++] = '%';
            i++;
        } else if (!done && format[i] == '%' && (format[i + 1] == 'i' || format[i + 1] == 'd' || format[i + 1] == 's')) {
            for (int k = 0; value[k] && n < capacity - 1; k++) out[n++] = static_cast<unsigned char>(value[k]);
            i++;
            done = true;
        } else {
            out[n++] = format[i];
        }
    }
    if (!done) {
        // A format without a placeholder gets the value after it.
        if (n < capacity - 1) out[n++] = ' ';
        for (int k = 0; value[k] && n < capacity - 1; k++) out[n++] = static_cast<unsigned char>(value[k]);
    }
    out[n] = 0;
}

void noteHudText(const char* text, float x, float y, float size, Color colour, bool centred)
{
    record(text, x, y, size, colour, centred);
}

void clearHudTexts()
{
    hudTexts.count = 0;
}

void hudText(const char* key, float x, float y, float size, Color colour, bool centred)
{
    record(key, x, y, size, colour, centred);
    char16_t buf[TEXT_UNITS];
    keyText(key, buf, TEXT_UNITS);
    draw(buf, x, y, size, colour, centred);
}

void hudTextFormat(const char* key, const char* value, float x, float y, float size, Color colour, bool centred)
{
    char name[48];
    std::snprintf(name, sizeof name, "%s:%s", key, value);
    record(name, x, y, size, colour, centred);
    char16_t buf[TEXT_UNITS];
    formatKeyText(key, value, buf, TEXT_UNITS);
    draw(buf, x, y, size, colour, centred);
}

void hudLiteral(const char* text, float x, float y, float size, Color colour, bool centred)
{
    record(text, x, y, size, colour, centred);
    char16_t buf[TEXT_UNITS];
    int n = 0;
    for (; text && text[n] && n < TEXT_UNITS - 1; n++) buf[n] = static_cast<unsigned char>(text[n]);
    buf[n] = 0;
    draw(buf, x, y, size, colour, centred);
}

HudTextFit fitHudText(const char16_t* text, float size, float maxWidth, float maxHeight)
{
    HudTextFit fit{size, 1, -1};
    float width = text ? measureText(text, size) : 0.0f;
    if (width <= maxWidth || width <= 0.0f) return fit;
    float scaled = size * maxWidth / width;
    if (scaled >= 0.75f * size) {
        fit.size = scaled;
        return fit;
    }
    // Two lines, split at the space nearest the middle of the text's width.
    int best = -1;
    float bestWidest = 0.0f;
    char16_t first[256];
    for (int i = 0; text[i] && i < 255; i++) {
        if (text[i] != u' ') continue;
        for (int k = 0; k < i; k++) first[k] = text[k];
        first[i] = 0;
        float a = measureText(first, size);
        float b = measureText(text + i + 1, size);
        float widest = a > b ? a : b;
        if (best < 0 || widest < bestWidest) {
            best = i;
            bestWidest = widest;
        }
    }
    // Two lines need about 1.8 + 1.4 line heights.
    float twoLines = best >= 0 ? size * maxWidth / bestWidest : 0.0f;
    if (twoLines > size) twoLines = size;
    if (twoLines > maxHeight / 3.2f) twoLines = maxHeight / 3.2f;
    if (best >= 0 && twoLines > scaled) {
        fit.size = twoLines;
        fit.lines = 2;
        fit.split = best;
        return fit;
    }
    fit.size = scaled;
    return fit;
}

namespace {

void drawInBox(const char* name, const char16_t* text, float x, float y, float size, float maxWidth, float maxHeight,
               Color colour)
{
    HudTextFit fit = fitHudText(text, size, maxWidth, maxHeight);
    record(name, x, y, fit.size, colour, true);
    if (hudTexts.count > 0 && std::strncmp(hudTexts.entries[hudTexts.count - 1].text, name, 47) == 0)
        hudTexts.entries[hudTexts.count - 1].lines = static_cast<uint8_t>(fit.lines);
    if (fit.lines == 1) {
        draw(text, x, y, fit.size, colour, true);
        return;
    }
    char16_t line[TEXT_UNITS];
    int k = 0;
    for (; k < fit.split && k < TEXT_UNITS - 1; k++) line[k] = text[k];
    line[k] = 0;
    float half = 0.9f * fit.size;
    draw(line, x, y + half, fit.size, colour, true);
    draw(text + fit.split + 1, x, y - half, fit.size, colour, true);
}

} // namespace

void hudTextInBox(const char* key, float x, float y, float size, float maxWidth, float maxHeight, Color colour)
{
    char16_t buf[TEXT_UNITS];
    keyText(key, buf, TEXT_UNITS);
    drawInBox(key, buf, x, y, size, maxWidth, maxHeight, colour);
}

void hudLiteralInBox(const char* text, float x, float y, float size, float maxWidth, float maxHeight, Color colour)
{
    char16_t buf[TEXT_UNITS];
    int n = 0;
    for (; text && text[n] && n < TEXT_UNITS - 1; n++) buf[n] = static_cast<unsigned char>(text[n]);
    buf[n] = 0;
    drawInBox(text ? text : "", buf, x, y, size, maxWidth, maxHeight, colour);
}

const HudTextEntry* findHudText(const char* text)
{
    for (int i = 0; i < hudTexts.count; i++) {
        if (std::strcmp(hudTexts.entries[i].text, text) == 0) return &hudTexts.entries[i];
    }
    return nullptr;
}

void showKeyMessage(const char* key, float x, float y, float size, float durationMs)
{
    char16_t buf[TEXT_UNITS];
    keyText(key, buf, TEXT_UNITS);
    addPopupText(buf, x, y, size, durationMs);
}

void showFormatMessage(const char* key, const char* value, float x, float y, float size, float durationMs)
{
    char16_t buf[TEXT_UNITS];
    formatKeyText(key, value, buf, TEXT_UNITS);
    addPopupText(buf, x, y, size, durationMs);
}

bool keyMessageShowing(const char* key, const char* value)
{
    char16_t want[TEXT_UNITS];
    if (value) formatKeyText(key, value, want, TEXT_UNITS);
    else keyText(key, want, TEXT_UNITS);
    for (const PopupText& p : messages.popups) {
        if (p.life <= 0.0f) continue;
        for (int i = 0; i < POPUP_TEXT_UNITS; i++) {
            if (p.text[i] != want[i]) break;
            if (!want[i]) return true;
        }
    }
    return false;
}
