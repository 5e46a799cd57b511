#include "ui/messages.h"

#include "app/core/requestlog.h"

void showStatusMessage(const char* textKey) { recordRequest("showStatusMessage", textKey); }
void addPopupText(const char* text, float x, float y, float scale, float durationMs)
{
    recordRequest("addPopupText", text, static_cast<int>(scale), static_cast<int>(durationMs), x, y);
}
