#pragma once
// Shared between the board-picture generators (gen_board_art.cpp, gen_board_pieces.cpp).
#include "canvas.h"

#include <cstdint>
#include <vector>

constexpr int kFigureColours = 8;   // distinct figure pictures (the game loads 17, repeating them)
constexpr int kFigureFrames = 32;   // animation frames per figure
constexpr int kFrameSize = 64;      // pixels per frame, square
constexpr int kStripColumns = 8;    // frames per row of a strip picture (4 rows)

// File names without extension, in the game's colour order.
extern const char* const kFigureFiles[kFigureColours];

// The 512 x 256 strip of one colour; an empty Image for a colour outside 0..7.
Image makeFigureStrip(int colour);

// The window icon's art (the diamond figure at rest) drawn at size x size pixels.
Image windowIconPicture(int size);

// Writes a picture into an archive by member name, or loose below outDir when archive is null.
bool emitPicture(const char* outDir, const char* archive, const char* name, const std::vector<uint8_t>& bytes);

// Tiles, chain, marks, glows, hammer panel, left bar, candle set, heart, shutter, trophy button
// and cursors. `preview`, when not null, is a folder that receives PNG copies for inspection.
bool genBoardPieces(const char* outDir, const char* preview);
