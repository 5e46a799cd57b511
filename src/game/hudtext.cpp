#include "game/hudtext.h"

#include <cstdio>
#include <cstring>

HudTextState hudTexts;

namespace {

void add(const char* text, float x, float y, float size, Color colour, bool centred)
{
    if (hudTexts.count >= HUD_TEXT_CAPACITY) return;
    HudTextEntry& e = hudTexts.entries[hudTexts.count++];
    std::snprintf(e.text, sizeof e.text, "%s", text ? text : "");
    e.pos = Vec2{x, y};
    e.size = size;
    e.colour = colour;
    e.centred = centred ? 1 : 0;
}

} // namespace

void clearHudTexts()
{
    hudTexts.count = 0;
}

void hudText(const char* key, float x, float y, float size, Color colour, bool centred)
{
    add(key, x, y, size, colour, centred);
}

void hudTextFormat(const char* key, const char* value, float x, float y, float size, Color colour, bool centred)
{
    char text[48];
    std::snprintf(text, sizeof text, "%s:%s", key, value);
    add(text, x, y, size, colour, centred);
}

void hudLiteral(const char* text, float x, float y, float size, Color colour, bool centred)
{
    add(text, x, y, size, colour, centred);
}

const HudTextEntry* findHudText(const char* text)
{
    for (int i = 0; i < hudTexts.count; i++) {
        if (std::strcmp(hudTexts.entries[i].text, text) == 0) return &hudTexts.entries[i];
    }
    return nullptr;
}
