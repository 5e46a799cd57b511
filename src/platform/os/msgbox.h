#pragma once
// The message box: a modal box with the text and caption (when a display exists) and the same
// text on standard error. Returns when the player has dismissed it.
//
// Where the system's box cannot open (no message service: SDL's box fails, or the run is
// headless), the fallback the program installed is asked to show the message instead (the game
// draws it in its own window and waits for a key or a click); where it cannot either (no window
// yet), standard error is all there is.
#include "platform/os/os.h"

void osMessageBox(const char* text, const char* caption);

// The program's own way of showing a message (OsMessageFallback). The OS layer knows nothing of
// the game: the shell installs it (null removes it).
void osSetMessageBoxFallback(OsMessageFallback fallback);

// How the last message reached the player.
OsMessageWay osLastMessageWay();
