#pragma once
// The dialogs as the modules below the menus see them. The menus own the dialogs (menus/menus.h);
// the board, the HUD, the backdrops, the map and the trophy room only need to know whether a dialog
// is up (input then goes to it and the play clocks wait), how far its opening or closing
// animation has run, and a way to ask for a dialog by name. The menus fill in the two hooks when
// they start (menus.cpp); without the menus a request does nothing.
#include <cstdint>

struct DialogPort {
    uint8_t open = 0;   // 1 while a dialog is shown over the board or a screen
    float anim = 0.0f;  // the dialog's animation: 0 at rest, 1 fully away
    void (*openDialog)(const char* name) = nullptr;                  // a dialog node by name
    // A message by text key (a key the text tables do not hold is shown as it is written); false
    // when no box could open now (a dialog is moving).
    bool (*showMessageBox)(const char* textKey, bool okOnly) = nullptr;
};

extern DialogPort dialogPort;

// Opens the dialog of this name (an unknown name is ignored).
void requestDialog(const char* name);
// Shows the message box of this text key, with only "ok" when okOnly. False when it could not
// open (no menus, or a dialog is opening or closing this frame).
bool requestMessageBox(const char* textKey, bool okOnly);
// No dialog up, the animation at rest; the hooks stay.
void resetDialogPort();
