#pragma once
// The adventure map, drawn by the menu screen in its map mode. Until it is built, each
// operation records its call (core/requestlog.h).

// Loads the path and the map pictures (deferred load; recorded as "loadMap").
void loadMap();
// Updates and draws the map; pass 0 the map, pass 1 what lies over the dialogs
// (recorded as "drawMap", a = pass).
void drawMap(int pass);
