#pragma once
// Drawing pieces the map and the artefact screen share: the pointer for their panels (which are
// the dialog framework's panel and button), and the miniature of a level's layout for the info
// panel.
#include "core/math.h"

#include <cstdint>

// The pointer in centred screen units.
Vec2 pointerForPanels();

// The place kinds of a level's 11 x 12 grid as the miniature shows them.
enum MiniPlace : int8_t { MiniHole = -1, MiniBare = 0, MiniSquare = 1, MiniDual = 2, MiniFixed = 3 };
struct LevelMiniature {
    int level;               // -1 when nothing is read
    int8_t places[11][12];
    int8_t colours[11][12];  // colour of a fixed figure, else -1
};
extern LevelMiniature levelMiniature;
// Reads the grid of a level text (the part after "level="); places the text lacks stay bare.
void parseMiniature(const char* text, int32_t size, LevelMiniature& out);
// Reads "levels\pack1_NN.lvl" for a level into levelMiniature (once per level); false when
// the file cannot be read (the miniature is then blank).
bool readMiniature(int level);
