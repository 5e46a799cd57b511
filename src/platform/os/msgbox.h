#pragma once
// The message box: a modal box with the text and caption (when a display exists) and the same
// text on standard error. Returns when the player has dismissed it.
void osMessageBox(const char* text, const char* caption);
