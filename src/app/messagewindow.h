#pragma once
// The message box drawn by the game itself, for where the system's box cannot open (no message
// service on the desktop): the caption and the text with the game's font on a panel in the game's
// window, until the player presses a key, clicks or closes the window. The shell installs it as
// the OS layer's fallback (osSetMessageBoxFallback), so every loading, device or writing error
// that a message box reports is seen in the window before the program ends or goes on.
//
// Without a window and a real device (headless), or without a font that can be loaded (the
// font itself is what failed), it shows nothing and returns false: standard error is then the
// only place the message went.

struct MessageWindowState {
    bool inside = false;   // a message is showing (a message raised meanwhile goes to standard error)
    int shown = 0;         // messages shown and dismissed
    int framesDrawn = 0;   // frames drawn while messages showed
    bool closeAsked = false;  // the window was closed to dismiss the last message
};

extern MessageWindowState messageWindow;

void resetMessageWindow();

// Shows the message and waits for the player; true when it was shown (OsMessageFallback).
bool showMessageInWindow(const char* text, const char* caption);
