#pragma once
// Animated backdrops behind the board and the menus. Until they are built, each operation
// records its call (app/core/requestlog.h).

// Reads the object catalogue and the scenes (deferred load; "loadBackdropCatalogue").
void loadBackdropCatalogue();
// Animates and draws the current backdrop ("drawBackdrop", a = withCameraMove).
void drawBackdrop(bool withCameraMove);
