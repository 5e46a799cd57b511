#pragma once
// Floating messages (status message, pop-up texts). Until they are built, requests are
// recorded (app/core/requestlog.h) with the text key or text as the name.

// Shows the status message looked up by the text key.
void showStatusMessage(const char* textKey);
// A pop-up text at (x, y), recorded with its scale and duration in ms as a, b.
void addPopupText(const char* text, float x, float y, float scale, float durationMs);
