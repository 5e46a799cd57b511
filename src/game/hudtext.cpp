#include "game/hudtext.h"

#include <cstdio>

#include "app/core/requestlog.h"

namespace {

void record(const char* name, float x, float y, float size, Color colour)
{
    recordRequest("drawText", name, static_cast<int>(size * 10.0f + 0.5f), colour.a, x, y);
}

} // namespace

void hudText(const char* key, float x, float y, float size, Color colour, bool centred)
{
    (void)centred;
    record(key, x, y, size, colour);
}

void hudTextFormat(const char* key, const char* value, float x, float y, float size, Color colour, bool centred)
{
    (void)centred;
    char name[64];
    std::snprintf(name, sizeof name, "%s:%s", key, value);
    record(name, x, y, size, colour);
}

void hudLiteral(const char* text, float x, float y, float size, Color colour, bool centred)
{
    (void)centred;
    record(text, x, y, size, colour);
}
