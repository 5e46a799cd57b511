#pragma once
// The trophy room's shelf layout: where each of the seventeen trophies stands and how big it is
// drawn. The data set gives it as "trophy.cfg" in the folder "trophyes": 17 records of 92 bytes
// (1564 in all), little-endian: width f32 at 0, height f32 at 4, centre x f32 at 8, centre y f32
// at 12, scale f32 at 20, hovered u8 at 88; the other bytes are 0. Without a usable file every
// trophy takes the default place: slot i at x = i * 760/17 - 380, y = 280 - i * 560/17, at the
// size of its picture, scale 1.
//
// The room saves the layout when the player leaves with Escape. The game writes only into its
// settings folder, so the saved copy goes there and is read before the data set's.
#include "trophies/trophies.h"

#include <cstdint>

constexpr int TROPHY_SLOT_BYTES = 92;
constexpr int TROPHY_LAYOUT_BYTES = TROPHY_COUNT * TROPHY_SLOT_BYTES;  // 1564
static_assert(TROPHY_LAYOUT_BYTES == 1564);
constexpr float TROPHY_DEFAULT_SIZE = 64.0f;  // a default slot's size until its picture is known

struct TrophySlot {
    float width;   // picture size on screen, before the scale
    float height;
    float x;       // centre, centred screen units
    float y;
    float scale;   // 1.0
    uint8_t hovered;  // the pointer is on it
};

struct TrophyLayout {
    TrophySlot slots[TROPHY_COUNT];
    uint8_t fromFile[TROPHY_COUNT];  // 0: the default place (its size follows the picture)
    uint8_t loaded;                  // loadTrophyLayout ran
    int32_t saves;                   // layouts written (since reset)
};

extern TrophyLayout trophyLayout;

void resetTrophyLayout();
// Slot i (0..16) of the default layout at the given picture size.
TrophySlot defaultTrophySlot(int index, float width, float height);
// Decodes a layout image. Anything but exactly 1564 bytes gives the default layout (false). In a
// file of the right size each record is checked on its own: sizes must be finite, above 0 and at
// most 1024, the centre on the screen (|x| <= 400, |y| <= 300), the scale finite, above 0 and at
// most 8; a record that fails takes its default place. The hovered byte is not taken over. True
// when every record was taken from the image.
bool trophyLayoutFromBytes(const uint8_t* data, int32_t size);
// The current layout as 1564 bytes.
void trophyLayoutToBytes(uint8_t out[TROPHY_LAYOUT_BYTES]);
// Reads the saved copy in the settings folder, else "trophy.cfg" in the current folder (the
// data set's "trophyes"), else builds the default layout.
void loadTrophyLayout();
// Writes the layout to the settings folder (atomically). False when it cannot be written; the
// old copy stays and play goes on.
bool saveTrophyLayout();
// A default slot takes the size of its picture once the picture is loaded.
void fitDefaultSlot(int index, float width, float height);
